#include "PrintingController.h"

#include "library/AppController.h"
#include "library/IngredientRecords.h"
#include "library/LibrarySession.h"
#include "platform/Alerts.h"
#include "platform/DataModel.h"
#include "platform/MailHandOver.h"
#include "platform/ManagedObject.h"
#include "platform/Scheduler.h"
#include "platform/UserDefaults.h"
#include "present/CardPrintJobBackend.h"
#include "present/CardTemplate.h"
#include "present/HTMLTextWrapper.h"
#include "share/VersionTwoImporterExporter.h"

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLocale>
#include <QStringDecoder>
#include <QTextDocument>

#include <algorithm>
#include <vector>

namespace {

const QString kThemeKey = QStringLiteral("selectedPrintingTheme");
const QString kFormatKey = QStringLiteral("selectedPrintingFormat");
const QString kSizeKey = QStringLiteral("printSizeOffset");
const QString kLetter = QStringLiteral("Letter");
constexpr int kMinimumSizeOffset = -2;
constexpr int kMaximumSizeOffset = 2;
constexpr int kDefaultCardWidth = 432;

// A template's text: UTF-16 or UTF-8 by its byte-order mark, UTF-8 without one.
QString templateText(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    const std::optional<QStringConverter::Encoding> encoding = QStringConverter::encodingForData(bytes);
    QStringDecoder decoder(encoding.value_or(QStringConverter::Utf8));
    return decoder.decode(bytes);
}

// An HTML text of a recipe as plain text, without the old picture markers.
QString plainTextOfHtml(QString html) {
    for (const char* marker : {"FirstImage", "SecondImage", "ThirdImage", "FourthImage", "FifthImage"})
        html.remove(QLatin1String(marker));
    return HTMLTextWrapper::attributedStringFromHTMLString(html)->toPlainText();
}

// A subject as a file name: no folder separators or NUL characters, and short enough for
// the file system with its extension.
QString fileBaseName(const QString& subject) {
    QString name = subject;
    name.remove(QLatin1Char('/'));
    name.remove(QChar(0));
    name.truncate(200);
    return name;
}

bool isMetricLocale() {
    return QLocale().measurementSystem() == QLocale::MetricSystem;
}

} // namespace

PrintingController::PrintingController(LibrarySession* session, MailHandOver* mail, QObject* parent,
                                       const QString& resourcesRoot, const QString& applicationSupportFolder,
                                       std::unique_ptr<PrintJobBackend> backend)
    : QObject(parent), m_session(LibrarySession::require(session, "PrintingController")), m_mail(mail),
      m_resourcesRoot(resourcesRoot), m_applicationSupportFolder(applicationSupportFolder),
      m_backend(std::move(backend)), m_metric(isMetricLocale()) {
    if (!m_backend)
        m_backend = std::make_unique<CardPrintJobBackend>(&m_session.alerts());
    m_preview = std::make_unique<PrintViewGenerator>(
        &m_session.alerts(), this->applicationSupportFolder() + QStringLiteral("/PrintPreview"));
    connect(m_preview.get(), &PrintViewGenerator::layoutFinished, this, &PrintingController::previewFinished);
}

PrintingController::~PrintingController() {
    // The preview goes first: its late answers must not reach a half-destroyed controller.
    m_preview.reset();
    m_backend.reset();
}

QString PrintingController::resourcesRoot() const {
    return m_resourcesRoot.isEmpty() ? resourcesPath() : m_resourcesRoot;
}

QString PrintingController::applicationSupportFolder() const {
    return m_applicationSupportFolder.isEmpty() ? AppController::applicationSupportFolder()
                                                : m_applicationSupportFolder;
}

QString PrintingController::jobFolder() const {
    return applicationSupportFolder() + QStringLiteral("/PrintJob");
}

QString PrintingController::emailFolder() const {
    return applicationSupportFolder() + QStringLiteral("/Email");
}

