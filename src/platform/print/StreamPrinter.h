#pragma once
// StreamPrinter: sends the pages of a PageStream to an open PrinterOutput (a
// printer or a PDF file), each page at its own size, as many times as the
// output needs for the copies. Between pages it asks `progress` whether to go
// on; a "no" aborts the output, which discards the job (a PDF file is not
// left behind). A stream without pages sends nothing and opens nothing.
// Requires: a QGuiApplication exists.
#include "platform/print/PageStream.h"
#include "platform/print/PrinterService.h"

#include <functional>

namespace platform {

class StreamPrinter {
public:
    // Called before each page is sent, with the page's number (from 1), and
    // once more before the job is closed; false stops the job.
    using Progress = std::function<bool(int page)>;

    static JobOutcome print(const PageStream& stream, PrinterOutput& output, const Progress& progress,
                            QString& error);
};

}  // namespace platform
