// The visual browser on a library of 20,000 recipes, each with a picture (photographs of
// 1200 × 800 as JPEG), in a library window of 1280 × 800 with the strip 760 wide:
// - BM_SwitchToVisualBrowser: from choosing the strip until its first cards are painted
//   (pictures still arriving), and until the pictures of the cards in view are shown.
// - BM_ScrollEndToEnd: the strip scrolled from the first card to the last at a steady pace
//   (half a card per frame); each frame is the main thread's work for it: the scroll, the
//   events that arrived (pictures handed back) and the paint. Reports the slowest frame and
//   the 99th percentile, as wall time and as the main thread's CPU time, the most cards alive
//   and the peak memory (before the scroll: the open library and the window).
//   BENCH_BROWSER_TRACE=1 prints each frame over 8 ms of CPU (scroll, events and paint apart)
//   and each removal of far cards; BENCH_BROWSER_TRACE=events also names the event that took
//   the most time in the frame, at some cost to every event.
#include "BenchSupport.h"

#include "library/RecipesArrayController.h"
#include "library/RecipesManagedObject.h"
#include "library/VisualBrowserImageCache.h"
#include "library/ui/VisualBrowserItem.h"
#include "platform/ObjectContext.h"
#include "platform/UserDefaults.h"
#include "shell/MainWindow.h"
#include "shell/RecipeVisualBrowser.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QSplitter>

#include <algorithm>
#include <ctime>
#include <memory>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kRecipes = 20000;

// Eight distinct photographs, each file of the library a hard link to one of them: real
// decoding work for every card without writing 20,000 files.
void addPictures(const QString& libraryPath, ObjectContext* context) {
    const QString images = libraryPath + QStringLiteral("/Images");
    QDir().mkpath(images);
    QStringList sources;
    for (int i = 0; i < 8; ++i) {
        QImage photo(1200, 800, QImage::Format_RGB32);
        QPainter painter(&photo);
        QLinearGradient gradient(0, 0, 1200, 800);
        gradient.setColorAt(0, QColor::fromHsv(i * 45, 160, 230));
        gradient.setColorAt(1, QColor::fromHsv((i * 45 + 120) % 360, 200, 90));
        painter.fillRect(photo.rect(), gradient);
        QRandomGenerator random(quint32(i) + 1);
        for (int spot = 0; spot < 400; ++spot) {
            painter.setBrush(QColor::fromRgb(random.generate()));
            painter.setPen(Qt::NoPen);
            painter.drawEllipse(QPoint(random.bounded(1200), random.bounded(800)), random.bounded(4, 40),
                                random.bounded(4, 40));
        }
        painter.end();
        const QString source = libraryPath + QStringLiteral("/photo-%1.jpg").arg(i);
        photo.save(source, "JPEG", 85);
        sources.append(source);
    }
    int n = 0;
    for (ManagedObject* record : context->executeFetchRequest(FetchRequest(QStringLiteral("Recipes")))) {
        const QString path = static_cast<RecipesManagedObject*>(record)->imagePathAtIndex(1);
        if (!path.isEmpty() && !QFile::exists(path))
            if (::link(QFile::encodeName(sources.at(n++ % 8)).constData(),
                       QFile::encodeName(path).constData()) != 0)
                QFile::copy(sources.at(n % 8), path);
    }
}

struct BrowserFixture {
    QString path;
    std::unique_ptr<bench::OpenLibrary> library;
    std::unique_ptr<MainWindow> window;