QString PrintingController::continueButtonTitle() const {
    switch (m_operation) {
    case Operation::Email:
        return tr("Continue to Email");
    case Operation::SavePdf:
        return tr("Continue to Save PDF");
    case Operation::Print:
        break;
    }
    return tr("Continue to Print Panel");
}

void PrintingController::printObjects(const QList<ManagedObject*>& recipes) {
    if (m_windowOpen || recipes.isEmpty())
        return;
    if (!UserDefaults::hasKey(kThemeKey))
        UserDefaults::setObjectForKey(QStringLiteral("Brown"), kThemeKey);
    if (!UserDefaults::hasKey(kFormatKey))
        UserDefaults::setObjectForKey(kLetter, kFormatKey);
    UserDefaults::synchronize();

    m_objects = recipes;
    if (m_operation != Operation::SavePdf)
        m_pdfDestination.clear();
    if (isEmailOperation() && UserDefaults::boolForKey(QStringLiteral("makePlainTextEmails"))) {
        generatePlainEmail();
        return;
    }
    m_windowOpen = true;
    setupThemeSelector();
    emit textSizeChanged(printSizeOffset());
    selectTheme(m_themeRowToSelect);
    // Shown once it has its rows and its width.
    emit windowOpenRequested();
}

void PrintingController::setupThemeSelector() {
    m_themeRows =
        ThemeController::themeList(resourcesRoot() + QStringLiteral("/Themes"),
                                   applicationSupportFolder() + QStringLiteral("/Theme Development"));
    const QString stored = UserDefaults::stringForKey(kThemeKey);
    m_themeRowToSelect = m_themeRows.isEmpty() ? -1 : 0;
    for (int row = 0; row < m_themeRows.size(); ++row)
        if (m_themeRows.at(row).name == stored)
            m_themeRowToSelect = row;
    m_selectedThemeRow = -1;
    emit themesChanged();
}

void PrintingController::selectTheme(int row) {
    if (row < 0 || row >= m_themeRows.size())
        return;
    m_selectedThemeRow = row;
    UserDefaults::setObjectForKey(m_themeRows.at(row).name, kThemeKey);
    displayFormatsForSelectedTheme(m_themeRows.at(row).name);
}

void PrintingController::displayFormatsForSelectedTheme(const QString& theme) {
    m_selectedTheme = theme;
    QString folder =
        resourcesRoot() + QStringLiteral("/Themes/") + theme + QStringLiteral("/Print Templates/");
    if (!QFileInfo(folder).isDir())
        folder = applicationSupportFolder() + QStringLiteral("/Theme Development/") + theme +
                 QStringLiteral("/Print Templates/");
    // In name order: the file system's own order is arbitrary on Linux, and the formats
    // should appear the same way each time.
    const QStringList entries =
        QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    m_formatRows.clear();
    const QString stored = UserDefaults::stringForKey(kFormatKey);
    int toSelect = entries.isEmpty() ? -1 : 0;
    for (const QString& entry : entries) {
        const QString thumbnail = folder + entry + QStringLiteral("/thumb.png");
        m_formatRows.append({entry, m_metric && entry == kLetter ? tr("A4") : entry,
                             QFileInfo(thumbnail).isFile() ? thumbnail : QString()});
        if (entry == stored)
            toSelect = static_cast<int>(m_formatRows.size()) - 1;
    }
    m_selectedFormatRow = -1;
    emit formatsChanged();
    if (toSelect < 0) {
        // A theme without formats: nothing to preview or print.
        m_selectedTemplate.clear();
        m_statusBarNote.clear();
        emit previewStarted();
        emit statusBarNoteChanged(m_statusBarNote);
        emit formatSelected(-1);
        return;
    }
    selectFormat(toSelect);
}

