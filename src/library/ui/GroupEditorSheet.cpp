#include "GroupEditorSheet.h"

#include "SidebarOutlineView.h"
#include "SmartGroupPredicateEditor.h"
#include "library/GroupsManagedObject.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
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
    for (const PageWidgets& page : {group, smart, grocery})
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
        const auto page = m_pageWidgets.constFind(currentPage());
        if (--m_flashesLeft <= 0)
            m_flashTimer->stop();
        if (page != m_pageWidgets.constEnd())
            setNoteShown(page->note, m_flashesLeft % 2 == 0 || m_flashesLeft <= 0);
    });

    if (m_controller) {
        connect(m_controller, &GroupEditorController::sheetClosed, this, &GroupEditorSheet::closeSheet);
        connect(m_controller, &GroupEditorController::nameRefused, this, [this](const QString& note) {
            if (isVisible())
                flashNote(note);
        });
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
    nameRow->setVerticalSpacing(3);
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
    connect(widgets.name, &QLineEdit::textEdited, this, &GroupEditorSheet::clearNote);

    m_pageWidgets.insert(page, widgets);
    return widgets;
}

GroupEditorSheet::Page GroupEditorSheet::currentPage() const {
    QAction* checked = m_pageGroup->checkedAction();
    return checked ? Page(checked->data().toInt()) : Page::None;
}

QLineEdit* GroupEditorSheet::nameField(Page page) const {
    const auto widgets = m_pageWidgets.constFind(page);
    return widgets == m_pageWidgets.constEnd() ? nullptr : widgets->name;
}

QString GroupEditorSheet::noteText() const {
    const auto widgets = m_pageWidgets.constFind(currentPage());
    return widgets == m_pageWidgets.constEnd() ? QString() : widgets->note->text();
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
    if (page == Page::Platefeed && m_platefeedPage) {
        m_pageActions.value(page)->setChecked(true);
        clearNote();
        for (const PageWidgets& other : std::as_const(m_pageWidgets))
            other.page->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
        m_platefeedPage->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
        m_pages->setCurrentWidget(m_platefeedPage);
        setWindowTitle(GroupEditorController::pageTitle(page));
        if (QWidget* field = m_platefeedFocus ? m_platefeedFocus() : nullptr)
            field->setFocus();
        return;
    }
    if (m_platefeedPage)
        m_platefeedPage->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    const auto widgets = m_pageWidgets.constFind(page);
    if (widgets == m_pageWidgets.constEnd())
        return;
    m_pageActions.value(page)->setChecked(true);
    clearNote();
    // The stack takes the size of the page shown, not of its largest page.
    for (const PageWidgets& other : std::as_const(m_pageWidgets))
        other.page->setSizePolicy(other.page == widgets->page ? QSizePolicy::Preferred : QSizePolicy::Ignored,
                                  other.page == widgets->page ? QSizePolicy::Preferred
                                                              : QSizePolicy::Ignored);
    m_pages->setCurrentWidget(widgets->page);
    setWindowTitle(GroupEditorController::pageTitle(page));
    widgets->name->setFocus();
}

void GroupEditorSheet::openEditorForNewGroup() {
    m_editing = false;
    for (QAction* action : std::as_const(m_pageActions))
        action->setVisible(true);
    clearPages();
    const Page selected = currentPage();
    showPage(m_pageWidgets.contains(selected) || (selected == Page::Platefeed && m_platefeedPage)
                 ? selected
                 : Page::Group);
    openSheet();
}

bool GroupEditorSheet::editGroup(GroupsManagedObject* group) {
    if (!m_controller || !group)
        return false;
    const Page page = m_controller->editGroup(group);
    if (!m_pageWidgets.contains(page)) {
        // Nothing to show (headers, "My Recipes") or a platefeed's page, which this sheet
        // does not have yet: the controller forgets the group again.
        if (page != Page::None)
            m_controller->closeWindow();
        return false;
    }
    m_editing = true;
    clearPages();
    for (auto it = m_pageActions.cbegin(); it != m_pageActions.cend(); ++it)
        it.value()->setVisible(it.key() == page);
    m_pageWidgets.value(page).name->setText(group->stringValue(QStringLiteral("name")));
    if (page == Page::SmartGroup)
        m_predicateEditor->setRuleText(group->stringValue(QStringLiteral("predicates")));
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
    if (page == Page::Platefeed && m_platefeedOk) {
        if (m_platefeedOk() && m_controller)
            m_controller->closeWindow();
        return;
    }
    QLineEdit* name = nameField(page);
    if (!m_controller || !name)
        return;
    const QString ruleText = page == Page::SmartGroup ? m_predicateEditor->ruleText() : QString();
    clearNote();
    // The controller closes the sheet (sheetClosed) when it accepts.
    m_accepted = true;
    if (m_editing)
        m_controller->okButtonForEditAction(name->text(), ruleText);
    else
        m_controller->okButtonForNewAction(page, name->text(), ruleText);
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
    for (QAction* action : std::as_const(m_pageActions))
        action->setVisible(true);
    // The next sheet for a new group starts on the "Group" page again.
    showPage(Page::Group);
    if (isVisible())
        QDialog::done(m_accepted ? QDialog::Accepted : QDialog::Rejected);
}

void GroupEditorSheet::clearPages() {
    for (const PageWidgets& widgets : std::as_const(m_pageWidgets))
        widgets.name->clear();
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
}

void GroupEditorSheet::flashNote(const QString& note) {
    const auto widgets = m_pageWidgets.constFind(currentPage());
    if (widgets == m_pageWidgets.constEnd())
        return;
    widgets->note->setText(note);
    setNoteShown(widgets->note, true);
    m_flashesLeft = kNoteFlashChanges;
    m_flashTimer->start();
    QApplication::beep();
}
