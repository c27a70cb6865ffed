#include "BookmarksModel.h"

#include "platform/PropertyList.h"

#include <QFileInfo>
#include <QMimeData>
#include <QRandomGenerator>

#include <algorithm>

namespace {

std::function<quint32()>& randomSource() {
    static std::function<quint32()> source;
    return source;
}

// Tells the list's own drags from rows of another list that use the same type.
QString sourceType() {
    return QStringLiteral("application/x-larkspoon-bookmarks-list");
}

QByteArray sourceToken(const BookmarksModel* model) {
    return QByteArray::number(reinterpret_cast<quintptr>(model), 16);
}

} // namespace

QString BookmarksModel::rowIndexesType() {
    return QStringLiteral("selfRowIndexes");
}

QString BookmarksModel::fileName() {
    return QStringLiteral("Bookmarks.plist");
}

BookmarksModel::BookmarksModel(QObject* parent) : QAbstractTableModel(parent) {}

void BookmarksModel::load(const QString& path) {
    beginResetModel();
    m_path = path;
    m_bookmarks.clear();
    if (QFileInfo::exists(path)) {
        const PropertyListResult result = readPropertyListFile(path);
        if (!result.ok() || result.value.typeId() != QMetaType::QVariantList)
            qWarning("error could not read %s: %s", qPrintable(path),
                     qPrintable(result.ok() ? QStringLiteral("not a list") : result.error));
        else
            for (const QVariant& entry : result.value.toList()) {
                const QVariantList parts = entry.toList();
                // A damaged entry is left out rather than shown half.
                if (parts.size() < 3)
                    continue;
                m_bookmarks.append({parts.at(0).toString(), parts.at(1).toString(), parts.at(2).toString()});
            }
    }
    endResetModel();
}

QString BookmarksModel::newIdentifier() {
    const quint32 value = randomSource() ? randomSource()() : QRandomGenerator::global()->generate();
    return QString::number(value % 9999999u);
}

void BookmarksModel::setRandomSource(std::function<quint32()> source) {
    randomSource() = std::move(source);
}

void BookmarksModel::write() {
    if (m_path.isEmpty())
        return;
    QVariantList list;
    for (const Bookmark& bookmark : std::as_const(m_bookmarks))
        list.append(QVariant(QVariantList{bookmark.identifier, bookmark.name, bookmark.address}));
    QString error;
    if (!writePropertyListFile(list, m_path, &error))
        qWarning("error could not write %s: %s", qPrintable(m_path), qPrintable(error));
}

void BookmarksModel::appendBookmark(const QString& name, const QString& address) {
    const int row = int(m_bookmarks.size());
    beginInsertRows({}, row, row);
    m_bookmarks.append({newIdentifier(), name, address});
    endInsertRows();
    write();
}

void BookmarksModel::replaceBookmark(int row, const QString& name, const QString& address) {
    if (row < 0 || row >= m_bookmarks.size())
        return;
    m_bookmarks[row] = {newIdentifier(), name, address};
    emit dataChanged(index(row, 0), index(row, AddressColumn));
    write();
}

void BookmarksModel::removeBookmark(int row) {
    if (row < 0 || row >= m_bookmarks.size())
        return;
    beginRemoveRows({}, row, row);
    m_bookmarks.removeAt(row);
    endRemoveRows();
    write();
}

QList<int> BookmarksModel::moveBookmarks(QList<int> rows, int dropRow) {
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    rows.erase(std::remove_if(rows.begin(), rows.end(),
                              [this](int row) { return row < 0 || row >= m_bookmarks.size(); }),
               rows.end());
    if (rows.isEmpty())
        return {};
    dropRow = std::clamp(dropRow, 0, int(m_bookmarks.size()));
    int insertAt = dropRow;
    for (int row : std::as_const(rows))
        if (row < dropRow)
            --insertAt;
    beginResetModel();
    QList<Bookmark> moved;
    for (auto it = rows.crbegin(); it != rows.crend(); ++it)
        moved.prepend(m_bookmarks.takeAt(*it));
    for (int i = 0; i < moved.size(); ++i)
        m_bookmarks.insert(insertAt + i, moved.at(i));
    endResetModel();
    write();
    QList<int> placed;
    for (int i = 0; i < moved.size(); ++i)
        placed.append(insertAt + i);
    return placed;
}

int BookmarksModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_bookmarks.size());
}

int BookmarksModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 3;
}

QVariant BookmarksModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_bookmarks.size())
        return {};
    const Bookmark& bookmark = m_bookmarks.at(index.row());
    if (role != Qt::DisplayRole && role != Qt::EditRole && role != Qt::ToolTipRole)
        return {};
    switch (index.column()) {
    case NameColumn:
        return bookmark.name;
    case AddressColumn:
        return bookmark.address;
    default:
        return {};
    }
}

bool BookmarksModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || !index.isValid() || index.row() >= m_bookmarks.size())
        return false;
    Bookmark& bookmark = m_bookmarks[index.row()];
    if (index.column() == NameColumn)
        bookmark.name = value.toString();
    else if (index.column() == AddressColumn)
        bookmark.address = value.toString();
    else
        return false;
    emit dataChanged(index, index);
    write();
    return true;
}

Qt::ItemFlags BookmarksModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::ItemIsDropEnabled;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled;
    if (index.column() != IconColumn)
        flags |= Qt::ItemIsEditable;
    return flags;
}

QStringList BookmarksModel::mimeTypes() const {
    return {rowIndexesType()};
}

QMimeData* BookmarksModel::mimeData(const QModelIndexList& indexes) const {
    QVariantList rows;
    for (const QModelIndex& index : indexes)
        if (index.isValid() && !rows.contains(index.row()))
            rows.append(index.row());
    auto* data = new QMimeData;
    data->setData(rowIndexesType(), xmlPropertyListData(rows));
    data->setData(sourceType(), sourceToken(this));
    return data;
}

bool BookmarksModel::canDropMimeData(const QMimeData* data, Qt::DropAction, int row, int,
                                     const QModelIndex& parent) const {
    return data && row >= 0 && !parent.isValid() && data->hasFormat(rowIndexesType()) &&
           data->data(sourceType()) == sourceToken(this);
}

bool BookmarksModel::dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                                  const QModelIndex& parent) {
    if (!canDropMimeData(data, action, row, column, parent))
        return false;
    const PropertyListResult read = readPropertyList(data->data(rowIndexesType()));
    if (!read.ok() || read.value.typeId() != QMetaType::QVariantList)
        return false;
    QList<int> rows;
    for (const QVariant& value : read.value.toList())
        rows.append(value.toInt());
    const QList<int> placed = moveBookmarks(rows, row);
    if (placed.isEmpty())
        return false;
    emit bookmarksMoved(placed);
    // The rows are moved here; the view must not remove the dragged rows afterwards.
    return false;
}
