#pragma once
// PreviewView: the preview component — a scroll area that shows one page of
// a recorded PageStream at a time, with a margin of 2.5 % of the page width
// around it and no shadow, on a grey ground. It pages and zooms; it does not
// print. The page picture (pagePicture()) reports mouse presses so that the
// window that owns the view can zoom on them.
//
// Zoom is in percent: at 100 an inch of paper spans pixelsPerInch() screen
// pixels. It starts at 75 and is kept between kMinZoom and kMaxZoom; zoomIn
// and zoomOut move by kZoomStep. Pages are numbered from firstPage() (1).
// The stream is shared with the caller and held until finish().
// Requires: a QApplication exists.
#include "platform/print/PageStream.h"

#include <QPointer>
#include <QScrollArea>

#include <memory>

namespace platform {

class PreviewPicture;

class PreviewView : public QScrollArea {
    Q_OBJECT
public:
    static constexpr double kMinZoom = 10.0;
    static constexpr double kMaxZoom = 500.0;
    static constexpr double kZoomStep = 10.0;
    static constexpr double kMarginFraction = 0.025;

    explicit PreviewView(QWidget* parent = nullptr);
    ~PreviewView() override;

    // Starts showing the stream at its first page.
    void start(std::shared_ptr<const PageStream> stream);
    // Stops showing and lets go of the stream.
    void finish();
    bool showing() const { return stream_ != nullptr; }

    int pageCount() const { return stream_ ? stream_->pageCount() : 0; }
    int firstPage() const { return 1; }
    // The page shown; 0 when the stream has no page.
    int currentPage() const { return currentPage_; }
    void gotoPage(int page);
    void nextPage() { gotoPage(currentPage_ + 1); }
    void prevPage() { gotoPage(currentPage_ - 1); }

    double zoom() const { return zoom_; }
    void setZoom(double percent);
    // The zoom at which the page width (whole page), margins included, fits
    // the view.
    double zoomPageWidthFactor() const;
    double zoomPageFactor() const;
    void zoomIn();
    void zoomOut();
    // Zooms keeping the page point under `viewportPoint` where it is.
    void zoomAt(double percent, const QPoint& viewportPoint);

    // Screen pixels per inch at 100 %.
    double pixelsPerInch() const { return pixelsPerInch_; }
    void setPixelsPerInch(double pixelsPerInch);

    QWidget* pagePicture() const;

signals:
    void pageChanged();
    void zoomChanged();
    // A mouse button was pressed on the page picture at `viewportPoint`.
    void pagePressed(Qt::MouseButton button, const QPoint& viewportPoint);

private:
    friend class PreviewPicture;
    QSizeF pageInches() const;
    double marginPixels() const;
    void layoutPicture();
    void paintPicture(QPainter& painter, const QRect& exposed);

    std::shared_ptr<const PageStream> stream_;
    PreviewPicture* picture_ = nullptr;
    int currentPage_ = 0;
    double zoom_ = 75.0;
    double pixelsPerInch_ = 96.0;
};

}  // namespace platform
