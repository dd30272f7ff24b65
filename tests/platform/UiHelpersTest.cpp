#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <QWhatsThis>

#include <gtest/gtest.h>

#include "platform/ui/BringToFront.h"
#include "platform/ui/BusyCursor.h"
#include "platform/ui/CancelFlag.h"
#include "platform/ui/WhatsThis.h"

namespace {

Qt::CursorShape OverrideShape()
{
    const QCursor* cursor = QGuiApplication::overrideCursor();
    return cursor ? cursor->shape() : Qt::BlankCursor;
}

TEST(BusyCursorTest, ShowsTheHourglassForItsScopeAndNests)
{
    ASSERT_EQ(QGuiApplication::overrideCursor(), nullptr);
    {
        platform::BusyCursor busy;
        EXPECT_EQ(OverrideShape(), Qt::WaitCursor);
        {
            platform::BusyCursor inner;
            EXPECT_EQ(OverrideShape(), Qt::WaitCursor);
        }
        EXPECT_EQ(OverrideShape(), Qt::WaitCursor);
    }
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);

    try {
        platform::BusyCursor busy;
        throw std::runtime_error("failed");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST(CancelFlagTest, LongLoopSeesACancelClickedMeanwhile)
{
    platform::CancelFlag cancel;
    QPushButton cancelButton;
    QObject::connect(&cancelButton, &QPushButton::clicked, &cancelButton, [&cancel] { cancel.cancel(); });
    // The click arrives as an event while the loop runs.
    QTimer::singleShot(0, &cancelButton, [&cancelButton] { cancelButton.click(); });

    int records = 0;
    while (records < 100000) {
        ++records;  // one record's work
        if (cancel.keepResponsive())
            break;
    }
    EXPECT_TRUE(cancel.isCancelled());
    EXPECT_LT(records, 100000);
    cancel.reset();
    EXPECT_FALSE(cancel.keepResponsive());
}

// The "What's this?" pop-up Qt shows (a private class).
QWidget* WhatsThisPopup()
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->inherits("QWhatsThat") && widget->isVisible())
            return widget;
    }
    return nullptr;
}

class WhatsThisTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        QWhatsThis::hideText();
        QWhatsThis::leaveWhatsThisMode();
    }
    static QMenu* OpenMenu(QWidget* control)
    {
        emit control->customContextMenuRequested(QPoint(2, 2));
        return control->findChild<QMenu*>(QStringLiteral("WhatsThisMenu"));
    }
};

TEST_F(WhatsThisTest, RightClickOffersWhatsThisAndShowsTheText)
{
    QWidget window;
    auto* button = new QPushButton(QStringLiteral("Print"), &window);
    const QString text = QStringLiteral("Click here to print the report now.\r\n\r\n<Hint>: twice");
    platform::SetWhatsThis(button, text);
    window.show();

    EXPECT_EQ(platform::WhatsThisText(button), text);
    EXPECT_EQ(button->contextMenuPolicy(), Qt::CustomContextMenu);
    EXPECT_TRUE(button->whatsThis().contains(QStringLiteral("&lt;Hint&gt;"))) << "shown as plain text";

    QMenu* menu = OpenMenu(button);
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->actions().size(), 1);
    QAction* item = menu->actions().front();
    EXPECT_EQ(item->text(), QStringLiteral("What's this?"));
    item->trigger();
    menu->close();
    EXPECT_NE(WhatsThisPopup(), nullptr);
}

TEST_F(WhatsThisTest, EditsKeepTheirOwnMenuAndSettingTwiceConnectsOnce)
{
    QWidget window;
    auto* edit = new QLineEdit(&window);
    platform::SetWhatsThis(edit, QStringLiteral("first"));
    platform::SetWhatsThis(edit, QStringLiteral("Enter the title you want printed at the top of each report page here."));
    window.show();

    QMenu* menu = OpenMenu(edit);
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(edit->findChildren<QMenu*>(QStringLiteral("WhatsThisMenu")).size(), 1) << "one menu per request";
    const QList<QAction*> actions = menu->actions();
    ASSERT_GT(actions.size(), 2) << "cut, copy, paste... stay";
    EXPECT_EQ(actions.back()->text(), QStringLiteral("What's this?"));
    EXPECT_EQ(platform::WhatsThisText(edit),
              QStringLiteral("Enter the title you want printed at the top of each report page here."));
    menu->close();
}

TEST_F(WhatsThisTest, SuspendedWhileAJobRuns)
{
    QWidget window;
    auto* button = new QPushButton(&window);
    platform::SetWhatsThis(button, QStringLiteral("Help text"));
    window.show();

    platform::SetWhatsThisSuspended(&window, true);
    EXPECT_TRUE(platform::IsWhatsThisSuspended(button));
    EXPECT_EQ(OpenMenu(button), nullptr);

    platform::SetWhatsThisSuspended(&window, false);
    QMenu* menu = OpenMenu(button);
    ASSERT_NE(menu, nullptr);
    menu->close();
}

TEST_F(WhatsThisTest, MouseHelpButtonStartsPointerHelp)
{
    QWidget window;
    auto* mouseHelp = new QPushButton(&window);
    platform::ConnectMouseHelpButton(mouseHelp);
    window.show();
    ASSERT_FALSE(QWhatsThis::inWhatsThisMode());
    mouseHelp->click();
    EXPECT_TRUE(QWhatsThis::inWhatsThisMode());
}

TEST(BringToFrontTest, RestoresAMinimisedWindow)
{
    QWidget window;
    window.showMinimized();
    ASSERT_TRUE(window.isMinimized());
    platform::BringToFront(&window);
    EXPECT_FALSE(window.isMinimized());
    EXPECT_TRUE(window.isVisible());

    QWidget hidden;
    platform::BringToFront(&hidden);
    EXPECT_TRUE(hidden.isVisible());
    platform::BringToFront(nullptr);
}

}  // namespace
