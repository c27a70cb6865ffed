#include "PreferencesWindow.h"

#include "library/PreferencesController.h"
#include "measure/ui/MeasurementMatchesTableView.h"
#include "measure/ui/SmartMeasurementsTableView.h"
#include "platform/UserDefaults.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

PreferencesWindow::PreferencesWindow(PreferencesController* controller, QWidget* parent)
    : QDialog(parent), m_controller(controller) {
    setObjectName(QStringLiteral("PreferencesWindow"));
    setWindowTitle(tr("Preferences"));
    setModal(false);
    setSizeGripEnabled(false);

    // The general page is the whole window until a second page is added; the tab bar shows
    // only from then on.
    auto* windowLayout = new QVBoxLayout(this);
    windowLayout->setContentsMargins(0, 0, 0, 0);
    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("preferencesTabs"));
    m_tabs->setDocumentMode(true);
    m_tabs->setTabBarAutoHide(true);
    windowLayout->addWidget(m_tabs);
    auto* general = new QWidget(m_tabs);
    general->setObjectName(QStringLiteral("generalPreferencesPage"));
    m_tabs->addTab(general, tr("General"));

    auto* layout = new QVBoxLayout(general);
    layout->setContentsMargins(22, 18, 22, 20);
    layout->setSpacing(14);

    auto* email = new QGroupBox(tr("E-mail"), this);
    auto* emailLayout = new QVBoxLayout(email);
    emailLayout->setSpacing(6);
    emailLayout->addWidget(new QLabel(tr("Send recipes and grocery lists as:"), email));
    m_emailFormat = new QButtonGroup(this);
    auto* richText = new QRadioButton(tr("Rich Text (HTML)"), email);
    richText->setObjectName(QStringLiteral("emailFormatRichText"));
    auto* plainText = new QRadioButton(tr("Plain Text"), email);
    plainText->setObjectName(QStringLiteral("emailFormatPlainText"));
    m_emailFormat->addButton(richText, 0);
    m_emailFormat->addButton(plainText, 1);
    emailLayout->addWidget(richText);
    emailLayout->addWidget(plainText);
    layout->addWidget(email);
    connect(m_emailFormat, &QButtonGroup::idToggled, this, [this](int row, bool checked) {
        if (checked && !m_loading && m_controller)
            m_controller->setEmailPreference(row);
    });

    auto* sidebar = new QGroupBox(tr("Sidebar"), this);
    auto* sidebarLayout = new QVBoxLayout(sidebar);
    sidebarLayout->setSpacing(6);
    sidebarLayout->addWidget(addCheckBox(tr("Use large sidebar icons"),
                                         QStringLiteral("useLargeSidebarIcons"),
                                         &PreferencesController::refreshSidebar));
    sidebarLayout->addWidget(addCheckBox(tr("Show counter of recipes marked as new"),
                                         QStringLiteral("showMarkedAsNewCounter"),
                                         &PreferencesController::refreshSidebar));
    sidebarLayout->addWidget(addCheckBox(tr("Collect grocery lists under one heading"),
                                         QStringLiteral("collectGroceryLists"),
                                         &PreferencesController::refreshGroceryListCollection));
    sidebarLayout->addWidget(addCheckBox(tr("Collect subscribed platefeeds under one heading"),
                                         QStringLiteral("collectSubscribedPlatefeeds"),
                                         &PreferencesController::refreshPlatefeedCollection));
    layout->addWidget(sidebar);

    auto* recipes = new QGroupBox(tr("Recipes"), this);
    auto* recipesLayout = new QVBoxLayout(recipes);
    recipesLayout->setSpacing(6);
    recipesLayout->addWidget(addCheckBox(tr("Show fractions as single characters"),
                                         QStringLiteral("displaySingleCharacterFractions"), nullptr));
    recipesLayout->addWidget(addCheckBox(tr("Capitalize recipe and ingredient titles"),
                                         QStringLiteral("capitalizeRecipeAndIngredientTitles"), nullptr));
    recipesLayout->addWidget(addCheckBox(tr("Add recipe data to auto-fill lists"),
                                         QStringLiteral("addRecipeDataToAutofillValues"), nullptr));
    layout->addWidget(recipes);
    layout->addStretch(1);

    // On the page, not the window: the window's layout then grows it for every page.
    general->setMinimumWidth(420);
    loadValues();
    adjustSize();
}

QCheckBox* PreferencesWindow::addCheckBox(const QString& title, const QString& key,
                                          void (PreferencesController::*refresh)()) {
    auto* checkBox = new QCheckBox(title, this);
    checkBox->setObjectName(key);
    m_bindings.append({key, checkBox});
    connect(checkBox, &QCheckBox::toggled, this, [this, key, refresh](bool checked) {
        if (m_loading)
            return;
        UserDefaults::setObjectForKey(checked, key);
        if (refresh && m_controller)
            (m_controller->*refresh)();
    });
    return checkBox;
}

void PreferencesWindow::loadValues() {
    m_loading = true;
    const int row = m_controller ? m_controller->emailPreferenceRow() : 0;
    if (QAbstractButton* button = m_emailFormat->button(row == 0 ? 0 : 1))
        button->setChecked(true);
    for (const Binding& binding : std::as_const(m_bindings))
        binding.checkBox->setChecked(UserDefaults::boolForKey(binding.key));
    m_loading = false;
}

void PreferencesWindow::openPreferences() {
    loadValues();
    if (m_smartMeasurementsTable)
        m_smartMeasurementsTable->reloadData();
    // Centred each time it opens; while it is open it stays where the user put it.
    if (!isVisible()) {
        adjustSize();
        if (QScreen* screen = this->screen()) {
            QRect frame(QPoint(), size());
            frame.moveCenter(screen->availableGeometry().center());
            move(frame.topLeft());
        }
    }
    show();
    raise();
    activateWindow();
}

