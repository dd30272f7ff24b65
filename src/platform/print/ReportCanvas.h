#pragma once
// ReportCanvas: the report canvas every printed thing is drawn on, and the
// job that drives it (labels, envelopes, reports, the printed record, the
// ZIP count). All lengths are inches from the paper's top-left corner, y down.
//
// A job: set the title, copies, output, paper and handlers, then execute().
// execute() runs the before-print handler, starts page 1 (lazily: a job that
// draws nothing has no page), runs the print handler and ends. Everything
// drawn is recorded into a PageStream (commands in inches per page). With
// JobOutput::Printer the stream is then played onto the current printer of
// the PrintSetup (a system printer, or "PDF file", which writes a PDF); with
// JobOutput::Stream it is kept for the preview (takeStream()). A job that
// fails — a handler throws, the printer cannot be opened, the PDF cannot be
// written — ends Failed, never Completed, and keeps no stream. An aborted job
// prints nothing (a PDF file is not left behind) and keeps no stream.
//
// The page model: margins from each paper edge (0.5 inch after reset()); the
// section, an absolute rectangle that is the page inside the margins unless
// set; a font whose line height is size / 60 inch; a cursor (X, Y) whose Y is
// the baseline of the current line, the line box spanning from
// Y - lineHeight + descent to Y + descent; tab columns; a pen and a brush.
// Text is measured at kStreamDpi (600) without hinting, whatever the output.
//
// Handlers run inside execute(); they may throw (the job then fails). While a
// job runs, the canvas lets pending window events be handled at each new
// page and while pages are sent, which is when a Cancel button is seen.
// Ownership: the canvas owns the stream it records until takeStream(); the
// PrintSetup and the status label are not owned. Not copyable.
#include "platform/print/PageStream.h"
#include "platform/print/PrintSetup.h"
#include "platform/print/PrintTypes.h"

#include <QPointer>
#include <QRectF>
#include <QString>

#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <vector>

class QLabel;

namespace platform {

enum class JobOutput { Printer, Stream };

// A tab column as placed on the page: its left and right edges in inches.
struct TabCell {
    double left = 0;
    double right = 0;
    double margin = 0;
    Justify justify = Justify::Left;
};

class ReportCanvas {
public:
    using Handler = std::function<void(ReportCanvas&)>;

    explicit ReportCanvas(PrintSetup& setup = PrintSetup::shared());
    ReportCanvas(const ReportCanvas&) = delete;
    ReportCanvas& operator=(const ReportCanvas&) = delete;

    // ---- The job ----
    void setTitle(const QString& title) { title_ = title; }
    QString title() const { return title_; }
    void setCopies(int copies) { copies_ = copies < 1 ? 1 : copies; }
    int copies() const { return copies_; }
    void setOutput(JobOutput output) { output_ = output; }
    JobOutput output() const { return output_; }
    PrintSetup& setup() { return setup_; }

    // Paper and orientation are the printer selection's (PrintSetup): a code
    // the printer does not list, or a custom size it does not take, leaves the
    // paper as it was and returns false.
    bool setPaper(int windowsCode);
    bool setCustomPaper(double width, double height);
    void setOrientation(Orientation orientation);
    Orientation orientation() const { return setup_.orientation(); }
    // The page as it stands: the page being drawn during a job, else the
    // printer selection's.
    double pageWidth() const;
    double pageHeight() const;

    void setBeforePrint(Handler handler) { beforePrint_ = std::move(handler); }
    void setOnPrint(Handler handler) { onPrint_ = std::move(handler); }
    void setOnNewPage(Handler handler) { onNewPage_ = std::move(handler); }

