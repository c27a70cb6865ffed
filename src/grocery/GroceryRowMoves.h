#pragma once

#include <QList>

#include <algorithm>

// Moves the rows at indexes (taken in ascending order) to dropRow, one after another as a
// table's drag does: each is taken out; when it stood above the drop position that position
// goes up one row; it is put in at the drop position, which then moves one row down.
// Returns the new rows of the moved items.
template <typename T> QList<int> moveRowsToDropPosition(QList<T>& list, QList<int> indexes, int dropRow) {
    std::sort(indexes.begin(), indexes.end());
    indexes.erase(std::unique(indexes.begin(), indexes.end()), indexes.end());
    // Follow each moved row by its slot in a list of tags, so later moves find it again.
    QList<int> tags(list.size());
    for (int i = 0; i < int(tags.size()); ++i)
        tags[i] = i;
    int drop = std::clamp(dropRow, 0, int(list.size()));
    QList<int> moved;
    for (int original : std::as_const(indexes)) {
        if (original < 0 || original >= int(list.size()))
            continue;
        const int current = int(tags.indexOf(original));
        T item = list.takeAt(current);
        tags.removeAt(current);
        if (current < drop)
            --drop;
        list.insert(drop, item);
        tags.insert(drop, original);
        moved.append(original);
        ++drop;
    }
    QList<int> rows;
    for (int original : std::as_const(moved))
        rows.append(int(tags.indexOf(original)));
    std::sort(rows.begin(), rows.end());
    return rows;
}
