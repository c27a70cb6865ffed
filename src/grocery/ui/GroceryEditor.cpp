#include "GroceryEditor.h"

#include "GroceryCategoriesTableView.h"
#include "GroceryListConsolidatedTableView.h"
#include "GroceryListIngredientsTableView.h"
#include "GroceryListMyItemsTableView.h"
#include "GroceryTableModels.h"

#include "grocery/GroceryController.h"
#include "grocery/GroceryPageLayout.h"
#include "library/AppController.h"
#include "library/GroupsManagedObject.h"
#include "library/LibrarySession.h"
#include "library/RecipesArrayController.h"
#include "platform/Alerts.h"
#include "platform/MailHandOver.h"
#include "platform/UserDefaults.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPageLayout>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QShowEvent>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QToolButton* smallButton(const QString& name, const QString& text, const QString& tip, QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setText(text);
    button->setToolTip(tip);
    button->setMinimumWidth(28);
    return button;
}

QWidget* tabPage(QWidget* table, QHBoxLayout* buttons, QWidget* parent) {
    auto* page = new QWidget(parent);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(4);
    layout->addWidget(table, 1);
    layout->addLayout(buttons);
    return page;
}

} // namespace

GroceryEditor::GroceryEditor(LibrarySession& session, QWidget* parent)
    : QWidget(parent), m_session(session), m_controller(new GroceryController(session, this)) {
    setObjectName(QStringLiteral("GroceryEditor"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 8, 10, 8);
    layout->setSpacing(6);

    m_title = new QLabel(this);
    m_title->setObjectName(QStringLiteral("groceryListTitle"));
    QFont titleFont = m_title->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.4);
    m_title->setFont(titleFont);
    m_title->setTextFormat(Qt::PlainText);
    layout->addWidget(m_title);

    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("groceryTabs"));
    m_tabs->setDocumentMode(true);
    m_tabs->addTab(makeRecipesTab(), tr("Recipes"));
    m_tabs->addTab(makeMyItemsTab(), tr("My Items"));
    m_tabs->addTab(makeConsolidatedTab(), tr("Consolidated List"));
    connect(m_tabs, &QTabWidget::currentChanged, this, &GroceryEditor::tabShown);
    layout->addWidget(m_tabs, 1);

    auto* commands = new QHBoxLayout;
    commands->addStretch(1);
    auto* email = new QPushButton(tr("Email..."), this);
    email->setObjectName(QStringLiteral("groceryEmailButton"));
    connect(email, &QPushButton::clicked, this, &GroceryEditor::emailList);
    auto* print = new QPushButton(tr("Print..."), this);
    print->setObjectName(QStringLiteral("groceryPrintButton"));
    connect(print, &QPushButton::clicked, this, &GroceryEditor::printList);
    commands->addWidget(email);
    commands->addWidget(print);
    layout->addLayout(commands);

    // The recipes tab follows the recipe chosen in the list beside it.
    connect(&m_session.recipesArrayController(), &RecipesArrayController::selectionChanged, this,
            &GroceryEditor::scrollToSelectedRecipe);
}

GroceryEditor::~GroceryEditor() = default;

QWidget* GroceryEditor::makeRecipesTab() {
    m_ingredients = new GroceryListIngredientsTableView(m_controller, this);
    auto* buttons = new QHBoxLayout;
    QToolButton* include = smallButton(QStringLiteral("includeButton"), tr("Include"),
                                       tr("Put the selected ingredients on the consolidated list"), this);
    QToolButton* exclude = smallButton(QStringLiteral("excludeButton"), tr("Exclude"),
                                       tr("Leave the selected ingredients off the consolidated list"), this);
    connect(include, &QToolButton::clicked, m_ingredients,
            &GroceryListIngredientsTableView::includeSelection);
    connect(exclude, &QToolButton::clicked, m_ingredients,
            &GroceryListIngredientsTableView::excludeSelection);
    buttons->addWidget(include);
    buttons->addWidget(exclude);
    buttons->addStretch(1);
    return tabPage(m_ingredients, buttons, this);
}