int PreferencesWindow::emailFormatRow() const {
    return m_emailFormat->checkedId() < 0 ? 0 : m_emailFormat->checkedId();
}

void PreferencesWindow::setEmailFormatRow(int row) {
    if (QAbstractButton* button = m_emailFormat->button(row))
        button->click();
}

QCheckBox* PreferencesWindow::checkBoxForKey(const QString& key) const {
    for (const Binding& binding : m_bindings)
        if (binding.key == key)
            return binding.checkBox;
    return nullptr;
}

void PreferencesWindow::setSmartMeasurementsController(SmartMeasurementsController* controller,
                                                       Alerts* alerts) {
    if (!m_measurementsPage)
        buildMeasurementsPage();
    m_smartMeasurementsTable->setController(controller, alerts);
}

void PreferencesWindow::showMeasurementsPage() {
    if (m_measurementsPage)
        m_tabs->setCurrentWidget(m_measurementsPage);
    openPreferences();
}

namespace {

QToolButton* makeSmallButton(const QString& text, const QString& toolTip, const QString& name,
                             QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setText(text);
    button->setToolTip(toolTip);
    button->setAccessibleName(toolTip);
    button->setFixedSize(26, 22);
    return button;
}

} // namespace

void PreferencesWindow::buildMeasurementsPage() {
    m_measurementsPage = new QWidget(m_tabs);
    m_measurementsPage->setObjectName(QStringLiteral("measurementsPreferencesPage"));
    auto* layout = new QVBoxLayout(m_measurementsPage);
    layout->setContentsMargins(22, 18, 22, 20);
    layout->setSpacing(10);

    auto* explanation =
        new QLabel(tr("Each Smart Measurement is the way you like a measurement written; its matches "
                      "are the spellings that mean it."),
                   m_measurementsPage);
    explanation->setWordWrap(true);
    layout->addWidget(explanation);

    m_smartMeasurementsTable = new SmartMeasurementsTableView(m_measurementsPage);
    m_measurementMatchesTable = new MeasurementMatchesTableView(m_measurementsPage);
    m_smartMeasurementsTable->setMatchesTableView(m_measurementMatchesTable);

    // A table with its + and - buttons under it.
    const auto tableColumn = [](QTableView* table, QToolButton* add, QToolButton* remove) {
        table->setMinimumSize(220, 260);
        auto* column = new QVBoxLayout;
        column->setSpacing(4);
        column->addWidget(table, 1);
        auto* buttons = new QHBoxLayout;
        buttons->setSpacing(2);
        buttons->addWidget(add);
        buttons->addWidget(remove);
        buttons->addStretch(1);
        column->addLayout(buttons);
        return column;
    };
    auto* addRule = makeSmallButton(QStringLiteral("+"), tr("Add Smart Measurement"),
                                    QStringLiteral("addSmartMeasurementButton"), m_measurementsPage);
    auto* removeRule = makeSmallButton(QStringLiteral("−"), tr("Remove Smart Measurement"),
                                       QStringLiteral("removeSmartMeasurementButton"), m_measurementsPage);
    auto* addMatch = makeSmallButton(QStringLiteral("+"), tr("Add Match"),
                                     QStringLiteral("addMeasurementMatchButton"), m_measurementsPage);
    auto* removeMatch = makeSmallButton(QStringLiteral("−"), tr("Remove Match"),
                                        QStringLiteral("removeMeasurementMatchButton"), m_measurementsPage);
    connect(addRule, &QToolButton::clicked, m_smartMeasurementsTable, &SmartMeasurementsTableView::add);
    connect(removeRule, &QToolButton::clicked, m_smartMeasurementsTable, &SmartMeasurementsTableView::remove);
    connect(addMatch, &QToolButton::clicked, m_measurementMatchesTable, &MeasurementMatchesTableView::add);
    connect(removeMatch, &QToolButton::clicked, m_measurementMatchesTable,
            &MeasurementMatchesTableView::remove);

    auto* tables = new QHBoxLayout;
    tables->setSpacing(16);
    tables->addLayout(tableColumn(m_smartMeasurementsTable, addRule, removeRule), 1);
    tables->addLayout(tableColumn(m_measurementMatchesTable, addMatch, removeMatch), 1);
    layout->addLayout(tables, 1);

    auto* reset = new QPushButton(tr("Reset to Defaults"), m_measurementsPage);
    reset->setObjectName(QStringLiteral("resetSmartMeasurementsButton"));
    auto* exportButton = new QPushButton(tr("Export…"), m_measurementsPage);
    exportButton->setObjectName(QStringLiteral("exportSmartMeasurementsButton"));
    auto* apply = new QPushButton(tr("Apply Rules…"), m_measurementsPage);
    apply->setObjectName(QStringLiteral("applySmartMeasurementsButton"));
    for (QPushButton* button : {reset, exportButton, apply})
        button->setAutoDefault(false);
    connect(reset, &QPushButton::clicked, m_smartMeasurementsTable,
            &SmartMeasurementsTableView::resetToDefaults);
    connect(exportButton, &QPushButton::clicked, m_smartMeasurementsTable,
            &SmartMeasurementsTableView::exportPlist);
    connect(apply, &QPushButton::clicked, m_smartMeasurementsTable,
            &SmartMeasurementsTableView::applySmartMeasurements);
    auto* actions = new QHBoxLayout;
    actions->addWidget(reset);
    actions->addStretch(1);
    actions->addWidget(exportButton);
    actions->addWidget(apply);
    layout->addLayout(actions);

    m_tabs->addTab(m_measurementsPage, tr("Measurements"));
}
