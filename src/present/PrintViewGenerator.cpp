#include "PrintViewGenerator.h"

#include "HtmlFragmentSanitizer.h"
#include "RecipeDisplayController.h"

#include "library/AppController.h"
#include "library/IngredientRecords.h"
#include "library/RecipesManagedObject.h"
#include "platform/Alerts.h"
#include "platform/HtmlPage.h"
#include "platform/ManagedObject.h"
#include "platform/StructuredText.h"
#include "platform/UserDefaults.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLocale>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kCardLimit = 20;
const QString kHidden = QStringLiteral("display: none;");

// The element the measuring script finds the laid-out items by.
const QString kItemMarker = QStringLiteral("<span id=\"lk-item-%1\"></span>");

// True when the card's content is laid out as plain blocks of the measured container one
// below the other: nothing floats (which could narrow lines on one card and not another), no
// margin is negative and no block of the container is moved from where it is laid out
// (hidden elements, which have no boxes, aside).
// Content added to such a page never makes it shorter.
const char* const kPlainFlowFunction = R"(function lkPlainFlow() {
  var container = document.getElementById("measured_height_container");
  if (!container || getComputedStyle(container).display !== "block") return false;
  var all = document.body.querySelectorAll("*");
  for (var i = 0; i < all.length; ++i) {
    if (all[i].getClientRects().length === 0) continue; // not laid out: hidden
    var style = getComputedStyle(all[i]);
    if (style.float !== "none" || !(parseFloat(style.marginTop) >= 0) || !(parseFloat(style.marginBottom) >= 0))
      return false;
    if (all[i].parentNode === container && style.position !== "static") return false;
  }
  return true;
}
)";

// The container's height when the card's content is plain flow, else -1.
const char* const kWholeCardScript = R"((function () {
  return lkPlainFlow() ? document.getElementById("measured_height_container").offsetHeight : -1;
})();)";

// Lays the items out with a marker after each, then finds the largest count of items that
// keeps the container below the limit: the content between the markers is copied once and
// every probe restores the copy and cuts it after the probed item, so a probe costs one
// style and layout pass instead of a page load. Returns [count, height at count, height at
// count + 1, bottom, box] (-1 where not measured), or null when the page does not hold the
// markers.
//
// bottom: where the section's box ends, below the container's top, with count items;
// box: the height of the section's box with its title and first item. In plain flow, a
// section added below one ending at bottom makes the container at least bottom + box high;
// otherwise both are -1.
const char* const kFitScript = R"((function (limit, total) {
  function container() { return document.getElementById("measured_height_container"); }
  var start = document.getElementById("lk-item-start"), end = document.getElementById("lk-item-end");
  if (!container() || !start || !end) return null;
  var range = document.createRange();
  range.setStartBefore(start);
  range.setEndAfter(end);
  var host = range.commonAncestorContainer;
  if (host.nodeType !== 1) host = host.parentNode;
  if (!host.parentNode || host === document.documentElement || host === document.body) return null;
  var original = host.cloneNode(true), current = host, heights = {};
  heights[total] = container().offsetHeight;
  function measure(count) {
    var fresh = original.cloneNode(true);
    current.parentNode.replaceChild(fresh, current);
    current = fresh;
    if (count < total) {
      var cut = document.createRange();
      cut.setStartAfter(document.getElementById("lk-item-" + (count - 1)));
      cut.setEndBefore(document.getElementById("lk-item-end"));
      cut.deleteContents();
    }
    heights[count] = container().offsetHeight;
    return heights[count];
  }
  var low = 0, high = total;
  if (heights[total] < limit) low = total;
  while (high - low > 1) {
    var middle = Math.floor((low + high) / 2);
    if (measure(middle) < limit) low = middle; else high = middle;
  }
  if (low > 0 && heights[low] === undefined) measure(low);
  if (low < total && heights[low + 1] === undefined) measure(low + 1);
  var section = document.getElementById("recipe_%3"), bottom = -1, box = -1;
  if (section && section.parentNode === container() && lkPlainFlow()) {
    if (low > 0) {
      measure(low);
      bottom = Math.floor(section.getBoundingClientRect().bottom - container().getBoundingClientRect().top);
    }
    measure(1);
    box = Math.floor(section.getBoundingClientRect().height);
  }
  return [low, low > 0 ? heights[low] : -1, low < total ? heights[low + 1] : -1, bottom, box];
})(%1, %2);)";

// Puts a page text of the same card in place of the one loaded: the head's style texts
// (the page's own, not the view width's) and the body's content are replaced, then the
// measuring script %2 runs on it and gives the result. When the document does not hold the
// same style elements the result is kNotReplaced followed by 0 (the page is then loaded
// for real); while a picture is still loading (its size is unknown until it has loaded or
// failed) it is kNotReplaced followed by 2. Measuring results are never strings.
const char* const kNotReplaced = "lk-not-replaced-";
const char* const kReplaceFunction = R"(function lkReplace(styles, body) {
  var own = window.__larkspoonViewWidth, found = [];
  var all = document.head ? document.head.querySelectorAll("style") : [];
  for (var i = 0; i < all.length; ++i) if (all[i] !== own) found.push(all[i]);
  if (found.length !== styles.length || !document.body) return 0;
  for (var j = 0; j < styles.length; ++j)
    if (found[j].textContent !== styles[j]) found[j].textContent = styles[j];
  document.body.innerHTML = body;
  for (var k = 0; k < document.images.length; ++k)
    if (!document.images[k].complete) return 2;
  return 1;
}
)";
const char* const kReplaceScript = R"(var lkReplaced = lkReplace.apply(null, %1);
if (lkReplaced === 1) {
%2
} else {
  "lk-not-replaced-" + lkReplaced;
})";

// A section's fitting render followed, while each section ends on the card, by the first
// fitting render of the next one, in one script: kChainStart, the section's fitting script,
// a kChainedStep per later section and kChainEnd. A step replaces the page text with %2 (the
// replace script's arguments) when the result before it placed all of its %1 items, and runs
// the fitting script %3. The result is the list of the results measured.
const char* const kChainStart = "var lkGoing = true, lkLast = ";
const char* const kChainFirst = "\nvar lkResults = [lkLast];\n";
const char* const kChainedStep =
    R"(if (lkGoing && lkLast && lkLast[0] >= %1 && lkReplace.apply(null, %2) === 1) {
  lkLast = %3
  lkResults.push(lkLast);
} else {
  lkGoing = false;
}
)";
const char* const kChainEnd = "lkResults;";

// The measuring script %1 once every picture has loaded (or failed), else kNotReplaced
// followed by 2.
const char* const kPicturesScript = R"(var lkPending = 0;
for (var k = 0; k < document.images.length; ++k)
  if (!document.images[k].complete) ++lkPending;
if (lkPending === 0) {
%1
} else {
  "lk-not-replaced-2";
})";

