#include "LibrarySession.h"

#include "CoreDataController.h"
#include "GroupsCounterUpdater.h"
#include "RecipesArrayController.h"

#include <QtDebug>

LibrarySession::LibrarySession(CoreDataController& store, Alerts& alerts, QObject* parent)
    : QObject(parent), m_store(store), m_alerts(alerts), m_context(store.managedObjectContext()),
      m_recipes(nullptr), m_counters(nullptr) {
    if (!m_context)
        qFatal("a library session needs an open library store");
    m_recipes = new RecipesArrayController(m_context, this);
    m_counters = new GroupsCounterUpdater(m_context, this);
}

// A running operation ends before the session's parts go (it may be a child of the session,
// deleted only after them); what waited for it is dropped.
LibrarySession::~LibrarySession() {
    m_waiting.clear();
    stopRunningOperation();
}

LibrarySession& LibrarySession::require(LibrarySession* session, const char* who) {
    if (!session)
        qFatal("%s was made without a library session", who);
    return *session;
}

QString LibrarySession::libraryPath() const {
    return m_store.libraryPath();
}

bool LibrarySession::save() {
    return m_store.saveAction();
}

void LibrarySession::markRecipesForDelete(const QList<ManagedObject*>& recipes) {
    m_store.markRecipesForDelete(recipes);
}

void LibrarySession::beginOperation(Operation* operation) {
    if (m_operation && m_operation != operation)
        qWarning("a long operation started while another one runs");
    m_operation = operation;
}

void LibrarySession::endOperation(Operation* operation) {
    if (m_operation != operation)
        return;
    m_operation = nullptr;
    emit operationEnded();
    // What waited runs in the order asked; an action that starts another operation leaves
    // the rest waiting for that one.
    while (!m_operation && !m_waiting.isEmpty()) {
        const Waiting next = m_waiting.takeFirst();
        if (next.receiver)
            next.action();
    }
}

void LibrarySession::whenIdle(QObject* receiver, std::function<void()> action) {
    if (!m_operation && m_waiting.isEmpty()) {
        action();
        return;
    }
    m_waiting.append({QPointer<QObject>(receiver), std::move(action)});
}

void LibrarySession::dropWaiting() {
    m_waiting.clear();
}

void LibrarySession::stopRunningOperation() {
    if (m_operation)
        m_operation->stop();
}
