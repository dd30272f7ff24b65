#pragma once
// Helpers of the dataset-layer tests: an address-like table made with the
// real engine in a temporary folder, filled with known values, and a
// recorder of a DataTable's signals in the order they came.
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "platform/db/DataTable.h"

// Failure messages show texts, not their bytes.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace dbtest {

// Fields like the address record's: LNAME C20, FNAME C15, MIDDLE C1,
// CITY C20, STATE C10, ZIP C10, DATE C15, ISDEL L, TAG C8, MEMO M.
// Record n (1-based) has LNAME "Name" + n (5 digits), FNAME "First" + n,
// CITY cities[n % 4], ZIP n as 5 digits, MEMO "Memo n" + CR LF + "line 2"
// on odd records. Records listed in deleted carry the delete mark.
std::string createAddressTable(const QTemporaryDir& dir, uint32_t records, const std::vector<uint32_t>& deleted = {},
                               const std::string& name = "ADDR.DBF");
QString lastNameOf(uint32_t recno);
QString cityOf(uint32_t recno);

// Records every signal of a DataTable by name ("stateChanged", "afterPost", ...).
class SignalLog : public QObject {
public:
    explicit SignalLog(platform::DataTable& table);
    QStringList take();
    const QStringList& seen() const { return log_; }

private:
    QStringList log_;
};

}  // namespace dbtest
