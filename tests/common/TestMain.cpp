// The main() of every test executable: a headless Qt application and a private HOME,
// so no test reads or writes the user's real settings, documents or library.
#include "TestSupport.h"

#include "platform/Scheduler.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>
#include <QTemporaryDir>
#ifdef LARKSPOON_TEST_WIDGETS
#include <QApplication>
#else
#include <QGuiApplication>
#endif

#include <cstdlib>
#include <memory>

namespace {

// Delayed work a test left behind may point at objects that test destroyed: it is dropped,
// and the clock runs normally again, before the next test of the same process starts.
class SchedulerReset : public testing::EmptyTestEventListener {
    void OnTestEnd(const testing::TestInfo&) override {
        Scheduler::instance().cancelAll();
        Scheduler::instance().setAutomaticTime();
    }
};

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    if (qEnvironmentVariableIsEmpty("QTWEBENGINE_CHROMIUM_FLAGS"))
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu");

    // A fresh home for this process; removed when the tests end.
    QTemporaryDir home(QDir::tempPath() + QStringLiteral("/larkspoon-test-home-XXXXXX"));
    if (!home.isValid())
        return 2;
    qputenv("HOME", home.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", (home.path() + QStringLiteral("/.config")).toUtf8());
    qputenv("XDG_DATA_HOME", (home.path() + QStringLiteral("/.local/share")).toUtf8());
    qputenv("XDG_CACHE_HOME", (home.path() + QStringLiteral("/.cache")).toUtf8());
    qputenv("XDG_DOCUMENTS_DIR", (home.path() + QStringLiteral("/Documents")).toUtf8());
    QStandardPaths::setTestModeEnabled(true);

    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QCoreApplication::setOrganizationName(QStringLiteral("Larkspoon!"));
    QCoreApplication::setApplicationName(QStringLiteral("Larkspoon!"));
#ifdef LARKSPOON_TEST_WIDGETS
    QApplication app(argc, argv);
#else
    QGuiApplication app(argc, argv);
#endif
    testing::InitGoogleTest(&argc, argv);
    testing::UnitTest::GetInstance()->listeners().Append(new SchedulerReset);
    return RUN_ALL_TESTS();
}
