#include "reports/qpprevue.h"

#include "platform/help/Help.h"
#include "platform/print/PreviewView.h"
#include "platform/ui/FormPlacement.h"
#include "platform/ui/WhatsThis.h"

#include <QApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kHelpContext = 1074;

// The magnifying glass of the program's "MAGNIFY" cursor and of the zoom
// buttons: a lens with a handle, and an optional mark inside the lens.
QPixmap MagnifierPixmap(int size, QChar mark)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const double lens = size * 0.62;
    const QRectF glass(1.5, 1.5, lens, lens);
    painter.setPen(QPen(Qt::black, std::max(1.5, size / 12.0)));
    painter.setBrush(Qt::white);
    painter.drawEllipse(glass);
    painter.setPen(QPen(Qt::black, std::max(2.5, size / 7.0), Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(glass.right() - lens * 0.12, glass.bottom() - lens * 0.12),
                     QPointF(size - 2.0, size - 2.0));
    const QPointF c = glass.center();
    const double arm = lens * 0.25;
    painter.setPen(QPen(Qt::black, std::max(1.0, size / 16.0)));
    painter.setBrush(Qt::NoBrush);
    if (mark == QLatin1Char('+') || mark == QLatin1Char('-'))
        painter.drawLine(QPointF(c.x() - arm, c.y()), QPointF(c.x() + arm, c.y()));
    if (mark == QLatin1Char('+'))
        painter.drawLine(QPointF(c.x(), c.y() - arm), QPointF(c.x(), c.y() + arm));
    if (mark == QLatin1Char('w')) {  // page width: arrows to both sides
        painter.drawLine(QPointF(c.x() - arm, c.y()), QPointF(c.x() + arm, c.y()));
        painter.drawLine(QPointF(c.x() - arm, c.y()), QPointF(c.x() - arm / 2, c.y() - arm / 2));
        painter.drawLine(QPointF(c.x() - arm, c.y()), QPointF(c.x() - arm / 2, c.y() + arm / 2));
        painter.drawLine(QPointF(c.x() + arm, c.y()), QPointF(c.x() + arm / 2, c.y() - arm / 2));
        painter.drawLine(QPointF(c.x() + arm, c.y()), QPointF(c.x() + arm / 2, c.y() + arm / 2));
    }
    if (mark == QLatin1Char('p'))  // whole page: a sheet
        painter.drawRect(QRectF(c.x() - arm * 0.7, c.y() - arm, arm * 1.4, arm * 2));
    return pixmap;
}

QCursor MagnifyCursor()
{
    const QPixmap pixmap = MagnifierPixmap(32, QChar());
    const int hot = static_cast<int>(1.5 + 32 * 0.31);
    return QCursor(pixmap, hot, hot);
}

QToolButton* MakeToolButton(QWidget* parent, const char* name, const QIcon& icon, const QString& tip)
{
    auto* button = new QToolButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setIcon(icon);
    button->setIconSize(QSize(20, 20));
    button->setToolTip(tip);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    platform::SetWhatsThis(button, tip);
    return button;
}

}  // namespace

