#include "platform/system/SingleInstanceGuard.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>

#include <utility>

#include "platform/system/ProgramDir.h"

namespace platform {

namespace {

constexpr int kConnectTimeoutMs = 1000;
constexpr int kReplyTimeoutMs = 3000;
constexpr int kLockTimeoutMs = 10000;
const QByteArray kActivate = QByteArrayLiteral("ACTIVATE\n");
const QByteArray kAcknowledge = QByteArrayLiteral("OK\n");

}  // namespace

SingleInstanceGuard::SingleInstanceGuard(QString key, QObject* parent) : QObject(parent), key_(std::move(key)) {}

SingleInstanceGuard::~SingleInstanceGuard() = default;

QString SingleInstanceGuard::DefaultKey()
{
    // Local socket names live in one folder for all users: the user name and
    // a digest of the program folder keep installations and users apart.
    QString user = qEnvironmentVariable("USER");
    if (user.isEmpty())
        user = qEnvironmentVariable("USERNAME");
    const QByteArray digest =
        QCryptographicHash::hash((user + QLatin1Char('\n') + ProgramDir()).toUtf8(), QCryptographicHash::Sha1)
            .toHex()
            .left(16);
    return QStringLiteral("quillpost-") + QString::fromLatin1(digest);
}

bool SingleInstanceGuard::claim()
{
    if (claimed_)
        return first_;
    claimed_ = true;

    // Without the lock two starts could both miss each other's server and
    // the second removeServer() below would take the first one's socket.
    // A lock left by a dead process is taken over (QLockFile checks the
    // owner's process id); should the lock not come at all, go on unguarded.
    QLockFile lock(QDir::temp().filePath(key_ + QStringLiteral(".lock")));
    lock.setStaleLockTime(0);
    lock.tryLock(kLockTimeoutMs);

    if (askRunningInstance()) {
        first_ = false;
        return false;
    }

    auto* server = new QLocalServer(this);
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(key_)) {
        // Nobody answered, so the name is a leftover of a crashed instance.
        QLocalServer::removeServer(key_);
        if (!server->listen(key_)) {
            // Running without the guard is better than not running at all.
            delete server;
            first_ = true;
            return true;
        }
    }
    server_ = server;
    connect(server_, &QLocalServer::newConnection, this, &SingleInstanceGuard::acceptConnections);
    first_ = true;
    return true;
}

bool SingleInstanceGuard::askRunningInstance()
{
    QLocalSocket socket;
    socket.connectToServer(key_);
    if (!socket.waitForConnected(kConnectTimeoutMs))
        return false;
    // Someone listens: this start ends, whatever happens to the request. A
    // hung instance still holds the name and must not be displaced.
    socket.write(kActivate);
    socket.waitForBytesWritten(kReplyTimeoutMs);
    while (!socket.canReadLine() && socket.state() == QLocalSocket::ConnectedState) {
        if (!socket.waitForReadyRead(kReplyTimeoutMs))
            break;
    }
    socket.disconnectFromServer();
    return true;
}

void SingleInstanceGuard::acceptConnections()
{
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readRequests(socket); });
        readRequests(socket);
    }
}

void SingleInstanceGuard::readRequests(QLocalSocket* socket)
{
    while (socket->canReadLine()) {
        if (socket->readLine() != kActivate)
            continue;
        socket->write(kAcknowledge);
        socket->flush();
        emit activationRequested();
    }
}

}  // namespace platform
