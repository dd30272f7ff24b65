// The printer selection and the printer check: what the printers offer,
// selecting printers, papers and bins by name and code, page sizes and
// unprintable margins by orientation, the set-up dialog, and the messages of
// CheckPrinters when no printer or no default printer is installed.
#include "platform/print/PrintSetup.h"

#include <QComboBox>
#include <QRadioButton>
#include <QSpinBox>

#include <gtest/gtest.h>

#include "PrintTestSupport.h"
#include "platform/print/CheckPrinters.h"
#include "platform/print/PrinterSetupDialog.h"
#include "platform/print/SystemPrinterService.h"

using namespace platform;

namespace {

PrinterInfo LabelPrinter()
{
    PrinterInfo info;
    info.name = QStringLiteral("Label Writer");
    info.papers = {PaperInfo{QStringLiteral("Letter"), 1, QSizeF(8.5, 11)},
                   PaperInfo{QStringLiteral("Env10"), 20, QSizeF(4.125, 9.5)}};
    info.defaultPaper = 1;
    info.bins = QStringList{QStringLiteral("Tray 1"), QStringLiteral("Manual feed")};
    info.margins = QMarginsF(0.25, 0.1, 0.3, 0.4);
    return info;
}

class PrintSetupTest : public ::testing::Test {
protected:
    PrintWorld world_;
    PrintSetup& setup_ = world_.setup();
};

TEST_F(PrintSetupTest, CheckPrintersNamesWhatIsMissing)
{
    const QString noPrinters =
        QStringLiteral("There are no installed printers.\r\nUnable to perform printer related operations");
    const QString noDefault =
        QStringLiteral("There is no default printer selected.\r\nUnable to perform printer related operations");
    struct Case {
        const char* what;
        bool withPrinters;
        QString defaultPrinter;
        bool ok;
        QString message;
    } cases[] = {
        {"nothing installed", false, QString(), false, noPrinters},
        {"printers but no default", true, QString(), false, noDefault},
        {"default that is not installed", true, QStringLiteral("Gone"), false, noDefault},
        {"default installed", true, QStringLiteral("Label Writer"), true, QString()},
    };
    for (const Case& c : cases) {
        ScriptedPrinterService printers;
        if (c.withPrinters) {
            printers.addPrinter(LabelPrinter());
            printers.addPdfPrinter();
        }
        printers.setDefaultPrinter(c.defaultPrinter);
        PrinterService::setCurrent(&printers);
        world_.user().clear();
        EXPECT_EQ(CheckPrinters(), c.ok) << c.what;
        const QStringList shown = world_.user().messageTexts();
        if (c.ok) {
            EXPECT_TRUE(shown.isEmpty()) << c.what;
        } else {
            ASSERT_EQ(shown.size(), 1) << c.what;
            EXPECT_EQ(shown[0], c.message) << c.what;
            EXPECT_EQ(world_.user().shown()[0].message.title, QStringLiteral("Information"));
        }
    }
    PrinterService::setCurrent(&world_.printers());
}

TEST_F(PrintSetupTest, TheRealServiceAlwaysHasThePdfPrinter)
{
    SystemPrinterService real;
    const QStringList names = real.printerNames();
    ASSERT_FALSE(names.isEmpty());
    EXPECT_EQ(names.last(), kPdfPrinterName);
    EXPECT_EQ(names.count(kPdfPrinterName), 1);
    EXPECT_TRUE(names.contains(real.defaultPrinterName()));
    const PrinterInfo pdf = real.printerInfo(kPdfPrinterName);
    EXPECT_TRUE(pdf.pdf);
    EXPECT_TRUE(pdf.customPapers);
    EXPECT_EQ(pdf.papers[static_cast<std::size_t>(pdf.defaultPaper)].code, 1);
    EXPECT_EQ(real.unprintableMargins(kPdfPrinterName, pdf.papers[0], Orientation::Landscape), QMarginsF());
}

TEST_F(PrintSetupTest, StartsAtTheDefaultPrinterAndSelectsByNameWithoutCase)
{
    world_.printers().addPrinter(LabelPrinter());
    EXPECT_EQ(setup_.printerName(), kPdfPrinterName);
    EXPECT_EQ(setup_.printers(), (QStringList{kPdfPrinterName, QStringLiteral("Label Writer")}));
    EXPECT_EQ(setup_.printerIndex(), 0);
    EXPECT_TRUE(setup_.isPdfPrinter());

    EXPECT_FALSE(setup_.selectPrinter(QStringLiteral("Nobody")));
    EXPECT_EQ(setup_.printerName(), kPdfPrinterName);
    ASSERT_TRUE(setup_.selectPrinter(QStringLiteral("label writer")));
    EXPECT_EQ(setup_.printerName(), QStringLiteral("Label Writer"));
    EXPECT_EQ(setup_.printerIndex(), 1);
    EXPECT_FALSE(setup_.isPdfPrinter());
    // Letter was chosen on the PDF printer and this one has it too.
    EXPECT_EQ(setup_.paperName(), QStringLiteral("Letter"));
    EXPECT_EQ(setup_.binName(), QStringLiteral("Tray 1"));
    EXPECT_TRUE(setup_.selectBin(QStringLiteral("MANUAL FEED")));
    EXPECT_EQ(setup_.binName(), QStringLiteral("Manual feed"));
    EXPECT_FALSE(setup_.selectBin(QStringLiteral("Tray 9")));

    ASSERT_TRUE(setup_.setPrinterIndex(0));
    EXPECT_EQ(setup_.printerName(), kPdfPrinterName);
    EXPECT_FALSE(setup_.setPrinterIndex(2));
    EXPECT_TRUE(setup_.selectDefaultPrinter());

    // release() forgets everything: the default printer with its defaults.
    setup_.selectPrinter(QStringLiteral("Label Writer"));
    setup_.setOrientation(Orientation::Landscape);
    setup_.release();
    EXPECT_EQ(setup_.printerName(), kPdfPrinterName);
    EXPECT_EQ(setup_.orientation(), Orientation::Portrait);
}

TEST_F(PrintSetupTest, PapersAndMarginsFollowTheOrientation)
{
    world_.printers().addPrinter(LabelPrinter());
    ASSERT_TRUE(setup_.selectPrinter(QStringLiteral("Label Writer")));
    EXPECT_FALSE(setup_.setCustomPaper(4, 6));  // this printer takes no custom sizes
    EXPECT_FALSE(setup_.selectPaperCode(9));    // nor A4
    ASSERT_TRUE(setup_.selectPaperCode(20));
    EXPECT_EQ(setup_.paperName(), QStringLiteral("Env10"));
    setup_.setOrientation(Orientation::Landscape);
    EXPECT_EQ(setup_.pageSize(), QSizeF(9.5, 4.125));
    // Turned a quarter to the left, the upright top edge is the left one.
    EXPECT_EQ(setup_.unprintableMargins(), QMarginsF(0.1, 0.3, 0.4, 0.25));
    setup_.setOrientation(Orientation::Portrait);
    EXPECT_EQ(setup_.unprintableMargins(), QMarginsF(0.25, 0.1, 0.3, 0.4));
    ASSERT_TRUE(setup_.selectPaper(QStringLiteral("letter")));
    EXPECT_EQ(setup_.paperCode(), 1);

    // The PDF printer lists the standard papers by name and takes any size.
    ASSERT_TRUE(setup_.selectPrinter(kPdfPrinterName));
    EXPECT_TRUE(setup_.paperNames().contains(QStringLiteral("Envelope #10")));
    ASSERT_TRUE(setup_.selectPaper(QStringLiteral("Envelope DL")));
    EXPECT_EQ(setup_.paperCode(), 27);
    EXPECT_DOUBLE_EQ(setup_.pageWidth(), 110 / 25.4);
    ASSERT_TRUE(setup_.setCustomPaper(4, 6));
    EXPECT_EQ(setup_.paperCode(), 0);
    EXPECT_EQ(setup_.pageSize(), QSizeF(4, 6));
    EXPECT_FALSE(setup_.setCustomPaper(0, 6));
    // A custom size stays when switching to a printer that takes it too.
    ASSERT_TRUE(setup_.selectPrinter(kPdfPrinterName));
    EXPECT_EQ(setup_.pageSize(), QSizeF(4, 6));
}

TEST_F(PrintSetupTest, WithNoPrinterEverySelectionFailsAndThePageIsLetter)
{
    ScriptedPrinterService none;
    PrinterService::setCurrent(&none);
    EXPECT_TRUE(setup_.printerName().isEmpty());
    EXPECT_EQ(setup_.printerIndex(), -1);
    EXPECT_FALSE(setup_.selectPaperCode(1));
    EXPECT_FALSE(setup_.setCustomPaper(4, 6));
    EXPECT_EQ(setup_.pageSize(), QSizeF(8.5, 11));
    PrinterService::setCurrent(&world_.printers());
    EXPECT_EQ(setup_.printerName(), kPdfPrinterName);  // the selection starts again
}

TEST_F(PrintSetupTest, DialogsGoThroughTheService)
{
    world_.printers().addPrinter(LabelPrinter());
    ScriptedPrinterService::DialogAnswer answer;
    answer.printer = QStringLiteral("Label Writer");
    answer.paper = QStringLiteral("Env10");
    answer.orientation = Orientation::Landscape;
    answer.copies = 4;
    world_.printers().setDialogAnswer(answer);
    int copies = 1;
    ASSERT_TRUE(setup_.showPrintDialog(copies));
    EXPECT_EQ(copies, 4);
    EXPECT_EQ(setup_.printerName(), QStringLiteral("Label Writer"));
    EXPECT_EQ(setup_.pageSize(), QSizeF(9.5, 4.125));

    answer.accept = false;
    world_.printers().setDialogAnswer(answer);
    EXPECT_FALSE(setup_.showSetupDialog());
    EXPECT_EQ(world_.printers().dialogsShown(), 2);
}

TEST_F(PrintSetupTest, SetupDialogShowsThePrintersPapersAndAppliesOnlyOnRequest)
{
    world_.printers().addPrinter(LabelPrinter());
    PrinterSetupDialog dialog(setup_, true);
    auto* printers = dialog.findChild<QComboBox*>(QStringLiteral("PrinterCombo"));
    auto* papers = dialog.findChild<QComboBox*>(QStringLiteral("PaperCombo"));
    auto* sources = dialog.findChild<QComboBox*>(QStringLiteral("SourceCombo"));
    auto* landscape = dialog.findChild<QRadioButton*>(QStringLiteral("LandscapeButton"));
    auto* copies = dialog.findChild<QSpinBox*>(QStringLiteral("CopiesEdit"));
    ASSERT_TRUE(printers && papers && sources && landscape && copies);
    EXPECT_EQ(printers->currentText(), kPdfPrinterName);
    EXPECT_EQ(papers->currentText(), QStringLiteral("Letter"));

    printers->setCurrentIndex(1);
    EXPECT_EQ(papers->count(), 2);
    EXPECT_EQ(papers->currentText(), QStringLiteral("Letter"));  // kept: the new printer has it
    EXPECT_EQ(sources->count(), 2);
    papers->setCurrentIndex(1);
    sources->setCurrentIndex(1);
    landscape->setChecked(true);
    copies->setValue(3);
    EXPECT_EQ(setup_.printerName(), kPdfPrinterName);  // nothing changes before apply
    dialog.apply();
    EXPECT_EQ(setup_.printerName(), QStringLiteral("Label Writer"));
    EXPECT_EQ(setup_.paperName(), QStringLiteral("Env10"));
    EXPECT_EQ(setup_.binName(), QStringLiteral("Manual feed"));
    EXPECT_EQ(setup_.orientation(), Orientation::Landscape);
    EXPECT_EQ(dialog.copies(), 3);
}

}  // namespace
