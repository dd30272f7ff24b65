#pragma once
// Creating a new address file from the main window's "&New Address
// Database": the proposed name, the dialog TNewDataBaseName and the creation
// itself. The main window then opens the new file (and refreshes its
// buttons); these functions leave every open table alone.
// Requires: a QApplication exists (CreateNewDatabase shows windows).
#include <QString>

class QWidget;

namespace app {

// The folder of address files: ProgramDir() + "DATA/".
QString DataFolder();
// The first of "ADD0001" ... "ADD9999" with no such ".DBF" file (in any
// letter case) in the data folder; "ADD0001" when all exist.
QString ProposeNewDatabaseName();
// DataFolder() + name + ".DBF".
QString NewDatabasePath(const QString& name);

// Asks for the name and creates the file with the current widths of new
// files (data::CurrentNewFieldLengths()). Returns the new file's path, or
// empty when the user cancelled, the file already exists ("That file
// already exists.Please select another name") or creation failed (the
// creation has told the user why).
QString CreateNewDatabase(QWidget* parent);

}  // namespace app
