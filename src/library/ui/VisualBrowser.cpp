#include "VisualBrowser.h"

#include "VisualBrowserContent.h"
#include "VisualBrowserItem.h"
#include "library/VisualBrowserImageCache.h"
#include "platform/Scheduler.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QSet>

#include <algorithm>
#include <cmath>

namespace {
constexpr double kPreventOverContextSeconds = 0.08;
constexpr double kTypeAheadClearSeconds = 2.0 / 3.0;
constexpr double kScrollStepSeconds = 0.01;
} // namespace

VisualBrowser::VisualBrowser(QWidget* parent)
    : QAbstractScrollArea(parent), m_imageCache(new VisualBrowserImageCache(96LL * 1024 * 1024, this)) {
    setObjectName(QStringLiteral("visualBrowser"));
    setFocusPolicy(Qt::StrongFocus);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    viewport()->setMouseTracking(true);
    viewport()->setAutoFillBackground(false);
    setMinimumHeight(80);
    updateObjectWidth();
    connect(m_imageCache, &VisualBrowserImageCache::imageReady, this, &VisualBrowser::imageReady);
}

VisualBrowser::~VisualBrowser() = default;

void VisualBrowser::setContent(VisualBrowserContent* content) {
    disconnect(m_contentConnection);
    m_content = content;
    if (content)
        m_contentConnection =
            connect(content, &VisualBrowserContent::selectionChanged, this, &VisualBrowser::selectionChanged);
    reloadContent();
}

void VisualBrowser::showContent(std::function<void()> change) {
    if (Scheduler::instance().isScheduled(m_preventOverContextTimer)) {
        // Run when the guard time is up, so the last change of a burst is never lost.
        m_pendingChange = std::move(change);
        return;
    }
    if (change)
        change();
    reloadContent();
    m_preventOverContextTimer = Scheduler::instance().schedule(
        kPreventOverContextSeconds,
        [this] {
            m_preventOverContextTimer = 0;
            if (m_pendingChange) {
                std::function<void()> pending = std::move(*m_pendingChange);
                m_pendingChange.reset();
                showContent(std::move(pending));
            }
        },
        this);
}

void VisualBrowser::reloadContent() {
    removeAllObjects();
    m_numberOfObjects = m_content ? std::max(m_content->count(), 0) : 0;
    setNumberOfObjects(m_numberOfObjects);
    drawObjectsNearScrollPoint();
    emit contextChanged();
}

void VisualBrowser::setNumberOfObjects(int count) {
    Q_UNUSED(count);
    updateObjectWidth();
    updateScrollRange();
}

void VisualBrowser::updateObjectWidth() {
    m_cardHeight = VisualBrowserLayout::cardHeightForStrip(viewport()->height(), viewport()->width());
    m_objectWidth = VisualBrowserLayout::objectWidthForHeight(m_cardHeight);
}

void VisualBrowser::updateScrollRange() {
    QScrollBar* bar = horizontalScrollBar();
    const int visible = viewport()->width();
    bar->setRange(0, std::max(0, stripWidth() - visible));
    bar->setPageStep(std::max(visible, 1));
    bar->setSingleStep(std::max(m_objectWidth / 4, 1));
}

int VisualBrowser::scrollOffset() const {
    return horizontalScrollBar()->value();
}

QList<int> VisualBrowser::existingIndexes() const {
    QList<int> indexes = m_items.keys();
    std::sort(indexes.begin(), indexes.end());
    return indexes;
}

double VisualBrowser::indexOfObjectAtScrollPoint() const {
    const QScrollBar* bar = horizontalScrollBar();
    const double value = bar->maximum() > 0 ? double(bar->value()) / bar->maximum() : 0.0;
    return VisualBrowserLayout::indexAtScrollValue(value, numberOfObjects());
}

