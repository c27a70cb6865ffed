#pragma once

#include <QString>
#include <QVariant>
#include <QVariantMap>

// The user's preferences, kept by QSettings under the organisation and application name
// "Larkspoon!" (~/.config/Larkspoon!/Larkspoon!.conf). Booleans are stored as true/false
// and read back with the absent value as false.
namespace UserDefaults {

QVariant objectForKey(const QString& key);
bool boolForKey(const QString& key);
QString stringForKey(const QString& key);
bool hasKey(const QString& key);
void setObjectForKey(const QVariant& value, const QString& key);
void removeObjectForKey(const QString& key);
// Writes the preferences out now.
void synchronize();

// Writes every entry of defaults whose key is absent; existing values stay.
void registerDefaults(const QVariantMap& defaults);

// The preferences file of an earlier release's domain, beside the current one.
QString formerPreferencesFilePath();
QString preferencesFilePath();
// When the former file exists and the current one does not, moves the former file into
// the current name. Returns whether it moved.
bool migrateFormerDomain();

} // namespace UserDefaults
