#pragma once
// The system tables of the sysdata folder (layouts in SystemTableLayouts.h):
// the openers every window uses, the rebuild of their indexes, and the copy
// of the delivered tables into a program folder that lacks them.
//
// Openers. Each closes the given table, finds its file in the sysdata folder
// (folder and file without regard to letter case) and opens it in `mode`;
// it returns true when the table is open, in record order on its first
// record. The callers set order and query afterwards.
//  - Letter, report, envelope and label tables are created, empty, when the
//    file does not exist (the sysdata folder too).
//  - A file that exists but cannot be opened (in use, damaged, not a table)
//    is never created over: the opener says so and returns false, and the
//    file is left as it is.
//  - A missing CDX, or one that lacks the table's tag or cannot be read, is
//    rebuilt silently from the rows; a table opened read-only is repaired
//    through a short exclusive open first. A repair that fails is ignored:
//    the table is still open, only without its tag.
// Failures are told with platform::ShowInformation in the program's words
// ("Unable to Open or Create LETTER.DBF", "Unable to Open LBLTPL.DBF").
// Requires: a QApplication exists (messages).
#include <QString>

#include <array>

#include "data/SystemTableLayouts.h"
#include "xbase/Table.h"

namespace platform {
class DataTable;
}

namespace data {

// ProgramDir() + "sysdata/", or the folder of that name in another letter
// case ("SYSDATA/") when that one exists; with a trailing '/'.
QString SysdataDir();
// The table's file in the sysdata folder when it exists (any letter case),
// else the path it is created under.
QString SystemTablePath(SystemTable table);
// The message shown when the table cannot be opened (or created).
QString SystemTableFailureMessage(SystemTable table);

bool OpenLetterTable(platform::DataTable& table, xbase::OpenMode mode = xbase::OpenMode::Exclusive);
bool OpenReportTable(platform::DataTable& table, xbase::OpenMode mode = xbase::OpenMode::Exclusive);
bool OpenEnvelopeTable(platform::DataTable& table, xbase::OpenMode mode = xbase::OpenMode::Exclusive);
bool OpenLabelTable(platform::DataTable& table, xbase::OpenMode mode = xbase::OpenMode::Exclusive);
bool OpenLabelTemplateTable(platform::DataTable& table, xbase::OpenMode mode = xbase::OpenMode::Exclusive);
bool OpenCityStateZipTable(platform::DataTable& table, xbase::OpenMode mode = xbase::OpenMode::Exclusive);
// The opener of any system table (the six above call it).
bool OpenSystemTable(SystemTable which, platform::DataTable& table, xbase::OpenMode mode = xbase::OpenMode::Exclusive);

// One step of "Rebuild System Indexes", in the order the dialog runs them.
struct SystemReindexStep {
    SystemTable table;
    const char* statusText;     // shown while the step runs
    const char* tagName;
    const char* keyExpression;
};
extern const std::array<SystemReindexStep, 6> kSystemReindexSteps;

// Rebuilds one table: opens it exclusively, removes its CDX, packs it (the
// delete-marked rows go) and creates the tag again, reporting progress
// (0..100, once for the pack and once for the tag). Returns false, without
// a message, when the step was skipped: the file is missing, cannot be
// opened, or its CDX is missing, unreadable or lacks the tag (the opener
// repairs those the next time it runs). A failure after the old CDX was
// removed leaves the rows intact and the table without a CDX, which the
// opener also rebuilds.
bool RebuildSystemIndex(const SystemReindexStep& step, const xbase::ProgressFn& progress = {});

// The sysdata folder delivered beside the executable (any letter case);
// empty when there is none.
QString DeliveredSysdataDir();
// Copies the delivered LBLTPL and CSZ tables (each DBF with its CDX) from
// `deliveredDir` into SysdataDir() when the table is missing there,
// creating the folder. A table present in the program folder is never
// replaced. Nothing to copy from (no delivered folder, or it is the program
// folder's own) is not a failure. Returns false when a copy or the folder
// could not be made; a half-copied table is removed again.
bool EnsureSysdata(const QString& deliveredDir = DeliveredSysdataDir());

}  // namespace data
