#pragma once
// PageStream: the recorded output of one report canvas job — for each page
// its size and the list of drawing commands in inches — and the only thing a
// job produces. Players draw it onto a printer or a PDF file (StreamPrinter),
// onto the preview (PagePainter) and into plain data for tests (PageItems).
//
// The form is flat and cheap, because a label job of 10,000 addresses with
// POSTNET bars records some 700,000 commands: every command is one 40-byte
// PageCommand in its page's vector; pens, brushes, fonts, texts, images and
// metafiles live once in stream-wide tables and commands refer to them by
// index. State commands (Pen, Brush, Font) are recorded only when the state a
// drawing needs differs from what the page already has; every page starts
// with no state, so any page can be played alone.
//
// Ownership: a job creates its stream and hands it out as a shared pointer;
// the preview keeps it alive while it shows it. A stream is written by one
// recorder (ReportCanvas) and then only read.
#include "platform/print/PrintTypes.h"

#include <QByteArray>
#include <QHash>
#include <QImage>
#include <QPainter>
#include <QRectF>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace platform {

enum class PageOp : std::uint8_t {
    Pen,        // ref: index into pens()
    Brush,      // ref: index into brushes()
    Font,       // ref: index into fonts()
    Line,       // from (a, b) to (c, d) with the pen
    Rectangle,  // box (a, b)-(c, d), outlined with the pen, filled with the brush
    Ellipse,    // as Rectangle, the ellipse inside the box
    RoundRect,  // as Rectangle; ref: index of the corner ellipse's width in extras (height follows)
    Fill,       // box filled with the colour ref (a QRgb), no outline, state untouched
    Text,       // ref: index into runs(); box: the clip rectangle when kClipped is set
    Bitmap,     // ref: index into images(), stretched into the box
    Metafile,   // ref: index into metafiles(), stretched into the box
    Drawing,    // ref: index into drawings(), drawn into the box
};

// Flags of a Text command.
enum : std::uint8_t {
    kClipped = 1,   // the text is clipped to the box
    kFitsClip = 2,  // measured at record time, the text lies inside its clip box
};

struct PageCommand {
    PageOp op;
    std::uint8_t flags;
    std::uint32_t ref;
    double a, b, c, d;  // a box (left, top, right, bottom) or a line's two ends
};

// One recorded text. (x, y) is the origin as the caller gave it: the top-left
// corner or the baseline start (anchor), before alignment; align tells whether
// x is the text's left end, centre or right end. width is the text's advance
// measured at kStreamDpi, so every player aligns and clips alike.
struct TextRun {
    std::uint32_t text;
    TextAnchor anchor;
    Justify align;
    double x, y;
    double width;
};

// A picture drawn by someone else's code (a rich-text page, say), stored in
// the stream and drawn by every player. `box` is in the painter's logical
// units, `unitsPerInch` of them making an inch.
class PageDrawing {
public:
    virtual ~PageDrawing() = default;
    virtual void draw(QPainter& painter, const QRectF& box, double unitsPerInch) const = 0;
};

class PageStream {
public:
    class Page {
    public:
        Page(double width, double height) : width_(width), height_(height) {}
        double width() const { return width_; }    // inches
        double height() const { return height_; }  // inches
        const std::vector<PageCommand>& commands() const { return commands_; }
        const TextRun& run(std::uint32_t index) const { return runs_[index]; }
        // The corner ellipse (width, height) of a RoundRect command.
        double extra(std::uint32_t index) const { return extras_[index]; }

    private:
        friend class PageStream;
        double width_;
        double height_;
        std::vector<PageCommand> commands_;
        std::vector<TextRun> runs_;
        std::vector<double> extras_;
    };

    int pageCount() const { return static_cast<int>(pages_.size()); }
    // Requires: 0 <= index < pageCount().
    const Page& page(int index) const { return pages_[static_cast<std::size_t>(index)]; }

    const ReportPen& pen(std::uint32_t index) const { return pens_[index]; }
    const ReportBrush& brush(std::uint32_t index) const { return brushes_[index]; }
    const ReportFont& font(std::uint32_t index) const { return fonts_[index]; }
    const QString& text(std::uint32_t index) const { return texts_[index]; }
    const QImage& image(std::uint32_t index) const { return images_[index]; }
    const QByteArray& metafile(std::uint32_t index) const { return metafiles_[index]; }
    const PageDrawing& drawing(std::uint32_t index) const { return *drawings_[index]; }

    // Bytes the stream holds (vectors' capacity and table contents), for
    // benchmarks and the memory budget.
    std::size_t memoryBytes() const;

    // Recording (ReportCanvas). Commands go to the last page.
    void addPage(double width, double height);
    void add(PageOp op, std::uint32_t ref, double a, double b, double c, double d, std::uint8_t flags = 0);
    std::uint32_t addRun(const TextRun& run);
    std::uint32_t addExtras(double first, double second);
    std::uint32_t internPen(const ReportPen& pen);
    std::uint32_t internBrush(const ReportBrush& brush);
    std::uint32_t internFont(const ReportFont& font);
    std::uint32_t internText(const QString& text);
    std::uint32_t internImage(const QImage& image);
    std::uint32_t internMetafile(const QByteArray& bytes);
    std::uint32_t addDrawing(std::shared_ptr<const PageDrawing> drawing);
    // Ends recording: drops the look-up tables that only serve interning and
    // trims the last page's vectors.
    void finishRecording();

private:
    std::vector<Page> pages_;
    std::vector<ReportPen> pens_;
    std::vector<ReportBrush> brushes_;
    std::vector<ReportFont> fonts_;
    std::vector<QString> texts_;
    std::vector<QImage> images_;
    std::vector<QByteArray> metafiles_;
    std::vector<std::shared_ptr<const PageDrawing>> drawings_;
    QHash<QString, std::uint32_t> textIndex_;
    QHash<qint64, std::uint32_t> imageIndex_;
};

}  // namespace platform
