#include "platform/print/PreviewView.h"

#include "platform/print/PagePainter.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>

#include <algorithm>
#include <cmath>

namespace platform {

// The page picture inside the scroll area: draws the current page and
// passes mouse presses on to the view.
class PreviewPicture : public QWidget {
public:
    explicit PreviewPicture(PreviewView* view) : QWidget(nullptr), view_(view)
    {
        setObjectName(QStringLiteral("PagePicture"));
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void paintEvent(QPaintEvent* event) override
    {
        QPainter painter(this);
        view_->paintPicture(painter, event->rect());
    }

    void mousePressEvent(QMouseEvent* event) override
    {
        emit view_->pagePressed(event->button(), mapTo(view_->viewport(), event->position().toPoint()));
        event->accept();
    }

private:
    PreviewView* view_;
};

PreviewView::PreviewView(QWidget* parent) : QScrollArea(parent)
{
    // 100 % shows the paper at the layout resolution: 96 pixels per inch, or
    // what the screen reports when that is more.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        pixelsPerInch_ = std::max(96.0, screen->logicalDotsPerInch());
    setBackgroundRole(QPalette::Dark);
    setAlignment(Qt::AlignCenter);
    setWidgetResizable(false);
    picture_ = new PreviewPicture(this);
    setWidget(picture_);
    layoutPicture();
}

PreviewView::~PreviewView() = default;

QWidget* PreviewView::pagePicture() const
{
    return picture_;
}

void PreviewView::start(std::shared_ptr<const PageStream> stream)
{
    stream_ = std::move(stream);
    currentPage_ = stream_ && stream_->pageCount() > 0 ? 1 : 0;
    layoutPicture();
    picture_->update();
    emit pageChanged();
}

void PreviewView::finish()
{
    stream_.reset();
    currentPage_ = 0;
    layoutPicture();
    picture_->update();
}

void PreviewView::gotoPage(int page)
{
    const int count = pageCount();
    if (count == 0)
        return;
    page = std::clamp(page, firstPage(), count);
    if (page == currentPage_)
        return;
    currentPage_ = page;
    layoutPicture();
    verticalScrollBar()->setValue(verticalScrollBar()->minimum());
    picture_->update();
    emit pageChanged();
}

void PreviewView::setPixelsPerInch(double pixelsPerInch)
{
    if (pixelsPerInch > 0) {
        pixelsPerInch_ = pixelsPerInch;
        layoutPicture();
    }
}

QSizeF PreviewView::pageInches() const
{
    if (stream_ && currentPage_ >= 1 && currentPage_ <= stream_->pageCount()) {
        const PageStream::Page& page = stream_->page(currentPage_ - 1);
        return QSizeF(page.width(), page.height());
    }
    return QSizeF(8.5, 11.0);  // an empty job shows no page; this sizes the ground
}

double PreviewView::marginPixels() const
{
    return pageInches().width() * pixelsPerInch_ * zoom_ / 100.0 * kMarginFraction;
}

void PreviewView::layoutPicture()
{
    const QSizeF inches = pageInches();
    const double scale = pixelsPerInch_ * zoom_ / 100.0;
    const double margin = marginPixels();
    picture_->resize(static_cast<int>(std::floor(inches.width() * scale + 2 * margin)),
                     static_cast<int>(std::floor(inches.height() * scale + 2 * margin)));
}

void PreviewView::paintPicture(QPainter& painter, const QRect& exposed)
{
    painter.fillRect(exposed, palette().color(QPalette::Dark));
    if (!stream_ || currentPage_ < 1)
        return;
    const QSizeF inches = pageInches();
    const double scale = pixelsPerInch_ * zoom_ / 100.0;
    const double margin = marginPixels();
    const QRectF paper(margin, margin, inches.width() * scale, inches.height() * scale);
    painter.fillRect(paper, Qt::white);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.translate(margin, margin);
    PagePainter player(*stream_, painter, scale);
    player.paintPage(currentPage_ - 1);
}

void PreviewView::setZoom(double percent)
{
    percent = std::clamp(percent, kMinZoom, kMaxZoom);
    if (percent == zoom_)
        return;
    zoom_ = percent;
    layoutPicture();
    picture_->update();
    emit zoomChanged();
}

double PreviewView::zoomPageWidthFactor() const
{
    const QSizeF inches = pageInches();
    const QSize available = maximumViewportSize();
    const double perPercent = pixelsPerInch_ / 100.0;
    const double contentWidth = inches.width() * (1 + 2 * kMarginFraction);
    const double contentHeight = inches.height() + 2 * kMarginFraction * inches.width();
    double factor = (available.width() - 1) / (contentWidth * perPercent);
    // When the page then is taller than the view, the vertical scroll bar
    // takes its share of the width.
    if (factor * perPercent * contentHeight > available.height()) {
        const int bar = verticalScrollBar()->sizeHint().width();
        factor = (available.width() - bar - 1) / (contentWidth * perPercent);
    }
    return std::clamp(factor, kMinZoom, kMaxZoom);
}

double PreviewView::zoomPageFactor() const
{
    const QSizeF inches = pageInches();
    const QSize available = maximumViewportSize();
    const double perPercent = pixelsPerInch_ / 100.0;
    const double byWidth = (available.width() - 1) / (inches.width() * (1 + 2 * kMarginFraction) * perPercent);
    const double byHeight =
        (available.height() - 1) / ((inches.height() + 2 * kMarginFraction * inches.width()) * perPercent);
    return std::clamp(std::min(byWidth, byHeight), kMinZoom, kMaxZoom);
}

void PreviewView::zoomIn()
{
    setZoom(zoom_ + kZoomStep);
}

void PreviewView::zoomOut()
{
    setZoom(zoom_ - kZoomStep);
}

void PreviewView::zoomAt(double percent, const QPoint& viewportPoint)
{
    const QPointF before(viewportPoint - picture_->pos());
    const double fx = picture_->width() > 0 ? before.x() / picture_->width() : 0.0;
    const double fy = picture_->height() > 0 ? before.y() / picture_->height() : 0.0;
    setZoom(percent);
    horizontalScrollBar()->setValue(static_cast<int>(std::lround(fx * picture_->width() - viewportPoint.x())));
    verticalScrollBar()->setValue(static_cast<int>(std::lround(fy * picture_->height() - viewportPoint.y())));
}

}  // namespace platform
