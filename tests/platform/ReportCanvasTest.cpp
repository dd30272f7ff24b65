// The report canvas read back from its page stream: positions, fonts, clip
// boxes and pen widths against values worked out by hand from the page model
// (inches from the paper's top-left corner, line height = size / 60 inch,
// Liberation Sans metrics in font units of 2048 per em).
#include "platform/print/ReportCanvas.h"

#include <QLabel>

#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>

#include "PrintTestSupport.h"
#include "platform/print/PageItems.h"
#include "xbase/Error.h"

using namespace platform;

namespace {

constexpr double kPixel = 1.0 / 600;  // one device pixel of the stream
// Liberation Sans (Arial's metric twin): descender 434 units of 2048 per em.
constexpr double kArial10Descent = 434.0 / 2048 * 10 / 72;

const PageItem* FindText(const std::vector<PageItem>& items, const QString& text)
{
    for (const PageItem& item : items) {
        if (item.op == PageOp::Text && item.text == text)
            return &item;
    }
    return nullptr;
}

const PageItem* FindOp(const std::vector<PageItem>& items, PageOp op, int skip = 0)
{
    for (const PageItem& item : items) {
        if (item.op == op && skip-- == 0)
            return &item;
    }
    return nullptr;
}

class ReportCanvasTest : public ::testing::Test {
protected:
    ReportCanvasTest() : canvas_(world_.setup()) { canvas_.setOutput(JobOutput::Stream); }

    std::shared_ptr<PageStream> Run(ReportCanvas::Handler print)
    {
        canvas_.setOnPrint(std::move(print));
        EXPECT_EQ(canvas_.execute(), JobOutcome::Completed) << canvas_.errorText().toStdString();
        return canvas_.takeStream();
    }

