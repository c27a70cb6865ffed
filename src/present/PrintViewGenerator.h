#pragma once

#include "present/CardTemplate.h"

#include <QDeadlineTimer>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

class Alerts;
class ManagedObject;
struct CardSection;
class QVariant;

// The user defaults that decide what goes on a card, read once per layout.
struct CardSettings {
    bool printDescription = true;
    bool printAdditionalMetrics = true;
    bool printNotes = true;
    bool printPrivateNotes = true;
    bool printMainImage = true;
    bool printAdditionalImages = true;
    bool displaySingleCharacterFractions = true;
    bool capitalizeRecipeAndIngredientTitles = false;
    bool metricUnits = false; // the locale measures in metric units
    int printSizeOffset = 0;  // -2 … 2, added to the template's font size

    static CardSettings fromUserDefaults();
};

// The cards of one laid-out recipe, in card order.
struct CardStack {
    QString recipeName;
    QStringList pageFiles; // "page<n>.html" in the job folder, UTF-16 with a byte-order mark
    int pageWidth = 0;     // points
    int pageHeight = 0;
};

// Lays one recipe out on as many cards of a card template as it needs, never cutting an
// ingredient, a paragraph or a metric line across two cards. Card heights are measured by
// the HTML engine (the height of "measured_height_container"); a section's remaining items
// are laid out in one render and every item's bottom edge read in one script call, and the
// card is only rendered again where that cannot decide.
//
// The layout runs asynchronously on the main thread and ends with layoutFinished. A
// template without its size markers, an empty print order, or a section that still does
// not fit on card 20 is told to the user through the alerts port and ends the layout with
// ok false.
class PrintViewGenerator : public QObject {
    Q_OBJECT

public:
    enum class LayoutMethod {
        Measured,        // many items per render (the default)
        OneRenderPerItem // one render after every added item, for comparisons
    };

    // jobFolder: where the card pages are written (created when missing).
    PrintViewGenerator(Alerts* alerts, const QString& jobFolder, QObject* parent = nullptr);
    ~PrintViewGenerator() override;

    // Where the next layout writes its cards (created when missing). One generator can lay
    // out the recipes of a job one after another, each into a folder of its own: the engine
    // page is kept, and while the card size stays the same later layouts replace its content
    // instead of loading it again.
    void setJobFolder(const QString& jobFolder);
    const QString& jobFolder() const { return m_jobFolder; }
    // Reads the template; false when it cannot be read.
    bool setHTMLTemplate(const QString& path);
    const CardTemplate& cardTemplate() const { return m_template; }
    // The settings (read from the user defaults when the generator is made); they decide
    // the card size in metric locales and whether the description is in the print order.
    void setSettings(const CardSettings& settings);
    const CardSettings& settings() const { return m_settings; }
    void setLayoutMethod(LayoutMethod method) { m_method = method; }

    // Starts laying recipe out; a layout already running is abandoned.
    void loadPreviewForRecipe(const ManagedObject* recipe);
    bool isRunning() const;
    // Lays recipe out and waits for it in a local event loop (for programs without a window
    // to keep alive); whether the layout succeeded.
    bool layOutAndWait(const ManagedObject* recipe);

    // After layoutFinished(true):
    CardStack cardStack() const;
    int cardCount() const;
    QStringList cardPages() const; // the final page text of every card
    int renderCount() const;       // renders the layout took
    int pageLoadCount() const;     // of them, those that loaded the page anew
    int roundTripCount() const;    // calls to the engine the renders took (loads included)

    // The texts of the alerts a layout can end with.
    static QString unableToPrintMessage(const QString& recipeName);
    static QString unableToPrintInformativeText();
    static QString unableToLoadPreviewMessage();
    static QString unableToLoadPreviewInformativeText();
    static QString notConfiguredMessage();
    static QString notConfiguredInformativeText();

signals:
    void layoutFinished(bool ok);

private:
    struct Layout;
    void alert(const QString& message, const QString& informative);
    void buildSections(const ManagedObject* recipe);
    QString newCardPage(int number) const;
    QString& currentRecipeCard();
    int cardToBuildFromRulesForSection(const QString& key) const;
    QString hideSectionsBelowSection(const QString& key, QString page) const;
    static QString showSection(const QString& key, QString page);
    static QString hideEmptySection(const QString& key, QString page);
    QString filledSection(const QString& page, int first, int count, bool markers,
                          int sectionIndex = -1) const;
    bool mayFitOnOneCard() const;
    double guessedLines(const CardSection& section, int first) const;
    bool mayFitLines(double lines) const;
    void placeOnOneCard();
    void startSection();
    void placeOnCard();
    // The result of a page's measuring script.
    using Measured = std::function<void(const QVariant&)>;
    QString fitScript(int sectionIndex, int count, bool withFunction = true) const;
    void measureFit(const QString& page, const QString& script, int count, Measured done);
    bool takeMeasured(const QString& page, const QString& script, const Measured& done);
    void confirmCount(int count, int expectedHeight, int remaining);
    void measureCount(int count, std::function<void(int)> done);
    void tryCount(int count, int remaining);
    void tryCountDown(int count, int remaining);
    bool cannotStartOnCard(int card) const;
    void placed(int count, int bottom = -1);
    void render(const QString& page, const QString& measuring, Measured done);
    void load(const QString& page, const QString& frame, const QString& measuring, Measured done);
    std::function<void(const QVariant&)> replacedCallback(const QString& page, const QString& frame,
                                                          const QString& measuring, Measured done,
                                                          QDeadlineTimer pictures);
    void finalize();
    void finish(bool ok);

    Alerts* m_alerts;
    QString m_jobFolder;
    CardTemplate m_template;
    CardSettings m_settings;
    LayoutMethod m_method = LayoutMethod::Measured;
    std::unique_ptr<Layout> m_layout;
};
