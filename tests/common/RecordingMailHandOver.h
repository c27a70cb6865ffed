#pragma once

#include "platform/MailHandOver.h"

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QStringList>

// The mail port of the tests: keeps every message it is asked to open, with the bytes of
// the attachments as they were at that moment, and answers with result.
class RecordingMailHandOver final : public MailHandOver {
public:
    struct Message {
        QString subject;
        QString body;
        QString attachmentPath; // the first attachment
        QByteArray attachment;
        bool plainText = false;
        QStringList attachmentPaths;
        QList<QByteArray> attachments;
    };
    QList<Message> messages;
    Result result{true, {}};

    Result composeWithAttachments(const QString& subject, const QString& body,
                                  const QStringList& attachmentPaths) override {
        QList<QByteArray> contents;
        for (const QString& path : attachmentPaths) {
            QFile file(path);
            contents.append(file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray());
        }
        messages.append(
            {subject, body, attachmentPaths.value(0), contents.value(0), false, attachmentPaths, contents});
        return result;
    }
    Result composeMailto(const QString& subject, const QString& plainText) override {
        messages.append({subject, plainText, {}, {}, true, {}, {}});
        return result;
    }
};
