#include "platform/system/Clock.h"

#include <QElapsedTimer>

namespace platform {

namespace {

QDateTime g_fixed;  // invalid while the system time is used

}  // namespace

QDateTime Clock::now()
{
    return g_fixed.isValid() ? g_fixed : QDateTime::currentDateTime();
}

QDate Clock::today()
{
    return now().date();
}

qint64 Clock::tickCount()
{
    if (g_fixed.isValid())
        return g_fixed.toMSecsSinceEpoch();
    static QElapsedTimer timer;
    if (!timer.isValid())
        timer.start();
    return timer.elapsed();
}

void Clock::setFixed(const QDateTime& moment)
{
    g_fixed = moment;
}

void Clock::advance(qint64 milliseconds)
{
    if (g_fixed.isValid())
        g_fixed = g_fixed.addMSecs(milliseconds);
}

void Clock::useSystemTime()
{
    g_fixed = QDateTime();
}

bool Clock::isFixed()
{
    return g_fixed.isValid();
}

}  // namespace platform