void VisualBrowser::drawObjectsNearScrollPoint() {
    // A hidden strip has no height to size cards by: they are made when it is shown.
    if (m_pauseUpdates || !isVisible())
        return;
    updateScrollRange();
    if (m_redrawAllItems)
        removeAllObjects();
    const int count = numberOfObjects();
    if (count == 0)
        return;
    VisualBrowserLayout::IndexRange range =
        VisualBrowserLayout::nearRange(indexOfObjectAtScrollPoint(), count);
    // A low strip shows more than 20 cards at once; those in view always exist.
    const int firstVisible = scrollOffset() / m_objectWidth;
    const int lastVisible = std::min(count, (scrollOffset() + viewport()->width()) / m_objectWidth + 1);
    range.first = std::min(range.first, firstVisible);
    range.last = std::max(range.last, lastVisible);
    for (int index = range.first; index < range.last; ++index)
        addObjectAtIndex(index);
}

void VisualBrowser::removeObjectsAwayFromScrollPoint() {
    const double p = indexOfObjectAtScrollPoint();
    const QList<int> indexes = m_items.keys();
    for (int index : indexes)
        if (VisualBrowserLayout::isFarFrom(index, p))
            removeObjectAtIndex(index);
    // Reads for cards that are gone are not worth waiting for.
    m_imageCache->cancelQueuedReads();
    for (VisualBrowserItem* item : std::as_const(m_items))
        if (!item->hasImage())
            requestImage(item);
}

void VisualBrowser::addObjectAtIndex(int index) {
    if (m_items.contains(index) || index < 0 || index >= numberOfObjects())
        return;
    VisualBrowserItem* item = nullptr;
    if (!m_spareItems.isEmpty()) {
        item = m_spareItems.takeLast();
        item->reuse(index);
    } else {
        item = new VisualBrowserItem(index, viewport());
    }
    m_items.insert(index, item);
    placeItem(item);
    fillItem(item);
    item->show();
}

void VisualBrowser::fillItem(VisualBrowserItem* item) {
    if (!m_content || item->index() >= m_content->count())
        return;
    const int row = item->index();
    item->setCard(m_content->cardAt(row), m_content->stampAt(row));
    item->setSelected(m_content->isRowSelected(row));
    requestImage(item);
}

void VisualBrowser::requestImage(VisualBrowserItem* item) {
    const VisualBrowserCard& card = item->card();
    if (card.picturePath.isEmpty()) {
        item->setImageKey(QString());
        item->setImage(card.picture);
        return;
    }
    const QSize size(std::max(m_objectWidth - 2, 1), std::max(m_cardHeight - 22, 1));
    const VisualBrowserImageCache::Key key =
        VisualBrowserImageCache::key(card.picturePath, size, item->stamp());
    item->setImageKey(key.text());
    QImage image;
    if (m_imageCache->request(key, &image))
        item->setImage(image);
}

void VisualBrowser::imageReady(const QString& keyText, const QImage& image) {
    for (VisualBrowserItem* item : std::as_const(m_items))
        if (item->imageKey() == keyText)
            item->setImage(image);
}

void VisualBrowser::placeItem(VisualBrowserItem* item) const {
    // Cards lower than the strip sit in its middle.
    item->setGeometry(item->index() * m_objectWidth - scrollOffset(),
                      (viewport()->height() - m_cardHeight) / 2, m_objectWidth, m_cardHeight);
}

void VisualBrowser::removeObjectAtIndex(int index) {
    if (VisualBrowserItem* item = m_items.take(index)) {
        if (m_hoveredIndex == index)
            m_hoveredIndex = -1;
        recycle(item);
    }
}

void VisualBrowser::recycle(VisualBrowserItem* item) {
    // As many spares as a full strip of live cards needs; the rest go.
    if (m_spareItems.size() >= VisualBrowserLayout::kRemoveFarThreshold) {
        delete item;
        return;
    }
    item->hide();
    item->reuse(-1);
    m_spareItems.append(item);
}

void VisualBrowser::removeAllObjects() {
    for (VisualBrowserItem* item : std::as_const(m_items))
        recycle(item);
    m_items.clear();
    m_hoveredIndex = -1;
    m_redrawAllItems = false;
    m_imageCache->cancelQueuedReads();
}

void VisualBrowser::updateVBItems() {
    if (!m_content)
        return;
    for (VisualBrowserItem* item : std::as_const(m_items))
        if (item->index() < m_content->count() && m_content->stampAt(item->index()) != item->stamp())
            fillItem(item);
}