    PrintWorld world_;
    ReportCanvas canvas_;
};

TEST_F(ReportCanvasTest, ReferenceJobMatchesThePageModel)
{
    int linesAtTop = -1, linesOnLastLine = -1, linesBelow = -1;
    double tabLineTop = 0, tabLineBottom = 0;
    auto stream = Run([&](ReportCanvas& c) {
        c.reset();
        c.setFont(ReportFont{QStringLiteral("Arial"), 10});
        c.home();
        c.print(QStringLiteral("First line"));

        // A section 9 inches high holds 54 lines of Arial 10 (1/6 inch each).
        c.setSection(0.5, 1.0, 8.0, 10.0);
        c.home();
        linesAtTop = c.linesLeft();
        for (int i = 0; i < 53; ++i)
            c.newLine();
        linesOnLastLine = c.linesLeft();
        c.newLine();
        linesBelow = c.linesLeft();

        // The third line of the page: a right-aligned, 5 % shaded column with
        // a bottom line drawn with a 0.01-inch pen.
        c.resetSection();
        c.home();
        c.newLine();
        c.newLine();
        c.setPen(Qt::black, PenStyle::Solid, PenWidth::Hundredths(1));
        c.addTab(TabColumn{2.0, 1.5, Justify::Right, 0.05, kBoxBottom, 5});
        c.tab();
        tabLineTop = c.lineTop();
        tabLineBottom = c.lineBottom();
        c.print(QStringLiteral("1,234"));

        c.setFontRotation(90);
        c.textRect(QRectF(QPointF(1.0, 4.0), QPointF(1.5, 6.0)), 1.0, 6.0, QStringLiteral("Turned"));
    });
    ASSERT_EQ(stream->pageCount(), 1);
    EXPECT_EQ(stream->page(0).width(), 8.5);
    EXPECT_EQ(stream->page(0).height(), 11.0);
    const std::vector<PageItem> items = PageItems(*stream, 0);
    const PageItem* first = FindText(items, QStringLiteral("First line"));
    const PageItem* number = FindText(items, QStringLiteral("1,234"));
    const PageItem* turned = FindText(items, QStringLiteral("Turned"));
    const PageItem* shade = FindOp(items, PageOp::Fill);
    const PageItem* rule = FindOp(items, PageOp::Line);
    ASSERT_TRUE(first && number && turned && shade && rule);

    const double third = 0.5 + 3.0 / 6;  // bottom of the third line box
    struct Case {
        const char* what;
        double actual;
        double expected;
        double tolerance;
    } cases[] = {
        {"first-line baseline", first->y, 0.5 + 10.0 / 60 - kArial10Descent, kPixel / 2},
        {"first-line left", first->x, 0.5, 0},
        {"first-line font size", first->font.size, 10, 0},
        {"lines left on a 9-inch section", double(linesAtTop), 54, 0},
        {"lines left on its last line", double(linesOnLastLine), 1, 0},
        {"lines left below it", double(linesBelow), 0, 0},
        {"tab line top", tabLineTop, 0.5 + 2.0 / 6, 1e-12},
        {"tab line bottom", tabLineBottom, third, 1e-12},
        {"right tab text anchor", number->x, 3.45, 1e-12},
        {"right tab text justified right", double(number->align == Justify::Right), 1, 0},
        {"right tab text width (unhinted, 600 dpi)", number->width, (4 * 1139.0 + 569) / 2048 * 10 / 72, kPixel},
        {"right tab clip left", number->x1, 2.0, 0},
        {"right tab clip right", number->x2, 3.5, 1e-12},
        {"right tab clip top", number->y1, 0.5 + 2.0 / 6, 1e-12},
        {"right tab clip bottom", number->y2, third, 1e-12},
        {"shade left", shade->x1, 2.0, 0},
        {"shade right", shade->x2, 3.5, 1e-12},
        {"shade top", shade->y1, 0.5 + 2.0 / 6, 1e-12},
        {"shade bottom", shade->y2, third, 1e-12},
        {"5 % shade grey", double(shade->fill.red()), 242, 0},
        {"shade is neutral grey", double(shade->fill.green() - shade->fill.blue()), 0, 0},
        {"box line y", rule->y1, third, 1e-12},
        {"box line spans the cell", rule->x2 - rule->x1, 1.5, 1e-12},
        {"0.01-inch pen", rule->pen.width, 0.01, 0},
        {"rotated text angle", double(turned->font.rotation), 90, 0},
        {"rotated text origin x", turned->x, 1.0, 0},
        {"rotated text origin y", turned->y, 6.0, 0},
        {"rotated text anchored at its top", double(turned->anchor == TextAnchor::Top), 1, 0},
        {"rotated text clip bottom", turned->y2, 6.0, 1e-12},
    };
    for (const Case& c : cases)
        EXPECT_NEAR(c.actual, c.expected, c.tolerance) << c.what;
    EXPECT_TRUE(number->clipped);
    EXPECT_FALSE(first->clipped);
    EXPECT_EQ(first->font.name, QStringLiteral("Arial"));
}

TEST_F(ReportCanvasTest, PenWidthsAreInchesAndNeverBelowOneDevicePixel)
{
    struct Case {
        const char* what;
        PenWidth width;
        double inches;
    } cases[] = {
        {"one hundredth", PenWidth::Hundredths(1), 0.01},
        {"three device pixels", PenWidth::DevicePixels(3), 3.0 / 600},
        {"-1 device pixel is 1/100 inch", PenWidth::DevicePixels(-1), 0.01},
        {"zero is one pixel", PenWidth::DevicePixels(0), 1.0 / 600},
        {"a thousandth is one pixel", PenWidth::Hundredths(0.1), 1.0 / 600},
        {"zero hundredths is one pixel", PenWidth::Hundredths(0), 1.0 / 600},
    };
    for (const Case& c : cases) {
        canvas_.setPenWidth(c.width);
        EXPECT_DOUBLE_EQ(canvas_.pen().width, c.inches) << c.what;
    }
}

TEST_F(ReportCanvasTest, PagesStartLazilyAndNewPageEndsEvenAnEmptyOne)
{
    struct Case {
        const char* what;
        ReportCanvas::Handler job;
        int pages;
    } cases[] = {
        {"nothing drawn", [](ReportCanvas& c) { c.home(); }, 0},
        {"one text", [](ReportCanvas& c) { c.print(QStringLiteral("x")); }, 1},
        {"text then new page", [](ReportCanvas& c) { c.print(QStringLiteral("x")); c.newPage(); }, 1},
        {"new page first", [](ReportCanvas& c) { c.newPage(); c.print(QStringLiteral("x")); }, 2},
        {"three pages", [](ReportCanvas& c) {
             for (int i = 0; i < 3; ++i) {
                 if (i > 0)
                     c.newPage();
                 c.line(1, 1, 2, 2);
             }
         }, 3},
    };
    for (Case& c : cases) {
        auto stream = Run(c.job);
        ASSERT_TRUE(stream) << c.what;
        EXPECT_EQ(stream->pageCount(), c.pages) << c.what;
    }
}

TEST_F(ReportCanvasTest, NewPageKeepsTheModelAndRestartsAtTheFirstLine)
{
    std::vector<int> headers;
    double headerX = 0;
    canvas_.setOnNewPage([&](ReportCanvas& c) {
        headers.push_back(c.currentPage());
        headerX = c.x();
        c.printRight(QStringLiteral("Page ") + QString::number(c.currentPage()), c.sectionRight());
    });
    double firstLineY = 0;
    auto stream = Run([&](ReportCanvas& c) {
        c.setMargins(1, 1, 1, 1);
        c.resetSection();
        c.setFont(ReportFont{QStringLiteral("Times New Roman"), 12, true});
        c.setPen(Qt::red, PenStyle::Dash, PenWidth::Hundredths(2));
        c.addTab(TabColumn{TabColumn::kAfterPrevious, 2.0, Justify::Left, 0.02, kBoxNone, 0});
        c.home();
        firstLineY = c.y();
        c.newLine();
        c.newLine();
        c.print(QStringLiteral("page one"));
        c.newPage();
        EXPECT_DOUBLE_EQ(c.y(), firstLineY);
        c.tab();
        c.print(QStringLiteral("page two"));
        c.line(1, 5, 7.5, 5);
    });
    ASSERT_EQ(stream->pageCount(), 2);
    EXPECT_EQ(headers, std::vector<int>{2});
    EXPECT_DOUBLE_EQ(headerX, 1.0);  // the handler starts on the first line at the left edge
    const std::vector<PageItem> second = PageItems(*stream, 1);
    const PageItem* header = FindText(second, QStringLiteral("Page 2"));
    const PageItem* text = FindText(second, QStringLiteral("page two"));
    const PageItem* rule = FindOp(second, PageOp::Line);
    ASSERT_TRUE(header && text && rule);
    // Each page carries its own state: font and pen set on page one hold here.
    EXPECT_EQ(text->font.name, QStringLiteral("Times New Roman"));
    EXPECT_TRUE(text->font.bold);
    EXPECT_EQ(text->font.size, 12);
    EXPECT_DOUBLE_EQ(text->x, 1.02);  // the tab column at the section's left edge + margin
    EXPECT_DOUBLE_EQ(text->y, firstLineY);
    EXPECT_EQ(header->align, Justify::Right);
    EXPECT_DOUBLE_EQ(header->x, 7.5);
    EXPECT_EQ(rule->pen.color, QColor(Qt::red));
    EXPECT_EQ(rule->pen.style, PenStyle::Dash);
    EXPECT_DOUBLE_EQ(rule->pen.width, 0.02);
}

TEST_F(ReportCanvasTest, TabColumnsFollowEachOtherAndSaveAndRestoreAsAStack)
{
    auto stream = Run([](ReportCanvas& c) {
        c.setSection(1.0, 1.0, 7.5, 10.0);
        c.home();
        c.addTab(TabColumn{TabColumn::kAfterPrevious, 1.75, Justify::Left, 0.02});
        c.addTab(TabColumn{TabColumn::kAfterPrevious, 2.15, Justify::Center, 0.02});
        c.addTab(TabColumn{TabColumn::kAfterPrevious, 2.0, Justify::Left, 0.02});
        c.saveTabs();
        c.clearTabs();
        c.addTab(TabColumn{1.0, 6.5, Justify::Left, 0.02, kBoxNone, 10});
        c.tab();
        c.print(QStringLiteral("memo"));
        c.newLine();
        c.restoreTabs();
        c.restoreTabs();  // nothing saved any more: no change
        EXPECT_EQ(c.tabCount(), 3);
        for (const char* value : {"a", "b", "c"}) {
            c.tab();
            c.print(QString::fromLatin1(value));
        }
        c.tab();  // past the last column: nothing, X stays
        c.print(QStringLiteral("d"));
    });
    const std::vector<PageItem> items = PageItems(*stream, 0);
    const PageItem* a = FindText(items, QStringLiteral("a"));
    const PageItem* b = FindText(items, QStringLiteral("b"));
    const PageItem* c = FindText(items, QStringLiteral("c"));
    const PageItem* d = FindText(items, QStringLiteral("d"));
    const PageItem* memoShade = FindOp(items, PageOp::Fill);
    ASSERT_TRUE(a && b && c && d && memoShade);
    EXPECT_DOUBLE_EQ(a->x, 1.02);
    EXPECT_EQ(b->align, Justify::Center);
    EXPECT_DOUBLE_EQ(b->x, 1.0 + 1.75 + 2.15 / 2);
    EXPECT_DOUBLE_EQ(b->x1, 2.75);
    EXPECT_DOUBLE_EQ(b->x2, 4.9);
    EXPECT_DOUBLE_EQ(c->x, 4.92);
    EXPECT_DOUBLE_EQ(d->x, c->x + c->width);
    EXPECT_FALSE(d->clipped);
    EXPECT_EQ(memoShade->fill, QColor(230, 230, 230));  // 10 % of black
    EXPECT_EQ(FindOp(items, PageOp::Fill, 1), nullptr);  // unshaded columns paint nothing
}

TEST_F(ReportCanvasTest, StateIsRecordedOnlyWhenItChanges)
{
    auto stream = Run([](ReportCanvas& c) {
        c.setFont(ReportFont{QStringLiteral("Arial"), 8});
        c.setPen(Qt::black, PenStyle::Solid, PenWidth::DevicePixels(1));
        c.setBrush(Qt::black, BrushStyle::Solid);
        for (int label = 0; label < 30; ++label) {
            c.setFont(ReportFont{QStringLiteral("Arial"), 8});  // set again per label, as objects do
            c.textRect(QRectF(0, 0, 3, 1), 0.1, 0.1 + label * 0.3, QStringLiteral("Same text"));
            for (int bar = 0; bar < 62; ++bar)
                c.rectangle(bar * 0.046, 5, bar * 0.046 + 0.015, 5.125);
        }
    });
    int stateCommands = 0;
    for (const PageCommand& command : stream->page(0).commands()) {
        if (command.op == PageOp::Pen || command.op == PageOp::Brush || command.op == PageOp::Font)
            ++stateCommands;
    }
    EXPECT_EQ(stateCommands, 3);
    EXPECT_EQ(stream->page(0).commands().size(), 3u + 30 * 63);
    EXPECT_EQ(stream->text(0), QStringLiteral("Same text"));
}

TEST_F(ReportCanvasTest, StatusExpandsPageNumberAndTwoLinesIntoItsLabel)
{
    QLabel label;
    canvas_.setStatusLabel(&label);
    canvas_.setBeforePrint([](ReportCanvas& c) {
        c.setStatusFormat(QStringLiteral("Printing Page %p\r%0\r%1"));
        c.clearStatusLines();
    });
    QStringList seen;
    Run([&](ReportCanvas& c) {
        c.print(QStringLiteral("x"));
        c.setStatusLine(0, QStringLiteral("Smith"));
        c.setStatusLine(1, QStringLiteral("100% of %p"));  // shown as written
        seen.append(label.text());
        c.newPage();
        seen.append(label.text());
    });
    EXPECT_EQ(seen, (QStringList{QStringLiteral("Printing Page 1\nSmith\n100% of %p"),
                                 QStringLiteral("Printing Page 2\nSmith\n100% of %p")}));
    canvas_.setStatusFormat(QStringLiteral("\rPreview Stopped at page %p!"));
    EXPECT_EQ(canvas_.statusText(), QStringLiteral("\rPreview Stopped at page 2!"));
}

TEST_F(ReportCanvasTest, AbortStopsRecordingAndKeepsNoPages)
{
    int pagesSeen = 0;
    canvas_.setOnPrint([&](ReportCanvas& c) {
        for (int page = 1; page <= 10 && !c.aborted(); ++page) {
            if (page > 1)
                c.newPage();
            c.print(QStringLiteral("page"));
            pagesSeen = page;
            if (page == 3)
                c.abort();
        }
        c.print(QStringLiteral("after abort"));  // ignored
        c.newPage();                               // ignored
    });
    EXPECT_EQ(canvas_.execute(), JobOutcome::Aborted);
    EXPECT_TRUE(canvas_.aborted());
    EXPECT_EQ(pagesSeen, 3);
    EXPECT_EQ(canvas_.currentPage(), 3);
    EXPECT_EQ(canvas_.takeStream(), nullptr);

    // The next job starts afresh.
    canvas_.setOnPrint([](ReportCanvas& c) { c.print(QStringLiteral("again")); });
    EXPECT_EQ(canvas_.execute(), JobOutcome::Completed);
    EXPECT_FALSE(canvas_.aborted());
    EXPECT_EQ(canvas_.takeStream()->pageCount(), 1);
}

TEST_F(ReportCanvasTest, AHandlerThatThrowsFailsTheJob)
{
    struct Case {
        const char* what;
        ReportCanvas::Handler before;
        ReportCanvas::Handler print;
        QString message;
    } cases[] = {
        {"engine error in the print handler", nullptr,
         [](ReportCanvas& c) {
             c.print(QStringLiteral("half a page"));
             throw xbase::Error(xbase::ErrorKind::Io, "read failed", "ADD0001.DBF", 5);
         },
         QStringLiteral("read failed")},
        {"runtime error before printing",
         [](ReportCanvas&) { throw std::runtime_error("no layout"); },
         [](ReportCanvas& c) { c.print(QStringLiteral("never")); }, QStringLiteral("no layout")},
        {"anything else", nullptr, [](ReportCanvas&) { throw 42; }, QStringLiteral("unexpected")},
    };
    for (Case& c : cases) {
        canvas_.setBeforePrint(c.before);
        canvas_.setOnPrint(c.print);
        EXPECT_EQ(canvas_.execute(), JobOutcome::Failed) << c.what;
        EXPECT_TRUE(canvas_.errorText().contains(c.message)) << c.what << ": " << canvas_.errorText().toStdString();
        EXPECT_EQ(canvas_.takeStream(), nullptr) << c.what;
        EXPECT_FALSE(canvas_.running());
    }
}

TEST_F(ReportCanvasTest, PaperAndOrientationGiveThePageSize)
{
    struct Case {
        const char* what;
        int code;
        Orientation orientation;
        double width;
        double height;
    } cases[] = {
        {"Letter", 1, Orientation::Portrait, 8.5, 11},
        {"Letter landscape", 1, Orientation::Landscape, 11, 8.5},
        {"A4", 9, Orientation::Portrait, 210 / 25.4, 297 / 25.4},
        {"A5 landscape", 11, Orientation::Landscape, 210 / 25.4, 148 / 25.4},
        {"#10 envelope landscape", 20, Orientation::Landscape, 9.5, 4.125},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(canvas_.setPaper(c.code)) << c.what;
        canvas_.setOrientation(c.orientation);
        EXPECT_DOUBLE_EQ(canvas_.pageWidth(), c.width) << c.what;
        EXPECT_DOUBLE_EQ(canvas_.pageHeight(), c.height) << c.what;
    }
    canvas_.setOrientation(Orientation::Portrait);
    ASSERT_TRUE(canvas_.setCustomPaper(4, 6));
    auto stream = Run([](ReportCanvas& c) {
        c.reset();
        EXPECT_DOUBLE_EQ(c.sectionRight(), 3.5);
        EXPECT_DOUBLE_EQ(c.sectionBottom(), 5.5);
        c.print(QStringLiteral("card"));
    });
    EXPECT_EQ(stream->page(0).width(), 4.0);
    EXPECT_EQ(stream->page(0).height(), 6.0);
    EXPECT_FALSE(canvas_.setPaper(4242));  // unknown code: the paper stays
    EXPECT_EQ(canvas_.pageWidth(), 4.0);
}

TEST_F(ReportCanvasTest, ShapesPicturesAndMetafilesAreRecordedInInches)
{
    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(Qt::red);
    auto stream = Run([&](ReportCanvas& c) {
        c.setPen(Qt::blue, PenStyle::InsideFrame, PenWidth::Hundredths(4));
        c.setBrush(Qt::yellow, BrushStyle::Cross);
        c.rectangle(1, 1, 2, 2);
        c.setPenStyle(PenStyle::Solid);
        c.roundRect(3, 1, 5, 2, 0.4, 0.2);
        c.ellipse(6, 1, 7, 3);
        c.moveTo(1, 4);
        c.lineTo(2, 5);
        c.lineTo(3, 4);
        c.stretchBitmap(QRectF(QPointF(1, 6), QPointF(2, 7)), image);
        c.stretchBitmap(QRectF(QPointF(3, 6), QPointF(4, 7)), image);  // the same picture is stored once
        c.stretchMetafile(QRectF(QPointF(5, 6), QPointF(6, 7)), QByteArray("\xd7\xcd\xc6\x9a", 4));
    });
    const std::vector<PageItem> items = PageItems(*stream, 0);
    const PageItem* frame = FindOp(items, PageOp::Rectangle);
    const PageItem* round = FindOp(items, PageOp::RoundRect);
    const PageItem* oval = FindOp(items, PageOp::Ellipse);
    const PageItem* secondLine = FindOp(items, PageOp::Line, 1);
    const PageItem* bitmap = FindOp(items, PageOp::Bitmap, 1);
    const PageItem* metafile = FindOp(items, PageOp::Metafile);
    ASSERT_TRUE(frame && round && oval && secondLine && bitmap && metafile);
    // An inside-frame outline keeps within the box: half its width inwards.
    EXPECT_DOUBLE_EQ(frame->x1, 1.02);
    EXPECT_DOUBLE_EQ(frame->x2, 1.98);
    EXPECT_EQ(frame->brush.style, BrushStyle::Cross);
    EXPECT_EQ(frame->brush.color, QColor(Qt::yellow));
    EXPECT_EQ(round->cornerWidth, 0.4);
    EXPECT_EQ(round->cornerHeight, 0.2);
    EXPECT_EQ(round->x1, 3.0);
    EXPECT_EQ(oval->y2, 3.0);
    EXPECT_EQ(secondLine->x1, 2.0);
    EXPECT_EQ(secondLine->y1, 5.0);
    EXPECT_EQ(secondLine->x2, 3.0);
    EXPECT_EQ(bitmap->x1, 3.0);
    EXPECT_EQ(bitmap->image.pixel(0, 0), QColor(Qt::red).rgb());
    EXPECT_EQ(stream->image(0).cacheKey(), image.cacheKey());
    EXPECT_EQ(metafile->x2, 6.0);
    EXPECT_EQ(stream->metafile(0).size(), 4);
}

}  // namespace
