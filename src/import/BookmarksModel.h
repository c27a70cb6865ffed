#pragma once

#include <QAbstractTableModel>
#include <QList>
#include <QString>

#include <functional>

// The web importer's bookmarks, in display order, kept in "Bookmarks.plist" in the library
// folder: an XML property list whose root is an array of [identifier, name, address]
// texts. A missing file means no bookmarks. Every change rewrites the file whole and
// atomically. Column 0 shows the bookmark symbol, 1 the name and 2 the address; names and
// addresses can be edited in place.
class BookmarksModel : public QAbstractTableModel {
    Q_OBJECT
public:
    struct Bookmark {
        QString identifier;
        QString name;
        QString address;
        bool operator==(const Bookmark&) const = default;
    };
    enum Column { IconColumn = 0, NameColumn = 1, AddressColumn = 2 };

    // The drag type of rows moved within the list: the dragged row numbers.
    static QString rowIndexesType(); // "selfRowIndexes"
    static QString fileName();       // "Bookmarks.plist"

    explicit BookmarksModel(QObject* parent = nullptr);

    // Reads the file at path (which later changes write). A missing or unreadable file
    // gives an empty list; one that cannot be read is left as it is until the next change.
    void load(const QString& path);
    QString path() const { return m_path; }
    const QList<Bookmark>& bookmarks() const { return m_bookmarks; }
    Bookmark bookmark(int row) const { return m_bookmarks.value(row); }

    // A new identifier: the decimal text of a random 32-bit value modulo 9999999. Tests
    // replace the source of numbers.
    static QString newIdentifier();
    static void setRandomSource(std::function<quint32()> source);

    // Saving from the bookmark editor: a new identifier every time.
    void appendBookmark(const QString& name, const QString& address);
    void replaceBookmark(int row, const QString& name, const QString& address);
    void removeBookmark(int row);
    // Takes the rows out and inserts them, in their old order, at dropRow (reduced by one
    // for each moved row above it). Returns the rows they occupy afterwards.
    QList<int> moveBookmarks(QList<int> rows, int dropRow);

    // QAbstractTableModel.
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    Qt::DropActions supportedDropActions() const override { return Qt::MoveAction; }
    bool canDropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                         const QModelIndex& parent) const override;
    // Only drops between rows (row >= 0, no parent) carrying the list's own rows.
    bool dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                      const QModelIndex& parent) override;

signals:
    // Rows moved by a drop, at their new places (the view selects them).
    void bookmarksMoved(const QList<int>& rows);

private:
    void write();

    QString m_path;
    QList<Bookmark> m_bookmarks;
};
