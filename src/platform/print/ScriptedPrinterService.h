#pragma once
// ScriptedPrinterService: the printers a test describes, for PrinterService.
// It starts with no printer at all ("no printers installed"); a test adds
// printers (addPdfPrinter() adds the built-in "PDF file" printer as the real
// service has it), names the default (or none), and scripts the answers of
// the set-up and print dialogs. A job on the "PDF file" printer writes a real
// PDF (its name comes from the UserInterface save dialog, scripted too); a job
// on any other scripted printer is written as a PDF to printerOutputFile(),
// so a test sees what reached the printer. setOpenFails() makes every printer
// impossible to open.
// Install with PrinterService::setCurrent(&service); keep it alive meanwhile.
#include "platform/print/PrinterService.h"

#include <optional>

namespace platform {

class ScriptedPrinterService : public PrinterService {
public:
    struct DialogAnswer {
        bool accept = true;
        QString printer;                        // empty: keep the printer
        QString paper;                          // empty: keep the paper
        std::optional<Orientation> orientation; // nothing: keep it
        int copies = 1;                         // for the print dialog
    };

    void addPrinter(const PrinterInfo& info);
    void addPdfPrinter();
    void setDefaultPrinter(const QString& name) { default_ = name; }
    void setPrinterOutputFile(const QString& path) { outputFile_ = path; }
    void setOpenFails(bool fails) { openFails_ = fails; }
    void setDialogAnswer(const DialogAnswer& answer) { answer_ = answer; }
    int dialogsShown() const { return dialogsShown_; }
    int jobsOpened() const { return jobsOpened_; }
    const OutputRequest& lastRequest() const { return lastRequest_; }

    QStringList printerNames() override;
    QString defaultPrinterName() override { return default_; }
    PrinterInfo printerInfo(const QString& name) override;
    QMarginsF unprintableMargins(const QString& printer, const PaperInfo& paper, Orientation orientation) override;
    std::unique_ptr<PrinterOutput> openOutput(const OutputRequest& request, bool& cancelled, QString& error) override;
    bool runSetupDialog(PrintSetup& setup, int* copies, QWidget* parent) override;

private:
    std::vector<PrinterInfo> printers_;
    QString default_;
    QString outputFile_;
    bool openFails_ = false;
    DialogAnswer answer_;
    int dialogsShown_ = 0;
    int jobsOpened_ = 0;
    OutputRequest lastRequest_;
};

}  // namespace platform
