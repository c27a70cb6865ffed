#include "RecipeEditorView.h"

#include "DirectionsTextView.h"
#include "IngredientsTableView.h"
#include "RecipeEditorImageView.h"
#include "RecipeEditorTagsTokenField.h"
#include "library/IngredientsTableModel.h"
#include "library/RecipeEditorController.h"
#include "measure/ui/ScalingAssistantController.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCompleter>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGraphicsOpacityEffect>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSplitter>
#include <QVBoxLayout>

// A row of symbols the user clicks to set a level from 0 to the maximum: stars for the
// rating, dots for the difficulty. Clicking the symbol of the current level clears it.
class LevelIndicator : public QWidget {
public:
    LevelIndicator(int maximum, QChar on, QChar off, QWidget* parent)
        : QWidget(parent), m_maximum(maximum), m_on(on), m_off(off) {
        setFocusPolicy(Qt::StrongFocus);
        setCursor(Qt::PointingHandCursor);
        QFont symbols = font();
        symbols.setPointSizeF(symbols.pointSizeF() * 1.4);
        setFont(symbols);
        setMinimumSize(sizeHint());
    }

    int value() const { return m_value; }
    void setValue(int value) {
        m_value = std::clamp(value, 0, m_maximum);
        update();
    }
    QSize sizeHint() const override { return {cellWidth() * m_maximum + 4, fontMetrics().height() + 4}; }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setPen(palette().color(hasFocus() ? QPalette::Highlight : QPalette::WindowText));
        for (int i = 0; i < m_maximum; ++i)
            painter.drawText(QRect(2 + i * cellWidth(), 0, cellWidth(), height()), Qt::AlignCenter,
                             QString(i < m_value ? m_on : m_off));
    }
    void mousePressEvent(QMouseEvent* event) override {
        const int level = std::clamp(int(event->position().x() - 2) / cellWidth() + 1, 1, m_maximum);
        setValue(level == m_value ? 0 : level);
    }
    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() == Qt::Key_Right || event->key() == Qt::Key_Up)
            setValue(m_value + 1);
        else if (event->key() == Qt::Key_Left || event->key() == Qt::Key_Down)
            setValue(m_value - 1);
        else if (event->key() >= Qt::Key_0 && event->key() <= Qt::Key_9)
            setValue(event->key() - Qt::Key_0);
        else
            QWidget::keyPressEvent(event);
    }

private:
    int cellWidth() const { return fontMetrics().horizontalAdvance(m_on) + 6; }

    int m_maximum;
    QChar m_on;
    QChar m_off;
    int m_value = 0;
};

RecipeEditorView::RecipeEditorView(RecipeEditorController* controller, QWidget* parent)
    : QWidget(parent), m_controller(controller) {
    setObjectName(QStringLiteral("RecipeEditor"));
    buildForm();
    connect(controller, &RecipeEditorController::formFilled, this, &RecipeEditorView::loadFromController);
    connect(controller, &RecipeEditorController::wellImageChanged, this,
            [this](int number) { m_images->setImageForWell(number, m_controller->wellImage(number)); });
    connect(controller, &RecipeEditorController::closeAuxiliaryPanels, this,
            &RecipeEditorView::closeAuxiliaryPanels);
    connect(m_images, &RecipeEditorImageView::wellChanged, this,
            [this](int number) { m_controller->addImage(number, m_images->imageForWell(number)); });
    controller->setFormCommitter([this] { commitToController(); });

    ScalingAssistantEditor editor;
    editor.saveStateAndDuplicate = [this] {
        m_controller->saveRecipeState();
        m_controller->duplicateRecipeForScalingAssistant();
    };
    editor.titleText = [this] { return m_title->text(); };
    editor.setTitleText = [this](const QString& text) { m_title->setText(text); };
    editor.yieldText = [this] { return m_yield->currentText(); };
    editor.setYieldText = [this](const QString& text) { m_yield->setEditText(text); };
    editor.contextArray = [this] {
        m_ingredients->endEditing();
        return m_controller->ingredientsTable()->contextArray();
    };
    editor.setContextArray = [this](const QVariantList& rows) {
        m_controller->ingredientsTable()->setContextArray(rows);
    };
    m_scaling = new ScalingAssistantController(controller->managedObjectContext(), std::move(editor), this);
    connect(m_ingredients, &IngredientsTableView::openScalingAssistant, this,
            &RecipeEditorView::openScalingAssistant);

    if (controller->isOpen()) {
        loadFromController();
        controller->rememberFormAsLoaded();
    }
}

RecipeEditorView::~RecipeEditorView() {
    if (m_controller)
        m_controller->setFormCommitter({});
}