    // Runs the job (see the class comment). Never throws.
    JobOutcome execute();
    // What failed, for a Failed job.
    QString errorText() const { return error_; }
    bool running() const { return running_; }
    // Ends the current page (it is printed even when empty), counts it, puts
    // the cursor on the first line and raises the new-page handler. Margins,
    // section, font, pen, brush and tabs stay. Nothing happens once aborted.
    void newPage();
    // The number of the page being drawn (1 for the first).
    int currentPage() const { return pageNumber_; }
    // Pages recorded so far (a page counts once something is drawn on it).
    int pagesRecorded() const { return stream_ ? stream_->pageCount() : 0; }
    // Stops the job: nothing more is recorded or printed; a printer job is
    // discarded, a PDF file removed. Loops should test aborted().
    void abort();
    bool aborted() const { return aborted_; }
    // The recorded pages of the last job (JobOutput::Stream, not aborted or
    // failed); the canvas lets go of them.
    std::shared_ptr<PageStream> takeStream();
    // The device resolution of the canvas (pixels per inch): kStreamDpi.
    double xdpi() const { return kStreamDpi; }
    double ydpi() const { return kStreamDpi; }

    // ---- Status ----
    // The format may hold %p (page number), %0 and %1 (the status lines).
    void setStatusFormat(const QString& format);
    QString statusFormat() const { return statusFormat_; }
    void setStatusLine(int which, const QString& text);  // which: 0 or 1
    void clearStatusLines();
    QString statusText() const;
    // The label that shows the status (not owned; may be destroyed first).
    void setStatusLabel(QLabel* label);
    void refreshStatus();

    // ---- Page model ----
    // Margins 0.5 inch, section = margins, no tabs, cursor on the first line.
    void reset();
    void setMargins(double left, double top, double right, double bottom);
    void setLeftMargin(double inches) { margins_[0] = inches; }
    void setTopMargin(double inches) { margins_[1] = inches; }
    void setRightMargin(double inches) { margins_[2] = inches; }
    void setBottomMargin(double inches) { margins_[3] = inches; }
    double leftMargin() const { return margins_[0]; }
    double topMargin() const { return margins_[1]; }
    double rightMargin() const { return margins_[2]; }
    double bottomMargin() const { return margins_[3]; }
    // The section as an absolute rectangle (right and bottom are positions,
    // not distances from the edges).
    void setSection(double left, double top, double right, double bottom);
    void setSectionLeft(double x);
    void setSectionTop(double y);
    void setSectionRight(double x);
    void setSectionBottom(double y);
    // Section := the page inside the margins (following later margin changes).
    void resetSection() { sectionSet_ = false; }
    double sectionLeft() const;
    double sectionTop() const;
    double sectionRight() const;
    double sectionBottom() const;

    // ---- Font ----
    void setFont(const ReportFont& font);
    const ReportFont& font() const { return font_; }
    void setFontName(const QString& name);
    void setFontSize(double points);
    void setBold(bool on);
    void setItalic(bool on);
    void setUnderline(bool on);
    void setFontColor(const QColor& color);
    // 0, 90, 180 or 270 degrees counter-clockwise; other values are ignored.
    void setFontRotation(int degrees);
    double lineHeight() const { return font_.size / 60.0; }
    double fontAscent() const;
    double fontDescent() const;
    // The width of `text` in the current font, in inches.
    double textWidth(const QString& text) const;

    // ---- Cursor and lines ----
    double x() const { return x_; }
    double y() const { return y_; }
    void setX(double x) { x_ = x; }
    void setY(double y) { y_ = y; }
    void gotoXY(double x, double y);
    // The first line of the section: its line box starts at the section top.
    void home();
    // One line height down and back to the section's left edge; never starts
    // a page by itself.
    void newLine();
    // The whole lines, the current one included, that still fit above the
    // section bottom (within 1e-6 inch); never negative.
    int linesLeft() const;
    double lineTop() const { return y_ - lineHeight() + fontDescent(); }
    double lineBottom() const { return y_ + fontDescent(); }

    // ---- Tabs ----
    void clearTabs();
    void addTab(const TabColumn& column);
    // Moves to the next column: paints its cell on the current line box (the
    // shade, then the box lines with the current pen) and puts X inside it.
    // Past the last column nothing is painted, X stays and text prints at X.
    void tab();
    // The column the cursor is in after tab(), if any.
    std::optional<TabCell> currentTab() const;
    void saveTabs();
    // Takes back the last saved column set; nothing happens when none is saved.
    void restoreTabs();
    int tabCount() const { return static_cast<int>(tabs_.size()); }