QWidget* GroceryEditor::makeMyItemsTab() {
    m_myItems = new GroceryListMyItemsTableView(m_controller, this);
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(0);
    QToolButton* add =
        smallButton(QStringLiteral("addItemButton"), QStringLiteral("+"), tr("Add Item"), this);
    QToolButton* remove = smallButton(QStringLiteral("deleteItemButton"), QStringLiteral("−"),
                                      tr("Delete Selected Items"), this);
    connect(add, &QToolButton::clicked, m_myItems, &GroceryListMyItemsTableView::addItem);
    connect(remove, &QToolButton::clicked, m_myItems, &GroceryListMyItemsTableView::deleteSelection);
    buttons->addWidget(add);
    buttons->addWidget(remove);
    buttons->addSpacing(10);
    auto* hint = new QLabel(tr("Drop or paste ingredient lines here to add them."), this);
    hint->setEnabled(false);
    buttons->addWidget(hint);
    buttons->addStretch(1);
    return tabPage(m_myItems, buttons, this);
}

QWidget* GroceryEditor::makeConsolidatedTab() {
    m_consolidated = new GroceryListConsolidatedTableView(m_controller, this);
    auto* buttons = new QHBoxLayout;
    auto* hint = new QLabel(tr("Check the items you need. Click on the word Needed in the header to "
                               "check or uncheck all items."),
                            this);
    hint->setEnabled(false);
    hint->setWordWrap(true);
    buttons->addWidget(hint, 1);
    auto* aisles = new QPushButton(tr("Edit Aisles..."), this);
    aisles->setObjectName(QStringLiteral("editAislesButton"));
    connect(aisles, &QPushButton::clicked, this, &GroceryEditor::editCategories);
    buttons->addWidget(aisles);
    return tabPage(m_consolidated, buttons, this);
}

GroceryCategoriesDialog* GroceryEditor::editCategories() {
    if (!m_categories) {
        m_categories = new GroceryCategoriesDialog(m_controller, this);
        connect(m_categories->table(), &GroceryCategoriesTableView::saveFailed, this,
                [this](const QString& error) { tell(tr("The aisles could not be saved."), error); });
    }
    // The aisles are the library's: another window or the command line may have changed them.
    m_controller->reload();
    m_categories->table()->reload();
    m_categories->open();
    return m_categories;
}

void GroceryEditor::setGroceryList(GroupsManagedObject* list) {
    m_controller->setGroceryList(list);
    m_title->setText(m_controller->title());
    if (m_tabs->currentIndex() != RecipesTab)
        m_tabs->setCurrentIndex(RecipesTab); // reloads
    scrollToSelectedRecipe();
}

GroupsManagedObject* GroceryEditor::groceryList() const {
    return m_controller->groceryList();
}

QString GroceryEditor::title() const {
    return m_title->text();
}

// A list deleted while shown (the sidebar selects another group right after) is let go.
bool GroceryEditor::hasLiveList() {
    GroupsManagedObject* list = m_controller->groceryList();
    if (list && list->isDeleted()) {
        m_controller->setGroceryList(nullptr);
        m_title->clear();
        return false;
    }
    return list != nullptr;
}

void GroceryEditor::tableViewSelectionButtons(int tab) {
    if (tab == m_tabs->currentIndex())
        tabShown(tab);
    else
        m_tabs->setCurrentIndex(tab);
}

int GroceryEditor::currentTab() const {
    return m_tabs->currentIndex();
}

// Each tab reads its rows again when shown: recipes may have been edited, added to the
// list or taken off it while another tab was up.
void GroceryEditor::tabShown(int tab) {
    if (!hasLiveList())
        return;
    m_controller->reload();
    m_title->setText(m_controller->title());
    if (tab == RecipesTab)
        scrollToSelectedRecipe();
}

