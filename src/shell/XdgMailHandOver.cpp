#include "XdgMailHandOver.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace {
const QString kXdgEmail = QStringLiteral("xdg-email");
}

QStringList XdgMailHandOver::xdgEmailArguments(const QString& subject, const QString& body,
                                               const QStringList& attachmentPaths) {
    QStringList arguments{QStringLiteral("--utf8"), QStringLiteral("--subject"), subject};
    if (!body.isEmpty())
        arguments << QStringLiteral("--body") << body;
    for (const QString& path : attachmentPaths)
        arguments << QStringLiteral("--attach") << QFileInfo(path).absoluteFilePath();
    return arguments;
}

// xdg-email is started on its own: with some mail programs it lasts as long as the mail
// program, which must not end with this program or hold up its event loop.
MailHandOver::Result XdgMailHandOver::composeWithAttachments(const QString& subject, const QString& body,
                                                             const QStringList& attachmentPaths) {
    for (const QString& path : attachmentPaths)
        if (!QFileInfo(path).isFile())
            return {false, QStringLiteral("the attachment %1 does not exist").arg(path)};
    const QString program = QStandardPaths::findExecutable(kXdgEmail);
    if (program.isEmpty())
        return {false, QStringLiteral("xdg-email was not found (package xdg-utils)")};
    if (!QProcess::startDetached(program, xdgEmailArguments(subject, body, attachmentPaths)))
        return {false, QStringLiteral("xdg-email could not be started")};
    return {true, {}};
}

MailHandOver::Result XdgMailHandOver::composeMailto(const QString& subject, const QString& plainText) {
    if (!QDesktopServices::openUrl(mailtoAddress(subject, plainText)))
        return {false, QStringLiteral("no program opens mailto: addresses")};
    return {true, {}};
}
