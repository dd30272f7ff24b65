// The print preview window on recorded jobs: its caption follows every page
// and zoom change, a one-page job has no page buttons, the zoom modes and
// "100%" set the zoom exactly, mouse buttons zoom, Up and Down scroll within
// the range, and closing saves the placement.
#include "reports/qpprevue.h"

#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <cmath>

#include "platform/PrintTestSupport.h"
#include "platform/help/HelpBrowser.h"
#include "platform/help/HelpWindow.h"
#include "platform/print/PreviewView.h"
#include "platform/print/ReportCanvas.h"
#include "platform/system/IniFile.h"
#include "platform/system/SettingsFile.h"
#include "platform/ui/FormPlacement.h"

using namespace platform;

namespace {

const char* const kPageButtons[] = {"sbFirstPage", "sbPrevPage", "sbNextPage", "sbLastPAge"};

class PreviewFormTest : public ::testing::Test {
protected:
    // A job of `pages` Letter pages, each with a black box at (1, 1)-(2, 2).
    std::shared_ptr<const PageStream> Job(int pages)
    {
        ReportCanvas canvas(world_.setup());
        canvas.setOutput(JobOutput::Stream);
        canvas.setOnPrint([pages](ReportCanvas& c) {
            for (int page = 1; page <= pages; ++page) {
                if (page > 1)
                    c.newPage();
                c.setBrush(Qt::black, BrushStyle::Solid);
                c.rectangle(1, 1, 2, 2);
                c.home();
                c.print(QStringLiteral("Page %1").arg(page));
            }
        });
        EXPECT_EQ(canvas.execute(), JobOutcome::Completed);
        return canvas.takeStream();
    }

    // Opens the window as a caller does and lets it take its first activation.
    std::unique_ptr<TPreviewForm> Open(int pages, int zoomMode)
    {
        auto form = std::make_unique<TPreviewForm>(Job(pages));
        form->setWindowTitle(QStringLiteral("Preview Labels"));
        form->setInitialZoom(zoomMode);
        form->show();
        QCoreApplication::processEvents();
        return form;
    }

    static QString Caption(int page, int pages, double zoom)
    {
        return QStringLiteral("Preview Page %1 of %2 ( %3% )").arg(page).arg(pages).arg(int(std::trunc(zoom)));
    }

    static void Click(TPreviewForm& form, const char* name)
    {
        auto* button = form.findChild<QAbstractButton*>(QString::fromLatin1(name));
        ASSERT_NE(button, nullptr) << name;
        button->click();
    }

    void TearDown() override { delete HelpWindow::instance(); }

