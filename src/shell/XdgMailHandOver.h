#pragma once

#include "platform/DesktopHandOver.h"
#include "platform/MailHandOver.h"

#include <QObject>

// The mail port of the Linux desktop: a message with an attachment goes to the user's mail
// program through xdg-email (xdg-utils, one --attach per file); a plain-text one through its mailto: address,
// opened with the desktop's handler for mail. Either helper that ends in failure (no mail
// program is set up) is reported as a late failure.
class XdgMailHandOver final : public QObject, public MailHandOver {
    Q_OBJECT
public:
    Result composeWithAttachments(const QString& subject, const QString& body,
                                  const QStringList& attachmentPaths) override;
    Result composeMailto(const QString& subject, const QString& plainText) override;

    // The arguments of xdg-email for such a message.
    static QStringList xdgEmailArguments(const QString& subject, const QString& body,
                                         const QStringList& attachmentPaths);

private:
    desktophandover::Failed lateFailure() const;
};
