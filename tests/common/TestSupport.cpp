#include "TestSupport.h"

#include <QProcess>

namespace testsupport {

QString testDataPath(const QString& relative) {
    return QStringLiteral(LARKSPOON_TEST_DATA_DIR "/") + relative;
}

QString realDataPath(const QString& relative) {
    return QStringLiteral(LARKSPOON_REALDATA_DIR "/") + relative;
}

CliRun runCli(const QStringList& args, const QByteArray& input, int timeoutMs) {
    QProcess process;
    process.start(QStringLiteral(LARKSPOON_CLI_PATH), args);
    CliRun run;
    if (!process.waitForStarted(timeoutMs))
        return run;
    if (!input.isEmpty())
        process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

} // namespace testsupport
