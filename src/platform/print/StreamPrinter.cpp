#include "platform/print/StreamPrinter.h"

#include "platform/print/PagePainter.h"

#include <QPaintDevice>

namespace platform {

JobOutcome StreamPrinter::print(const PageStream& stream, PrinterOutput& output, const Progress& progress,
                                QString& error)
{
    if (stream.pageCount() == 0)
        return JobOutcome::Completed;
    QPainter painter;
    bool begun = false;
    int lastPage = 0;
    for (int pass = 0; pass < output.pagePasses(); ++pass) {
        for (int index = 0; index < stream.pageCount(); ++index) {
            lastPage = index + 1;
            if (progress && !progress(lastPage)) {
                if (begun)
                    output.abort(painter);
                return JobOutcome::Aborted;
            }
            const PageStream::Page& page = stream.page(index);
            const QSizeF size(page.width(), page.height());
            if (!begun) {
                if (!output.begin(painter, size)) {
                    error = output.error();
                    return JobOutcome::Failed;
                }
                begun = true;
            } else if (!output.newPage(size)) {
                error = output.error();
                output.abort(painter);
                return JobOutcome::Failed;
            }
            PagePainter player(stream, painter, painter.device()->logicalDpiY());
            player.paintPage(index);
        }
    }
    if (progress && !progress(lastPage)) {
        output.abort(painter);
        return JobOutcome::Aborted;
    }
    if (!output.end(painter)) {
        error = output.error();
        return JobOutcome::Failed;
    }
    return JobOutcome::Completed;
}

}  // namespace platform
