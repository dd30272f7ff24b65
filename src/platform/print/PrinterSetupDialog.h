#pragma once
// PrinterSetupDialog: the printer set-up dialog (printer, paper, paper
// source, orientation) and, with copies shown, the print dialog. It lists the
// printers of the current PrinterService, "PDF file" among them, which Qt's
// own dialogs cannot show. It edits nothing until apply(), which makes the
// choices on the PrintSetup it was given (not owned; it must outlive the
// dialog). Controls: PrinterCombo, PaperCombo, SourceCombo, PortraitButton,
// LandscapeButton, CopiesEdit (print dialog only), OkButton, CancelButton.
#include <QDialog>

class QComboBox;
class QRadioButton;
class QSpinBox;

namespace platform {

class PrintSetup;

class PrinterSetupDialog : public QDialog {
    Q_OBJECT
public:
    PrinterSetupDialog(PrintSetup& setup, bool askCopies, QWidget* parent = nullptr);

    void setCopies(int copies);
    int copies() const;
    // Makes the dialog's choices on the PrintSetup.
    void apply();

private:
    void PrinterComboChange();

    PrintSetup& setup_;
    QComboBox* printerCombo_;
    QComboBox* paperCombo_;
    QComboBox* sourceCombo_;
    QRadioButton* portraitButton_;
    QRadioButton* landscapeButton_;
    QSpinBox* copiesEdit_ = nullptr;
};

}  // namespace platform
