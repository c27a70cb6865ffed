#pragma once

#include "platform/MailHandOver.h"
#include "present/PrintViewGenerator.h"
#include "present/ThemeController.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

class LibrarySession;
class ManagedObject;
class PagePrinter;

// One row of the format list: the folder's name (what `selectedPrintingFormat` stores),
// the name shown ("A4" for "Letter" in a metric locale) and its thumbnail file.
struct PrintFormatRow {
    QString name;
    QString shownName;
    QString thumbnailPath;
};

// What a print job needs from the card generator and the print view, so the job's order of
// work can run with other cards (tests) and the real ones alike.
class PrintJobBackend {
public:
    virtual ~PrintJobBackend() = default;
    // Lays recipe out on the cards of the template; done(stack) once the layout ended,
    // done(none) when it failed (the generator has told the user why).
    virtual void layOut(const ManagedObject* recipe, const QString& templatePath,
                        const CardSettings& settings, const QString& jobFolder,
                        std::function<void(std::optional<CardStack>)> done) = 0;
    // The stacks, one below the other, through the printer port; done(ok) once, later.
    virtual void print(const QList<CardStack>& stacks, const QString& jobFolder, bool metricUnits,
                       PagePrinter* printer, std::function<void(bool)> done) = 0;
    // The stacks as a PDF at path, which is replaced only once the PDF is complete; done(ok)
    // once, later.
    virtual void writePdf(const QList<CardStack>& stacks, const QString& jobFolder, const QString& path,
                          bool metricUnits, std::function<void(bool)> done) = 0;
};

// The print window's logic: the printing themes and their card formats, the preview of the
// first recipe's first card, the text size, and the job that lays every recipe out in turn
// and prints the cards or mails them as a PDF with an exchange file. The window (a widget
// in present/ui) shows what this controller holds and forwards the user's choices; it
// follows the signals below.
//
// The recipes handed to printObjects are held raw: the caller keeps them alive until the
// window closes (they are records of the open library's context).
class PrintingController : public QObject {
    Q_OBJECT

public:
    // resourcesRoot and applicationSupportFolder: empty for the program's own folders
    // (resourcesPath() and AppController::applicationSupportFolder()). backend: null for
    // the card generator and the print view.
    PrintingController(LibrarySession* session, MailHandOver* mail, QObject* parent = nullptr,
                       const QString& resourcesRoot = QString(),
                       const QString& applicationSupportFolder = QString(),
                       std::unique_ptr<PrintJobBackend> backend = nullptr);
    ~PrintingController() override;

    QString resourcesRoot() const;
    QString applicationSupportFolder() const;
    void setPagePrinter(PagePrinter* printer) { m_printer = printer; }
    // Whether the locale measures in metric units; QLocale's measurement system unless set.
    void setMetricUnits(bool metric) { m_metric = metric; }
    bool metricUnits() const { return m_metric; }

    // What the continue button does with the cards: print them, mail them, or save them as
    // a PDF at the destination chosen before the window opened.
    enum class Operation { Print, Email, SavePdf };
    Operation operation() const { return m_operation; }
    bool isEmailOperation() const { return m_operation == Operation::Email; }
    void setIsEmailOperation(bool email) { m_operation = email ? Operation::Email : Operation::Print; }
    // Opens the print window for recipes whose cards go to a PDF at path.
    void saveObjectsAsPdf(const QList<ManagedObject*>& recipes, const QString& path);
    const QString& pdfDestination() const { return m_pdfDestination; }
    // The selected recipes as plain text (the plain-text e-mail's text) on the clipboard.
    static void copyAsText(const QList<ManagedObject*>& recipes);
    // The file name a save panel offers for the recipes' PDF.
    static QString pdfFileName(const QList<ManagedObject*>& recipes);

    // Opens the print window for recipes (nothing when it is open or the list is empty); a
    // plain-text e-mail is built at once instead when `makePlainTextEmails` is on.
    void printObjects(const QList<ManagedObject*>& recipes);
    bool isWindowOpen() const { return m_windowOpen; }
    const QList<ManagedObject*>& objectsToPrint() const { return m_objects; }
    // "Continue to Email" or "Continue to Print Panel".
    QString continueButtonTitle() const;

    // Theme list: the screen themes' list (both roots) and the row named like
    // `selectedPrintingTheme` (the last one; 0 when none matches).
    void setupThemeSelector();
    const QList<ThemeRow>& themeRows() const { return m_themeRows; }
    int themeRowToSelect() const { return m_themeRowToSelect; }
    // The user picked a theme row: stores it and lists its formats.
    void selectTheme(int row);
    int selectedThemeRow() const { return m_selectedThemeRow; }

