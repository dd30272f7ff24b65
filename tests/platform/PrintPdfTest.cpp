// Jobs sent through the real print path: the built-in "PDF file" printer
// writes a PDF that poppler reads back (text, pages, page sizes); a scripted
// system printer receives its pages as a PDF too. Failures and aborts leave
// no file behind and are never reported as completed.
#include "platform/print/ReportCanvas.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>

#include "PrintTestSupport.h"
#include "platform/print/PagePainter.h"
#include "platform/print/PrintDemo.h"

using namespace platform;

namespace {

class PrintPdfTest : public ::testing::Test {
protected:
    PrintPdfTest() : canvas_(world_.setup()) { canvas_.setOutput(JobOutput::Printer); }

    // The job prints `pages` pages, each with its number as text.
    void NumberedPages(int pages)
    {
        canvas_.setOnPrint([pages](ReportCanvas& c) {
            for (int page = 1; page <= pages && !c.aborted(); ++page) {
                if (page > 1)
                    c.newPage();
                c.setFont(ReportFont{QStringLiteral("Arial"), 24});
                c.home();
                c.print(QStringLiteral("Numbered page %1").arg(page));
            }
        });
    }

    PrintWorld world_;
    ReportCanvas canvas_;
};

TEST_F(PrintPdfTest, TheDemoJobBecomesAPdfWithItsTextPagesAndPaper)
{
    const QString pdf = world_.path(QStringLiteral("demo.pdf"));
    world_.user().answerFile(pdf);
    SetUpDemoJob(canvas_);
    ASSERT_EQ(canvas_.execute(), JobOutcome::Completed) << canvas_.errorText().toStdString();
    ASSERT_TRUE(QFileInfo::exists(pdf));
    EXPECT_EQ(PdfPageCount(pdf), 2);
    EXPECT_EQ(PdfPageSize(pdf, 1), QStringLiteral("612 x 792"));
    const QString text = PdfText(pdf);
    for (const char* expected : {"Quillpost printer test page", "Page 1", "Smith, John Q.", "1,234,567",
                                 "Shapes, pens, rotated text and a bitmap", "A stretched bitmap"})
        EXPECT_TRUE(text.contains(QString::fromLatin1(expected))) << expected;
    ASSERT_EQ(world_.user().shown().size(), 1u);
    EXPECT_EQ(world_.user().shown()[0].file.title, QStringLiteral("Print to PDF File"));
}

TEST_F(PrintPdfTest, EachPageKeepsItsPaperAndOrientation)
{
    const QString pdf = world_.path(QStringLiteral("papers.pdf"));
    world_.user().answerFile(pdf);
    canvas_.setOnPrint([](ReportCanvas& c) {
        c.print(QStringLiteral("Letter"));
        c.setup().setOrientation(Orientation::Landscape);  // applies to the next page
        c.newPage();
        c.print(QStringLiteral("Landscape"));
        c.setup().setOrientation(Orientation::Portrait);
        c.setup().setCustomPaper(4, 6);
        c.newPage();
        c.print(QStringLiteral("Card"));
    });
    ASSERT_EQ(canvas_.execute(), JobOutcome::Completed) << canvas_.errorText().toStdString();
    EXPECT_EQ(PdfPageCount(pdf), 3);
    EXPECT_EQ(PdfPageSize(pdf, 1), QStringLiteral("612 x 792"));
    EXPECT_EQ(PdfPageSize(pdf, 2), QStringLiteral("792 x 612"));
    EXPECT_EQ(PdfPageSize(pdf, 3), QStringLiteral("288 x 432"));
}

TEST_F(PrintPdfTest, TextLandsWhereTheStreamPutsIt)
{
    // A text at a known place, rendered back by poppler at 100 dpi: the ink
    // of its first letter starts within a pixel or two of (2.0, 3.0) inches.
    const QString pdf = world_.path(QStringLiteral("place.pdf"));
    world_.user().answerFile(pdf);
    canvas_.setOnPrint([](ReportCanvas& c) {
        c.setFont(ReportFont{QStringLiteral("Arial"), 36, true});
        c.textRect(QRectF(0, 0, 8.5, 11), 2.0, 3.0, QStringLiteral("HI"));
        c.setBrush(Qt::black, BrushStyle::Solid);
        c.setPen(Qt::black, PenStyle::Clear, PenWidth::DevicePixels(1));
        c.rectangle(5.0, 5.0, 6.0, 5.5);
        // A text longer than its box is cut at the box's right edge.
        c.textRect(QRectF(QPointF(2.0, 7.0), QPointF(3.0, 7.6)), 2.0, 7.0, QStringLiteral("MMMMMMMMMM"));
    });
    ASSERT_EQ(canvas_.execute(), JobOutcome::Completed);
    RunTool(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("100"), QStringLiteral("-png"),
                                         QStringLiteral("-singlefile"), pdf, world_.path(QStringLiteral("place"))});
    const QImage page(world_.path(QStringLiteral("place.png")));
    ASSERT_EQ(page.size(), QSize(850, 1100));
    // The filled box: dark inside, light just outside.
    EXPECT_LT(qGray(page.pixel(550, 525)), 64);
    EXPECT_GT(qGray(page.pixel(550, 495)), 192);
    EXPECT_GT(qGray(page.pixel(605, 525)), 192);
    // "H" is a vertical stem from the cap height down to the baseline: its
    // ink starts just right of x = 2.0 in, below y = 3.0 + (ascent - cap height).
    int firstInkColumn = -1;
    for (int x = 190; x < 260 && firstInkColumn < 0; ++x) {
        for (int y = 300; y < 360; ++y) {
            if (qGray(page.pixel(x, y)) < 128) {
                firstInkColumn = x;
                break;
            }
        }
    }
    EXPECT_GE(firstInkColumn, 200);
    EXPECT_LE(firstInkColumn, 206);

