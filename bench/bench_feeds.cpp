// Platefeeds against lighttpd's WebDAV on 127.0.0.1: publishing a 500-recipe group with a
// picture each (goal: at most 20 s), a subscriber's first check importing it (at most 15 s),
// and a check of the subscription when nothing changed (at most 200 ms). Skipped when
// lighttpd is not installed.
#include "BenchSupport.h"

#include "../tests/share/FeedServers.h"

#include "library/GroupsManagedObject.h"
#include "library/RecipesManagedObject.h"
#include "platform/ObjectContext.h"
#include "share/PlatefeedManager.h"

#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QImage>
#include <QRandomGenerator>
#include <QTimer>

namespace {

constexpr int kRecipes = 500;

QByteArray picture() {
    QImage image(320, 240, QImage::Format_RGB32);
    QRandomGenerator random(7);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, random.generate() | 0xFF000000u);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", 80);
    return buffer.data();
}

template <typename Start> void runUntil(PlatefeedManager& manager, bool published, Start start) {
    QEventLoop loop;
    QObject::connect(&manager,
                     published ? &PlatefeedManager::publishedCheckFinished
                               : &PlatefeedManager::subscribedCheckFinished,
                     &loop, &QEventLoop::quit);
    // Started from the loop, so an answer that comes at once still ends it.
    QTimer::singleShot(0, &loop, start);
    loop.exec();
}

struct Feeds {
    WebDavTestServer server;
    QString publisherPath = bench::scratchCopyOfLibrary(kRecipes);
    QTemporaryDir subscriberDir;
    std::unique_ptr<bench::OpenLibrary> publisher;
    std::unique_ptr<bench::OpenLibrary> subscriber;
    std::unique_ptr<PlatefeedManager> publishing;
    std::unique_ptr<PlatefeedManager> subscribing;
    bool ok = false;

    Feeds() {
        if (!WebDavTestServer::isInstalled() || !server.start())
            return;
        publisher = std::make_unique<bench::OpenLibrary>(publisherPath, false);
        const QByteArray data = picture();
        for (ManagedObject* recipe :
             publisher->context()->executeFetchRequest(FetchRequest(QStringLiteral("Recipes"))))
            dynamic_cast<RecipesManagedObject*>(recipe)->saveImage(data, 1);
        publishing = std::make_unique<PlatefeedManager>(*publisher->session());
        PlatefeedAccount account{QUrl(server.address()), QUrl(server.address()), QStringLiteral("cook"),
                                 QStringLiteral("secret")};
        publishing->setAccount(account);
        subscriber =
            std::make_unique<bench::OpenLibrary>(subscriberDir.filePath(QStringLiteral("S.library")), true);
        subscribing = std::make_unique<PlatefeedManager>(*subscriber->session());
        ok = true;
    }
    GroupsManagedObject* myRecipes() const {
        for (ManagedObject* group :
             publisher->context()->executeFetchRequest(FetchRequest(QStringLiteral("Groups"))))
            if (group->valueForKey(QStringLiteral("isLocalLibrary")).toBool())
                return dynamic_cast<GroupsManagedObject*>(group);
        // The benchmark library has no groups: "My Recipes" shows every recipe.
        ManagedObject* group = publisher->context()->insertNewObject(QStringLiteral("Groups"));
        group->setValueForKey(QStringLiteral("My Recipes"), QStringLiteral("name"));
        group->setValueForKey(true, QStringLiteral("isLocalLibrary"));
        return dynamic_cast<GroupsManagedObject*>(group);
    }
};

Feeds& feeds() {
    static Feeds instance;
    return instance;
}

void BM_PublishGroupWithPictures(benchmark::State& state) {
    Feeds& f = feeds();
    if (!f.ok) {
        state.SkipWithError("lighttpd is not installed or did not start");
        return;
    }
    for (auto _ : state) {
        bool created = false;
        runUntil(*f.publishing, true, [&] {
            f.publishing->createNewPublishedPlatefeedWithName(
                QStringLiteral("Bench"), f.myRecipes(), [&](bool ok) {
                    created = ok;
                    if (!ok) // no check follows
                        emit f.publishing->publishedCheckFinished();
                });
        });
        if (!created || f.publishing->lastReports().isEmpty()) {
            const QString why = f.publishing->lastReports().isEmpty()
                                    ? QStringLiteral("no report")
                                    : f.publishing->lastReports().first().error;
            qWarning("publishing failed: %s", qPrintable(why));
            state.SkipWithError("publishing failed");
        } else {
            state.counters["written"] = double(f.publishing->lastReports().first().written.size());
        }
    }
}
BENCHMARK(BM_PublishGroupWithPictures)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_SubscriberFirstCheck(benchmark::State& state) {
    Feeds& f = feeds();
    if (!f.ok) {
        state.SkipWithError("lighttpd is not installed or did not start");
        return;
    }
    for (auto _ : state) {
        runUntil(*f.subscribing, false, [&] {
            f.subscribing->createNewSubcribedPlatefeedWithAddress(
                f.server.address() + QStringLiteral("Sites/Bench"), [](bool) {});
        });
    }
    const QList<PlatefeedReport>& reports = f.subscribing->lastReports();
    state.counters["imported"] = reports.isEmpty() ? 0.0 : double(reports.first().imported);
}
BENCHMARK(BM_SubscriberFirstCheck)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_SubscriberCheckUnchanged(benchmark::State& state) {
    Feeds& f = feeds();
    if (!f.ok) {
        state.SkipWithError("lighttpd is not installed or did not start");
        return;
    }
    for (auto _ : state)
        runUntil(*f.subscribing, false, [&] { f.subscribing->checkSubscribedPlatefeeds(); });
}
BENCHMARK(BM_SubscriberCheckUnchanged)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

int main(int argc, char** argv) {
    return bench::runBenchmarks(argc, argv);
}
