#include "BorrowedView.h"

#include <QBoxLayout>
#include <QSplitter>
#include <QWidget>

#include <algorithm>

BorrowedView::BorrowedView(QWidget* view) : m_view(view) {
    if (!view)
        return;
    m_lent = true;
    m_parent = view->parentWidget();
    m_geometry = view->geometry();
    m_hidden = view->isHidden();
    if (auto* splitter = qobject_cast<QSplitter*>(m_parent.data())) {
        m_splitter = splitter;
        m_index = splitter->indexOf(view);
        m_splitterSizes = splitter->sizes();
    } else if (auto* layout = m_parent ? qobject_cast<QBoxLayout*>(m_parent->layout()) : nullptr) {
        const int index = layout->indexOf(view);
        if (index >= 0) {
            m_layout = layout;
            m_index = index;
            m_stretch = layout->stretch(index);
        }
    }
}

void BorrowedView::giveBack() {
    if (!isLent() || !m_parent)
        return;
    m_lent = false;
    QWidget* view = m_view;
    if (m_splitter && m_index >= 0) {
        m_splitter->insertWidget(m_index, view);
        if (m_splitterSizes.size() == m_splitter->count())
            m_splitter->setSizes(m_splitterSizes);
    } else if (m_layout && m_index >= 0) {
        view->setParent(m_parent);
        m_layout->insertWidget(std::min(m_index, m_layout->count()), view, m_stretch);
    } else {
        view->setParent(m_parent);
    }
    view->setGeometry(m_geometry);
    view->setVisible(!m_hidden);
    if (QLayout* layout = m_parent->layout())
        layout->activate();
}
