#pragma once
// PrinterService: the door to the installed printers — their names, the
// default, what papers and bins each offers, its unprintable margins, the
// printer set-up and print dialogs, and opening a print job on one of them.
// Windows and the print layer never ask QPrinterInfo themselves, so that a
// test can say "no printers installed", "no default printer", or "the printer
// cannot be opened".
//
// The process has one current instance: the real one (SystemPrinterService:
// the system's printers plus the built-in "PDF file" printer, which is always
// installed) until another is installed with setCurrent(), typically a
// ScriptedPrinterService in a test. The installer keeps its instance alive
// while it is current; setCurrent(nullptr) brings back the real one.
//
// Lengths are inches; paper sizes are given as the paper stands upright
// (portrait), margins as left, top, right, bottom of the page as it stands in
// the given orientation.
#include "platform/print/PrintTypes.h"

#include <QMarginsF>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QSizeF>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class QWidget;

namespace platform {

class PrintSetup;

// The name of the built-in printer that writes PDF files.
inline const QString kPdfPrinterName = QStringLiteral("PDF file");

struct PaperInfo {
    QString name;        // as the printer lists it ("Letter", "A4", "Envelope #10")
    int code = 0;        // Windows paper code (1 Letter, 9 A4, 11 A5, 20 #10 envelope); 0 custom
    QSizeF size;         // inches, upright

    friend bool operator==(const PaperInfo&, const PaperInfo&) = default;
};

struct PrinterInfo {
    QString name;
    bool pdf = false;                     // writes a PDF file instead of printing
    std::vector<PaperInfo> papers;
    bool customPapers = false;            // accepts any paper size
    int defaultPaper = 0;                 // index into papers
    QStringList bins;
    int defaultBin = 0;                   // index into bins
    Orientation defaultOrientation = Orientation::Portrait;
    QMarginsF margins;                    // unprintable margins (inches), upright paper
};

// What a job asks of the printer it is sent to.
struct OutputRequest {
    QString printer;
    QString title;
    int copies = 1;
    PaperInfo paper;
    QString bin;
    Orientation orientation = Orientation::Portrait;
};

// One open print job. Use: begin(), newPage() between pages, then end(); or
// abort() at any time after begin(), which discards what was sent (a printer
// job is cancelled, a PDF file removed).
class PrinterOutput {
public:
    virtual ~PrinterOutput() = default;
    // Starts the job with the first page of `pageSize` inches (as it stands)
    // and begins `painter` on the device, in full-page mode: the painter's
    // origin is the paper's top-left corner. False (with error()) when the
    // printer or file cannot be opened.
    virtual bool begin(QPainter& painter, const QSizeF& pageSize) = 0;
    virtual bool newPage(const QSizeF& pageSize) = 0;
    // Ends the painter and the job; false (with error()) when the output
    // could not be completed.
    virtual bool end(QPainter& painter) = 0;
    virtual void abort(QPainter& painter) = 0;
    virtual QString error() const = 0;
    // How many times the pages must be sent: the number of copies for an
    // output that cannot make copies itself (a PDF file), else 1.
    virtual int pagePasses() const = 0;
};

class PrinterService {
public:
    virtual ~PrinterService() = default;

    // The installed printers, in list order.
    virtual QStringList printerNames() = 0;
    // The default printer's name, empty when there is none.
    virtual QString defaultPrinterName() = 0;
    // What a printer offers. Requires: name is one of printerNames().
    virtual PrinterInfo printerInfo(const QString& name) = 0;
    // The unprintable margins for a paper and orientation, in inches.
    virtual QMarginsF unprintableMargins(const QString& printer, const PaperInfo& paper, Orientation orientation) = 0;
    // Prepares a job on request.printer. Null when it cannot be prepared: then
    // `cancelled` tells whether the user declined (the PDF file dialog was
    // cancelled) and `error` says what failed otherwise.
    virtual std::unique_ptr<PrinterOutput> openOutput(const OutputRequest& request, bool& cancelled, QString& error) = 0;
    // The printer set-up dialog (printer, paper, source, orientation) on
    // `setup`; with `copies` not null, the print dialog, which also asks for
    // the number of copies. True when the user confirmed; the choices are then
    // applied to `setup` (and *copies).
    virtual bool runSetupDialog(PrintSetup& setup, int* copies, QWidget* parent) = 0;

    static PrinterService& current();
    // Installs `service` (not owned) as the current instance; nullptr: the real one.
    static void setCurrent(PrinterService* service);
};

}  // namespace platform
