#pragma once
// PrintSetup: a printer selection — the current printer, its paper, paper
// source (bin) and orientation — over the printers of the current
// PrinterService. shared() is the printing platform's one shared selection:
// the label position dialog's printer list, every job and the set-up dialogs
// see the same printer. release() forgets the choices, so that the next use
// starts again at the default printer with its defaults.
//
// The selection is made lazily: until a printer is chosen, the default
// printer is taken (or the first one when there is no default). When the
// chosen printer disappears from the service (a test installs another), the
// selection starts again. With no printer installed, the paper is Letter,
// portrait, and every selection fails.
//
// Lengths are inches. A paper's size is upright; pageWidth()/pageHeight()
// are the page as it stands in the current orientation.
// Not thread-safe: the program has one thread.
#include "platform/print/PrinterService.h"

#include <QMarginsF>
#include <QSizeF>
#include <QStringList>

#include <vector>

class QWidget;

namespace platform {

class PrintSetup {
public:
    PrintSetup() = default;
    static PrintSetup& shared();

    // Printers
    QStringList printers() const;
    // The current printer's name; empty when no printer is installed.
    QString printerName() const;
    // The current printer's index in printers(); -1 when none is installed.
    int printerIndex() const;
    bool setPrinterIndex(int index);
    // Selects the printer with that name, compared without regard to case.
    // The paper stays when the new printer has it (by code, else by name),
    // otherwise the printer's default paper is taken; the orientation stays;
    // the bin becomes the printer's default. False (nothing changes) when
    // there is no such printer.
    bool selectPrinter(const QString& name);
    // Selects the default printer; false when there is none.
    bool selectDefaultPrinter();
    void release();
    bool isPdfPrinter() const;

    // Papers
    std::vector<PaperInfo> papers() const;
    QStringList paperNames() const;
    PaperInfo paper() const;
    QString paperName() const;
    int paperCode() const;  // 0 for a custom size
    // Select a paper the printer lists; false (nothing changes) otherwise.
    bool selectPaper(const QString& name);  // without regard to case
    bool selectPaperCode(int code);
    // A custom paper of that upright size; false when the printer takes no
    // custom sizes (or a size is not positive).
    bool setCustomPaper(double width, double height);

    // Paper sources
    QStringList bins() const;
    QString binName() const;
    bool selectBin(const QString& name);  // without regard to case

    Orientation orientation() const;
    void setOrientation(Orientation orientation);

    // The page in the current orientation, and the printer's unprintable
    // margins on it (left, top, right, bottom).
    QSizeF pageSize() const;
    double pageWidth() const { return pageSize().width(); }
    double pageHeight() const { return pageSize().height(); }
    QMarginsF unprintableMargins() const;

    // The printer set-up dialog; true when confirmed (choices applied).
    bool showSetupDialog(QWidget* parent = nullptr);
    // The print dialog: printer choice and the number of copies.
    bool showPrintDialog(int& copies, QWidget* parent = nullptr);

private:
    // Makes sure a valid printer is selected (see the class comment).
    void ensure() const;
    void choose(const QString& name) const;

    mutable bool chosen_ = false;
    mutable QString printer_;
    mutable PrinterInfo info_;
    mutable PaperInfo paper_;
    mutable QString bin_;
    mutable Orientation orientation_ = Orientation::Portrait;
};

}  // namespace platform
