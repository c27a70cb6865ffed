#include "TestSupport.h"

#include <QBuffer>
#include <QColor>
#include <QCryptographicHash>
#include <QFile>
#include <QImage>
#include <QProcess>

#include <sqlite3.h>

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

bool testsupport::damageStoreTable(const QString& path, const QString& table) {
    bool ok = false;
    const qint64 root =
        sqlOnFile(path,
                  QStringLiteral("SELECT rootpage FROM sqlite_master WHERE type = 'table' AND name = '%1'")
                      .arg(table))
            .toLongLong(&ok);
    const qint64 pageSize = sqlOnFile(path, QStringLiteral("PRAGMA page_size")).toLongLong();
    if (!ok || root < 2 || pageSize <= 0)
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite) || !file.seek((root - 1) * pageSize))
        return false;
    QByteArray garbage(int(pageSize * 4), '\0');
    for (int i = 0; i < garbage.size(); ++i)
        garbage[i] = char((i * 7919 + 13) & 0xff);
    return file.write(garbage) == garbage.size();
}

QString testsupport::cliProgramPath() {
    return QStringLiteral(LARKSPOON_CLI_PATH);
}

QByteArray testsupport::fileDigest(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

QString testsupport::sqlOnFile(const QString& path, const QString& sql) {
    sqlite3* db = nullptr;
    sqlite3_open(QFile::encodeName(path).constData(), &db);
    QString result;
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &statement, nullptr) == SQLITE_OK) {
        if (sqlite3_step(statement) == SQLITE_ROW && sqlite3_column_type(statement, 0) != SQLITE_NULL)
            result = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)));
    } else {
        result = QStringLiteral("error: ") + QString::fromUtf8(sqlite3_errmsg(db));
    }
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return result;
}

QByteArray testsupport::pictureData(const char* format, int seed) {
    QImage image(8, 6, QImage::Format_RGB32);
    image.fill(QColor::fromHsv((seed * 37) % 360, 200, 200));
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return buffer.data();
}

std::string testsupport::textUnits(const QVariant& value) {
    if (!value.isValid())
        return "absent";
    if (value.typeId() != QMetaType::QString)
        return std::string(value.typeName());
    const QString text = value.toString();
    if (text.isNull())
        return "null text";
    std::string units = "text[";
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (i)
            units += ' ';
        units += QByteArray::number(text.at(i).unicode(), 16).toStdString();
    }
    return units + ']';
}