void VisualBrowser::refillItemAtIndex(int index) {
    if (VisualBrowserItem* item = m_items.value(index))
        fillItem(item);
}

void VisualBrowser::scrollContentsBy(int dx, int dy) {
    Q_UNUSED(dy);
    viewport()->scroll(dx, 0);
    if (existingCount() >= VisualBrowserLayout::kRemoveFarThreshold)
        removeObjectsAwayFromScrollPoint();
    drawObjectsNearScrollPoint();
}

void VisualBrowser::showEvent(QShowEvent* event) {
    QAbstractScrollArea::showEvent(event);
    updateObjectWidth();
    drawObjectsNearScrollPoint();
}

void VisualBrowser::resizeEvent(QResizeEvent* event) {
    const int oldWidth = m_objectWidth;
    const double p = indexOfObjectAtScrollPoint();
    QAbstractScrollArea::resizeEvent(event);
    updateObjectWidth();
    updateScrollRange();
    if (m_objectWidth != oldWidth || !m_items.isEmpty()) {
        // New card sizes: every card is made again at the same place in the list.
        m_redrawAllItems = true;
        if (numberOfObjects() > 0)
            horizontalScrollBar()->setValue(int(p / numberOfObjects() * horizontalScrollBar()->maximum()));
        drawObjectsNearScrollPoint();
    }
}

void VisualBrowser::scrollToObjectAtIndex(int index, bool animate) {
    if (index < 0 || index >= numberOfObjects())
        return;
    Scheduler::instance().cancel(m_scrollTimer);
    m_scrollTimer = 0;
    updateScrollRange();
    const int target =
        VisualBrowserLayout::centredOffset(index, m_objectWidth, viewport()->width(), stripWidth());
    m_scrollSteps = VisualBrowserLayout::scrollSteps(scrollOffset(), target, animate);
    stepScroll();
}

void VisualBrowser::stepScroll() {
    if (m_scrollSteps.isEmpty())
        return;
    horizontalScrollBar()->setValue(m_scrollSteps.takeFirst());
    if (m_scrollSteps.isEmpty()) {
        m_scrollTimer = 0;
        drawObjectsNearScrollPoint();
        return;
    }
    m_scrollTimer = Scheduler::instance().schedule(
        kScrollStepSeconds, [this] { stepScroll(); }, this);
}

void VisualBrowser::delayedScrollToObjectAtIndex(int index, bool animate) {
    Scheduler::instance().schedule(
        0.01, [this, index, animate] { scrollToObjectAtIndex(index, animate); }, this);
}

void VisualBrowser::scrollToSelectedRow() {
    const int row = selectedRow();
    if (row >= 0)
        scrollToObjectAtIndex(row, false);
}

QList<int> VisualBrowser::selectionIndexes() const {
    return m_content ? m_content->selectionIndexes() : QList<int>();
}

void VisualBrowser::setSelectionIndexes(const QList<int>& rows, int row) {
    m_selectedRow = row;
    if (m_content)
        m_content->setSelectionIndexes(rows, row);
}

int VisualBrowser::selectedRow() const {
    const QList<int> rows = selectionIndexes();
    if (rows.isEmpty())
        return -1;
    return rows.contains(m_selectedRow) ? m_selectedRow : rows.constLast();
}

void VisualBrowser::selectionChanged() {
    for (VisualBrowserItem* item : std::as_const(m_items))
        item->setSelected(m_content && m_content->isRowSelected(item->index()));
}

void VisualBrowser::selectAll() {
    QList<int> rows;
    rows.reserve(numberOfObjects());
    for (int row = 0; row < numberOfObjects(); ++row)
        rows.append(row);
    setSelectionIndexes(rows, selectedRow());
}

void VisualBrowser::typeAheadString(const QString& text) {
    QStringList names;
    names.reserve(numberOfObjects());
    for (int row = 0; row < numberOfObjects() && m_content && row < m_content->count(); ++row)
        names.append(m_content->nameAt(row));
    const int match = VisualBrowserLayout::typeAheadMatch(names, text);
    if (match < 0)
        return;
    setSelectionIndexes({match}, match);
    scrollToObjectAtIndex(match, true);
}

