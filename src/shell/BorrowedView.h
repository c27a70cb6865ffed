#pragma once

#include <QList>
#include <QPointer>
#include <QRect>

class QBoxLayout;
class QSplitter;
class QWidget;

// A view of the main window lent to another window, with what it takes to give it back
// exactly: its parent, its place in the parent's splitter or box layout (index, stretch, the
// splitter's sizes) or, outside any layout, its geometry, and whether it was hidden.
class BorrowedView {
public:
    BorrowedView() = default;
    // Records where view is now; the borrower then reparents it as it likes.
    explicit BorrowedView(QWidget* view);

    QWidget* view() const { return m_view; }
    QWidget* previousParent() const { return m_parent; }
    QRect previousGeometry() const { return m_geometry; }
    bool wasHidden() const { return m_hidden; }
    bool isLent() const { return !m_view.isNull() && m_lent; }

    // Puts the view back where it was recorded. Nothing when it was given back already or
    // either the view or its parent is gone.
    void giveBack();

private:
    QPointer<QWidget> m_view;
    QPointer<QWidget> m_parent;
    QPointer<QSplitter> m_splitter;
    QPointer<QBoxLayout> m_layout;
    int m_index = -1;
    int m_stretch = 0;
    QList<int> m_splitterSizes;
    QRect m_geometry;
    bool m_hidden = false;
    bool m_lent = false;
};
