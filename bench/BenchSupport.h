#pragma once

#include "library/CoreDataController.h"
#include "library/LibrarySession.h"
#include "platform/Alerts.h"

#include <QString>
#include <QVariantMap>

#include <memory>

class ObjectContext;

// Shared helpers of the benchmarks.
namespace bench {

// A library folder with that many realistic recipes (12 ingredient rows, 1-3 KB of
// directions, notes, three keywords each), made once and kept under the build folder.
QString libraryWithRecipes(int count);

// A copy of such a library in a fresh temporary folder, for benchmarks that write.
QString scratchCopyOfLibrary(int count);

// The values of one generated recipe; the same index always gives the same recipe.
QVariantMap recipeValues(int index);

// Starts a Qt application object once for benchmarks that need one.
void ensureApplication();

// The main() of every benchmark program: a Qt application object, then the benchmarks
// chosen on the command line.
int runBenchmarks(int argc, char** argv);

// Peak resident memory of this process so far, in MiB.
double peakMemoryMiB();

// A library opened as the application opens it, with a session whose questions all get
// their default answer; stops the benchmark when the store cannot be opened.
class OpenLibrary {
public:
    OpenLibrary(const QString& libraryPath, bool create);
    ~OpenLibrary();
    OpenLibrary(const OpenLibrary&) = delete;
    OpenLibrary& operator=(const OpenLibrary&) = delete;

    ObjectContext* context() const;
    LibrarySession* session() const { return m_session.get(); }

private:
    DefaultButtonAlerts m_alerts;
    std::unique_ptr<CoreDataController> m_store;
    std::unique_ptr<LibrarySession> m_session;
};

} // namespace bench