QString PrintingController::templatePath(const QString& theme, const QString& format) const {
    const QString resources = resourcesRoot() + QStringLiteral("/Themes/");
    const QString root = QFileInfo::exists(resources + theme + QStringLiteral("/Print Templates/") + format)
                             ? resources
                             : applicationSupportFolder() + QStringLiteral("/Theme Development/");
    const QString file = UserDefaults::boolForKey(QStringLiteral("enableAlternateTheme"))
                             ? QStringLiteral("/AlternateTemplate.html")
                             : QStringLiteral("/Template.html");
    return root + theme + QStringLiteral("/Print Templates/") + format + file;
}

void PrintingController::selectFormat(int row) {
    if (row < 0 || row >= m_formatRows.size())
        return;
    m_selectedFormatRow = row;
    // The row keeps the folder's name, so a Letter row shown as A4 is stored as Letter.
    const QString format = m_formatRows.at(row).name;
    UserDefaults::setObjectForKey(format, kFormatKey);
    UserDefaults::synchronize();
    emit formatSelected(row);

    const QString path = templatePath(m_selectedTheme, format);
    generatePreviewForTemplate(path);

    const QString text = templateText(path);
    m_statusBarNote = formatNote(
        CardTemplate::markerValue(text, QStringLiteral("statusBarNote:")).value_or(QString()), m_metric);
    m_cardWidth = CardTemplate::integerMarker(text, QStringLiteral("pageWidth:"), kDefaultCardWidth);
    if (m_cardWidth <= 0)
        m_cardWidth = kDefaultCardWidth;
    emit statusBarNoteChanged(m_statusBarNote);
    emit cardWidthChanged(m_cardWidth);
}

int PrintingController::moveFormatSelection(int step) {
    if (m_formatRows.isEmpty())
        return -1;
    const int row = std::clamp(m_selectedFormatRow + step, 0, static_cast<int>(m_formatRows.size()) - 1);
    if (row != m_selectedFormatRow)
        selectFormat(row);
    return m_selectedFormatRow;
}

int PrintingController::printSizeOffset() {
    return std::clamp(UserDefaults::objectForKey(kSizeKey).toInt(), kMinimumSizeOffset, kMaximumSizeOffset);
}

bool PrintingController::isTextSizeSegmentEnabled(int segment) const {
    const int offset = printSizeOffset();
    return segment == 0 ? offset > kMinimumSizeOffset : offset < kMaximumSizeOffset;
}

void PrintingController::textSizeButtonControl(int segment) {
    int offset = printSizeOffset();
    if (segment == 0)
        offset = std::max(kMinimumSizeOffset, offset - 1);
    else if (segment == 1)
        offset = std::min(kMaximumSizeOffset, offset + 1);
    else
        return;
    UserDefaults::setObjectForKey(offset, kSizeKey);
    emit textSizeChanged(offset);
    refreshPreview();
}

CardSettings PrintingController::cardSettings() const {
    CardSettings settings = CardSettings::fromUserDefaults();
    settings.metricUnits = m_metric;
    settings.printSizeOffset = printSizeOffset();
    return settings;
}

void PrintingController::generatePreviewForTemplate(const QString& path) {
    m_selectedTemplate = path;
    emit previewStarted();
    if (m_objects.isEmpty())
        return;
    m_preview->setHTMLTemplate(path); // an unusable template is told by the layout
    m_preview->setSettings(cardSettings());
    m_preview->loadPreviewForRecipe(m_objects.first());
}

void PrintingController::refreshPreview() {
    if (!m_selectedTemplate.isEmpty())
        generatePreviewForTemplate(m_selectedTemplate);
}

QString PrintingController::generatingMessage() const {
    switch (m_operation) {
    case Operation::Email:
        return tr("Generating Email...");
    case Operation::SavePdf:
        return tr("Generating PDF...");
    case Operation::Print:
        break;
    }
    return tr("Generating Printout...");
}

