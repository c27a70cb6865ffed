#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <string>

namespace testsupport {

// Folder of the project's own fixtures (tests/data).
QString testDataPath(const QString& relative);

// Folder of real files written by other programs, outside the project; may be absent.
QString realDataPath(const QString& relative);

// Runs larkspoon-cli with args (stdin from input), waiting at most timeoutMs.
struct CliRun {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};
// SHA-256 of a file's bytes (empty when it cannot be read): "left untouched" checks.
QByteArray fileDigest(const QString& path);

// Runs one SQL statement on a store file through a separate connection; returns the first
// column of the first row, or "error: ..." when the statement cannot be prepared.
QString sqlOnFile(const QString& path, const QString& sql);

// Damages a closed store file as a failing disk would: the first pages of the table's tree
// (its root page and the three after it) are overwritten with garbage. The file still opens;
// reading the table fails with SQLite's "database disk image is malformed". False when the
// table was not found or the file could not be written.
bool damageStoreTable(const QString& path, const QString& table);

// A small picture in the given format ("JPEG", "PNG", ...), coloured by seed so pictures
// differ.
QByteArray pictureData(const char* format, int seed = 0);

// A value as the test sees a text: "absent" (a null QVariant), "null text" (a null QString),
// "text[]" for the empty text, else its UTF-16 units in hex ("text[feff 61]"); other kinds
// by their type name. QString's == takes a null text for "", and shows no invisible
// characters; this tells them all apart.
std::string textUnits(const QVariant& value);

CliRun runCli(const QStringList& args, const QByteArray& input = {}, int timeoutMs = 60000);
// The larkspoon-cli program runCli runs.
QString cliProgramPath();

} // namespace testsupport
