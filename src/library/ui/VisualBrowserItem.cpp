#include "VisualBrowserItem.h"

#include "platform/UserDefaults.h"

#include <QCollator>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

VisualBrowserItem::VisualBrowserItem(int index, QWidget* parent) : QWidget(parent), m_index(index) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void VisualBrowserItem::reuse(int index) {
    m_index = index;
    m_card = {};
    m_stamp = {};
    m_selected = m_hovered = false;
    m_image = {};
    m_imageSet = false;
    m_imageKey.clear();
}

void VisualBrowserItem::setCard(const VisualBrowserCard& card, const QDateTime& stamp) {
    m_card = card;
    m_card.rating = std::clamp(card.rating, 0, 5);
    m_stamp = stamp;
    update();
}

void VisualBrowserItem::setImage(const QImage& image) {
    m_image = image;
    m_imageSet = true;
    update();
}

void VisualBrowserItem::setSelected(bool selected) {
    if (m_selected == selected)
        return;
    m_selected = selected;
    update();
}

void VisualBrowserItem::setHovered(bool hovered) {
    if (m_hovered == hovered)
        return;
    m_hovered = hovered;
    update();
}

QString VisualBrowserItem::difficultyText(int difficulty) {
    switch (difficulty) {
    case 1:
        return tr("Easy");
    case 2:
        return tr("Medium");
    case 3:
        return tr("Hard");
    default:
        return {};
    }
}

QString VisualBrowserItem::keywordsText(const QString& keywords) {
    QStringList words;
    for (const QString& word : keywords.split(QLatin1Char(','))) {
        const QString trimmed = word.trimmed();
        if (!trimmed.isEmpty())
            words.append(trimmed);
    }
    QCollator collator;
    std::sort(words.begin(), words.end(),
              [&collator](const QString& a, const QString& b) { return collator.compare(a, b) < 0; });
    return words.join(QStringLiteral(", "));
}

void VisualBrowserItem::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect card = rect();
    painter.fillRect(card, QColor(38, 38, 40));
    if (m_selected)
        painter.fillRect(card.adjusted(2, 2, -2, -2), QColor(56, 100, 170));

    // The picture fits the card less 2 points of width and 22 of height (the title's row).
    const QRect imageArea(1, 1, std::max(card.width() - 2, 1), std::max(card.height() - 22, 1));
    const bool dimmed = m_card.hasOverlay && m_hovered &&
                        UserDefaults::boolForKey(QStringLiteral("showVisualBrowserOverlay"));
    if (!m_image.isNull()) {
        const QSize size = m_image.size().scaled(imageArea.size(), Qt::KeepAspectRatio);
        const QRect target(imageArea.x() + (imageArea.width() - size.width()) / 2,
                           imageArea.y() + (imageArea.height() - size.height()) / 2, size.width(),
                           size.height());
        painter.setOpacity(dimmed ? 0.35 : 1.0);
        painter.drawImage(target, m_image);
        painter.setOpacity(1.0);
    } else if (m_imageSet) {
        // The placeholder: a framed plate where the picture would be.
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(QColor(90, 90, 94), 2));
        const int side = std::min(imageArea.width(), imageArea.height()) / 2;
        painter.drawEllipse(imageArea.center(), side / 2, side / 2);
        painter.setRenderHint(QPainter::Antialiasing, false);
    }

    // Separator lines at the card's edges.
    painter.setPen(QColor(70, 70, 74));
    painter.drawLine(card.topRight(), card.bottomRight());
    painter.drawLine(card.bottomLeft(), card.bottomRight());

    // The title, centred and white, shortened in the middle.
    const QString title = m_card.title.isEmpty() ? QStringLiteral("-----") : m_card.title;
    const QRect titleRect(4, card.height() - 21, card.width() - 8, 20);
    painter.setPen(Qt::white);
    painter.drawText(titleRect, Qt::AlignCenter,
                     fontMetrics().elidedText(title, Qt::ElideMiddle, titleRect.width()));

    if (m_card.markedAsNew) {
        // The ribbon across the top-right corner.
        painter.save();
        painter.setRenderHint(QPainter::Antialiasing);
        painter.translate(card.width() - 34, 18);
        painter.rotate(45);
        painter.fillRect(QRect(-40, -9, 80, 18), QColor(200, 40, 40));
        painter.setPen(Qt::white);
        QFont font = painter.font();
        font.setBold(true);
        font.setPointSizeF(font.pointSizeF() * 0.8);
        painter.setFont(font);
        painter.drawText(QRect(-40, -9, 80, 18), Qt::AlignCenter, tr("NEW"));
        painter.restore();
    }

    if (dimmed) {
        // The overlay: rating, difficulty and keywords over the dimmed picture.
        painter.setPen(Qt::white);
        QString stars;
        for (int star = 0; star < 5; ++star)
            stars.append(star < m_card.rating ? QChar(0x2605) : QChar(0x2606));
        painter.setPen(m_card.prepared ? QColor(110, 170, 255) : QColor(Qt::white));
        painter.drawText(imageArea.adjusted(8, 8, -8, -8), Qt::AlignTop | Qt::AlignHCenter, stars);
        painter.setPen(Qt::white);
        painter.drawText(imageArea.adjusted(8, 30, -8, -8), Qt::AlignTop | Qt::AlignHCenter,
                         m_card.difficulty);
        painter.drawText(imageArea.adjusted(8, 54, -8, -8),
                         Qt::AlignTop | Qt::AlignHCenter | Qt::TextWordWrap, m_card.keywords);
    }
}
