#pragma once

#include "VisualBrowserContent.h"
#include "library/VisualBrowserLayout.h"

#include <QAbstractScrollArea>
#include <QHash>
#include <QList>
#include <QPointer>

#include <functional>
#include <optional>

class VisualBrowserImageCache;
class VisualBrowserItem;

// A horizontal strip of cards over the ordered rows of a content source (recipes, print
// formats). Only the cards near the visible position exist: scrolling creates those that
// come near and, once 201 exist, removes those that are far. Card pictures are read and
// scaled off the main thread and cached by the row's stamp. The selection is the source's
// (for recipes the recipe list's, the one the table shows): the strip reads it, changes it
// and follows it.
class VisualBrowser : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit VisualBrowser(QWidget* parent = nullptr);
    ~VisualBrowser() override;

    // The rows shown and the selection mirrored; not owned, null detaches. Shows them at
    // once (without the guard of showContent).
    void setContent(VisualBrowserContent* content);
    VisualBrowserContent* content() const { return m_content; }

    // Shows the content again after change (which brings the source's rows up to date) has
    // run. Within 0.08 s of the previous call the change waits, so a burst of list changes
    // redraws the strip once; the newest change of the burst runs when that time is up.
    void showContent(std::function<void()> change = {});
    int numberOfObjects() const { return m_numberOfObjects; }
    int objectWidth() const { return m_objectWidth; }
    // The height of the cards (the strip's, unless the strip is narrow).
    int cardHeight() const { return m_cardHeight; }
    int stripWidth() const { return numberOfObjects() * m_objectWidth; }

    // The indexes whose card exists, ascending.
    QList<int> existingIndexes() const;
    int existingCount() const { return int(m_items.size()); }
    VisualBrowserItem* itemAtIndex(int index) const { return m_items.value(index); }

    double indexOfObjectAtScrollPoint() const;
    void drawObjectsNearScrollPoint();
    void removeObjectsAwayFromScrollPoint();
    void addObjectAtIndex(int index);
    void removeObjectAtIndex(int index);
    void removeAllObjects();
    // Fills again every card whose row changed (its stamp is another).
    void updateVBItems();
    // Fills the card at index again, if it exists.
    void refillItemAtIndex(int index);

    // Scrolls so that card index is centred; animated scrolls move in steps (one per
    // scheduler turn of 0.01 s), the others jump.
    void scrollToObjectAtIndex(int index, bool animate);
    void delayedScrollToObjectAtIndex(int index, bool animate);
    void scrollToSelectedRow();
    int scrollOffset() const;

    // Type-ahead: text typed into the strip selects the first row whose name starts
    // with it; the typed text is forgotten 2/3 s after the last key.
    void typeAheadString(const QString& text);
    void insertText(const QString& text);
    void clearAccumulatingTypeahead();
    const QString& accumulatedTypeahead() const { return mStringToFind; }
    void selectAll();

    // The row the arrow keys move from.
    int selectedRow() const;
    int lastClickedIndex() const { return m_lastClickedIndex; }

    VisualBrowserImageCache* imageCache() const { return m_imageCache; }

signals:
    // The strip shows its content anew (the weekly planner recomputes its dates on it).
    void contextChanged();
    // The first cards were drawn after the strip was shown.
    void cardsDrawn();

protected:
    // Fills a card from the row at its index.
    void fillItem(VisualBrowserItem* item);
    // A left or right click on a card; the base selects only that card.
    virtual void clickedActionWithEvent(int index, QMouseEvent* event);

    void setSelectionIndexes(const QList<int>& rows, int selectedRow);
    QList<int> selectionIndexes() const;
    int indexAtViewportPoint(const QPoint& point) const;
    void setLastClickedIndex(int index) { m_lastClickedIndex = index; }

    void scrollContentsBy(int dx, int dy) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    void setNumberOfObjects(int count);
    void updateObjectWidth();
    void updateScrollRange();
    void placeItem(VisualBrowserItem* item) const;
    void recycle(VisualBrowserItem* item);
    // Shows the card's picture: the one given, or the file's from the cache (read if need be).
    void requestImage(VisualBrowserItem* item);
    void imageReady(const QString& keyText, const QImage& image);
    void selectionChanged();
    void reloadContent();
    void stepScroll();
    void setHoveredIndex(int index);

    QPointer<VisualBrowserContent> m_content;
    QMetaObject::Connection m_contentConnection;
    int m_numberOfObjects = 0;
    // The change waiting for the guard time to end (engaged even when it is empty).
    std::optional<std::function<void()>> m_pendingChange;
    int m_objectWidth = 1;
    int m_cardHeight = 0;
    QHash<int, VisualBrowserItem*> m_items;
    // Cards that left the strip, hidden, kept to be filled again: creating and destroying
    // widgets while scrolling costs more than moving them.
    QList<VisualBrowserItem*> m_spareItems;
    bool m_redrawAllItems = false;
    bool m_pauseUpdates = false;
    int m_lastClickedIndex = 0;
    int m_selectedRow = -1;
    int m_hoveredIndex = -1;
    QString mStringToFind;
    int m_preventOverContextTimer = 0;
    int m_typeAheadTimer = 0;
    int m_scrollTimer = 0;
    QList<int> m_scrollSteps;
    bool m_cardsDrawnReported = false;
    VisualBrowserImageCache* m_imageCache;
};
