#pragma once

#include <QDialog>
#include <QFrame>
#include <QPointer>
#include <QTableView>

#include <functional>

class Alerts;
class BookmarksModel;
class QLabel;
class QLineEdit;
class QPushButton;
class QStackedWidget;

// The bookmarks list of the web importer: a symbol, the name and the address of each
// bookmark. Names and addresses are edited in place (double click); rows are dragged to
// new places within the list, and the moved rows stay selected; a click opens a bookmark.
class BookmarksTableView : public QTableView {
    Q_OBJECT
public:
    explicit BookmarksTableView(BookmarksModel* model, QWidget* parent = nullptr);
    BookmarksModel* bookmarks() const { return m_model; }
    int selectedRow() const;

signals:
    void bookmarkClicked(int row);

protected:
    void dropEvent(QDropEvent* event) override;

private:
    BookmarksModel* m_model;
};

// The pop-over below the bookmarks button: the list, or a note that there are none, with
// New, Edit and Delete. New and Edit open the bookmark editor; a click on a row closes the
// pop-over 0.1 s later and hands the bookmark's address on.
class BookmarksPopover : public QFrame {
    Q_OBJECT
public:
    BookmarksPopover(BookmarksModel* model, Alerts* alerts, QWidget* parent = nullptr);

    // Where New takes its name and address from: the page shown.
    void setCurrentPage(std::function<std::pair<QString, QString>()> page) {
        m_currentPage = std::move(page);
    }
    // Shows the pop-over below anchor, sized to its rows.
    void showBelow(QWidget* anchor);
    // The size the pop-over takes for the bookmarks it lists.
    QSize sizeForRows() const;

    void newBookmark();
    void editBookmark();
    void deleteBookmark();
    // The editor (New or Edit), while it is open.
    QDialog* bookmarkEditor() const { return m_editor; }
    QLineEdit* editorNameField() const { return m_nameField; }
    QLineEdit* editorAddressField() const { return m_addressField; }
    BookmarksTableView* table() const { return m_table; }

signals:
    void openBookmarkRequested(const QString& address);

private:
    void openEditor(const QString& title, const QString& name, const QString& address, int row);
    void updateContents();

    BookmarksModel* m_model;
    Alerts* m_alerts;
    std::function<std::pair<QString, QString>()> m_currentPage;
    QStackedWidget* m_stack;
    BookmarksTableView* m_table;
    QLabel* m_empty;
    QPushButton* m_editButton;
    QPushButton* m_deleteButton;
    QPointer<QDialog> m_editor;
    QLineEdit* m_nameField = nullptr;
    QLineEdit* m_addressField = nullptr;
};