void GroceryEditor::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!event->spontaneous())
        tabShown(m_tabs->currentIndex());
}

void GroceryEditor::scrollToSelectedRecipe() {
    if (!isVisible() || m_tabs->currentIndex() != RecipesTab)
        return;
    const QList<ManagedObject*> selected = m_session.recipesArrayController().selectedObjects();
    if (!selected.isEmpty() && selected.first())
        m_ingredients->scrollToSelectedRecipe(selected.first()->stringValue(QStringLiteral("uniqueID")));
}

void GroceryEditor::tell(const QString& message, const QString& informative) {
    m_session.alerts().ask(message, informative, {tr("OK")});
}

// Both commands read the own items and the consolidated list again first; with nothing
// needed and no own items the controller says so and nothing more happens.
bool GroceryEditor::preparePrinting() {
    if (!hasLiveList())
        return false;
    m_controller->reload();
    return m_controller->checkIfThereAreItemsToPrint();
}

bool GroceryEditor::printList() {
    if (!preparePrinting())
        return false;
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(m_controller->title());
    printer.setPageSize(QPageSize(QPageSize::Letter));
    printer.setPageOrientation(QPageLayout::Portrait);
    const bool chosen =
        m_chooser ? m_chooser(printer) : QPrintDialog(&printer, this).exec() == QDialog::Accepted;
    if (!chosen)
        return false;
    QString error;
    if (!layOutGroceryPage(m_controller->htmlString(), printer, &error)) {
        qWarning("the grocery list could not be printed: %s", qPrintable(error));
        tell(tr("The grocery list could not be printed."), error);
        return false;
    }
    return true;
}

QString GroceryEditor::emailAttachmentPath(const QString& supportFolder, const QString& listName) {
    QString name;
    name.reserve(listName.size());
    for (const QChar c : listName)
        name.append(c == QLatin1Char('/') || c == QLatin1Char('\\') || c.category() == QChar::Other_Control
                        ? QLatin1Char('-')
                        : c);
    name = name.trimmed();
    while (name.startsWith(QLatin1Char('.')))
        name.remove(0, 1);
    name.truncate(200); // file names have a length limit
    if (name.isEmpty())
        name = tr("Grocery List");
    return supportFolder + QStringLiteral("/Email/") + name + QStringLiteral(".pdf");
}

bool GroceryEditor::emailList() {
    if (!preparePrinting())
        return false;
    const QString subject = m_controller->emailSubject();
    const auto couldNotMail = [this](const QString& why) {
        qWarning("the grocery list could not be mailed: %s", qPrintable(why));
        tell(tr("A new message could not be opened in your mail program."),
             tr("Check that a mail program is set up for this desktop."));
        return false;
    };
    if (!m_mail)
        return couldNotMail(QStringLiteral("no mail hand-over"));

    MailHandOver::Result result;
    if (UserDefaults::boolForKey(QStringLiteral("makePlainTextEmails"))) {
        result = m_mail->composeMailto(subject, m_controller->generatePlainTextEmail());
    } else {
        const QString path =
            emailAttachmentPath(AppController::applicationSupportFolder(), m_controller->title());
        // The mail program reads the attachment once its window is open, so the file of a
        // message stays until the next list is mailed.
        QDir folder = QFileInfo(path).absoluteDir();
        folder.removeRecursively();
        QString error;
        if (!QDir().mkpath(folder.path()) || !writeGroceryPagePdf(m_controller->htmlString(), path, &error)) {
            qWarning("the grocery list could not be written to %s: %s", qPrintable(path), qPrintable(error));
            tell(tr("The grocery list could not be written for the message."), error);
            return false;
        }
        result = m_mail->composeWithAttachments(subject, QString(), {path});
    }
    if (!result.ok)
        return couldNotMail(result.error);
    return true;
}
