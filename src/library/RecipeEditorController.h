#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QHash>
#include <QImage>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QVariantList>

#include <array>
#include <functional>
#include <future>

class Alerts;
class GroupsManagedObject;
class IngredientsTableModel;
class LibrarySession;
class ManagedObject;
class ObjectContext;
class RecipesArrayController;
class RecipesManagedObject;

// The values of the editor's form, as typed; they reach the recipe only when it is saved.
struct RecipeEditorForm {
    QString name;
    QStringList keywords; // the tokens of the keyword field
    QString recipeDescription;
    QString attribution;
    QString prepTime;
    QString cookingTime;
    QString inactivePrepTime;
    QString yield;
    QString cuisine;
    QString importedFromURL;
    QString directions; // the styled directions as a stored HTML fragment
    QString notes;
    QString privateNotes;
    bool hasBeenPrepared = false;
    double rating = 0;     // 0 to 5
    double difficulty = 0; // 0 to 3

    bool operator==(const RecipeEditorForm&) const = default;
};

// The recipe editor: one form that creates, edits, saves, cancels, duplicates and deletes
// recipes. The form, the ingredient rows and the pictures of the twelve wells live here
// until the user saves; the window shows them and hands its edits back through
// setFormCommitter before anything is saved.
class RecipeEditorController : public QObject {
    Q_OBJECT
public:
    static constexpr int kImageWellCount = 12;
    // Where the editor is shown: closing it means something different in each.
    enum class Placement { MainWindow, FullScreenPanel, WebImporter };
    Q_ENUM(Placement)

    explicit RecipeEditorController(LibrarySession* session, QObject* parent = nullptr);
    ~RecipeEditorController() override;

    // "℃" where the system measures in metric units, "℉" elsewhere.
    static QString degreeSymbol();
    static bool usesMetricUnits();

    // --- Collaborators (the library itself is the session's) ---
    // The group selected in the sidebar (null: none).
    void setSelectedGroupProvider(std::function<GroupsManagedObject*()> provider) {
        m_selectedGroup = std::move(provider);
    }
    // Stops updates of platefeed recipes the user deletes.
    void setPlatefeedUnsubscriber(std::function<void(const QList<ManagedObject*>&)> unsubscribe) {
        m_unsubscribe = std::move(unsubscribe);
    }
    // The window copies what is typed into form() (ending any edit in progress).
    void setFormCommitter(std::function<void()> commit) { m_commitForm = std::move(commit); }

    // Whether the editor slides and fades in and out (off unless a caller turns it on).
    void setAnimate(bool animate) { m_animate = animate; }
    bool animate() const { return m_animate; }

    ObjectContext* managedObjectContext() const;
    RecipesArrayController* recipesArrayController() const { return m_recipes; }
    QString libraryPath() const;

    // --- Opening ---
    // A new recipe (isNewRecipe true) opened in the editor, and selected in the list when asked.
    RecipesManagedObject* createNewRecipe(Placement placement, bool setSelected);
    // Opens the editor on a recipe: the selected plain group's name becomes one of its
    // keywords at once, the auto-fill lists are read and the form filled.
    void editRecipe(RecipesManagedObject* recipe, Placement placement = Placement::MainWindow);
    void fillInValuesFromRecipe(RecipesManagedObject* recipe);
    bool isOpen() const { return m_open; }
    Placement placement() const { return m_placement; }
    RecipesManagedObject* recipe() const;

    RecipeEditorForm& form() { return m_form; }
    const RecipeEditorForm& form() const { return m_form; }
    IngredientsTableModel* ingredientsTable() const { return m_ingredients; }

    // --- Pictures ---
    QImage wellImage(int number) const;
    // Well `number` (1 to 12) changed by the user: a picture becomes a pending save (as JPEG
    // cropped to 800 × 600), an empty well a pending delete; the last change decides.
    void addImage(int number, const QImage& image);
    // Loads "WebImportImage<N>.jpg" from the application support folder into well N.
    bool addImageForIndex(int number);
    bool hasPendingImageSave(int number) const;
    bool hasPendingImageDelete(int number) const;

