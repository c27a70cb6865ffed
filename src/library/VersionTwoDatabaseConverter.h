#pragma once

#include <QCoreApplication>
#include <QString>

class Alerts;

// Brings a library folder whose store was written with model version "2.0" into the
// current data model, in place: the records are copied into a new store beside the old
// one, and only once that store is saved (stamped with the current model version) do the
// files trade names. The old store stays as "Library Database 2.0.SQL".
class VersionTwoDatabaseConverter {
    Q_DECLARE_TR_FUNCTIONS(VersionTwoDatabaseConverter)

public:
    enum class Result { Converted, Quit, Failed };

    VersionTwoDatabaseConverter(QString libraryPath, Alerts* alerts);

    // Asks first ("Upgrade"/"Quit"); Quit leaves everything untouched. On failure the
    // original store is left as it was, the half-made new store is removed, and error
    // says why.
    Result convertFromVersion(const QString& version, QString* error = nullptr);

    // A conversion cut off between its two renames leaves the backup and the finished,
    // stamped new store but no "Library Database.SQL": this completes the rename, so the
    // next start opens the converted library instead of a new empty one.
    static bool finishInterruptedConversion(const QString& libraryPath);

private:
    QString m_libraryPath;
    Alerts* m_alerts;
};
