// The mail hand-over of the Linux desktop: the arguments xdg-email receives (a stand-in
// script on PATH records them) and the mailto: address the desktop is asked to open.
#include "shell/XdgMailHandOver.h"

#include <gtest/gtest.h>

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileSystemWatcher>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QUrlQuery>

namespace {

// Receives the mailto: addresses the desktop would hand to the mail program.
class MailtoCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl& url) { opened.append(url); }
};

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

TEST(XdgMailHandOverTest, HandsSubjectBodyAndAttachmentsInOrderToXdgEmail) {
    QTemporaryDir folder;
    const QString bin = folder.filePath(QStringLiteral("bin"));
    ASSERT_TRUE(QDir().mkpath(bin));
    // The stand-in writes its arguments, NUL-separated, and renames the file into place
    // once complete, so the watcher below sees it whole.
    const QString script = bin + QStringLiteral("/xdg-email");
    {
        QFile file(script);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(
            "#!/bin/sh\nprintf '%s\\0' \"$@\" > \"$RECORD.part\" && mv \"$RECORD.part\" \"$RECORD\"\n");
    }
    QFile::setPermissions(script, QFile::permissions(script) | QFileDevice::ExeOwner);
    const QString record = folder.filePath(QStringLiteral("arguments"));
    qputenv("RECORD", QFile::encodeName(record));
    PathWith path(bin);

    const QString attachment = folder.filePath(QStringLiteral("Sunday & Co List.pdf"));
    const QString second = folder.filePath(QStringLiteral("Sunday Recipes.lsr"));
    for (const QString& file : {attachment, second}) {
        QFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write("%PDF-1.4\n");
    }
    QFileSystemWatcher watcher({folder.path()});
    QSignalSpy changed(&watcher, &QFileSystemWatcher::directoryChanged);

    XdgMailHandOver mail;
    const MailHandOver::Result result =
        mail.composeWithAttachments(QStringLiteral("Sunday List - Larkspoon!"), {}, {attachment, second});
    ASSERT_TRUE(result.ok) << qPrintable(result.error);
    while (!QFile::exists(record))
        ASSERT_TRUE(changed.wait(30000));

    QFile file(record);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QStringList arguments = QString::fromUtf8(file.readAll()).split(QLatin1Char('\0'));
    arguments.removeLast(); // after the last separator
    EXPECT_EQ(arguments, (QStringList{QStringLiteral("--utf8"), QStringLiteral("--subject"),
                                      QStringLiteral("Sunday List - Larkspoon!"), QStringLiteral("--attach"),
                                      attachment, QStringLiteral("--attach"), second}));
    qunsetenv("RECORD");
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
    MailtoCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("mailto"), &catcher, "open");
    XdgMailHandOver mail;
    const bool ok = mail.composeMailto(QStringLiteral("Fish & Chips List - Larkspoon!"),
                                       QStringLiteral("2 cups flour\n1 lemon, zest & juice\n50% cream #1+"))
                        .ok;
    QDesktopServices::unsetUrlHandler(QStringLiteral("mailto"));
    ASSERT_TRUE(ok);
    ASSERT_EQ(catcher.opened.size(), 1);
    const QUrl url = catcher.opened.first();
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

#include "MailHandOverTests.moc"
