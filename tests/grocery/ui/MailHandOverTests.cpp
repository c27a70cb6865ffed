// The mail hand-over of the Linux desktop: the arguments xdg-email and xdg-open receive
// (stand-in scripts on PATH record them), and a helper that finds no mail program.
#include "shell/XdgMailHandOver.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileSystemWatcher>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUrlQuery>

namespace {

// PATH with folder first while the object lives.
class PathWith {
public:
    explicit PathWith(const QString& folder) : m_saved(qgetenv("PATH")) {
        qputenv("PATH", QFile::encodeName(folder) + ':' + m_saved);
    }
    ~PathWith() { qputenv("PATH", m_saved); }

private:
    QByteArray m_saved;
};

// A folder on PATH with stand-ins for the desktop's helpers. Each writes its arguments,
// NUL-separated, to the file named by $RECORD (renamed into place once complete), then
// runs its tail.
class StandIns {
public:
    StandIns() : m_path(m_folder.filePath(QStringLiteral("bin"))) {
        QDir().mkpath(m_folder.filePath(QStringLiteral("bin")));
        qputenv("RECORD", QFile::encodeName(record()));
    }
    ~StandIns() { qunsetenv("RECORD"); }

    void add(const QString& name, const QByteArray& tail = {}) {
        const QString script = m_folder.filePath(QStringLiteral("bin/") + name);
        QFile file(script);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(
            "#!/bin/sh\nprintf '%s\\0' \"$@\" > \"$RECORD.part\" && mv \"$RECORD.part\" \"$RECORD\"\n" +
            tail);
        file.close();
        QFile::setPermissions(script, QFile::permissions(script) | QFileDevice::ExeOwner);
    }
    QString record() const { return m_folder.filePath(QStringLiteral("arguments")); }
    QString filePath(const QString& name) const { return m_folder.filePath(name); }

