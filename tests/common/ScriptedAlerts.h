#pragma once

#include "platform/Alerts.h"

#include <QList>

// Alerts answered from a queue of button indexes; every question asked is kept so a test
// can check its texts. With the queue empty the default (first) button is pressed.
class ScriptedAlerts final : public Alerts {
public:
    QList<AlertRequest> asked;
    QList<AlertResponse> answers;

    void queueButton(int button) {
        AlertResponse response;
        response.button = button;
        answers.append(response);
    }
    AlertResponse runModal(const AlertRequest& request) override {
        asked.append(request);
        return answers.isEmpty() ? AlertResponse{} : answers.takeFirst();
    }
};