// A page text cut where a later text of the same card may differ: the texts of the head's
// style elements and the body's content; frame is all the rest, with the style texts left
// out. Two texts with the same frame differ only in what the replace script replaces.
struct PageParts {
    QString frame;
    QStringList styles;
    QString body;
};

std::optional<PageParts> pageParts(const QString& page) {
    static const QRegularExpression bodyStart(QStringLiteral("<body\\b[^>]*>"),
                                              QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression style(QStringLiteral("(<style\\b[^>]*>)(.*?)(</style\\s*>)"),
                                          QRegularExpression::CaseInsensitiveOption |
                                              QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression ending(QStringLiteral("^</body\\s*>\\s*(</html\\s*>\\s*)?$"),
                                           QRegularExpression::CaseInsensitiveOption);
    // Tags the body's parser would treat otherwise than the page's parser did.
    static const QRegularExpression documentTag(QStringLiteral("<(/?)(html|head|body|frameset)\\b"),
                                                QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch start = bodyStart.match(page);
    if (!start.hasMatch())
        return std::nullopt;
    const qsizetype end = page.lastIndexOf(QLatin1String("</body"), -1, Qt::CaseInsensitive);
    if (end < start.capturedEnd(0) || !ending.match(QStringView(page).mid(end)).hasMatch())
        return std::nullopt;
    PageParts parts;
    parts.body = page.mid(start.capturedEnd(0), end - start.capturedEnd(0));
    if (parts.body.contains(documentTag))
        return std::nullopt;
    const QString head = page.left(start.capturedStart(0));
    qsizetype from = 0;
    for (QRegularExpressionMatchIterator it = style.globalMatch(head); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        parts.frame += QStringView(head).mid(from, match.capturedStart(2) - from);
        parts.styles.append(match.captured(2));
        from = match.capturedEnd(2);
    }
    parts.frame += QStringView(head).mid(from);
    parts.frame += QStringView(page).mid(start.capturedStart(0), start.capturedLength(0));
    parts.frame += QStringView(page).mid(end);
    return parts;
}

// The replace script's arguments for the page of parts: its style texts and its body, as
// JSON.
QString replaceArguments(const PageParts& parts) {
    QJsonArray styles;
    for (const QString& text : parts.styles)
        styles.append(text);
    const QJsonArray arguments = {styles, parts.body};
    return QString::fromUtf8(QJsonDocument(arguments).toJson(QJsonDocument::Compact));
}

QString recipeText(const ManagedObject* recipe, const char* key) {
    return recipe->valueForKey(QLatin1String(key)).toString();
}

QString labelFor(const QString& key) {
    static const QHash<QString, const char*> labels = {
        {QStringLiteral("ingredients"), QT_TRANSLATE_NOOP("PrintViewGenerator", "Ingredients:")},
        {QStringLiteral("metrics"), QT_TRANSLATE_NOOP("PrintViewGenerator", "Additional Metrics:")},
        {QStringLiteral("description"), QT_TRANSLATE_NOOP("PrintViewGenerator", "Description:")},
        {QStringLiteral("directions"), QT_TRANSLATE_NOOP("PrintViewGenerator", "Directions:")},
        {QStringLiteral("notes"), QT_TRANSLATE_NOOP("PrintViewGenerator", "Notes:")},
        {QStringLiteral("private_notes"), QT_TRANSLATE_NOOP("PrintViewGenerator", "Private Notes:")},
        {QStringLiteral("keywords"), QT_TRANSLATE_NOOP("PrintViewGenerator", "Keywords:")},
    };
    return PrintViewGenerator::tr(labels.value(key));
}

// The placeholders of a section: the metrics fill the "extrainfo" ones.
QString placeholderName(const QString& key) {
    return key == QLatin1String("metrics") ? QStringLiteral("extrainfo") : key;
}

QStringList paragraphItems(const QString& html) {
    static const QRegularExpression lineBreak(QStringLiteral("<br\\s*/?>"),
                                              QRegularExpression::CaseInsensitiveOption);
    return html.split(lineBreak);
}

// The directions' pieces with every paragraph element and every entry of a list (not
// holding another list) as a piece of its own, a list entry written as a list of one that
// keeps its number, so that directions written as HTML can go on several cards. Returns
// the pieces and, for each, whether it is such a block (blocks are not separated by line
// breaks).
QList<QPair<QString, bool>> splitBlocks(const QStringList& pieces) {
    static const QRegularExpression block(
        QStringLiteral("<(ol|ul)\\b([^>]*)>(.*?)</\\1\\s*>|<p\\b[^>]*>.*?</p\\s*>"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression entry(QStringLiteral("<li\\b[^>]*>.*?</li\\s*>"),
                                          QRegularExpression::CaseInsensitiveOption |
                                              QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression start(QStringLiteral("\\bstart=\"?(\\d+)\"?"),
                                          QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression nested(QStringLiteral("<(ol|ul|p)\\b"),
                                           QRegularExpression::CaseInsensitiveOption);
    QList<QPair<QString, bool>> result;
    for (const QString& piece : pieces) {
        qsizetype from = 0;
        for (QRegularExpressionMatchIterator it = block.globalMatch(piece); it.hasNext();) {
            const QRegularExpressionMatch match = it.next();
            const bool isList = match.capturedLength(1) > 0;
            if (isList && match.captured(3).contains(nested))
                continue; // a list holding lists or paragraphs stays whole
            const QString before = piece.mid(from, match.capturedStart(0) - from);
            if (!before.trimmed().isEmpty())
                result.append({before, false});
            from = match.capturedEnd(0);
            if (!isList) {
                result.append({match.captured(0), true});
                continue;
            }
            const QString tag = match.captured(1).toLower();
            QString attributes = match.captured(2);
            int number = 1;
            if (const QRegularExpressionMatch given = start.match(attributes); given.hasMatch()) {
                number = given.captured(1).toInt();
                attributes.remove(given.capturedStart(0), given.capturedLength(0));
            }
            for (QRegularExpressionMatchIterator entries = entry.globalMatch(match.captured(3));
                 entries.hasNext(); ++number) {
                const QString opening =
                    tag == QLatin1String("ol")
                        ? QStringLiteral("<ol start=\"%1\"%2>").arg(number).arg(attributes)
                        : QLatin1String("<ul") + attributes + u'>';
                result.append(
                    {opening + entries.next().captured(0) + QLatin1String("</") + tag + u'>', true});
            }
        }
        const QString rest = piece.mid(from);
        if (from == 0 || !rest.trimmed().isEmpty())
            result.append({rest, false});
    }
    return result;
}

// True when every element the item opens it also closes, in order: cut out of a longer
// page it lays out as it would alone.
bool isSelfContained(const QString& item) {
    static const QRegularExpression tag(QStringLiteral("<(/?)([A-Za-z][A-Za-z0-9_:-]*)[^>]*>"));
    static const QStringList empty = {
        QStringLiteral("br"),   QStringLiteral("img"),   QStringLiteral("hr"),
        QStringLiteral("wbr"),  QStringLiteral("input"), QStringLiteral("col"),
        QStringLiteral("area"), QStringLiteral("embed"), QStringLiteral("source")};
    if (!item.contains(u'<'))
        return true;
    QStringList open;
    for (QRegularExpressionMatchIterator it = tag.globalMatch(item); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        const QString name = match.captured(2).toLower();
        if (empty.contains(name) || match.capturedView(0).endsWith(QLatin1String("/>")))
            continue;
        if (match.capturedView(1).isEmpty()) {
            open.append(name);
        } else {
            if (open.isEmpty() || open.last() != name)
                return false;
            open.removeLast();
        }
    }
    return open.isEmpty();
}

bool settingFlag(const QString& key, std::optional<QVariantMap>& registered) {
    if (UserDefaults::hasKey(key))
        return UserDefaults::boolForKey(key);
    if (!registered)
        registered = AppController::registeredDefaults();
    return registered->value(key).toBool();
}

// The page being measured and the card pages are scratch, read by this program while the
// job runs and removed with the job folder: they are written without waiting for the disk.
bool writeScratchFile(const QString& path, const QString& page) {
    QFile file(path);
    const QByteArray bytes = RecipeDisplayController::displayFileBytes(page);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size()) {
        qWarning("error could not write %s: %s", qPrintable(path), qPrintable(file.errorString()));
        return false;
    }
    return true;
}

} // namespace

CardSettings CardSettings::fromUserDefaults() {
    std::optional<QVariantMap> registered;
    CardSettings settings;
    settings.printDescription = settingFlag(QStringLiteral("printDescription"), registered);
    settings.printAdditionalMetrics = settingFlag(QStringLiteral("printAdditionalMetrics"), registered);
    settings.printNotes = settingFlag(QStringLiteral("printNotes"), registered);
    settings.printPrivateNotes = settingFlag(QStringLiteral("printPrivateNotes"), registered);
    settings.printMainImage = settingFlag(QStringLiteral("printMainImage"), registered);
    settings.printAdditionalImages = settingFlag(QStringLiteral("printAdditionalImages"), registered);
    settings.displaySingleCharacterFractions =
        settingFlag(QStringLiteral("displaySingleCharacterFractions"), registered);
    settings.capitalizeRecipeAndIngredientTitles =
        settingFlag(QStringLiteral("capitalizeRecipeAndIngredientTitles"), registered);
    settings.metricUnits = QLocale().measurementSystem() == QLocale::MetricSystem;
    bool ok = false;
    const int offset = UserDefaults::objectForKey(QStringLiteral("printSizeOffset")).toInt(&ok);
    settings.printSizeOffset = ok ? qBound(-2, offset, 2) : 0;
    return settings;
}

// One section of the recipe as it goes on cards.
struct CardSection {
    QString key;
    QStringList items;
    QList<bool> selfContained; // per item, see isSelfContained
    QList<bool> block;         // per item: a list entry, placed without a line break
    bool skipped = false;      // left out by its print preference
    bool paragraphs = false;   // items joined with "<br>"; image references and fractions apply
    bool fractions = false;
};

// One layout run. The engine page is kept from one run to the next; a run that is replaced
// stops reacting through its generation number.
struct PrintViewGenerator::Layout {
    std::unique_ptr<HtmlPage> page;
    quint64 generation = 0;
    bool running = false;
    bool succeeded = false;

    const RecipesManagedObject* recipe = nullptr; // only read while the run starts
    QString recipeName;
    QString picture; // card 1's picture element, empty when none
    QString rating;  // card 1's stars, empty when none
    QList<CardSection> sections;
    QStringList cards; // the page text of every card so far
    QStringList pageFiles;
    QHash<QString, int> lastCard;
    int renders = 0;
    int pageLoads = 0;
    // The frame (see PageParts) of the page text the engine page holds, loaded for
    // measuring; empty when it holds none that later renders may replace in place.
    QString loadedFrame;

    // Whether the template holds the sections in print order, each below the ones before.
    bool sectionsInOrder = false;
    // Where the content of every card ends, as the render that last filled it measured (-1
    // when not known).
    QList<int> contentBottom;
    // The height of the section's box holding its title and item boxItem, as one of the
    // section's renders measured it; the layout width is the same on every card. A
    // section that tries the cards of earlier ones skips those it proves too full.
    int box = -1;
    int boxItem = -1;

    // The section being placed.
    int sectionIndex = 0;
    int card = 1;
    int pending = 0; // the first item not yet placed
    QString base;    // the card's page with the section shown and later sections hidden

    std::function<void(bool)> afterLoad;

    // Fitting renders of later sections measured ahead in the call of an earlier one (see
    // kChainStart), each with its page text, script and result.
    struct Measurement {
        QString page;
        QString script;
        QVariant result;
    };
    QList<Measurement> ahead;
    int roundTrips = 0;
};

PrintViewGenerator::PrintViewGenerator(Alerts* alerts, const QString& jobFolder, QObject* parent)
    : QObject(parent), m_alerts(alerts), m_jobFolder(jobFolder),
      m_settings(CardSettings::fromUserDefaults()) {}

PrintViewGenerator::~PrintViewGenerator() = default;

void PrintViewGenerator::setJobFolder(const QString& jobFolder) {
    m_jobFolder = jobFolder;
    if (!m_jobFolder.isEmpty() && !QDir().mkpath(m_jobFolder))
        qWarning("error could not create the print job folder %s", qPrintable(m_jobFolder));
}

bool PrintViewGenerator::setHTMLTemplate(const QString& path) {
    std::optional<CardTemplate> read =
        CardTemplate::read(path, m_settings.metricUnits, m_settings.printDescription);
    if (!read) {
        qWarning("error could not read the card template %s", qPrintable(path));
        // The previous template must not lay this format's cards out: with none, the next
        // layout says the preview cannot be made.
        m_template = CardTemplate{};
        return false;
    }
    m_template = *read;
    if (!m_jobFolder.isEmpty() && !QDir().mkpath(m_jobFolder))
        qWarning("error could not create the print job folder %s", qPrintable(m_jobFolder));
    return true;
}

void PrintViewGenerator::setSettings(const CardSettings& settings) {
    m_settings = settings;
    // The size and the print order depend on the settings.
    if (!m_template.path.isEmpty() || !m_template.text.isEmpty())
        m_template = CardTemplate::fromText(m_template.path, m_template.text, m_settings.metricUnits,
                                            m_settings.printDescription);
}

bool PrintViewGenerator::isRunning() const {
    return m_layout && m_layout->running;
}

int PrintViewGenerator::cardCount() const {
    return m_layout && m_layout->succeeded ? static_cast<int>(m_layout->cards.size()) : 0;
}

QStringList PrintViewGenerator::cardPages() const {
    return m_layout && m_layout->succeeded ? m_layout->cards : QStringList();
}

int PrintViewGenerator::renderCount() const {
    return m_layout ? m_layout->renders : 0;
}

int PrintViewGenerator::pageLoadCount() const {
    return m_layout ? m_layout->pageLoads : 0;
}

int PrintViewGenerator::roundTripCount() const {
    return m_layout ? m_layout->roundTrips : 0;
}

CardStack PrintViewGenerator::cardStack() const {
    CardStack stack;
    if (!m_layout || !m_layout->succeeded)
        return stack;
    stack.recipeName = m_layout->recipeName;
    stack.pageFiles = m_layout->pageFiles;
    stack.pageWidth = m_template.pageWidth;
    stack.pageHeight = m_template.pageHeight;
    return stack;
}

QString PrintViewGenerator::unableToPrintMessage(const QString& recipeName) {
    return tr("Unable to Print “%1” in This Format").arg(recipeName);
}

QString PrintViewGenerator::unableToPrintInformativeText() {
    return tr("A portion of this recipe is unable to to fit within the height of this print format. Dividing "
              "large paragraphs of text into smaller ones will fix it.");
}

QString PrintViewGenerator::unableToLoadPreviewMessage() {
    return tr("Unable to Load Preview");
}

QString PrintViewGenerator::unableToLoadPreviewInformativeText() {
    return tr("The HTML template doesn't include either 'maxHeight', 'pageWidth', or 'pageHeight'");
}

QString PrintViewGenerator::notConfiguredMessage() {
    return tr("This theme is not configured correctly.");
}

QString PrintViewGenerator::notConfiguredInformativeText() {
    return tr(
        "Themes for this version must contain a comma separated array with the order in which the theme "
        "must be drawn. The current valid keys are:\n\n“description, directions, ingredients, keywords, "
        "metrics, notes, private_notes”\n\nPlace this array in the tag /*printOder:*/.");
}

void PrintViewGenerator::alert(const QString& message, const QString& informative) {
    if (m_alerts)
        m_alerts->ask(message, informative, {tr("OK")});
}

// ---- Starting

bool PrintViewGenerator::layOutAndWait(const ManagedObject* recipe) {
    QEventLoop loop;
    bool ok = false;
    connect(this, &PrintViewGenerator::layoutFinished, &loop, [&](bool finished) {
        ok = finished;
        loop.quit();
    });
    loadPreviewForRecipe(recipe);
    if (isRunning())
        loop.exec();
    return ok;
}

void PrintViewGenerator::loadPreviewForRecipe(const ManagedObject* recipe) {
    // A running layout is abandoned; its engine page is taken over, and with it the page
    // text it holds (a load that did not end holds none).
    std::unique_ptr<HtmlPage> page = m_layout ? std::move(m_layout->page) : nullptr;
    const QString loadedFrame = m_layout ? m_layout->loadedFrame : QString();
    const quint64 generation = m_layout ? m_layout->generation + 1 : 1;
    m_layout = std::make_unique<Layout>();
    Layout& layout = *m_layout;
    layout.generation = generation;
    if (!page) {
        page = std::make_unique<HtmlPage>(HtmlPage::Content::Local);
        connect(page.get(), &HtmlPage::loadFinished, this, [this](bool ok) {
            if (!m_layout || !m_layout->afterLoad)
                return;
            std::function<void(bool)> next = std::move(m_layout->afterLoad);
            m_layout->afterLoad = nullptr;
            next(ok);
        });
    }
    layout.page = std::move(page);
    if (layout.page->isLoading())
        layout.page->stop();

    if (!m_template.text.isEmpty())
        m_template = CardTemplate::fromText(m_template.path, m_template.text, m_settings.metricUnits,
                                            m_settings.printDescription);
    if (!m_template.isUsable()) {
        alert(unableToLoadPreviewMessage(), unableToLoadPreviewInformativeText());
        finish(false);
        return;
    }
    if (!recipe) {
        finish(false);
        return;
    }
    // The page held stays in use while the card's size does: the next recipe's cards, and
    // the next preview, replace its content instead of loading a page of their own.
    const QSize size(m_template.pageWidth, m_template.pageHeight);
    if (layout.page->viewSize() == size)
        layout.loadedFrame = loadedFrame;
    else
        layout.page->setViewSize(size);
    layout.running = true;
    layout.recipe = dynamic_cast<const RecipesManagedObject*>(recipe);
    layout.recipeName = recipeText(recipe, "name");
    buildSections(recipe);
    if (layout.sections.isEmpty()) {
        alert(notConfiguredMessage(), notConfiguredInformativeText());
        finish(false);
        return;
    }
    qsizetype at = -1;
    layout.sectionsInOrder = std::all_of(
        m_template.printOrder.cbegin(), m_template.printOrder.cend(), [this, &at](const QString& key) {
            const qsizetype next =
                m_template.text.indexOf(QLatin1String("<!--") + placeholderName(key) + QLatin1String("-->"));
            const bool below = next > at;
            at = next;
            return below;
        });
    placeOnOneCard();
}

// A rough guess from the text's length and the card's size and font, so that a recipe
// plainly longer than a card does not spend a render on trying it on one: lines of half
// the font size's width per character, 1.2 font sizes high, a title line per section.
bool PrintViewGenerator::mayFitOnOneCard() const {
    double lines = 0;
    for (const CardSection& section : m_layout->sections) {
        if (!section.skipped && !section.items.isEmpty())
            lines += guessedLines(section, 0);
    }
    return mayFitLines(lines);
}

// The guess's lines of the section's items from first on, with its title line.
double PrintViewGenerator::guessedLines(const CardSection& section, int first) const {
    static const QRegularExpression tag(QStringLiteral("<[^>]*>"));
    const double font = qMax(1, m_template.fontSize + m_settings.printSizeOffset);
    const double perLine = qMax(1.0, m_template.pageWidth / (font * 0.5));
    double lines = 1;
    for (qsizetype i = first; i < section.items.size(); ++i)
        lines += std::ceil(qMax<qsizetype>(1, QString(section.items.at(i)).remove(tag).size()) / perLine);
    return lines;
}

// Generous: a guess a little over the card still counts as fitting.
bool PrintViewGenerator::mayFitLines(double lines) const {
    const double font = qMax(1, m_template.fontSize + m_settings.printSizeOffset);
    return lines * font * 1.2 <= m_template.maxHeight * 1.25;
}

// A recipe that fits on one card is laid out in one render: every section filled in as its
// own placement would fill it, the card measured once with the empty sections still shown.
// In plain flow a card holding fewer sections, or hiding one more, is no higher, so
// each placement would have found its section fitting whole; otherwise, and when the card
// is too full, the sections are placed one by one. A section a placement rule hides must be
// shown again by its own placement later, or the card measured would lack it.
void PrintViewGenerator::placeOnOneCard() {
    Layout& layout = *m_layout;
    const auto placedAfter = [&layout](const QString& key, const QString& after) {
        const auto position = [&layout](const QString& wanted) {
            return std::find_if(layout.sections.cbegin(), layout.sections.cend(),
                                [&wanted](const CardSection& section) { return section.key == wanted; });
        };
        const auto shown = position(key);
        return shown != layout.sections.cend() && !shown->skipped && shown > position(after);
    };
    const bool rulesShowAgain =
        std::all_of(m_template.printRulesArray.cbegin(), m_template.printRulesArray.cend(),
                    [&placedAfter](const auto& rule) { return placedAfter(rule.first, rule.second); });
    if (m_method == LayoutMethod::OneRenderPerItem || !layout.sectionsInOrder || !rulesShowAgain ||
        !mayFitOnOneCard()) {
        currentRecipeCard();
        startSection();
        return;
    }
    QString& page = currentRecipeCard();
    QString measuring = page;
    for (layout.sectionIndex = 0; layout.sectionIndex < layout.sections.size(); ++layout.sectionIndex) {
        const CardSection& section = layout.sections.at(layout.sectionIndex);
        if (section.skipped)
            continue;
        page = showSection(section.key, hideSectionsBelowSection(section.key, page));
        measuring = showSection(section.key, hideSectionsBelowSection(section.key, measuring));
        if (section.items.isEmpty()) {
            page = hideEmptySection(section.key, page);
        } else {
            page = filledSection(page, 0, static_cast<int>(section.items.size()), false);
            measuring = filledSection(measuring, 0, static_cast<int>(section.items.size()), false);
        }
    }
    const quint64 generation = layout.generation;
    render(measuring, QString::fromLatin1(kPlainFlowFunction) + QString::fromLatin1(kWholeCardScript),
           [this, generation](const QVariant& value) {
               if (!m_layout || m_layout->generation != generation)
                   return;
               Layout& measured = *m_layout;
               const int height = value.isValid() ? value.toInt() : -1;
               if (height >= 0 && height < m_template.maxHeight) {
                   for (const CardSection& section : std::as_const(measured.sections)) {
                       if (!section.skipped)
                           measured.lastCard.insert(section.key, 1);
                   }
                   finalize();
                   return;
               }
               measured.sectionIndex = 0;
               measured.cards = {newCardPage(1)};
               startSection();
           });
}

void PrintViewGenerator::buildSections(const ManagedObject* recipe) {
    Layout& layout = *m_layout;
    const CardSettings& settings = m_settings;
    if (settings.printMainImage && layout.recipe && layout.recipe->hasImageAtIndex(1))
        layout.picture = RecipeDisplayController::imageElement(layout.recipe, 1);
    layout.rating = RecipeDisplayController::ratingStars(
        structuredIntegerValue(recipe->valueForKey(QStringLiteral("rating"))));

    for (const QString& key : m_template.printOrder) {
        CardSection section;
        section.key = key;
        if (key == QLatin1String("ingredients")) {
            section.fractions = true;
            for (const QVariant& ingredient : IngredientRecords::ingredientsOfRecipe(recipe))
                section.items.append(RecipeDisplayController::ingredientLine(
                    ingredient, settings.capitalizeRecipeAndIngredientTitles));
        } else if (key == QLatin1String("metrics")) {
            section.skipped = !settings.printAdditionalMetrics;
            const QVariant difficulty = recipe->valueForKey(QStringLiteral("difficulty"));
            const long long level = difficulty.isNull() ? 0 : structuredIntegerValue(difficulty);
            if (level >= 1) {
                const QString name = RecipeDisplayController::difficultyName(level);
                // A level past "Hard" writes nothing but is still an item.
                section.items.append(name.isEmpty()
                                         ? QString()
                                         : RecipeDisplayController::metricLine(tr("Difficulty:"), name));
            }
            const struct {
                const char* key;
                const char* label;
            } lines[] = {
                {"yield", QT_TR_NOOP("Yield:")},
                {"cuisine", QT_TR_NOOP("Cuisine:")},
                {"prepTime", QT_TR_NOOP("Prep Time:")},
                {"cookingTime", QT_TR_NOOP("Cooking Time:")},
                {"inactivePrepTime", QT_TR_NOOP("Inactive Prep Time:")},
                {"attribution", QT_TR_NOOP("Attribution:")},
            };
            for (const auto& line : lines) {
                const QString value = recipeText(recipe, line.key);
                if (!value.isEmpty())
                    section.items.append(RecipeDisplayController::metricLine(
                        tr(line.label), HtmlFragmentSanitizer::escapeText(value)));
            }
        } else if (key == QLatin1String("keywords")) {
            const QString keywords = recipeText(recipe, "keywords");
            if (!keywords.isEmpty())
                section.items.append(HtmlFragmentSanitizer::escapeText(keywords));
        } else {
            section.paragraphs = true;
            section.fractions = true;
            QString value;
            if (key == QLatin1String("directions")) {
                value = recipeText(recipe, "directions");
                value = value.isEmpty() ? QString() : RecipeDisplayController::directionsHtml(value);
            } else {
                const char* field = key == QLatin1String("description") ? "recipeDescription"
                                    : key == QLatin1String("notes")     ? "notes"
                                                                        : "privateNotes";
                value = recipeText(recipe, field);
                value = value.isEmpty() ? QString() : RecipeDisplayController::plainParagraphs(value);
                section.skipped = (key == QLatin1String("notes") && !settings.printNotes) ||
                                  (key == QLatin1String("private_notes") && !settings.printPrivateNotes);
            }
            if (!value.isEmpty() && key == QLatin1String("directions")) {
                for (const auto& [item, block] : splitBlocks(paragraphItems(value))) {
                    section.items.append(item);
                    section.block.append(block);
                }
            } else if (!value.isEmpty()) {
                section.items = paragraphItems(value);
            }
        }
        for (const QString& item : section.items)
            section.selfContained.append(isSelfContained(item));
        while (section.block.size() < section.items.size())
            section.block.append(false);
        layout.sections.append(section);
    }
}

// ---- Cards

QString PrintViewGenerator::newCardPage(int number) const {
    const Layout& layout = *m_layout;
    QString page = m_template.text;
    page.replace(QLatin1String("<!--base_Path-->"), m_template.basePath);
    if (!layout.recipeName.isEmpty())
        page.replace(QLatin1String("<!--recipe_title-->"),
                     HtmlFragmentSanitizer::escapeText(layout.recipeName));
    else
        page.replace(QLatin1String("/*title_hide*/"), kHidden);
    if (number == 1 && !layout.picture.isEmpty())
        page.replace(QLatin1String("<!--recipe_picture-->"), layout.picture);
    else
        page.replace(QLatin1String("/*picture_hide*/"), kHidden);
    if (number == 1 && !layout.rating.isEmpty())
        page.replace(QLatin1String("<!--recipe_rating-->"), layout.rating);
    else
        page.replace(QLatin1String("/*rating_hide*/"), kHidden);
    page.replace(QLatin1String("<!--page_counter-->"),
                 QString::number(number) + QLatin1String("/<!--page_count-->"));
    page.replace(QLatin1String("<!--fontSize-->"),
                 QString::number(m_template.fontSize + m_settings.printSizeOffset));
    return page;
}

QString& PrintViewGenerator::currentRecipeCard() {
    Layout& layout = *m_layout;
    while (layout.cards.size() < layout.card)
        layout.cards.append(newCardPage(static_cast<int>(layout.cards.size()) + 1));
    return layout.cards[layout.card - 1];
}

int PrintViewGenerator::cardToBuildFromRulesForSection(const QString& key) const {
    int start = 1;
    for (const auto& [section, after] : m_template.printRulesArray) {
        if (section == key)
            start = qMax(start, m_layout->lastCard.value(after, 0));
    }
    return start;
}

QString PrintViewGenerator::hideSectionsBelowSection(const QString& key, QString page) const {
    for (const auto& [section, after] : m_template.printRulesArray) {
        if (after == key)
            page.replace(QLatin1String("/*") + section + QLatin1String("_hide*/"), kHidden);
    }
    return page;
}

QString PrintViewGenerator::hideEmptySection(const QString& key, QString page) {
    const QString hideMarker = key == QLatin1String("ingredients")
                                   ? QStringLiteral("/*ingredients_hide*/")
                                   : QLatin1String("/*") + placeholderName(key) + QLatin1String("_hide*/");
    page.replace(hideMarker, kHidden);
    return page;
}

QString PrintViewGenerator::showSection(const QString& key, QString page) {
    page.replace(QLatin1String("div#recipe_") + key + QLatin1String(" {display: none;}"),
                 QLatin1String("div#recipe_") + key + QLatin1String(" {/*") + key +
                     QLatin1String("_hide*/}"));
    return page;
}

// The section's items from first on, count of them, in the card's page.
QString PrintViewGenerator::filledSection(const QString& page, int first, int count, bool markers,
                                          int sectionIndex) const {
    const Layout& layout = *m_layout;
    const CardSection& section = layout.sections.at(sectionIndex < 0 ? layout.sectionIndex : sectionIndex);
    QString text;
    if (markers)
        text += kItemMarker.arg(QStringLiteral("start"));
    for (int i = 0; i < count; ++i) {
        if (i > 0 && section.paragraphs && !section.block.at(first + i - 1) && !section.block.at(first + i))
            text += QLatin1String("<br>");
        QString item = section.items.at(first + i);
        if (section.fractions && m_settings.displaySingleCharacterFractions)
            item = RecipeDisplayController::withSingleCharacterFractions(std::move(item));
        if (section.paragraphs)
            item = RecipeDisplayController::withImageReferences(std::move(item), layout.recipe,
                                                                m_settings.printAdditionalImages);
        text += item;
        if (markers)
            text += kItemMarker.arg(i);
    }
    if (markers)
        text += kItemMarker.arg(QStringLiteral("end"));

    QString filled = page;
    const QString name = placeholderName(section.key);
    const QString title = QLatin1String("<!--") + name + QLatin1String("_title-->");
    if (section.key == QLatin1String("metrics")) {
        const bool shown = std::any_of(section.items.begin() + first, section.items.begin() + first + count,
                                       [](const QString& item) { return !item.isEmpty(); });
        if (shown)
            filled.replace(title, labelFor(section.key));
        else
            filled.replace(QLatin1String("/*extrainfo_hide*/"), kHidden);
    } else {
        filled.replace(title, labelFor(section.key));
    }
    filled.replace(QLatin1String("<!--") + name + QLatin1String("-->"), text);
    if (section.key == QLatin1String("description") && first + count == section.items.size())
        filled.remove(QLatin1String("div#recipe_description {display: none;}"));
    return filled;
}

// ---- Placing the sections

void PrintViewGenerator::startSection() {
    Layout& layout = *m_layout;
    while (layout.sectionIndex < layout.sections.size() && layout.sections.at(layout.sectionIndex).skipped)
        ++layout.sectionIndex;
    if (layout.sectionIndex >= layout.sections.size()) {
        finalize();
        return;
    }
    const CardSection& section = layout.sections.at(layout.sectionIndex);
    layout.card = cardToBuildFromRulesForSection(section.key);
    layout.pending = 0;
    layout.boxItem = -1;
    if (section.items.isEmpty()) {
        // Nothing to show: the section is hidden on its first card.
        QString& page = currentRecipeCard();
        page = hideEmptySection(section.key,
                                showSection(section.key, hideSectionsBelowSection(section.key, page)));
        layout.lastCard.insert(section.key, layout.card);
        ++layout.sectionIndex;
        startSection();
        return;
    }
    placeOnCard();
}

void PrintViewGenerator::placeOnCard() {
    Layout& layout = *m_layout;
    const CardSection& section = layout.sections.at(layout.sectionIndex);
    const int remaining = static_cast<int>(section.items.size()) - layout.pending;
    if (m_method == LayoutMethod::OneRenderPerItem) {
        layout.base = showSection(section.key, hideSectionsBelowSection(section.key, currentRecipeCard()));
        tryCount(1, remaining);
        return;
    }
    if (cannotStartOnCard(layout.card)) {
        placed(0);
        return;
    }
    // Before its box is known, the section is measured on the last card that has content
    // where it ends, the card it goes to when the earlier ones prove too full for it.
    const int tried = layout.card;
    if (layout.boxItem != layout.pending) {
        while (layout.card < layout.cards.size() && layout.contentBottom.value(layout.card - 1, -1) >= 0)
            ++layout.card;
    }
    layout.base = showSection(section.key, hideSectionsBelowSection(section.key, currentRecipeCard()));
    // Every remaining item in one render; the script finds how many fit.
    const quint64 generation = layout.generation;
    const QString page = filledSection(layout.base, layout.pending, remaining, true);
    const QString script = fitScript(layout.sectionIndex, remaining);
    measureFit(page, script, remaining, [this, generation, remaining, tried](const QVariant& value) {
        if (!m_layout || m_layout->generation != generation)
            return;
        Layout& measured = *m_layout;
        const QVariantList result = value.toList();
        // Items that close what they open measure cut out as they would alone.
        const QList<bool>& contained = measured.sections.at(measured.sectionIndex).selfContained;
        const auto first = contained.cbegin() + measured.pending;
        measured.box = result.size() == 5 && *first ? result.at(4).toInt() : -1;
        measured.boxItem = measured.pending;
        if (measured.card > tried) {
            // Measured ahead: the first earlier card not proven full is tried.
            int open = tried;
            while (open < measured.card && cannotStartOnCard(open))
                ++open;
            if (open < measured.card) {
                measured.card = open;
                placeOnCard();
                return;
            }
        }
        if (result.size() != 5) {
            tryCount(1, remaining); // the page does not hold the markers: item by item
            return;
        }
        const int count = result.at(0).toInt();
        if (count >= remaining) {
            // Measured as laid out: nothing to confirm.
            placed(remaining, result.at(3).toInt());
            return;
        }
        if (std::all_of(first, first + count + 1, [](bool whole) { return whole; })) {
            placed(count, result.at(3).toInt());
            return;
        }
        confirmCount(count, count > 0 ? result.at(1).toInt() : result.at(2).toInt(), remaining);
    });
}

// The fitting script of the section's count remaining items; with the plain-flow function
// it uses unless told otherwise.
QString PrintViewGenerator::fitScript(int sectionIndex, int count, bool withFunction) const {
    const QString fit = QString::fromLatin1(kFitScript)
                            .arg(m_template.maxHeight)
                            .arg(count)
                            .arg(m_layout->sections.at(sectionIndex).key);
    return withFunction ? QString::fromLatin1(kPlainFlowFunction) + fit : fit;
}

// The fitting render of page (the section's remaining items, count of them) with script.
// When the section may end on this card, the first renders of the sections after it on the
// same card are measured in the same call, as far as each one ends there too: the page text
// each would be given if the one before it ended here, and its script. Their results are
// taken only by a render that asks for that very page text and script (see takeMeasured),
// so a guess that does not come true costs a little of the engine's time and changes nothing.
void PrintViewGenerator::measureFit(const QString& page, const QString& script, int count, Measured done) {
    Layout& layout = *m_layout;
    if (takeMeasured(page, script, done))
        return;
    // Items plainly more than a card holds do not end on it: nothing is measured ahead.
    const CardSection& placing = layout.sections.at(layout.sectionIndex);
    const std::optional<PageParts> parts =
        mayFitLines(guessedLines(placing, layout.pending)) ? pageParts(page) : std::nullopt;
    QList<Layout::Measurement> chain;
    QString steps;
    QString ended = filledSection(layout.base, layout.pending, count, false);
    int placed = count;
    for (int next = layout.sectionIndex + 1; parts && next < layout.sections.size() && chain.size() < 3;
         ++next) {
        const CardSection& section = layout.sections.at(next);
        if (section.skipped)
            continue;
        // An empty section is hidden on its first card without a render; the guess stops.
        if (section.items.isEmpty())
            break;
        const int total = static_cast<int>(section.items.size());
        const QString base = showSection(section.key, hideSectionsBelowSection(section.key, ended));
        const QString nextPage = filledSection(base, 0, total, true, next);
        const std::optional<PageParts> nextParts = pageParts(nextPage);
        if (!nextParts || nextParts->frame != parts->frame)
            break;
        steps +=
            QString::fromLatin1(kChainedStep)
                .arg(QString::number(placed), replaceArguments(*nextParts), fitScript(next, total, false));
        chain.append({nextPage, fitScript(next, total), QVariant()});
        ended = filledSection(base, 0, total, false, next);
        placed = total;
    }
    if (chain.isEmpty()) {
        render(page, script, std::move(done));
        return;
    }
    const QString measuring = QString::fromLatin1(kPlainFlowFunction) +
                              QString::fromLatin1(kReplaceFunction) + QString::fromLatin1(kChainStart) +
                              fitScript(layout.sectionIndex, count, false) +
                              QString::fromLatin1(kChainFirst) + steps + QString::fromLatin1(kChainEnd);
    const quint64 generation = layout.generation;
    render(page, measuring, [this, generation, chain, done = std::move(done)](const QVariant& value) mutable {
        if (!m_layout || m_layout->generation != generation)
            return;
        const QVariantList results = value.toList();
        for (qsizetype i = 0; i < chain.size() && i + 1 < results.size(); ++i) {
            chain[i].result = results.at(i + 1);
            m_layout->ahead.append(chain.at(i));
        }
        done(results.value(0));
    });
}

// A render of page with script that an earlier call measured ahead: its result, at the next
// turn of the event loop, without asking the engine again.
bool PrintViewGenerator::takeMeasured(const QString& page, const QString& script, const Measured& done) {
    Layout& layout = *m_layout;
    for (qsizetype i = 0; i < layout.ahead.size(); ++i) {
        if (layout.ahead.at(i).page != page || layout.ahead.at(i).script != script)
            continue;
        const QVariant result = layout.ahead.at(i).result;
        layout.ahead.remove(0, i + 1);
        ++layout.renders;
        const quint64 generation = layout.generation;
        QMetaObject::invokeMethod(
            this,
            [this, generation, result, done] {
                if (m_layout && m_layout->generation == generation)
                    done(result);
            },
            Qt::QueuedConnection);
        return true;
    }
    return false;
}

// The script measured the items cut out of a longer page; a page holding only them can lay
// out differently when an item opens an element a later one closes. One real render of the
// chosen count decides whether the script's heights hold.
void PrintViewGenerator::confirmCount(int count, int expectedHeight, int remaining) {
    const int probe = count > 0 ? count : 1;
    measureCount(probe, [this, count, probe, expectedHeight, remaining](int height) {
        if (height == expectedHeight) {
            placed(count);
            return;
        }
        // They differ: from the measured count on, item by item.
        if (height < m_template.maxHeight) {
            if (probe >= remaining)
                placed(remaining);
            else
                tryCount(probe + 1, remaining);
        } else {
            tryCountDown(probe - 1, remaining);
        }
    });
}

void PrintViewGenerator::measureCount(int count, std::function<void(int)> done) {
    Layout& layout = *m_layout;
    const quint64 generation = layout.generation;
    render(filledSection(layout.base, layout.pending, count, false), HtmlPage::measuredHeightScript(),
           [this, generation, done](const QVariant& height) {
               if (m_layout && m_layout->generation == generation)
                   done(height.toInt());
           });
}

// Adds one item at a time until the card overflows.
void PrintViewGenerator::tryCount(int count, int remaining) {
    measureCount(count, [this, count, remaining](int height) {
        if (height >= m_template.maxHeight)
            placed(count - 1);
        else if (count >= remaining)
            placed(remaining);
        else
            tryCount(count + 1, remaining);
    });
}

// Takes one item back at a time until the rest fits.
void PrintViewGenerator::tryCountDown(int count, int remaining) {
    if (count <= 0) {
        placed(0);
        return;
    }
    measureCount(count, [this, count, remaining](int height) {
        if (height < m_template.maxHeight)
            placed(count);
        else
            tryCountDown(count - 1, remaining);
    });
}

// True when card is known to be too full for even the section's title and next item: below
// the card's content their box reaches the limit. The box and the bottom are rounded down,
// and a pixel more keeps the container's rounding on the side of rendering.
bool PrintViewGenerator::cannotStartOnCard(int card) const {
    const Layout& layout = *m_layout;
    const int bottom = layout.contentBottom.value(card - 1, -1);
    return layout.sectionsInOrder && bottom >= 0 && layout.box >= 0 && layout.boxItem == layout.pending &&
           bottom + layout.box >= m_template.maxHeight + 1;
}

// count items go on the card; bottom: where the card's content then ends (-1 when not known).
void PrintViewGenerator::placed(int count, int bottom) {
    Layout& layout = *m_layout;
    const CardSection& section = layout.sections.at(layout.sectionIndex);
    if (count > 0) {
        currentRecipeCard() = filledSection(layout.base, layout.pending, count, false);
        layout.contentBottom.resize(qMax(layout.contentBottom.size(), qsizetype{layout.card}), -1);
        layout.contentBottom[layout.card - 1] = bottom;
        layout.pending += count;
    }
    if (layout.pending >= section.items.size()) {
        layout.lastCard.insert(section.key, layout.card);
        ++layout.sectionIndex;
        startSection();
        return;
    }
    if (layout.card >= kCardLimit) {
        alert(unableToPrintMessage(layout.recipeName), unableToPrintInformativeText());
        finish(false);
        return;
    }
    // The section goes on with its next item on the next card.
    ++layout.card;
    placeOnCard();
}

// ---- Rendering

void PrintViewGenerator::render(const QString& page, const QString& measuring, Measured done) {
    Layout& layout = *m_layout;
    ++layout.renders;
    // What was measured ahead was measured on the way that this render leaves.
    layout.ahead.clear();
    std::optional<PageParts> parts;
    // The reference method loads every page; the measured one replaces the loaded page's
    // content when only the style texts and the body differ, which saves the engine's
    // page-load latency, and measures it in the same script call.
    if (m_method == LayoutMethod::Measured)
        parts = pageParts(page);
    if (!parts || layout.loadedFrame.isEmpty() || parts->frame != layout.loadedFrame) {
        load(page, parts ? parts->frame : QString(), measuring, std::move(done));
        return;
    }
    const QString script = QString::fromLatin1(kReplaceFunction) +
                           QString::fromLatin1(kReplaceScript).arg(replaceArguments(*parts), measuring);
    // Pictures get as long to load as a real load of the page would.
    ++layout.roundTrips;
    layout.page->evaluateInApplicationWorld(script,
                                            replacedCallback(page, parts->frame, measuring, std::move(done),
                                                             QDeadlineTimer(layout.page->loadTimeout())));
}

// What follows a replacing script's result: the measurement when the page was laid out, a
// check of its pictures while one is loading, a real load when it could not be replaced.
std::function<void(const QVariant&)>
PrintViewGenerator::replacedCallback(const QString& page, const QString& frame, const QString& measuring,
                                     Measured done, QDeadlineTimer pictures) {
    const quint64 generation = m_layout->generation;
    return
        [this, generation, page, frame, measuring, done = std::move(done), pictures](const QVariant& result) {
            if (!m_layout || m_layout->generation != generation)
                return;
            const QString text = result.typeId() == QMetaType::QString ? result.toString() : QString();
            if (!text.startsWith(QLatin1String(kNotReplaced))) {
                done(result);
            } else if (text.endsWith(u'2') && !pictures.hasExpired()) {
                ++m_layout->roundTrips;
                m_layout->page->evaluateInApplicationWorld(
                    QString::fromLatin1(kPicturesScript).arg(measuring),
                    replacedCallback(page, frame, measuring, done, pictures));
            } else {
                load(page, frame, measuring, done);
            }
        };
}

// A real page load of page, measured once it has loaded; frame: its PageParts frame, empty
// when later renders must load too.
void PrintViewGenerator::load(const QString& page, const QString& frame, const QString& measuring,
                              Measured done) {
    Layout& layout = *m_layout;
    const QString path = QDir(m_jobFolder).filePath(QStringLiteral("measure.html"));
    ++layout.pageLoads;
    ++layout.roundTrips;
    layout.loadedFrame.clear();
    if (!writeScratchFile(path, page)) {
        // Without a file the page cannot be measured; the layout ends.
        finish(false);
        return;
    }
    // A page that did not load measures nothing; the layout ends rather than take every
    // item for fitting.
    const quint64 generation = layout.generation;
    layout.afterLoad = [this, generation, frame, measuring, done = std::move(done)](bool ok) {
        if (!ok) {
            qWarning("error the card page could not be loaded for measuring");
            finish(false);
            return;
        }
        m_layout->loadedFrame = frame;
        ++m_layout->roundTrips;
        m_layout->page->evaluateInApplicationWorld(measuring,
                                                   [this, generation, done](const QVariant& value) {
                                                       if (m_layout && m_layout->generation == generation)
                                                           done(value);
                                                   });
    };
    layout.page->loadFileURL(path);
}

// ---- Finishing

void PrintViewGenerator::finalize() {
    Layout& layout = *m_layout;
    const int total = static_cast<int>(layout.cards.size());
    bool written = true;
    for (int n = 1; n <= total; ++n) {
        QString& page = layout.cards[n - 1];
        if (total == 1)
            page.remove(QLatin1String("1/<!--page_count-->"));
        else
            page.replace(QLatin1String("<!--page_count-->"), QString::number(total));
        page.replace(QLatin1String("<!--minHeight-->"),
                     QString::number(m_template.pageHeight - m_template.minHeightOffsetValue));
        const QString path = QDir(m_jobFolder).filePath(QStringLiteral("page%1.html").arg(n));
        written = writeScratchFile(path, page) && written;
        layout.pageFiles.append(path);
    }
    QFile::remove(QDir(m_jobFolder).filePath(QStringLiteral("measure.html")));
    if (!written) {
        finish(false);
        return;
    }
    // The cards are in their files, which is where the print window's preview and the print
    // view load them from. The layout ends at the next turn of the event loop, as it does
    // when it measures, so a caller always hears of it after loadPreviewForRecipe returned.
    const quint64 generation = layout.generation;
    QMetaObject::invokeMethod(
        this,
        [this, generation] {
            if (m_layout && m_layout->generation == generation && m_layout->running)
                finish(true);
        },
        Qt::QueuedConnection);
}

void PrintViewGenerator::finish(bool ok) {
    Layout& layout = *m_layout;
    layout.running = false;
    layout.succeeded = ok;
    layout.afterLoad = nullptr;
    emit layoutFinished(ok);
}
