#pragma once

#include "VisualBrowserContent.h"

#include <QDateTime>
#include <QImage>
#include <QWidget>

// One card of the visual browser: the picture, the title under it, the "new" ribbon and,
// for recipes, while the pointer is over it, an overlay with the rating, the difficulty and
// the keywords. The card paints itself; the strip handles the mouse and the keyboard.
class VisualBrowserItem : public QWidget {
    Q_OBJECT
public:
    VisualBrowserItem(int index, QWidget* parent);

    int index() const { return m_index; }
    // Makes a card that left the strip ready to show another index: empty, unselected.
    void reuse(int index);

    // Fills the card, remembering the stamp of the row it shows (see VisualBrowserContent).
    void setCard(const VisualBrowserCard& card, const QDateTime& stamp);
    const QDateTime& stamp() const { return m_stamp; }
    const VisualBrowserCard& card() const { return m_card; }

    // The picture; a null image shows the placeholder.
    void setImage(const QImage& image);
    bool hasImage() const { return m_imageSet; }
    // The cache key of the picture the card waits for or shows.
    const QString& imageKey() const { return m_imageKey; }
    void setImageKey(const QString& key) { m_imageKey = key; }

    void setSelected(bool selected);
    bool isSelected() const { return m_selected; }
    void setHovered(bool hovered);

    const QString& title() const { return m_card.title; }
    bool showsNewBadge() const { return m_card.markedAsNew; }

    // The text of a difficulty value: "Easy", "Medium", "Hard" or nothing.
    static QString difficultyText(int difficulty);
    // The keywords split at ",", trimmed, sorted by localised comparison, joined with ", ".
    static QString keywordsText(const QString& keywords);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_index;
    VisualBrowserCard m_card;
    QDateTime m_stamp;
    bool m_selected = false;
    bool m_hovered = false;
    QImage m_image;
    bool m_imageSet = false;
    QString m_imageKey;
};
