#pragma once

#include <QDateTime>
#include <QImage>
#include <QList>
#include <QObject>
#include <QString>

// What one card of the visual browser shows.
struct VisualBrowserCard {
    QString title;
    // The picture: a file read and scaled off the main thread, or an image given at once
    // (used when path is empty). Neither: the placeholder.
    QString picturePath;
    QImage picture;
    bool markedAsNew = false; // the "new" ribbon
    // The overlay shown while the pointer is over the card (recipes): rating 0 to 5, drawn
    // blue once prepared, the difficulty and keywords as shown.
    bool hasOverlay = false;
    int rating = 0;
    bool prepared = false;
    QString difficulty;
    QString keywords;
};

// The rows a visual browser shows and the selection it mirrors. The strip asks for the
// rows near its scroll position only; it reads count() when it shows the content again
// (VisualBrowser::showContent), so a source keeps its rows steady between two of those.
class VisualBrowserContent : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    virtual int count() const = 0;
    virtual VisualBrowserCard cardAt(int row) const = 0;
    // The name type-ahead matches (cheaper than a whole card).
    virtual QString nameAt(int row) const = 0;
    // When the row's content last changed: a card filled at another stamp is filled again by
    // VisualBrowser::updateVBItems, and its picture is cached under it. Invalid: never changes.
    virtual QDateTime stampAt(int row) const {
        Q_UNUSED(row);
        return {};
    }

    // The selected rows, ascending.
    virtual QList<int> selectionIndexes() const = 0;
    virtual bool isRowSelected(int row) const { return selectionIndexes().contains(row); }
    // The strip's choice: rows, with selectedRow the one the arrow keys move from. A source
    // of one selected row at a time takes selectedRow.
    virtual void setSelectionIndexes(const QList<int>& rows, int selectedRow) = 0;

signals:
    // The selection changed (by the strip or from elsewhere).
    void selectionChanged();
};
