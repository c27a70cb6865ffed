#include "UndoManager.h"

#include <QTimer>

UndoManager::UndoManager(QObject* parent) : QObject(parent) {}

void UndoManager::beginUndoGrouping() {
    if (m_level == 0)
        closeImplicitGroup();
    ++m_level;
}

void UndoManager::endUndoGrouping() {
    if (m_level == 0)
        return;
    if (--m_level == 0 && !m_open.actions.empty()) {
        m_undoStack.push_back(std::move(m_open));
        m_open = Group{};
        emit stateChanged();
    }
}

void UndoManager::runAsOneStep(const QString& name, const std::function<void()>& work) {
    beginUndoGrouping();
    work();
    if (!m_open.actions.empty())
        m_open.name = name;
    endUndoGrouping();
}

void UndoManager::joinLastStep(const std::function<void()>& work) {
    closeImplicitGroup();
    if (m_level > 0 || m_undoStack.empty()) {
        work();
        return;
    }
    // The last step is opened again as an explicit group and closed around what work adds.
    m_open = std::move(m_undoStack.back());
    m_undoStack.pop_back();
    ++m_level;
    work();
    endUndoGrouping();
}

void UndoManager::openImplicitGroupIfNeeded() {
    if (m_level > 0 || m_implicitOpen)
        return;
    m_implicitOpen = true;
    // The gesture ends when control returns to the event loop.
    QTimer::singleShot(0, this, &UndoManager::closeImplicitGroup);
}

void UndoManager::closeImplicitGroup() {
    if (!m_implicitOpen)
        return;
    m_implicitOpen = false;
    if (!m_open.actions.empty()) {
        m_undoStack.push_back(std::move(m_open));
        m_open = Group{};
        emit stateChanged();
    }
}

void UndoManager::registerUndo(std::function<void()> action) {
    if (m_disabled > 0)
        return;
    if (m_undoing || m_redoing) {
        // While undoing, the inverse goes into the group being built for the other stack.
        m_open.actions.push_back(std::move(action));
        return;
    }
    openImplicitGroupIfNeeded();
    m_open.actions.push_back(std::move(action));
    // A new change makes the redo history meaningless.
    if (!m_redoStack.empty())
        m_redoStack.clear();
}

bool UndoManager::canUndo() const {
    return !m_undoStack.empty() || !m_open.actions.empty();
}

bool UndoManager::canRedo() const {
    return !m_redoStack.empty();
}

void UndoManager::apply(std::vector<Group>& from, std::vector<Group>& to, bool& flag) {
    closeImplicitGroup();
    if (m_level > 0 || from.empty())
        return;
    Group group = std::move(from.back());
    from.pop_back();
    flag = true;
    m_open = Group{};
    m_open.name = group.name;
    for (auto it = group.actions.rbegin(); it != group.actions.rend(); ++it)
        (*it)();
    flag = false;
    if (!m_open.actions.empty())
        to.push_back(std::move(m_open));
    m_open = Group{};
    emit stateChanged();
}

void UndoManager::undo() {
    apply(m_undoStack, m_redoStack, m_undoing);
}

void UndoManager::redo() {
    apply(m_redoStack, m_undoStack, m_redoing);
}

void UndoManager::setActionName(const QString& name) {
    if (!m_open.actions.empty() || m_level > 0)
        m_open.name = name;
    else if (!m_undoStack.empty())
        m_undoStack.back().name = name;
}

QString UndoManager::undoActionName() const {
    if (!m_open.actions.empty())
        return m_open.name;
    return m_undoStack.empty() ? QString() : m_undoStack.back().name;
}

QString UndoManager::redoActionName() const {
    return m_redoStack.empty() ? QString() : m_redoStack.back().name;
}

void UndoManager::removeAllActions() {
    m_undoStack.clear();
    m_redoStack.clear();
    m_open = Group{};
    m_implicitOpen = false;
    m_level = 0;
    emit stateChanged();
}
