#pragma once
// PagePainter: plays pages of a PageStream onto a QPainter — a printer, a
// PDF writer, the preview widget or an image. It is the one drawing path of
// recorded pages; StreamPrinter and the preview both use it.
//
// The painter's transform must put the paper's top-left corner at (0, 0),
// and one inch must span `pixelsPerInch` device pixels (logical pixels on a
// widget); the painter must have no clip of its own (text clipping replaces
// it). Fonts are resolved against the painter's device, so text keeps its
// point size at any zoom. Pens never get thinner than one device pixel.
// PagePainter leaves the painter's state as it found it.
// Requires: a QGuiApplication exists; the stream outlives the player.
#include "platform/print/PageStream.h"

#include <QPainter>

#include <functional>

namespace platform {

class PagePainter {
public:
    // Draws a metafile (its file's bytes) stretched into `box` (painter
    // units); false when it cannot, and the player draws a placeholder.
    using MetafileRenderer = std::function<bool(QPainter&, const QRectF& box, const QByteArray& metafile)>;

    PagePainter(const PageStream& stream, QPainter& painter, double pixelsPerInch);

    void paintPage(int index);

    // Installed by the picture layer; until one is installed metafiles are
    // drawn as a placeholder frame.
    static void setMetafileRenderer(MetafileRenderer renderer);

private:
    void applyPen(const ReportPen& wanted);
    void drawText(const PageStream::Page& page, const PageCommand& command);
    void drawMetafile(const QRectF& box, const QByteArray& bytes);
    QRectF box(const PageCommand& command) const;

    const PageStream& stream_;
    QPainter& painter_;
    double pixelsPerInch_;
    double unitsPerInch_ = 0;   // the device's logical resolution
    bool rasterOps_ = false;
    ReportFont font_;
    QPen pen_;  // the stream's current pen
};

}  // namespace platform
