#pragma once
// TPreviewForm: the one preview window of every report canvas job — labels,
// envelopes, reports, the printed current record and the ZIP code count. The
// caller records its job into a page stream (ReportCanvas with
// JobOutput::Stream), creates this window on the stream, sets its caption
// and initial zoom mode, and shows it modally. The window pages and zooms;
// it does not print.
//
// Initial zoom mode: 1 fits the whole page (the default), 2 fits the page
// width, any other value is that zoom in percent. After every page or zoom
// change the caption reads "Preview Page n of m ( z% )".
//
// The stream is shared with the caller; the window holds it until it closes.
// Requires: a QApplication exists.
#include "platform/print/PageStream.h"

#include <QDialog>

#include <memory>

class QAbstractButton;
class QFrame;
class QPushButton;
class QToolButton;

namespace platform {
class PreviewView;
}

class TPreviewForm : public QDialog {
    Q_OBJECT
public:
    explicit TPreviewForm(std::shared_ptr<const platform::PageStream> stream, QWidget* parent = nullptr);
    ~TPreviewForm() override;

    void setInitialZoom(int mode) { initialZoom_ = mode; }
    int initialZoom() const { return initialZoom_; }
    platform::PreviewView* preview() const { return ScrollBox; }

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormActivate();
    void FormClose();
    // Up and Down scroll the view by one step; true when the key was one.
    bool FormKeyDown(int key);
    void ReturnButtonClick();
    void sbFirstPageClick();
    void sbPrevPageClick();
    void sbNextPageClick();
    void sbLastPAgeClick();
    void sbZoomInClick();
    void sbZoomOutClick();
    void sbZoomPageWidthClick();
    void sbZoomPageClick();
    void zbZoom100Click();
    void HelpbuttonClick();
    void PreviewPageChange();
    void PreviewZoomChange();
    void PagePictureMouseDown(Qt::MouseButton button, const QPoint& viewportPoint);
    void UpdateCaption();
    void WatchKeys(QObject* object);

    std::shared_ptr<const platform::PageStream> stream_;
    int initialZoom_ = 1;
    bool activated_ = false;
    bool closed_ = false;

    platform::PreviewView* ScrollBox;
    QFrame* BottomBar;
    QPushButton* ReturnButton;
    QToolButton* sbFirstPage;
    QToolButton* sbPrevPage;
    QToolButton* sbNextPage;
    QToolButton* sbLastPAge;
    QToolButton* sbZoomIn;
    QToolButton* sbZoomOut;
    QToolButton* sbZoomPageWidth;
    QToolButton* sbZoomPage;
    QToolButton* zbZoom100;
    QPushButton* Helpbutton;
    QToolButton* MouseHelpButton;
};
