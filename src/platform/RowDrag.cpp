#include "RowDrag.h"

#include <QDataStream>
#include <QIODevice>
#include <QMimeData>

#include <algorithm>

QMimeData* mimeDataForRows(const QModelIndexList& indexes, const QString& type) {
    QList<int> rows;
    for (const QModelIndex& index : indexes)
        if (index.isValid())
            rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    QByteArray encoded;
    QDataStream stream(&encoded, QIODevice::WriteOnly);
    stream << rows;
    auto* data = new QMimeData;
    data->setData(type, encoded);
    return data;
}

QList<int> rowsFromMimeData(const QMimeData* data, const QString& type, int count) {
    if (!data || !data->hasFormat(type))
        return {};
    QList<int> rows;
    QDataStream stream(data->data(type));
    stream >> rows;
    if (stream.status() != QDataStream::Ok)
        return {};
    rows.removeIf([count](int row) { return row < 0 || row >= count; });
    return rows;
}
