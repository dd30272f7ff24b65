#include "platform/print/ReportCanvas.h"

#include "platform/print/FontCache.h"
#include "platform/print/StreamPrinter.h"
#include "platform/ui/DisplayText.h"

#include <QCoreApplication>
#include <QLabel>

#include <algorithm>
#include <cmath>
#include <exception>

namespace platform {

namespace {

constexpr double kLineTolerance = 1e-6;  // inch

QColor ShadeColor(int percent)
{
    const int shade = std::clamp(percent, 0, 100);
    const int level = static_cast<int>(std::lround(255.0 * (100 - shade) / 100.0));
    return QColor(level, level, level);
}

}  // namespace

ReportCanvas::ReportCanvas(PrintSetup& setup) : setup_(setup) {}

// ---- The job ----

bool ReportCanvas::setPaper(int windowsCode)
{
    return setup_.selectPaperCode(windowsCode);
}

bool ReportCanvas::setCustomPaper(double width, double height)
{
    return setup_.setCustomPaper(width, height);
}

void ReportCanvas::setOrientation(Orientation orientation)
{
    setup_.setOrientation(orientation);
}

double ReportCanvas::pageWidth() const
{
    return pageOpen_ ? pageWidth_ : setup_.pageWidth();
}

double ReportCanvas::pageHeight() const
{
    return pageOpen_ ? pageHeight_ : setup_.pageHeight();
}

JobOutcome ReportCanvas::execute()
{
    if (running_) {
        // A job started from an event handled while this one runs.
        error_ = QStringLiteral("A print job is already running.");
        return JobOutcome::Failed;
    }
    stream_ = std::make_shared<PageStream>();
    aborted_ = false;
    error_.clear();
    pageOpen_ = false;
    pageNumber_ = 1;
    statusPage_ = 0;
    penRef_ = brushRef_ = fontRef_ = kNone;
    pagePen_ = pageBrush_ = pageFont_ = kNone;
    tabIndex_ = -1;

    // A printer is opened before the job runs, so that a PDF file name is
    // asked first and a printer that cannot be used stops the job at once.
    std::unique_ptr<PrinterOutput> printerOutput;
    if (output_ == JobOutput::Printer) {
        OutputRequest request;
        request.printer = setup_.printerName();
        request.title = title_;
        request.copies = copies_;
        request.paper = setup_.paper();
        request.bin = setup_.binName();
        request.orientation = setup_.orientation();
        if (request.printer.isEmpty()) {
            error_ = QStringLiteral("There are no installed printers.");
            stream_.reset();
            return JobOutcome::Failed;
        }
        bool cancelled = false;
        QString error;
        printerOutput = PrinterService::current().openOutput(request, cancelled, error);
        if (!printerOutput) {
            stream_.reset();
            if (cancelled) {
                aborted_ = true;
                refreshStatus();
                return JobOutcome::Aborted;
            }
            error_ = error;
            return JobOutcome::Failed;
        }
    }

    running_ = true;
    refreshStatus();
    JobOutcome outcome = JobOutcome::Completed;
    try {
        if (beforePrint_)
            beforePrint_(*this);
        if (!aborted_) {
            home();
            if (onPrint_)
                onPrint_(*this);
        }
    } catch (const std::exception& e) {
        error_ = QString::fromLocal8Bit(e.what());
        outcome = JobOutcome::Failed;
    } catch (...) {
        error_ = QStringLiteral("The print job stopped on an unexpected error.");
        outcome = JobOutcome::Failed;
    }
    running_ = false;
    stream_->finishRecording();

    if (outcome == JobOutcome::Failed || aborted_) {
        stream_.reset();
        refreshStatus();
        return aborted_ && outcome != JobOutcome::Failed ? JobOutcome::Aborted : JobOutcome::Failed;
    }
    if (printerOutput) {
        outcome = StreamPrinter::print(
            *stream_, *printerOutput,
            [this](int page) {
                statusPage_ = page;
                refreshStatus();
                QCoreApplication::processEvents();
                return !aborted_;
            },
            error_);
        statusPage_ = 0;
        if (outcome == JobOutcome::Aborted)
            aborted_ = true;
        if (outcome != JobOutcome::Completed)
            stream_.reset();
    }
    refreshStatus();
    return outcome;
}

void ReportCanvas::newPage()
{
    if (!drawingAllowed())
        return;
    ensurePage();  // the page ends even when nothing was drawn on it
    pageOpen_ = false;
    ++pageNumber_;
    home();
    refreshStatus();
    QCoreApplication::processEvents();
    if (!aborted_ && onNewPage_)
        onNewPage_(*this);
}

void ReportCanvas::abort()
{
    aborted_ = true;
}

std::shared_ptr<PageStream> ReportCanvas::takeStream()
{
    return std::move(stream_);
}

void ReportCanvas::ensurePage()
{
    if (pageOpen_)
        return;
    const QSizeF size = setup_.pageSize();
    pageWidth_ = size.width();
    pageHeight_ = size.height();
    stream_->addPage(pageWidth_, pageHeight_);
    pageOpen_ = true;
    pagePen_ = pageBrush_ = pageFont_ = kNone;
}

// ---- Status ----

void ReportCanvas::setStatusFormat(const QString& format)
{
    statusFormat_ = format;
    refreshStatus();
}

void ReportCanvas::setStatusLine(int which, const QString& text)
{
    if (which == 0 || which == 1)
        statusLines_[which] = text;
    refreshStatus();
}

void ReportCanvas::clearStatusLines()
{
    statusLines_[0].clear();
    statusLines_[1].clear();
    refreshStatus();
}

QString ReportCanvas::statusText() const
{
    // One pass, so that a status line holding "%p" is shown as it is.
    QString text;
    const QString& format = statusFormat_;
    for (qsizetype i = 0; i < format.size(); ++i) {
        if (format[i] == QLatin1Char('%') && i + 1 < format.size()) {
            const QChar code = format[i + 1];
            if (code == QLatin1Char('p')) {
                text += QString::number(statusPage_ > 0 ? statusPage_ : pageNumber_);
                ++i;
                continue;
            }
            if (code == QLatin1Char('0') || code == QLatin1Char('1')) {
                text += statusLines_[code == QLatin1Char('0') ? 0 : 1];
                ++i;
                continue;
            }
        }
        text += format[i];
    }
    return text;
}

void ReportCanvas::setStatusLabel(QLabel* label)
{
    statusLabel_ = label;
    refreshStatus();
}

void ReportCanvas::refreshStatus()
{
    if (statusLabel_)
        statusLabel_->setText(DisplayText(statusText()));
}

// ---- Page model ----

void ReportCanvas::reset()
{
    setMargins(0.5, 0.5, 0.5, 0.5);
    sectionSet_ = false;
    clearTabs();
    savedTabs_.clear();
    home();
}

void ReportCanvas::setMargins(double left, double top, double right, double bottom)
{
    margins_[0] = left;
    margins_[1] = top;
    margins_[2] = right;
    margins_[3] = bottom;
}

void ReportCanvas::setSection(double left, double top, double right, double bottom)
{
    section_[0] = left;
    section_[1] = top;
    section_[2] = right;
    section_[3] = bottom;
    sectionSet_ = true;
}

void ReportCanvas::setSectionLeft(double x)
{
    setSection(x, sectionTop(), sectionRight(), sectionBottom());
}

void ReportCanvas::setSectionTop(double y)
{
    setSection(sectionLeft(), y, sectionRight(), sectionBottom());
}

void ReportCanvas::setSectionRight(double x)
{
    setSection(sectionLeft(), sectionTop(), x, sectionBottom());
}

void ReportCanvas::setSectionBottom(double y)
{
    setSection(sectionLeft(), sectionTop(), sectionRight(), y);
}

double ReportCanvas::sectionLeft() const
{
    return sectionSet_ ? section_[0] : margins_[0];
}

double ReportCanvas::sectionTop() const
{
    return sectionSet_ ? section_[1] : margins_[1];
}

double ReportCanvas::sectionRight() const
{
    return sectionSet_ ? section_[2] : pageWidth() - margins_[2];
}

double ReportCanvas::sectionBottom() const
{
    return sectionSet_ ? section_[3] : pageHeight() - margins_[3];
}

// ---- Font ----

void ReportCanvas::setFont(const ReportFont& font)
{
    const int rotation = font_.rotation;
    font_ = font;
    if (font.rotation % 90 != 0 || font.rotation < 0 || font.rotation > 270)
        font_.rotation = rotation;
    fontRef_ = kNone;
}

void ReportCanvas::setFontName(const QString& name)
{
    font_.name = name;
    fontRef_ = kNone;
}

void ReportCanvas::setFontSize(double points)
{
    font_.size = points;
    fontRef_ = kNone;
}

void ReportCanvas::setBold(bool on)
{
    font_.bold = on;
    fontRef_ = kNone;
}

void ReportCanvas::setItalic(bool on)
{
    font_.italic = on;
    fontRef_ = kNone;
}

void ReportCanvas::setUnderline(bool on)
{
    font_.underline = on;
    fontRef_ = kNone;
}

void ReportCanvas::setFontColor(const QColor& color)
{
    font_.color = color;
    fontRef_ = kNone;
}

void ReportCanvas::setFontRotation(int degrees)
{
    if (degrees != 0 && degrees != 90 && degrees != 180 && degrees != 270)
        return;
    font_.rotation = degrees;
    fontRef_ = kNone;
}

double ReportCanvas::fontAscent() const
{
    return FontCache::instance().entry(font_).ascent;
}

double ReportCanvas::fontDescent() const
{
    return FontCache::instance().entry(font_).descent;
}

double ReportCanvas::textWidth(const QString& text) const
{
    return FontCache::instance().textWidth(font_, text);
}

// ---- Cursor and lines ----

void ReportCanvas::gotoXY(double x, double y)
{
    x_ = x;
    y_ = y;
}

void ReportCanvas::home()
{
    x_ = sectionLeft();
    y_ = sectionTop() + lineHeight() - fontDescent();
    tabIndex_ = -1;
}

void ReportCanvas::newLine()
{
    y_ += lineHeight();
    x_ = sectionLeft();
    tabIndex_ = -1;
}

int ReportCanvas::linesLeft() const
{
    const double height = lineHeight();
    if (height <= 0)
        return 0;
    const double lines = std::floor((sectionBottom() - lineTop() + kLineTolerance) / height);
    return lines > 0 ? static_cast<int>(lines) : 0;
}

// ---- Tabs ----

void ReportCanvas::clearTabs()
{
    tabs_.clear();
    tabIndex_ = -1;
}

void ReportCanvas::addTab(const TabColumn& column)
{
    tabs_.push_back(column);
}

std::vector<TabCell> ReportCanvas::placeTabs() const
{
    std::vector<TabCell> cells;
    cells.reserve(tabs_.size());
    double previousRight = sectionLeft();
    for (const TabColumn& column : tabs_) {
        TabCell cell;
        cell.left = column.position == TabColumn::kAfterPrevious ? previousRight : column.position;
        cell.right = cell.left + column.width;
        cell.margin = column.margin;
        cell.justify = column.justify;
        cells.push_back(cell);
        previousRight = cell.right;
    }
    return cells;
}

void ReportCanvas::tab()
{
    if (tabIndex_ + 1 >= static_cast<int>(tabs_.size())) {
        // Past the last column: text goes at X again, unclipped.
        tabIndex_ = static_cast<int>(tabs_.size());
        return;
    }
    ++tabIndex_;
    const TabColumn& column = tabs_[static_cast<std::size_t>(tabIndex_)];
    const TabCell cell = placeTabs()[static_cast<std::size_t>(tabIndex_)];
    const double top = lineTop();
    const double bottom = lineBottom();
    if (drawingAllowed()) {
        if (column.shade > 0)
            fillRect(QRectF(QPointF(cell.left, top), QPointF(cell.right, bottom)), ShadeColor(column.shade));
        if (column.boxLines & kBoxLeft)
            recordShape(PageOp::Line, cell.left, top, cell.left, bottom);
        if (column.boxLines & kBoxTop)
            recordShape(PageOp::Line, cell.left, top, cell.right, top);
        if (column.boxLines & kBoxRight)
            recordShape(PageOp::Line, cell.right, top, cell.right, bottom);
        if (column.boxLines & kBoxBottom)
            recordShape(PageOp::Line, cell.left, bottom, cell.right, bottom);
    }
    x_ = cell.left + cell.margin;
}

std::optional<TabCell> ReportCanvas::currentTab() const
{
    if (tabIndex_ < 0 || tabIndex_ >= static_cast<int>(tabs_.size()))
        return std::nullopt;
    return placeTabs()[static_cast<std::size_t>(tabIndex_)];
}

void ReportCanvas::saveTabs()
{
    savedTabs_.push_back(tabs_);
}

void ReportCanvas::restoreTabs()
{
    if (savedTabs_.empty())
        return;
    tabs_ = std::move(savedTabs_.back());
    savedTabs_.pop_back();
    tabIndex_ = -1;
}

// ---- Pen and brush ----

void ReportCanvas::setPen(const QColor& color, PenStyle style, PenWidth width, PenMode mode)
{
    pen_ = ReportPen{color, style, width.inches(xdpi()), mode};
    penRef_ = kNone;
}

void ReportCanvas::setPenColor(const QColor& color)
{
    pen_.color = color;
    penRef_ = kNone;
}

void ReportCanvas::setPenStyle(PenStyle style)
{
    pen_.style = style;
    penRef_ = kNone;
}

void ReportCanvas::setPenWidth(PenWidth width)
{
    pen_.width = width.inches(xdpi());
    penRef_ = kNone;
}

void ReportCanvas::setPenMode(PenMode mode)
{
    pen_.mode = mode;
    penRef_ = kNone;
}

void ReportCanvas::setBrush(const QColor& color, BrushStyle style)
{
    brush_ = ReportBrush{color, style};
    brushRef_ = kNone;
}

void ReportCanvas::setBrushColor(const QColor& color)
{
    brush_.color = color;
    brushRef_ = kNone;
}

void ReportCanvas::setBrushStyle(BrushStyle style)
{
    brush_.style = style;
    brushRef_ = kNone;
}

void ReportCanvas::usePen()
{
    if (penRef_ == kNone)
        penRef_ = stream_->internPen(pen_);
    if (pagePen_ != penRef_) {
        stream_->add(PageOp::Pen, penRef_, 0, 0, 0, 0);
        pagePen_ = penRef_;
    }
}

void ReportCanvas::useBrush()
{
    if (brushRef_ == kNone)
        brushRef_ = stream_->internBrush(brush_);
    if (pageBrush_ != brushRef_) {
        stream_->add(PageOp::Brush, brushRef_, 0, 0, 0, 0);
        pageBrush_ = brushRef_;
    }
}

void ReportCanvas::useFont()
{
    if (fontRef_ == kNone)
        fontRef_ = stream_->internFont(font_);
    if (pageFont_ != fontRef_) {
        stream_->add(PageOp::Font, fontRef_, 0, 0, 0, 0);
        pageFont_ = fontRef_;
    }
}

// ---- Drawing ----

void ReportCanvas::recordShape(PageOp op, double x1, double y1, double x2, double y2, std::uint32_t ref)
{
    if (!drawingAllowed())
        return;
    ensurePage();
    usePen();
    if (op != PageOp::Line) {
        useBrush();
        if (pen_.style == PenStyle::InsideFrame) {
            // The outline lies inside the box instead of on its edges.
            const double inset = pen_.width / 2;
            const double dx = x1 <= x2 ? inset : -inset;
            const double dy = y1 <= y2 ? inset : -inset;
            x1 += dx;
            x2 -= dx;
            y1 += dy;
            y2 -= dy;
        }
    }
    stream_->add(op, ref, x1, y1, x2, y2);
}

void ReportCanvas::moveTo(double x, double y)
{
    penX_ = x;
    penY_ = y;
}

void ReportCanvas::lineTo(double x, double y)
{
    recordShape(PageOp::Line, penX_, penY_, x, y);
    penX_ = x;
    penY_ = y;
}

void ReportCanvas::line(double x1, double y1, double x2, double y2)
{
    recordShape(PageOp::Line, x1, y1, x2, y2);
    penX_ = x2;
    penY_ = y2;
}

void ReportCanvas::rectangle(double x1, double y1, double x2, double y2)
{
    recordShape(PageOp::Rectangle, x1, y1, x2, y2);
}

void ReportCanvas::roundRect(double x1, double y1, double x2, double y2, double cornerWidth, double cornerHeight)
{
    if (!drawingAllowed())
        return;
    ensurePage();
    recordShape(PageOp::RoundRect, x1, y1, x2, y2, stream_->addExtras(cornerWidth, cornerHeight));
}

void ReportCanvas::ellipse(double x1, double y1, double x2, double y2)
{
    recordShape(PageOp::Ellipse, x1, y1, x2, y2);
}

void ReportCanvas::fillRect(const QRectF& area, const QColor& color)
{
    if (!drawingAllowed())
        return;
    ensurePage();
    stream_->add(PageOp::Fill, color.rgba(), area.left(), area.top(), area.right(), area.bottom());
}

void ReportCanvas::recordText(const QString& text, TextAnchor anchor, Justify align, double x, double y,
                              const QRectF* clip)
{
    if (!drawingAllowed() || text.isEmpty())
        return;
    ensurePage();
    useFont();
    FontCache& fonts = FontCache::instance();
    const double width = fonts.textWidth(font_, text);
    const std::uint32_t ref = stream_->addRun(TextRun{stream_->internText(text), anchor, align, x, y, width});
    if (!clip) {
        stream_->add(PageOp::Text, ref, 0, 0, 0, 0);
        return;
    }
    std::uint8_t flags = kClipped;
    if (font_.rotation == 0) {
        const FontCache::Entry& metrics = fonts.entry(font_);
        double left = x;
        if (align == Justify::Right)
            left -= width;
        else if (align == Justify::Center)
            left -= width / 2;
        // An italic glyph may lean out of its advance by about a quarter of
        // its height; count that in before trusting the text to fit.
        const double lean = font_.italic ? metrics.ascent / 4 : 0.0;
        const double top = anchor == TextAnchor::Top ? y : y - metrics.ascent;
        const double bottom = top + metrics.ascent + metrics.descent;
        if (left >= clip->left() && left + width + lean <= clip->right() && top >= clip->top()
            && bottom <= clip->bottom())
            flags |= kFitsClip;
    }
    stream_->add(PageOp::Text, ref, clip->left(), clip->top(), clip->right(), clip->bottom(), flags);
}

void ReportCanvas::print(const QString& text)
{
    const double width = textWidth(text);
    if (const std::optional<TabCell> cell = currentTab()) {
        const QRectF clip(QPointF(cell->left, lineTop()), QPointF(cell->right, lineBottom()));
        const double innerLeft = cell->left + cell->margin;
        const double innerRight = cell->right - cell->margin;
        switch (cell->justify) {
        case Justify::Left:
            recordText(text, TextAnchor::Baseline, Justify::Left, innerLeft, y_, &clip);
            x_ = innerLeft + width;
            break;
        case Justify::Right:
            recordText(text, TextAnchor::Baseline, Justify::Right, innerRight, y_, &clip);
            x_ = innerRight;
            break;
        case Justify::Center: {
            const double middle = (innerLeft + innerRight) / 2;
            recordText(text, TextAnchor::Baseline, Justify::Center, middle, y_, &clip);
            x_ = middle + width / 2;
            break;
        }
        }
        return;
    }
    recordText(text, TextAnchor::Baseline, Justify::Left, x_, y_, nullptr);
    x_ += width;
}

void ReportCanvas::printLn(const QString& text)
{
    print(text);
    newLine();
}

void ReportCanvas::printRight(const QString& text, double x)
{
    recordText(text, TextAnchor::Baseline, Justify::Right, x, y_, nullptr);
    x_ = x;
}

void ReportCanvas::printCenter(const QString& text, double x)
{
    recordText(text, TextAnchor::Baseline, Justify::Center, x, y_, nullptr);
    x_ = x;
}

void ReportCanvas::textRect(const QRectF& clip, double x, double y, const QString& text)
{
    recordText(text, TextAnchor::Top, Justify::Left, x, y, &clip);
}

void ReportCanvas::stretchBitmap(const QRectF& area, const QImage& image)
{
    if (!drawingAllowed() || image.isNull())
        return;
    ensurePage();
    stream_->add(PageOp::Bitmap, stream_->internImage(image), area.left(), area.top(), area.right(), area.bottom());
}

void ReportCanvas::stretchMetafile(const QRectF& area, const QByteArray& metafile)
{
    if (!drawingAllowed() || metafile.isEmpty())
        return;
    ensurePage();
    stream_->add(PageOp::Metafile, stream_->internMetafile(metafile), area.left(), area.top(), area.right(),
                 area.bottom());
}

void ReportCanvas::drawing(const QRectF& area, std::shared_ptr<const PageDrawing> picture)
{
    if (!drawingAllowed() || !picture)
        return;
    ensurePage();
    stream_->add(PageOp::Drawing, stream_->addDrawing(std::move(picture)), area.left(), area.top(), area.right(),
                 area.bottom());
}

}  // namespace platform