void PrintingController::continueToPrint() {
    if (m_generating || m_objects.isEmpty() || m_selectedTemplate.isEmpty())
        return;
    if (m_selectedThemeRow >= 0 && m_selectedThemeRow < m_themeRows.size())
        UserDefaults::setObjectForKey(m_themeRows.at(m_selectedThemeRow).name, kThemeKey);
    ++m_job;
    m_stacks.clear();
    m_countOfAddedObjectsForPrint = 0;
    m_numberOfObjectsToPrint = static_cast<int>(m_objects.size());
    removeJobFolder(); // what a job that was cancelled on its way left behind
    m_generating = true;
    emit generatingChanged(true);
    generateNextPrintObject();
}

// One recipe at a time: the next layout starts when the previous one has handed over its
// cards. Each recipe's card pages go to a folder of their own, so their names never clash.
void PrintingController::generateNextPrintObject() {
    const int index = m_countOfAddedObjectsForPrint;
    const int job = m_job;
    const QString folder = jobFolder() + QLatin1Char('/') + QString::number(index + 1);
    m_backend->layOut(m_objects.at(index), m_selectedTemplate, cardSettings(), folder,
                      [this, job](std::optional<CardStack> stack) {
                          if (job != m_job)
                              return; // cancelled meanwhile
                          if (!stack) {
                              // The generator has told the user; the window stays open.
                              disableGeneratingPrintMessage();
                              removeJobFolder();
                              emit jobFinished(false);
                              return;
                          }
                          addPrintObjectToFinalPrintView(*stack);
                      });
}

void PrintingController::addPrintObjectToFinalPrintView(const CardStack& stack) {
    m_stacks.append(stack);
    ++m_countOfAddedObjectsForPrint;
    const int job = m_job;
    if (m_countOfAddedObjectsForPrint == m_numberOfObjectsToPrint)
        Scheduler::instance().schedule(
            0.1,
            [this, job] {
                if (job == m_job)
                    runPrintOperation();
            },
            this);
    else
        Scheduler::instance().schedule(
            0,
            [this, job] {
                if (job == m_job)
                    generateNextPrintObject();
            },
            this);
}

void PrintingController::disableGeneratingPrintMessage() {
    if (!m_generating)
        return;
    m_generating = false;
    emit generatingChanged(false);
}

void PrintingController::removeJobFolder() {
    QDir(jobFolder()).removeRecursively();
}

void PrintingController::runPrintOperation() {
    disableGeneratingPrintMessage();
    const int job = m_job;
    if (m_operation == Operation::SavePdf) {
        savePdf();
        return;
    }
    if (m_operation == Operation::Print) {
        if (!m_printer) {
            qWarning("the cards could not be printed: no printer");
            finishPrinting(false);
            return;
        }
        m_backend->print(m_stacks, jobFolder(), m_metric, m_printer, [this, job](bool ok) {
            if (job == m_job)
                finishPrinting(ok);
        });
        return;
    }
    const QString pdf = applicationSupportFolder() + QStringLiteral("/Email.pdf");
    QFile::remove(pdf);
    QDir().mkpath(applicationSupportFolder());
    m_backend->writePdf(m_stacks, jobFolder(), pdf, m_metric, [this, job, pdf](bool ok) {
        if (job != m_job)
            return;
        removeJobFolder();
        if (!ok) {
            qWarning("the cards could not be written to %s", qPrintable(pdf));
            m_session.alerts().ask(tr("The recipe cards could not be written for the message."), QString(),
                                   {tr("OK")});
            emit jobFinished(false);
            return;
        }
        cancel();
        emit jobFinished(generateRichEmail());
    });
}

void PrintingController::saveObjectsAsPdf(const QList<ManagedObject*>& recipes, const QString& path) {
    if (m_windowOpen || recipes.isEmpty() || path.isEmpty())
        return;
    m_operation = Operation::SavePdf;
    m_pdfDestination = path;
    printObjects(recipes);
}

