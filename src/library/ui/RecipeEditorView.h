#pragma once

#include "library/RecipeEditorController.h"

#include <QPointer>
#include <QWidget>

class DirectionsTextView;
class IngredientsTableView;
class LevelIndicator;
class QCheckBox;
class QComboBox;
class QDialog;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QScrollArea;
class RecipeEditorImageView;
class RecipeEditorTagsTokenField;
class ScalingAssistantController;

// The recipe editor's window: the form of a recipe's fields, its ingredient table, its
// styled directions and its twelve picture wells, with Save and Cancel. It shows what the
// controller filled in and hands everything typed back to it before a save.
class RecipeEditorView : public QWidget {
    Q_OBJECT
public:
    explicit RecipeEditorView(RecipeEditorController* controller, QWidget* parent = nullptr);
    ~RecipeEditorView() override;

    RecipeEditorController* controller() const { return m_controller; }

    // Shows the top of the form and gives the title field the keyboard focus.
    void focusTitle();
    QScrollArea* scrollArea() const { return m_scroll; }
    // Slides in from the right (0.5 s, easing out) while fading in (0.3 s), when the
    // controller animates.
    void animateIn();

    // The description panel: opens over the editor with the description; OK copies its
    // text into the description field.
    void showDescriptionPanel();
    void okDescriptionPanelButtonAction();
    QDialog* descriptionPanel() const { return m_descriptionPanel; }

    // Inserts the degree sign of the system's units at the insertion point of the directions.
    void pasteDegrees();

    // The scaling assistant over the editor.
    void openScalingAssistant();
    ScalingAssistantController* scalingAssistant() const { return m_scaling; }

    // Widgets for tests and pictures of the window.
    QLineEdit* titleField() const { return m_title; }
    RecipeEditorTagsTokenField* keywordsField() const { return m_keywords; }
    QComboBox* yieldField() const { return m_yield; }
    IngredientsTableView* ingredientsTable() const { return m_ingredients; }
    DirectionsTextView* directionsView() const { return m_directions; }
    RecipeEditorImageView* imageView() const { return m_images; }
    QPushButton* saveButton() const { return m_saveButton; }
    QPushButton* cancelButton() const { return m_cancelButton; }
    QPushButton* degreeButton() const { return m_degreeButton; }

private:
    void buildForm();
    void loadFromController();
    void commitToController();
    void reloadAutoFillLists();
    void closeAuxiliaryPanels();
    void scrollToTop();
    QComboBox* makeComboBox(const QString& name);

    QPointer<RecipeEditorController> m_controller;
    QScrollArea* m_scroll = nullptr;
    QLineEdit* m_title = nullptr;
    RecipeEditorTagsTokenField* m_keywords = nullptr;
    QLineEdit* m_description = nullptr;
    QComboBox* m_attribution = nullptr;
    QComboBox* m_prepTime = nullptr;
    QComboBox* m_cookingTime = nullptr;
    QComboBox* m_inactivePrepTime = nullptr;
    QComboBox* m_yield = nullptr;
    QComboBox* m_cuisine = nullptr;
    QCheckBox* m_hasBeenPrepared = nullptr;
    QLineEdit* m_importedFromURL = nullptr;
    LevelIndicator* m_rating = nullptr;
    LevelIndicator* m_difficulty = nullptr;
    IngredientsTableView* m_ingredients = nullptr;
    DirectionsTextView* m_directions = nullptr;
    QPlainTextEdit* m_notes = nullptr;
    QPlainTextEdit* m_privateNotes = nullptr;
    RecipeEditorImageView* m_images = nullptr;
    QPushButton* m_saveButton = nullptr;
    QPushButton* m_cancelButton = nullptr;
    QPushButton* m_degreeButton = nullptr;
    QDialog* m_descriptionPanel = nullptr;
    QPlainTextEdit* m_descriptionPanelText = nullptr;
    ScalingAssistantController* m_scaling = nullptr;
};
