#pragma once

#include <QImage>
#include <QScrollArea>
#include <QVector>

class QMimeData;
class RecipeEditorImageWell;

// The recipe editor's twelve image wells, numbered 1 to 12, in a scrollable grid of three
// columns with each well's number under it. A well takes a picture dropped on it, pasted
// into it (Ctrl+V while it has the focus) or chosen with "Choose Picture…" (context menu
// or double-click); "Remove Picture" or Delete empties it. A picture dragged out of well N
// carries the text " [N] ", which marks in the directions where picture N belongs.
class RecipeEditorImageView : public QScrollArea {
    Q_OBJECT
public:
    static constexpr int wellCount = 12;

    explicit RecipeEditorImageView(QWidget* parent = nullptr);

    // Filling the form: no wellChanged. Numbers outside 1 to 12 are ignored.
    void setImageForWell(int number, const QImage& image);
    void clearAllWells();
    // The picture as it was given (not cropped); null for an empty well or a bad number.
    QImage imageForWell(int number) const;

    // A change made by the user: sets the picture (a null image empties the well) and
    // emits wellChanged.
    void setImageForWellByUser(int number, const QImage& image);

    void scrollToTop();

    // The widget of well N (1 to 12), or null.
    QWidget* well(int number) const;

    // The picture carried by dragged or pasted data: image data, then picture bytes of an
    // image/* type, then the first local file that reads as a picture. Remote addresses
    // are never fetched. Null when there is none.
    static QImage imageFromMimeData(const QMimeData* data);
    // The drag image of a picture: 100 x 75 (times the device pixel ratio), 60 % opaque.
    static QPixmap dragPixmap(const QImage& image, qreal devicePixelRatio = 1.0);

signals:
    // The user filled or emptied well N.
    void wellChanged(int number);

private:
    friend class RecipeEditorImageWell;
    RecipeEditorImageWell* wellAt(int number) const;
    void chooseImageForWell(int number);

    QVector<RecipeEditorImageWell*> m_wells;
};
