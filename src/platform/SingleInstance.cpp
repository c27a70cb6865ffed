#include "platform/SingleInstance.h"

#include "platform/Scheduler.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QDeadlineTimer>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>
#include <QtEndian>

#include <optional>

#include <unistd.h>

namespace {

constexpr char acknowledgement = '\x01';
constexpr int headerSize = 4;
// How long a connected launch may take to deliver its message before it is dropped.
constexpr double connectionTimeoutSeconds = 3.0;
// How long a starting instance waits for a running one to accept its connection.
constexpr int probeTimeoutMs = 500;
constexpr int lockTimeoutMs = 2000;

QByteArray encodeMessage(const QStringList& arguments) {
    QByteArray body;
    QDataStream stream(&body, QIODevice::WriteOnly);
    stream.setVersion(QDataStream::Qt_6_0);
    stream << arguments;
    QByteArray message(headerSize, '\0');
    qToBigEndian(quint32(body.size()), message.data());
    return message + body;
}

// Reads the list element by element rather than with QDataStream's QStringList operator,
// which reserves room for whatever count the bytes claim before reading a single string.
std::optional<QStringList> decodeBody(const QByteArray& body) {
    QDataStream stream(body);
    stream.setVersion(QDataStream::Qt_6_0);
    quint32 count = 0;
    stream >> count;
    // Every string takes at least its 4-byte length, so a larger count cannot be honest.
    if (stream.status() != QDataStream::Ok || count > quint32(body.size() / 4))
        return std::nullopt;
    QStringList arguments;
    arguments.reserve(int(count));
    for (quint32 i = 0; i < count; ++i) {
        QString argument;
        stream >> argument;
        if (stream.status() != QDataStream::Ok)
            return std::nullopt;
        arguments << argument;
    }
    if (!stream.atEnd())
        return std::nullopt;
    return arguments;
}

QString socketPath(const QString& serverName) {
    return QDir::isAbsolutePath(serverName) ? serverName : QDir::tempPath() + QLatin1Char('/') + serverName;
}

} // namespace

SingleInstance::SingleInstance(QString serverName, QObject* parent)
    : QObject(parent), m_serverName(serverName.isEmpty() ? defaultServerName() : std::move(serverName)) {}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::defaultServerName() {
    // The user id and the configuration folder together name one user's setup; hashing
    // them keeps the socket name short and free of path characters.
    const QByteArray key = QByteArray::number(quint64(::getuid())) + '\n' +
                           QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation).toUtf8();
    const QString name =
        QStringLiteral("larkspoon-") +
        QString::fromLatin1(QCryptographicHash::hash(key, QCryptographicHash::Sha256).toHex().left(24));
    // The runtime folder is private to the user; a Unix socket path must stay short.
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    const QString inRuntime = runtime + QLatin1Char('/') + name;
    if (!runtime.isEmpty() && QFile::encodeName(inRuntime).size() < 100)
        return inRuntime;
    return name;
}

bool SingleInstance::becomePrimary() {
    if (m_server && m_server->isListening())
        return true;

    // Two launches at the same moment must not both remove the socket and listen: the
    // check, the removal and the listen happen under a lock beside the socket.
    QLockFile lock(socketPath(m_serverName) + QStringLiteral(".lock"));
    if (!lock.tryLock(lockTimeoutMs)) {
        qWarning("SingleInstance: could not lock %s", qPrintable(m_serverName));
        return false;
    }

    QLocalSocket probe;
    probe.connectToServer(m_serverName);
    if (probe.waitForConnected(probeTimeoutMs)) {
        probe.abort();
        return false;
    }

    // Nobody answers: whatever socket file is there was left by an instance that ended
    // without closing it.
    QLocalServer::removeServer(m_serverName);
    auto* server = new QLocalServer(this);
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(m_serverName)) {
        qWarning("SingleInstance: could not listen on %s: %s", qPrintable(m_serverName),
                 qPrintable(server->errorString()));
        delete server;
        return false;
    }
    m_server = server;
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::acceptConnections);
    return true;
}

void SingleInstance::acceptConnections() {
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readFrom(socket); });
        // A launch that connects and then stalls is dropped.
        Scheduler::instance().schedule(
            connectionTimeoutSeconds, [socket] { socket->abort(); }, socket);
        if (socket->bytesAvailable() > 0)
            readFrom(socket);
    }
}

void SingleInstance::readFrom(QLocalSocket* socket) {
    if (socket->property("answered").toBool()) {
        socket->readAll();
        return;
    }
    if (socket->bytesAvailable() < headerSize)
        return;
    uchar header[headerSize];
    socket->peek(reinterpret_cast<char*>(header), headerSize);
    const quint32 size = qFromBigEndian<quint32>(header);
    if (size > maximumMessageSize) {
        qWarning("SingleInstance: dropped a message of %u bytes", size);
        socket->abort();
        return;
    }
    if (socket->bytesAvailable() < headerSize + qint64(size))
        return;
    socket->skip(headerSize);
    const std::optional<QStringList> arguments = decodeBody(socket->read(size));
    if (!arguments) {
        qWarning("SingleInstance: dropped a malformed message");
        socket->abort();
        return;
    }
    socket->setProperty("answered", true);
    socket->write(&acknowledgement, 1);
    socket->flush();
    socket->disconnectFromServer();
    emit argumentsReceived(*arguments);
}

bool SingleInstance::sendToPrimary(const QStringList& arguments, int timeoutMs) {
    const QByteArray message = encodeMessage(arguments);
    if (message.size() - headerSize > maximumMessageSize) {
        qWarning("SingleInstance: arguments too long to hand over");
        return false;
    }
    const QDeadlineTimer deadline(qMax(0, timeoutMs));
    QLocalSocket socket;
    socket.connectToServer(m_serverName);
    if (!socket.waitForConnected(int(deadline.remainingTime())))
        return false;
    socket.write(message);
    while (socket.bytesToWrite() > 0) {
        if (deadline.hasExpired() || !socket.waitForBytesWritten(int(deadline.remainingTime())))
            return false;
    }
    while (socket.bytesAvailable() < 1) {
        if (deadline.hasExpired() || !socket.waitForReadyRead(int(deadline.remainingTime())))
            return false;
    }
    char answer = 0;
    return socket.getChar(&answer) && answer == acknowledgement;
}
