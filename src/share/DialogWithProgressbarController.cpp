#include "DialogWithProgressbarController.h"

#include "platform/ProgressView.h"
#include "platform/Scheduler.h"

#include <QCoreApplication>
#include <QHash>
#include <QLocale>
#include <QStringList>
#include <QtDebug>

namespace {

// The delayed closes not yet run, by view: a dialog opened again must not be closed by
// the timer of the operation before.
QHash<ProgressView*, int>& pendingCloses() {
    static QHash<ProgressView*, int> pending;
    return pending;
}

void cancelPendingClose(ProgressView* view) {
    const auto it = pendingCloses().constFind(view);
    if (it == pendingCloses().cend())
        return;
    Scheduler::instance().cancel(it.value());
    pendingCloses().erase(it);
}

} // namespace

DialogWithProgressbarController::DialogWithProgressbarController(ProgressView* progressView)
    : m_view(progressView) {}

DialogWithProgressbarController::~DialogWithProgressbarController() = default;

QString DialogWithProgressbarController::importingRecipesText() {
    return tr("Importing Recipes...");
}

QString DialogWithProgressbarController::finishedImportingText() {
    return tr("Finished Importing.");
}

QString DialogWithProgressbarController::finishedImportingText(int recipesImported,
                                                               const QList<SkippedPictureCount>& skipped) {
    return finishedImportingText(recipesImported, skipped, 0, false);
}

QString DialogWithProgressbarController::finishedImportingText(int recipesImported,
                                                               const QList<SkippedPictureCount>& skipped,
                                                               int recipesTooLarge, bool cancelled) {
    QString text =
        (cancelled ? tr("Import Cancelled.") : finishedImportingText()) + u' ' +
        (recipesImported == 1 ? tr("1 recipe imported") : tr("%1 recipes imported").arg(recipesImported));
    if (recipesTooLarge > 0)
        text += recipesTooLarge == 1 ? tr("; 1 recipe was too large to import")
                                     : tr("; %1 recipes were too large to import").arg(recipesTooLarge);
    QList<SkippedPictureCount> reasons;
    int skippedCount = 0;
    for (const SkippedPictureCount& reason : skipped) {
        if (reason.count <= 0)
            continue;
        reasons.append(reason);
        skippedCount += reason.count;
    }
    if (reasons.isEmpty())
        return text + u'.';
    // One reason is named alone; several each with their share of the count.
    QStringList why;
    for (const SkippedPictureCount& reason : std::as_const(reasons))
        why.append(reasons.size() == 1 ? reason.reason
                                       : tr("%1 %2", "count and reason of skipped pictures")
                                             .arg(QString::number(reason.count), reason.reason));
    const QString list = why.join(QLatin1String(", "));
    return text + (skippedCount == 1 ? tr("; 1 picture was skipped: %1.").arg(list)
                                     : tr("; %1 pictures were skipped: %2.").arg(skippedCount).arg(list));
}

QString DialogWithProgressbarController::exportingRecipesText() {
    return tr("Exporting Recipes...");
}

QString DialogWithProgressbarController::finishedExportingText() {
    return tr("Finished Exporting.");
}

QString DialogWithProgressbarController::finishedExportingText(int skippedPictures,
                                                               qint64 droppedCharacters) {
    QStringList leftOut;
    if (skippedPictures > 0)
        leftOut.append(skippedPictures == 1
                           ? tr("1 picture was left out: its recipe would be too large for the file")
                           : tr("%1 pictures were left out: their recipes would be too large for the file")
                                 .arg(skippedPictures));
    if (droppedCharacters > 0)
        leftOut.append(droppedCharacters == 1 ? tr("1 character the file cannot carry was left out")
                                              : tr("%1 characters the file cannot carry were left out")
                                                    .arg(QLocale().toString(droppedCharacters)));
    if (leftOut.isEmpty())
        return finishedExportingText();
    return finishedExportingText() + u' ' + leftOut.join(QLatin1String("; ")) + u'.';
}

QString DialogWithProgressbarController::progressText(int done, int maximum) {
    const QLocale locale;
    return tr("%1 of %2", "recipes done of all in the file")
        .arg(locale.toString(done), locale.toString(maximum));
}

void DialogWithProgressbarController::setCancelHandler(std::function<void()> handler) {
    if (m_view)
        m_view->setCancelHandler(std::move(handler));
}

int DialogWithProgressbarController::ask(const QString& message, const QStringList& buttons,
                                         int defaultButton) {
    ProgressView* view = activeView();
    if (!view)
        return defaultButton;
    const int answer = view->ask(message, buttons, defaultButton);
    return answer >= 0 && answer < buttons.size() ? answer : defaultButton;
}

void DialogWithProgressbarController::showProgressText() {
    if (ProgressView* view = activeView())
        view->setProgressText(m_maximum > 0 ? progressText(qMin(m_done, m_maximum), m_maximum) : QString());
}

bool DialogWithProgressbarController::loadNib() {
    m_loaded = false;
    if (!m_showWindow || !m_view)
        return false;
    cancelPendingClose(m_view);
    if (!m_view->show()) {
        qWarning("error could not load DialogWithProgressbar NIB");
        return false;
    }
    m_loaded = true;
    return true;
}

void DialogWithProgressbarController::openDialog(const QString& headerText, int maximum) {
    if (!loadNib())
        return;
    m_view->setHeaderText(headerText);
    m_view->setMaximum(maximum);
    m_done = 0;
    m_maximum = maximum;
    showProgressText();
}

void DialogWithProgressbarController::setHeaderText(const QString& text) {
    if (ProgressView* view = activeView())
        view->setHeaderText(text);
}

void DialogWithProgressbarController::setMaximum(int maximum) {
    if (ProgressView* view = activeView())
        view->setMaximum(maximum);
    m_done = 0;
    m_maximum = maximum;
    showProgressText();
}

void DialogWithProgressbarController::advanceProgress(int by) {
    if (ProgressView* view = activeView())
        view->advance(by);
    m_done += by;
    showProgressText();
}

void DialogWithProgressbarController::stopProgress() {
    if (ProgressView* view = activeView()) {
        view->stop();
        view->setCancelHandler({});
    }
}

void DialogWithProgressbarController::closeDialogWindow() {
    if (ProgressView* view = activeView()) {
        cancelPendingClose(view);
        view->close();
    }
    m_loaded = false;
}

void DialogWithProgressbarController::closeDialogWindowLater(double seconds) {
    ProgressView* view = activeView();
    m_loaded = false;
    if (!view)
        return;
    cancelPendingClose(view);
    const int id = Scheduler::instance().schedule(
        seconds,
        [view] {
            pendingCloses().remove(view);
            view->close();
        },
        view->lifetime());
    pendingCloses().insert(view, id);
}
