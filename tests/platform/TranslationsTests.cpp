// Loading the program's translation for a locale from the translations folder.
#include "platform/Translations.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTranslator>

namespace {

class TranslationsTest : public ::testing::Test {
protected:
    QTemporaryDir m_dir;

    void TearDown() override {
        // A translator takes itself off the application when it is deleted.
        qDeleteAll(QCoreApplication::instance()->findChildren<QTranslator*>(Qt::FindDirectChildrenOnly));
    }

    // Compiles a one-text German translation to larkspoon_<name>.qm with lrelease.
    bool writeTranslation(const QString& name) {
        const QString source = m_dir.filePath(QStringLiteral("larkspoon_%1.ts").arg(name));
        QFile file(source);
        if (!file.open(QIODevice::WriteOnly))
            return false;
        file.write("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<!DOCTYPE TS>\n"
                   "<TS version=\"2.1\" language=\"de\"><context><name>TranslationsTest</name>"
                   "<message><source>Delete From Library</source>"
                   "<translation>Aus der Sammlung l\xC3\xB6schen</translation></message>"
                   "</context></TS>\n");
        file.close();
        QProcess lrelease;
        lrelease.start(QStringLiteral(LARKSPOON_LRELEASE), {QStringLiteral("-silent"), source});
        return lrelease.waitForFinished(30000) && lrelease.exitCode() == 0 &&
               QFile::exists(m_dir.filePath(QStringLiteral("larkspoon_%1.qm").arg(name)));
    }

    static QString translated() {
        return QCoreApplication::translate("TranslationsTest", "Delete From Library");
    }
};

TEST_F(TranslationsTest, TheLanguageOfARegionalLocaleIsFoundAndInstalled) {
    ASSERT_TRUE(writeTranslation(QStringLiteral("de")));
    EXPECT_TRUE(installTranslations(*QCoreApplication::instance(),
                                    QLocale(QLocale::German, QLocale::Switzerland), m_dir.path()));
    EXPECT_EQ(translated(), QString::fromUtf8("Aus der Sammlung l\xC3\xB6schen"));
}

TEST_F(TranslationsTest, WithoutATranslationForTheLocaleTextsStayAsWritten) {
    ASSERT_TRUE(writeTranslation(QStringLiteral("de")));
    EXPECT_FALSE(installTranslations(*QCoreApplication::instance(), QLocale(QLocale::French, QLocale::France),
                                     m_dir.path()));
    EXPECT_FALSE(installTranslations(*QCoreApplication::instance(), QLocale(QLocale::German),
                                     m_dir.filePath(QStringLiteral("missing"))));
    EXPECT_EQ(translated(), QStringLiteral("Delete From Library"));
}

} // namespace
