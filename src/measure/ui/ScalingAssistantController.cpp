#include "ScalingAssistantController.h"

#include <QEvent>
#include <QFont>
#include <QFormLayout>
#include <QFrame>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QShortcut>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {

constexpr int kPanelWidth = 380;
constexpr int kReminderFadeMs = 600;

QLabel* wrappingLabel(const QString& text, const QString& name, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setWordWrap(true);
    return label;
}

QHBoxLayout* buttonRow(std::initializer_list<QPushButton*> buttons) {
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    for (QPushButton* button : buttons)
        row->addWidget(button);
    return row;
}

} // namespace

ScalingAssistantController::ScalingAssistantController(ObjectContext* context, ScalingAssistantEditor editor,
                                                       QObject* parent)
    : QObject(parent), m_context(context), m_editor(std::move(editor)) {}

ScalingAssistantController::~ScalingAssistantController() {
    if (m_host)
        m_host->removeEventFilter(this);
    delete m_panel.data();
}

QColor ScalingAssistantController::lightBlueBorderColor() {
    return QColor::fromRgbF(0.4f, 0.75f, 1.0f);
}

bool ScalingAssistantController::isOpen() const {
    return !m_panel.isNull();
}

QWidget* ScalingAssistantController::panel() const {
    return m_panel;
}

RecipeScaler::View ScalingAssistantController::currentView() const {
    return m_scaler ? m_scaler->view() : RecipeScaler::View::Welcome;
}

void ScalingAssistantController::openScalingAssistant(QWidget* host) {
    if (!host) {
        qWarning("error could not load scaling assistant");
        return;
    }
    if (m_panel && m_host == host) {
        m_panel->raise();
        return;
    }
    closeScalingAssistantWindow();

    m_scaler = std::make_unique<RecipeScaler>(m_context);
    m_scaler->setPrepareDuplicate([this] {
        if (m_editor.saveStateAndDuplicate)
            m_editor.saveStateAndDuplicate();
        // From here on the editor shows the duplicate: its form is what gets scaled.
        loadEditorForm();
    });
    buildPanel(host);
    m_host = host;
    host->installEventFilter(this);

    setBorderColor(lightBlueBorderColor());
    m_enterYieldsReminderTextField->hide();
    showView(RecipeScaler::View::Welcome);
    m_panel->show();
    m_panel->raise();
}

