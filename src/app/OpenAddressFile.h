#pragma once
// The open sequence of an address file, as the main window runs it before
// it shows the file: open the file into the table, check its index, and when
// the index is missing or invalid offer its rebuild. The main window then
// shows the file (sort, filter, first record) or its no-data panel.
#include <functional>

#include <QString>

class QWidget;

namespace platform {
class DataTable;
}

namespace app {

// OpenDBFTable, then the index check. Shows the "Unable to open" message
// when the file cannot be opened. Returns whether it opened.
bool OpenQPWFile(const QString& path, platform::DataTable& table, bool& indexValid);

// Runs the rebuild of the open table; true when it succeeded.
using RebuildFn = std::function<bool(platform::DataTable&)>;
// The rebuild dialog TQPReindex, run modally over parent.
RebuildFn RebuildDialog(QWidget* parent);

// Opens path into table and, when its index is missing or invalid, asks
// whether to rebuild it: Yes rebuilds and checks again, No (or a failed
// rebuild) closes the table. Returns whether the table is open and valid at
// the end — the caller's CurrentFileName is path then, else empty. An empty
// path returns false at once.
bool OpenQPWDBF(const QString& path, platform::DataTable& table, const RebuildFn& rebuild);

}  // namespace app
