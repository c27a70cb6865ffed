#pragma once

#include <QCoreApplication>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class ProgressView;

// Pictures an import left out for one reason ("not in a format Larkspoon! can show").
struct SkippedPictureCount {
    QString reason;
    int count = 0;
};

// The progress dialog every importer shows: a header text and a determinate bar, through
// the ProgressView port. With showWindow off (or no view) the dialog is never loaded and
// every step below does nothing, so headless callers run the same code.
class DialogWithProgressbarController {
    Q_DECLARE_TR_FUNCTIONS(DialogWithProgressbarController)

public:
    explicit DialogWithProgressbarController(ProgressView* progressView = nullptr);
    virtual ~DialogWithProgressbarController();
    DialogWithProgressbarController(const DialogWithProgressbarController&) = delete;
    DialogWithProgressbarController& operator=(const DialogWithProgressbarController&) = delete;

    bool showWindow() const { return m_showWindow; }
    void setShowWindow(bool showWindow) { m_showWindow = showWindow; }
    ProgressView* progressView() const { return m_view; }

    // Loads the dialog when showWindow is on; when it cannot be shown the work runs
    // without it. True when the dialog is up.
    bool loadNib();
    // Loads the dialog, sets the header, shows it in front and sets the bar's maximum.
    void openDialog(const QString& headerText, int maximum);
    void setHeaderText(const QString& text);
    void setMaximum(int maximum);
    void advanceProgress(int by = 1);
    void stopProgress();
    // Hides and closes the dialog now.
    void closeDialogWindow();
    // Closes the dialog after the delay (1.0 s), through the scheduler. The pending close
    // holds only the view and dies with it, so this controller may be gone by then; opening
    // the same view again before it fires cancels it.
    void closeDialogWindowLater(double seconds = 1.0);

    static QString importingRecipesText();
    static QString finishedImportingText();
    // "Finished Importing." with how many recipes came in and, when any, how many pictures
    // were left out and why: "Finished Importing. 12 recipes imported; 3 pictures were
    // skipped: not in a format Larkspoon! can show." Reasons with a count of 0 are left out.
    static QString finishedImportingText(int recipesImported, const QList<SkippedPictureCount>& skipped);
    // The same with the entries too large to import ("; 1 recipe was too large to import")
    // and, for an import stopped before the end, "Import Cancelled." in place of "Finished
    // Importing.".
    static QString finishedImportingText(int recipesImported, const QList<SkippedPictureCount>& skipped,
                                         int recipesTooLarge, bool cancelled);
    static QString exportingRecipesText();
    static QString finishedExportingText();
    // "Finished Exporting." with the pictures and characters left out, when any.
    static QString finishedExportingText(int skippedPictures, qint64 droppedCharacters);
    // "120 of 2,000": the bar's position as the dialog shows it below the bar.
    static QString progressText(int done, int maximum);

    // Shows a Cancel button that calls handler (once the dialog is up); an empty handler
    // removes it.
    void setCancelHandler(std::function<void()> handler);

    // Asks in the dialog (ProgressView::ask) when it is up; otherwise answers defaultButton.
    int ask(const QString& message, const QStringList& buttons, int defaultButton);

private:
    ProgressView* activeView() const { return m_loaded ? m_view : nullptr; }

    ProgressView* m_view;
    void showProgressText();

    bool m_showWindow = false;
    bool m_loaded = false;
    int m_done = 0;
    int m_maximum = 0;
};
