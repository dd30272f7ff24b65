// The getting-started window: its page with the exact texts and links, the
// help topics the links open, and the "do not show" setting it keeps.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextList>

#include "AppTestSupport.h"
#include "app/GettingStartedPage.h"
#include "app/TGettingStarted.h"
#include "data/Preferences.h"
#include "platform/TempProgramDir.h"
#include "platform/system/IniFile.h"
#include "platform/system/SettingsFile.h"

using app::GettingStartedPage;
using app::TGettingStarted;

namespace {

class GettingStartedTest : public ::testing::Test {
protected:
    void TearDown() override { CloseHelp(); }
    QString stored() const
    {
        return platform::IniFile(platform::SettingsFile())
            .readString(QStringLiteral("Misc"), QStringLiteral("GettingStarted"), QStringLiteral("<missing>"));
    }
    static QCheckBox* dontShow(const QWidget& window)
    {
        return window.findChild<QCheckBox*>(QStringLiteral("DontShowCheckBox"));
    }
    TempProgramDir home_;
};

TEST_F(GettingStartedTest, ABorderlessWindowWithItsHeadingPageAndButtons)
{
    TGettingStarted window;
    EXPECT_TRUE(window.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(window.findChild<QLabel*>(QStringLiteral("HeadingLabel"))->text(), "Getting Started");
    EXPECT_EQ(dontShow(window)->text(), "Do not show this screen at start up");
    EXPECT_EQ(window.findChild<QPushButton*>(QStringLiteral("OkButton"))->text(), "Ok");
    GettingStartedPage* page = window.findChild<GettingStartedPage*>(QStringLiteral("Page"));
    ASSERT_NE(page, nullptr);
    EXPECT_TRUE(page->isReadOnly());
    EXPECT_EQ(page->document()->defaultFont().family(), "Arial");
    EXPECT_EQ(page->document()->defaultFont().pointSize(), 10);
}

TEST_F(GettingStartedTest, ThePageReadsAsWritten)
{
    GettingStartedPage page;
    struct Line {
        const char* text;
        bool bullet;
    } lines[] = {
        {"\"What do I do now?\" is a common question when you first start a new program. we want to answer that "
         "question for you so you can start enjoying your new program right away!",
         false},
        {"How do I create a new database?", true},
        {"How do I import records from another program that are in dBase or ASCII comma-delimited format?", true},
        {"How do I add a new record?", true},
        {"How do I change an existing record?", true},
        {"How do I delete an existing record?", true},
        {"Other Frequently Asked Questions", true},
        {"Every screen has two Help options. Click on the Help to display the main Help topic for that screen. Or, "
         "click on the black question mark. Your mouse cursor will turn into a question mark and you can click on "
         "any screen object you have a question about. You can always come back to this screen by clicking Help "
         "from the main menu, and then selecting Getting Started.",
         false},
    };
    QTextBlock block = page.document()->begin();
    for (const Line& line : lines) {
        SCOPED_TRACE(line.text);
        ASSERT_TRUE(block.isValid());
        EXPECT_EQ(block.text(), QString::fromLatin1(line.text));
        EXPECT_EQ(block.textList() != nullptr, line.bullet);
        if (block.textList()) {
            EXPECT_EQ(block.textList()->format().style(), QTextListFormat::ListDisc);
        }
        block = block.next();
    }
    EXPECT_FALSE(block.isValid());

    // The question is bold and underlined; the rest of the paragraph is not.
    const QTextBlock first = page.document()->begin();
    const QTextCharFormat question = first.begin().fragment().charFormat();
    EXPECT_EQ(first.begin().fragment().text(), "\"What do I do now?\"");
    EXPECT_EQ(question.fontWeight(), QFont::Bold);
    EXPECT_TRUE(question.fontUnderline());
    EXPECT_FALSE((++first.begin()).fragment().charFormat().fontUnderline());
}

TEST_F(GettingStartedTest, LinksAreGreenUnderlinedWords)
{
    GettingStartedPage page;
    EXPECT_EQ(page.linkTexts(), (QStringList{"new", "dBase", "ASCII", "add", "change", "delete",
                                             "Frequently Asked Questions"}));
    for (QTextBlock block = page.document()->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            if (!format.isAnchor())
                continue;
            SCOPED_TRACE(it.fragment().text().toStdString());
            EXPECT_EQ(format.foreground().color(), QColor(0, 128, 0));
            EXPECT_TRUE(format.fontUnderline());
            EXPECT_EQ(format.anchorHref(), it.fragment().text());
        }
    }
}

TEST_F(GettingStartedTest, EachLinkOpensItsHelpTopic)
{
    const std::pair<const char*, int> links[] = {
        {"new", 1037}, {"dBase", 1021}, {"ASCII", 1023}, {"add", 1030},
        {"change", 1030}, {"delete", 2099}, {"Frequently Asked Questions", 2098},
    };
    TGettingStarted window;
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    GettingStartedPage* page = window.page();
    for (const auto& [text, context] : links) {
        SCOPED_TRACE(text);
        CloseHelp();
        const QRect where = page->linkRect(QLatin1String(text));
        ASSERT_FALSE(where.isEmpty());
        QTest::mouseClick(page->viewport(), Qt::LeftButton, {}, where.center());
        EXPECT_EQ(HelpSource(), HelpTopicUrl(context));
    }
}

TEST_F(GettingStartedTest, LinkTextsMapToContextsInAnyCase)
{
    const std::pair<const char*, int> cases[] = {
        {"NEW", 1037}, {"dbase", 1021}, {"Ascii", 1023}, {"ADD", 1030}, {"Change", 1030}, {"find", 1026},
        {"DELETE", 2099}, {"Technical Support", 1015}, {"frequently asked questions", 2098},
        {"news", 0}, {"", 0}, {"Frequently  Asked Questions", 0},
    };
    for (const auto& [text, context] : cases)
        EXPECT_EQ(TGettingStarted::LinkContext(QLatin1String(text)), context) << text;
}

TEST_F(GettingStartedTest, TheCheckBoxKeepsTheSettingHoweverTheWindowCloses)
{
    {
        TGettingStarted window;
        EXPECT_FALSE(dontShow(window)->isChecked());
        EXPECT_EQ(stored(), "<missing>");  // opening writes nothing
        dontShow(window)->setChecked(true);
        window.findChild<QPushButton*>(QStringLiteral("OkButton"))->click();
    }
    EXPECT_EQ(stored(), "1");
    EXPECT_TRUE(data::ReadGettingStarted());
    {
        TGettingStarted window;
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        EXPECT_TRUE(dontShow(window)->isChecked());
        dontShow(window)->setChecked(false);
        QTest::keyClick(&window, Qt::Key_Escape);
        EXPECT_FALSE(window.isVisible());
    }
    EXPECT_EQ(stored(), "0");
}

TEST_F(GettingStartedTest, ShowGettingStartedRunsTheWindowUntilOk)
{
    bool shown = false;
    WhenModal<TGettingStarted>([&shown](TGettingStarted* window) {
        shown = true;
        QTest::mouseClick(dontShow(*window), Qt::LeftButton);
        window->findChild<QPushButton*>(QStringLiteral("OkButton"))->click();
    });
    app::ShowGettingStarted();
    EXPECT_TRUE(shown);
    EXPECT_EQ(stored(), "1");
}

}  // namespace
