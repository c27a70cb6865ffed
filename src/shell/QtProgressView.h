#pragma once

#include "platform/ProgressView.h"

#include <QPointer>

class QDialog;
class QHBoxLayout;
class QLabel;
class QProgressBar;
class QPushButton;
class QWidget;

// The importers' progress dialog: a small window above the others with a header text and
// a determinate bar, built on first show, with "n of N" below it and, for work that can be
// stopped, a Cancel button (Escape presses it). It is modal: while an import runs in batches from
// the event loop, the user's input to the other windows waits.
class QtProgressView final : public ProgressView {
public:
    explicit QtProgressView(QWidget* parent = nullptr);
    ~QtProgressView() override;

    bool show() override;
    void setHeaderText(const QString& text) override;
    void setMaximum(int maximum) override;
    void advance(int by = 1) override;
    void stop() override;
    void close() override;
    void setProgressText(const QString& text) override;
    void setCancelHandler(std::function<void()> handler) override;
    // The question below the header with its buttons, in place of Cancel, until one is
    // pressed; Escape presses the default one.
    int ask(const QString& message, const QStringList& buttons, int defaultButton) override;

    QDialog* dialog() const { return m_dialog; }
    // The window the dialog centres on (it may be built after the view).
    void setParentWidget(QWidget* parent) { m_parent = parent; }

private:
    QPointer<QWidget> m_parent;
    // The dialog and its parts go with the window they belong to, which may close while an
    // import still reports to this view (the application quitting).
    QPointer<QDialog> m_dialog;
    QPointer<QLabel> m_header;
    QPointer<QProgressBar> m_bar;
    QPointer<QLabel> m_progress;
    QPointer<QPushButton> m_cancel;
    QPointer<QLabel> m_question;
    QPointer<QHBoxLayout> m_choices;
    // While a question is up: answers it with its default button.
    std::function<void()> m_answerDefault;
    std::function<void()> m_cancelHandler;
    void cancelRequested();
};