void VisualBrowser::insertText(const QString& text) {
    mStringToFind.append(text);
    Scheduler::instance().cancel(m_typeAheadTimer);
    m_typeAheadTimer = Scheduler::instance().schedule(
        kTypeAheadClearSeconds, [this] { clearAccumulatingTypeahead(); }, this);
    typeAheadString(mStringToFind);
}

void VisualBrowser::clearAccumulatingTypeahead() {
    mStringToFind.clear();
    m_typeAheadTimer = 0;
}

void VisualBrowser::keyPressEvent(QKeyEvent* event) {
    using VisualBrowserLayout::ArrowKey;
    std::optional<ArrowKey> arrow;
    switch (event->key()) {
    case Qt::Key_Left:
        arrow = ArrowKey::Left;
        break;
    case Qt::Key_Right:
        arrow = ArrowKey::Right;
        break;
    case Qt::Key_Up:
        arrow = ArrowKey::Up;
        break;
    case Qt::Key_Down:
        arrow = ArrowKey::Down;
        break;
    default:
        break;
    }
    if (arrow) {
        const bool shift = event->modifiers() & Qt::ShiftModifier;
        const VisualBrowserLayout::KeySelection next = VisualBrowserLayout::selectionAfterKey(
            *arrow, shift, selectionIndexes(), selectedRow(), numberOfObjects());
        if (next.scrollTo >= 0) {
            setSelectionIndexes(next.selection, next.selectedRow);
            scrollToObjectAtIndex(next.scrollTo, true);
        }
        event->accept();
        return;
    }
    if (event->matches(QKeySequence::SelectAll)) {
        selectAll();
        event->accept();
        return;
    }
    const QString text = event->text();
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier);
    if (!text.isEmpty() && text.at(0).isPrint() && modifiers == Qt::NoModifier) {
        insertText(text);
        event->accept();
        return;
    }
    QAbstractScrollArea::keyPressEvent(event);
}

int VisualBrowser::indexAtViewportPoint(const QPoint& point) const {
    const int top = (viewport()->height() - m_cardHeight) / 2;
    if (point.x() < 0 || point.x() >= viewport()->width() || point.y() < top ||
        point.y() >= top + m_cardHeight)
        return -1;
    const int index = (point.x() + scrollOffset()) / m_objectWidth;
    return index < numberOfObjects() ? index : -1;
}

void VisualBrowser::clickedActionWithEvent(int index, QMouseEvent* event) {
    Q_UNUSED(event);
    setSelectionIndexes({index}, index);
}

void VisualBrowser::mousePressEvent(QMouseEvent* event) {
    const int index = indexAtViewportPoint(event->position().toPoint());
    if (index < 0) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    clickedActionWithEvent(index, event);
    if (event->button() == Qt::LeftButton) {
        setFocus(Qt::MouseFocusReason);
        m_lastClickedIndex = index;
    }
    event->accept();
}

void VisualBrowser::mouseMoveEvent(QMouseEvent* event) {
    setHoveredIndex(indexAtViewportPoint(event->position().toPoint()));
    QAbstractScrollArea::mouseMoveEvent(event);
}

void VisualBrowser::leaveEvent(QEvent* event) {
    setHoveredIndex(-1);
    QAbstractScrollArea::leaveEvent(event);
}

void VisualBrowser::setHoveredIndex(int index) {
    if (index == m_hoveredIndex)
        return;
    if (VisualBrowserItem* old = m_items.value(m_hoveredIndex))
        old->setHovered(false);
    m_hoveredIndex = index;
    if (VisualBrowserItem* item = m_items.value(index))
        item->setHovered(true);
}

void VisualBrowser::paintEvent(QPaintEvent* event) {
    Q_UNUSED(event);
    QPainter painter(viewport());
    painter.fillRect(viewport()->rect(), QColor(28, 28, 30));
    if (!m_cardsDrawnReported && !m_items.isEmpty()) {
        m_cardsDrawnReported = true;
        emit cardsDrawn();
    }
}

bool VisualBrowser::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::Leave)
        setHoveredIndex(-1);
    return QAbstractScrollArea::viewportEvent(event);
}
