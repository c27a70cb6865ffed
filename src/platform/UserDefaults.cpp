#include "UserDefaults.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

namespace UserDefaults {

namespace {
// A QSettings per call: Qt shares one cache per file between instances, and a fresh
// instance always sees a file that was replaced behind its back (the migration below).
struct Settings {
    Settings() {}
    QSettings settings;
    QSettings* operator->() { return &settings; }
};
Settings settings() {
    return {};
}
} // namespace

QVariant objectForKey(const QString& key) {
    return settings()->value(key);
}

bool boolForKey(const QString& key) {
    const QVariant value = settings()->value(key);
    if (value.typeId() == QMetaType::QString) {
        const QString text = value.toString().trimmed().toLower();
        return text == QLatin1String("true") || text == QLatin1String("yes") || text.toLongLong() != 0;
    }
    return value.toBool();
}

QString stringForKey(const QString& key) {
    return settings()->value(key).toString();
}

bool hasKey(const QString& key) {
    return settings()->contains(key);
}

void setObjectForKey(const QVariant& value, const QString& key) {
    settings()->setValue(key, value);
}

void removeObjectForKey(const QString& key) {
    settings()->remove(key);
}

void synchronize() {
    settings()->sync();
}

void registerDefaults(const QVariantMap& defaults) {
    Settings store;
    for (auto it = defaults.cbegin(); it != defaults.cend(); ++it)
        if (!store->contains(it.key()))
            store->setValue(it.key(), it.value());
}

QString preferencesFilePath() {
    return settings()->fileName();
}

QString formerPreferencesFilePath() {
    // An earlier release kept its preferences under the product name without the "!".
    QString path = preferencesFilePath();
    const QFileInfo current(path);
    QString folder = current.absolutePath();
    QString name = current.fileName();
    folder.replace(folder.lastIndexOf(QLatin1String("Larkspoon!")), int(qstrlen("Larkspoon!")),
                   QStringLiteral("Larkspoon"));
    name.replace(QLatin1String("Larkspoon!"), QLatin1String("Larkspoon"));
    return folder + QLatin1Char('/') + name;
}

bool migrateFormerDomain() {
    const QString former = formerPreferencesFilePath();
    const QString current = preferencesFilePath();
    if (former == current || !QFileInfo::exists(former) || QFileInfo::exists(current))
        return false;
    QDir().mkpath(QFileInfo(current).absolutePath());
    if (!QFile::copy(former, current))
        return false;
    QFile::remove(former);
    return true;
}

} // namespace UserDefaults
