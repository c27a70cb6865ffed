#pragma once

#include "library/ui/RecipeBrowserContent.h"
#include "library/ui/VisualBrowser.h"

#include <QStringList>

#include <functional>

class QMenu;
class QMimeData;

// The visual browser of the main window's recipes: the mouse rules of the recipe list
// (toggle, range, narrowing a selection a moment after the click so that several cards can
// be dragged), dragging the selected recipes to groups, planner days and grocery lists,
// sorting the list and marking recipes as new.
class RecipeVisualBrowser : public VisualBrowser {
    Q_OBJECT
public:
    explicit RecipeVisualBrowser(QWidget* parent = nullptr);

    // Follows the controller's list and selection; null detaches.
    void setRecipesArrayController(RecipesArrayController* controller);
    RecipesArrayController* correspondingController() const { return m_recipes->controller(); }

    // Shows records. Ignored for 0.08 s after the previous call, so a burst of list changes
    // redraws the strip once; the newest records of the burst are shown when that time is up.
    void setContext(const QList<ManagedObject*>& records);
    const QList<ManagedObject*>& contextArray() const { return m_recipes->records(); }

    // Each replaces the list's order with one key and shows the strip again.
    void sortByTitle();
    void sortByDateCreated();
    void sortByDateModified();
    void sortByDifficulty();
    void sortByRating();
    void sortByNewItemsFirst();

    void setSelectedRecipesAsNew();
    void setSelectedRecipesAsNotNew();

    // The pasteboard contents of a drag of the selected recipes (owned by the caller), or
    // null when nothing is selected.
    QMimeData* mimeDataForSelection() const;
    // The badge image the drag picture uses for count recipes.
    static QString badgeImageName(int count);
    // The count as the badge shows it ("#,###").
    static QString badgeText(int count);

    // Fills the context menu with the recipe list's commands (the table's); the strip adds
    // sorting and the new marks.
    using MenuFiller = std::function<void(QMenu* menu)>;
    void setContextMenuFiller(MenuFiller filler) { m_menuFiller = std::move(filler); }
    QMenu* makeContextMenu();

    // A drag begins after the pointer moved more than this from where the button went down.
    static constexpr int kDragThreshold = 30;

protected:
    void clickedActionWithEvent(int index, QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void sortBy(const QString& key, bool ascending);
    void setSelectedRecipesMarkedAsNew(bool marked);
    void startDrag();

    RecipeBrowserContent* m_recipes;
    MenuFiller m_menuFiller;
    QPoint m_pressPoint;
    bool m_pressed = false;
    int m_narrowTimer = 0;
};
