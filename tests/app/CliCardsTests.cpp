// larkspoon-cli cards and print-themes: the PDF of a recipe's cards with its card counts,
// refusals of unknown formats and of templates without their size, and the format list.
#include "common/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

using testsupport::CliRun;
using testsupport::runCli;

namespace {

TEST(CliCardsTest, WritesTheCardsPdfAndRefusesBadFormats) {
    QTemporaryDir dir;
    const QString library = dir.filePath(QStringLiteral("Cards.library"));
    auto cli = [&library](QStringList args) {
        args.prepend(library);
        args.prepend(QStringLiteral("--library"));
        return runCli(args);
    };
    ASSERT_EQ(cli({QStringLiteral("create")}).exitCode, 0);
    QString directions;
    for (int i = 1; i <= 30; ++i)
        directions += QStringLiteral("Step %1: whisk the eggs with the sugar until pale.\\n\\n").arg(i);
    const CliRun inserted =
        cli({QStringLiteral("insert"), QStringLiteral("Recipes"),
             QStringLiteral(R"({"name": "Long Cake", "directions": "%1"})").arg(directions)});
    ASSERT_EQ(inserted.exitCode, 0) << inserted.err.toStdString();
    const QString id =
        QJsonDocument::fromJson(inserted.out).object().value(QStringLiteral("uniqueID")).toString();
    const CliRun second =
        cli({QStringLiteral("insert"), QStringLiteral("Recipes"), QStringLiteral(R"({"name": "Tea"})")});
    const QString other =
        QJsonDocument::fromJson(second.out).object().value(QStringLiteral("uniqueID")).toString();

    const QString pdf = dir.filePath(QStringLiteral("cards.pdf"));
    CliRun run = cli({QStringLiteral("cards"), id + QLatin1Char(',') + other, QStringLiteral("--theme"),
                      QStringLiteral("Brown"), QStringLiteral("--format"), QStringLiteral("4x6 Index Card"),
                      QStringLiteral("--pdf"), pdf});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QJsonObject result = QJsonDocument::fromJson(run.out).object();
    EXPECT_EQ(result.value(QStringLiteral("pageWidth")).toInt(), 432);
    EXPECT_EQ(result.value(QStringLiteral("pageHeight")).toInt(), 288);
    const QJsonArray cards = result.value(QStringLiteral("cards")).toArray();
    ASSERT_EQ(cards.size(), 2);
    EXPECT_GE(cards.at(0).toInt(), 2);
    EXPECT_EQ(cards.at(1).toInt(), 1);
    const QString pdfinfo = QStandardPaths::findExecutable(QStringLiteral("pdfinfo"));
    if (!pdfinfo.isEmpty()) {
        QProcess info;
        info.start(pdfinfo, {pdf});
        ASSERT_TRUE(info.waitForFinished(30000));
        const QString out = QString::fromUtf8(info.readAllStandardOutput());
        const QRegularExpression pages(QStringLiteral("Pages:\\s+%1\\n").arg(cards.at(0).toInt() + 1));
        EXPECT_TRUE(out.contains(pages)) << out.toStdString();
        EXPECT_TRUE(out.contains(QStringLiteral("432 x 288 pts"))) << out.toStdString();
    }

    // A format without its size markers is refused; unknown names are usage errors.
    const QString themes =
        qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/Larkspoon!/Larkspoon!/Theme Development");
    ASSERT_TRUE(QDir().mkpath(themes + QStringLiteral("/Broken/Print Templates/Bad")));
    QFile bad(themes + QStringLiteral("/Broken/Print Templates/Bad/Template.html"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("<style>/*pageWidth:300*/</style>");
    bad.close();
    run = cli({QStringLiteral("cards"), id, QStringLiteral("--theme"), QStringLiteral("Broken"),
               QStringLiteral("--format"), QStringLiteral("Bad"), QStringLiteral("--pdf"), pdf});
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_TRUE(run.err.contains("Unable to Load Preview")) << run.err.toStdString();
    for (const QStringList& args : {QStringList{QStringLiteral("--theme"), QStringLiteral("Nowhere")},
                                    QStringList{QStringLiteral("--format"), QStringLiteral("Napkin")},
                                    QStringList{QStringLiteral("--theme"), QStringLiteral("../Brown")},
                                    QStringList{QStringLiteral("--size-offset"), QStringLiteral("3")}}) {
        run =
            cli(QStringList{QStringLiteral("cards"), id} + args + QStringList{QStringLiteral("--pdf"), pdf});
        EXPECT_EQ(run.exitCode, 2) << args.join(u' ').toStdString();
    }

    run = cli({QStringLiteral("print-themes")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    bool sawBrown = false;
    for (const QJsonValue& theme : QJsonDocument::fromJson(run.out).array()) {
        EXPECT_NE(theme[QStringLiteral("name")].toString(), QStringLiteral("Sky"));
        if (theme[QStringLiteral("name")].toString() != QStringLiteral("Brown"))
            continue;
        sawBrown = true;
        QStringList notes;
        for (const QJsonValue& format : theme[QStringLiteral("formats")].toArray())
            notes.append(format[QStringLiteral("name")].toString() + QStringLiteral(": ") +
                         format[QStringLiteral("note")].toString());
        EXPECT_EQ(notes,
                  (QStringList{QStringLiteral("4x6 Index Card: For use with unruled 4\" x 6\" index cards"),
                               QStringLiteral("4x6 Photo: For use with 4\" x 6\" borderless photo paper"),
                               QLocale().measurementSystem() == QLocale::MetricSystem
                                   ? QStringLiteral("Letter: For use with A4 paper")
                                   : QStringLiteral("Letter: For use with US Letter paper")}));
    }
    EXPECT_TRUE(sawBrown);
}

} // namespace
