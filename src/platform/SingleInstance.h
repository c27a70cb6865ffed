#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class QLocalServer;
class QLocalSocket;

// One running copy of the desktop application per user. The first launch listens on a
// local socket; a later launch hands its arguments (file paths, links) to it and exits.
//
// Wire format, one message per connection: a 32-bit big-endian byte count, then that many
// bytes holding a QStringList as QDataStream (Qt 6.0) writes it. The primary answers with
// one acknowledgement byte and closes the connection.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    // serverName: empty = the per-user default (derived from the user's id/config path, so two users never
    // meet).
    explicit SingleInstance(QString serverName = {}, QObject* parent = nullptr);
    ~SingleInstance() override;

    // Becomes the primary instance (listens) unless another primary answers; a stale socket left by a crash
    // is removed and taken over.
    bool becomePrimary();
    // From a second launch: sends the arguments (absolute paths / links) to the primary; returns whether the
    // primary acknowledged within timeoutMs.
    bool sendToPrimary(const QStringList& arguments, int timeoutMs = 3000);
    QString serverName() const { return m_serverName; }

    // The per-user name used when none is given: a socket in the user's private runtime folder.
    static QString defaultServerName();

    // Largest message body accepted or sent.
    static constexpr qint64 maximumMessageSize = 1024 * 1024;

signals:
    // In the primary: a later launch handed over its arguments (possibly empty: a plain relaunch means
    // "reopen").
    void argumentsReceived(const QStringList& arguments);

private:
    void acceptConnections();
    void readFrom(QLocalSocket* socket);

    QString m_serverName;
    QLocalServer* m_server = nullptr;
};