    // The rasteriser may ink the pixel column that starts on the clip edge.
    int inkInside = 0, inkOutside = 0;
    for (int y = 700; y < 760; ++y) {
        for (int x = 200; x < 400; ++x) {
            if (qGray(page.pixel(x, y)) < 128)
                ++(x <= 300 ? inkInside : inkOutside);
        }
    }
    EXPECT_GT(inkInside, 200);
    EXPECT_EQ(inkOutside, 0);
}

TEST_F(PrintPdfTest, CopiesRepeatThePagesOfAPdfAndGoToAPrinterAsACount)
{
    const QString pdf = world_.path(QStringLiteral("copies.pdf"));
    world_.user().answerFile(pdf);
    NumberedPages(2);
    canvas_.setCopies(2);
    ASSERT_EQ(canvas_.execute(), JobOutcome::Completed);
    EXPECT_EQ(PdfPageCount(pdf), 4);

    // A system printer makes the copies itself: the pages go once, the count
    // with the job, and the file dialog is not asked.
    PrinterInfo laser;
    laser.name = QStringLiteral("Laser");
    laser.papers = {PaperInfo{QStringLiteral("Letter"), 1, QSizeF(8.5, 11)}};
    laser.bins = QStringList{QStringLiteral("Upper tray")};
    world_.printers().addPrinter(laser);
    const QString spool = world_.path(QStringLiteral("spool.pdf"));
    world_.printers().setPrinterOutputFile(spool);
    ASSERT_TRUE(world_.setup().selectPrinter(QStringLiteral("LASER")));
    canvas_.setCopies(3);
    canvas_.setTitle(QStringLiteral("Quillpost"));
    ASSERT_EQ(canvas_.execute(), JobOutcome::Completed) << canvas_.errorText().toStdString();
    EXPECT_EQ(PdfPageCount(spool), 2);
    EXPECT_EQ(world_.printers().lastRequest().copies, 3);
    EXPECT_EQ(world_.printers().lastRequest().title, QStringLiteral("Quillpost"));
    EXPECT_EQ(world_.printers().lastRequest().bin, QStringLiteral("Upper tray"));
    EXPECT_EQ(world_.user().shown().size(), 1u);
}

TEST_F(PrintPdfTest, AJobThatDrawsNothingWritesNoFile)
{
    const QString pdf = world_.path(QStringLiteral("empty.pdf"));
    world_.user().answerFile(pdf);
    canvas_.setOnPrint([](ReportCanvas& c) { c.home(); });
    EXPECT_EQ(canvas_.execute(), JobOutcome::Completed);
    EXPECT_FALSE(QFileInfo::exists(pdf));
}

TEST_F(PrintPdfTest, AnAbortedJobLeavesNoFileAndSparesAnOldOne)
{
    const QString pdf = world_.path(QStringLiteral("aborted.pdf"));
    {
        QFile old(pdf);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("an older file the user chose to replace");
    }

    // Aborted while recording: nothing is sent at all.
    world_.user().answerFile(pdf);
    canvas_.setOnPrint([](ReportCanvas& c) {
        c.print(QStringLiteral("one"));
        c.newPage();
        c.print(QStringLiteral("two"));
        c.abort();
    });
    EXPECT_EQ(canvas_.execute(), JobOutcome::Aborted);

    // Aborted while the pages are sent: the second page is being written
    // when Cancel is seen.
    world_.user().answerFile(pdf);
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (canvas_.statusText() == QStringLiteral("Page 2"))
            canvas_.abort();
    });
    canvas_.setStatusFormat(QStringLiteral("Page %p"));
    canvas_.setOnNewPage(nullptr);
    auto print = [this](ReportCanvas& c) {
        for (int page = 1; page <= 5; ++page) {
            if (page > 1)
                c.newPage();
            c.print(QStringLiteral("Numbered page %1").arg(page));
        }
    };
    canvas_.setOnPrint([&](ReportCanvas& c) {
        print(c);
        watch.start(0);  // from now on, only the sending of pages handles events
    });
    EXPECT_EQ(canvas_.execute(), JobOutcome::Aborted);
    EXPECT_TRUE(canvas_.aborted());
    EXPECT_EQ(canvas_.takeStream(), nullptr);

    QFile old(pdf);
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), QByteArray("an older file the user chose to replace"));
    const QStringList leftovers = QDir(world_.path(QString())).entryList(QDir::Files);
    EXPECT_EQ(leftovers, QStringList{QStringLiteral("aborted.pdf")});
}

