#include "platform/print/PagePainter.h"

#include "platform/print/FontCache.h"

#include <QPaintDevice>
#include <QPaintEngine>

#include <algorithm>

namespace platform {

namespace {

PagePainter::MetafileRenderer& Renderer()
{
    static PagePainter::MetafileRenderer renderer;
    return renderer;
}

// Dash patterns as lengths in 1/96 inch (on, off, ...), so that a dotted line
// looks alike on the screen and on a 1200-dpi page.
QList<qreal> DashLengths(PenStyle style)
{
    switch (style) {
    case PenStyle::Dash: return {18, 6};
    case PenStyle::Dot: return {3, 3};
    case PenStyle::DashDot: return {9, 6, 3, 6};
    case PenStyle::DashDotDot: return {9, 3, 3, 3, 3, 3};
    default: return {};
    }
}

Qt::BrushStyle ToQt(BrushStyle style)
{
    switch (style) {
    case BrushStyle::Solid: return Qt::SolidPattern;
    case BrushStyle::Clear: return Qt::NoBrush;
    case BrushStyle::Horizontal: return Qt::HorPattern;
    case BrushStyle::Vertical: return Qt::VerPattern;
    case BrushStyle::ForwardDiagonal: return Qt::FDiagPattern;
    case BrushStyle::BackwardDiagonal: return Qt::BDiagPattern;
    case BrushStyle::Cross: return Qt::CrossPattern;
    case BrushStyle::DiagonalCross: return Qt::DiagCrossPattern;
    }
    return Qt::SolidPattern;
}

QPainter::CompositionMode ToQt(PenMode mode)
{
    switch (mode) {
    case PenMode::Copy: return QPainter::CompositionMode_SourceOver;
    case PenMode::Xor: return QPainter::RasterOp_SourceXorDestination;
    case PenMode::NotXor: return QPainter::RasterOp_NotSourceXorDestination;
    case PenMode::Not: return QPainter::RasterOp_NotDestination;
    }
    return QPainter::CompositionMode_SourceOver;
}

}  // namespace

PagePainter::PagePainter(const PageStream& stream, QPainter& painter, double pixelsPerInch)
    : stream_(stream), painter_(painter), pixelsPerInch_(pixelsPerInch)
{
    const QPaintDevice* device = painter.device();
    // Devices here have square pixels; the vertical resolution is the one
    // fonts are sized with.
    unitsPerInch_ = device ? device->logicalDpiY() : 96.0;
    rasterOps_ = painter.paintEngine() && painter.paintEngine()->hasFeature(QPaintEngine::RasterOpModes);
}

void PagePainter::setMetafileRenderer(MetafileRenderer renderer)
{
    Renderer() = std::move(renderer);
}

QRectF PagePainter::box(const PageCommand& command) const
{
    const double u = unitsPerInch_;
    return QRectF(QPointF(command.a * u, command.b * u), QPointF(command.c * u, command.d * u)).normalized();
}

void PagePainter::applyPen(const ReportPen& wanted)
{
    if (wanted.style == PenStyle::Clear) {
        pen_ = QPen(Qt::NoPen);
        painter_.setPen(pen_);
        return;
    }
    // One device pixel is the thinnest line any device shows.
    const double width = std::max(wanted.width * unitsPerInch_, unitsPerInch_ / pixelsPerInch_);
    QPen pen(wanted.color, width, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin);
    const QList<qreal> lengths = DashLengths(wanted.style);
    if (!lengths.isEmpty()) {
        QList<qreal> pattern;
        for (qreal length : lengths)
            pattern.append(length / 96.0 * unitsPerInch_ / width);
        pen.setDashPattern(pattern);
        pen.setCapStyle(Qt::FlatCap);
    }
    pen_ = pen;
    painter_.setPen(pen);
    if (rasterOps_)
        painter_.setCompositionMode(ToQt(wanted.mode));
}

void PagePainter::paintPage(int index)
{
    if (index < 0 || index >= stream_.pageCount())
        return;
    const PageStream::Page& page = stream_.page(index);
    const double scale = pixelsPerInch_ / unitsPerInch_;
    painter_.save();
    painter_.scale(scale, scale);
    // Hatches follow the page's transform instead of the device's pixels.
    painter_.setRenderHint(QPainter::NonCosmeticBrushPatterns);
    pen_ = QPen(Qt::NoPen);
    painter_.setPen(pen_);
    painter_.setBrush(Qt::NoBrush);

    for (const PageCommand& command : page.commands()) {
        switch (command.op) {
        case PageOp::Pen:
            applyPen(stream_.pen(command.ref));
            break;
        case PageOp::Brush: {
            const ReportBrush& wanted = stream_.brush(command.ref);
            QBrush brush(wanted.color, ToQt(wanted.style));
            // A hatch cell is 8 pattern units: make them 1/96 inch each, so
            // a hatch looks alike on the screen and on a 1200-dpi page.
            brush.setTransform(QTransform::fromScale(unitsPerInch_ / 96.0, unitsPerInch_ / 96.0));
            painter_.setBrush(brush);
            break;
        }
        case PageOp::Font:
            font_ = stream_.font(command.ref);
            painter_.setFont(FontCache::instance().entry(font_).font);
            break;
        case PageOp::Line:
            painter_.drawLine(QPointF(command.a * unitsPerInch_, command.b * unitsPerInch_),
                              QPointF(command.c * unitsPerInch_, command.d * unitsPerInch_));
            break;
        case PageOp::Rectangle:
            painter_.drawRect(box(command));
            break;
        case PageOp::Ellipse:
            painter_.drawEllipse(box(command));
            break;
        case PageOp::RoundRect:
            painter_.drawRoundedRect(box(command), page.extra(command.ref) * unitsPerInch_ / 2,
                                     page.extra(command.ref + 1) * unitsPerInch_ / 2);
            break;
        case PageOp::Fill:
            painter_.fillRect(box(command), QColor::fromRgba(command.ref));
            break;
        case PageOp::Text:
            drawText(page, command);
            break;
        case PageOp::Bitmap:
            painter_.drawImage(box(command), stream_.image(command.ref));
            break;
        case PageOp::Metafile:
            drawMetafile(box(command), stream_.metafile(command.ref));
            break;
        case PageOp::Drawing:
            painter_.save();
            stream_.drawing(command.ref).draw(painter_, box(command), unitsPerInch_);
            painter_.restore();
            break;
        }
    }
    painter_.restore();
}

void PagePainter::drawText(const PageStream::Page& page, const PageCommand& command)
{
    const TextRun& run = page.run(command.ref);
    const QString& text = stream_.text(run.text);
    const double u = unitsPerInch_;
    double dx = 0;
    if (run.align == Justify::Right)
        dx = -run.width;
    else if (run.align == Justify::Center)
        dx = -run.width / 2;
    const double dy = run.anchor == TextAnchor::Top ? FontCache::instance().entry(font_).ascent : 0.0;

    // Text that was measured to lie inside its box needs no clip; clipping
    // each of thousands of label lines would slow a PDF down by half.
    const bool clip = (command.flags & kClipped) && !(command.flags & kFitsClip);
    if (clip)
        painter_.setClipRect(box(command));
    painter_.setPen(QPen(font_.color));
    if (font_.rotation == 0) {
        painter_.drawText(QPointF((run.x + dx) * u, (run.y + dy) * u), text);
    } else {
        painter_.save();
        painter_.translate(run.x * u, run.y * u);
        painter_.rotate(-font_.rotation);
        painter_.drawText(QPointF(dx * u, dy * u), text);
        painter_.restore();
    }
    // Shapes after the text draw with the pen the stream last set.
    painter_.setPen(pen_);
    if (clip)
        painter_.setClipping(false);
}

void PagePainter::drawMetafile(const QRectF& box, const QByteArray& bytes)
{
    painter_.save();
    const bool drawn = Renderer() && Renderer()(painter_, box, bytes);
    painter_.restore();
    if (drawn)
        return;
    // No picture layer reads metafiles yet: mark the picture's place with a
    // grey frame and its diagonals, kept inside the box.
    painter_.save();
    painter_.setClipRect(box, Qt::IntersectClip);
    QPen frame(QColor(128, 128, 128), unitsPerInch_ / pixelsPerInch_);
    painter_.setPen(frame);
    painter_.setBrush(Qt::NoBrush);
    painter_.drawRect(box);
    painter_.drawLine(box.topLeft(), box.bottomRight());
    painter_.drawLine(box.topRight(), box.bottomLeft());
    painter_.restore();
    painter_.setClipping(false);
}

}  // namespace platform
