#include "platform/system/SingleInstanceGuard.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QSignalSpy>
#include <QUuid>
#include <QWidget>

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

#include "platform/ui/BringToFront.h"
#include "TempProgramDir.h"

using platform::SingleInstanceGuard;

namespace {

constexpr int kWaitMs = 15000;

QString UniqueKey()
{
    return QStringLiteral("qp-test-") + QUuid::createUuid().toString(QUuid::Id128).left(12);
}

// Starts the helper program (tests/platform/helper) on `key`.
void StartHelper(QProcess& process, const QString& key, int requests = 1)
{
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(QStringLiteral(QP_INSTANCE_HELPER), {key, QString::number(requests)});
    ASSERT_TRUE(process.waitForStarted(kWaitMs)) << process.errorString().toStdString();
}

// The next line the helper writes, or empty after the time limit.
QString NextLine(QProcess& process)
{
    QElapsedTimer timer;
    timer.start();
    while (!process.canReadLine() && timer.elapsed() < kWaitMs) {
        if (!process.waitForReadyRead(200) && process.state() == QProcess::NotRunning && !process.canReadLine())
            break;
    }
    return QString::fromLatin1(process.readLine()).trimmed();
}

TEST(SingleInstanceGuardTest, SecondProcessWakesTheFirstAndEnds)
{
    const QString key = UniqueKey();
    QProcess first;
    StartHelper(first, key);
    ASSERT_EQ(NextLine(first), QStringLiteral("FIRST"));

    QProcess second;
    StartHelper(second, key);
    EXPECT_EQ(NextLine(second), QStringLiteral("SECOND"));
    ASSERT_TRUE(second.waitForFinished(kWaitMs));
    EXPECT_EQ(second.exitCode(), 0);

    // The first one was minimised; it came back and quit after the request.
    EXPECT_EQ(NextLine(first), QStringLiteral("ACTIVATED"));
    ASSERT_TRUE(first.waitForFinished(kWaitMs));
    EXPECT_EQ(first.exitCode(), 0);
}

TEST(SingleInstanceGuardTest, RunningInstanceIsAskedToComeToTheFront)
{
    const QString key = UniqueKey();
    SingleInstanceGuard guard(key);
    ASSERT_TRUE(guard.claim());
    EXPECT_TRUE(guard.isFirst());
    EXPECT_TRUE(guard.claim()) << "a second call gives the first answer";

    QWidget window;
    window.showMinimized();
    QObject::connect(&guard, &SingleInstanceGuard::activationRequested, &window,
                     [&window] { platform::BringToFront(&window); });
    QSignalSpy requests(&guard, &SingleInstanceGuard::activationRequested);

    for (int start = 0; start < 2; ++start) {
        QProcess later;
        StartHelper(later, key);
        ASSERT_TRUE(requests.wait(kWaitMs) || requests.count() > start);
        EXPECT_EQ(NextLine(later), QStringLiteral("SECOND"));
        ASSERT_TRUE(later.waitForFinished(kWaitMs));
        EXPECT_EQ(later.exitCode(), 0);
    }
    EXPECT_EQ(requests.count(), 2);
    EXPECT_FALSE(window.isMinimized());
    EXPECT_TRUE(window.isVisible());
}

TEST(SingleInstanceGuardTest, SocketLeftByACrashedInstanceIsTakenOver)
{
    const QString key = UniqueKey();
    // What a killed instance leaves behind: a bound socket file nobody listens on.
    const QByteArray socketPath = QDir::temp().filePath(key).toLocal8Bit();
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(size_t(socketPath.size()), sizeof(address.sun_path));
    std::memcpy(address.sun_path, socketPath.constData(), size_t(socketPath.size()));
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    ::close(fd);
    ASSERT_TRUE(QFile::exists(QString::fromLocal8Bit(socketPath)));

    SingleInstanceGuard guard(key);
    ASSERT_TRUE(guard.claim());
    QSignalSpy requests(&guard, &SingleInstanceGuard::activationRequested);
    QProcess later;
    StartHelper(later, key);
    EXPECT_TRUE(requests.wait(kWaitMs));
    EXPECT_EQ(NextLine(later), QStringLiteral("SECOND"));
    later.waitForFinished(kWaitMs);
}

TEST(SingleInstanceGuardTest, TwoSimultaneousStartsLeaveExactlyOneRunning)
{
    const QString key = UniqueKey();
    QProcess a;
    QProcess b;
    StartHelper(a, key);
    StartHelper(b, key);
    const QStringList answers = {NextLine(a), NextLine(b)};
    EXPECT_EQ(answers.count(QStringLiteral("FIRST")), 1) << answers.join(QLatin1Char(' ')).toStdString();
    EXPECT_EQ(answers.count(QStringLiteral("SECOND")), 1) << answers.join(QLatin1Char(' ')).toStdString();
    QProcess& first = answers.at(0) == QStringLiteral("FIRST") ? a : b;
    EXPECT_EQ(NextLine(first), QStringLiteral("ACTIVATED"));
    EXPECT_TRUE(a.waitForFinished(kWaitMs));
    EXPECT_TRUE(b.waitForFinished(kWaitMs));
}

TEST(SingleInstanceGuardTest, DefaultKeyDependsOnTheProgramFolder)
{
    QString one;
    QString two;
    {
        TempProgramDir home;
        one = SingleInstanceGuard::DefaultKey();
        EXPECT_EQ(one, SingleInstanceGuard::DefaultKey());
    }
    {
        TempProgramDir home;
        two = SingleInstanceGuard::DefaultKey();
    }
    EXPECT_NE(one, two);
    EXPECT_TRUE(one.startsWith(QStringLiteral("quillpost-")));
}

}  // namespace
