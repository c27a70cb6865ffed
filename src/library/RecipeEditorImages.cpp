#include "RecipeEditorImages.h"

#include <QBuffer>
#include <QImageWriter>
#include <QPainter>
#include <QtDebug>

namespace RecipeEditorImages {

QImage coverCropped(const QImage& image, QSize target) {
    if (image.isNull() || target.isEmpty())
        return {};
    const QSize covering = image.size().scaled(target, Qt::KeepAspectRatioByExpanding).expandedTo(target);
    const QImage scaled = covering == image.size()
                              ? image
                              : image.scaled(covering, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (scaled.isNull())
        return {};
    const int left = (scaled.width() - target.width()) / 2;
    const int top = (scaled.height() - target.height()) / 2;
    return scaled.copy(left, top, target.width(), target.height());
}

QByteArray jpegDataForWellImage(const QImage& image) {
    const QImage cropped = coverCropped(image);
    if (cropped.isNull())
        return {};
    // JPEG has no transparency: what is see-through shows white, not the black that the
    // colour channels of transparent pixels usually hold.
    QImage opaque(cropped.size(), QImage::Format_RGB32);
    opaque.fill(Qt::white);
    {
        QPainter painter(&opaque);
        painter.drawImage(0, 0, cropped);
    }
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(40);
    if (!writer.write(opaque)) {
        qWarning() << "could not encode image well picture as JPEG:" << writer.errorString();
        return {};
    }
    return data;
}

QString dragTextForWell(int number) {
    if (number < 1 || number > 12)
        return {};
    return QStringLiteral(" [%1] ").arg(number);
}

} // namespace RecipeEditorImages
