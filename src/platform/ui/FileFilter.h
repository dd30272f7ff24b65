#pragma once
// FileFilter: converts the program's file-type filters, written as pairs of
// description and patterns separated by '|' ("DBF Files|*.dbf|All files|*.*",
// patterns within a pair separated by ';'), into QFileDialog name filters
// ("DBF Files (*.dbf)", "All files (*.*)"). A description that already shows
// its patterns is not given them twice; a trailing description without
// patterns gets "*".
#include <QString>
#include <QStringList>

namespace platform {

QStringList FileDialogNameFilters(const QString& filter);

}  // namespace platform