TEST_F(PrintPdfTest, FailuresAreReportedAsFailedAndWriteNothing)
{
    int handlerRuns = 0;
    canvas_.setOnPrint([&](ReportCanvas& c) {
        ++handlerRuns;
        c.print(QStringLiteral("text"));
    });

    // The PDF file cannot be written: its folder does not exist.
    const QString unwritable = world_.path(QStringLiteral("no such folder/out.pdf"));
    world_.user().answerFile(unwritable);
    EXPECT_EQ(canvas_.execute(), JobOutcome::Failed);
    EXPECT_TRUE(canvas_.errorText().contains(QStringLiteral("could not be written"))) << canvas_.errorText().toStdString();
    EXPECT_FALSE(QFileInfo::exists(unwritable));

    // The printer cannot be opened: the job does not even run.
    world_.printers().setOpenFails(true);
    handlerRuns = 0;
    EXPECT_EQ(canvas_.execute(), JobOutcome::Failed);
    EXPECT_EQ(handlerRuns, 0);
    EXPECT_TRUE(canvas_.errorText().contains(QStringLiteral("could not be opened")));
    world_.printers().setOpenFails(false);

    // The user cancels the file dialog: nothing runs, nothing is written.
    world_.user().answerDialogCancelled();
    EXPECT_EQ(canvas_.execute(), JobOutcome::Aborted);
    EXPECT_EQ(handlerRuns, 0);
    EXPECT_TRUE(world_.user().problems().isEmpty()) << world_.user().problems().join(QLatin1Char('\n')).toStdString();
}

TEST_F(PrintPdfTest, PagePainterDrawsAtAnyResolution)
{
    // The same page on a 50-dpi and a 200-dpi image: a filled box lands on
    // the same inches, and a hairline pen still shows at the lower one.
    canvas_.setOutput(JobOutput::Stream);
    canvas_.setOnPrint([](ReportCanvas& c) {
        c.setPen(Qt::black, PenStyle::Clear, PenWidth::DevicePixels(1));
        c.setBrush(Qt::black, BrushStyle::Solid);
        c.rectangle(1.0, 1.0, 2.0, 1.5);
        c.setPen(Qt::black, PenStyle::Solid, PenWidth::DevicePixels(1));
        c.line(0.5, 4.0, 8.0, 4.0);
        c.setFontRotation(90);
        c.setFont(ReportFont{QStringLiteral("Arial"), 40, true, false, false, Qt::black, 90});
        c.textRect(QRectF(0, 0, 8.5, 11), 4.0, 9.0, QStringLiteral("UP"));
    });
    ASSERT_EQ(canvas_.execute(), JobOutcome::Completed);
    const auto stream = canvas_.takeStream();
    for (int dpi : {50, 200}) {
        QImage image(int(8.5 * dpi), 11 * dpi, QImage::Format_RGB32);
        image.setDotsPerMeterX(qRound(dpi / 0.0254));
        image.setDotsPerMeterY(qRound(dpi / 0.0254));
        image.fill(Qt::white);
        QPainter painter(&image);
        PagePainter(*stream, painter, dpi).paintPage(0);
        painter.end();
        EXPECT_LT(qGray(image.pixel(int(1.5 * dpi), int(1.25 * dpi))), 64) << dpi;
        EXPECT_GT(qGray(image.pixel(int(2.1 * dpi), int(1.25 * dpi))), 192) << dpi;
        const int hairline = std::min(qGray(image.pixel(3 * dpi, 4 * dpi - 1)), qGray(image.pixel(3 * dpi, 4 * dpi)));
        EXPECT_LT(hairline, 192) << dpi;
        // Text turned 90 degrees runs upwards from (4, 9) with its top to the
        // left: ink right of x = 4 and above y = 9, none below y = 9.
        int inkAbove = 0, inkBelow = 0;
        for (int y = int(7.5 * dpi); y < int(9.5 * dpi); ++y) {
            for (int x = int(4.0 * dpi); x < int(4.6 * dpi); ++x) {
                if (qGray(image.pixel(x, y)) < 128)
                    ++(y < 9 * dpi ? inkAbove : inkBelow);
            }
        }
        EXPECT_GT(inkAbove, 10) << dpi;
        EXPECT_EQ(inkBelow, 0) << dpi;
    }
}

}  // namespace
