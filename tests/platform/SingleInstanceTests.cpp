// Handing a later launch's arguments to the running instance over a real local socket.
#include "platform/SingleInstance.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtEndian>

#include <future>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

class SingleInstanceTest : public ::testing::Test {
protected:
    QTemporaryDir m_dir;
    QString m_name = m_dir.filePath(QStringLiteral("s"));

    // The second launch blocks while it waits for the answer, so it runs on its own thread
    // while this one runs the primary's event loop.
    bool sendFromSecondLaunch(const QStringList& arguments) {
        std::future<bool> sent =
            std::async(std::launch::async, [&] { return SingleInstance(m_name).sendToPrimary(arguments); });
        const QDeadlineTimer deadline(10000);
        while (sent.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready &&
               !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        return sent.get();
    }
};

TEST_F(SingleInstanceTest, LaterLaunchHandsItsArgumentsToThePrimary) {
    SingleInstance primary(m_name);
    ASSERT_TRUE(primary.becomePrimary());
    EXPECT_FALSE(SingleInstance(m_name).becomePrimary());

    QSignalSpy received(&primary, &SingleInstance::argumentsReceived);
    const QStringList arguments{QStringLiteral("/home/me/Crème brûlée.recipe"),
                                QStringLiteral("/tmp/два слова"), QStringLiteral("https://example.org/a b")};
    EXPECT_TRUE(sendFromSecondLaunch(arguments));
    ASSERT_TRUE(received.count() == 1 || received.wait(5000));
    EXPECT_EQ(received.at(0).at(0).toStringList(), arguments);

    // A plain relaunch hands over nothing, which still reaches the primary.
    EXPECT_TRUE(sendFromSecondLaunch({}));
    ASSERT_TRUE(received.count() == 2 || received.wait(5000));
    EXPECT_TRUE(received.at(1).at(0).toStringList().isEmpty());
}

TEST_F(SingleInstanceTest, NoPrimaryOrAStaleSocketIsTakenOver) {
    EXPECT_FALSE(SingleInstance(m_name).sendToPrimary({QStringLiteral("/a")}, 1000));

    // A socket file left behind by a process that ended without removing it.
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray path = QFile::encodeName(m_name);
    ASSERT_LT(size_t(path.size()), sizeof(address.sun_path));
    memcpy(address.sun_path, path.constData(), size_t(path.size()));
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    ::close(fd);
    ASSERT_TRUE(QFile::exists(m_name));
    EXPECT_FALSE(SingleInstance(m_name).sendToPrimary({}, 1000));

    {
        SingleInstance primary(m_name);
        EXPECT_TRUE(primary.becomePrimary());
    }
    SingleInstance next(m_name);
    EXPECT_TRUE(next.becomePrimary());
}

TEST_F(SingleInstanceTest, MalformedOrOversizedMessagesAreDropped) {
    SingleInstance primary(m_name);
    ASSERT_TRUE(primary.becomePrimary());
    QSignalSpy received(&primary, &SingleInstance::argumentsReceived);

    auto header = [](quint32 size) {
        QByteArray bytes(4, '\0');
        qToBigEndian(size, bytes.data());
        return bytes;
    };
    const QList<QByteArray> messages{
        header(0x7fffffff),                       // far beyond the size limit
        header(4) + header(0xfffffff0),           // claims billions of strings
        header(8) + header(1) + header(0x1000),   // a string longer than the message
        header(6) + header(0) + QByteArray("xy"), // bytes after the list
    };
    for (const QByteArray& message : messages) {
        QLocalSocket socket;
        socket.connectToServer(m_name);
        ASSERT_TRUE(socket.waitForConnected(5000));
        QSignalSpy closed(&socket, &QLocalSocket::disconnected);
        socket.write(message);
        socket.flush();
        EXPECT_TRUE(closed.wait(5000));
        EXPECT_EQ(socket.bytesAvailable(), 0);
    }
    EXPECT_EQ(received.count(), 0);
    EXPECT_TRUE(sendFromSecondLaunch({QStringLiteral("/still/works")}));
}

} // namespace