    // --- Leaving ---
    // Copies the form into the recipe and saves the library; the editor stays open.
    void saveRecipeState();
    // saveRecipeState, then closes the editor and selects the recipe.
    void saveButtonAction();
    // Leaves without saving; a new recipe is deleted.
    void cancelButtonAction();
    // What Escape and the Cancel button do: leaves at once when nothing changed since the
    // editor opened; otherwise asks whether to save, as quitting does (Save saves and closes,
    // Don't Save leaves as cancelButtonAction, Cancel keeps editing). True when it closed.
    bool cancelAskingToSaveChanges();
    // Whether the form differs from what the editor opened with: a field, a keyword, the
    // ingredient rows or a picture waiting to be saved or removed. Copies what the window
    // shows into the form first. The keyword added on opening is part of what was opened.
    bool hasChanges();
    // Takes the form as it stands (after the window has copied what it shows into it) as
    // what the editor opened with. Filling the form does this; a window made for an editor
    // that is already open calls it after showing the form.
    void rememberFormAsLoaded();
    // Before the application quits with the editor open: asks whether to save what was typed.
    // Save saves and closes, Don't Save leaves as Cancel does; returns false when the user
    // cancels the quit (the editor stays open).
    bool closeBeforeQuitting();
    // Makes the form a new recipe holding the current rows and every picture; used by the
    // scaling assistant before it changes any number.
    RecipesManagedObject* duplicateRecipeForScalingAssistant();

    // Removes recipes from the selected group or deletes them from the library, asking
    // first when ask is set. Returns whether anything changed.
    bool deleteRecipes(const QList<ManagedObject*>& recipes, bool ask);

    // --- Auto-fill lists ---
    // Rebuilds the eight lists from the recipes in the recipe list.
    void resetAutoFillValues();
    // A list as the combo boxes show it: sorted without regard to case; missing: empty.
    QStringList autoFillValues(const QString& fileName) const;
    static QStringList autoFillFileNames();

    void recipeArrayControllerSelectRecipe(ManagedObject* recipe);

signals:
    // The form, the wells and the ingredient rows were filled from a recipe.
    void formFilled();
    // Well N's picture changed outside the window (a web import, a fill).
    void wellImageChanged(int number);
    // The editor closed; saved tells how.
    void editorClosed(bool saved);
    // The description panel, the advanced editor and the scaling assistant close.
    void closeAuxiliaryPanels();
    // Recipes left the list or changed groups: the list and browser are refreshed.
    void recipesChanged();

private:
    void clearImageSlots();
    void takeSnapshot();
    // The question of closeBeforeQuitting; false when the user chose to keep editing.
    bool askToSaveAndClose();
    void closeEditor(bool saved);
    bool saveLibrary();
    QString askDeleteQuestion(GroupsManagedObject* group, const QList<ManagedObject*>& recipes) const;
    void removeRecipesFromLibrary(const QList<ManagedObject*>& recipes);
    // Runs work as one undo step with the name Edit › Undo shows.
    void inOneUndoStep(const QString& name, const std::function<void()>& work);

    // The measurement, name and method of each row of a recipe, as read from its stored
    // ingredientsArray text.
    struct IngredientTexts {
        QString source;
        QStringList values;
    };

    static IngredientTexts ingredientTextsOf(const QString& stored);
    void warmIngredientTexts();

    struct ImageSlot {
        QImage image;       // what the well shows
        QByteArray pending; // JPEG bytes waiting for the save
        bool save = false;
        bool remove = false;
    };

    LibrarySession& m_session;
    RecipesArrayController* m_recipes;
    Alerts* m_alerts;
    std::function<GroupsManagedObject*()> m_selectedGroup;
    std::function<void(const QList<ManagedObject*>&)> m_unsubscribe;
    std::function<void()> m_commitForm;
    IngredientsTableModel* m_ingredients;
    RecipeEditorForm m_form;
    std::array<ImageSlot, kImageWellCount> m_slots;
    // What the editor opened with (or last saved), to tell whether leaving loses anything.
    RecipeEditorForm m_loadedForm;
    QVariantList m_loadedRows;
    std::array<bool, kImageWellCount> m_loadedPictures{};
    QHash<const ManagedObject*, IngredientTexts> m_ingredientTexts;
    std::future<QHash<const ManagedObject*, IngredientTexts>> m_warming;
    RecipesManagedObject* m_recipe = nullptr;
    Placement m_placement = Placement::MainWindow;
    bool m_open = false;
    bool m_animate = false;
};
