#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <vector>

// Undo and redo of grouped actions. Changes registered outside an explicit group are
// gathered into one group that closes at the next turn of the event loop (or when the
// owner processes pending changes), so one user gesture undoes as one step.
class UndoManager : public QObject {
    Q_OBJECT
public:
    explicit UndoManager(QObject* parent = nullptr);

    void beginUndoGrouping();
    void endUndoGrouping();
    int groupingLevel() const { return m_level; }
    // Runs work as one undo step named name (the name Edit › Undo shows). A step in which
    // nothing was registered leaves the history as it was.
    void runAsOneStep(const QString& name, const std::function<void()>& work);
    // Runs work as part of the last undo step, as when a command finishes its work at a
    // later turn of the event loop: one undo then reverts both. Without a last step (or
    // inside an open group) work is registered as usual.
    void joinLastStep(const std::function<void()>& work);

    // Registers the action that undoes a change just made.
    void registerUndo(std::function<void()> action);

    bool canUndo() const;
    bool canRedo() const;
    void undo();
    void redo();
    bool isUndoing() const { return m_undoing; }
    bool isRedoing() const { return m_redoing; }

    void setActionName(const QString& name);
    QString undoActionName() const;
    QString redoActionName() const;

    void disableUndoRegistration() { ++m_disabled; }
    void enableUndoRegistration() { --m_disabled; }
    bool isUndoRegistrationEnabled() const { return m_disabled == 0; }

    void removeAllActions();

    // Closes the group opened implicitly by registrations outside any explicit group.
    void closeImplicitGroup();

Q_SIGNALS:
    void stateChanged();

private:
    struct Group {
        QString name;
        std::vector<std::function<void()>> actions;
    };
    void openImplicitGroupIfNeeded();
    void apply(std::vector<Group>& from, std::vector<Group>& to, bool& flag);

    std::vector<Group> m_undoStack;
    std::vector<Group> m_redoStack;
    Group m_open;
    int m_level = 0;
    bool m_implicitOpen = false;
    int m_disabled = 0;
    bool m_undoing = false;
    bool m_redoing = false;
};
