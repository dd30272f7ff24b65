#pragma once
// Tag identifiers: the value written into a record's TAG field when it is
// tagged. A new identifier is ToBase36(year − 1995) followed by
// ToBase36(MMDDhhmmss read as a number), at most 8 characters.
#include <QDateTime>
#include <QString>

namespace data {

// Base-36 digits of n (at most six), leading zeros left out; 0 gives "".
QString ToBase36(qint64 n);
// The identifier for a moment.
QString TagIdAt(const QDateTime& moment);
// A new identifier from the clock, never equal to `current` (two Clear Tags
// within one second still get different identifiers).
QString NewTagId(const QString& current = {});

}  // namespace data
