#include "platform/print/PageItems.h"

namespace platform {

std::vector<PageItem> PageItems(const PageStream& stream, int index)
{
    std::vector<PageItem> items;
    const PageStream::Page& page = stream.page(index);
    ReportPen pen;
    ReportBrush brush;
    ReportFont font;
    for (const PageCommand& command : page.commands()) {
        switch (command.op) {
        case PageOp::Pen:
            pen = stream.pen(command.ref);
            continue;
        case PageOp::Brush:
            brush = stream.brush(command.ref);
            continue;
        case PageOp::Font:
            font = stream.font(command.ref);
            continue;
        default:
            break;
        }
        PageItem item;
        item.op = command.op;
        item.x1 = command.a;
        item.y1 = command.b;
        item.x2 = command.c;
        item.y2 = command.d;
        switch (command.op) {
        case PageOp::Line:
            item.pen = pen;
            break;
        case PageOp::Rectangle:
        case PageOp::Ellipse:
            item.pen = pen;
            item.brush = brush;
            break;
        case PageOp::RoundRect:
            item.pen = pen;
            item.brush = brush;
            item.cornerWidth = page.extra(command.ref);
            item.cornerHeight = page.extra(command.ref + 1);
            break;
        case PageOp::Fill:
            item.fill = QColor::fromRgba(command.ref);
            break;
        case PageOp::Text: {
            const TextRun& run = page.run(command.ref);
            item.text = stream.text(run.text);
            item.font = font;
            item.x = run.x;
            item.y = run.y;
            item.anchor = run.anchor;
            item.align = run.align;
            item.width = run.width;
            item.clipped = (command.flags & kClipped) != 0;
            break;
        }
        case PageOp::Bitmap:
            item.image = stream.image(command.ref);
            break;
        default:
            break;
        }
        items.push_back(std::move(item));
    }
    return items;
}

}  // namespace platform