    BrowserFixture() {
        UserDefaults::setObjectForKey(false, QStringLiteral("visualBrowserEnabled"));
        path = bench::scratchCopyOfLibrary(kRecipes);
        library = std::make_unique<bench::OpenLibrary>(path, false);
        addPictures(path, library->context());
        RecipesArrayController& recipes = library->session()->recipesArrayController();
        recipes.rearrangeObjects();
        window = std::make_unique<MainWindow>();
        window->setRecipesArrayController(&recipes);
        // The window places itself on the screen when first shown (the offscreen screen is
        // 800 wide), so it gets its size afterwards.
        window->show();
        window->resize(1280, 800);
        window->splitter()->setSizes({200, 760, 320});
        settle(0.3);
    }
    // Lets timers and queued results run for a while (the strip's 0.08 s guard included).
    static void settle(double seconds) {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < seconds * 1000)
            QApplication::processEvents(QEventLoop::AllEvents, 10);
    }
};

// Made on first use and destroyed by main() while the application object still exists.
std::unique_ptr<BrowserFixture>& fixtureSlot() {
    static std::unique_ptr<BrowserFixture> f;
    return f;
}

BrowserFixture& fixture() {
    if (!fixtureSlot())
        fixtureSlot() = std::make_unique<BrowserFixture>();
    return *fixtureSlot();
}

// With BENCH_BROWSER_TRACE=events, every event the main thread handles is timed, so a slow
// frame can name the event that took its time (receiver class, object name, event type).
struct SlowestEvent {
    double cpuMs = 0;
    QString what;
};
SlowestEvent& slowestEvent() {
    static SlowestEvent slowest;
    return slowest;
}

double threadCpuMs();

class TracingApplication : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override {
        if (m_depth > 0 || !m_trace)
            return QApplication::notify(receiver, event);
        ++m_depth;
        const double start = threadCpuMs();
        const int type = int(event->type());
        const QString name = QString::fromLatin1(receiver->metaObject()->className()) + QLatin1Char('/') +
                             receiver->objectName() + QLatin1Char('/') + QString::number(type);
        const bool handled = QApplication::notify(receiver, event);
        const double spent = threadCpuMs() - start;
        --m_depth;
        if (spent > slowestEvent().cpuMs)
            slowestEvent() = {spent, name};
        return handled;
    }

private:
    int m_depth = 0;
    bool m_trace = qgetenv("BENCH_BROWSER_TRACE") == "events";
};

// CPU time of the calling thread: the main thread's own work for a frame, apart from the
// time other processes of a shared machine took the core away.
double threadCpuMs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

