#pragma once
// PageItems: the player that turns a recorded page into plain data, each
// drawing with the pen, brush or font in effect folded in. Tests read a job
// this way ("the ZIP text of label 7 sits at (1.234, 2.5) in Arial 10")
// instead of looking at pixels. Coordinates are the recorded inches,
// unchanged.
#include "platform/print/PageStream.h"

#include <QImage>
#include <QString>

#include <vector>

namespace platform {

struct PageItem {
    PageOp op = PageOp::Line;  // never Pen, Brush or Font: their state is folded in
    // The box (left, top, right, bottom) of a shape, fill, picture or a text's
    // clip, or a line's two ends (x1, y1)-(x2, y2).
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    ReportPen pen;          // Line, Rectangle, Ellipse, RoundRect
    ReportBrush brush;      // Rectangle, Ellipse, RoundRect
    QColor fill;          // Fill
    double cornerWidth = 0, cornerHeight = 0;  // RoundRect
    // Text
    QString text;
    ReportFont font;
    double x = 0, y = 0;  // the origin as recorded
    TextAnchor anchor = TextAnchor::Baseline;
    Justify align = Justify::Left;
    double width = 0;     // measured at kStreamDpi, inches
    bool clipped = false; // clipped to (x1, y1)-(x2, y2)
    // Bitmap
    QImage image;
};

// The drawings of page `index` in the order they were made.
// Requires: 0 <= index < stream.pageCount().
std::vector<PageItem> PageItems(const PageStream& stream, int index);

}  // namespace platform
