#pragma once

#include <QObject>

// The preferences window's logic: the e-mail format choice and the three check boxes
// that regroup the sidebar. The window (PreferencesWindow) shows and sends these.
class PreferencesController : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Row of the e-mail choice: 0 rich text, 1 plain text (makePlainTextEmails).
    int emailPreferenceRow() const;
    // Row 0 removes makePlainTextEmails; any other row sets it to true.
    void setEmailPreference(int row);

    // Sent by the window's check boxes; the sidebar and group editor listen.
    void refreshSidebar() { emit sidebarRefreshRequested(); }
    void refreshGroceryListCollection() { emit groceryListCollectionRefreshRequested(); }
    void refreshPlatefeedCollection() { emit platefeedCollectionRefreshRequested(); }

    // Asks the window to open (centred, in front).
    void openPreferences() { emit openPreferencesRequested(); }

signals:
    void sidebarRefreshRequested();
    void groceryListCollectionRefreshRequested();
    void platefeedCollectionRefreshRequested();
    void openPreferencesRequested();
};
