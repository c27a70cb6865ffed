#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>

// The port to the user's mail program: a new message, filled in and left open for the user
// to address and send. The GUI hands it to the desktop's mail program; tests keep the
// requests. Nothing is sent by the program itself.
class MailHandOver {
public:
    struct Result {
        bool ok = false;
        QString error; // why the message could not be handed over, for the log
    };

    virtual ~MailHandOver() = default;
    // A new message with subject, body and the files at attachmentPaths attached, in that
    // order. The files must stay in place after the call: the mail program reads them when
    // it opens.
    virtual Result composeWithAttachments(const QString& subject, const QString& body,
                                          const QStringList& attachmentPaths) = 0;
    // A new plain-text message through a mailto: address (mailtoAddress).
    virtual Result composeMailto(const QString& subject, const QString& plainText) = 0;

    // A hand-over may learn only after it returned that no mail program took the message;
    // handler is then called with the reason, so the user hears of it.
    using LateFailureHandler = std::function<void(const QString& why)>;
    void setLateFailureHandler(LateFailureHandler handler) { m_lateFailure = std::move(handler); }

    // "mailto:?subject=S&body=B": every "&" of the texts becomes "and" (mail programs
    // disagree on an escaped one), everything else is percent-encoded.
    static QUrl mailtoAddress(const QString& subject, const QString& body) {
        auto part = [](const QString& text) {
            QString plain = text;
            plain.replace(QLatin1Char('&'), QLatin1String("and"));
            return QUrl::toPercentEncoding(plain);
        };
        return QUrl::fromEncoded("mailto:?subject=" + part(subject) + "&body=" + part(body),
                                 QUrl::StrictMode);
    }

protected:
    void reportLateFailure(const QString& why) const {
        if (m_lateFailure)
            m_lateFailure(why);
    }

private:
    LateFailureHandler m_lateFailure;
};
