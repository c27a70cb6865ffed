#pragma once

#include <QString>
#include <QStringList>

// The port through which controllers ask the user a modal question. The GUI answers
// with a real message box; tests answer from a script and keep the questions asked.

struct AlertRequest {
    QString messageText;
    QString informativeText;
    QStringList buttonTitles; // the first is the default button
    QString checkBoxTitle;    // empty: no check box
    bool checkBoxState = false;
};

struct AlertResponse {
    int button = 0; // index into buttonTitles (0 = first button)
    bool checkBoxState = false;
};

class Alerts {
public:
    virtual ~Alerts() = default;
    virtual AlertResponse runModal(const AlertRequest& request) = 0;

    // Convenience: ask and return the index of the button pressed.
    int ask(const QString& message, const QString& informative, const QStringList& buttons) {
        AlertRequest request;
        request.messageText = message;
        request.informativeText = informative;
        request.buttonTitles = buttons;
        return runModal(request).button;
    }
};

// Answers every question with its first (default) button and keeps nothing; for
// headless callers that have already been told what to do.
class DefaultButtonAlerts final : public Alerts {
public:
    AlertResponse runModal(const AlertRequest& request) override {
        AlertResponse response;
        response.checkBoxState = request.checkBoxState;
        return response;
    }
};
