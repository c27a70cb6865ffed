#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

class Alerts;
class CoreDataController;
class GroupsCounterUpdater;
class ManagedObject;
class ObjectContext;
class RecipesArrayController;

// The open library, as every controller sees it: the record context, the one way to save
// it, the alerts, the recipe list and the counts of the sidebar. The application makes one
// when a library opens and hands it to each controller it makes; nothing looks it up.
//
// Who owns whom, and what may be held raw:
//  - The application (AppController, or a command of the command-line tool, or a test)
//    owns the CoreDataController, then the session, then the controllers it makes with
//    the session, and destroys them in the reverse order: controllers first, the session
//    next, the store last. A controller may therefore hold the session (and what the
//    session hands out: the context, the alerts, the recipe list) as raw pointers or
//    references for its whole life.
//  - The session owns the recipe list controller and the counter updater (as children).
//  - The alerts belong to whoever made the session and outlive it.
//  - Windows show controllers; the main window is torn down before the controllers it
//    shows. A window may hold a controller raw only while the controller owns nothing the
//    window needs after closing.
//  - Deferred work (Scheduler tasks, delayed closes) names a receiver and is cancelled when
//    that receiver is destroyed; work that needs the session names the session's owner or
//    a controller, never the session's parts alone.
//  - Long work (an import) runs in batches from the event loop and registers itself here
//    while it runs; other work that must not interleave with it waits (whenIdle).
class LibrarySession : public QObject {
    Q_OBJECT
public:
    // A long operation that runs in batches from the event loop. stop() is called between
    // two batches (so never in the middle of one): the operation takes no further batch,
    // ends as it would at the end of its input, and calls endOperation().
    class Operation {
    public:
        virtual ~Operation() = default;
        virtual void stop() = 0;
    };

    // store must have an open context.
    LibrarySession(CoreDataController& store, Alerts& alerts, QObject* parent = nullptr);
    ~LibrarySession() override;

    // A controller that is handed no session cannot work: it stops the program at once
    // with a message naming it, instead of running without saving.
    static LibrarySession& require(LibrarySession* session, const char* who);

    ObjectContext* context() const { return m_context; }
    CoreDataController& store() const { return m_store; }
    Alerts& alerts() const { return m_alerts; }
    RecipesArrayController& recipesArrayController() const { return *m_recipes; }
    GroupsCounterUpdater& counterUpdater() const { return *m_counters; }
    QString libraryPath() const;

    // The one save of the library: writes the store and, once it is written, removes the
    // picture files of deleted recipes. False when the store could not be written (the
    // user has been told).
    bool save();
    // Queues the recipes' pictures for removal at the next successful save.
    void markRecipesForDelete(const QList<ManagedObject*>& recipes);

    // Long operations: one at a time.
    bool isBusy() const { return m_operation != nullptr; }
    Operation* runningOperation() const { return m_operation; }
    void beginOperation(Operation* operation);
    void endOperation(Operation* operation);
    // Runs action now when no operation runs, else once the running one has ended (in the
    // order asked), unless receiver was destroyed first.
    void whenIdle(QObject* receiver, std::function<void()> action);
    // Stops the running operation (between two of its batches); nothing when none runs.
    void stopRunningOperation();
    // Forgets what waits for the running operation (the application is quitting).
    void dropWaiting();

signals:
    void operationEnded();

private:
    struct Waiting {
        QPointer<QObject> receiver;
        std::function<void()> action;
    };

    CoreDataController& m_store;
    Alerts& m_alerts;
    ObjectContext* m_context;
    RecipesArrayController* m_recipes;
    GroupsCounterUpdater* m_counters;
    Operation* m_operation = nullptr;
    QList<Waiting> m_waiting;
};
