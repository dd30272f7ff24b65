#include "data/SystemTables.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <exception>
#include <memory>

#include "platform/db/DataTable.h"
#include "platform/system/FileNoCase.h"
#include "platform/system/ProgramDir.h"
#include "platform/ui/Messages.h"
#include "xbase/Error.h"

namespace data {

namespace {

constexpr std::array kDeliveredTables{SystemTable::LabelTemplate, SystemTable::CityStateZip};

std::string EncodePath(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

// The folder `name` inside `parent` (which ends with '/'), in any letter
// case, with a trailing '/'; empty when there is none.
QString FindFolderNoCase(const QString& parent, const QString& name)
{
    const QString found = platform::FindFileNoCase(parent + name);
    if (found.isEmpty() || !QFileInfo(found).isDir())
        return {};
    return found.endsWith(QLatin1Char('/')) ? found : found + QLatin1Char('/');
}

// Creates the empty table of `layout` in the sysdata folder and returns its
// path. Requires: the table's file does not exist there. Throws on failure.
QString CreateSystemTable(const SystemTableLayout& layout)
{
    const QString folder = SysdataDir();
    if (!QDir().mkpath(folder))
        throw xbase::Error(xbase::ErrorKind::Io, "The folder cannot be created", EncodePath(folder));
    const QString path = folder + QLatin1String(layout.fileName);
    // An index left behind by a table that is gone would describe rows the
    // new table does not have.
    const QString staleIndex = platform::FindCompanionFile(path, QStringLiteral("CDX"));
    if (!staleIndex.isEmpty() && !QFile::remove(staleIndex))
        throw xbase::Error(xbase::ErrorKind::Io, "An old index file cannot be removed", EncodePath(staleIndex));
    xbase::Table::create(EncodePath(path), layout.fields);
    return path;
}

// Gives the open engine table the tag of `layout` (a new CDX when it has
// none). A CDX the engine could not read is removed first, so that the new
// one takes its place instead of landing beside it under another case.
// Throws on failure.
void BuildTag(xbase::Table& engine, const QString& path, const SystemTableLayout& layout)
{
    if (!engine.indexProblem().empty()) {
        const QString damaged = platform::FindCompanionFile(path, QStringLiteral("CDX"));
        if (!damaged.isEmpty() && !QFile::remove(damaged))
            throw xbase::Error(xbase::ErrorKind::Io, "The damaged index file cannot be removed", EncodePath(damaged));
    }
    engine.createTag(layout.tagName, layout.keyExpression);
    engine.setOrder(0);
}

// Repairs a missing, unreadable or incomplete CDX of the open table. The
// table stays open (reopened in its mode when the repair needed an
// exclusive open); false only when it cannot be reopened.
bool RepairTag(platform::DataTable& table, const SystemTableLayout& layout, xbase::OpenMode mode)
{
    xbase::Table* engine = table.engine();
    if (engine->tagOrdinal(layout.tagName) > 0)
        return true;
    const QString path = table.path();
    if (!engine->readOnly()) {
        try {
            BuildTag(*engine, path, layout);
        } catch (const std::exception&) {
            // Ignored: the table is usable without its tag, and the next
            // opener or a rebuild of the system indexes tries again.
        }
        engine->first();
        table.resync();
        return true;
    }
    table.close();
    try {
        auto exclusive = xbase::Table::open(EncodePath(path), xbase::OpenMode::Exclusive);
        BuildTag(*exclusive, path, layout);
    } catch (const std::exception&) {
        // Ignored as above; typically another window has the table open.
    }
    try {
        table.open(path, mode);
    } catch (const std::exception&) {
        return false;
    }
    return true;
}

}  // namespace

const std::array<SystemReindexStep, 6> kSystemReindexSteps{{
    {SystemTable::Letter, "Rebuilding Letters File indexes", "DESCRIPT", "UPPER(DESCRIPT)"},
    {SystemTable::Label, "Rebuilding Label File indexes", "DESCRIPT", "UPPER(DESCRIPT)"},
    {SystemTable::CityStateZip, "Rebuilding State/Province File indexes", "STATE", "UPPER(STATE)"},
    {SystemTable::LabelTemplate, "Rebuilding Label Setup File indexes", "DESCRIPT", "UPPER(descript)"},
    {SystemTable::Envelope, "Rebuilding Envelope File indexes", "DESCRIPT", "UPPER(descript)"},
    {SystemTable::Report, "Rebuilding Report File indexes", "DESCRIPT", "UPPER(descript)"},
}};

QString SysdataDir()
{
    const QString programDir = platform::ProgramDir();
    const QString found = FindFolderNoCase(programDir, QStringLiteral("sysdata"));
    return found.isEmpty() ? programDir + QStringLiteral("sysdata/") : found;
}

QString SystemTablePath(SystemTable table)
{
    const QString path = SysdataDir() + QLatin1String(SystemTableLayoutOf(table).fileName);
    const QString found = platform::FindFileNoCase(path);
    return found.isEmpty() ? path : found;
}

QString SystemTableFailureMessage(SystemTable table)
{
    // CSZ.DBF is never created, yet its message says so; the words are the
    // program's own.
    if (table == SystemTable::LabelTemplate)
        return QStringLiteral("Unable to Open LBLTPL.DBF");
    return QStringLiteral("Unable to Open or Create ") + QLatin1String(SystemTableLayoutOf(table).fileName);
}

bool OpenSystemTable(SystemTable which, platform::DataTable& table, xbase::OpenMode mode)
{
    const SystemTableLayout& layout = SystemTableLayoutOf(which);
    table.close();
    bool open = false;
    try {
        QString path = platform::FindFileNoCase(SysdataDir() + QLatin1String(layout.fileName));
        // Only a file that is not there is created: one that exists but
        // cannot be opened (in use, damaged) keeps its rows.
        if (path.isEmpty() && layout.createdWhenMissing)
            path = CreateSystemTable(layout);
        if (!path.isEmpty()) {
            table.open(path, mode);
            open = RepairTag(table, layout, mode);
        }
    } catch (const std::exception&) {
        open = false;
    }
    if (!open) {
        table.close();
        platform::ShowInformation(SystemTableFailureMessage(which));
    }
    return open;
}

bool OpenLetterTable(platform::DataTable& table, xbase::OpenMode mode)
{
    return OpenSystemTable(SystemTable::Letter, table, mode);
}

bool OpenReportTable(platform::DataTable& table, xbase::OpenMode mode)
{
    return OpenSystemTable(SystemTable::Report, table, mode);
}

bool OpenEnvelopeTable(platform::DataTable& table, xbase::OpenMode mode)
{
    return OpenSystemTable(SystemTable::Envelope, table, mode);
}

bool OpenLabelTable(platform::DataTable& table, xbase::OpenMode mode)
{
    return OpenSystemTable(SystemTable::Label, table, mode);
}

bool OpenLabelTemplateTable(platform::DataTable& table, xbase::OpenMode mode)
{
    return OpenSystemTable(SystemTable::LabelTemplate, table, mode);
}

bool OpenCityStateZipTable(platform::DataTable& table, xbase::OpenMode mode)
{
    return OpenSystemTable(SystemTable::CityStateZip, table, mode);
}

bool RebuildSystemIndex(const SystemReindexStep& step, const xbase::ProgressFn& progress)
{
    const SystemTableLayout& layout = SystemTableLayoutOf(step.table);
    const QString path = platform::FindFileNoCase(SysdataDir() + QLatin1String(layout.fileName));
    if (path.isEmpty())
        return false;
    try {
        auto table = xbase::Table::open(EncodePath(path), xbase::OpenMode::Exclusive);
        table->setProgress(progress);
        const int ordinal = table->tagOrdinal(step.tagName);
        if (ordinal == 0)
            return false;
        table->setOrder(ordinal);
        std::string indexFile = table->indexFileName(ordinal);
        if (indexFile.empty())
            indexFile = EncodePath(platform::FindCompanionFile(path, QStringLiteral("CDX")));
        table->closeIndexes();
        // Failure ignored: creating the tag below writes the file anew.
        if (!indexFile.empty())
            std::remove(indexFile.c_str());
        table->pack();
        table->createTag(step.tagName, step.keyExpression);
        table->close();
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

QString DeliveredSysdataDir()
{
    return FindFolderNoCase(QCoreApplication::applicationDirPath() + QLatin1Char('/'), QStringLiteral("sysdata"));
}

bool EnsureSysdata(const QString& deliveredDir)
{
    if (deliveredDir.isEmpty())
        return true;
    const QString from = deliveredDir.endsWith(QLatin1Char('/')) ? deliveredDir : deliveredDir + QLatin1Char('/');
    const QString to = SysdataDir();
    const QString fromCanonical = QFileInfo(from).canonicalFilePath();
    if (fromCanonical.isEmpty() || fromCanonical == QFileInfo(to).canonicalFilePath())
        return true;
    if (!QDir().mkpath(to))
        return false;

    // Delivered files may be read-only (an installed copy); the user's copy
    // must be writable, or its tables could not be opened exclusively.
    auto copyWritable = [](const QString& source, const QString& target) {
        if (!QFile::copy(source, target))
            return false;
        QFile copy(target);
        return copy.setPermissions(copy.permissions() | QFileDevice::WriteOwner | QFileDevice::ReadOwner);
    };

    bool ok = true;
    for (const SystemTable which : kDeliveredTables) {
        const SystemTableLayout& layout = SystemTableLayoutOf(which);
        if (!platform::FindFileNoCase(to + QLatin1String(layout.fileName)).isEmpty())
            continue;
        const QString sourceDbf = platform::FindFileNoCase(from + QLatin1String(layout.fileName));
        if (sourceDbf.isEmpty())
            continue;
        const QString sourceIndex = platform::FindCompanionFile(sourceDbf, QStringLiteral("CDX"));
        const QString targetDbf = to + QLatin1String(layout.fileName);
        const QString targetIndex = to + QLatin1String(layout.baseName) + QStringLiteral(".CDX");
        // An index without its table would be stale: the opener of a copied
        // table finds either both or a table it can index itself.
        const QString staleIndex = platform::FindCompanionFile(targetDbf, QStringLiteral("CDX"));
        if (!staleIndex.isEmpty())
            QFile::remove(staleIndex);
        bool copied = copyWritable(sourceDbf, targetDbf);
        if (copied && !sourceIndex.isEmpty())
            copied = copyWritable(sourceIndex, targetIndex);
        if (!copied) {
            QFile::remove(targetIndex);
            QFile::remove(targetDbf);
            ok = false;
        }
    }
    return ok;
}

}  // namespace data
