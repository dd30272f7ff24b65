// The system tables: the openers (creation, index repair, refusing to
// create over a file that exists), the delivered LBLTPL and CSZ tables the
// build makes, the tool that makes them, and the copy of the delivered
// tables into a fresh program folder.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "data/SystemTables.h"
#include "platform/db/DataTable.h"
#include "platform/ui/ScriptedUserInterface.h"
#include "platform/TempProgramDir.h"
#include "xbase/Table.h"

using namespace data;

namespace {

using Opener = std::function<bool(platform::DataTable&, xbase::OpenMode)>;

struct TableCase {
    SystemTable table;
    Opener open;
    const char* file;       // as created
    const char* keyField;   // the field the tag's key reads
};

const TableCase kTables[] = {
    {SystemTable::Letter, OpenLetterTable, "LETTER.DBF", "DESCRIPT"},
    {SystemTable::Report, OpenReportTable, "REPORT.DBF", "DESCRIPT"},
    {SystemTable::Envelope, OpenEnvelopeTable, "ENVELOPE.DBF", "DESCRIPT"},
    {SystemTable::Label, OpenLabelTable, "LABEL.DBF", "DESCRIPT"},
    {SystemTable::LabelTemplate, OpenLabelTemplateTable, "LBLTPL.DBF", "DESCRIPT"},
    {SystemTable::CityStateZip, OpenCityStateZipTable, "CSZ.DBF", "STATE"},
};

std::string Encode(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// "NAME type length.decimals" of every field, separated by blanks.
std::string FieldList(const xbase::Table& table)
{
    std::string list;
    for (const xbase::Field& f : table.fields()) {
        if (!list.empty())
            list += ' ';
        list += f.name + ':' + f.type + std::to_string(f.length) + '.' + std::to_string(f.decimals);
    }
    return list;
}

// The values of `field` in the order of the table's tag.
std::vector<std::string> ValuesInTagOrder(xbase::Table& table, const char* tag, const char* field)
{
    std::vector<std::string> values;
    table.setOrder(std::string_view(tag));
    const int index = table.fieldIndex(field);
    for (bool on = table.first(); on; on = table.next())
        values.push_back(table.getString(index));
    return values;
}

class SystemTablesTest : public ::testing::Test {
protected:
    QString sysdata() const { return home_.path() + QStringLiteral("sysdata/"); }
    QString fileOf(const TableCase& c) const { return sysdata() + QLatin1String(c.file); }
    QString indexOf(const TableCase& c) const
    {
        return sysdata() + QString::fromLatin1(c.file).replace(QStringLiteral(".DBF"), QStringLiteral(".CDX"));
    }

    // Creates the table of `c` in sysdata with one row per value of its key
    // field; the rows at `deleted` (0-based) carry the delete mark. No CDX.
    void createWithRows(const TableCase& c, const std::vector<std::string>& values,
                        const std::vector<size_t>& deleted = {})
    {
        QDir().mkpath(sysdata());
        xbase::Table::create(Encode(fileOf(c)), SystemTableLayoutOf(c.table).fields);
        auto table = xbase::Table::open(Encode(fileOf(c)));
        for (size_t i = 0; i < values.size(); ++i) {
            table->append();
            table->setString(table->fieldIndex(c.keyField), values[i]);
            table->post();
            if (std::find(deleted.begin(), deleted.end(), i) != deleted.end())
                table->deleteRecord();
        }
    }

    TempProgramDir home_;
    platform::ScriptedUserInterface ui_;
};

TEST_F(SystemTablesTest, CreatesAMissingTableWithItsFieldsAndTag)
{
    struct Expected {
        const TableCase& c;
        const char* fields;
        const char* memoFile;  // "" when the table has no memo
    };
    const Expected cases[] = {
        {kTables[0], "DESCRIPT:C50.0 RTF:M10.0", "LETTER.FPT"},
        {kTables[1], "DESCRIPT:C60.0 LAYOUT:C60.0 BINARY:C12.0", ""},
        {kTables[2], "DESCRIPT:C60.0 NUMBER:N5.0 BINARY:C12.0", ""},
        {kTables[3],
         "DESCRIPT:C60.0 PRINTER:C2.0 LBLHEIGHT:N6.3 LBLWIDTH:N6.3 NBRACROSS:N2.0 NBRDOWN:N2.0 TOPMARG:N6.3 "
         "LEFTMARG:N6.3 HORIZPITCH:N6.3 VERTPITCH:N6.3 SHEETWIDTH:N6.3 SHEETDEPTH:N6.3 PAPERSIZE:C5.0 "
         "LBLSHAPE:C2.0 TPLDESCRIP:C60.0 MANUFAC:C10.0 PRODTYPE:C25.0 MIDEXTRAX:N6.3 MIDEXTRAY:N6.3 ART:C12.0 "
         "DELETED:L1.0 BINARY:C12.0",
         ""},
    };
    ASSERT_FALSE(QDir(sysdata()).exists());
    for (const Expected& e : cases) {
        SCOPED_TRACE(e.c.file);
        platform::DataTable table;
        ASSERT_TRUE(e.c.open(table, xbase::OpenMode::Exclusive));
        EXPECT_TRUE(table.isActive());
        EXPECT_EQ(table.path(), fileOf(e.c));
        xbase::Table& engine = *table.engine();
        EXPECT_EQ(FieldList(engine), e.fields);
        EXPECT_EQ(engine.recordCount(), 0u);
        EXPECT_EQ(engine.order(), 0);  // the callers choose the order
        const int tag = engine.tagOrdinal("DESCRIPT");
        ASSERT_GT(tag, 0);
        EXPECT_EQ(engine.tagInfo(tag).keyExpression, "UPPER(descript)");
        EXPECT_TRUE(QFile::exists(indexOf(e.c)));
        if (*e.memoFile) {
            EXPECT_TRUE(QFile::exists(sysdata() + QLatin1String(e.memoFile)));
        }
        // The new table takes rows and finds them through its tag.
        table.append();
        table.fieldByName(QStringLiteral("DESCRIPT"))->setAsString(QStringLiteral("My Entry"));
        table.post();
        engine.setOrder(std::string_view("DESCRIPT"));
        EXPECT_TRUE(engine.seek("MY ENTRY"));
    }
    // The label table's field DELETED does not hide the function the main
    // window filters it with.
    platform::DataTable labels;
    ASSERT_TRUE(OpenLabelTable(labels));
    EXPECT_NO_THROW(labels.setQuery(QStringLiteral("not DELETED()")));
    EXPECT_TRUE(ui_.messageTexts().isEmpty());
}

TEST_F(SystemTablesTest, AMissingIndexIsRebuiltSilentlyAndTheRowsStay)
{
    for (const TableCase& c : kTables) {
        SCOPED_TRACE(c.file);
        createWithRows(c, {"ca", "Ab", "bc"});
        ASSERT_FALSE(QFile::exists(indexOf(c)));
        platform::DataTable table;
        ASSERT_TRUE(c.open(table, xbase::OpenMode::Exclusive));
        EXPECT_TRUE(QFile::exists(indexOf(c)));
        EXPECT_EQ(table.recordCount(), 3u);
        EXPECT_EQ(table.engine()->order(), 0);
        const char* tag = SystemTableLayoutOf(c.table).tagName;
        EXPECT_EQ(ValuesInTagOrder(*table.engine(), tag, c.keyField),
                  (std::vector<std::string>{"Ab", "bc", "ca"}));
        EXPECT_TRUE(table.engine()->checkIndexes().empty());
    }
    EXPECT_TRUE(ui_.messageTexts().isEmpty());
}

TEST_F(SystemTablesTest, AnIndexWithoutTheTagOrUnreadableIsRepaired)
{
    // REPORT's CDX holds another tag only: the opener adds its own and keeps
    // the other. LETTER's CDX is not an index at all: the opener replaces it.
    const TableCase& report = kTables[1];
    createWithRows(report, {"b", "a"});
    {
        auto engine = xbase::Table::open(Encode(fileOf(report)));
        engine->createTag("BYBINARY", "BINARY");
    }
    const TableCase& letter = kTables[0];
    createWithRows(letter, {"y", "x"});
    {
        QFile cdx(indexOf(letter));
        ASSERT_TRUE(cdx.open(QIODevice::WriteOnly));
        cdx.write(QByteArray(1024, 'Z'));
    }

    platform::DataTable table;
    ASSERT_TRUE(OpenReportTable(table));
    EXPECT_GT(table.engine()->tagOrdinal("BYBINARY"), 0);
    EXPECT_EQ(ValuesInTagOrder(*table.engine(), "DESCRIPT", "DESCRIPT"), (std::vector<std::string>{"a", "b"}));

    ASSERT_TRUE(OpenLetterTable(table));
    EXPECT_TRUE(table.engine()->indexProblem().empty());
    EXPECT_EQ(ValuesInTagOrder(*table.engine(), "DESCRIPT", "DESCRIPT"), (std::vector<std::string>{"x", "y"}));
    EXPECT_TRUE(table.engine()->checkIndexes().empty());
    EXPECT_TRUE(ui_.messageTexts().isEmpty());
}

TEST_F(SystemTablesTest, ATableThatExistsButCannotBeOpenedIsNeverCreatedOver)
{
    const QString damaged = QStringLiteral("This is not a table, but it is somebody's file.");
    for (const TableCase& c : kTables) {
        SCOPED_TRACE(c.file);
        const QString message = c.table == SystemTable::LabelTemplate
                                    ? QStringLiteral("Unable to Open LBLTPL.DBF")
                                    : QStringLiteral("Unable to Open or Create ") + QLatin1String(c.file);

        // Damaged: the bytes stay as they were.
        QDir().mkpath(sysdata());
        {
            QFile file(fileOf(c));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(damaged.toUtf8());
        }
        platform::DataTable table;
        EXPECT_FALSE(c.open(table, xbase::OpenMode::Exclusive));
        EXPECT_FALSE(table.isActive());
        EXPECT_EQ(ReadAll(fileOf(c)), damaged.toUtf8());
        EXPECT_EQ(ui_.messageTexts(), QStringList{message});
        ui_.clear();

        // In use elsewhere: the rows stay.
        ASSERT_TRUE(QFile::remove(fileOf(c)));
        createWithRows(c, {"kept"});
        const QByteArray before = ReadAll(fileOf(c));
        {
            auto holder = xbase::Table::open(Encode(fileOf(c)), xbase::OpenMode::Exclusive);
            EXPECT_FALSE(c.open(table, xbase::OpenMode::Exclusive));
            EXPECT_EQ(ui_.messageTexts(), QStringList{message});
            ui_.clear();
        }
        EXPECT_EQ(ReadAll(fileOf(c)), before);
        ASSERT_TRUE(c.open(table, xbase::OpenMode::Exclusive));
        EXPECT_EQ(table.recordCount(), 1u);
        table.close();
    }
    EXPECT_TRUE(ui_.messageTexts().isEmpty());
}

TEST_F(SystemTablesTest, TheDeliveredTablesAreNeverCreated)
{
    platform::DataTable table;
    EXPECT_FALSE(OpenLabelTemplateTable(table));
    EXPECT_FALSE(OpenCityStateZipTable(table));
    EXPECT_EQ(ui_.messageTexts(),
              (QStringList{QStringLiteral("Unable to Open LBLTPL.DBF"), QStringLiteral("Unable to Open or Create CSZ.DBF")}));
    EXPECT_FALSE(QFile::exists(sysdata() + QStringLiteral("LBLTPL.DBF")));
    EXPECT_FALSE(QFile::exists(sysdata() + QStringLiteral("CSZ.DBF")));
    EXPECT_FALSE(table.isActive());
}

TEST_F(SystemTablesTest, FindsTheFolderAndFilesInAnyLetterCase)
{
    const QString upperFolder = home_.path() + QStringLiteral("SYSDATA/");
    ASSERT_TRUE(QDir().mkpath(upperFolder));
    xbase::Table::create(Encode(upperFolder + QStringLiteral("letter.dbf")), SystemTableLayoutOf(SystemTable::Letter).fields);
    {
        auto engine = xbase::Table::open(Encode(upperFolder + QStringLiteral("letter.dbf")));
        engine->append();
        engine->setString(0, "Found");
        engine->post();
    }
    EXPECT_EQ(SysdataDir(), upperFolder);

    platform::DataTable table;
    ASSERT_TRUE(OpenLetterTable(table));
    EXPECT_EQ(table.path(), upperFolder + QStringLiteral("letter.dbf"));
    EXPECT_EQ(table.recordCount(), 1u);
    EXPECT_GT(table.engine()->tagOrdinal("DESCRIPT"), 0);
    // A missing table is created in the folder that is there.
    ASSERT_TRUE(OpenReportTable(table));
    EXPECT_EQ(table.path(), upperFolder + QStringLiteral("REPORT.DBF"));
    EXPECT_FALSE(QDir(home_.path() + QStringLiteral("sysdata")).exists());
    EXPECT_TRUE(ui_.messageTexts().isEmpty());
}

TEST_F(SystemTablesTest, ANewTableDoesNotInheritTheIndexOfAGoneOne)
{
    const TableCase& envelope = kTables[2];
    createWithRows(envelope, {"one", "two", "three"});
    {
        platform::DataTable table;
        ASSERT_TRUE(OpenEnvelopeTable(table));
    }
    ASSERT_TRUE(QFile::remove(fileOf(envelope)));
    ASSERT_TRUE(QFile::exists(indexOf(envelope)));

    platform::DataTable table;
    ASSERT_TRUE(OpenEnvelopeTable(table));
    EXPECT_EQ(table.recordCount(), 0u);
    EXPECT_TRUE(table.engine()->checkIndexes().empty());
    EXPECT_TRUE(ValuesInTagOrder(*table.engine(), "DESCRIPT", "DESCRIPT").empty());
}

TEST_F(SystemTablesTest, AReadOnlyOpenRepairsTheIndexToo)
{
    const TableCase& templates = kTables[4];
    createWithRows(templates, {"Second", "First"});
    platform::DataTable table;
    ASSERT_TRUE(OpenLabelTemplateTable(table, xbase::OpenMode::ReadOnly));
    EXPECT_FALSE(table.canModify());
    EXPECT_EQ(ValuesInTagOrder(*table.engine(), "DESCRIPT", "DESCRIPT"),
              (std::vector<std::string>{"First", "Second"}));

    // Another reader holds it: no repair is possible, the table still opens.
    table.close();
    ASSERT_TRUE(QFile::remove(indexOf(templates)));
    auto reader = xbase::Table::open(Encode(fileOf(templates)), xbase::OpenMode::ReadOnly);
    ASSERT_TRUE(OpenLabelTemplateTable(table, xbase::OpenMode::ReadOnly));
    EXPECT_EQ(table.engine()->tagOrdinal("DESCRIPT"), 0);
    EXPECT_EQ(table.recordCount(), 2u);
    EXPECT_TRUE(ui_.messageTexts().isEmpty());
}

// --- The delivered tables ------------------------------------------------

class DeliveredTablesTest : public ::testing::Test {
protected:
    static QString delivered(const char* file) { return QStringLiteral(QP_SYSDATA_DIR "/") + QLatin1String(file); }
};

TEST_F(DeliveredTablesTest, LabelTemplatesHoldTheCatalogueAndTheDefaultTemplate)
{
    auto table = xbase::Table::open(Encode(delivered("LBLTPL.DBF")), xbase::OpenMode::ReadOnly);
    EXPECT_EQ(table->recordCount(), 1686u);
    EXPECT_EQ(FieldList(*table),
              "DESCRIPT:C60.0 LBLHEIGHT:N6.3 LBLWIDTH:N6.3 NBRACROSS:N2.0 NBRDOWN:N2.0 TOPMARG:N6.3 LEFTMARG:N6.3 "
              "HORIZPITCH:N6.3 VERTPITCH:N6.3 SHEETWIDTH:N6.3 SHEETDEPTH:N6.3 PRINTER:C2.0 PAPERSIZE:C5.0 "
              "LBLSHAPE:C2.0 MANUFAC:C10.0 PRODTYPE:C25.0 MIDEXTRAX:N6.3 MIDEXTRAY:N6.3 ART:C12.0");
    EXPECT_TRUE(table->checkIndexes().empty());
    const int tag = table->tagOrdinal("DESCRIPT");
    ASSERT_GT(tag, 0);
    EXPECT_EQ(table->tagInfo(tag).keyExpression, "UPPER(descript)");
    table->setOrder(tag);

    auto text = [&](const char* field) { return table->getString(table->fieldIndex(field)); };
    auto number = [&](const char* field) { return table->getNumber(table->fieldIndex(field)); };
    table->setExact(true);
    ASSERT_TRUE(table->seek("AVERY 5160  ADDRESS"));
    EXPECT_EQ(text("DESCRIPT"), "Avery 5160  Address");
    EXPECT_DOUBLE_EQ(number("LBLHEIGHT"), 1.0);
    EXPECT_DOUBLE_EQ(number("LBLWIDTH"), 2.625);
    EXPECT_DOUBLE_EQ(number("NBRACROSS"), 3);
    EXPECT_DOUBLE_EQ(number("NBRDOWN"), 10);
    EXPECT_DOUBLE_EQ(number("TOPMARG"), 0.5);
    EXPECT_DOUBLE_EQ(number("LEFTMARG"), 0.188);
    EXPECT_DOUBLE_EQ(number("HORIZPITCH"), 2.75);
    EXPECT_DOUBLE_EQ(number("VERTPITCH"), 1.0);
    EXPECT_DOUBLE_EQ(number("SHEETWIDTH"), 8.5);
    EXPECT_DOUBLE_EQ(number("SHEETDEPTH"), 11.0);
    EXPECT_EQ(text("PAPERSIZE"), "LTR");
    EXPECT_EQ(text("MANUFAC"), "AVERY");
    EXPECT_EQ(text("LBLSHAPE"), "RR");
    // A quoted description keeps its comma.
    ASSERT_TRUE(table->seek("AVERY 89101 - BINDER SPINE INSERTS, FOR 0.5 INCH BINDERS"));
    EXPECT_EQ(text("DESCRIPT"), "Avery 89101 - Binder Spine Inserts, for 0.5 inch binders");
}

TEST_F(DeliveredTablesTest, StateZipRangesFindNewYork)
{
    auto table = xbase::Table::open(Encode(delivered("CSZ.DBF")), xbase::OpenMode::ReadOnly);
    EXPECT_EQ(table->recordCount(), 75u);
    EXPECT_EQ(FieldList(*table), "NAME:C20.0 STATE:C4.0 LOW_ZIP:C10.0 HIGH_ZIP:C10.0");
    EXPECT_TRUE(table->checkIndexes().empty());
    ASSERT_GT(table->tagOrdinal("STATE"), 0);
    EXPECT_EQ(table->tagInfo(table->tagOrdinal("STATE")).keyExpression, "UPPER(state)");
    table->setOrder(std::string_view("STATE"));
    ASSERT_TRUE(table->seek("NY"));
    EXPECT_EQ(table->getString(table->fieldIndex("NAME")), "New York");
    EXPECT_EQ(table->getString(table->fieldIndex("LOW_ZIP")), "10000");
    EXPECT_EQ(table->getString(table->fieldIndex("HIGH_ZIP")), "14999-9999");
    EXPECT_FALSE(table->seek("ZZ"));
}

// Copies the delivered tables into a fresh program folder, as a first start
// of an installed copy does.
TEST_F(DeliveredTablesTest, EnsureSysdataCopiesWhatIsMissingAndNothingElse)
{
    QTemporaryDir installed;
    const QString from = installed.path() + QStringLiteral("/sysdata/");
    ASSERT_TRUE(QDir().mkpath(from));
    for (const char* file : {"LBLTPL.DBF", "LBLTPL.CDX", "CSZ.DBF", "CSZ.CDX"}) {
        ASSERT_TRUE(QFile::copy(delivered(file), from + QLatin1String(file)));
        // Installed files are read-only.
        QFile(from + QLatin1String(file)).setPermissions(QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    }

    TempProgramDir home;
    platform::ScriptedUserInterface ui;
    const QString to = home.path() + QStringLiteral("sysdata/");
    // The program folder has its own CSZ already (one row), and no LBLTPL.
    ASSERT_TRUE(QDir().mkpath(to));
    xbase::Table::create(Encode(to + QStringLiteral("csz.dbf")), SystemTableLayoutOf(SystemTable::CityStateZip).fields);
    {
        auto own = xbase::Table::open(Encode(to + QStringLiteral("csz.dbf")));
        own->append();
        own->setString(own->fieldIndex("STATE"), "XX");
        own->post();
    }
    const QByteArray ownCsz = ReadAll(to + QStringLiteral("csz.dbf"));

    ASSERT_TRUE(EnsureSysdata(from));
    EXPECT_EQ(ReadAll(to + QStringLiteral("LBLTPL.DBF")), ReadAll(delivered("LBLTPL.DBF")));
    EXPECT_EQ(ReadAll(to + QStringLiteral("LBLTPL.CDX")), ReadAll(delivered("LBLTPL.CDX")));
    EXPECT_EQ(ReadAll(to + QStringLiteral("csz.dbf")), ownCsz);
    EXPECT_FALSE(QFile::exists(to + QStringLiteral("CSZ.DBF")));

    platform::DataTable table;
    ASSERT_TRUE(OpenLabelTemplateTable(table));  // exclusive: the copy is writable
    EXPECT_EQ(table.recordCount(), 1686u);
    table.close();
    ASSERT_TRUE(OpenCityStateZipTable(table));
    EXPECT_EQ(table.recordCount(), 1u);
    table.close();

    // Run again: nothing changes; and nothing to copy from is no failure.
    const QByteArray ownCszIndexed = ReadAll(to + QStringLiteral("csz.dbf"));
    ASSERT_TRUE(EnsureSysdata(from));
    EXPECT_EQ(ReadAll(to + QStringLiteral("csz.dbf")), ownCszIndexed);
    EXPECT_TRUE(EnsureSysdata(QString()));
    EXPECT_TRUE(ui.messageTexts().isEmpty());
}

// --- mksysdata ---------------------------------------------------------------

class MksysdataTest : public ::testing::Test {
protected:
    // Runs the tool on a CSV of these lines; returns its exit code.
    int run(const char* table, const QStringList& lines)
    {
        const QString csv = dir_.filePath(QStringLiteral("in.csv"));
        QFile file(csv);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(lines.join(QLatin1Char('\n')).toUtf8() + '\n');
        file.close();
        QProcess tool;
        tool.start(QStringLiteral(QP_MKSYSDATA), {QLatin1String(table), csv, out()});
        EXPECT_TRUE(tool.waitForFinished(60000));
        errors_ = QString::fromUtf8(tool.readAllStandardError());
        return tool.exitCode();
    }
    QString out() const { return dir_.filePath(QStringLiteral("OUT.DBF")); }
    QString outIndex() const { return dir_.filePath(QStringLiteral("OUT.CDX")); }

    QTemporaryDir dir_;
    QString errors_;
};

TEST_F(MksysdataTest, RefusesValuesThatDoNotFitAndLeavesNothingBehind)
{
    const QString header = QStringLiteral("NAME,STATE,LOW_ZIP,HIGH_ZIP");
    const QString good = QStringLiteral("New York,NY,10000,14999-9999");
    const QString templateHeader = QStringLiteral(
        "DESCRIPT,LBLHEIGHT,LBLWIDTH,NBRACROSS,NBRDOWN,TOPMARG,LEFTMARG,HORIZPITCH,VERTPITCH,SHEETWIDTH,SHEETDEPTH,"
        "PRINTER,PAPERSIZE,LBLSHAPE,MANUFAC,PRODTYPE,MIDEXTRAX,MIDEXTRAY,ART");
    auto templateRow = [](const QString& descript, const QString& height, const QString& across) {
        return descript + QLatin1Char(',') + height + QLatin1Char(',') + QStringLiteral("2.625,") + across +
               QStringLiteral(",10,0.500,0.188,2.750,1.000,8.500,11.000,LJ,LTR,RR,AVERY,ADDRESS/SHIPPING LABELS,0.000,0.000,");
    };
    struct Case {
        const char* table;
        QStringList lines;
        const char* expected;  // in the tool's message
    };
    const Case cases[] = {
        {"CSZ", {header, good, QStringLiteral("Somewhere,ABCDE,1,2")}, ":3: STATE \"ABCDE\""},
        {"CSZ", {header, good, QStringLiteral("A name much longer than twenty,XY,1,2")}, ":3: NAME"},
        {"CSZ", {header, good, QStringLiteral("Qu\u00e9bec,QC,G0A 0A0,J9Z 9Z9")}, ":3: NAME holds a byte outside ASCII"},
        {"CSZ", {header, good, QStringLiteral("Short,XY,1")}, ":3: the row has 3 values"},
        {"CSZ", {QStringLiteral("NAME,STATE,LOW_ZIP"), good}, "the column HIGH_ZIP is missing"},
        {"CSZ", {header + QStringLiteral(",EXTRA"), good + QLatin1Char(',')}, "has no field EXTRA"},
        {"CSZ", {header, QStringLiteral("\"Open,NY,1,2")}, "a quoted field is not closed"},
        {"LBLTPL", {templateHeader, templateRow("Fine", "1.000", "3"), templateRow("Rounded", "1.0005", "3")},
         ":3: LBLHEIGHT \"1.0005\" has more decimals"},
        {"LBLTPL", {templateHeader, templateRow("Too tall", "123.456", "3")}, ":2: LBLHEIGHT \"123.456\""},
        {"LBLTPL", {templateHeader, templateRow("Too many", "1.000", "100")}, ":2: NBRACROSS \"100\""},
        {"LBLTPL", {templateHeader, templateRow("Words", "one", "3")}, "LBLHEIGHT \"one\" is not a number"},
        {"LBLTPL", {templateHeader, templateRow(QString(61, QLatin1Char('x')), "1.000", "3")}, ":2: DESCRIPT"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        // An earlier output does not survive a failed run either.
        EXPECT_TRUE(QFile(out()).open(QIODevice::WriteOnly));
        EXPECT_EQ(run(c.table, c.lines), 1);
        EXPECT_TRUE(errors_.contains(QLatin1String(c.expected))) << errors_.toStdString();
        EXPECT_FALSE(QFile::exists(out()));
        EXPECT_FALSE(QFile::exists(outIndex()));
    }
}

TEST_F(MksysdataTest, WritesRowsAsTheyStandWithTheTag)
{
    ASSERT_EQ(run("CSZ", {QStringLiteral("STATE,NAME,HIGH_ZIP,LOW_ZIP"),  // any column order
                          QStringLiteral("ON,Ontario,P9Z 9Z9,K0A 0A0"),
                          QStringLiteral("nl,\"Newfoundland, \"\"Lab.\"\"\",A9Z 9Z9,A0A 0A0"),
                          QString()}),
              0)
        << errors_.toStdString();
    auto table = xbase::Table::open(Encode(out()), xbase::OpenMode::ReadOnly);
    EXPECT_EQ(table->recordCount(), 2u);
    table->setOrder(std::string_view("STATE"));
    ASSERT_TRUE(table->seek("NL"));
    EXPECT_EQ(table->getString(table->fieldIndex("NAME")), "Newfoundland, \"Lab.\"");
    EXPECT_EQ(table->getString(table->fieldIndex("STATE")), "nl");
    EXPECT_EQ(table->getString(table->fieldIndex("LOW_ZIP")), "A0A 0A0");
}

}  // namespace
