#include "RecipeEditorImageView.h"

#include "library/RecipeEditorImages.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFrame>
#include <QGridLayout>
#include <QImageReader>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScrollBar>
#include <QStandardPaths>
#include <QVBoxLayout>
#include <QtDebug>

namespace {

const QSize kWellSize(144, 108);
const QSize kDragSize(100, 75);

QImage readImageFile(const QString& path) {
    QImageReader reader(path);
    reader.setAutoTransform(true);
    return reader.read();
}

} // namespace

// One well: paints its picture or an empty placeholder and turns drops, pastes, the
// context menu, double-clicks, Delete and drags into changes of the view.
class RecipeEditorImageWell : public QFrame {
public:
    RecipeEditorImageWell(RecipeEditorImageView* view, int number, QWidget* parent)
        : QFrame(parent), m_view(view), m_number(number) {
        setFixedSize(kWellSize);
        setFocusPolicy(Qt::StrongFocus);
        setAcceptDrops(true);
        setAccessibleName(QCoreApplication::translate("RecipeEditorImageView", "Picture %1").arg(number));
    }

    void setImage(const QImage& image) {
        m_image = image;
        m_shown = QPixmap();
        update();
    }
    const QImage& image() const { return m_image; }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF frame = QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5);
        const QPalette& colors = palette();
        if (m_image.isNull()) {
            QPen dashed(colors.color(QPalette::Mid), 1.5, Qt::DashLine);
            painter.setPen(dashed);
            painter.setBrush(colors.color(QPalette::AlternateBase));
            painter.drawRoundedRect(frame, 6, 6);
        } else {
            const QRect inner = rect().adjusted(4, 4, -4, -4);
            const qreal ratio = devicePixelRatioF();
            if (m_shown.isNull() || m_shownRatio != ratio) {
                m_shown = QPixmap::fromImage(
                    m_image.scaled(inner.size() * ratio, Qt::KeepAspectRatio, Qt::SmoothTransformation));
                m_shown.setDevicePixelRatio(ratio);
                m_shownRatio = ratio;
            }
            const QSizeF shown = m_shown.deviceIndependentSize();
            const QPointF origin(inner.x() + (inner.width() - shown.width()) / 2,
                                 inner.y() + (inner.height() - shown.height()) / 2);
            painter.drawPixmap(origin, m_shown);
            painter.setPen(QPen(colors.color(QPalette::Mid), 1));
            painter.setBrush(Qt::NoBrush);
            painter.drawRoundedRect(frame, 6, 6);
        }
        if (m_dropTarget || hasFocus()) {
            painter.setPen(QPen(colors.color(QPalette::Highlight), 3));
            painter.setBrush(Qt::NoBrush);
            painter.drawRoundedRect(frame, 6, 6);
        }
    }

    void keyPressEvent(QKeyEvent* event) override {
        if (event->matches(QKeySequence::Paste)) {
            const QImage pasted =
                RecipeEditorImageView::imageFromMimeData(QApplication::clipboard()->mimeData());
            if (!pasted.isNull())
                m_view->setImageForWellByUser(m_number, pasted);
            return;
        }
        if (event->key() == Qt::Key_Delete || event->key() == Qt::Key_Backspace) {
            if (!m_image.isNull())
                m_view->setImageForWellByUser(m_number, QImage());
            return;
        }
        QFrame::keyPressEvent(event);
    }

    void contextMenuEvent(QContextMenuEvent* event) override {
        QMenu menu(this);
        QAction* choose =
            menu.addAction(QCoreApplication::translate("RecipeEditorImageView", "Choose Picture…"));
        QAction* remove =
            menu.addAction(QCoreApplication::translate("RecipeEditorImageView", "Remove Picture"));
        remove->setEnabled(!m_image.isNull());
        QAction* chosen = menu.exec(event->globalPos());
        if (chosen == choose)
            m_view->chooseImageForWell(m_number);
        else if (chosen == remove)
            m_view->setImageForWellByUser(m_number, QImage());
    }

    void mouseDoubleClickEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton)
            m_view->chooseImageForWell(m_number);
    }

    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton)
            m_pressPosition = event->position().toPoint();
        QFrame::mousePressEvent(event);
    }

    void mouseMoveEvent(QMouseEvent* event) override {
        if (!(event->buttons() & Qt::LeftButton) || m_image.isNull() ||
            (event->position().toPoint() - m_pressPosition).manhattanLength() <
                QApplication::startDragDistance())
            return;
        auto* drag = new QDrag(this);
        auto* mimeData = new QMimeData;
        mimeData->setText(RecipeEditorImages::dragTextForWell(m_number));
        drag->setMimeData(mimeData);
        const QPixmap pixmap = RecipeEditorImageView::dragPixmap(m_image, devicePixelRatioF());
        drag->setPixmap(pixmap);
        drag->setHotSpot(QPoint(kDragSize.width() / 2, kDragSize.height() / 2));
        drag->exec(Qt::CopyAction);
    }

    void dragEnterEvent(QDragEnterEvent* event) override {
        // Reading a dropped file only to decide whether to accept it would be slow; the
        // drop itself checks that a picture can be read.
        if (!acceptsData(event->mimeData()))
            return;
        event->acceptProposedAction();
        m_dropTarget = true;
        update();
    }

    void dragLeaveEvent(QDragLeaveEvent*) override {
        m_dropTarget = false;
        update();
    }

    void dropEvent(QDropEvent* event) override {
        m_dropTarget = false;
        update();
        const QImage dropped = RecipeEditorImageView::imageFromMimeData(event->mimeData());
        if (dropped.isNull())
            return;
        event->acceptProposedAction();
        m_view->setImageForWellByUser(m_number, dropped);
    }

