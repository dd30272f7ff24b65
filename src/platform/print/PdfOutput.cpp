#include "platform/print/PdfOutput.h"

#include "platform/ui/UserInterface.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace platform {

QPageLayout FullPageLayout(const QSizeF& size)
{
    const bool landscape = size.width() > size.height();
    const QSizeF upright = landscape ? size.transposed() : size;
    return QPageLayout(QPageSize(upright, QPageSize::Inch), landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                       QMarginsF(0, 0, 0, 0));
}

std::unique_ptr<PrinterOutput> AskPdfOutput(const OutputRequest& request, bool& cancelled)
{
    FileDialogRequest dialog;
    dialog.title = QStringLiteral("Print to PDF File");
    dialog.fileName = (request.title.isEmpty() ? QStringLiteral("Quillpost") : request.title) + QStringLiteral(".pdf");
    dialog.filter = QStringLiteral("PDF files|*.pdf|All files|*.*");
    dialog.defaultExtension = QStringLiteral("pdf");
    dialog.confirmOverwrite = true;
    const std::optional<QString> path = UserInterface::current().getSaveFileName(dialog);
    cancelled = !path || path->isEmpty();
    if (cancelled)
        return nullptr;
    return std::make_unique<PdfOutput>(*path, request.title, request.copies);
}

PdfOutput::PdfOutput(const QString& path, const QString& title, int copies)
    : path_(path), title_(title), copies_(std::max(copies, 1))
{
}

PdfOutput::~PdfOutput()
{
    // A job that never reached end() must not leave its file behind; the
    // save file discards its temporary copy when destroyed uncommitted.
    writer_.reset();
    file_.reset();
}

bool PdfOutput::begin(QPainter& painter, const QSizeF& pageSize)
{
    file_ = std::make_unique<QSaveFile>(path_);
    if (!file_->open(QIODevice::WriteOnly)) {
        error_ = QStringLiteral("The PDF file \"%1\" could not be written: %2")
                     .arg(QDir::toNativeSeparators(path_), file_->errorString());
        file_.reset();
        return false;
    }
    writer_ = std::make_unique<QPdfWriter>(file_.get());
    writer_->setResolution(kResolution);
    writer_->setCreator(QStringLiteral("Quillpost"));
    writer_->setTitle(title_);
    writer_->setPageLayout(FullPageLayout(pageSize));
    if (!painter.begin(writer_.get())) {
        error_ = QStringLiteral("The PDF file \"%1\" could not be written.").arg(QDir::toNativeSeparators(path_));
        writer_.reset();
        file_.reset();
        return false;
    }
    return true;
}

bool PdfOutput::newPage(const QSizeF& pageSize)
{
    writer_->setPageLayout(FullPageLayout(pageSize));
    return writer_->newPage();
}

bool PdfOutput::end(QPainter& painter)
{
    const bool painted = painter.end();
    writer_.reset();
    if (!painted || file_->error() != QFileDevice::NoError || !file_->commit()) {
        error_ = QStringLiteral("The PDF file \"%1\" could not be written: %2")
                     .arg(QDir::toNativeSeparators(path_), file_->errorString());
        file_.reset();
        return false;
    }
    file_.reset();
    return true;
}

void PdfOutput::abort(QPainter& painter)
{
    if (painter.isActive())
        painter.end();
    writer_.reset();
    if (file_) {
        file_->cancelWriting();
        file_.reset();
    }
}

}  // namespace platform
