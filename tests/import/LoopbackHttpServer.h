#pragma once

// A small HTTP server on 127.0.0.1 for the download tests, on a thread of its own so that a
// test may block (a child process, a nested event loop) while it answers.
#include <QByteArray>
#include <QHash>
#include <QMutex>
#include <QMutexLocker>
#include <QObject>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

namespace testsupport {

class LoopbackHttpServer {
public:
    struct Response {
        int status = 200;
        QByteArray body;
        QByteArray location;      // a redirect's target
        bool sendLength = true;   // false: the body ends when the connection closes
        bool neverAnswer = false; // the request is read and left waiting
        QByteArray contentType = "text/html; charset=utf-8";
    };
    // A page served whole with status 200.
    static Response page(QByteArray body) {
        Response response;
        response.body = std::move(body);
        return response;
    }

    LoopbackHttpServer() {
        m_thread.start();
        m_server = new QTcpServer;
        m_server->moveToThread(&m_thread);
        QMetaObject::invokeMethod(
            m_server,
            [this] {
                QObject::connect(m_server, &QTcpServer::newConnection, m_server, [this] { accept(); });
                m_server->listen(QHostAddress::LocalHost, 0);
            },
            Qt::BlockingQueuedConnection);
    }
    ~LoopbackHttpServer() {
        QMetaObject::invokeMethod(
            m_server, [this] { delete m_server; }, Qt::BlockingQueuedConnection);
        m_thread.quit();
        m_thread.wait();
    }

    void route(const QByteArray& path, Response response) {
        QMutexLocker lock(&m_mutex);
        m_routes.insert(path, std::move(response));
    }
    QString url(const QString& path) const {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(m_server->serverPort()).arg(path);
    }
    int requests(const QByteArray& path) const {
        QMutexLocker lock(&m_mutex);
        return m_counts.value(path);
    }

private:
    void accept() {
        while (QTcpSocket* socket = m_server->nextPendingConnection()) {
            QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { answer(socket); });
        }
    }
    void answer(QTcpSocket* socket) {
        QByteArray& request = m_pending[socket];
        request += socket->readAll();
        if (!request.contains("\r\n\r\n"))
            return;
        const QByteArray path = request.split(' ').value(1);
        m_pending.remove(socket);
        Response response;
        {
            QMutexLocker lock(&m_mutex);
            ++m_counts[path];
            response = m_routes.value(path, Response{404, "missing", {}, true, false});
        }
        if (response.neverAnswer)
            return;
        QByteArray head = "HTTP/1.1 " + QByteArray::number(response.status) + " X\r\nConnection: close\r\n";
        head += "Content-Type: " + response.contentType + "\r\n";
        if (!response.location.isEmpty())
            head += "Location: " + response.location + "\r\n";
        if (response.sendLength)
            head += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n";
        socket->write(head + "\r\n" + response.body);
        socket->disconnectFromHost();
    }

    QThread m_thread;
    QTcpServer* m_server;
    mutable QMutex m_mutex;
    QHash<QByteArray, Response> m_routes;
    QHash<QByteArray, int> m_counts;
    QHash<QTcpSocket*, QByteArray> m_pending;
};

} // namespace testsupport