QComboBox* RecipeEditorView::makeComboBox(const QString& name) {
    auto* box = new QComboBox(this);
    box->setObjectName(name);
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->setMaxVisibleItems(15);
    box->completer()->setCaseSensitivity(Qt::CaseInsensitive);
    box->completer()->setCompletionMode(QCompleter::InlineCompletion);
    box->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    return box;
}

void RecipeEditorView::buildForm() {
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);

    auto* scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("recipeEditorScrollArea"));
    m_scroll = scroll;
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    auto* page = new QWidget(scroll);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(14, 12, 14, 12);
    layout->setSpacing(8);
    scroll->setWidget(page);
    outer->addWidget(scroll, 1);

    m_title = new QLineEdit(page);
    m_title->setObjectName(QStringLiteral("titleTextField"));
    m_title->setPlaceholderText(tr("Recipe Title"));
    QFont titleFont = m_title->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.5);
    titleFont.setBold(true);
    m_title->setFont(titleFont);
    layout->addWidget(m_title);

    auto* header = new QFormLayout;
    header->setLabelAlignment(Qt::AlignRight);
    m_keywords = new RecipeEditorTagsTokenField(page);
    m_keywords->setPlaceholderText(tr("Keywords, separated by commas"));
    header->addRow(tr("Keywords:"), m_keywords);
    auto* descriptionRow = new QHBoxLayout;
    m_description = new QLineEdit(page);
    m_description->setObjectName(QStringLiteral("descriptionTextField"));
    auto* more = new QPushButton(tr("Edit…"), page);
    more->setToolTip(tr("Edit the description in a larger panel"));
    connect(more, &QPushButton::clicked, this, &RecipeEditorView::showDescriptionPanel);
    descriptionRow->addWidget(m_description, 1);
    descriptionRow->addWidget(more);
    header->addRow(tr("Description:"), descriptionRow);
    layout->addLayout(header);

    // The details in two columns.
    auto* details = new QGridLayout;
    details->setHorizontalSpacing(10);
    m_attribution = makeComboBox(QStringLiteral("attributionComboBox"));
    m_prepTime = makeComboBox(QStringLiteral("prepTimeComboBox"));
    m_cookingTime = makeComboBox(QStringLiteral("cookingTimeComboBox"));
    m_inactivePrepTime = makeComboBox(QStringLiteral("inactivePrepTimeComboBox"));
    m_yield = makeComboBox(QStringLiteral("yieldComboBox"));
    m_cuisine = makeComboBox(QStringLiteral("cuisineComboBox"));
    m_importedFromURL = new QLineEdit(page);
    m_hasBeenPrepared = new QCheckBox(tr("I have made this recipe"), page);
    m_rating = new LevelIndicator(5, QChar(0x2605), QChar(0x2606), page);
    m_rating->setObjectName(QStringLiteral("ratingLevelIndicator"));
    m_difficulty = new LevelIndicator(3, QChar(0x25CF), QChar(0x25CB), page);
    m_difficulty->setObjectName(QStringLiteral("difficultyLevelIndicator"));
    const QList<std::pair<QString, QWidget*>> left = {{tr("Yield:"), m_yield},
                                                      {tr("Preparation:"), m_prepTime},
                                                      {tr("Cooking:"), m_cookingTime},
                                                      {tr("Inactive:"), m_inactivePrepTime}};
    const QList<std::pair<QString, QWidget*>> right = {{tr("Cuisine:"), m_cuisine},
                                                       {tr("Source:"), m_attribution},
                                                       {tr("Rating:"), m_rating},
                                                       {tr("Difficulty:"), m_difficulty}};
    for (int row = 0; row < left.size(); ++row) {
        details->addWidget(new QLabel(left[row].first, page), row, 0, Qt::AlignRight);
        details->addWidget(left[row].second, row, 1);
        details->addWidget(new QLabel(right[row].first, page), row, 2, Qt::AlignRight);
        details->addWidget(right[row].second, row, 3);
    }
    details->addWidget(new QLabel(tr("Imported from:"), page), 4, 0, Qt::AlignRight);
    details->addWidget(m_importedFromURL, 4, 1, 1, 3);
    details->addWidget(m_hasBeenPrepared, 5, 1, 1, 3);
    details->setColumnStretch(1, 1);
    details->setColumnStretch(3, 1);
    layout->addLayout(details);

    auto sectionTitle = [page](const QString& text) {
        auto* label = new QLabel(text, page);
        QFont bold = label->font();
        bold.setBold(true);
        label->setFont(bold);
        return label;
    };
    layout->addWidget(sectionTitle(tr("Ingredients")));
    m_ingredients = new IngredientsTableView(page);
    m_ingredients->setIngredientsModel(m_controller->ingredientsTable());
    m_ingredients->setAutoFillProvider([this](const QString& file) {
        return m_controller ? m_controller->autoFillValues(file) : QStringList();
    });
    m_ingredients->setMinimumHeight(200);
    layout->addWidget(m_ingredients);
    layout->addWidget(m_ingredients->makeControlButtons(page));

    auto* directionsHeader = new QHBoxLayout;
    directionsHeader->addWidget(sectionTitle(tr("Directions")));
    directionsHeader->addStretch(1);
    m_degreeButton = new QPushButton(RecipeEditorController::degreeSymbol(), page);
    m_degreeButton->setObjectName(QStringLiteral("degreeButton"));
    m_degreeButton->setToolTip(tr("Insert the degree sign"));
    m_degreeButton->setFixedWidth(40);
    connect(m_degreeButton, &QPushButton::clicked, this, &RecipeEditorView::pasteDegrees);
    directionsHeader->addWidget(m_degreeButton);
    layout->addLayout(directionsHeader);
    m_directions = new DirectionsTextView(page);
    m_directions->setMinimumHeight(180);
    layout->addWidget(m_directions);

    auto* notes = new QGridLayout;
    m_notes = new QPlainTextEdit(page);
    m_privateNotes = new QPlainTextEdit(page);
    m_notes->setMinimumHeight(80);
    m_privateNotes->setMinimumHeight(80);
    notes->addWidget(sectionTitle(tr("Notes")), 0, 0);
    notes->addWidget(sectionTitle(tr("Private Notes")), 0, 1);
    notes->addWidget(m_notes, 1, 0);
    notes->addWidget(m_privateNotes, 1, 1);
    layout->addLayout(notes);

    layout->addWidget(sectionTitle(tr("Pictures")));
    m_images = new RecipeEditorImageView(page);
    m_images->setMinimumHeight(260);
    layout->addWidget(m_images);

    // Save and Cancel stay in view below the form.
    auto* buttons = new QWidget(this);
    buttons->setObjectName(QStringLiteral("recipeEditorButtons"));
    auto* buttonRow = new QHBoxLayout(buttons);
    buttonRow->setContentsMargins(14, 8, 14, 8);
    buttonRow->addStretch(1);
    m_cancelButton = new QPushButton(tr("Cancel"), buttons);
    m_saveButton = new QPushButton(tr("Save"), buttons);
    m_saveButton->setDefault(true);
    m_cancelButton->setShortcut(QKeySequence(Qt::Key_Escape));
    m_saveButton->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Return));
    buttonRow->addWidget(m_cancelButton);
    buttonRow->addWidget(m_saveButton);
    outer->addWidget(buttons);
    connect(m_saveButton, &QPushButton::clicked, this, [this] {
        if (m_controller)
            m_controller->saveButtonAction();
    });
    // Escape or Cancel asks before throwing away what was typed.
    connect(m_cancelButton, &QPushButton::clicked, this, [this] {
        if (m_controller)
            m_controller->cancelAskingToSaveChanges();
    });

    // The description panel, made once and shown over the editor when asked.
    m_descriptionPanel = new QDialog(this);
    m_descriptionPanel->setWindowTitle(tr("Description"));
    m_descriptionPanel->setObjectName(QStringLiteral("descriptionPanel"));
    auto* panelLayout = new QVBoxLayout(m_descriptionPanel);
    m_descriptionPanelText = new QPlainTextEdit(m_descriptionPanel);
    panelLayout->addWidget(m_descriptionPanelText);
    auto* panelButtons =
        new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, m_descriptionPanel);
    panelLayout->addWidget(panelButtons);
    connect(panelButtons, &QDialogButtonBox::accepted, this,
            &RecipeEditorView::okDescriptionPanelButtonAction);
    connect(panelButtons, &QDialogButtonBox::rejected, m_descriptionPanel, &QDialog::reject);
    m_descriptionPanel->resize(460, 260);
}