void ScalingAssistantController::buildPanel(QWidget* host) {
    auto* panel = new QFrame(host);
    m_panel = panel;
    panel->setObjectName(QStringLiteral("ScalingAssistantPanel"));
    panel->setFixedWidth(kPanelWidth);
    // The pointers to the panel's parts go with it, also when the editor closes first.
    connect(panel, &QObject::destroyed, this, [this] {
        m_views = nullptr;
        m_welcomeView = m_scalingCalcView = m_finalView = nullptr;
        m_currentYieldTextField = m_desiredYieldTextField = nullptr;
        m_greenFinalViewTextField = m_itemsAreMarkedRedWarningTextField = nullptr;
        m_redWarningScaleFactorTextField = m_enterYieldsReminderTextField = nullptr;
        m_reminderFade = nullptr;
    });

    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(18, 14, 18, 14);
    layout->setSpacing(10);
    auto* title = new QLabel(tr("Scaling Assistant"), panel);
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    layout->addWidget(title);
    m_views = new QStackedWidget(panel);
    layout->addWidget(m_views);

    // Welcome.
    m_welcomeView = new QWidget(m_views);
    m_welcomeView->setObjectName(QStringLiteral("welcomeView"));
    auto* welcome = new QVBoxLayout(m_welcomeView);
    welcome->setContentsMargins(0, 0, 0, 0);
    welcome->addWidget(wrappingLabel(tr("The Scaling Assistant changes the ingredient amounts of this recipe "
                                        "to make more or fewer servings. "
                                        "It works on a copy of the recipe, so the original stays as it is."),
                                     QStringLiteral("welcomeTextField"), m_welcomeView));
    welcome->addStretch(1);
    auto* welcomeCancel = new QPushButton(tr("Cancel"), m_welcomeView);
    auto* continueButton = new QPushButton(tr("Continue"), m_welcomeView);
    continueButton->setObjectName(QStringLiteral("continueButton"));
    welcome->addLayout(buttonRow({welcomeCancel, continueButton}));
    connect(welcomeCancel, &QPushButton::clicked, this,
            &ScalingAssistantController::closeScalingAssistantWindow);
    connect(continueButton, &QPushButton::clicked, this,
            &ScalingAssistantController::continueScalingFromWelcomeView);
    m_views->addWidget(m_welcomeView);

    // Calculation.
    m_scalingCalcView = new QWidget(m_views);
    m_scalingCalcView->setObjectName(QStringLiteral("scalingCalcView"));
    auto* calc = new QVBoxLayout(m_scalingCalcView);
    calc->setContentsMargins(0, 0, 0, 0);
    auto* form = new QFormLayout;
    m_currentYieldTextField = new QLineEdit(m_scalingCalcView);
    m_currentYieldTextField->setObjectName(QStringLiteral("currentYieldTextField"));
    m_desiredYieldTextField = new QLineEdit(m_scalingCalcView);
    m_desiredYieldTextField->setObjectName(QStringLiteral("desiredYieldTextField"));
    form->addRow(tr("Current yield:"), m_currentYieldTextField);
    form->addRow(tr("Desired yield:"), m_desiredYieldTextField);
    calc->addLayout(form);
    m_enterYieldsReminderTextField =
        wrappingLabel(tr("Please enter the current and the desired yield as numbers greater than zero."),
                      QStringLiteral("enterYieldsReminderTextField"), m_scalingCalcView);
    // The reminder keeps its room while hidden, so the panel does not jump when it shows.
    QSizePolicy reminderPolicy = m_enterYieldsReminderTextField->sizePolicy();
    reminderPolicy.setRetainSizeWhenHidden(true);
    m_enterYieldsReminderTextField->setSizePolicy(reminderPolicy);
    auto* fade = new QGraphicsOpacityEffect(m_enterYieldsReminderTextField);
    m_enterYieldsReminderTextField->setGraphicsEffect(fade);
    m_reminderFade = new QPropertyAnimation(fade, "opacity", fade);
    m_reminderFade->setDuration(kReminderFadeMs);
    m_reminderFade->setStartValue(0.0);
    m_reminderFade->setEndValue(1.0);
    calc->addWidget(m_enterYieldsReminderTextField);
    calc->addStretch(1);
    auto* calcCancel = new QPushButton(tr("Cancel"), m_scalingCalcView);
    auto* calculate = new QPushButton(tr("Calculate"), m_scalingCalcView);
    calculate->setObjectName(QStringLiteral("calculateButton"));
    calc->addLayout(buttonRow({calcCancel, calculate}));
    connect(calcCancel, &QPushButton::clicked, this,
            &ScalingAssistantController::closeScalingAssistantWindow);
    connect(calculate, &QPushButton::clicked, this, &ScalingAssistantController::calculateIngredients);
    connect(m_currentYieldTextField, &QLineEdit::returnPressed, this,
            &ScalingAssistantController::calculateIngredients);
    connect(m_desiredYieldTextField, &QLineEdit::returnPressed, this,
            &ScalingAssistantController::calculateIngredients);
    m_views->addWidget(m_scalingCalcView);

    // Final.
    m_finalView = new QWidget(m_views);
    m_finalView->setObjectName(QStringLiteral("finalView"));
    auto* finalLayout = new QVBoxLayout(m_finalView);
    finalLayout->setContentsMargins(0, 0, 0, 0);
    m_greenFinalViewTextField =
        wrappingLabel(tr("Your recipe has been scaled. Check the new amounts before you save it."),
                      QStringLiteral("greenFinalViewTextField"), m_finalView);
    m_greenFinalViewTextField->setStyleSheet(QStringLiteral("color: rgb(0, 128, 0);"));
    m_itemsAreMarkedRedWarningTextField = wrappingLabel(
        tr("Ingredients marked in red could not be scaled. Please change their amounts by hand."),
        QStringLiteral("itemsAreMarkedRedWarningTextField"), m_finalView);
    m_redWarningScaleFactorTextField =
        wrappingLabel(QString(), QStringLiteral("redWarningScaleFactorTextField"), m_finalView);
    for (QLabel* warning : {m_itemsAreMarkedRedWarningTextField, m_redWarningScaleFactorTextField})
        warning->setStyleSheet(QStringLiteral("color: rgb(204, 0, 0);"));
    finalLayout->addWidget(m_greenFinalViewTextField);
    finalLayout->addWidget(m_itemsAreMarkedRedWarningTextField);
    finalLayout->addWidget(m_redWarningScaleFactorTextField);
    finalLayout->addStretch(1);
    auto* done = new QPushButton(tr("Done"), m_finalView);
    done->setObjectName(QStringLiteral("doneButton"));
    finalLayout->addLayout(buttonRow({done}));
    connect(done, &QPushButton::clicked, this, &ScalingAssistantController::closeScalingAssistantWindow);
    m_views->addWidget(m_finalView);

    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), panel);
    escape->setContext(Qt::WidgetWithChildrenShortcut);
    connect(escape, &QShortcut::activated, this, &ScalingAssistantController::closeScalingAssistantWindow);
}

