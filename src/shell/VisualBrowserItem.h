#pragma once

#include <QDateTime>
#include <QImage>
#include <QWidget>

class ManagedObject;

// One card of the visual browser: the picture, the title under it, the "new" ribbon and,
// while the pointer is over it, an overlay with the rating, the difficulty and the
// keywords. The card paints itself; the strip handles the mouse and the keyboard.
class VisualBrowserItem : public QWidget {
    Q_OBJECT
public:
    VisualBrowserItem(int index, QWidget* parent);

    int index() const { return m_index; }
    // Makes a card that left the strip ready to show another index: empty, unselected.
    void reuse(int index);
    ManagedObject* recipe() const { return m_recipe; }

    // Fills the card from the recipe and remembers its dateUpdated.
    void setRecipe(ManagedObject* recipe);
    // Fills the card again when the recipe's dateUpdated is not the one last filled from;
    // true when it did.
    bool refreshIfChanged();
    // A card of other content (not a recipe): a title and a picture.
    void setTitle(const QString& title);

    // The picture; a null image shows the placeholder.
    void setImage(const QImage& image);
    bool hasImage() const { return m_imageSet; }
    // The cache key of the picture the card waits for or shows.
    const QString& imageKey() const { return m_imageKey; }
    void setImageKey(const QString& key) { m_imageKey = key; }

    void setSelected(bool selected);
    bool isSelected() const { return m_selected; }
    void setHovered(bool hovered);

    QString title() const { return m_title; }
    bool showsNewBadge() const { return m_markedAsNew; }
    const QDateTime& cachedDateUpdated() const { return m_dateUpdated; }

    // The text of a difficulty value: "Easy", "Medium", "Hard" or nothing.
    static QString difficultyText(int difficulty);
    // The keywords split at ",", trimmed, sorted by localised comparison, joined with ", ".
    static QString keywordsText(const QString& keywords);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void fill();

    int m_index;
    ManagedObject* m_recipe = nullptr;
    QDateTime m_dateUpdated;
    QString m_title;
    QString m_keywords;
    QString m_difficulty;
    int m_rating = 0;
    bool m_prepared = false;
    bool m_markedAsNew = false;
    bool m_selected = false;
    bool m_hovered = false;
    QImage m_image;
    bool m_imageSet = false;
    QString m_imageKey;
};