    PrintWorld world_;
};

TEST_F(PreviewFormTest, CaptionFollowsPagesAndZoom)
{
    auto form = Open(3, 1);
    PreviewView* view = form->preview();
    EXPECT_DOUBLE_EQ(view->zoom(), view->zoomPageFactor());
    EXPECT_EQ(form->windowTitle(), Caption(1, 3, view->zoom()));
    for (const char* name : kPageButtons)
        EXPECT_TRUE(form->findChild<QAbstractButton*>(QString::fromLatin1(name))->isVisible()) << name;

    struct Step {
        const char* button;
        int page;
    } steps[] = {{"sbNextPage", 2}, {"sbLastPAge", 3}, {"sbNextPage", 3}, {"sbPrevPage", 2},
                 {"sbFirstPage", 1}, {"sbPrevPage", 1}};
    for (const Step& step : steps) {
        Click(*form, step.button);
        EXPECT_EQ(view->currentPage(), step.page) << step.button;
        EXPECT_EQ(form->windowTitle(), Caption(step.page, 3, view->zoom())) << step.button;
    }

    Click(*form, "zbZoom100");
    EXPECT_EQ(view->zoom(), 100.0);
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Preview Page 1 of 3 ( 100% )"));
    Click(*form, "sbZoomIn");
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Preview Page 1 of 3 ( 110% )"));
    Click(*form, "sbZoomOut");
    Click(*form, "sbZoomOut");
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Preview Page 1 of 3 ( 90% )"));
    Click(*form, "sbZoomPageWidth");
    EXPECT_DOUBLE_EQ(view->zoom(), view->zoomPageWidthFactor());
    EXPECT_EQ(form->windowTitle(), Caption(1, 3, view->zoom()));
}

TEST_F(PreviewFormTest, AOnePageJobHasNoPageButtons)
{
    auto form = Open(1, 100);
    for (const char* name : kPageButtons)
        EXPECT_FALSE(form->findChild<QAbstractButton*>(QString::fromLatin1(name))->isVisible()) << name;
    EXPECT_TRUE(form->findChild<QAbstractButton*>(QStringLiteral("zbZoom100"))->isVisible());
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Preview Page 1 of 1 ( 100% )"));
}

TEST_F(PreviewFormTest, InitialZoomModes)
{
    struct Case {
        int mode;
        const char* what;
    } cases[] = {{1, "whole page"}, {2, "page width"}, {100, "100 percent"}, {150, "150 percent"}};
    for (const Case& c : cases) {
        auto form = Open(2, c.mode);
        PreviewView* view = form->preview();
        QWidget* picture = view->pagePicture();
        const QSize viewport = view->viewport()->size();
        switch (c.mode) {
        case 1:
            EXPECT_DOUBLE_EQ(view->zoom(), view->zoomPageFactor()) << c.what;
            EXPECT_LE(picture->width(), viewport.width()) << c.what;
            EXPECT_LE(picture->height(), viewport.height()) << c.what;
            EXPECT_EQ(view->verticalScrollBar()->maximum(), 0) << c.what;
            break;
        case 2:
            EXPECT_DOUBLE_EQ(view->zoom(), view->zoomPageWidthFactor()) << c.what;
            EXPECT_LE(picture->width(), viewport.width()) << c.what;
            EXPECT_GE(picture->width(), viewport.width() - 3) << c.what;
            EXPECT_EQ(view->horizontalScrollBar()->maximum(), 0) << c.what;
            break;
        default:
            EXPECT_EQ(view->zoom(), double(c.mode)) << c.what;
            // 8.5 inches plus 2.5 % margins each side, at the preview's pixels per inch.
            EXPECT_EQ(picture->width(), int(std::floor(8.5 * 1.05 * view->pixelsPerInch() * c.mode / 100)))
                << c.what;
            break;
        }
        EXPECT_EQ(form->windowTitle(), Caption(1, 2, view->zoom())) << c.what;
    }
}

TEST_F(PreviewFormTest, MouseButtonsOnThePageZoom)
{
    auto form = Open(1, 100);
    PreviewView* view = form->preview();
    QWidget* picture = view->pagePicture();
    struct Case {
        Qt::MouseButton button;
        double zoom;
    } cases[] = {{Qt::LeftButton, 110}, {Qt::LeftButton, 120}, {Qt::RightButton, 110}, {Qt::MiddleButton, 100}};
    for (const Case& c : cases) {
        QTest::mouseClick(picture, c.button, Qt::NoModifier, QPoint(40, 40));
        EXPECT_EQ(view->zoom(), c.zoom) << int(c.button);
        EXPECT_EQ(form->windowTitle(), Caption(1, 1, c.zoom));
    }
    EXPECT_EQ(picture->cursor().shape(), Qt::BitmapCursor);  // the magnifier
}

TEST_F(PreviewFormTest, UpAndDownScrollWithinTheRange)
{
    auto form = Open(1, 200);
    QScrollBar* bar = form->preview()->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 3 * bar->singleStep());
    QWidget* focus = form->findChild<QWidget*>(QStringLiteral("ReturnButton"));
    EXPECT_EQ(bar->value(), 0);
    QTest::keyClick(focus, Qt::Key_Up);
    EXPECT_EQ(bar->value(), 0);
    QTest::keyClick(focus, Qt::Key_Down);
    QTest::keyClick(focus, Qt::Key_Down);
    EXPECT_EQ(bar->value(), 2 * bar->singleStep());
    QTest::keyClick(form->preview()->pagePicture(), Qt::Key_Up);
    EXPECT_EQ(bar->value(), bar->singleStep());
    bar->setValue(bar->maximum() - 1);
    QTest::keyClick(focus, Qt::Key_Down);
    EXPECT_EQ(bar->value(), bar->maximum());
    EXPECT_TRUE(form->isVisible());  // arrow keys never close or click anything
}

TEST_F(PreviewFormTest, TheWindowShowsTheRecordedPage)
{
    auto form = Open(2, 100);
    PreviewView* view = form->preview();
    const QImage shot = view->pagePicture()->grab().toImage();
    const double ppi = view->pixelsPerInch();
    const double margin = 8.5 * ppi * PreviewView::kMarginFraction;
    auto at = [&](double x, double y) {
        return qGray(shot.pixel(int(margin + x * ppi), int(margin + y * ppi)));
    };
    EXPECT_LT(at(1.5, 1.5), 64);    // inside the black box
    EXPECT_GT(at(3.0, 1.5), 224);   // white paper beside it
    EXPECT_LT(qGray(shot.pixel(2, 2)), 224);  // the grey ground around the page
}

TEST_F(PreviewFormTest, OkEscapeAndHelp)
{
    auto form = Open(3, 2);
    Click(*form, "Helpbutton");
    ASSERT_NE(HelpWindow::instance(), nullptr);
    EXPECT_TRUE(HelpWindow::instance()->browser()->source().toLocalFile().endsWith(QStringLiteral("/1074.html")));
    delete HelpWindow::instance();

    auto* ok = form->findChild<QPushButton*>(QStringLiteral("ReturnButton"));
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->text(), QStringLiteral("Ok"));
    EXPECT_TRUE(ok->isDefault());
    form->resize(640, 500);  // where it was put last is where it opens next
    QCoreApplication::processEvents();
    ok->click();
    EXPECT_FALSE(form->isVisible());
    EXPECT_FALSE(form->preview()->showing());  // the stream is let go
    const IniFile settings(SettingsFile());
    const QString section = PlacementSection(form.get());
    ASSERT_TRUE(settings.sectionExists(section));
    EXPECT_EQ(settings.readInteger(section, QStringLiteral("Right"), 0)
                  - settings.readInteger(section, QStringLiteral("Left"), 0),
              640);

    auto again = Open(1, 1);
    QTest::keyClick(again.get(), Qt::Key_Escape);
    EXPECT_FALSE(again->isVisible());
}

TEST_F(PreviewFormTest, AnEmptyJobShowsNoPage)
{
    auto form = Open(0, 1);
    EXPECT_EQ(form->preview()->pageCount(), 0);
    EXPECT_EQ(form->windowTitle(), Caption(0, 0, form->preview()->zoom()));
    Click(*form, "zbZoom100");
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Preview Page 0 of 0 ( 100% )"));
}

}  // namespace
