#include "platform/print/PrinterSetupDialog.h"

#include "platform/print/PrintSetup.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

namespace platform {

PrinterSetupDialog::PrinterSetupDialog(PrintSetup& setup, bool askCopies, QWidget* parent)
    : QDialog(parent), setup_(setup)
{
    setWindowTitle(askCopies ? QStringLiteral("Print") : QStringLiteral("Printer Setup"));

    printerCombo_ = new QComboBox(this);
    printerCombo_->setObjectName(QStringLiteral("PrinterCombo"));
    paperCombo_ = new QComboBox(this);
    paperCombo_->setObjectName(QStringLiteral("PaperCombo"));
    sourceCombo_ = new QComboBox(this);
    sourceCombo_->setObjectName(QStringLiteral("SourceCombo"));
    portraitButton_ = new QRadioButton(QStringLiteral("&Portrait"), this);
    portraitButton_->setObjectName(QStringLiteral("PortraitButton"));
    landscapeButton_ = new QRadioButton(QStringLiteral("&Landscape"), this);
    landscapeButton_->setObjectName(QStringLiteral("LandscapeButton"));

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("P&rinter:"), printerCombo_);
    form->addRow(QStringLiteral("P&aper:"), paperCombo_);
    form->addRow(QStringLiteral("&Source:"), sourceCombo_);
    auto* orientationBox = new QGroupBox(QStringLiteral("Orientation"), this);
    auto* orientationLayout = new QHBoxLayout(orientationBox);
    orientationLayout->addWidget(portraitButton_);
    orientationLayout->addWidget(landscapeButton_);
    form->addRow(orientationBox);
    if (askCopies) {
        copiesEdit_ = new QSpinBox(this);
        copiesEdit_->setObjectName(QStringLiteral("CopiesEdit"));
        copiesEdit_->setRange(1, 999);
        form->addRow(QStringLiteral("&Copies:"), copiesEdit_);
    }

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("OkButton"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("CancelButton"));
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);

    printerCombo_->addItems(setup_.printers());
    printerCombo_->setCurrentIndex(setup_.printerIndex());
    PrinterComboChange();
    paperCombo_->setCurrentIndex(std::max(0, paperCombo_->findText(setup_.paperName())));
    sourceCombo_->setCurrentIndex(std::max(0, sourceCombo_->findText(setup_.binName())));
    (setup_.orientation() == Orientation::Landscape ? landscapeButton_ : portraitButton_)->setChecked(true);

    connect(printerCombo_, &QComboBox::currentIndexChanged, this, &PrinterSetupDialog::PrinterComboChange);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void PrinterSetupDialog::PrinterComboChange()
{
    // The papers and sources are those of the printer shown, kept where the
    // new printer has the same entry.
    const QString paper = paperCombo_->currentText();
    const QString source = sourceCombo_->currentText();
    paperCombo_->clear();
    sourceCombo_->clear();
    const QString printer = printerCombo_->currentText();
    if (printer.isEmpty())
        return;
    const PrinterInfo info = PrinterService::current().printerInfo(printer);
    for (const PaperInfo& entry : info.papers)
        paperCombo_->addItem(entry.name);
    // A custom size set by a job is offered as it is (choosing it keeps it).
    if (printer == setup_.printerName() && setup_.paperCode() == 0 && info.customPapers)
        paperCombo_->addItem(setup_.paperName());
    sourceCombo_->addItems(info.bins);
    const int paperIndex = paperCombo_->findText(paper);
    paperCombo_->setCurrentIndex(paperIndex >= 0 ? paperIndex : info.defaultPaper);
    const int sourceIndex = sourceCombo_->findText(source);
    sourceCombo_->setCurrentIndex(sourceIndex >= 0 ? sourceIndex : info.defaultBin);
}

void PrinterSetupDialog::setCopies(int copies)
{
    if (copiesEdit_)
        copiesEdit_->setValue(copies);
}

int PrinterSetupDialog::copies() const
{
    return copiesEdit_ ? copiesEdit_->value() : 1;
}

void PrinterSetupDialog::apply()
{
    if (printerCombo_->currentIndex() < 0)
        return;
    setup_.selectPrinter(printerCombo_->currentText());
    if (!paperCombo_->currentText().isEmpty())
        setup_.selectPaper(paperCombo_->currentText());
    if (!sourceCombo_->currentText().isEmpty())
        setup_.selectBin(sourceCombo_->currentText());
    setup_.setOrientation(landscapeButton_->isChecked() ? Orientation::Landscape : Orientation::Portrait);
}

}  // namespace platform
