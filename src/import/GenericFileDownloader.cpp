#include "import/GenericFileDownloader.h"

#include <QNetworkAccessManager>

GenericFileDownloader::GenericFileDownloader(QObject* parent)
    : QObject(parent), m_manager(new QNetworkAccessManager(this)) {}

GenericFileDownloader::~GenericFileDownloader() = default;

void GenericFileDownloader::downloadURL(const QUrl&, const QString&, bool,
                                        std::function<void(bool ok, const QString& error)> done) {
    if (done)
        done(false, QString());
}
