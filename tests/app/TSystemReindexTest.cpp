// "Rebuild System Indexes": packs the six system tables in their order with
// their status texts, rebuilds each tag, skips what it cannot rebuild, and
// cannot be closed while it runs but always closes afterwards.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <functional>
#include <string>
#include <vector>

#include "app/TSystemReindex.h"
#include "data/SystemTables.h"
#include "platform/TempProgramDir.h"
#include "platform/db/DataTable.h"
#include "platform/help/HelpBrowser.h"
#include "platform/help/HelpWindow.h"
#include "platform/ui/ScriptedUserInterface.h"
#include "xbase/Table.h"

using app::TSystemReindex;
using data::SystemTable;

namespace {

// In the dialog's order.
const SystemTable kOrder[] = {SystemTable::Letter,        SystemTable::Label,    SystemTable::CityStateZip,
                              SystemTable::LabelTemplate, SystemTable::Envelope, SystemTable::Report};
const char* const kStatusTexts[] = {
    "Rebuilding Letters File indexes",       "Rebuilding Label File indexes",
    "Rebuilding State/Province File indexes", "Rebuilding Label Setup File indexes",
    "Rebuilding Envelope File indexes",      "Rebuilding Report File indexes",
};

// Rows of every table: the third carries the delete mark.
const std::vector<std::string> kRows = {"zz", "Ab", "gone", "bc"};
const std::vector<std::string> kKeptInTagOrder = {"Ab", "bc", "zz"};

std::string Encode(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

const char* KeyField(SystemTable table)
{
    return table == SystemTable::CityStateZip ? "STATE" : "DESCRIPT";
}

class TSystemReindexTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (SystemTable table : kOrder)
            createTable(table);
    }
    void TearDown() override { delete platform::HelpWindow::instance(); }

    QString fileOf(SystemTable table) const
    {
        return home_.path() + QStringLiteral("sysdata/") + QLatin1String(data::SystemTableLayoutOf(table).fileName);
    }
    QString indexOf(SystemTable table) const
    {
        return home_.path() + QStringLiteral("sysdata/") + QLatin1String(data::SystemTableLayoutOf(table).baseName) +
               QStringLiteral(".CDX");
    }

    // The table with kRows and its index, made by its opener.
    void createTable(SystemTable table)
    {
        QDir().mkpath(home_.path() + QStringLiteral("sysdata"));
        QFile::remove(fileOf(table));
        QFile::remove(indexOf(table));
        xbase::Table::create(Encode(fileOf(table)), data::SystemTableLayoutOf(table).fields);
        {
            auto engine = xbase::Table::open(Encode(fileOf(table)));
            for (const std::string& value : kRows) {
                engine->append();
                engine->setString(engine->fieldIndex(KeyField(table)), value);
                engine->post();
                if (value == "gone")
                    engine->deleteRecord();
            }
        }
        platform::DataTable opened;
        ASSERT_TRUE(data::OpenSystemTable(table, opened));
    }

    // Records in the file, delete-marked ones included (read from the header).
    uint32_t recordsInFile(SystemTable table) const
    {
        QFile file(fileOf(table));
        if (!file.open(QIODevice::ReadOnly))
            return 0;
        const QByteArray header = file.read(8);
        uint32_t count = 0;
        for (int i = 7; i >= 4; --i)
            count = count << 8 | static_cast<uint8_t>(header[i]);
        return count;
    }

    // The key values of the table read through its tag; empty when it has none.
    std::vector<std::string> valuesInTagOrder(SystemTable table) const
    {
        std::vector<std::string> values;
        auto engine = xbase::Table::open(Encode(fileOf(table)), xbase::OpenMode::ReadOnly);
        const int tag = engine->tagOrdinal(data::SystemTableLayoutOf(table).tagName);
        if (tag == 0)
            return values;
        engine->setOrder(tag);
        for (bool on = engine->first(); on; on = engine->next())
            values.push_back(engine->getString(engine->fieldIndex(KeyField(table))));
        EXPECT_TRUE(engine->checkIndexes().empty());
        return values;
    }

