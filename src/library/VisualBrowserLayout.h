#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The arithmetic of the visual browser's strip of cards, without widgets: the card width,
// which cards live near the scroll position, where a scroll to a card lands and through
// which offsets an animated scroll passes, the selection the arrow keys make and the
// type-ahead match. The strip widget applies these.
namespace VisualBrowserLayout {

// Cards live this many indexes either side of the visible position.
constexpr int kNearCards = 20;
// Far cards are removed once this many cards exist.
constexpr int kRemoveFarThreshold = 201;

// The width of one card: (strip height − 40) × 1.5, truncated; never below 1, so a strip
// squeezed flat still maps offsets to indexes.
int objectWidthForHeight(int stripHeight);
// The height cards are drawn at in a strip of that size: its height, unless that would
// make cards so wide that fewer than two and a half fit across (a narrow list column);
// then the height at which that many fit.
int cardHeightForStrip(int stripHeight, int stripVisibleWidth);

// The fractional index at a scroller value from 0 to 1.
double indexAtScrollValue(double scrollValue, int numberOfObjects);

// The indexes whose cards belong near the fractional index p: [first, last).
struct IndexRange {
    int first = 0;
    int last = 0;
    bool contains(int index) const { return index >= first && index < last; }
};
IndexRange nearRange(double p, int numberOfObjects);
// A card that is farther than kNearCards from p.
bool isFarFrom(int index, double p);

// The offset that centres card index in the visible width, kept inside the strip.
int centredOffset(int index, int objectWidth, int visibleWidth, int stripWidth);

// The offsets a scroll from current to target passes through, the target last. Without
// animation, or more than 5000 points away, it is the target alone. Otherwise steps of 30;
// more than 1000 points ahead (or behind) steps of 90 that shrink by 7 after each move
// once less than 610 points remain, down to 7.
QList<int> scrollSteps(int current, int target, bool animate);

// The arrow keys in the strip.
enum class ArrowKey { Left, Right, Up, Down };
struct KeySelection {
    QList<int> selection; // ascending
    int selectedRow = -1; // the row the next key moves from
    int scrollTo = -1;    // the index the strip scrolls to
};
// The selection after an arrow key, from the selection (ascending) and the selected row
// (-1 when nothing is selected), in a list of count rows. Indexes never leave the list.
KeySelection selectionAfterKey(ArrowKey key, bool shift, const QList<int>& selection, int selectedRow,
                               int count);

// The first name, in list order, that starts with text regardless of case; -1 when none
// does or text is empty.
int typeAheadMatch(const QStringList& names, const QString& text);

} // namespace VisualBrowserLayout
