#pragma once

// Servers for the platefeed tests, on 127.0.0.1 only: a real WebDAV server (lighttpd with
// mod_webdav, serving a temporary folder) and a small HTTP server whose answers a test sets
// (a status, a body, or no answer at all).
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <memory>

class WebDavTestServer {
public:
    static QString program() { return QStringLiteral("/usr/sbin/lighttpd"); }
    static bool isInstalled() { return QFile::exists(program()); }

    // Set before start(): serve another server's folder, and refuse writes to the paths
    // this regular expression matches.
    QString sharedRoot;
    QString readOnlyPattern;

    // False when the server did not start (the reason in error()).
    bool start() {
        QDir(m_dir.path()).mkpath(QStringLiteral("root"));
        // A free port: one the system gives out, released just before lighttpd takes it.
        {
            QTcpServer probe;
            if (!probe.listen(QHostAddress::LocalHost, 0)) {
                m_error = probe.errorString();
                return false;
            }
            m_port = probe.serverPort();
        }
        QFile config(m_dir.filePath(QStringLiteral("lighttpd.conf")));
        if (!config.open(QIODevice::WriteOnly))
            return false;
        config.write(QStringLiteral("server.modules = (\"mod_webdav\")\n"
                                    "server.document-root = \"%1\"\n"
                                    "server.port = %2\n"
                                    "server.bind = \"127.0.0.1\"\n"
                                    "webdav.activate = \"enable\"\n"
                                    "webdav.is-readonly = \"disable\"\n"
                                    // Files a test writes beside the server are served as they are now.
                                    "server.stat-cache-engine = \"disable\"\n"
                                    "mimetype.assign = (\".plist\" => \"application/xml\", \".html\" => "
                                    "\"text/html\")\n")
                         .arg(root())
                         .arg(m_port)
                         .toUtf8());
        if (!readOnlyPattern.isEmpty())
            config.write(QStringLiteral("$HTTP[\"url\"] =~ \"%1\" { webdav.is-readonly = \"enable\" }\n")
                             .arg(readOnlyPattern)
                             .toUtf8());
        config.close();
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.start(program(), {QStringLiteral("-D"), QStringLiteral("-f"), config.fileName()});
        // lighttpd says "server started" once it listens.
        QByteArray said;
        while (!said.contains("server started")) {
            if (!m_process.waitForReadyRead(10000)) {
                m_error = QString::fromUtf8(said + m_process.readAll());
                return false;
            }
            said += m_process.readAll();
        }
        return true;
    }
    ~WebDavTestServer() {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.terminate();
            m_process.waitForFinished(5000);
        }
    }

    QString root() const {
        return sharedRoot.isEmpty() ? m_dir.filePath(QStringLiteral("root")) : sharedRoot;
    }
    QString address() const { return QStringLiteral("http://127.0.0.1:%1/").arg(m_port); }
    QString error() const { return m_error; }

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    quint16 m_port = 0;
    QString m_error;
};

// Answers requests by method and path ("PUT /a") or by path alone: the status and body set
// for it, 404 otherwise; a path set to hang is accepted and never answered.
class ScriptedHttpServer {
public:
    struct Answer {
        int status = 200;
        QByteArray body;
        bool hang = false;
    };
    QHash<QString, Answer> answers;

    bool start() {
        if (!m_server.listen(QHostAddress::LocalHost, 0))
            return false;
        QObject::connect(&m_server, &QTcpServer::newConnection, &m_server, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection()) {
                auto buffer = std::make_shared<QByteArray>();
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, buffer] {
                    *buffer += socket->readAll();
                    const qsizetype end = buffer->indexOf("\r\n\r\n");
                    if (end < 0)
                        return;
                    const QList<QByteArray> words = buffer->left(buffer->indexOf("\r\n")).split(' ');
                    const QString path = words.size() > 1 ? QString::fromUtf8(words.at(1)) : QString();
                    const QString request = QString::fromUtf8(words.value(0)) + QLatin1Char(' ') + path;
                    const Answer answer = answers.value(
                        request, answers.value(path, Answer{404, QByteArray("not here"), false}));
                    if (answer.hang)
                        return;
                    socket->write("HTTP/1.1 " + QByteArray::number(answer.status) +
                                  " X\r\nContent-Length: " + QByteArray::number(answer.body.size()) +
                                  "\r\nConnection: close\r\n\r\n" + answer.body);
                    socket->disconnectFromHost();
                });
            }
        });
        return true;
    }
    QString address(const QString& path) const {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path);
    }

private:
    QTcpServer m_server;
};
