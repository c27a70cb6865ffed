#include "PreferencesWindow.h"

#include "library/PreferencesController.h"
#include "platform/UserDefaults.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QScreen>
#include <QVBoxLayout>

PreferencesWindow::PreferencesWindow(PreferencesController* controller, QWidget* parent)
    : QDialog(parent), m_controller(controller) {
    setObjectName(QStringLiteral("PreferencesWindow"));
    setWindowTitle(tr("Preferences"));
    setModal(false);
    setSizeGripEnabled(false);

    auto* layout = new QVBoxLayout(this);
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

    setMinimumWidth(420);
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
