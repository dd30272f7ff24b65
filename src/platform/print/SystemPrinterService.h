#pragma once
// SystemPrinterService: the real PrinterService. Its printers are the
// system's (CUPS, through QPrinterInfo) followed by the built-in "PDF file"
// printer, which is always installed and is the default when the system has
// no default printer. Printing to "PDF file" asks for the file name through
// the UserInterface save dialog. The set-up and print dialogs are
// PrinterSetupDialog. The system's list is read once and kept; refresh()
// reads it again.
// Requires: a QApplication exists.
#include "platform/print/PrinterService.h"

#include <QHash>

#include <optional>

namespace platform {

class SystemPrinterService : public PrinterService {
public:
    QStringList printerNames() override;
    QString defaultPrinterName() override;
    PrinterInfo printerInfo(const QString& name) override;
    QMarginsF unprintableMargins(const QString& printer, const PaperInfo& paper, Orientation orientation) override;
    std::unique_ptr<PrinterOutput> openOutput(const OutputRequest& request, bool& cancelled, QString& error) override;
    bool runSetupDialog(PrintSetup& setup, int* copies, QWidget* parent) override;

    // Forgets what was read from the system.
    void refresh();

    // The description of the built-in "PDF file" printer.
    static PrinterInfo pdfPrinterInfo();

private:
    void load();

    std::optional<QStringList> systemNames_;
    QString systemDefault_;
    QHash<QString, PrinterInfo> infos_;
    QHash<QString, QMarginsF> margins_;
};

}  // namespace platform
