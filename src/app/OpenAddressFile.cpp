#include "app/OpenAddressFile.h"

#include "app/TQPReindex.h"
#include "data/AddressFile.h"
#include "platform/db/DataTable.h"
#include "platform/ui/Messages.h"

namespace app {

bool OpenQPWFile(const QString& path, platform::DataTable& table, bool& indexValid)
{
    indexValid = false;
    if (!data::OpenDBFTable(path, table)) {
        platform::ShowInformation(QStringLiteral("Unable to open ") + path + QStringLiteral("\r\n\r\n * May not be ") +
                                  QStringLiteral("a Quillpost") + QStringLiteral(" file.") + QStringLiteral("\r\n") +
                                  QStringLiteral(" * May be in use by another program or user"));
        return false;
    }
    indexValid = data::CheckValidIndex(*table.engine());
    return true;
}

RebuildFn RebuildDialog(QWidget* parent)
{
    return [parent](platform::DataTable& table) {
        TQPReindex dialog(table, parent);
        return dialog.exec() == QDialog::Accepted;
    };
}

bool OpenQPWDBF(const QString& path, platform::DataTable& table, const RebuildFn& rebuild)
{
    if (path.isEmpty())
        return false;
    table.disableControls();
    bool indexValid = false;
    bool open = OpenQPWFile(path, table, indexValid);
    if (open && !indexValid) {
        const QString question = QStringLiteral("The index file for ") + path + QStringLiteral("\r\n") +
                                 QStringLiteral("is missing or invalid. Rebuild now?");
        if (platform::AskYesNo(question, QStringLiteral("Warning")) && rebuild(table))
            indexValid = table.isActive() && data::CheckValidIndex(*table.engine());
        if (!indexValid) {
            // A file without its tags is not left open, nor named as the open file.
            table.close();
            open = false;
        }
    }
    table.enableControls();
    return open;
}

}  // namespace app
