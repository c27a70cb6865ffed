#include "GroupEditorSheet.h"

#include "SidebarOutlineView.h"
#include "SmartGroupPredicateEditor.h"
#include "library/GroupsManagedObject.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QDesktopServices>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QStackedWidget>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

namespace {

using Kind = SidebarTreeController::GroupKind;

// A refused name's note flashes three times: six changes, shown at the end.
constexpr int kNoteFlashChanges = 6;
constexpr int kNoteFlashIntervalMs = 140;

void setNoteShown(QLabel* note, bool shown) {
    QPalette palette = note->palette();
    palette.setColor(QPalette::WindowText, shown ? QColor(0xCC, 0x1F, 0x1A) : QColor(Qt::transparent));
    note->setPalette(palette);
}

QWidget* toolbarSpacer(QWidget* parent) {
    auto* spacer = new QWidget(parent);
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    return spacer;
}

} // namespace

GroupEditorSheet::GroupEditorSheet(GroupEditorController* controller, QWidget* parent)
    : QDialog(parent), m_controller(controller) {
    setObjectName(QStringLiteral("GroupEditorSheet"));
    // A sheet belongs to its window: it blocks that window only, not the application.
    setWindowModality(Qt::WindowModal);
    setSizeGripEnabled(false);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    outer->setSizeConstraint(QLayout::SetFixedSize);

    m_toolbar = new QToolBar(tr("Group Types"), this);
    m_toolbar->setObjectName(QStringLiteral("GroupEditorToolbar"));
    m_toolbar->setMovable(false);
    m_toolbar->setFloatable(false);
    m_toolbar->setIconSize(QSize(32, 32));
    m_toolbar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    m_toolbar->setContextMenuPolicy(Qt::PreventContextMenu);
    m_pageGroup = new QActionGroup(this);
    m_pageGroup->setExclusive(true);
    m_toolbar->addWidget(toolbarSpacer(m_toolbar));
    addPageAction(Page::Group, int(Kind::Group));
    addPageAction(Page::SmartGroup, int(Kind::SmartGroup));
    addPageAction(Page::GroceryList, int(Kind::GroceryList));
    addPageAction(Page::Platefeed, int(Kind::SubscribedPlatefeed));
    // Shown only while a published "My Recipes" is edited.
    addPageAction(Page::MyLibrary, int(Kind::MyRecipes));
    m_pageActions.value(Page::MyLibrary)->setVisible(false);
    m_toolbar->addWidget(toolbarSpacer(m_toolbar));
    // Until the platefeed subsystem gives its page.
    m_pageActions.value(Page::Platefeed)->setEnabled(false);
    outer->addWidget(m_toolbar);

    auto* rule = new QFrame(this);
    rule->setFrameShape(QFrame::HLine);
    rule->setFrameShadow(QFrame::Sunken);
    outer->addWidget(rule);

    auto* content = new QVBoxLayout;
    content->setContentsMargins(20, 20, 20, 20);
    content->setSpacing(16);
    outer->addLayout(content);

    m_pages = new QStackedWidget(this);
    m_pages->setObjectName(QStringLiteral("groupEditorPages"));
    content->addWidget(m_pages);

    PageWidgets group = makeNamePage(Page::Group, tr("Group Name:"));
    PageWidgets grocery = makeNamePage(Page::GroceryList, tr("Grocery List Name:"));
    PageWidgets smart = makeNamePage(Page::SmartGroup, tr("Smart Group Name:"));
    m_predicateEditor = new SmartGroupPredicateEditor;
    auto* scroll = new QScrollArea(smart.page);
    scroll->setObjectName(QStringLiteral("ruleEditorScrollArea"));
    scroll->setWidget(m_predicateEditor);
    scroll->setWidgetResizable(true);
    scroll->setMinimumSize(560, 260);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    static_cast<QVBoxLayout*>(smart.page->layout())->addWidget(scroll, 1);
    m_published.insert(Page::Group, makePublishedFields(group, true, true));
    m_published.insert(Page::SmartGroup, makePublishedFields(smart, true, true));
    PageWidgets library = makeNamePage(Page::MyLibrary, tr("Platefeed Title:"));
    m_published.insert(Page::MyLibrary, makePublishedFields(library, false, false));
    m_subscribed = makeSubscribedPage();
    for (const PageWidgets& page : {group, smart, grocery, library, m_subscribed})
        m_pages->addWidget(page.page);

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(8);
    buttons->addStretch(1);
    m_cancelButton = new QPushButton(tr("Cancel"), this);
    m_cancelButton->setObjectName(QStringLiteral("cancelButton"));
    m_cancelButton->setAutoDefault(false);
    m_okButton = new QPushButton(tr("OK"), this);
    m_okButton->setObjectName(QStringLiteral("okButton"));
    m_okButton->setDefault(true);
    for (QPushButton* button : {m_cancelButton, m_okButton})
        button->setMinimumWidth(90);
    buttons->addWidget(m_cancelButton);
    buttons->addWidget(m_okButton);
    content->addLayout(buttons);
    connect(m_cancelButton, &QPushButton::clicked, this, &GroupEditorSheet::reject);
    connect(m_okButton, &QPushButton::clicked, this, &GroupEditorSheet::okButtonAction);

    m_flashTimer = new QTimer(this);
    m_flashTimer->setInterval(kNoteFlashIntervalMs);
    connect(m_flashTimer, &QTimer::timeout, this, [this] {
        const PageWidgets* page = widgetsFor(currentPage());
        if (--m_flashesLeft <= 0)
            m_flashTimer->stop();
        if (page)
            setNoteShown(page->note, m_flashesLeft % 2 == 0 || m_flashesLeft <= 0);
    });

    if (m_controller) {
        connect(m_controller, &GroupEditorController::sheetClosed, this, &GroupEditorSheet::closeSheet);
        connect(m_controller, &GroupEditorController::nameRefused, this, [this](const QString& note) {
            if (isVisible())
                flashNote(note);
        });
        // Nothing is typed or pressed while a platefeed's name is read.
        connect(m_controller, &GroupEditorController::busyChanged, this,
                [this](bool busy) { setEnabled(!busy); });
        connect(m_controller, &GroupEditorController::openAddressRequested, this,
                [](const QUrl& address) { QDesktopServices::openUrl(address); });
    }
    showPage(Page::Group);
}

