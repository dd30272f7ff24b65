#include "platform/ui/FormPlacement.h"

#include <QGuiApplication>
#include <QScreen>

#include <gtest/gtest.h>

#include "platform/system/IniFile.h"
#include "platform/system/SettingsFile.h"
#include "TempProgramDir.h"

// Windows of their own classes, as the program's windows are: the class
// name picks the settings section.
class TPlacementProbe : public QWidget {
    Q_OBJECT
};

class TMainProbe : public QWidget {
    Q_OBJECT
};

namespace app {
class TNamespacedProbe : public QWidget {
    Q_OBJECT
};
}  // namespace app

namespace {

using platform::IniFile;

const QString kSection = QStringLiteral("TPlacementProbe_Placement");

class FormPlacementTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(home_.isValid());
        platform::SetMainWindow(nullptr);
    }
    void TearDown() override { platform::SetMainWindow(nullptr); }

    void store(int left, int top, int right, int bottom, bool maximized = false)
    {
        IniFile ini(platform::SettingsFile());
        ASSERT_TRUE(ini.writeInteger(kSection, QStringLiteral("Left"), left));
        ASSERT_TRUE(ini.writeInteger(kSection, QStringLiteral("Top"), top));
        ASSERT_TRUE(ini.writeInteger(kSection, QStringLiteral("Right"), right));
        ASSERT_TRUE(ini.writeInteger(kSection, QStringLiteral("Bottom"), bottom));
        ASSERT_TRUE(ini.writeBool(kSection, QStringLiteral("Maximized"), maximized));
    }
    QRect stored() const
    {
        const IniFile ini(platform::SettingsFile());
        const int left = ini.readInteger(kSection, QStringLiteral("Left"), -1);
        const int top = ini.readInteger(kSection, QStringLiteral("Top"), -1);
        return QRect(left, top, ini.readInteger(kSection, QStringLiteral("Right"), -1) - left,
                     ini.readInteger(kSection, QStringLiteral("Bottom"), -1) - top);
    }
    bool storedMaximized() const
    {
        return IniFile(platform::SettingsFile()).readBool(kSection, QStringLiteral("Maximized"), false);
    }

    TempProgramDir home_;
};

TEST_F(FormPlacementTest, TheOffscreenScreenIsTheOneTheseTestsAssume)
{
    QScreen* screen = QGuiApplication::primaryScreen();
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(screen->geometry(), QRect(0, 0, 800, 800));
    EXPECT_EQ(qRound(screen->logicalDotsPerInch()), 96);
    EXPECT_EQ(QGuiApplication::screens().size(), 1);
}

TEST_F(FormPlacementTest, SectionIsTheClassNameAndTheResolutionAbove96)
{
    EXPECT_EQ(platform::PlacementSection(QStringLiteral("TAddressMain"), 96), QStringLiteral("TAddressMain_Placement"));
    EXPECT_EQ(platform::PlacementSection(QStringLiteral("TAddressMain"), 72), QStringLiteral("TAddressMain_Placement"));
    EXPECT_EQ(platform::PlacementSection(QStringLiteral("TAddressMain"), 120),
              QStringLiteral("TAddressMain_Placement120"));
    TPlacementProbe probe;
    EXPECT_EQ(platform::PlacementSection(&probe), kSection);
    app::TNamespacedProbe namespaced;
    EXPECT_EQ(platform::PlacementSection(&namespaced), QStringLiteral("TNamespacedProbe_Placement"));
}

TEST_F(FormPlacementTest, RoundTrip)
{
    {
        TPlacementProbe window;
        window.setGeometry(100, 120, 300, 200);
        window.show();
        platform::SaveFormPlacement(&window);
    }
    EXPECT_EQ(stored(), QRect(100, 120, 300, 200));
    EXPECT_FALSE(storedMaximized());
    // Right and Bottom are exclusive: Left + width, Top + height.
    const IniFile ini(platform::SettingsFile());
    EXPECT_EQ(ini.readInteger(kSection, QStringLiteral("Right"), 0), 400);
    EXPECT_EQ(ini.readInteger(kSection, QStringLiteral("Bottom"), 0), 320);

    TPlacementProbe again;
    platform::RestoreFormPlacement(&again);
    again.show();
    EXPECT_EQ(again.geometry(), QRect(100, 120, 300, 200));
    EXPECT_FALSE(again.isMaximized());
}

TEST_F(FormPlacementTest, MaximisedWindowKeepsItsRestoredRectangle)
{
    {
        TPlacementProbe window;
        window.setGeometry(50, 60, 300, 200);
        window.show();
        window.showMaximized();
        ASSERT_TRUE(window.isMaximized());
        platform::SaveFormPlacement(&window);
    }
    EXPECT_TRUE(storedMaximized());
    EXPECT_EQ(stored(), QRect(50, 60, 300, 200));

    TPlacementProbe again;
    platform::RestoreFormPlacement(&again);
    again.show();
    EXPECT_TRUE(again.isMaximized());
    EXPECT_EQ(again.normalGeometry(), QRect(50, 60, 300, 200));
    // Restore saved at once: still the normal rectangle, still maximised.
    EXPECT_EQ(stored(), QRect(50, 60, 300, 200));
    EXPECT_TRUE(storedMaximized());
    again.showNormal();
    EXPECT_EQ(again.geometry(), QRect(50, 60, 300, 200));
}

TEST_F(FormPlacementTest, NotMaximisedAnyMoreAfterSavedNormal)
{
    store(10, 20, 310, 220, false);
    TPlacementProbe window;
    platform::RestoreFormPlacement(&window);
    window.show();
    EXPECT_FALSE(window.isMaximized());
}

