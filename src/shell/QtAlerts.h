#pragma once

#include "platform/Alerts.h"

class QWidget;

// Alerts shown as application-modal message boxes. The buttons keep the order they are
// given with the first one as the default (placed at the trailing end, where the
// affirmative button of a dialog sits); Escape presses a "Cancel" button when there is one.
class QtAlerts final : public Alerts {
public:
    AlertResponse runModal(const AlertRequest& request) override;
};
