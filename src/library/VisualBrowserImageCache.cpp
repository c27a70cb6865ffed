#include "VisualBrowserImageCache.h"

#include <QImageReader>
#include <QMetaObject>
#include <QRunnable>

VisualBrowserImageCache::VisualBrowserImageCache(qint64 maximumBytes, QObject* parent)
    : QObject(parent), m_cache(maximumBytes > 0 ? maximumBytes : 1) {
    // Two readers at most: the machine's other work (and the main thread) keep their cores.
    m_pool.setMaxThreadCount(2);
}

VisualBrowserImageCache::~VisualBrowserImageCache() {
    m_pool.clear();
    m_pool.waitForDone();
    // Results posted meanwhile are addressed to this object and die with it.
}

QString VisualBrowserImageCache::Key::text() const {
    return QStringLiteral("%1|%2x%3|%4").arg(path).arg(size.width()).arg(size.height()).arg(dateUpdated);
}

VisualBrowserImageCache::Key VisualBrowserImageCache::key(const QString& path, const QSize& size,
                                                          const QDateTime& dateUpdated) {
    return {path, size, dateUpdated.isValid() ? dateUpdated.toMSecsSinceEpoch() : 0};
}

QImage VisualBrowserImageCache::readScaled(const QString& path, const QSize& size) {
    if (path.isEmpty() || size.width() <= 0 || size.height() <= 0)
        return {};
    QImageReader reader(path);
    reader.setAutoTransform(true);
    const QSize original = reader.size();
    if (original.isValid()) {
        // JPEG decodes straight to a smaller size, which is most of the saving.
        reader.setScaledSize(original.scaled(size, Qt::KeepAspectRatio).expandedTo(QSize(1, 1)));
        QImage image = reader.read();
        return image.isNull() ? QImage() : image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    }
    QImage image = reader.read();
    if (image.isNull())
        return {};
    return image.scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation)
        .convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

bool VisualBrowserImageCache::request(const Key& key, QImage* image) {
    const QString text = key.text();
    if (const QImage* cached = m_cache.object(text)) {
        *image = *cached;
        return true;
    }
    if (!m_pending.contains(text)) {
        m_pending.insert(text, true);
        const QString path = key.path;
        const QSize size = key.size;
        m_pool.start([this, text, path, size] {
            const QImage read = readScaled(path, size);
            // Queued: the cache is touched only on its own thread. The destructor waits for
            // this task, so the object is alive when the call is posted.
            QMetaObject::invokeMethod(
                this, [this, text, read] { finished(text, read); }, Qt::QueuedConnection);
        });
    }
    return false;
}

void VisualBrowserImageCache::cancelQueuedReads() {
    m_pool.clear();
    // The reads already running still report; those never started are forgotten.
    m_pending.clear();
}

void VisualBrowserImageCache::finished(const QString& keyText, const QImage& image) {
    m_pending.remove(keyText);
    m_cache.insert(keyText, new QImage(image), std::max<qint64>(image.sizeInBytes(), 64));
    emit imageReady(keyText, image);
}
