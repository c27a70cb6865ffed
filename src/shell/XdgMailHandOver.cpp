#include "XdgMailHandOver.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace {
const QString kXdgEmail = QStringLiteral("xdg-email");
}

QStringList XdgMailHandOver::xdgEmailArguments(const QString& subject, const QString& body,
                                               const QString& attachmentPath) {
    QStringList arguments{QStringLiteral("--utf8"), QStringLiteral("--subject"), subject};
    if (!body.isEmpty())
        arguments << QStringLiteral("--body") << body;
    arguments << QStringLiteral("--attach") << QFileInfo(attachmentPath).absoluteFilePath();
    return arguments;
}

// xdg-email is started on its own: with some mail programs it lasts as long as the mail
// program, which must not end with this program or hold up its event loop.
MailHandOver::Result XdgMailHandOver::composeWithAttachment(const QString& subject, const QString& body,
                                                            const QString& attachmentPath) {
    if (!QFileInfo(attachmentPath).isFile())
        return {false, QStringLiteral("the attachment %1 does not exist").arg(attachmentPath)};
    const QString program = QStandardPaths::findExecutable(kXdgEmail);
    if (program.isEmpty())
        return {false, QStringLiteral("xdg-email was not found (package xdg-utils)")};
    if (!QProcess::startDetached(program, xdgEmailArguments(subject, body, attachmentPath)))
        return {false, QStringLiteral("xdg-email could not be started")};
    return {true, {}};
}

MailHandOver::Result XdgMailHandOver::composeMailto(const QString& subject, const QString& plainText) {
    if (!QDesktopServices::openUrl(mailtoAddress(subject, plainText)))
        return {false, QStringLiteral("no program opens mailto: addresses")};
    return {true, {}};
}
