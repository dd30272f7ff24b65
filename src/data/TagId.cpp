#include "data/TagId.h"

#include "platform/system/Clock.h"

namespace data {

QString ToBase36(qint64 n)
{
    static const char kDigits[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    QString text;
    qint64 power = 36LL * 36 * 36 * 36 * 36;  // 36^5: six digits at most
    for (int i = 5; i >= 0; --i, power /= 36) {
        const qint64 digit = n / power;
        n -= digit * power;
        if (digit != 0 || !text.isEmpty())
            text += QLatin1Char(kDigits[digit % 36]);
    }
    return text;
}

QString TagIdAt(const QDateTime& moment)
{
    const qint64 stamp = moment.toString(QStringLiteral("MMddhhmmss")).toLongLong();
    return ToBase36(moment.date().year() - 1995) + ToBase36(stamp);
}

QString NewTagId(const QString& current)
{
    QDateTime moment = platform::Clock::now();
    QString id = TagIdAt(moment);
    while (id == current) {
        moment = moment.addSecs(1);
        id = TagIdAt(moment);
    }
    return id;
}

}  // namespace data
