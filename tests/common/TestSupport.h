#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

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
CliRun runCli(const QStringList& args, const QByteArray& input = {}, int timeoutMs = 60000);

} // namespace testsupport