private:
    static bool acceptsData(const QMimeData* data) {
        if (!data)
            return false;
        if (data->hasImage())
            return true;
        for (const QString& format : data->formats())
            if (format.startsWith(QLatin1String("image/")))
                return true;
        for (const QUrl& url : data->urls())
            if (url.isLocalFile())
                return true;
        return false;
    }

    RecipeEditorImageView* m_view;
    int m_number;
    QImage m_image;
    QPixmap m_shown;
    qreal m_shownRatio = 0;
    QPoint m_pressPosition;
    bool m_dropTarget = false;
};

RecipeEditorImageView::RecipeEditorImageView(QWidget* parent) : QScrollArea(parent) {
    auto* content = new QWidget;
    auto* grid = new QGridLayout(content);
    grid->setHorizontalSpacing(12);
    grid->setVerticalSpacing(8);
    constexpr int columns = 3;
    for (int number = 1; number <= wellCount; ++number) {
        auto* cell = new QVBoxLayout;
        cell->setSpacing(2);
        auto* well = new RecipeEditorImageWell(this, number, content);
        auto* caption = new QLabel(QString::number(number), content);
        QFont small = caption->font();
        small.setPointSizeF(small.pointSizeF() * 0.85);
        caption->setFont(small);
        caption->setAlignment(Qt::AlignHCenter);
        cell->addWidget(well, 0, Qt::AlignHCenter);
        cell->addWidget(caption);
        grid->addLayout(cell, (number - 1) / columns, (number - 1) % columns);
        m_wells.append(well);
    }
    grid->setRowStretch(wellCount / columns, 1);
    setWidget(content);
    setWidgetResizable(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
}

RecipeEditorImageWell* RecipeEditorImageView::wellAt(int number) const {
    return number >= 1 && number <= m_wells.size() ? m_wells.at(number - 1) : nullptr;
}

QWidget* RecipeEditorImageView::well(int number) const {
    return wellAt(number);
}

void RecipeEditorImageView::setImageForWell(int number, const QImage& image) {
    if (RecipeEditorImageWell* well = wellAt(number))
        well->setImage(image);
}

void RecipeEditorImageView::clearAllWells() {
    for (RecipeEditorImageWell* well : std::as_const(m_wells))
        well->setImage(QImage());
}

QImage RecipeEditorImageView::imageForWell(int number) const {
    const RecipeEditorImageWell* well = wellAt(number);
    return well ? well->image() : QImage();
}

void RecipeEditorImageView::setImageForWellByUser(int number, const QImage& image) {
    RecipeEditorImageWell* well = wellAt(number);
    if (!well)
        return;
    well->setImage(image);
    emit wellChanged(number);
}

void RecipeEditorImageView::scrollToTop() {
    verticalScrollBar()->setValue(verticalScrollBar()->minimum());
    horizontalScrollBar()->setValue(horizontalScrollBar()->minimum());
}

void RecipeEditorImageView::chooseImageForWell(int number) {
    QStringList patterns;
    for (const QByteArray& format : QImageReader::supportedImageFormats())
        patterns.append(QStringLiteral("*.") + QString::fromLatin1(format));
    const QString filter =
        tr("Images (%1)").arg(patterns.join(u' ')) + QStringLiteral(";;") + tr("All Files (*)");
    const QString path = QFileDialog::getOpenFileName(
        this, tr("Choose Picture"), QStandardPaths::writableLocation(QStandardPaths::PicturesLocation),
        filter);
    if (path.isEmpty())
        return;
    const QImage image = readImageFile(path);
    if (image.isNull()) {
        qWarning() << "could not read picture" << path;
        return;
    }
    setImageForWellByUser(number, image);
}

QImage RecipeEditorImageView::imageFromMimeData(const QMimeData* data) {
    if (!data)
        return {};
    if (data->hasImage()) {
        const QImage image = qvariant_cast<QImage>(data->imageData());
        if (!image.isNull())
            return image;
    }
    for (const QString& format : data->formats()) {
        if (!format.startsWith(QLatin1String("image/")))
            continue;
        const QImage image = QImage::fromData(data->data(format));
        if (!image.isNull())
            return image;
    }
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile())
            continue;
        const QImage image = readImageFile(url.toLocalFile());
        if (!image.isNull())
            return image;
    }
    return {};
}

QPixmap RecipeEditorImageView::dragPixmap(const QImage& image, qreal devicePixelRatio) {
    const QSize pixels = kDragSize * devicePixelRatio;
    QImage translucent(pixels, QImage::Format_ARGB32_Premultiplied);
    translucent.fill(Qt::transparent);
    {
        QPainter painter(&translucent);
        painter.setOpacity(0.6);
        painter.drawImage(0, 0, RecipeEditorImages::coverCropped(image, pixels));
    }
    QPixmap pixmap = QPixmap::fromImage(translucent);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    return pixmap;
}