void RecipeEditorView::reloadAutoFillLists() {
    const QList<std::pair<QComboBox*, QString>> boxes = {
        {m_yield, QStringLiteral("Yields.plist")},      {m_attribution, QStringLiteral("Attributions.plist")},
        {m_cuisine, QStringLiteral("Cuisines.plist")},  {m_prepTime, QStringLiteral("Times.plist")},
        {m_cookingTime, QStringLiteral("Times.plist")}, {m_inactivePrepTime, QStringLiteral("Times.plist")}};
    for (const auto& [box, file] : boxes) {
        box->clear();
        box->addItems(m_controller->autoFillValues(file));
    }
    m_keywords->setCompletionKeywords(m_controller->autoFillValues(QStringLiteral("Keywords.plist")));
}

void RecipeEditorView::loadFromController() {
    if (!m_controller)
        return;
    reloadAutoFillLists();
    const RecipeEditorForm& form = m_controller->form();
    m_title->setText(form.name);
    m_keywords->setTokens(form.keywords);
    m_description->setText(form.recipeDescription);
    m_description->setCursorPosition(0);
    m_attribution->setEditText(form.attribution);
    m_prepTime->setEditText(form.prepTime);
    m_cookingTime->setEditText(form.cookingTime);
    m_inactivePrepTime->setEditText(form.inactivePrepTime);
    m_yield->setEditText(form.yield);
    m_cuisine->setEditText(form.cuisine);
    m_importedFromURL->setText(form.importedFromURL);
    m_hasBeenPrepared->setChecked(form.hasBeenPrepared);
    m_rating->setValue(int(form.rating));
    m_difficulty->setValue(int(form.difficulty));
    m_directions->setDirectionsHTML(form.directions);
    m_notes->setPlainText(form.notes);
    m_privateNotes->setPlainText(form.privateNotes);
    m_images->clearAllWells();
    for (int number = 1; number <= RecipeEditorController::kImageWellCount; ++number)
        m_images->setImageForWell(number, m_controller->wellImage(number));
    m_images->scrollToTop();
    if (m_controller->ingredientsTable()->rowCount() > 0)
        m_ingredients->selectRow(0);
    scrollToTop();
}