void ScalingAssistantController::loadEditorForm() {
    if (m_editor.titleText)
        m_scaler->setTitleText(m_editor.titleText());
    if (m_editor.yieldText)
        m_scaler->setYieldText(m_editor.yieldText());
    if (m_editor.contextArray)
        m_scaler->setContextArray(m_editor.contextArray());
}

void ScalingAssistantController::continueScalingFromWelcomeView() {
    // Only from the welcome view: a second duplicate would be left behind in the library.
    if (!isOpen() || m_scaler->view() != RecipeScaler::View::Welcome)
        return;
    m_scaler->continueScalingFromWelcomeView();
    if (!isOpen()) // the editor closed while duplicating
        return;
    m_currentYieldTextField->setText(m_scaler->currentYieldText());
    m_desiredYieldTextField->setText(m_scaler->desiredYieldText());
    m_enterYieldsReminderTextField->hide();
    showView(RecipeScaler::View::ScalingCalc);
    if (m_scaler->focus() == RecipeScaler::Focus::CurrentYield)
        m_currentYieldTextField->setFocus();
    else if (m_scaler->focus() == RecipeScaler::Focus::DesiredYield)
        m_desiredYieldTextField->setFocus();
}

void ScalingAssistantController::calculateIngredients() {
    // Only from the calculation view: scaling the rows a second time would compound it.
    if (!isOpen() || m_scaler->view() != RecipeScaler::View::ScalingCalc)
        return;
    loadEditorForm();
    m_scaler->setCurrentYieldText(m_currentYieldTextField->text());
    m_scaler->setDesiredYieldText(m_desiredYieldTextField->text());
    if (!m_scaler->calculateIngredients()) {
        fadeInReminder();
        return;
    }
    m_enterYieldsReminderTextField->hide();

    if (m_editor.setContextArray)
        m_editor.setContextArray(m_scaler->contextArray());
    if (m_editor.setYieldText)
        m_editor.setYieldText(m_scaler->yieldText());
    if (m_editor.setTitleText)
        m_editor.setTitleText(m_scaler->titleText());

    if (!isOpen())
        return;
    if (m_scaler->borderIsRed())
        setBorderColor(Qt::red);
    m_greenFinalViewTextField->setVisible(m_scaler->greenFinalTextShown());
    m_itemsAreMarkedRedWarningTextField->setVisible(m_scaler->warningsShown());
    m_redWarningScaleFactorTextField->setVisible(m_scaler->warningsShown());
    m_redWarningScaleFactorTextField->setText(m_scaler->scaleFactorText());
    showView(RecipeScaler::View::Final);
    emit ingredientsScaled();
}

void ScalingAssistantController::closeScalingAssistantWindow() {
    if (m_host)
        m_host->removeEventFilter(this);
    m_host = nullptr;
    // The scaler stays until the next opening: closing may come from inside one of its
    // steps (the editor's duplicate) and must not pull it away under that step.
    if (!m_panel)
        return;
    QFrame* panel = m_panel;
    m_panel = nullptr;
    panel->hide();
    panel->deleteLater();
    emit scalingAssistantClosed();
}

void ScalingAssistantController::showView(RecipeScaler::View view) {
    switch (view) {
    case RecipeScaler::View::Welcome:
        m_views->setCurrentWidget(m_welcomeView);
        break;
    case RecipeScaler::View::ScalingCalc:
        m_views->setCurrentWidget(m_scalingCalcView);
        break;
    case RecipeScaler::View::Final:
        m_views->setCurrentWidget(m_finalView);
        if (auto* done = m_finalView->findChild<QPushButton*>(QStringLiteral("doneButton")))
            done->setFocus();
        break;
    }
    placePanel();
}

void ScalingAssistantController::setBorderColor(const QColor& color) {
    m_borderColor = color;
    m_panel->setStyleSheet(
        QStringLiteral("#ScalingAssistantPanel { background-color: palette(window); "
                       "border: 3px solid %1; border-top-width: 1px; "
                       "border-bottom-left-radius: 6px; border-bottom-right-radius: 6px; }")
            .arg(color.name()));
}

void ScalingAssistantController::placePanel() {
    if (!m_panel || !m_host)
        return;
    m_panel->adjustSize();
    m_panel->move((m_host->width() - m_panel->width()) / 2, 0);
}

void ScalingAssistantController::fadeInReminder() {
    m_enterYieldsReminderTextField->show();
    m_reminderFade->stop();
    m_reminderFade->start();
}

bool ScalingAssistantController::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_host && event->type() == QEvent::Resize)
        placePanel();
    return QObject::eventFilter(watched, event);
}
