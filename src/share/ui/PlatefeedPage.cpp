#include "share/ui/PlatefeedPage.h"

#include "library/GroupsManagedObject.h"
#include "library/LibrarySession.h"
#include "library/SidebarTreeController.h"
#include "platform/Alerts.h"
#include "platform/Keyring.h"
#include "platform/ObjectContext.h"
#include "share/PlatefeedManager.h"

#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QDesktopServices>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {

QLabel* wrappedLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    label->setMinimumWidth(460);
    return label;
}

} // namespace

PlatefeedPage::PlatefeedPage(PlatefeedManager& manager, Keyring& keyring, LibrarySession& session,
                             QWidget* parent)
    : QWidget(parent), m_manager(manager), m_keyring(keyring), m_session(session), m_guard(this) {
    setObjectName(QStringLiteral("PlatefeedPage"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(12);

    auto* segments = new QHBoxLayout;
    segments->setSpacing(0);
    segments->addStretch(1);
    m_type = new QButtonGroup(this);
    const QStringList titles = {tr("Publish"), tr("Subscribe")};
    for (int i = 0; i < titles.size(); ++i) {
        auto* button = new QPushButton(titles.at(i), this);
        button->setCheckable(true);
        button->setMinimumWidth(110);
        m_type->addButton(button, i);
        segments->addWidget(button);
    }
    segments->addStretch(1);
    layout->addLayout(segments);
    connect(m_type, &QButtonGroup::idClicked, this, &PlatefeedPage::setPlateFeedType);

    m_steps = new QStackedWidget(this);
    layout->addWidget(m_steps);

    // Subscribe.
    // The help text sits below the form: a form row gives a wrapped label the height of one
    // line and cuts it off.
    auto* subscribePage = new QWidget(m_steps);
    auto* subscribeColumn = new QVBoxLayout(subscribePage);
    auto* subscribeLayout = new QFormLayout;
    m_address = new QLineEdit(subscribePage);
    m_address->setObjectName(QStringLiteral("platefeedAddressField"));
    m_address->setMinimumWidth(360);
    subscribeLayout->addRow(tr("Platefeed Address:"), m_address);
    subscribeColumn->addLayout(subscribeLayout);
    subscribeColumn->addWidget(
        wrappedLabel(tr("Enter the address of the platefeed you would like to subscribe "
                        "to, as its publisher's page shows it."),
                     subscribePage));
    subscribeColumn->addStretch(1);
    m_steps->addWidget(subscribePage);

    // Login.
    auto* loginPage = new QWidget(m_steps);
    auto* loginLayout = new QFormLayout(loginPage);
    m_webdav = new QLineEdit(loginPage);
    m_webdav->setObjectName(QStringLiteral("webdavAddressField"));
    m_webdav->setPlaceholderText(QStringLiteral("https://cloud.example.org/remote.php/dav/files/me/Public/"));
    m_public = new QLineEdit(loginPage);
    m_public->setObjectName(QStringLiteral("publicAddressField"));
    m_user = new QLineEdit(loginPage);
    m_user->setObjectName(QStringLiteral("userField"));
    m_password = new QLineEdit(loginPage);
    m_password->setObjectName(QStringLiteral("passwordField"));
    m_password->setEchoMode(QLineEdit::Password);
    loginLayout->addRow(tr("WebDAV Address:"), m_webdav);
    loginLayout->addRow(tr("Public Address:"), m_public);
    loginLayout->addRow(tr("User Name:"), m_user);
    loginLayout->addRow(tr("Password:"), m_password);
    loginLayout->addRow(wrappedLabel(
        tr("Platefeeds are published into the folder “Sites” of a WebDAV space. The public address is where "
           "others read that same space: for a plain WebDAV server it is the WebDAV address. For Nextcloud, "
           "share a folder by public link, enter the folder's WebDAV address above, and as the public "
           "address "
           "https://SERVER/public.php/dav/files/TOKEN, where TOKEN is the last part of the share link. The "
           "password is kept in your desktop's password store."),
        loginPage));
    m_loginNote = wrappedLabel(QString(), loginPage);
    m_loginNote->setObjectName(QStringLiteral("loginNote"));
    loginLayout->addRow(m_loginNote);
    m_steps->addWidget(loginPage);

    // Publish: the group.
    auto* publishPage = new QWidget(m_steps);
    auto* publishLayout = new QFormLayout(publishPage);
    m_groups = new QComboBox(publishPage);
    m_groups->setObjectName(QStringLiteral("publishableGroups"));
    m_groups->setMinimumWidth(300);
    publishLayout->addRow(tr("Group to Publish:"), m_groups);
    publishLayout->addRow(wrappedLabel(
        tr("The recipes of the group are published, and kept up to date as you change them."), publishPage));
    m_signOut = new QPushButton(tr("Sign Out"), publishPage);
    m_signOut->setObjectName(QStringLiteral("signOutButton"));
    m_signOut->setAutoDefault(false);
    publishLayout->addRow(QString(), m_signOut);
    m_steps->addWidget(publishPage);
    connect(m_signOut, &QPushButton::clicked, this, &PlatefeedPage::signOutMobileMe);
    connect(m_groups, &QComboBox::currentIndexChanged, this, [this](int index) {
        m_selectedGroupForPublish =
            static_cast<GroupsManagedObject*>(m_groups->itemData(index).value<void*>());
    });

    // Publish: the title.
    auto* namePage = new QWidget(m_steps);
    auto* nameLayout = new QFormLayout(namePage);
    m_title = new QLineEdit(namePage);
    m_title->setObjectName(QStringLiteral("platefeedTitleField"));
    m_title->setMinimumWidth(320);
    nameLayout->addRow(tr("Platefeed Title:"), m_title);
    nameLayout->addRow(
        wrappedLabel(tr("Subscribers see this title. It also names the folder of the platefeed."), namePage));
    m_steps->addWidget(namePage);

    // Published.
    auto* donePage = new QWidget(m_steps);
    auto* doneLayout = new QVBoxLayout(donePage);
    doneLayout->addWidget(
        wrappedLabel(tr("Your platefeed is published. Others subscribe to it at:"), donePage));
    m_publishedAddress = new QPushButton(donePage);
    m_publishedAddress->setObjectName(QStringLiteral("publishedAddressButton"));
    m_publishedAddress->setFlat(true);
    doneLayout->addWidget(m_publishedAddress);
    m_steps->addWidget(donePage);
    connect(m_publishedAddress, &QPushButton::clicked, this, [this] {
        const QUrl url(m_publishedAddress->text());
        if (url.isValid() && !url.scheme().isEmpty())
            QDesktopServices::openUrl(url);
        emit closeRequested();
    });

    setPlateFeedType(1);
}

void PlatefeedPage::showStep(Step step) {
    m_step = step;
    // The page takes the size of the step shown, not of its largest step.
    for (int i = 0; i < m_steps->count(); ++i)
        m_steps->widget(i)->setSizePolicy(i == int(step) ? QSizePolicy::Preferred : QSizePolicy::Ignored,
                                          i == int(step) ? QSizePolicy::Preferred : QSizePolicy::Ignored);
    m_steps->setCurrentIndex(int(step));
    m_steps->adjustSize();
    adjustSize();
    if (QLineEdit* field = focusField())
        field->setFocus();
    emit stepShown(step);
}

QLineEdit* PlatefeedPage::focusField() const {
    switch (m_step) {
    case Step::Subscribe:
        return m_address;
    case Step::Login:
        return m_webdav->text().isEmpty() ? m_webdav : m_user;
    case Step::PublishName:
        return m_title;
    case Step::Publish:
    case Step::Published:
        break;
    }
    return nullptr;
}

void PlatefeedPage::setPlateFeedType(int segment) {
    if (QAbstractButton* button = m_type->button(segment == 0 ? 0 : 1))
        button->setChecked(true);
    if (segment != 0) {
        showStep(Step::Subscribe);
        return;
    }
    m_signOut->setVisible(m_manager.isConnectedToMobileMe());
    if (m_manager.isConnectedToMobileMe()) {
        setupPublishableGroupsPopupButton();
        showStep(Step::Publish);
        return;
    }
    const PlatefeedAccount& account = m_manager.account();
    m_webdav->setText(account.webdavAddress.toString());
    m_public->setText(account.publicAddress.toString());
    m_user->setText(account.user);
    const bool keyring = m_keyring.isAvailable();
    for (QLineEdit* field : {m_webdav, m_public, m_user, m_password})
        field->setEnabled(keyring);
    m_loginNote->setText(keyring ? QString()
                                 : tr("No password store (Secret Service) is running, so publishing is off: "
                                      "the password would have to be kept in plain text."));
    showStep(Step::Login);
}

void PlatefeedPage::startPublishing(GroupsManagedObject* group) {
    setPlateFeedType(0);
    if (m_step != Step::Publish || !group)
        return;
    const int index = m_groups->findData(QVariant::fromValue(static_cast<void*>(group)));
    if (index >= 0)
        m_groups->setCurrentIndex(index);
    m_selectedGroupForPublish = group;
    m_title->setText(group->stringValue(QStringLiteral("name")));
    showStep(Step::PublishName);
}

void PlatefeedPage::setupPublishableGroupsPopupButton() {
    QList<GroupsManagedObject*> groups;
    for (ManagedObject* object :
         m_session.context()->executeFetchRequest(FetchRequest(QStringLiteral("Groups")))) {
        auto* group = dynamic_cast<GroupsManagedObject*>(object);
        if (!group || group->isDeleted() || SidebarTreeController::isHeader(group) ||
            group->boolValue(QStringLiteral("isSubscribedPlatefeed")) ||
            group->boolValue(QStringLiteral("isPublishedPlatefeed")) ||
            group->boolValue(QStringLiteral("isGroceryList")))
            continue;
        groups.append(group);
    }
    std::sort(groups.begin(), groups.end(), [](GroupsManagedObject* a, GroupsManagedObject* b) {
        const auto rank = [](GroupsManagedObject* group) {
            return group->boolValue(QStringLiteral("isLocalLibrary")) ? 0
                   : group->boolValue(QStringLiteral("isSmartGroup")) ? 2
                                                                      : 1;
        };
        if (rank(a) != rank(b))
            return rank(a) < rank(b);
        return a->stringValue(QStringLiteral("name"))
                   .localeAwareCompare(b->stringValue(QStringLiteral("name"))) < 0;
    });
    m_groups->clear();
    for (GroupsManagedObject* group : groups)
        m_groups->addItem(group->stringValue(QStringLiteral("name")),
                          QVariant::fromValue(static_cast<void*>(group)));
    m_selectedGroupForPublish = groups.isEmpty() ? nullptr : groups.first();
}

void PlatefeedPage::setBusy(bool busy) {
    m_busy = busy;
    setEnabled(!busy);
    emit busyChanged(busy);
}

bool PlatefeedPage::okAction() {
    // A second OK (or Return) while the first request runs would subscribe or publish twice.
    if (m_busy)
        return false;
    switch (m_step) {
    case Step::Subscribe:
        subscribe();
        return false;
    case Step::Login:
        logIn();
        return false;
    case Step::Publish:
        if (!m_selectedGroupForPublish)
            return false;
        m_title->setText(m_selectedGroupForPublish->stringValue(QStringLiteral("name")));
        showStep(Step::PublishName);
        return false;
    case Step::PublishName:
        createNewPublishedPlatefeed();
        return false;
    case Step::Published:
        return true;
    }
    return true;
}

void PlatefeedPage::subscribe() {
    QString address = m_address->text();
    address.remove(QLatin1Char(' '));
    if (address.isEmpty()) {
        refuseEmpty(m_address, tr("please enter the address of the platefeed"));
        return;
    }
    // A subscription link copied from a publisher's page names the feed's address.
    const QString linked = PlatefeedManager::addressFromLink(address);
    if (!linked.isEmpty())
        address = linked;
    setBusy(true);
    QPointer<PlatefeedPage> self(this);
    m_manager.createNewSubcribedPlatefeedWithAddress(address, [self](bool ok) {
        if (!self)
            return;
        self->setBusy(false);
        if (!ok) {
            AlertRequest request;
            request.messageText = tr("Unable to find Platefeed at that address.");
            request.informativeText = tr("Check to make sure you typed the address correctly.");
            request.buttonTitles = {tr("OK")};
            self->m_session.alerts().runModal(request);
        }
        emit self->closeRequested();
    });
}

void PlatefeedPage::createNewPublishedPlatefeed() {
    const QString title = m_title->text().trimmed();
    GroupsManagedObject* group = m_selectedGroupForPublish;
    if (!group)
        return;
    if (PlatefeedManager::folderNameFromTitle(title).isEmpty()) {
        refuseEmpty(m_title, tr("please enter a title for your platefeed"));
        return;
    }
    if (m_titleValidator && !m_titleValidator(title))
        return;
    group->setValueForKey(title, QStringLiteral("platefeedName"));
    const QString folder = PlatefeedManager::folderNameFromTitle(title);
    setBusy(true);
    QPointer<PlatefeedPage> self(this);
    m_manager.createNewPublishedPlatefeedWithName(folder, group, [self, folder](bool ok) {
        if (!self)
            return;
        self->setBusy(false);
        if (!ok) {
            AlertRequest request;
            request.messageText = tr("Unable to create published platefeed.");
            request.buttonTitles = {tr("OK")};
            self->m_session.alerts().runModal(request);
            return;
        }
        self->m_publishedAddress->setText(self->m_manager.publicFolderUrl(folder).toString());
        self->showStep(Step::Published);
    });
}

void PlatefeedPage::logIn() {
    if (!m_keyring.isAvailable())
        return;
    PlatefeedAccount account;
    account.webdavAddress = QUrl(m_webdav->text().trimmed());
    account.publicAddress = QUrl(m_public->text().trimmed());
    account.user = PlatefeedManager::memberName(m_user->text());
    account.password = m_password->text();
    if (account.user.isEmpty() || account.password.isEmpty())
        return;
    const auto failed = [this] {
        AlertRequest request;
        request.messageText = tr("Could not log into MobileMe");
        request.informativeText = tr("Make sure your username and password are correct and try again");
        request.buttonTitles = {tr("OK")};
        m_session.alerts().runModal(request);
    };
    if (!account.isComplete()) {
        failed();
        return;
    }
    if (!confirmPlainTextPassword(account.webdavAddress))
        return;
    setBusy(true);
    QPointer<PlatefeedPage> self(this);
    m_manager.tryAccount(account, [self, account, failed](bool connected) {
        if (!self)
            return;
        if (!connected) {
            self->setBusy(false);
            failed();
            return;
        }
        PlatefeedManager::storeAccount(self->m_keyring, account, [self, failed](bool stored, const QString&) {
            if (!self)
                return;
            self->setBusy(false);
            if (!stored) {
                failed();
                return;
            }
            self->m_password->clear();
            self->setPlateFeedType(0);
        });
    });
}

void PlatefeedPage::signOutMobileMe() {
    setBusy(true);
    QPointer<PlatefeedPage> self(this);
    m_manager.signOutMobileMe(m_keyring, [self](bool) {
        if (!self)
            return;
        self->setBusy(false);
        self->setPlateFeedType(0); // signed out: the login page, without the button
    });
}

void PlatefeedPage::setTitleValidator(std::function<bool(const QString& title)> validator) {
    m_titleValidator = std::move(validator);
}

void PlatefeedPage::refuseEmpty(QLineEdit* field, const QString& note) {
    field->clear();
    field->setPlaceholderText(note);
    field->setFocus();
    QApplication::beep();
}

bool PlatefeedPage::confirmPlainTextPassword(const QUrl& address) {
    if (!PlatefeedManager::sendsPasswordInPlainText(address))
        return true;
    AlertRequest request;
    request.messageText = tr("Your password would be sent unencrypted.");
    request.informativeText =
        tr("The WebDAV address starts with “http:”, not “https:”, so anyone on the network between this "
           "computer and %1 can read your user name and password. Use an “https:” address if the server "
           "offers one.")
            .arg(address.host());
    request.buttonTitles = {tr("Cancel"), tr("Send Unencrypted")};
    return m_session.alerts().runModal(request).button == 1;
}

void PlatefeedPage::fillForScreenshot(Step step) {
    switch (step) {
    case Step::Login:
        setPlateFeedType(0);
        if (m_step == Step::Login) {
            m_webdav->setText(QStringLiteral("https://cloud.example.org/remote.php/dav/files/robin/Public/"));
            m_public->setText(QStringLiteral("https://cloud.example.org/public.php/dav/files/k3Xq9TzA"));
            m_user->setText(QStringLiteral("robin"));
            m_password->setText(QStringLiteral("password"));
        }
        break;
    case Step::PublishName:
        setupPublishableGroupsPopupButton();
        showStep(Step::PublishName);
        m_title->setText(tr("Robin's Weeknight Dinners"));
        break;
    default:
        showStep(step);
        break;
    }
}