TPreviewForm::TPreviewForm(std::shared_ptr<const platform::PageStream> stream, QWidget* parent)
    : QDialog(parent), stream_(std::move(stream))
{
    setObjectName(QStringLiteral("PreviewForm"));
    setWindowTitle(QStringLiteral("Label Preview"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMaximizeButtonHint
                   | Qt::WindowCloseButtonHint);
    setSizeGripEnabled(true);

    ScrollBox = new platform::PreviewView(this);
    ScrollBox->setObjectName(QStringLiteral("ScrollBox"));
    ScrollBox->setFocusPolicy(Qt::NoFocus);
    ScrollBox->pagePicture()->setCursor(MagnifyCursor());

    BottomBar = new QFrame(this);
    BottomBar->setObjectName(QStringLiteral("BottomBar"));
    BottomBar->setAutoFillBackground(true);
    QPalette grey = BottomBar->palette();
    grey.setColor(QPalette::Window, QColor(192, 192, 192));
    BottomBar->setPalette(grey);

    ReturnButton = new QPushButton(QStringLiteral("Ok"), BottomBar);
    ReturnButton->setObjectName(QStringLiteral("ReturnButton"));
    ReturnButton->setDefault(true);
    ReturnButton->setAutoDefault(true);
    platform::SetWhatsThis(ReturnButton, QStringLiteral("Click here to close the preview"));

    const QStyle* look = style();
    sbFirstPage = MakeToolButton(BottomBar, "sbFirstPage", look->standardIcon(QStyle::SP_MediaSkipBackward),
                                 QStringLiteral("First page"));
    sbPrevPage = MakeToolButton(BottomBar, "sbPrevPage", look->standardIcon(QStyle::SP_MediaSeekBackward),
                                QStringLiteral("Previous page"));
    sbNextPage = MakeToolButton(BottomBar, "sbNextPage", look->standardIcon(QStyle::SP_MediaSeekForward),
                                QStringLiteral("Next page"));
    sbLastPAge = MakeToolButton(BottomBar, "sbLastPAge", look->standardIcon(QStyle::SP_MediaSkipForward),
                                QStringLiteral("Last page"));
    sbZoomIn = MakeToolButton(BottomBar, "sbZoomIn", QIcon(MagnifierPixmap(20, QLatin1Char('+'))),
                              QStringLiteral("Zoom in"));
    sbZoomOut = MakeToolButton(BottomBar, "sbZoomOut", QIcon(MagnifierPixmap(20, QLatin1Char('-'))),
                               QStringLiteral("Zoom out"));
    sbZoomPageWidth = MakeToolButton(BottomBar, "sbZoomPageWidth", QIcon(MagnifierPixmap(20, QLatin1Char('w'))),
                                     QStringLiteral("Fit the page width"));
    sbZoomPage = MakeToolButton(BottomBar, "sbZoomPage", QIcon(MagnifierPixmap(20, QLatin1Char('p'))),
                                QStringLiteral("Fit the whole page"));
    zbZoom100 = MakeToolButton(BottomBar, "zbZoom100", QIcon(), QStringLiteral("Zoom 100 percent"));
    zbZoom100->setText(QStringLiteral("100%"));
    zbZoom100->setToolButtonStyle(Qt::ToolButtonTextOnly);
    Helpbutton = new QPushButton(QStringLiteral("Help"), BottomBar);
    Helpbutton->setObjectName(QStringLiteral("Helpbutton"));
    Helpbutton->setAutoDefault(false);
    platform::SetWhatsThis(Helpbutton, QStringLiteral("Click here for help on the preview"));
    MouseHelpButton = MakeToolButton(BottomBar, "MouseHelpButton",
                                     look->standardIcon(QStyle::SP_TitleBarContextHelpButton),
                                     QStringLiteral("What's this?"));

    auto* bar = new QHBoxLayout(BottomBar);
    bar->setContentsMargins(6, 4, 6, 4);
    bar->addWidget(ReturnButton);
    bar->addSpacing(12);
    for (QToolButton* button : {sbFirstPage, sbPrevPage, sbNextPage, sbLastPAge})
        bar->addWidget(button);
    bar->addSpacing(12);
    for (QToolButton* button : {sbZoomIn, sbZoomOut, sbZoomPageWidth, sbZoomPage, zbZoom100})
        bar->addWidget(button);
    bar->addStretch(1);
    bar->addWidget(Helpbutton);
    bar->addWidget(MouseHelpButton);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(ScrollBox, 1);
    layout->addWidget(BottomBar);

    // A first size for a window without a saved placement: most of the screen.
    QSize size(760, 900);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        size = size.boundedTo(screen->availableGeometry().size() * 9 / 10);
    resize(size);

    connect(ReturnButton, &QPushButton::clicked, this, &TPreviewForm::ReturnButtonClick);
    connect(sbFirstPage, &QToolButton::clicked, this, &TPreviewForm::sbFirstPageClick);
    connect(sbPrevPage, &QToolButton::clicked, this, &TPreviewForm::sbPrevPageClick);
    connect(sbNextPage, &QToolButton::clicked, this, &TPreviewForm::sbNextPageClick);
    connect(sbLastPAge, &QToolButton::clicked, this, &TPreviewForm::sbLastPAgeClick);
    connect(sbZoomIn, &QToolButton::clicked, this, &TPreviewForm::sbZoomInClick);
    connect(sbZoomOut, &QToolButton::clicked, this, &TPreviewForm::sbZoomOutClick);
    connect(sbZoomPageWidth, &QToolButton::clicked, this, &TPreviewForm::sbZoomPageWidthClick);
    connect(sbZoomPage, &QToolButton::clicked, this, &TPreviewForm::sbZoomPageClick);
    connect(zbZoom100, &QToolButton::clicked, this, &TPreviewForm::zbZoom100Click);
    connect(Helpbutton, &QPushButton::clicked, this, &TPreviewForm::HelpbuttonClick);
    platform::ConnectMouseHelpButton(MouseHelpButton);
    connect(ScrollBox, &platform::PreviewView::pageChanged, this, &TPreviewForm::PreviewPageChange);
    connect(ScrollBox, &platform::PreviewView::zoomChanged, this, &TPreviewForm::PreviewZoomChange);
    connect(ScrollBox, &platform::PreviewView::pagePressed, this, &TPreviewForm::PagePictureMouseDown);

    // Keyboard preview: Up and Down scroll whatever control has the focus.
    WatchKeys(this);
}

TPreviewForm::~TPreviewForm() = default;

void TPreviewForm::WatchKeys(QObject* object)
{
    object->installEventFilter(this);
    for (QObject* child : object->children()) {
        if (child->isWidgetType())
            WatchKeys(child);
    }
}

void TPreviewForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!activated_) {
        activated_ = true;
        FormActivate();
    }
}

