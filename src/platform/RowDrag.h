#pragma once

#include <QList>
#include <QModelIndexList>
#include <QString>

class QMimeData;

// Rows dragged within one table travel as their indexes, ascending and once each, under a
// type of that table's own, so that no other table takes them for its rows.
QMimeData* mimeDataForRows(const QModelIndexList& indexes, const QString& type);

// The rows a drag of type carries, those from 0 to count - 1; empty when it carries none
// or they do not read.
QList<int> rowsFromMimeData(const QMimeData* data, const QString& type, int count);
