#pragma once

#include "library/CoreDataController.h"
#include "library/LibrarySession.h"
#include "library/LibraryStore.h"
#include "platform/ObjectContext.h"

#include <QString>

#include <memory>

namespace testsupport {

// A library session as the application makes one, over a store the test opens (creating it
// when absent) at libraryPath. Nothing is scheduled: the test runs what it needs. The store
// goes after the session, as in the application.
class TestSession {
public:
    TestSession(const QString& libraryPath, Alerts& alerts) {
        QString error;
        std::unique_ptr<ObjectContext> context = openLibraryStore(libraryPath, true, &error);
        if (!context) {
            m_error = error;
            return;
        }
        m_store = std::make_unique<CoreDataController>(libraryPath, std::move(context), &alerts);
        m_session = std::make_unique<LibrarySession>(*m_store, alerts);
    }
    ~TestSession() { m_session.reset(); }
    TestSession(const TestSession&) = delete;
    TestSession& operator=(const TestSession&) = delete;

    bool isOpen() const { return m_session != nullptr; }
    const QString& error() const { return m_error; }
    ObjectContext* context() const { return m_store ? m_store->managedObjectContext() : nullptr; }
    CoreDataController& store() const { return *m_store; }
    LibrarySession* session() const { return m_session.get(); }
    RecipesArrayController& recipes() const { return m_session->recipesArrayController(); }

private:
    std::unique_ptr<CoreDataController> m_store;
    std::unique_ptr<LibrarySession> m_session;
    QString m_error;
};

} // namespace testsupport