// The print view's PDF replaces a file at the destination only once it is complete, so a
// failed job leaves a file that was already there as it was.
void PrintingController::savePdf() {
    const int job = m_job;
    const QString destination = m_pdfDestination;
    m_backend->writePdf(m_stacks, jobFolder(), destination, m_metric, [this, job, destination](bool ok) {
        if (job != m_job)
            return;
        removeJobFolder();
        if (!ok) {
            qWarning("the cards could not be saved at %s", qPrintable(destination));
            m_session.alerts().ask(tr("The recipe cards could not be saved as a PDF."),
                                   tr("Check that “%1” can be written.").arg(destination), {tr("OK")});
            emit jobFinished(false);
            return;
        }
        cancel();
        emit jobFinished(true);
    });
}

void PrintingController::copyAsText(const QList<ManagedObject*>& recipes) {
    if (recipes.isEmpty())
        return;
    if (QClipboard* clipboard = QGuiApplication::clipboard())
        clipboard->setText(plainEmailBody(recipes));
}

QString PrintingController::pdfFileName(const QList<ManagedObject*>& recipes) {
    return fileBaseName(richEmailSubject(recipes)) + QStringLiteral(".pdf");
}

// A cancelled or failed print leaves the window open for another try.
void PrintingController::finishPrinting(bool ok) {
    removeJobFolder();
    if (ok)
        cancel();
    emit jobFinished(ok);
}

void PrintingController::cancel() {
    ++m_job; // late answers of the job are ignored
    disableGeneratingPrintMessage();
    if (!m_windowOpen)
        return;
    m_windowOpen = false;
    emit windowCloseRequested();
}

bool PrintingController::generateRichEmail() {
    const QString subject = richEmailSubject(m_objects);
    const QString base = fileBaseName(subject);
    // The mail program reads the attachments once its window is open, which may be long
    // after this: the files of a message stay until the next message is made.
    QDir(emailFolder()).removeRecursively();
    const QString pdf = emailFolder() + QLatin1Char('/') + base + QStringLiteral(".pdf");
    const QString exchange = emailFolder() + QLatin1Char('/') + base + QStringLiteral(".lsr");
    const auto couldNotWrite = [this](const QString& why) {
        qWarning("the recipes could not be written for the message: %s", qPrintable(why));
        m_session.alerts().ask(tr("The recipes could not be written for the message."), why, {tr("OK")});
        return false;
    };
    if (!QDir().mkpath(emailFolder()))
        return couldNotWrite(emailFolder());
    if (!QFile::rename(applicationSupportFolder() + QStringLiteral("/Email.pdf"), pdf))
        return couldNotWrite(pdf);
    VersionTwoImporterExporter exporter(&m_session);
    QString error;
    if (!exporter.exportRecipes(m_objects, exchange, &error))
        return couldNotWrite(error);
    if (!m_mail)
        return couldNotWrite(QStringLiteral("no mail hand-over"));
    return handedOver(m_mail->composeWithAttachments(subject, QStringLiteral("\n\n"), {pdf, exchange}));
}

bool PrintingController::generatePlainEmail() {
    return handedOver(m_mail ? m_mail->composeMailto(plainEmailSubject(m_objects), plainEmailBody(m_objects))
                             : MailHandOver::Result{false, QStringLiteral("no mail hand-over")});
}

// Tells the user when the mail program could not take the message.
bool PrintingController::handedOver(const MailHandOver::Result& result) {
    if (!result.ok) {
        qWarning("the recipes could not be mailed: %s", qPrintable(result.error));
        m_session.alerts().ask(tr("A new message could not be opened in your mail program."),
                               tr("Check that a mail program is set up for this desktop."), {tr("OK")});
        return false;
    }
    return true;
}

QString PrintingController::formatNote(const QString& markerValue, bool metricUnits) {
    if (markerValue == QLatin1String("For use with unruled 4\" x 6\" index cards"))
        return tr("For use with unruled 4\" x 6\" index cards");
    if (markerValue == QLatin1String("For use with 4\" x 6\" borderless photo paper"))
        return tr("For use with 4\" x 6\" borderless photo paper");
    if (markerValue == QLatin1String("For use with US Letter paper"))
        return metricUnits ? tr("For use with A4 paper") : tr("For use with US Letter paper");
    return markerValue;
}

