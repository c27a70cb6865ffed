// The printing commands: recipe cards as a PDF, and the printing themes with their formats.
#include "CliCommand.h"

#include "platform/Alerts.h"
#include "platform/ManagedObject.h"
#include "platform/ObjectContext.h"
#include "platform/UserDefaults.h"
#include "present/CardTemplate.h"
#include "present/PrintView.h"
#include "present/PrintViewGenerator.h"
#include "present/ThemeController.h"

#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonObject>
#include <QTemporaryDir>

namespace {

const QString kCardsSynopsis =
    QStringLiteral("UNIQUEID[,UNIQUEID...] [--theme NAME] [--format NAME] [--size-offset N] --pdf OUT.pdf");

int usage(const QString& message) {
    CliSession::printError(message);
    return CliUsage;
}

// What the layout would have shown the user goes to stderr, one line per alert.
class ReportingAlerts final : public Alerts {
public:
    int count = 0;
    AlertResponse runModal(const AlertRequest& request) override {
        ++count;
        QString text = request.messageText;
        if (!request.informativeText.isEmpty())
            text += QLatin1Char(' ') +
                    QString(request.informativeText).replace(QLatin1Char('\n'), QLatin1Char(' '));
        CliSession::printError(text);
        return {};
    }
};

bool metricUnits() {
    return CardSettings::fromUserDefaults().metricUnits;
}

int cardsCommand(CliSession& session, const QStringList& args) {
    CliOptions options;
    QString error;
    if (!parseCliOptions(args,
                         {QStringLiteral("theme"), QStringLiteral("format"), QStringLiteral("size-offset"),
                          QStringLiteral("pdf")},
                         {}, &options, &error))
        return usage(error);
    if (options.positional.size() != 1 || !options.has(QStringLiteral("pdf")))
        return usage(QStringLiteral("usage: cards ") + kCardsSynopsis);
    const QString pdfPath = options.value(QStringLiteral("pdf"));
    if (!checkPathArgument(pdfPath, QStringLiteral("--pdf")))
        return CliUsage;
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return usage(QStringLiteral("--pdf needs the graphical platform"));

    CardSettings settings = CardSettings::fromUserDefaults();
    if (options.has(QStringLiteral("size-offset"))) {
        bool ok = false;
        const int offset = options.value(QStringLiteral("size-offset")).toInt(&ok);
        if (!ok || offset < -2 || offset > 2)
            return usage(QStringLiteral("--size-offset needs a whole number from -2 to 2"));
        settings.printSizeOffset = offset;
    }

    QString theme = options.value(QStringLiteral("theme"));
    if (theme.isEmpty())
        theme = UserDefaults::stringForKey(QStringLiteral("selectedPrintingTheme"));
    if (theme.isEmpty())
        theme = QStringLiteral("Brown");
    QString format = options.value(QStringLiteral("format"));
    if (format.isEmpty())
        format = UserDefaults::stringForKey(QStringLiteral("selectedPrintingFormat"));
    if (format.isEmpty())
        format = QStringLiteral("Letter");
    if (format == QLatin1String("A4"))
        format = QStringLiteral("Letter"); // the name "Letter" is shown as where paper is metric
    const QString templatePath = CardTemplate::templatePath(
        ThemeController::defaultResourcesRoot(), ThemeController::defaultDevelopmentRoot(), theme, format,
        UserDefaults::boolForKey(QStringLiteral("enableAlternateTheme")));
    if (templatePath.isEmpty())
        return usage(QStringLiteral("There is no printing theme %1 with the format %2.").arg(theme, format));

    const std::optional<CardTemplate> cardTemplate =
        CardTemplate::read(templatePath, settings.metricUnits, settings.printDescription);
    if (!cardTemplate) {
        CliSession::printError(QStringLiteral("Cannot read %1.").arg(templatePath));
        return CliNoLibrary;
    }
    if (!cardTemplate->isUsable()) {
        CliSession::printError(PrintViewGenerator::unableToLoadPreviewMessage() + QLatin1Char(' ') +
                               PrintViewGenerator::unableToLoadPreviewInformativeText());
        return CliNoLibrary;
    }
    if (cardTemplate->printOrder.isEmpty()) {
        CliSession::printError(
            PrintViewGenerator::notConfiguredMessage() + QLatin1Char(' ') +
            PrintViewGenerator::notConfiguredInformativeText().replace(QLatin1Char('\n'), QLatin1Char(' ')));
        return CliNoLibrary;
    }

    ObjectContext* context = session.context();
    if (!context)
        return CliNoLibrary;
    const QList<ManagedObject*> all =
        context->executeFetchRequest(FetchRequest(QStringLiteral("Recipes")), &error);
    if (!error.isEmpty()) {
        CliSession::printError(error);
        return CliNoLibrary;
    }
    QList<const ManagedObject*> recipes;
    for (const QString& uniqueID : options.positional.first().split(QLatin1Char(','))) {
        const ManagedObject* found = nullptr;
        for (const ManagedObject* candidate : all) {
            if (!uniqueID.isEmpty() && candidate->stringValue(QStringLiteral("uniqueID")) == uniqueID) {
                found = candidate;
                break;
            }
        }
        if (!found)
            return usage(QStringLiteral("There is no recipe with uniqueID %1.").arg(uniqueID));
        recipes.append(found);
    }

    QTemporaryDir jobFolder(QDir::tempPath() + QStringLiteral("/larkspoon-cards-XXXXXX"));
    if (!jobFolder.isValid()) {
        CliSession::printError(QStringLiteral("No temporary folder for the cards."));
        return CliNoLibrary;
    }
    ReportingAlerts alerts;
    PrintView printView(jobFolder.path());
    QJsonArray counts;
    int pageWidth = 0;
    int pageHeight = 0;
    // Recipes are laid out one after another by one generator, each in a folder of its own;
    // the engine page it measures with is loaded once for them all.
    PrintViewGenerator generator(&alerts, jobFolder.filePath(QStringLiteral("1")));
    generator.setSettings(settings);
    if (!generator.setHTMLTemplate(templatePath)) {
        CliSession::printError(QStringLiteral("Cannot read %1.").arg(templatePath));
        return CliNoLibrary;
    }
    for (int i = 0; i < recipes.size(); ++i) {
        generator.setJobFolder(jobFolder.filePath(QString::number(i + 1)));
        if (!generator.layOutAndWait(recipes.at(i))) {
            if (alerts.count == 0)
                CliSession::printError(QStringLiteral("The cards could not be laid out."));
            return CliNoLibrary;
        }
        const CardStack stack = generator.cardStack();
        counts.append(static_cast<int>(stack.pageFiles.size()));
        pageWidth = stack.pageWidth;
        pageHeight = stack.pageHeight;
        printView.addCardStack(stack);
    }

    QEventLoop loop;
    bool written = false;
    printView.writePdf(pdfPath, settings.metricUnits, [&](bool ok) {
        written = ok;
        loop.quit();
    });
    loop.exec();
    if (!written) {
        CliSession::printError(QStringLiteral("Cannot write %1.").arg(pdfPath));
        return CliNoLibrary;
    }
    CliSession::printJson(QJsonObject{{QStringLiteral("cards"), counts},
                                      {QStringLiteral("pageWidth"), pageWidth},
                                      {QStringLiteral("pageHeight"), pageHeight}});
    return CliOK;
}

int printThemesCommand(CliSession&, const QStringList& args) {
    if (!args.isEmpty())
        return usage(QStringLiteral("usage: print-themes"));
    const bool metric = metricUnits();
    const QString resources = ThemeController::defaultResourcesRoot();
    const QString development = ThemeController::defaultDevelopmentRoot();
    QJsonArray themes;
    QStringList seen;
    for (const ThemeRow& row : ThemeController::themeList(resources, development)) {
        if (seen.contains(row.name))
            continue;
        const QString folder = CardTemplate::formatsFolder(resources, development, row.name);
        if (folder.isEmpty())
            continue;
        seen.append(row.name);
        QJsonArray formats;
        for (const QFileInfo& entry :
             QDir(folder).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name)) {
            const std::optional<CardTemplate> card =
                CardTemplate::read(entry.filePath() + QStringLiteral("/Template.html"), metric, true);
            QJsonObject format{
                {QStringLiteral("name"), entry.fileName()},
                {QStringLiteral("note"),
                 card ? CardTemplate::formatNote(card->statusBarNote, metric) : QString()},
                {QStringLiteral("thumb"), QString(entry.filePath() + QStringLiteral("/thumb.png"))}};
            if (card) {
                format.insert(QStringLiteral("pageWidth"), card->pageWidth);
                format.insert(QStringLiteral("pageHeight"), card->pageHeight);
            }
            formats.append(format);
        }
        themes.append(QJsonObject{{QStringLiteral("name"), row.name}, {QStringLiteral("formats"), formats}});
    }
    CliSession::printJson(themes);
    return CliOK;
}

const CliCommandRegistration cardsRegistration(QStringLiteral("cards"), kCardsSynopsis, cardsCommand);
const CliCommandRegistration printThemesRegistration(QStringLiteral("print-themes"), QString(),
                                                     printThemesCommand);

} // namespace