    // The arguments of the stand-in that ran, once it has written them.
    QStringList recorded() const {
        QFileSystemWatcher watcher({m_folder.path()});
        QSignalSpy changed(&watcher, &QFileSystemWatcher::directoryChanged);
        for (int round = 0; round < 60 && !QFile::exists(record()); ++round)
            changed.wait(500);
        QFile file(record());
        if (!file.open(QIODevice::ReadOnly))
            return {};
        QStringList arguments = QString::fromUtf8(file.readAll()).split(QLatin1Char('\0'));
        arguments.removeLast(); // after the last separator
        return arguments;
    }

private:
    QTemporaryDir m_folder;
    PathWith m_path;
};

TEST(XdgMailHandOverTest, HandsSubjectBodyAndAttachmentsInOrderToXdgEmail) {
    StandIns helpers;
    helpers.add(QStringLiteral("xdg-email"));
    const QString attachment = helpers.filePath(QStringLiteral("Sunday & Co List.pdf"));
    const QString second = helpers.filePath(QStringLiteral("Sunday Recipes.lsr"));
    for (const QString& file : {attachment, second}) {
        QFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write("%PDF-1.4\n");
    }

    XdgMailHandOver mail;
    const MailHandOver::Result result =
        mail.composeWithAttachments(QStringLiteral("Sunday List - Larkspoon!"), {}, {attachment, second});
    ASSERT_TRUE(result.ok) << qPrintable(result.error);
    EXPECT_EQ(helpers.recorded(),
              (QStringList{QStringLiteral("--utf8"), QStringLiteral("--subject"),
                           QStringLiteral("Sunday List - Larkspoon!"), QStringLiteral("--attach"), attachment,
                           QStringLiteral("--attach"), second}));
}

// Without a mail program set up, xdg-email starts and then ends in failure; the user must
// hear of it. A helper that succeeds, or one still running when the hand-over goes, says nothing.
TEST(XdgMailHandOverTest, AHelperThatFindsNoMailProgramIsReportedLate) {
    StandIns helpers;
    helpers.add(QStringLiteral("xdg-email"),
                "echo \"xdg-email: no method available for opening 'mailto:'\" >&2\nexit 3\n");
    const QString attachment = helpers.filePath(QStringLiteral("list.pdf"));
    QFile(attachment).open(QIODevice::WriteOnly);

    QStringList reported;
    XdgMailHandOver mail;
    mail.setLateFailureHandler([&reported](const QString& why) { reported << why; });
    ASSERT_TRUE(mail.composeWithAttachments(QStringLiteral("List"), {}, {attachment}).ok);
    for (int round = 0; round < 100 && reported.isEmpty(); ++round)
        QTest::qWait(50);
    EXPECT_EQ(reported, QStringList{QStringLiteral("xdg-email: no method available for opening 'mailto:'")});

    helpers.add(QStringLiteral("xdg-email"));
    QFile::remove(helpers.record());
    ASSERT_TRUE(mail.composeWithAttachments(QStringLiteral("List"), {}, {attachment}).ok);
    EXPECT_FALSE(helpers.recorded().isEmpty());
    QTest::qWait(100);
    EXPECT_EQ(reported.size(), 1);

    // A mail program that the helper runs, still open when the hand-over goes: it lives on
    // and may still write messages, and nothing is reported any more.
    helpers.add(QStringLiteral("xdg-email"),
                "( sleep 0.5; echo 'still open' >&2; touch \"$RECORD.alive\" ) &\n"
                "touch \"$RECORD.started\"\nwait\nexit 3\n");
    const QString started = helpers.record() + QStringLiteral(".started");
    const QString alive = helpers.record() + QStringLiteral(".alive");
    {
        XdgMailHandOver going;
        going.setLateFailureHandler([&reported](const QString& why) { reported << why; });
        ASSERT_TRUE(going.composeWithAttachments(QStringLiteral("List"), {}, {attachment}).ok);
        for (int round = 0; round < 100 && !QFile::exists(started); ++round)
            QTest::qWait(50);
        ASSERT_TRUE(QFile::exists(started));
    }
    for (int round = 0; round < 100 && !QFile::exists(alive); ++round)
        QTest::qWait(50);
    EXPECT_TRUE(QFile::exists(alive));
    EXPECT_EQ(reported.size(), 1);
}

TEST(XdgMailHandOverTest, RefusesAMissingAttachmentOrMailProgram) {
    QTemporaryDir folder;
    XdgMailHandOver mail;
    EXPECT_FALSE(
        mail.composeWithAttachments(QStringLiteral("List"), {}, {folder.filePath(QStringLiteral("gone.pdf"))})
            .ok);

    const QString attachment = folder.filePath(QStringLiteral("list.pdf"));
    QFile file(attachment);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    const QByteArray saved = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(folder.path())); // no xdg-email there
    const bool handedOver = mail.composeWithAttachments(QStringLiteral("List"), {}, {attachment}).ok;
    qputenv("PATH", saved);
    EXPECT_FALSE(handedOver);
}

TEST(XdgMailHandOverTest, PlainTextGoesThroughAMailtoAddress) {
    StandIns helpers;
    helpers.add(QStringLiteral("xdg-open"));
    XdgMailHandOver mail;
    ASSERT_TRUE(mail.composeMailto(QStringLiteral("Fish & Chips List - Larkspoon!"),
                                   QStringLiteral("2 cups flour\n1 lemon, zest & juice\n50% cream #1+"))
                    .ok);
    const QStringList arguments = helpers.recorded();
    ASSERT_EQ(arguments.size(), 1);
    const QUrl url(arguments.first(), QUrl::StrictMode);
    EXPECT_EQ(url.scheme(), QStringLiteral("mailto"));
    EXPECT_TRUE(url.path().isEmpty());
    // Every "&" became "and"; what remains of the texts survives the address unchanged.
    const QUrlQuery query(url);
    EXPECT_EQ(query.queryItemValue(QStringLiteral("subject"), QUrl::FullyDecoded),
              QStringLiteral("Fish and Chips List - Larkspoon!"));
    EXPECT_EQ(query.queryItemValue(QStringLiteral("body"), QUrl::FullyDecoded),
              QStringLiteral("2 cups flour\n1 lemon, zest and juice\n50% cream #1+"));
}

} // namespace
