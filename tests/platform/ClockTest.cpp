#include "platform/system/Clock.h"

#include <gtest/gtest.h>

using platform::Clock;

namespace {

class ClockTest : public ::testing::Test {
protected:
    void TearDown() override { Clock::useSystemTime(); }
};

TEST_F(ClockTest, ReadsTheFixedTimeUntilToldOtherwise)
{
    const QDateTime moment(QDate(1997, 4, 28), QTime(14, 5, 9));
    Clock::setFixed(moment);
    EXPECT_TRUE(Clock::isFixed());
    EXPECT_EQ(Clock::now(), moment);
    EXPECT_EQ(Clock::now(), moment) << "a fixed clock does not run";
    EXPECT_EQ(Clock::today(), QDate(1997, 4, 28));

    const qint64 tick = Clock::tickCount();
    Clock::advance(61 * 1000);
    EXPECT_EQ(Clock::now(), QDateTime(QDate(1997, 4, 28), QTime(14, 6, 10)));
    EXPECT_EQ(Clock::tickCount() - tick, 61 * 1000);

    Clock::setFixed(QDateTime(QDate(1997, 12, 31), QTime(23, 59, 59)));
    Clock::advance(1000);
    EXPECT_EQ(Clock::today(), QDate(1998, 1, 1));
}

TEST_F(ClockTest, SystemTimeRuns)
{
    Clock::setFixed(QDateTime(QDate(1997, 4, 28), QTime(14, 5, 9)));
    Clock::useSystemTime();
    EXPECT_FALSE(Clock::isFixed());
    const QDateTime before = QDateTime::currentDateTime();
    const QDateTime now = Clock::now();
    EXPECT_LE(before.msecsTo(now), 5000);
    EXPECT_GE(before.msecsTo(now), 0);
    Clock::advance(1000000);  // no effect on the system time
    EXPECT_LE(QDateTime::currentDateTime().msecsTo(Clock::now()), 5000);
    const qint64 first = Clock::tickCount();
    EXPECT_GE(Clock::tickCount(), first);
}

}  // namespace
