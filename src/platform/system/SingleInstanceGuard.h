#pragma once
// SingleInstanceGuard: keeps the program to one running instance per user
// and program folder. The first instance claims a local socket and listens;
// a later start finds it, asks it to come to the front and is told to end.
//
//     SingleInstanceGuard guard;
//     if (!guard.claim()) return 0;                 // the other one is up
//     connect(&guard, &SingleInstanceGuard::activationRequested, ...);
//
// The guard owns its server; the claim ends when the guard is destroyed.
// A socket left behind by a crashed instance is cleaned up on claim. Two
// simultaneous starts are serialised by a lock file, so exactly one wins.
// Requires: a QCoreApplication exists; the event loop runs in the first
// instance (requests arrive as events).
#include <QObject>
#include <QString>

class QLocalServer;
class QLocalSocket;

namespace platform {

class SingleInstanceGuard : public QObject {
    Q_OBJECT

public:
    // `key` names the instance; the default is DefaultKey().
    explicit SingleInstanceGuard(QString key = DefaultKey(), QObject* parent = nullptr);
    ~SingleInstanceGuard() override;

    // True when this is the first instance: it now listens for later starts.
    // False when another instance runs: it has been asked to come to the
    // front and this one should end. Calling it again returns the first answer.
    bool claim();
    bool isFirst() const { return server_ != nullptr; }
    const QString& key() const { return key_; }

    // The key for this user and this program folder.
    static QString DefaultKey();

signals:
    // A later start asked this instance to come to the front.
    void activationRequested();

private:
    bool askRunningInstance();
    void acceptConnections();
    void readRequests(QLocalSocket* socket);

    QString key_;
    QLocalServer* server_ = nullptr;
    bool claimed_ = false;
    bool first_ = false;
};

}  // namespace platform