void TPreviewForm::FormActivate()
{
    platform::RestoreFormPlacement(this);
    if (layout())
        layout()->activate();
    ScrollBox->start(stream_);
    if (initialZoom_ == 1)
        ScrollBox->setZoom(ScrollBox->zoomPageFactor());
    else if (initialZoom_ == 2)
        ScrollBox->setZoom(ScrollBox->zoomPageWidthFactor());
    else
        ScrollBox->setZoom(initialZoom_);
    if (ScrollBox->pageCount() < 2) {
        for (QToolButton* button : {sbFirstPage, sbPrevPage, sbNextPage, sbLastPAge})
            button->hide();
    }
    UpdateCaption();
}

void TPreviewForm::done(int result)
{
    if (!closed_) {
        closed_ = true;
        FormClose();
    }
    QDialog::done(result);
}

void TPreviewForm::FormClose()
{
    if (ScrollBox->showing())
        ScrollBox->finish();
    if (activated_)
        platform::SaveFormPlacement(this);
}

bool TPreviewForm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() == Qt::NoModifier && FormKeyDown(key->key()))
            return true;
    }
    return QDialog::eventFilter(watched, event);
}

bool TPreviewForm::FormKeyDown(int key)
{
    if (key != Qt::Key_Up && key != Qt::Key_Down)
        return false;
    QScrollBar* bar = ScrollBox->verticalScrollBar();
    const int step = bar->singleStep();
    const int target = key == Qt::Key_Up ? bar->value() - step : bar->value() + step;
    bar->setValue(std::clamp(target, bar->minimum(), bar->maximum()));
    return true;
}

void TPreviewForm::ReturnButtonClick()
{
    accept();
}

void TPreviewForm::sbFirstPageClick()
{
    ScrollBox->gotoPage(ScrollBox->firstPage());
}

void TPreviewForm::sbPrevPageClick()
{
    ScrollBox->prevPage();
}

void TPreviewForm::sbNextPageClick()
{
    ScrollBox->nextPage();
}

void TPreviewForm::sbLastPAgeClick()
{
    ScrollBox->gotoPage(ScrollBox->pageCount());
}

void TPreviewForm::sbZoomInClick()
{
    ScrollBox->zoomIn();
}

void TPreviewForm::sbZoomOutClick()
{
    ScrollBox->zoomOut();
}

void TPreviewForm::sbZoomPageWidthClick()
{
    ScrollBox->setZoom(ScrollBox->zoomPageWidthFactor());
}

void TPreviewForm::sbZoomPageClick()
{
    ScrollBox->setZoom(ScrollBox->zoomPageFactor());
}

void TPreviewForm::zbZoom100Click()
{
    ScrollBox->setZoom(100.0);
}

void TPreviewForm::HelpbuttonClick()
{
    platform::ShowHelpTopic(kHelpContext);
}

void TPreviewForm::PreviewPageChange()
{
    UpdateCaption();
}

void TPreviewForm::PreviewZoomChange()
{
    UpdateCaption();
    ScrollBox->pagePicture()->update();
}

void TPreviewForm::PagePictureMouseDown(Qt::MouseButton button, const QPoint& viewportPoint)
{
    if (button == Qt::LeftButton)
        ScrollBox->zoomAt(ScrollBox->zoom() + platform::PreviewView::kZoomStep, viewportPoint);
    else if (button == Qt::RightButton || button == Qt::MiddleButton)
        ScrollBox->zoomAt(ScrollBox->zoom() - platform::PreviewView::kZoomStep, viewportPoint);
}

void TPreviewForm::UpdateCaption()
{
    const int page = ScrollBox->currentPage() - ScrollBox->firstPage() + 1;
    const int zoom = static_cast<int>(std::trunc(ScrollBox->zoom()));
    setWindowTitle(QStringLiteral("Preview Page ") + QString::number(page) + QStringLiteral(" of ")
                   + QString::number(ScrollBox->pageCount()) + QStringLiteral(" ( ") + QString::number(zoom)
                   + QStringLiteral("% )"));
}
