#include "platform/print/ScriptedPrinterService.h"

#include "platform/print/PdfOutput.h"
#include "platform/print/PrintSetup.h"
#include "platform/print/SystemPrinterService.h"

namespace platform {

void ScriptedPrinterService::addPrinter(const PrinterInfo& info)
{
    printers_.push_back(info);
}

void ScriptedPrinterService::addPdfPrinter()
{
    printers_.push_back(SystemPrinterService::pdfPrinterInfo());
}

QStringList ScriptedPrinterService::printerNames()
{
    QStringList names;
    for (const PrinterInfo& info : printers_)
        names.append(info.name);
    return names;
}

PrinterInfo ScriptedPrinterService::printerInfo(const QString& name)
{
    for (const PrinterInfo& info : printers_) {
        if (info.name == name)
            return info;
    }
    return PrinterInfo{};
}

QMarginsF ScriptedPrinterService::unprintableMargins(const QString& printer, const PaperInfo&, Orientation orientation)
{
    const QMarginsF upright = printerInfo(printer).margins;
    if (orientation == Orientation::Portrait)
        return upright;
    // Turned a quarter to the left: the upright top edge becomes the left one.
    return QMarginsF(upright.top(), upright.right(), upright.bottom(), upright.left());
}

std::unique_ptr<PrinterOutput> ScriptedPrinterService::openOutput(const OutputRequest& request, bool& cancelled,
                                                                  QString& error)
{
    cancelled = false;
    lastRequest_ = request;
    if (openFails_) {
        error = QStringLiteral("The printer \"%1\" could not be opened.").arg(request.printer);
        return nullptr;
    }
    if (!printerNames().contains(request.printer)) {
        error = QStringLiteral("The printer \"%1\" is not installed.").arg(request.printer);
        return nullptr;
    }
    ++jobsOpened_;
    if (printerInfo(request.printer).pdf)
        return AskPdfOutput(request, cancelled);
    return std::make_unique<PdfOutput>(outputFile_, request.title, 1);
}

bool ScriptedPrinterService::runSetupDialog(PrintSetup& setup, int* copies, QWidget*)
{
    ++dialogsShown_;
    if (!answer_.accept)
        return false;
    if (!answer_.printer.isEmpty())
        setup.selectPrinter(answer_.printer);
    if (!answer_.paper.isEmpty())
        setup.selectPaper(answer_.paper);
    if (answer_.orientation)
        setup.setOrientation(*answer_.orientation);
    if (copies)
        *copies = answer_.copies;
    return true;
}

}  // namespace platform
