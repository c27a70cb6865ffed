#pragma once

#include "platform/MailHandOver.h"

// The mail port of the Linux desktop: a message with an attachment goes to the user's mail
// program through xdg-email (xdg-utils, one --attach per file); a plain-text one through its mailto: address,
// opened with the desktop's handler for mail.
class XdgMailHandOver final : public MailHandOver {
public:
    Result composeWithAttachments(const QString& subject, const QString& body,
                                  const QStringList& attachmentPaths) override;
    Result composeMailto(const QString& subject, const QString& plainText) override;

    // The arguments of xdg-email for such a message.
    static QStringList xdgEmailArguments(const QString& subject, const QString& body,
                                         const QStringList& attachmentPaths);
};
