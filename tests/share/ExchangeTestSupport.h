#pragma once

#include "platform/ProgressView.h"

#include <QBuffer>
#include <QColor>
#include <QFile>
#include <QImage>
#include <QObject>
#include <QStringList>

// The progress dialog's steps, recorded as text. A QObject like the GUI's dialog, so a
// delayed close is tied to it.
class RecordingProgressView final : public QObject, public ProgressView {
public:
    QStringList steps;
    bool canShow = true;
    bool show() override { return steps << QStringLiteral("show"), canShow; }
    void setHeaderText(const QString& text) override { steps << QStringLiteral("header ") + text; }
    void setMaximum(int maximum) override { steps << QStringLiteral("maximum %1").arg(maximum); }
    void advance(int by) override { steps << QStringLiteral("advance %1").arg(by); }
    void stop() override { steps << QStringLiteral("stop"); }
    void close() override { steps << QStringLiteral("close"); }
};

// A small picture in the given format, coloured by seed so pictures differ.
inline QByteArray pictureData(const char* format, int seed = 0) {
    QImage image(8, 6, QImage::Format_RGB32);
    image.fill(QColor::fromHsv((seed * 37) % 360, 200, 200));
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return buffer.data();
}

inline bool writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}