// Every recipe opens at the top of the form, wherever the last one was left.
void RecipeEditorView::scrollToTop() {
    m_scroll->verticalScrollBar()->setValue(0);
    m_scroll->horizontalScrollBar()->setValue(0);
}

void RecipeEditorView::commitToController() {
    if (!m_controller)
        return;
    m_ingredients->endEditing();
    RecipeEditorForm& form = m_controller->form();
    form.name = m_title->text();
    form.keywords = m_keywords->tokens();
    form.recipeDescription = m_description->text();
    form.attribution = m_attribution->currentText();
    form.prepTime = m_prepTime->currentText();
    form.cookingTime = m_cookingTime->currentText();
    form.inactivePrepTime = m_inactivePrepTime->currentText();
    form.yield = m_yield->currentText();
    form.cuisine = m_cuisine->currentText();
    form.importedFromURL = m_importedFromURL->text();
    form.hasBeenPrepared = m_hasBeenPrepared->isChecked();
    form.rating = m_rating->value();
    form.difficulty = m_difficulty->value();
    form.directions = m_directions->directionsHTML();
    form.notes = m_notes->toPlainText();
    form.privateNotes = m_privateNotes->toPlainText();
}

void RecipeEditorView::focusTitle() {
    scrollToTop();
    m_title->setFocus(Qt::OtherFocusReason);
    m_title->selectAll();
}

void RecipeEditorView::animateIn() {
    if (!m_controller || !m_controller->animate())
        return;
    auto* opacity = new QGraphicsOpacityEffect(this);
    setGraphicsEffect(opacity);
    auto* fade = new QPropertyAnimation(opacity, "opacity", this);
    fade->setDuration(300);
    fade->setStartValue(0.1);
    fade->setEndValue(1.0);
    // The effect goes once the editor is fully shown; text fields draw best without one.
    connect(fade, &QPropertyAnimation::finished, this, [this] { setGraphicsEffect(nullptr); });
    auto* slide = new QPropertyAnimation(this, "pos", this);
    slide->setDuration(500);
    slide->setEasingCurve(QEasingCurve::OutCubic);
    slide->setStartValue(pos() + QPoint(width() / 3, 0));
    slide->setEndValue(pos());
    fade->start(QAbstractAnimation::DeleteWhenStopped);
    slide->start(QAbstractAnimation::DeleteWhenStopped);
}

void RecipeEditorView::showDescriptionPanel() {
    m_descriptionPanelText->setPlainText(m_description->text());
    m_descriptionPanel->open();
}

void RecipeEditorView::okDescriptionPanelButtonAction() {
    m_description->setText(m_descriptionPanelText->toPlainText());
    m_descriptionPanel->accept();
    m_descriptionPanelText->clear();
}

void RecipeEditorView::pasteDegrees() {
    m_directions->pasteDegrees(RecipeEditorController::usesMetricUnits());
}

void RecipeEditorView::openScalingAssistant() {
    m_scaling->openScalingAssistant(this);
}

void RecipeEditorView::closeAuxiliaryPanels() {
    if (m_descriptionPanel->isVisible())
        m_descriptionPanel->reject();
    m_descriptionPanelText->clear();
    if (m_scaling->isOpen())
        m_scaling->closeScalingAssistantWindow();
}
