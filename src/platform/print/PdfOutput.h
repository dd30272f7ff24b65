#pragma once
// PdfOutput: a print job that writes a PDF file, page by page, with pages of
// the size each page of the job has (full page: no margins). The file is
// written under a temporary name beside the target and renamed into place
// when the job ends, so an aborted or failed job leaves no partial file and
// never destroys a file that was there before.
// Used by the built-in "PDF file" printer and by scripted printers in tests.
#include "platform/print/PrinterService.h"

#include <QPdfWriter>
#include <QSaveFile>

#include <memory>

namespace platform {

class PdfOutput : public PrinterOutput {
public:
    PdfOutput(const QString& path, const QString& title, int copies);
    ~PdfOutput() override;

    bool begin(QPainter& painter, const QSizeF& pageSize) override;
    bool newPage(const QSizeF& pageSize) override;
    bool end(QPainter& painter) override;
    void abort(QPainter& painter) override;
    QString error() const override { return error_; }
    int pagePasses() const override { return copies_; }

    // The resolution the PDF is drawn at, in units per inch.
    static constexpr int kResolution = 1200;

private:
    QString path_;
    QString title_;
    int copies_;
    QString error_;
    std::unique_ptr<QSaveFile> file_;
    std::unique_ptr<QPdfWriter> writer_;
};

// Asks for the PDF file's name with the save dialog of the current
// UserInterface and prepares the job; null with `cancelled` when the user
// cancels.
std::unique_ptr<PrinterOutput> AskPdfOutput(const OutputRequest& request, bool& cancelled);

// The page layout of a page of `size` inches as it stands: the paper upright
// and the orientation that turns it, no margins.
QPageLayout FullPageLayout(const QSizeF& size);

}  // namespace platform
