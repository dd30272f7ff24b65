// Every tool dialog's Help button opens the help topic of its window.
#include <gtest/gtest.h>

#include <QPushButton>

#include <functional>
#include <memory>

#include "AppTestSupport.h"
#include "app/TNewDataBaseName.h"
#include "app/TPreferences.h"
#include "app/TQPReindex.h"
#include "app/TSpecifyFieldLengths.h"
#include "data/AddressFile.h"
#include "platform/TempProgramDir.h"
#include "platform/db/DataTable.h"
#include "platform/ui/ScriptedUserInterface.h"

namespace {

TEST(HelpButtonTest, EachDialogOpensItsOwnTopic)
{
    TempProgramDir home;
    platform::ScriptedUserInterface user;
    const QString path = home.path() + "ADD0001.DBF";
    ASSERT_TRUE(data::CreateAddressFile(path, data::NewFieldLengths()));
    platform::DataTable table;
    ASSERT_TRUE(data::OpenDBFTable(path, table));

    const std::pair<int, std::function<std::unique_ptr<QDialog>()>> dialogs[] = {
        {1037, [] { return std::make_unique<app::TNewDataBaseName>(QStringLiteral("ADD0001")); }},
        {2097, [] { return std::make_unique<app::TSpecifyFieldLengths>(); }},
        {1040, [&table] { return std::make_unique<app::TQPReindex>(table); }},
        {1038, [] { return std::make_unique<app::TPreferences>(); }},
    };
    for (const auto& [context, make] : dialogs) {
        SCOPED_TRACE(context);
        CloseHelp();
        std::unique_ptr<QDialog> dialog = make();
        dialog->show();
        dialog->findChild<QPushButton*>(QStringLiteral("HelpButton"))->click();
        EXPECT_EQ(HelpSource(), HelpTopicUrl(context));
        EXPECT_TRUE(dialog->isVisible());
        CloseHelp();
    }
    EXPECT_TRUE(user.shown().empty());
}

}  // namespace