void BM_SwitchToVisualBrowser(benchmark::State& state) {
    BrowserFixture& f = fixture();
    double picturesMs = 0;
    for (auto _ : state) {
        state.PauseTiming();
        f.window->setVisualBrowserEnabled(false);
        f.window->visualBrowser()->imageCache()->cancelQueuedReads();
        BrowserFixture::settle(0.2);
        state.ResumeTiming();
        QElapsedTimer clock;
        clock.start();
        f.window->setVisualBrowserEnabled(true);
        QApplication::processEvents();
        f.window->repaint(); // the first cards painted, pictures or not
        state.PauseTiming();
        // Until the cards in view show their pictures (read on worker threads).
        RecipeVisualBrowser* browser = f.window->visualBrowser();
        auto allShown = [browser] {
            const int first = browser->scrollOffset() / browser->objectWidth();
            const int last =
                (browser->scrollOffset() + browser->viewport()->width()) / browser->objectWidth();
            for (int i = first; i <= last && i < browser->numberOfObjects(); ++i)
                if (!browser->itemAtIndex(i) || !browser->itemAtIndex(i)->hasImage())
                    return false;
            return true;
        };
        while (!allShown() && clock.elapsed() < 5000)
            QApplication::processEvents(QEventLoop::AllEvents, 5);
        picturesMs += double(clock.nsecsElapsed()) / 1e6;
        state.ResumeTiming();
    }
    state.counters["pictures_in_view_ms"] = picturesMs / double(state.iterations());
    state.counters["cards"] = f.window->visualBrowser()->existingCount();
}
BENCHMARK(BM_SwitchToVisualBrowser)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_ScrollEndToEnd(benchmark::State& state) {
    BrowserFixture& f = fixture();
    f.window->setVisualBrowserEnabled(true);
    BrowserFixture::settle(0.2);
    f.window->splitter()->setSizes({200, 760, 320});
    BrowserFixture::settle(0.2);
    RecipeVisualBrowser* browser = f.window->visualBrowser();
    state.counters["peak_before_MiB"] = bench::peakMemoryMiB();
    state.counters["card_width"] = browser->objectWidth();
    state.counters["strip_width"] = browser->viewport()->width();
    state.counters["window_width"] = f.window->width();
    QScrollBar* bar = browser->horizontalScrollBar();
    for (auto _ : state) {
        bar->setValue(0);
        BrowserFixture::settle(0.1);
        const int step = std::max(browser->objectWidth() / 2, 1);
        std::vector<double> frames;
        std::vector<double> cpuFrames;
        frames.reserve(size_t(bar->maximum() / step + 2));
        cpuFrames.reserve(frames.capacity());
        int mostCards = 0;
        int cardsBefore = browser->existingCount();
        for (int offset = 0; offset <= bar->maximum() + step - 1; offset += step) {
            QElapsedTimer frame;
            frame.start();
            slowestEvent() = {};
            const double cpuStart = threadCpuMs();
            bar->setValue(std::min(offset, bar->maximum()));
            const double cpuScrolled = threadCpuMs();
            QApplication::processEvents();
            const double cpuEvents = threadCpuMs();
            browser->viewport()->repaint();
            frames.push_back(double(frame.nsecsElapsed()) / 1e6);
            cpuFrames.push_back(threadCpuMs() - cpuStart);
            if (cpuFrames.back() > 8.0 && qEnvironmentVariableIsSet("BENCH_BROWSER_TRACE"))
                qInfo("slow frame at offset %d: %.1f ms (scroll %.1f, events %.1f, paint %.1f), %d cards; "
                      "slowest event %.1f ms: %s",
                      offset, cpuFrames.back(), cpuScrolled - cpuStart, cpuEvents - cpuScrolled,
                      cpuStart + cpuFrames.back() - cpuEvents, browser->existingCount(), slowestEvent().cpuMs,
                      qPrintable(slowestEvent().what));
            if (browser->existingCount() + 50 < cardsBefore &&
                qEnvironmentVariableIsSet("BENCH_BROWSER_TRACE"))
                qInfo("far cards removed at offset %d: %.1f ms, %d -> %d cards", offset, cpuFrames.back(),
                      cardsBefore, browser->existingCount());
            cardsBefore = browser->existingCount();
            mostCards = std::max(mostCards, browser->existingCount());
        }
        std::sort(frames.begin(), frames.end());
        std::sort(cpuFrames.begin(), cpuFrames.end());
        state.counters["cpu_slowest_frame_ms"] = cpuFrames.back();
        state.counters["cpu_p99_frame_ms"] = cpuFrames.at(size_t(double(cpuFrames.size() - 1) * 0.99));
        state.counters["frames"] = double(frames.size());
        state.counters["slowest_frame_ms"] = frames.back();
        state.counters["p99_frame_ms"] = frames.at(size_t(double(frames.size() - 1) * 0.99));
        state.counters["median_frame_ms"] = frames.at(frames.size() / 2);
        state.counters["most_cards"] = mostCards;
        state.counters["cached_MiB"] = double(browser->imageCache()->cachedBytes()) / (1024.0 * 1024.0);
    }
    state.counters["peak_MiB"] = bench::peakMemoryMiB();
}
BENCHMARK(BM_ScrollEndToEnd)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication::setOrganizationName(QStringLiteral("Larkspoon! bench"));
    QApplication::setApplicationName(QStringLiteral("Larkspoon! bench browser"));
    TracingApplication app(argc, argv);
    const int result = bench::runBenchmarks(argc, argv);
    fixtureSlot().reset();
    return result;
}
