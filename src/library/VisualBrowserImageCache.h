#pragma once

#include <QCache>
#include <QDateTime>
#include <QHash>
#include <QImage>
#include <QObject>
#include <QSize>
#include <QThreadPool>

// The pictures of the visual browser's cards: each recipe's first picture read and scaled on
// a worker thread and handed back to the main thread, kept in a cache bounded by bytes. An
// entry is keyed by the file, the size it was scaled to and the recipe's dateUpdated, so a
// recipe that changed is read again and an unchanged one never is.
class VisualBrowserImageCache : public QObject {
    Q_OBJECT
public:
    explicit VisualBrowserImageCache(qint64 maximumBytes = 96LL * 1024 * 1024, QObject* parent = nullptr);
    // Waits for the reads under way; their results are dropped.
    ~VisualBrowserImageCache() override;

    struct Key {
        QString path;
        QSize size;
        qint64 dateUpdated = 0; // milliseconds since the epoch; 0 when the recipe has none
        QString text() const;
    };
    static Key key(const QString& path, const QSize& size, const QDateTime& dateUpdated);

    // The cached picture (a null image when the file could not be read) and true, or false
    // when it is not cached; then, unless a read of it is under way, one is started and
    // imageReady follows.
    bool request(const Key& key, QImage* image);
    // Whether a picture is cached, without starting a read.
    bool contains(const Key& key) const { return m_cache.contains(key.text()); }
    int pendingReads() const { return int(m_pending.size()); }
    qint64 cachedBytes() const { return m_cache.totalCost(); }
    // Forgets the reads not yet started (the cards that wanted them are gone).
    void cancelQueuedReads();

    // Reads the file scaled to fit size, keeping its proportions; a null image when the file
    // cannot be read. Safe on any thread.
    static QImage readScaled(const QString& path, const QSize& size);

signals:
    // A read finished; image is null when the file could not be read.
    void imageReady(const QString& keyText, const QImage& image);

private:
    void finished(const QString& keyText, const QImage& image);

    QCache<QString, QImage> m_cache;
    QHash<QString, bool> m_pending;
    QThreadPool m_pool;
};