void GroupEditorSheet::addPageAction(Page page, int kind) {
    auto* action = new QAction(SidebarOutlineView::iconForKind(Kind(kind), true),
                               GroupEditorController::pageTitle(page), this);
    action->setObjectName(GroupEditorController::pageTitle(page));
    action->setCheckable(true);
    action->setData(int(page));
    m_pageGroup->addAction(action);
    m_toolbar->addAction(action);
    m_pageActions.insert(page, action);
    connect(action, &QAction::triggered, this, [this, page] { showPage(page); });
}

GroupEditorSheet::PageWidgets GroupEditorSheet::makeNamePage(Page page, const QString& label) {
    PageWidgets widgets;
    widgets.page = new QWidget(this);
    widgets.page->setObjectName(GroupEditorController::pageTitle(page));
    auto* layout = new QVBoxLayout(widgets.page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(10);

    auto* nameRow = new QGridLayout;
    nameRow->setHorizontalSpacing(8);
    nameRow->setVerticalSpacing(6);
    widgets.name = new QLineEdit(widgets.page);
    widgets.name->setObjectName(QStringLiteral("nameField"));
    widgets.name->setMinimumWidth(320);
    auto* title = new QLabel(label, widgets.page);
    title->setBuddy(widgets.name);
    widgets.note = new QLabel(widgets.page);
    widgets.note->setObjectName(QStringLiteral("nameNote"));
    // The line is kept while empty so that a note appearing does not move the page.
    widgets.note->setMinimumHeight(widgets.note->fontMetrics().height());
    setNoteShown(widgets.note, true);
    nameRow->addWidget(title, 0, 0);
    nameRow->addWidget(widgets.name, 0, 1);
    nameRow->addWidget(widgets.note, 1, 1);
    nameRow->setColumnStretch(1, 1);
    layout->addLayout(nameRow);
    widgets.grid = nameRow;
    connect(widgets.name, &QLineEdit::textEdited, this, &GroupEditorSheet::clearNote);

    m_pageWidgets.insert(page, widgets);
    return widgets;
}

QPushButton* GroupEditorSheet::makeAddressButton(QWidget* parent) {
    // A link: the address in the link colour, opened in the web browser when pressed.
    auto* button = new QPushButton(parent);
    button->setObjectName(QStringLiteral("platefeedAddressButton"));
    button->setFlat(true);
    button->setCursor(Qt::PointingHandCursor);
    button->setStyleSheet(QStringLiteral("QPushButton { color: palette(link); text-decoration: underline; "
                                         "text-align: left; border: none; padding: 0; }"));
    connect(button, &QPushButton::clicked, this, [this, button] {
        if (m_controller)
            m_controller->openPlatefeedAddressLink(button->text());
    });
    return button;
}

GroupEditorSheet::PublishedWidgets GroupEditorSheet::makePublishedFields(const PageWidgets& page,
                                                                         bool withTitle, bool withUnpublish) {
    PublishedWidgets widgets;
    QGridLayout* grid = page.grid;
    int row = grid->rowCount();
    if (withTitle) {
        widgets.title = new QLineEdit(page.page);
        widgets.title->setObjectName(QStringLiteral("platefeedTitleField"));
        auto* label = new QLabel(tr("Platefeed Title:"), page.page);
        label->setBuddy(widgets.title);
        grid->addWidget(label, row, 0);
        grid->addWidget(widgets.title, row++, 1);
        widgets.parts << label << widgets.title;
        connect(widgets.title, &QLineEdit::textEdited, this, &GroupEditorSheet::clearNote);
    }
    widgets.address = makeAddressButton(page.page);
    auto* addressLabel = new QLabel(tr("Published Address:"), page.page);
    grid->addWidget(addressLabel, row, 0);
    grid->addWidget(widgets.address, row++, 1);
    widgets.parts << addressLabel << widgets.address;
    if (withUnpublish) {
        widgets.unpublish = new QPushButton(tr("Unpublish"), page.page);
        widgets.unpublish->setObjectName(QStringLiteral("unpublishButton"));
        widgets.unpublish->setAutoDefault(false);
        grid->addWidget(widgets.unpublish, row++, 1, Qt::AlignLeft);
        widgets.parts << widgets.unpublish;
        connect(widgets.unpublish, &QPushButton::clicked, this, [this] {
            if (m_controller)
                m_controller->unpublishPlatefeed(m_controller->editedGroup());
        });
    }
    for (QWidget* part : std::as_const(widgets.parts))
        part->hide();
    return widgets;
}

void GroupEditorSheet::setPublishedFieldsShown(Page page, bool shown) {
    const auto widgets = m_published.find(page);
    if (widgets == m_published.end())
        return;
    widgets->shown = shown;
    for (QWidget* part : std::as_const(widgets->parts))
        part->setVisible(shown);
}

GroupEditorSheet::PageWidgets GroupEditorSheet::makeSubscribedPage() {
    // Made like a name page, kept apart: its page is the toolbar's "Platefeed" page, which for
    // a new group is the platefeed subsystem's publish and subscribe page.
    PageWidgets widgets = makeNamePage(Page::Platefeed, tr("Platefeed Title:"));
    m_pageWidgets.remove(Page::Platefeed);
    QGridLayout* grid = widgets.grid;
    const int row = grid->rowCount();
    m_subscribedAddress = makeAddressButton(widgets.page);
    grid->addWidget(new QLabel(tr("Platefeed Address:"), widgets.page), row, 0);
    grid->addWidget(m_subscribedAddress, row, 1);
    m_resetNameButton = new QPushButton(tr("Reset Name"), widgets.page);
    m_resetNameButton->setObjectName(QStringLiteral("resetNameButton"));
    m_resetNameButton->setAutoDefault(false);
    grid->addWidget(m_resetNameButton, row + 1, 1, Qt::AlignLeft);
    QPointer<QLineEdit> title(widgets.name);
    connect(m_resetNameButton, &QPushButton::clicked, this, [this, title] {
        if (!m_controller)
            return;
        clearNote();
        m_controller->resetSubscribedPlatefeedName([title](const QString& name) {
            if (title)
                title->setText(name);
        });
    });
    return widgets;
}

const GroupEditorSheet::PageWidgets* GroupEditorSheet::widgetsFor(Page page) const {
    if (page == Page::Platefeed)
        return m_editing ? &m_subscribed : nullptr;
    const auto widgets = m_pageWidgets.constFind(page);
    return widgets == m_pageWidgets.constEnd() ? nullptr : &widgets.value();
}

QLineEdit* GroupEditorSheet::platefeedTitleField(Page page) const {
    return m_published.value(page).title;
}

QPushButton* GroupEditorSheet::platefeedAddressButton(Page page) const {
    if (page == Page::Platefeed)
        return m_subscribedAddress;
    return m_published.value(page).address;
}

QPushButton* GroupEditorSheet::unpublishButton(Page page) const {
    return m_published.value(page).unpublish;
}

bool GroupEditorSheet::showsPublishedFields(Page page) const {
    return m_published.value(page).shown;
}

GroupEditorSheet::Page GroupEditorSheet::currentPage() const {
    QAction* checked = m_pageGroup->checkedAction();
    return checked ? Page(checked->data().toInt()) : Page::None;
}

QLineEdit* GroupEditorSheet::nameField(Page page) const {
    if (page == Page::Platefeed)
        return m_subscribed.name;
    const auto widgets = m_pageWidgets.constFind(page);
    return widgets == m_pageWidgets.constEnd() ? nullptr : widgets->name;
}

QString GroupEditorSheet::noteText() const {
    const PageWidgets* widgets = widgetsFor(currentPage());
    return widgets ? widgets->note->text() : QString();
}

void GroupEditorSheet::setPlatefeedPage(QWidget* page, std::function<QWidget*()> focus,
                                        std::function<bool()> ok) {
    m_platefeedPage = page;
    m_platefeedFocus = std::move(focus);
    m_platefeedOk = std::move(ok);
    page->setParent(m_pages);
    m_pages->addWidget(page);
    page->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    m_pageActions.value(Page::Platefeed)->setEnabled(true);
}

void GroupEditorSheet::openPlatefeedPage() {
    openEditorForNewGroup();
    showPage(Page::Platefeed);
    adjustSize();
}

void GroupEditorSheet::showPage(Page page) {
    QWidget* target = nullptr;
    QWidget* focus = nullptr;
    if (page == Page::Platefeed && !m_editing) {
        target = m_platefeedPage;
        focus = m_platefeedFocus && m_platefeedPage ? m_platefeedFocus() : nullptr;
    } else if (const PageWidgets* widgets = widgetsFor(page)) {
        target = widgets->page;
        focus = widgets->name;
    }
    if (!target)
        return;
    m_pageActions.value(page)->setChecked(true);
    clearNote();
    // The stack takes the size of the page shown, not of its largest page.
    for (int i = 0; i < m_pages->count(); ++i) {
        const QSizePolicy::Policy policy =
            m_pages->widget(i) == target ? QSizePolicy::Preferred : QSizePolicy::Ignored;
        m_pages->widget(i)->setSizePolicy(policy, policy);
    }
    m_pages->setCurrentWidget(target);
    setWindowTitle(GroupEditorController::pageTitle(page));
    if (focus)
        focus->setFocus();
}

void GroupEditorSheet::openEditorForNewGroup() {
    m_editing = false;
    for (auto it = m_pageActions.cbegin(); it != m_pageActions.cend(); ++it)
        it.value()->setVisible(it.key() != Page::MyLibrary);
    clearPages();
    const Page selected = currentPage();
    const bool offered = selected != Page::MyLibrary && m_pageWidgets.contains(selected);
    showPage(offered || (selected == Page::Platefeed && m_platefeedPage) ? selected : Page::Group);
    openSheet();
}

bool GroupEditorSheet::editGroup(GroupsManagedObject* group) {
    if (!m_controller || !group)
        return false;
    const Page page = m_controller->editGroup(group);
    if (page == Page::None)
        return false; // headers and an unpublished "My Recipes"
    m_editing = true;
    clearPages();
    for (auto it = m_pageActions.cbegin(); it != m_pageActions.cend(); ++it)
        it.value()->setVisible(it.key() == page);
    const PageWidgets* widgets = widgetsFor(page);
    const bool platefeedTitle = page == Page::MyLibrary || page == Page::Platefeed;
    widgets->name->setText(platefeedTitle ? m_controller->editedPlatefeedTitle()
                                          : group->stringValue(QStringLiteral("name")));
    if (page == Page::SmartGroup)
        m_predicateEditor->setRuleText(group->stringValue(QStringLiteral("predicates")));
    const QString address = m_controller->editedPlatefeedAddress();
    if (page == Page::Platefeed) {
        m_subscribedAddress->setText(address);
    } else if (m_published.contains(page)) {
        const PublishedWidgets published = m_published.value(page);
        if (published.title)
            published.title->setText(m_controller->editedPlatefeedTitle());
        published.address->setText(address);
        setPublishedFieldsShown(page, m_controller->isEditedGroupPublished());
    }
    showPage(page);
    openSheet();
    return true;
}

void GroupEditorSheet::showPageForScreenshot(Page page) {
    openEditorForNewGroup();
    if (!m_pageWidgets.contains(page))
        return;
    showPage(page);
    QString name;
    if (page == Page::Group)
        name = tr("Weeknight Dinners");
    else if (page == Page::SmartGroup)
        name = tr("Favourites With Pictures");
    else
        name = tr("Saturday Market");
    m_pageWidgets.value(page).name->setText(name);
    if (page == Page::SmartGroup)
        m_predicateEditor->setRuleText(QStringLiteral("\"Rating\" > \"3\" AND \"Has Image\" == \"Yes\""));
}

void GroupEditorSheet::okButtonAction() {
    const Page page = currentPage();
    if (page == Page::Platefeed && !m_editing) {
        if (m_platefeedOk && m_platefeedOk() && m_controller)
            m_controller->closeWindow();
        return;
    }
    const PageWidgets* widgets = widgetsFor(page);
    if (!m_controller || !widgets)
        return;
    const QString ruleText = page == Page::SmartGroup ? m_predicateEditor->ruleText() : QString();
    std::optional<QString> platefeedTitle;
    if (showsPublishedFields(page) && m_published.value(page).title)
        platefeedTitle = m_published.value(page).title->text();
    clearNote();
    // The controller closes the sheet (sheetClosed) when it accepts.
    m_accepted = true;
    if (m_editing)
        m_controller->okButtonForEditAction(widgets->name->text(), ruleText, platefeedTitle);
    else
        m_controller->okButtonForNewAction(page, widgets->name->text(), ruleText);
    m_accepted = false;
}

void GroupEditorSheet::reject() {
    if (m_controller)
        m_controller->closeWindow();
    else
        closeSheet();
}

void GroupEditorSheet::openSheet() {
    m_accepted = false;
    adjustSize();
    // The sheet hangs from the top of its window, centred across it.
    if (QWidget* owner = parentWidget() ? parentWidget()->window() : nullptr) {
        const QRect area = owner->geometry();
        move(area.center().x() - width() / 2, area.top());
    }
    show();
    raise();
    activateWindow();
}

void GroupEditorSheet::closeSheet() {
    clearPages();
    m_editing = false;
    for (auto it = m_pageActions.cbegin(); it != m_pageActions.cend(); ++it)
        it.value()->setVisible(it.key() != Page::MyLibrary);
    // The next sheet for a new group starts on the "Group" page again.
    showPage(Page::Group);
    if (isVisible())
        QDialog::done(m_accepted ? QDialog::Accepted : QDialog::Rejected);
}

void GroupEditorSheet::clearPages() {
    for (const PageWidgets& widgets : std::as_const(m_pageWidgets))
        widgets.name->clear();
    m_subscribed.name->clear();
    m_subscribedAddress->setText(QString());
    for (auto it = m_published.begin(); it != m_published.end(); ++it) {
        if (it->title)
            it->title->clear();
        it->address->setText(QString());
        setPublishedFieldsShown(it.key(), false);
    }
    m_predicateEditor->reset();
    clearNote();
}

void GroupEditorSheet::clearNote() {
    m_flashTimer->stop();
    m_flashesLeft = 0;
    for (const PageWidgets& widgets : std::as_const(m_pageWidgets)) {
        widgets.note->clear();
        setNoteShown(widgets.note, true);
    }
    m_subscribed.note->clear();
    setNoteShown(m_subscribed.note, true);
}

void GroupEditorSheet::flashNote(const QString& note) {
    const PageWidgets* widgets = widgetsFor(currentPage());
    if (!widgets)
        return;
    widgets->note->setText(note);
    setNoteShown(widgets->note, true);
    m_flashesLeft = kNoteFlashChanges;
    m_flashTimer->start();
    QApplication::beep();
}
