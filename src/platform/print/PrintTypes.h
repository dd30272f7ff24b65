#pragma once
// The small value types of the report canvas: fonts, pens, brushes, tab
// columns, text anchoring, page orientation and the outcome of a job. All
// lengths are inches (double) from the paper's top-left corner, y down;
// colours are QColor. These values are copied freely and stored by value in
// the page stream's shared tables (PageStream.h).
#include <QColor>
#include <QString>

#include <cstdint>

namespace platform {

// The resolution the page stream is recorded and measured at, in device
// pixels per inch. Text widths, ascents and "one device pixel" of a job are
// worked out at this resolution whatever the output later is, so preview and
// paper break lines at the same places.
inline constexpr double kStreamDpi = 600.0;

enum class Orientation { Portrait, Landscape };

enum class PenStyle : std::uint8_t { Solid, Dash, Dot, DashDot, DashDotDot, Clear, InsideFrame };

// How the pen combines with what is already on the page. Only raster outputs
// (the preview) can combine; printers and PDF files draw every mode as Copy.
enum class PenMode : std::uint8_t { Copy, Xor, NotXor, Not };

enum class BrushStyle : std::uint8_t {
    Solid, Clear, Horizontal, Vertical, ForwardDiagonal, BackwardDiagonal, Cross, DiagonalCross
};

// A font as the canvas knows it. Size is in points; rotation is counter-
// clockwise in degrees and one of 0, 90, 180, 270.
struct ReportFont {
    QString name = QStringLiteral("Arial");
    double size = 10.0;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    QColor color = Qt::black;
    int rotation = 0;

    friend bool operator==(const ReportFont&, const ReportFont&) = default;
};

// A pen whose width is already in inches, never below one device pixel of
// the resolution it was recorded at (kStreamDpi). Players widen it again to
// one pixel of their own device when needed.
struct ReportPen {
    QColor color = Qt::black;
    PenStyle style = PenStyle::Solid;
    double width = 1.0 / kStreamDpi;
    PenMode mode = PenMode::Copy;

    friend bool operator==(const ReportPen&, const ReportPen&) = default;
};

struct ReportBrush {
    QColor color = Qt::white;
    BrushStyle style = BrushStyle::Solid;

    friend bool operator==(const ReportBrush&, const ReportBrush&) = default;
};

// A pen width as callers give it: in device pixels of the canvas, or in
// hundredths of an inch. A negative device-pixel count n means -n hundredths
// of an inch (the report printing convention "-1 is 1/100 inch").
class PenWidth {
public:
    static PenWidth DevicePixels(int pixels) { return PenWidth(pixels, false); }
    static PenWidth Hundredths(double hundredths) { return PenWidth(hundredths, true); }

    // The width in inches for a device of `dpi` pixels per inch, at least one
    // device pixel (a zero width is one pixel, as a cosmetic pen).
    double inches(double dpi) const;

private:
    PenWidth(double value, bool hundredths) : value_(value), hundredths_(hundredths) {}
    double value_;
    bool hundredths_;
};

enum class Justify : std::uint8_t { Left, Center, Right };

// Box lines of a tab cell, combined with |.
enum BoxLine : unsigned { kBoxNone = 0, kBoxLeft = 1, kBoxTop = 2, kBoxRight = 4, kBoxBottom = 8, kBoxAll = 15 };

// One tab column. `position` is the column's left edge in inches from the
// paper's left edge, or kAfterPrevious to start where the previous column ends
// (the first such column starts at the section's left edge). `margin` is the
// inner margin kept between the cell's edge and its text, in inches.
struct TabColumn {
    static constexpr double kAfterPrevious = -1.0e300;
    double position = kAfterPrevious;
    double width = 1.0;
    Justify justify = Justify::Left;
    double margin = 0.0;
    unsigned boxLines = kBoxNone;
    int shade = 0;  // 0..100 percent of black

    friend bool operator==(const TabColumn&, const TabColumn&) = default;
};

// Where a recorded text's origin lies: at the top-left of the text (the
// clipped-text call) or on its baseline (printing at the cursor).
enum class TextAnchor : std::uint8_t { Top, Baseline };

// How a job ended. Failed covers a handler that threw, a printer that could
// not be opened and a PDF file that could not be written; it is never
// reported as a completed job.
enum class JobOutcome { Completed, Aborted, Failed };

}  // namespace platform
