#pragma once

#include "library/GroupEditorController.h"

#include <QDialog>
#include <QMap>
#include <QPointer>

#include <functional>

class GroupsManagedObject;
class QAction;
class QActionGroup;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QStackedWidget;
class QTimer;
class QToolBar;
class SmartGroupPredicateEditor;

// The group editor's sheet, window-modal over the main window: a toolbar of pages ("Group",
// "Smart Group", "Grocery List", and "Platefeed" once the platefeed page is set), the page of the
// chosen item, Cancel and OK. Opened for a new group it offers every page and OK creates
// the group of the page shown; opened on a group it shows only the page that fits it and
// OK saves the edit: a published group's page also shows its platefeed title, its address
// and Unpublish, a published "My Recipes" opens on "My Library" (title and address), and a
// subscribed platefeed on its own "Platefeed" page (title, address, Reset Name). The
// controller decides; the sheet shows what was typed and a refused name's note.
class GroupEditorSheet : public QDialog {
    Q_OBJECT
public:
    using Page = GroupEditorController::Page;

    explicit GroupEditorSheet(GroupEditorController* controller, QWidget* parent = nullptr);

    // Empties the pages and opens the sheet with every page, on the selected one.
    void openEditorForNewGroup();
    // Opens the sheet on the one page that fits the group with its name (and rule) loaded.
    // False, and nothing opens, when the group has no page here.
    bool editGroup(GroupsManagedObject* group);
    // The "Platefeed" page comes from the platefeed subsystem: its widget, the field it
    // focuses, and its OK (true: the sheet closes now). Enables the page's toolbar item.
    void setPlatefeedPage(QWidget* page, std::function<QWidget*()> focus, std::function<bool()> ok);
    // Opens the sheet for a new group on the platefeed page.
    void openPlatefeedPage();
    // Opens the sheet for a new group on page with sample texts filled in, for pictures.
    void showPageForScreenshot(Page page);

    bool isEditing() const { return m_editing; }
    Page currentPage() const;
    // Shows page (one of the toolbar's pages).
    void showPage(Page page);

    QToolBar* toolbar() const { return m_toolbar; }
    QAction* pageAction(Page page) const { return m_pageActions.value(page); }
    // The first field of the page (on "My Library" and a subscribed platefeed's page, the
    // title field).
    QLineEdit* nameField(Page page) const;
    // The platefeed title field, address button and Unpublish button of a published group's
    // page (Group, SmartGroup; MyLibrary has the address only). Null for other pages.
    QLineEdit* platefeedTitleField(Page page) const;
    QPushButton* platefeedAddressButton(Page page) const;
    QPushButton* unpublishButton(Page page) const;
    QPushButton* resetNameButton() const { return m_resetNameButton; }
    // Whether the page shows its published group's platefeed fields.
    bool showsPublishedFields(Page page) const;
    SmartGroupPredicateEditor* predicateEditor() const { return m_predicateEditor; }
    QPushButton* okButton() const { return m_okButton; }
    QPushButton* cancelButton() const { return m_cancelButton; }
    // The refused name's note under the name field of the page shown (empty when none).
    QString noteText() const;

public slots:
    // OK: creates the group of the page shown, or saves the edit; a refused name keeps the
    // sheet open.
    void okButtonAction();
    // Cancel, Escape or closing the window: the controller closes the sheet.
    void reject() override;

private:
    struct PageWidgets {
        QWidget* page = nullptr;
        QLineEdit* name = nullptr;
        QLabel* note = nullptr;
        QGridLayout* grid = nullptr; // labels and fields, aligned in two columns
    };
    // The platefeed fields of a published group's page (rows of its grid), hidden unless
    // the group is published.
    struct PublishedWidgets {
        QList<QWidget*> parts;
        bool shown = false;
        QLineEdit* title = nullptr; // null on "My Library", whose first field is the title
        QPushButton* address = nullptr;
        QPushButton* unpublish = nullptr;
    };

    PageWidgets makeNamePage(Page page, const QString& label);
    PageWidgets makeSubscribedPage();
    PublishedWidgets makePublishedFields(const PageWidgets& page, bool withTitle, bool withUnpublish);
    void setPublishedFieldsShown(Page page, bool shown);
    QPushButton* makeAddressButton(QWidget* parent);
    // The widgets of a name page; a subscribed platefeed's page only while editing one.
    const PageWidgets* widgetsFor(Page page) const;
    // kind: the sidebar's group kind whose picture the toolbar item shows.
    void addPageAction(Page page, int kind);
    void openSheet();
    void closeSheet();
    void clearPages();
    void clearNote();
    void flashNote(const QString& note);

    QPointer<GroupEditorController> m_controller;
    QWidget* m_platefeedPage = nullptr;
    std::function<QWidget*()> m_platefeedFocus;
    std::function<bool()> m_platefeedOk;
    QToolBar* m_toolbar = nullptr;
    QActionGroup* m_pageGroup = nullptr;
    QMap<Page, QAction*> m_pageActions;
    QStackedWidget* m_pages = nullptr;
    QMap<Page, PageWidgets> m_pageWidgets;
    PageWidgets m_subscribed;
    QPushButton* m_subscribedAddress = nullptr;
    QPushButton* m_resetNameButton = nullptr;
    QMap<Page, PublishedWidgets> m_published;
    SmartGroupPredicateEditor* m_predicateEditor = nullptr;
    QPushButton* m_okButton = nullptr;
    QPushButton* m_cancelButton = nullptr;
    QTimer* m_flashTimer = nullptr;
    int m_flashesLeft = 0;
    bool m_editing = false;
    bool m_accepted = false;
};
