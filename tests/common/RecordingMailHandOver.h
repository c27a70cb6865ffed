#pragma once

#include "platform/MailHandOver.h"

#include <QByteArray>
#include <QFile>
#include <QList>

// The mail port of the tests: keeps every message it is asked to open, with the bytes of
// the attachment as they were at that moment, and answers with result.
class RecordingMailHandOver final : public MailHandOver {
public:
    struct Message {
        QString subject;
        QString body;
        QString attachmentPath;
        QByteArray attachment;
        bool plainText = false;
    };
    QList<Message> messages;
    Result result{true, {}};

    Result composeWithAttachment(const QString& subject, const QString& body,
                                 const QString& attachmentPath) override {
        QFile file(attachmentPath);
        QByteArray bytes;
        if (file.open(QIODevice::ReadOnly))
            bytes = file.readAll();
        messages.append({subject, body, attachmentPath, bytes, false});
        return result;
    }
    Result composeMailto(const QString& subject, const QString& plainText) override {
        messages.append({subject, plainText, {}, {}, true});
        return result;
    }
};