    template <typename T>
    static T* control(const QWidget& dialog, const char* name)
    {
        T* found = dialog.findChild<T*>(QLatin1String(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    // Calls `watch` at every pass of the event loop while `run` runs.
    static void whileRunning(const std::function<void()>& watch, const std::function<void()>& run)
    {
        QTimer timer;
        timer.setInterval(0);
        QObject::connect(&timer, &QTimer::timeout, watch);
        timer.start();
        run();
        timer.stop();
    }

    TempProgramDir home_;
    platform::ScriptedUserInterface ui_;
};

TEST_F(TSystemReindexTest, PacksTheSixTablesInOrderWithTheirStatusTexts)
{
    TSystemReindex dialog;
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), "Rebuild System Indexes");
    auto* reindex = control<QPushButton>(dialog, "ReindexButton");
    auto* help = control<QPushButton>(dialog, "HelpButton");
    auto* cancel = control<QPushButton>(dialog, "CancelButton");
    auto* mouseHelp = control<QToolButton>(dialog, "MouseHelpButton");
    auto* bar = control<QProgressBar>(dialog, "ProgressBar");
    auto* status = control<QLabel>(dialog, "StatusLabel");
    ASSERT_TRUE(reindex && help && cancel && mouseHelp && bar && status);
    EXPECT_EQ(reindex->text(), "Reindex");
    EXPECT_EQ(help->text(), "Help");
    EXPECT_EQ(cancel->text(), "Cancel");
    EXPECT_TRUE(bar->isHidden());
    EXPECT_TRUE(status->isHidden());

    // At each new status text: which tables are packed by then (4 rows in the
    // file: not yet; 3: packed), and what the user can reach.
    QStringList statusTexts;
    std::vector<std::vector<uint32_t>> countsAtStatus;
    bool runningLooksRight = true;
    QSignalSpy progress(bar, &QProgressBar::valueChanged);
    whileRunning(
        [&] {
            if (!dialog.running())
                return;
            runningLooksRight = runningLooksRight && !bar->isHidden() && !status->isHidden() &&
                                !reindex->isEnabled() && cancel->isHidden() && help->isHidden() &&
                                mouseHelp->isHidden();
            if (statusTexts.isEmpty() || statusTexts.last() != status->text()) {
                statusTexts << status->text();
                std::vector<uint32_t> counts;
                for (SystemTable table : kOrder)
                    counts.push_back(recordsInFile(table));
                countsAtStatus.push_back(counts);
            }
        },
        [&] { QTest::mouseClick(reindex, Qt::LeftButton); });

    QStringList expectedTexts;
    for (const char* text : kStatusTexts)
        expectedTexts << QLatin1String(text);
    EXPECT_EQ(statusTexts, expectedTexts);
    ASSERT_EQ(countsAtStatus.size(), 6u);
    for (size_t step = 0; step < countsAtStatus.size(); ++step) {
        for (size_t table = 0; table < 6; ++table)
            EXPECT_EQ(countsAtStatus[step][table], table < step ? 3u : 4u) << "step " << step << ", table " << table;
    }
    EXPECT_TRUE(runningLooksRight);

    // Each percentage the engine reported was shown, up to 100.
    ASSERT_FALSE(progress.isEmpty());
    bool reached100 = false;
    for (const QList<QVariant>& signal : progress) {
        const int value = signal.at(0).toInt();
        EXPECT_TRUE(value >= 0 && value <= 100) << value;
        reached100 = reached100 || value == 100;
    }
    EXPECT_TRUE(reached100);

    // Closed, restored, and every table packed with a sound tag.
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(dialog.running());
    EXPECT_TRUE(reindex->isEnabled());
    EXPECT_FALSE(cancel->isHidden());
    EXPECT_FALSE(help->isHidden());
    EXPECT_TRUE(bar->isHidden());
    EXPECT_EQ(bar->value(), 0);
    for (SystemTable table : kOrder) {
        SCOPED_TRACE(data::SystemTableLayoutOf(table).fileName);
        EXPECT_EQ(recordsInFile(table), 3u);
        EXPECT_EQ(valuesInTagOrder(table), kKeptInTagOrder);
    }
    EXPECT_TRUE(ui_.messageTexts().isEmpty());
}

TEST_F(TSystemReindexTest, SkipsWhatItCannotRebuildWithoutAWord)
{
    // CSZ has lost its index, LETTER is held open by another window, REPORT
    // is gone altogether.
    ASSERT_TRUE(QFile::remove(indexOf(SystemTable::CityStateZip)));
    ASSERT_TRUE(QFile::remove(fileOf(SystemTable::Report)));
    platform::DataTable letters;
    ASSERT_TRUE(data::OpenLetterTable(letters));

    TSystemReindex dialog;
    dialog.show();
    QTest::mouseClick(control<QPushButton>(dialog, "ReindexButton"), Qt::LeftButton);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    letters.close();

    EXPECT_EQ(recordsInFile(SystemTable::CityStateZip), 4u);
    EXPECT_FALSE(QFile::exists(indexOf(SystemTable::CityStateZip)));
    EXPECT_EQ(recordsInFile(SystemTable::Letter), 4u);
    EXPECT_FALSE(QFile::exists(fileOf(SystemTable::Report)));
    for (SystemTable table : {SystemTable::Label, SystemTable::LabelTemplate, SystemTable::Envelope})
        EXPECT_EQ(recordsInFile(table), 3u) << data::SystemTableLayoutOf(table).fileName;
    EXPECT_TRUE(ui_.messageTexts().isEmpty());

    // The opener brings the index of CSZ back; the rows it kept are all there.
    platform::DataTable states;
    ASSERT_TRUE(data::OpenCityStateZipTable(states));
    states.close();
    EXPECT_EQ(valuesInTagOrder(SystemTable::CityStateZip), kKeptInTagOrder);
}

TEST_F(TSystemReindexTest, RefusesToCloseWhileRunningAndOffersHelpAndCancel)
{
    {
        TSystemReindex dialog;
        dialog.show();
        bool triedWhileRunning = false;
        whileRunning(
            [&] {
                if (!dialog.running() || triedWhileRunning)
                    return;
                triedWhileRunning = true;
                QTest::keyClick(&dialog, Qt::Key_Escape);
                dialog.close();
                dialog.reject();
                EXPECT_TRUE(dialog.isVisible());
                EXPECT_TRUE(dialog.running());
            },
            [&] { QTest::mouseClick(control<QPushButton>(dialog, "ReindexButton"), Qt::LeftButton); });
        EXPECT_TRUE(triedWhileRunning);
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        for (SystemTable table : kOrder)
            EXPECT_EQ(recordsInFile(table), 3u);
    }

    // Help opens topic 1039; Cancel closes and changes nothing.
    for (SystemTable table : kOrder)
        createTable(table);
    TSystemReindex dialog;
    dialog.show();
    QTest::mouseClick(control<QPushButton>(dialog, "HelpButton"), Qt::LeftButton);
    ASSERT_NE(platform::HelpWindow::instance(), nullptr);
    EXPECT_TRUE(platform::HelpWindow::instance()->browser()->source().toLocalFile().endsWith(QStringLiteral("/1039.html")));
    QTest::mouseClick(control<QPushButton>(dialog, "CancelButton"), Qt::LeftButton);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    for (SystemTable table : kOrder)
        EXPECT_EQ(recordsInFile(table), 4u);
}

TEST_F(TSystemReindexTest, ShowSystemReindexRunsTheDialogModally)
{
    QTimer::singleShot(0, [] {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (auto* dialog = qobject_cast<TSystemReindex*>(window); dialog && dialog->isVisible())
                dialog->findChild<QPushButton*>(QStringLiteral("ReindexButton"))->click();
        }
    });
    app::ShowSystemReindex();
    for (SystemTable table : kOrder)
        EXPECT_EQ(recordsInFile(table), 3u);
}

}  // namespace