QRect PrintingController::windowFrameForCardWidth(const QRect& frame, int cardWidth) {
    const int left = frame.x() + frame.width() / 2 - cardWidth / 2 - 118;
    return {left, frame.y(), cardWidth + 238, frame.height()};
}

QString PrintingController::richEmailSubject(const QList<ManagedObject*>& recipes) {
    if (recipes.size() == 1) {
        QString name = recipes.first()->stringValue(QStringLiteral("name"));
        name.remove(QLatin1Char('/'));
        return tr("%1 Recipe").arg(name);
    }
    return tr("%1 Larkspoon! Recipes").arg(recipes.size());
}

QString PrintingController::plainEmailSubject(const QList<ManagedObject*>& recipes) {
    if (recipes.size() == 1)
        return recipes.first()->stringValue(QStringLiteral("name"));
    return tr("%1 Recipes").arg(recipes.size());
}

QString PrintingController::plainEmailBody(const QList<ManagedObject*>& recipes) {
    QString text;
    for (const ManagedObject* recipe : recipes) {
        const auto value = [recipe](const char* key) { return recipe->stringValue(QLatin1String(key)); };
        if (!value("name").isEmpty())
            text += value("name") + QStringLiteral("\n\n");
        if (!value("recipeDescription").isEmpty())
            text += tr("Description:") + QLatin1Char('\n') + plainTextOfHtml(value("recipeDescription")) +
                    QStringLiteral("\n\n");
        const QVariantList ingredients = IngredientRecords::ingredientsOfRecipe(recipe);
        if (!ingredients.isEmpty()) {
            text += tr("Ingredients:") + QLatin1Char('\n');
            for (const QVariant& row : ingredients) {
                // The parts a row has, one space between them: a missing part leaves no gap.
                QStringList parts;
                if (IngredientRecords::isGroupTitle(row))
                    parts.append(IngredientRecords::textForKey(row, QStringLiteral("name")));
                else
                    for (const char* key : {"quantity", "measurement", "name", "method"})
                        if (const QString part = IngredientRecords::textForKey(row, QLatin1String(key));
                            !part.isEmpty())
                            parts.append(part);
                text += parts.join(QLatin1Char(' ')) + QLatin1Char('\n');
            }
            text += QLatin1Char('\n');
        }
        text += tr("Additional Metrics:") + QLatin1Char('\n');
        const std::pair<const char*, QString> metrics[] = {
            {"yield", tr("Yield:%1\n")},
            {"attribution", tr("Attribution:%1\n")},
            {"cuisine", tr("Cuisine:%1\n")},
            {"prepTime", tr("Prep Time:%1\n")},
            {"cookingTime", tr("Cooking Time:%1\n")},
            {"inactivePrepTime", tr("Inactive Prep Time:%1\n")},
        };
        for (const auto& [key, label] : metrics)
            if (!value(key).isEmpty())
                text += label.arg(value(key));
        text += QLatin1Char('\n');
        if (!value("directions").isEmpty())
            text += tr("Directions:") + QLatin1Char('\n') + plainTextOfHtml(value("directions")) +
                    QStringLiteral("\n\n\n");
        // Private notes stay private: they are never mailed.
        if (!value("notes").isEmpty())
            text += tr("Notes:") + QLatin1Char('\n') + value("notes") + QStringLiteral("\n\n");
    }
    return text;
}

PrintingController::PrintTarget PrintingController::printTarget(bool groceryListSelected,
                                                                qsizetype selectedRecipes) {
    if (groceryListSelected)
        return PrintTarget::GroceryList;
    return selectedRecipes > 0 ? PrintTarget::Recipes : PrintTarget::Nothing;
}
