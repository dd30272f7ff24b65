#pragma once
// Clock: "now" for the whole program. Windows that stamp dates (today's date
// in a new record, tag identifiers, report dates) ask the Clock, never the
// system, so that tests can fix the time: Clock::setFixed(1997-04-28 14:05:09)
// and every reader sees that moment until Clock::useSystemTime().
// The fixed time stays until advanced, so consecutive readings are equal.
// Not thread-safe: the program has one thread.
#include <QDate>
#include <QDateTime>

namespace platform {

class Clock {
public:
    Clock() = delete;

    // The local date and time.
    static QDateTime now();
    static QDate today();
    // Milliseconds on a monotonic counter with an arbitrary start, for
    // measuring intervals (timeouts); follows the fixed time when one is set.
    static qint64 tickCount();

    // Makes now() return `moment` (local time) until advance() or useSystemTime().
    static void setFixed(const QDateTime& moment);
    // Moves a fixed time on; does nothing while the system time is used.
    static void advance(qint64 milliseconds);
    static void useSystemTime();
    static bool isFixed();
};

}  // namespace platform