TEST_F(FormPlacementTest, RectanglesPastTheRightOrBottomEdgeArePulledBack)
{
    const struct {
        const char* name;
        QRect stored;
        QRect expected;
    } cases[] = {
        {"inside", QRect(10, 20, 300, 200), QRect(10, 20, 300, 200)},
        {"past the right edge", QRect(600, 10, 300, 200), QRect(500, 10, 300, 200)},
        {"past the bottom edge", QRect(10, 700, 300, 200), QRect(10, 600, 300, 200)},
        {"past both", QRect(700, 700, 300, 200), QRect(500, 600, 300, 200)},
        {"touching the corner", QRect(500, 600, 300, 200), QRect(500, 600, 300, 200)},
        {"negative left and top stay", QRect(-50, -40, 300, 200), QRect(-50, -40, 300, 200)},
        {"larger than the screen", QRect(0, 0, 1000, 900), QRect(-200, -100, 1000, 900)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        store(c.stored.x(), c.stored.y(), c.stored.x() + c.stored.width(), c.stored.y() + c.stored.height());
        TPlacementProbe window;
        platform::RestoreFormPlacement(&window);
        EXPECT_EQ(window.geometry(), c.expected);
        EXPECT_EQ(stored(), c.expected) << "saved right after restoring";
    }
}

TEST_F(FormPlacementTest, UntrustworthyRectanglesCentreTheWindowInstead)
{
    TMainProbe main;
    main.setGeometry(100, 100, 400, 300);
    main.show();
    platform::SetMainWindow(&main);

    const struct {
        const char* name;
        int left, top, right, bottom;
    } cases[] = {
        {"nothing stored", 0, 0, 0, 0},
        {"zero width", 100, 100, 100, 300},
        {"inverted horizontally", 300, 100, 100, 300},
        {"zero height", 100, 300, 400, 300},
        {"inverted vertically", 100, 300, 400, 100},
        {"right of every screen", 2000, 100, 2300, 300},
        {"below every screen", 100, 900, 400, 1100},
        {"before every screen", -900, -700, -600, -500},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        store(c.left, c.top, c.right, c.bottom);
        TPlacementProbe window;
        window.resize(200, 100);
        platform::RestoreFormPlacement(&window);
        // Centred over the main window: 100 + (400 - 200) / 2, 100 + (300 - 100) / 2.
        EXPECT_EQ(window.geometry(), QRect(200, 200, 200, 100));
        EXPECT_EQ(stored(), QRect(200, 200, 200, 100));
    }
}

TEST_F(FormPlacementTest, CentringFollowsTheMainWindow)
{
    TMainProbe main;
    main.setGeometry(300, 300, 100, 100);
    main.show();
    TPlacementProbe window;
    window.resize(301, 201);

    // No main window: centred on the 800 x 800 screen.
    platform::CenterOnMainWindow(&window);
    EXPECT_EQ(window.geometry(), QRect(249, 299, 301, 201));

    // Larger than the main window: the halves truncate toward zero,
    // (100 - 301) / 2 = -100 and (100 - 201) / 2 = -50.
    platform::SetMainWindow(&main);
    EXPECT_EQ(platform::MainWindow(), &main);
    platform::CenterOnMainWindow(&window);
    EXPECT_EQ(window.geometry(), QRect(200, 250, 301, 201));

    // The main window itself is centred on the screen.
    platform::CenterOnMainWindow(&main);
    EXPECT_EQ(main.geometry(), QRect(350, 350, 100, 100));

    // While the main window is maximised, others are centred on the screen.
    main.showMaximized();
    platform::CenterOnMainWindow(&window);
    EXPECT_EQ(window.geometry(), QRect(249, 299, 301, 201));
}

TEST_F(FormPlacementTest, CentringNeverPutsTheTitleBarAboveOrLeftOfTheScreen)
{
    TMainProbe main;
    main.setGeometry(10, 10, 100, 100);
    main.show();
    platform::SetMainWindow(&main);
    TPlacementProbe window;
    window.resize(301, 201);
    platform::CenterOnMainWindow(&window);
    // 10 + (100 - 301) / 2 = -90 and 10 + (100 - 201) / 2 = -40 would be off-screen.
    EXPECT_EQ(window.geometry(), QRect(0, 0, 301, 201));
}

TEST_F(FormPlacementTest, MainWindowPointerClearsItselfWhenTheWindowGoes)
{
    auto* main = new TMainProbe;
    platform::SetMainWindow(main);
    delete main;
    EXPECT_EQ(platform::MainWindow(), nullptr);
    TPlacementProbe window;
    window.resize(200, 100);
    platform::CenterOnMainWindow(&window);  // must not touch the deleted window
    EXPECT_EQ(window.geometry(), QRect(300, 350, 200, 100));
}

TEST_F(FormPlacementTest, WindowsOfDifferentClassesKeepSeparatePlacements)
{
    TPlacementProbe one;
    one.setGeometry(10, 10, 200, 100);
    platform::SaveFormPlacement(&one);
    app::TNamespacedProbe two;
    two.setGeometry(400, 300, 250, 150);
    platform::SaveFormPlacement(&two);

    EXPECT_EQ(stored(), QRect(10, 10, 200, 100));
    const IniFile ini(platform::SettingsFile());
    EXPECT_EQ(ini.readInteger(QStringLiteral("TNamespacedProbe_Placement"), QStringLiteral("Left"), 0), 400);
}

}  // namespace

#include "FormPlacementTest.moc"
