#include "QtProgressView.h"

#include <QApplication>
#include <QDialog>
#include <QEventLoop>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include <utility>

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
        m_progress = new QLabel(m_dialog);
        m_progress->setTextFormat(Qt::PlainText);
        m_progress->hide();
        m_cancel = new QPushButton(QApplication::translate("QtProgressView", "Cancel"), m_dialog);
        m_cancel->setAutoDefault(false);
        m_cancel->setVisible(bool(m_cancelHandler));
        QObject::connect(m_cancel, &QPushButton::clicked, m_dialog, [this] { cancelRequested(); });
        // Escape rejects the dialog: it cancels what can be cancelled and otherwise leaves the
        // dialog up until the work ends.
        QObject::connect(m_dialog, &QDialog::rejected, m_dialog, [this] {
            if (m_answerDefault) {
                m_answerDefault();
                if (m_dialog)
                    m_dialog->show();
            } else if (m_cancelHandler)
                cancelRequested();
            else if (m_dialog)
                m_dialog->show();
        });
        m_question = new QLabel(m_dialog);
        m_question->setTextFormat(Qt::PlainText);
        m_question->setWordWrap(true);
        m_question->hide();
        auto* row = new QHBoxLayout;
        row->addWidget(m_progress, 1);
        row->addWidget(m_cancel);
        m_choices = new QHBoxLayout;
        m_choices->addStretch(1);
        layout->addWidget(m_header);
        layout->addWidget(m_bar);
        layout->addLayout(row);
        layout->addWidget(m_question);
        layout->addLayout(m_choices);
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

void QtProgressView::setProgressText(const QString& text) {
    if (!m_progress)
        return;
    m_progress->setText(text);
    m_progress->setVisible(!text.isEmpty());
}

void QtProgressView::setCancelHandler(std::function<void()> handler) {
    m_cancelHandler = std::move(handler);
    if (m_cancel)
        m_cancel->setVisible(bool(m_cancelHandler));
}

void QtProgressView::cancelRequested() {
    // The handler is taken first: it may end the work, which removes it.
    const std::function<void()> handler = std::exchange(m_cancelHandler, {});
    if (m_cancel)
        m_cancel->hide();
    if (handler)
        handler();
}

int QtProgressView::ask(const QString& message, const QStringList& buttons, int defaultButton) {
    if (!m_dialog || !m_dialog->isVisible() || buttons.isEmpty() || m_answerDefault)
        return defaultButton;
    QEventLoop loop;
    int answer = defaultButton;
    QList<QPushButton*> made;
    for (int i = 0; i < buttons.size(); ++i) {
        auto* button = new QPushButton(buttons.at(i), m_dialog);
        button->setDefault(i == defaultButton);
        button->setAutoDefault(i == defaultButton);
        QObject::connect(button, &QPushButton::clicked, &loop, [&answer, &loop, i] {
            answer = i;
            loop.quit();
        });
        m_choices->addWidget(button);
        made.append(button);
    }
    m_question->setText(message);
    m_question->show();
    m_cancel->hide();
    m_progress->hide();
    m_answerDefault = [&loop] { loop.quit(); };
    // The dialog going away (the window closing) ends the question with its default.
    QObject::connect(m_dialog, &QObject::destroyed, &loop, &QEventLoop::quit);
    m_dialog->adjustSize();
    if (0 <= defaultButton && defaultButton < made.size())
        made.at(defaultButton)->setFocus();
    loop.exec();
    m_answerDefault = {};
    if (m_dialog) {
        qDeleteAll(made);
        m_question->hide();
        m_cancel->setVisible(bool(m_cancelHandler));
        m_dialog->adjustSize();
    }
    return answer;
}
