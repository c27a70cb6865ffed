#include "QtProgressView.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <QVBoxLayout>

QtProgressView::QtProgressView(QWidget* parent) : m_parent(parent) {}

QtProgressView::~QtProgressView() {
    delete m_dialog;
}

bool QtProgressView::show() {
    if (!m_dialog) {
        m_dialog = new QDialog(m_parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint |
                                             Qt::WindowTitleHint);
        m_dialog->setWindowTitle(QApplication::applicationName());
        m_dialog->setModal(true);
        auto* layout = new QVBoxLayout(m_dialog);
        layout->setContentsMargins(24, 20, 24, 20);
        layout->setSpacing(12);
        m_header = new QLabel(m_dialog);
        m_header->setTextFormat(Qt::PlainText);
        QFont font = m_header->font();
        font.setBold(true);
        m_header->setFont(font);
        m_bar = new QProgressBar(m_dialog);
        m_bar->setTextVisible(false);
        m_bar->setMinimumWidth(360);
        layout->addWidget(m_header);
        layout->addWidget(m_bar);
    }
    m_bar->setRange(0, 0);
    m_bar->setValue(0);
    m_dialog->adjustSize();
    const QRect area = m_parent && m_parent->isVisible() ? m_parent->frameGeometry()
                                                         : QApplication::primaryScreen()->availableGeometry();
    m_dialog->move(area.center() - m_dialog->rect().center());
    m_dialog->show();
    m_dialog->raise();
    m_dialog->activateWindow();
    return true;
}

void QtProgressView::setHeaderText(const QString& text) {
    if (m_header)
        m_header->setText(text);
}

void QtProgressView::setMaximum(int maximum) {
    if (m_bar) {
        m_bar->setRange(0, qMax(0, maximum));
        m_bar->setValue(0);
    }
}

void QtProgressView::advance(int by) {
    if (m_bar && m_bar->maximum() > 0)
        m_bar->setValue(qMin(m_bar->maximum(), m_bar->value() + by));
}

void QtProgressView::stop() {
    if (m_bar && m_bar->maximum() > 0)
        m_bar->setValue(m_bar->maximum());
}

void QtProgressView::close() {
    if (m_dialog)
        m_dialog->hide();
}
