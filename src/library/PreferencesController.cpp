#include "PreferencesController.h"

#include "platform/UserDefaults.h"

namespace {
const QString kMakePlainTextEmails = QStringLiteral("makePlainTextEmails");
}

int PreferencesController::emailPreferenceRow() const {
    return UserDefaults::boolForKey(kMakePlainTextEmails) ? 1 : 0;
}

void PreferencesController::setEmailPreference(int row) {
    if (row == 0)
        UserDefaults::removeObjectForKey(kMakePlainTextEmails);
    else
        UserDefaults::setObjectForKey(true, kMakePlainTextEmails);
}
