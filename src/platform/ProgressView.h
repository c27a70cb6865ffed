#pragma once

#include <functional>

#include <QObject>
#include <QString>
#include <QStringList>

// The port of the importers' progress dialog: a header text and a determinate bar. The GUI
// shows a small window above the others; tests record the steps. Long work runs in batches
// from the event loop, so the window redraws between them without being asked.
class ProgressView {
public:
    virtual ~ProgressView() = default;
    // Shows the dialog centred and in front; false when it could not be built (the work
    // then runs without it).
    virtual bool show() = 0;
    virtual void setHeaderText(const QString& text) = 0;
    virtual void setMaximum(int maximum) = 0;
    virtual void advance(int by = 1) = 0;
    virtual void stop() = 0;  // the bar stops animating
    virtual void close() = 0; // hides and closes the dialog
    // A line below the bar ("120 of 2,000"); empty hides it.
    virtual void setProgressText(const QString& text) { Q_UNUSED(text) }
    // A Cancel button that calls handler; an empty handler removes the button.
    virtual void setCancelHandler(std::function<void()> handler) { Q_UNUSED(handler) }
    // Shows message below the header with a button for each title (defaultButton's is pressed
    // by Return) and waits for one; answers the index of the button pressed. A view that
    // cannot ask answers defaultButton.
    virtual int ask(const QString& message, const QStringList& buttons, int defaultButton) {
        Q_UNUSED(message)
        Q_UNUSED(buttons)
        return defaultButton;
    }

    // Work deferred for this view (a delayed close) names this object as its receiver, so
    // it is dropped when the view is destroyed.
    QObject* lifetime() { return &m_lifetime; }

private:
    QObject m_lifetime;
};
