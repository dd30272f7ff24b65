#include "DbTestSupport.h"

#include <QFile>

#include <cstdio>
#include <memory>

#include "xbase/Table.h"

namespace dbtest {

namespace {

const char* const kCities[] = {"Springfield", "Zürich", "Ottawa", "Chicago"};

std::string latin(const QString& text)
{
    return text.toLatin1().toStdString();  // the test values hold only Latin-1 characters
}

}  // namespace

QString lastNameOf(uint32_t recno)
{
    return QStringLiteral("Name%1").arg(recno, 5, 10, QLatin1Char('0'));
}

QString cityOf(uint32_t recno)
{
    return QString::fromUtf8(kCities[recno % 4]);
}

std::string createAddressTable(const QTemporaryDir& dir, uint32_t records, const std::vector<uint32_t>& deleted,
                               const std::string& name)
{
    std::string path = QFile::encodeName(dir.filePath(QString::fromStdString(name))).toStdString();
    xbase::Table::create(path, {
                                   {"LNAME", 'C', 20, 0},
                                   {"FNAME", 'C', 15, 0},
                                   {"MIDDLE", 'C', 1, 0},
                                   {"CITY", 'C', 20, 0},
                                   {"STATE", 'C', 10, 0},
                                   {"ZIP", 'C', 10, 0},
                                   {"DATE", 'C', 15, 0},
                                   {"ISDEL", 'L', 1, 0},
                                   {"TAG", 'C', 8, 0},
                                   {"MEMO", 'M', 10, 0},
                               });
    auto table = xbase::Table::open(path);
    for (uint32_t n = 1; n <= records; ++n) {
        table->append();
        table->setString(0, latin(lastNameOf(n)));
        table->setString(1, latin(QStringLiteral("First%1").arg(n)));
        table->setString(3, latin(cityOf(n)));
        table->setString(5, latin(QStringLiteral("%1").arg(n, 5, 10, QLatin1Char('0'))));
        table->setString(6, n % 2 ? "19970428" : "");
        table->setLogical(7, false);
        if (n % 2)
            table->setMemo(9, latin(QStringLiteral("Memo %1\r\nline 2").arg(n)));
        table->post();
    }
    for (uint32_t n : deleted) {
        table->go(n);
        table->deleteRecord();
    }
    return path;
}

SignalLog::SignalLog(platform::DataTable& table)
{
    using platform::DataTable;
    auto record = [this](const char* name) { return [this, name] { log_.append(QLatin1String(name)); }; };
    connect(&table, &DataTable::stateChanged, this, record("stateChanged"));
    connect(&table, &DataTable::recordChanged, this, record("recordChanged"));
    connect(&table, &DataTable::fieldChanged, this, record("fieldChanged"));
    connect(&table, &DataTable::dataSetChanged, this, record("dataSetChanged"));
    connect(&table, &DataTable::fieldsChanged, this, record("fieldsChanged"));
    connect(&table, &DataTable::afterInsert, this, record("afterInsert"));
    connect(&table, &DataTable::afterEdit, this, record("afterEdit"));
    connect(&table, &DataTable::afterPost, this, record("afterPost"));
    connect(&table, &DataTable::afterCancel, this, record("afterCancel"));
    connect(&table, &DataTable::afterScroll, this, record("afterScroll"));
}

QStringList SignalLog::take()
{
    return std::exchange(log_, {});
}

}  // namespace dbtest