    // ---- Pen and brush ----
    void setPen(const QColor& color, PenStyle style, PenWidth width, PenMode mode = PenMode::Copy);
    void setPenColor(const QColor& color);
    void setPenStyle(PenStyle style);
    void setPenWidth(PenWidth width);
    void setPenMode(PenMode mode);
    const ReportPen& pen() const { return pen_; }
    void setBrush(const QColor& color, BrushStyle style);
    void setBrushColor(const QColor& color);
    void setBrushStyle(BrushStyle style);
    const ReportBrush& brush() const { return brush_; }

    // ---- Drawing ----
    void moveTo(double x, double y);
    void lineTo(double x, double y);
    void line(double x1, double y1, double x2, double y2);
    void rectangle(double x1, double y1, double x2, double y2);
    // cornerWidth and cornerHeight are the size of the ellipse that rounds
    // each corner.
    void roundRect(double x1, double y1, double x2, double y2, double cornerWidth, double cornerHeight);
    void ellipse(double x1, double y1, double x2, double y2);
    // Fills a box with a colour, without outline and without touching the
    // pen or brush.
    void fillRect(const QRectF& box, const QColor& color);

    // Text at the cursor (baseline Y): at X, or placed in the current tab
    // column by its justification and clipped to the cell. X moves past it.
    void print(const QString& text);
    // print, then newLine.
    void printLn(const QString& text);
    // Right end (centre) of the text at x, on the current line. X := x.
    void printRight(const QString& text, double x);
    void printCenter(const QString& text, double x);
    // Text with its top-left corner at (x, y), clipped to `clip`, no
    // background. The cursor does not move. A rotated font turns the text
    // about (x, y).
    void textRect(const QRectF& clip, double x, double y, const QString& text);

    void stretchBitmap(const QRectF& box, const QImage& image);
    void stretchMetafile(const QRectF& box, const QByteArray& metafile);
    void drawing(const QRectF& box, std::shared_ptr<const PageDrawing> drawing);

private:
    bool drawingAllowed() const { return running_ && !aborted_; }
    void ensurePage();
    void usePen();
    void useBrush();
    void useFont();
    void recordText(const QString& text, TextAnchor anchor, Justify align, double x, double y,
                    const QRectF* clip);
    void recordShape(PageOp op, double x1, double y1, double x2, double y2, std::uint32_t ref = 0);
    std::vector<TabCell> placeTabs() const;
    JobOutcome play();

    PrintSetup& setup_;
    QString title_ = QStringLiteral("Quillpost");
    int copies_ = 1;
    JobOutput output_ = JobOutput::Printer;
    Handler beforePrint_;
    Handler onPrint_;
    Handler onNewPage_;

    std::shared_ptr<PageStream> stream_;
    bool running_ = false;
    bool aborted_ = false;
    bool pageOpen_ = false;
    int pageNumber_ = 1;
    int statusPage_ = 0;   // page shown while pages are sent; 0: pageNumber_
    double pageWidth_ = 0;
    double pageHeight_ = 0;
    QString error_;

    QString statusFormat_;
    QString statusLines_[2];
    QPointer<QLabel> statusLabel_;

    double margins_[4] = {0.5, 0.5, 0.5, 0.5};
    bool sectionSet_ = false;
    double section_[4] = {0, 0, 0, 0};

    ReportFont font_;
    ReportPen pen_;
    ReportBrush brush_;
    static constexpr std::uint32_t kNone = std::numeric_limits<std::uint32_t>::max();
    std::uint32_t penRef_ = kNone;    // pen_ in the stream's table; kNone: not interned yet
    std::uint32_t brushRef_ = kNone;
    std::uint32_t fontRef_ = kNone;
    std::uint32_t pagePen_ = kNone;   // the state the open page has
    std::uint32_t pageBrush_ = kNone;
    std::uint32_t pageFont_ = kNone;

    double x_ = 0;
    double y_ = 0;
    double penX_ = 0;
    double penY_ = 0;

    std::vector<TabColumn> tabs_;
    int tabIndex_ = -1;
    std::vector<std::vector<TabColumn>> savedTabs_;
};

}  // namespace platform
