#include "platform/help/Help.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QToolButton>

#include <gtest/gtest.h>

#include "platform/help/HelpBrowser.h"
#include "platform/help/HelpTopics.h"
#include "platform/help/HelpWindow.h"
#include "platform/ui/FormPlacement.h"
#include "TempProgramDir.h"

using platform::HelpWindow;

namespace {

class HelpTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(home_.isValid()); }
    void TearDown() override
    {
        delete HelpWindow::instance();
        platform::SetMainWindow(nullptr);
    }
    static QString Text() { return HelpWindow::instance()->browser()->toPlainText(); }
    static QUrl Source() { return HelpWindow::instance()->browser()->source(); }

    TempProgramDir home_;
};

TEST_F(HelpTest, EveryContextOfTheWindowsHasATopic)
{
    const platform::HelpTopics topics;
    for (const int context : {1029, 1033, 1034, 1026, 1025, 1040, 1039, 1037, 2097, 1091, 1038, 1074}) {
        SCOPED_TRACE(context);
        const QString path = topics.path(context);
        ASSERT_FALSE(path.isEmpty());
        EXPECT_EQ(QFileInfo(path).fileName(), QString::number(context) + QStringLiteral(".html"));
    }
    for (const platform::HelpTopic& topic : topics.topics())
        EXPECT_FALSE(topic.title.startsWith(QStringLiteral("Topic "))) << topic.path.toStdString() << " has no title";
}

TEST_F(HelpTest, OpensTheTopicOfTheContextNumber)
{
    platform::ShowHelpTopic(1029);
    HelpWindow* window = HelpWindow::instance();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(window->isModal());
    EXPECT_EQ(QFileInfo(Source().toLocalFile()).fileName(), QStringLiteral("1029.html"));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Quillpost Help - The address book window"));
    EXPECT_TRUE(Text().contains(QStringLiteral("one record at a time")));

    // One window: the next topic replaces the page in the same window.
    platform::ShowHelpTopic(1074);
    EXPECT_EQ(HelpWindow::instance(), window);
    EXPECT_TRUE(Text().contains(QStringLiteral("Print preview")));

    // Back returns to the first topic.
    auto* back = window->findChild<QToolButton*>(QStringLiteral("BackButton"));
    ASSERT_NE(back, nullptr);
    ASSERT_TRUE(back->isEnabled());
    back->click();
    EXPECT_EQ(QFileInfo(Source().toLocalFile()).fileName(), QStringLiteral("1029.html"));
}

TEST_F(HelpTest, ANumberWithoutATopicSaysSo)
{
    platform::ShowHelpTopic(4711);
    ASSERT_NE(HelpWindow::instance(), nullptr);
    EXPECT_EQ(Source(), platform::HelpBrowser::MissingTopicUrl(4711));
    EXPECT_TRUE(Text().contains(QStringLiteral("There is no help topic for context number 4711.")));
    // Its link leads to the contents.
    emit HelpWindow::instance()->browser()->anchorClicked(QUrl(QStringLiteral("help:contents")));
    EXPECT_EQ(Source(), platform::HelpBrowser::ContentsUrl());
}

TEST_F(HelpTest, ContentsListsEveryTopicByTitle)
{
    platform::ShowHelpTopic(1033);
    HelpWindow* window = HelpWindow::instance();
    window->findChild<QToolButton*>(QStringLiteral("ContentsButton"))->click();
    EXPECT_EQ(Source(), platform::HelpBrowser::ContentsUrl());
    const QString text = Text();
    const platform::HelpTopics topics;
    ASSERT_GE(topics.topics().size(), 12u);
    qsizetype previous = -1;
    for (const platform::HelpTopic& topic : topics.topics()) {
        const qsizetype at = text.indexOf(topic.title);
        EXPECT_GT(at, previous) << topic.title.toStdString() << " missing or out of order";
        previous = at;
    }
}

TEST_F(HelpTest, SearchFindsTitlesFirstThenText)
{
    platform::ShowHelpTopic(1029);
    HelpWindow* window = HelpWindow::instance();
    auto* edit = window->findChild<QLineEdit*>(QStringLiteral("SearchEdit"));
    ASSERT_NE(edit, nullptr);
    edit->setText(QStringLiteral("FILTER"));
    window->findChild<QToolButton*>(QStringLiteral("SearchButton"))->click();
    const QString text = Text();
    const qsizetype title = text.indexOf(QStringLiteral("Setting a filter"));
    const qsizetype body = text.indexOf(QStringLiteral("The address book window"));  // mentions the filter
    EXPECT_GE(title, 0);
    EXPECT_GT(body, title);
    EXPECT_EQ(text.indexOf(QStringLiteral("Choosing a date")), -1);

    window->search(QStringLiteral("zipcode-that-is-nowhere"));
    EXPECT_TRUE(Text().contains(QStringLiteral("No topic contains \"zipcode-that-is-nowhere\".")));

    // Every word must occur.
    const std::vector<platform::HelpTopic> both = platform::HelpTopics().search(QStringLiteral("calendar today"));
    ASSERT_EQ(both.size(), 1u);
    EXPECT_EQ(QFileInfo(both.front().path).fileName(), QStringLiteral("1025.html"));
}

TEST_F(HelpTest, TopicsInstalledInTheProgramFolderComeFirst)
{
    ASSERT_TRUE(QDir().mkpath(home_.path() + QStringLiteral("help")));
    QFile topic(home_.path() + QStringLiteral("help/1029.html"));
    ASSERT_TRUE(topic.open(QIODevice::WriteOnly));
    topic.write("<html><head><title>Installed copy</title></head><body>Installed text</body></html>");
    topic.close();

    platform::ShowHelpTopic(1029);
    EXPECT_TRUE(Text().contains(QStringLiteral("Installed text")));
    platform::ShowHelpTopic(1033);
    EXPECT_EQ(Source(), platform::HelpBrowser::MissingTopicUrl(1033)) << "only the installed folder is used";
}

TEST_F(HelpTest, UsableWhileAModalDialogRunsAndOutlivesIt)
{
    auto* dialog = new QDialog;
    dialog->setModal(true);
    dialog->show();
    ASSERT_EQ(QApplication::activeModalWidget(), dialog);

    platform::ShowHelpTopic(1038);
    HelpWindow* window = HelpWindow::instance();
    ASSERT_NE(window, nullptr);
    // Belonging to the dialog, it is not blocked by it.
    EXPECT_EQ(window->parentWidget(), dialog);
    EXPECT_TRUE(window->isWindow());

    dialog->hide();
    EXPECT_NE(window->parentWidget(), dialog);
    EXPECT_TRUE(window->isVisible());
    delete dialog;
    ASSERT_EQ(HelpWindow::instance(), window);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(Text().contains(QStringLiteral("Preferences")));
}

TEST_F(HelpTest, DoesNotKeepTheProgramRunningAndGoesWhenClosed)
{
    platform::ShowHelpTopic(1029);
    HelpWindow* window = HelpWindow::instance();
    EXPECT_FALSE(window->testAttribute(Qt::WA_QuitOnClose));
    window->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(HelpWindow::instance(), nullptr);
}

}  // namespace
