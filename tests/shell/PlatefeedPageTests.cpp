// The group editor's platefeed page driven through its fields against servers on
// 127.0.0.1: a request running makes OK do nothing, and a password bound for another
// machine over plain http is asked about first.
#include "common/ScriptedAlerts.h"
#include "common/TestSession.h"
#include "share/FeedServers.h"

#include "platform/Keyring.h"
#include "platform/PropertyList.h"
#include "share/PlatefeedManager.h"
#include "share/ui/PlatefeedPage.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

// A password store that keeps nothing and answers at once.
class NullKeyring final : public Keyring {
public:
    bool isAvailable() const override { return true; }
    void readPassword(const QString&, const QString&, ReadDone done) override { done(false, {}, {}); }
    void writePassword(const QString&, const QString&, const QString&, WriteDone done) override {
        done(true, {});
    }
    void deletePassword(const QString&, const QString&, WriteDone done) override { done(true, {}); }
};

class PlatefeedPageTest : public ::testing::Test {
protected:
    QTemporaryDir m_dir;
    ScriptedAlerts m_alerts;
    NullKeyring m_keyring;
    std::unique_ptr<testsupport::TestSession> m_library;
    std::unique_ptr<PlatefeedManager> m_manager;
    std::unique_ptr<PlatefeedPage> m_page;
    ScriptedHttpServer m_server;

    void SetUp() override {
        m_library = std::make_unique<testsupport::TestSession>(m_dir.filePath(QStringLiteral("Page.library")),
                                                               m_alerts);
        ASSERT_TRUE(m_library->isOpen());
        m_manager = std::make_unique<PlatefeedManager>(*m_library->session());
        m_manager->setTimeoutMs(3000);
        m_page = std::make_unique<PlatefeedPage>(*m_manager, m_keyring, *m_library->session());
        ASSERT_TRUE(m_server.start());
    }
    void TearDown() override {
        m_page.reset();
        m_manager.reset();
    }
    QLineEdit* field(const char* name) const { return m_page->findChild<QLineEdit*>(QLatin1String(name)); }
};

TEST_F(PlatefeedPageTest, OkWhileASubscriptionIsAskedForSubscribesOnce) {
    const QVariantMap index{{QStringLiteral("name"), QStringLiteral("Feed")},
                            {QStringLiteral("platefeedPredicateKey"), QStringLiteral("42")}};
    m_server.answers.insert(QStringLiteral("/feed/version.plist"), {200, xmlPropertyListData(index), false});
    QSignalSpy closed(m_page.get(), &PlatefeedPage::closeRequested);
    QSignalSpy busy(m_page.get(), &PlatefeedPage::busyChanged);
    m_page->setPlateFeedType(1);
    field("platefeedAddressField")->setText(m_server.address(QStringLiteral("/feed")));
    EXPECT_FALSE(m_page->okAction());
    EXPECT_FALSE(m_page->okAction()); // a second OK (or Return) before the answer
    ASSERT_TRUE(QTest::qWaitFor([&] { return closed.count() > 0; }, 20000));
    EXPECT_EQ(m_manager->subscribedGroups().size(), 1);
    ASSERT_FALSE(busy.isEmpty());
    EXPECT_TRUE(busy.first().first().toBool());
    EXPECT_FALSE(busy.last().first().toBool());
}

TEST_F(PlatefeedPageTest, APasswordForAnotherMachineOverHttpIsAskedAboutFirst) {
    m_server.answers.insert(QStringLiteral("PROPFIND /dav/"),
                            {207, "<D:multistatus xmlns:D=\"DAV:\"/>", false});
    struct Case {
        QString webdav;
        int answer;     // the button chosen if asked: 0 Cancel, 1 Send Unencrypted
        bool asked;     // the warning came
        bool requested; // the login went to the server (the account changed)
    };
    const QString loopback = m_server.address(QStringLiteral("/dav/"));
    const QList<Case> cases = {
        {QStringLiteral("http://dav.example.invalid/dav/"), 0, true, false},
        {QStringLiteral("http://dav.example.invalid/dav/"), 1, true, true},
        {loopback, 0, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.webdav.toStdString() + " " + std::to_string(c.answer));
        m_manager->setAccount(PlatefeedAccount{});
        m_page->setPlateFeedType(0);
        ASSERT_EQ(m_page->step(), PlatefeedPage::Step::Login);
        field("webdavAddressField")->setText(c.webdav);
        field("publicAddressField")->setText(c.webdav);
        field("userField")->setText(QStringLiteral("cook"));
        field("passwordField")->setText(QStringLiteral("secret"));
        m_alerts.asked.clear();
        m_alerts.queueButton(c.answer);
        QSignalSpy busy(m_page.get(), &PlatefeedPage::busyChanged);
        m_page->okAction();
        const bool warned =
            !m_alerts.asked.isEmpty() &&
            m_alerts.asked.first().messageText == QStringLiteral("Your password would be sent unencrypted.");
        EXPECT_EQ(warned, c.asked);
        EXPECT_EQ(!busy.isEmpty(), c.requested);
        // Whatever the server answers, the page is free again.
        ASSERT_TRUE(QTest::qWaitFor([&] { return busy.isEmpty() || !busy.last().first().toBool(); }, 20000));
        m_alerts.answers.clear();
    }
    // The loopback login went through and is the account in use.
    EXPECT_EQ(m_manager->account().webdavAddress, QUrl(loopback));
}

} // namespace