    // Format list of a theme: the entries of its "Print Templates" folder in the resources
    // root, else in "Theme Development", as listed; then the stored format is selected.
    void displayFormatsForSelectedTheme(const QString& theme);
    const QList<PrintFormatRow>& formatRows() const { return m_formatRows; }
    int selectedFormatRow() const { return m_selectedFormatRow; }
    // The user picked a format row: stores it, regenerates the preview, tells the note and
    // the card width. Out-of-range rows are ignored.
    void selectFormat(int row);
    // The arrow keys of the theme list: the previous (-1) or next (1) format; the row now
    // selected.
    int moveFormatSelection(int step);
    // The template of the chosen theme and format (empty before one is chosen).
    const QString& selectedHTMLTemplate() const { return m_selectedTemplate; }
    // The template path of theme and format: the resources root when the format exists
    // there, else "Theme Development"; AlternateTemplate.html with enableAlternateTheme.
    QString templatePath(const QString& theme, const QString& format) const;
    const QString& statusBarNote() const { return m_statusBarNote; }
    int cardWidth() const { return m_cardWidth; }

    // Text size: segment 0 smaller, 1 larger, within -2 … 2; the preview follows.
    void textSizeButtonControl(int segment);
    static int printSizeOffset();
    bool isTextSizeSegmentEnabled(int segment) const;

    // The preview generator (it shows the first recipe's first card once laid out).
    PrintViewGenerator* previewGenerator() const { return m_preview.get(); }
    void generatePreviewForTemplate(const QString& path);
    void refreshPreview();

    // The continue button: lays every recipe out in turn, then prints or mails the cards.
    void continueToPrint();
    bool isGenerating() const { return m_generating; }
    QString generatingMessage() const;
    // Closes the window (the job, if any, is abandoned).
    void cancel();

    // The job's folders in the application support folder.
    QString jobFolder() const;
    QString emailFolder() const;

    // The rich e-mail with the PDF written at "Email.pdf": the PDF and an exchange file of
    // the recipes, named after the subject, handed to the mail program. False when nothing
    // could be handed over (logged).
    bool generateRichEmail();
    // The plain-text e-mail through a mailto: address.
    bool generatePlainEmail();
    bool handedOver(const MailHandOver::Result& result);

    // The pure rules of the window.
    // The note under the lists for a template's "statusBarNote:" value (empty when none).
    static QString formatNote(const QString& markerValue, bool metricUnits);
    // The window's new frame for a card width: card width + 238 wide, same height and top,
    // horizontally about the same centre.
    static QRect windowFrameForCardWidth(const QRect& frame, int cardWidth);
    // The subject of a rich e-mail: "<name> Recipe" (without "/") or "<n> Larkspoon! Recipes".
    static QString richEmailSubject(const QList<ManagedObject*>& recipes);
    // The subject and the text of a plain-text e-mail.
    static QString plainEmailSubject(const QList<ManagedObject*>& recipes);
    static QString plainEmailBody(const QList<ManagedObject*>& recipes);

    // Where the print and e-mail commands of the main window go.
    enum class PrintTarget { Nothing, GroceryList, Recipes };
    static PrintTarget printTarget(bool groceryListSelected, qsizetype selectedRecipes);

signals:
    void windowOpenRequested();
    void windowCloseRequested();
    // The theme rows and the formats were (re)built; the window shows them.
    void themesChanged();
    void formatsChanged();
    void formatSelected(int row);
    void statusBarNoteChanged(const QString& note);
    // The window takes the width of the card plus the lists beside the preview.
    void cardWidthChanged(int cardWidth);
    void textSizeChanged(int offset);
    // A new preview began (the view blanks) or ended (ok: the first card can be shown).
    void previewStarted();
    void previewFinished(bool ok);
    // The "generating" message and its progress indicator.
    void generatingChanged(bool generating);
    // A job ended: ok when the cards went to the printer or the mail program.
    void jobFinished(bool ok);

private:
    void generateNextPrintObject();
    void addPrintObjectToFinalPrintView(const CardStack& stack);
    void disableGeneratingPrintMessage();
    void runPrintOperation();
    void finishPrinting(bool ok);
    void savePdf();
    void removeJobFolder();
    CardSettings cardSettings() const;

    LibrarySession& m_session;
    MailHandOver* m_mail;
    QString m_resourcesRoot;
    QString m_applicationSupportFolder;
    std::unique_ptr<PrintJobBackend> m_backend;
    PagePrinter* m_printer = nullptr;
    bool m_metric;
    Operation m_operation = Operation::Print;
    QString m_pdfDestination;
    bool m_windowOpen = false;
    bool m_generating = false;

    QList<ManagedObject*> m_objects;
    QList<ThemeRow> m_themeRows;
    int m_themeRowToSelect = -1;
    int m_selectedThemeRow = -1;
    QString m_selectedTheme;
    QList<PrintFormatRow> m_formatRows;
    int m_selectedFormatRow = -1;
    QString m_selectedTemplate;
    QString m_statusBarNote;
    int m_cardWidth = 432;

    std::unique_ptr<PrintViewGenerator> m_preview;
    // The running job: the stacks laid out so far, and a number that tells a cancelled
    // job's late answers from the current job's.
    QList<CardStack> m_stacks;
    int m_numberOfObjectsToPrint = 0;
    int m_countOfAddedObjectsForPrint = 0;
    int m_job = 0;
};
