#pragma once

#include <QDialog>
#include <QPointer>

class HtmlPage;
class PrintingController;
class PrintingFormatTableView;
class PrintingThemeTableView;
class QLabel;
class QProgressBar;
class QPushButton;
class QToolButton;
class QWebEngineView;

// The print window, a sheet over the library window: the printing themes, the chosen theme's
// card formats, a preview of the first recipe's first card, the note on the paper to use,
// the text size buttons and the buttons to cancel or continue. It shows what its
// controller holds and hands every choice to it.
class PrintingWindow : public QDialog {
    Q_OBJECT
public:
    static constexpr int kListsWidth = 238; // beside the preview, which is as wide as a card
    static constexpr int kWindowHeight = 640;
    static constexpr int kFormatStripHeight = 130;

    // controller must outlive the window; over is the window it is a sheet of.
    PrintingWindow(PrintingController* controller, QWidget* over);
    ~PrintingWindow() override;

    PrintingThemeTableView* themeTableView() const { return m_themes; }
    PrintingFormatTableView* formatTableView() const { return m_formats; }
    QWebEngineView* previewWebView() const { return m_preview; }
    QLabel* statusBarNoteTextField() const { return m_note; }
    QLabel* generatingPrintsTextField() const { return m_generating; }
    QToolButton* smallerTextButton() const { return m_smaller; }
    QToolButton* largerTextButton() const { return m_larger; }
    QPushButton* printButton() const { return m_continue; }
    // Whether the preview shows a laid-out card (false while one is laid out).
    bool isPreviewShown() const { return m_previewShown; }

public slots:
    void reject() override;

private:
    void openSheet();
    void closeSheet();
    void showPreview(bool ok);
    void blankPreview();
    void fitToCard(int cardWidth);
    void showTextSizeLimits();
    void showGenerating(bool generating);
    void showContinueEnabled();

    PrintingController* m_controller;
    QPointer<QWidget> m_over;
    PrintingThemeTableView* m_themes;
    PrintingFormatTableView* m_formats;
    QWebEngineView* m_preview;
    HtmlPage* m_previewPage;
    QLabel* m_note;
    QLabel* m_generating;
    QProgressBar* m_progress;
    QToolButton* m_smaller;
    QToolButton* m_larger;
    QPushButton* m_cancel;
    QPushButton* m_continue;
    bool m_previewShown = false;
};
