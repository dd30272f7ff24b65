#include "app/NewDatabase.h"

#include <exception>

#include "app/TNewDataBaseName.h"
#include "data/AddressFile.h"
#include "data/NewFieldLengths.h"
#include "platform/system/FileNoCase.h"
#include "platform/system/ProgramDir.h"
#include "platform/ui/Messages.h"

namespace app {

namespace {

constexpr int kLastProposal = 9999;

QString ProposalName(int n)
{
    return QStringLiteral("ADD") + QStringLiteral("%1").arg(n, 4, 10, QLatin1Char('0'));
}

}  // namespace

QString DataFolder()
{
    return platform::ProgramDir() + QStringLiteral("DATA/");
}

QString ProposeNewDatabaseName()
{
    for (int n = 1; n <= kLastProposal; ++n) {
        const QString name = ProposalName(n);
        if (platform::FindFileNoCase(NewDatabasePath(name)).isEmpty())
            return name;
    }
    return ProposalName(1);
}

QString NewDatabasePath(const QString& name)
{
    return DataFolder() + name + QStringLiteral(".DBF");
}

QString CreateNewDatabase(QWidget* parent)
{
    TNewDataBaseName dialog(ProposeNewDatabaseName(), parent);
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    const QString path = NewDatabasePath(dialog.name());
    if (!platform::FindFileNoCase(path).isEmpty()) {
        platform::ShowInformation(QStringLiteral("That file already exists.Please select another name"));
        return QString();
    }
    try {
        if (!data::CreateAddressFile(path, data::CurrentNewFieldLengths()))
            return QString();
    } catch (const std::exception& error) {
        // CreateAddressFile tells the user of the failures it expects; this
        // catches anything else, so that no exception reaches the caller's slot.
        platform::ShowInformation(QStringLiteral("Create failed") + QStringLiteral("\r\n")
                                  + QString::fromLocal8Bit(error.what()));
        return QString();
    }
    return path;
}

}  // namespace app
