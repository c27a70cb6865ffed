#pragma once

#include <QPointer>
#include <QWidget>

#include <functional>

class GroupsManagedObject;
class Keyring;
class LibrarySession;
class PlatefeedManager;
class QButtonGroup;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QStackedWidget;
class QUrl;

// The group editor's "Platefeed" page: publish a group or subscribe to a platefeed. Publishing
// starts on the login page until the WebDAV space answers (its address, the public address
// others read it from, the user name and the password, which goes to the password store);
// then a group is chosen, given a title and published, and the page shows its address.
// Subscribing takes the address of a platefeed.
class PlatefeedPage : public QWidget {
    Q_OBJECT
public:
    enum class Step { Subscribe, Login, Publish, PublishName, Published };

    PlatefeedPage(PlatefeedManager& manager, Keyring& keyring, LibrarySession& session,
                  QWidget* parent = nullptr);

    // Back to the choice of publishing (segment 0) or subscribing (1).
    void setPlateFeedType(int segment);
    // Publishing the group chosen in the sidebar: its title is asked next.
    void startPublishing(GroupsManagedObject* group);
    Step step() const { return m_step; }
    QLineEdit* focusField() const;
    // OK of the sheet: true when the sheet may close now (else it closes on closeRequested
    // once the network has answered, or stays for the next step).
    bool okAction();
    // Signing out of the publishing space: disconnects, removes the credentials from the
    // password store, hides the button and shows the login page again.
    void signOutMobileMe();
    QPushButton* signOutButton() const { return m_signOut; }
    // Checks a platefeed title as group names are checked (the group editor's rules); true
    // to accept. Without one, any title that makes a folder name is taken.
    void setTitleValidator(std::function<bool(const QString& title)> validator);
    // Sample texts for the documentation's pictures.
    void fillForScreenshot(Step step);

signals:
    void closeRequested();
    void busyChanged(bool busy);
    void stepShown(PlatefeedPage::Step step);

private:
    void showStep(Step step);
    void setupPublishableGroupsPopupButton();
    void setBusy(bool busy);
    void createNewPublishedPlatefeed();
    void subscribe();
    void logIn();
    // Asks before a password would go to another machine unencrypted; true to go on.
    bool confirmPlainTextPassword(const QUrl& address);
    // An empty field: its note shows in it, with a beep.
    void refuseEmpty(QLineEdit* field, const QString& note);

    PlatefeedManager& m_manager;
    Keyring& m_keyring;
    LibrarySession& m_session;
    Step m_step = Step::Subscribe;
    bool m_busy = false; // a request of the page runs: OK does nothing until it answers
    std::function<bool(const QString&)> m_titleValidator;
    QPointer<QWidget> m_guard;
    GroupsManagedObject* m_selectedGroupForPublish = nullptr;
    QButtonGroup* m_type = nullptr;
    QStackedWidget* m_steps = nullptr;
    QLineEdit* m_address = nullptr;
    QLineEdit* m_webdav = nullptr;
    QLineEdit* m_public = nullptr;
    QLineEdit* m_user = nullptr;
    QLineEdit* m_password = nullptr;
    QLabel* m_loginNote = nullptr;
    QComboBox* m_groups = nullptr;
    QLineEdit* m_title = nullptr;
    QPushButton* m_publishedAddress = nullptr;
    QPushButton* m_signOut = nullptr;
};
