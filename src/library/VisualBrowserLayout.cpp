#include "VisualBrowserLayout.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <set>

namespace VisualBrowserLayout {

int objectWidthForHeight(int stripHeight) {
    return std::max(1, static_cast<int>((stripHeight - 40) * 1.5));
}

int cardHeightForStrip(int stripHeight, int stripVisibleWidth) {
    const int fitting = static_cast<int>(stripVisibleWidth / 2.5 / 1.5) + 40;
    return std::max(std::min(stripHeight, fitting), 0);
}

double indexAtScrollValue(double scrollValue, int numberOfObjects) {
    if (numberOfObjects <= 0)
        return 0.0;
    return std::clamp(scrollValue, 0.0, 1.0) * numberOfObjects;
}

IndexRange nearRange(double p, int numberOfObjects) {
    IndexRange range;
    range.first = std::max(static_cast<int>(std::trunc(p - kNearCards)), 0);
    range.last = std::min(static_cast<int>(std::trunc(p + kNearCards)), numberOfObjects);
    if (range.last < range.first)
        range.last = range.first;
    return range;
}

bool isFarFrom(int index, double p) {
    return index - kNearCards > p || index + kNearCards < p;
}

int centredOffset(int index, int objectWidth, int visibleWidth, int stripWidth) {
    int offset = static_cast<int>(index * static_cast<double>(objectWidth) -
                                  (visibleWidth / 2.0 - static_cast<double>(objectWidth / 2)));
    offset = std::min(offset, stripWidth - visibleWidth);
    return std::max(offset, 0);
}

QList<int> scrollSteps(int current, int target, bool animate) {
    const int distance = target - current;
    if (!animate || std::abs(distance) > 5000 || distance == 0)
        return {target};
    int step = 30;
    const bool decelerate = std::abs(distance) > 1000;
    if (decelerate)
        step = 90;
    const int direction = distance > 0 ? 1 : -1;
    QList<int> offsets;
    int position = current;
    while (std::abs(target - position) > step) {
        position += direction * step;
        offsets.append(position);
        if (decelerate && std::abs(target - position) < 610 && step > 7)
            step -= 7;
    }
    offsets.append(target);
    return offsets;
}

namespace {

QList<int> toList(const std::set<int>& rows) {
    return QList<int>(rows.cbegin(), rows.cend());
}

KeySelection single(int row) {
    return {{row}, row, row};
}

} // namespace

KeySelection selectionAfterKey(ArrowKey key, bool shift, const QList<int>& selection, int selectedRow,
                               int count) {
    KeySelection result{selection, selectedRow, -1};
    if (count <= 0)
        return result;
    const int last = count - 1;
    if (selection.isEmpty() || selectedRow < 0) {
        // Nothing selected yet: any arrow starts at the first card.
        return single(0);
    }
    const int row = std::clamp(selectedRow, 0, last);
    if (!shift) {
        switch (key) {
        case ArrowKey::Right:
            return single(std::min(row + 1, last));
        case ArrowKey::Left:
            return single(std::max(row - 1, 0));
        case ArrowKey::Down:
            return single(std::min(row + 10, last));
        case ArrowKey::Up:
            return single(std::max(row - 10, 0));
        }
    }

    std::set<int> rows(selection.cbegin(), selection.cend());
    const int first = *rows.begin();
    const int lastSelected = *rows.rbegin();
    // Removing never takes the selected row away, so the selection never empties.
    auto removeRange = [&](int from, int to) {
        for (int index = from; index <= to; ++index)
            if (index != row)
                rows.erase(index);
    };
    auto addRange = [&](int from, int to) {
        for (int index = std::max(from, 0); index <= std::min(to, last); ++index)
            rows.insert(index);
    };
    bool movedFirst = false;
    switch (key) {
    case ArrowKey::Right:
        if (row <= first) {
            addRange(lastSelected + 1, lastSelected + 1);
        } else {
            removeRange(first, first);
            movedFirst = true;
        }
        break;
    case ArrowKey::Left:
        if (row >= lastSelected) {
            addRange(first - 1, first - 1);
            movedFirst = true;
        } else {
            removeRange(lastSelected, lastSelected);
        }
        break;
    case ArrowKey::Down:
        if (row > first) {
            removeRange(first, first + 9);
            movedFirst = true;
        } else {
            addRange(lastSelected, lastSelected + 9);
        }
        break;
    case ArrowKey::Up:
        if (row >= lastSelected) {
            addRange(first - 10, first - 1);
            movedFirst = true;
        } else {
            removeRange(lastSelected - 8, lastSelected);
        }
        break;
    }
    result.selection = toList(rows);
    result.selectedRow = row;
    result.scrollTo = movedFirst ? result.selection.constFirst() : result.selection.constLast();
    return result;
}

int typeAheadMatch(const QStringList& names, const QString& text) {
    if (text.isEmpty())
        return -1;
    for (int index = 0; index < names.size(); ++index)
        if (names.at(index).startsWith(text, Qt::CaseInsensitive))
            return index;
    return -1;
}

} // namespace VisualBrowserLayout
