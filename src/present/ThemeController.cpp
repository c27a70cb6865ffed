#include "ThemeController.h"

#include "ThemeTextSizePort.h"
#include "library/AppController.h"
#include "platform/DataModel.h"
#include "platform/UserDefaults.h"

#include <QDir>
#include <QFileInfo>
#include <QPointer>

#include <algorithm>

namespace {

const QString kSelectedTheme = QStringLiteral("selectedTheme");

QList<ThemeController*>& registry() {
    static QList<ThemeController*> controllers;
    return controllers;
}

bool isSkippedName(const QString& name) {
    return name == QLatin1String("!StaticPages") || name == QLatin1String(".DS_Store") ||
           name == QLatin1String("ReadMe.rtf");
}

// Every entry of a root, hidden ones included, in a fixed order; none for a missing root.
QStringList entriesOf(const QString& root) {
    if (root.isEmpty())
        return {};
    return QDir(root).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                QDir::Name);
}

} // namespace

ThemeController::ThemeController(QObject* parent)
    : ThemeController(defaultResourcesRoot(), defaultDevelopmentRoot(), parent) {}

ThemeController::ThemeController(QString resourcesRoot, QString developmentRoot, QObject* parent)
    : QObject(parent), m_resourcesRoot(std::move(resourcesRoot)),
      m_developmentRoot(std::move(developmentRoot)) {
    registry().append(this);
}

ThemeController::~ThemeController() {
    registry().removeAll(this);
}

QString ThemeController::defaultResourcesRoot() {
    return resourcesPath() + QStringLiteral("/Themes");
}

QString ThemeController::defaultDevelopmentRoot() {
    return AppController::applicationSupportFolder() + QStringLiteral("/Theme Development");
}

QList<ThemeRow> ThemeController::themeList(const QString& resourcesRoot, const QString& developmentRoot) {
    QList<ThemeRow> rows;
    for (const QString& name : entriesOf(resourcesRoot))
        rows.append({name, ThemeRow::Root::Resources, {}});
    for (const QString& name : entriesOf(developmentRoot))
        rows.append({name, ThemeRow::Root::Development, {}});
    // A stable sort keeps the resources entry of a doubled name first.
    std::stable_sort(rows.begin(), rows.end(), [](const ThemeRow& a, const ThemeRow& b) {
        return a.name.compare(b.name, Qt::CaseInsensitive) < 0;
    });
    rows.erase(
        std::remove_if(rows.begin(), rows.end(), [](const ThemeRow& row) { return isSkippedName(row.name); }),
        rows.end());
    for (ThemeRow& row : rows) {
        const QString resourcesEntry = resourcesRoot + QLatin1Char('/') + row.name;
        const QString folder = QFileInfo::exists(resourcesEntry)
                                   ? resourcesEntry
                                   : developmentRoot + QLatin1Char('/') + row.name;
        const QString thumbnail = folder + QStringLiteral("/thumb.png");
        if (QFileInfo(thumbnail).isFile())
            row.thumbnailPath = thumbnail;
    }
    return rows;
}

void ThemeController::setupThemeSelector() {
    m_rows = themeList(m_resourcesRoot, m_developmentRoot);
    const QString selected = selectedTheme();
    m_rowToSelect = -1;
    for (int i = 0; i < m_rows.size(); ++i) {
        if (m_rows.at(i).name == selected)
            m_rowToSelect = i;
    }
}

void ThemeController::chooseTheme(int row) {
    if (row < 0 || row >= m_rows.size())
        return;
    const QString name = m_rows.at(row).name;
    UserDefaults::setObjectForKey(name, kSelectedTheme);
    emit themeChosen(name);
}

QString ThemeController::selectedTheme() {
    if (!UserDefaults::hasKey(kSelectedTheme))
        return QStringLiteral("Sky");
    return UserDefaults::stringForKey(kSelectedTheme);
}

ThemeSelectorGeometry ThemeController::selectorGeometry(int containerWidth, bool containerInMainWindow) {
    if (containerInMainWindow && containerWidth < 900)
        return {900 - containerWidth, 700};
    return {0, std::max(0, containerWidth - kSelectorWidth)};
}

bool ThemeController::takeIntroductionTurn() {
    const QString shown = QStringLiteral("hasShownThemeSelector");
    if (UserDefaults::hasKey(QStringLiteral("hasLaunchedBefore")) || UserDefaults::boolForKey(shown))
        return false;
    UserDefaults::setObjectForKey(true, shown);
    UserDefaults::synchronize();
    return true;
}

void ThemeController::removeThemeIntroductionWindow() {
    if (!m_introductionOpen)
        return;
    m_introductionOpen = false;
    emit introductionCloseRequested();
    toogleThemeSelectors();
}

void ThemeController::enlargeText() {
    if (m_textSize)
        m_textSize->makeTextLarger();
}

void ThemeController::shrinkText() {
    if (m_textSize)
        m_textSize->makeTextSmaller();
}

void ThemeController::toogleThemeSelectorView() {
    emit selectorToggleRequested();
}

const QList<ThemeController*>& ThemeController::themeControllers() {
    return registry();
}

namespace {

// Runs a command on every registered controller; one that a receiver destroys on the way
// is skipped.
template <typename Command> void forEachController(Command command) {
    QList<QPointer<ThemeController>> controllers;
    for (ThemeController* controller : registry())
        controllers.append(controller);
    for (const QPointer<ThemeController>& controller : controllers) {
        if (controller)
            command(controller.data());
    }
}

} // namespace

void ThemeController::toogleThemeSelectors() {
    forEachController([](ThemeController* controller) { controller->toogleThemeSelectorView(); });
}

void ThemeController::enlargeRecipeWebViewsText() {
    forEachController([](ThemeController* controller) { controller->enlargeText(); });
}

void ThemeController::shrinkRecipeWebViewsText() {
    forEachController([](ThemeController* controller) { controller->shrinkText(); });
}
