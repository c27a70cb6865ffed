#include "PrintingWindow.h"

#include "platform/HtmlPage.h"
#include "present/PrintViewGenerator.h"
#include "present/PrintingController.h"
#include "present/ui/PrintingFormatTableView.h"
#include "present/ui/PrintingThemeTableView.h"

#include <QApplication>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <QWebEngineView>

PrintingWindow::PrintingWindow(PrintingController* controller, QWidget* over)
    : QDialog(over), m_controller(controller), m_over(over) {
    setObjectName(QStringLiteral("PrintingController"));
    setWindowTitle(tr("Print"));
    // A sheet belongs to its window: it blocks that window only, not the application.
    setWindowModality(Qt::WindowModal);
    setSizeGripEnabled(false);

    auto* outer = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    outer->addLayout(top, 1);

    auto* lists = new QVBoxLayout;
    auto* themeTitle = new QLabel(tr("Themes"), this);
    m_themes = new PrintingThemeTableView(controller, this);
    auto* formatTitle = new QLabel(tr("Formats"), this);
    m_formats = new PrintingFormatTableView(controller, this);
    lists->addWidget(themeTitle);
    lists->addWidget(m_themes, 1);
    lists->addWidget(formatTitle);
    // As high as a row of cards of the column's width, with its scroll bar.
    m_formats->setFixedHeight(kFormatStripHeight);
    lists->addWidget(m_formats);
    auto* listsBox = new QWidget(this);
    listsBox->setLayout(lists);
    listsBox->setFixedWidth(kListsWidth - 2 * outer->contentsMargins().left());
    lists->setContentsMargins(0, 0, 0, 0);
    top->addWidget(listsBox);

    m_previewPage = new HtmlPage(HtmlPage::Content::Local, this);
    m_preview = new QWebEngineView(this);
    m_preview->setObjectName(QStringLiteral("previewWebView"));
    m_preview->setPage(m_previewPage->page());
    m_preview->setContextMenuPolicy(Qt::NoContextMenu);
    m_preview->setAcceptDrops(false);
    m_preview->setFocusPolicy(Qt::NoFocus);
    top->addWidget(m_preview, 1);

    m_note = new QLabel(this);
    m_note->setObjectName(QStringLiteral("statusBarNoteTextField"));
    m_note->setAlignment(Qt::AlignCenter);
    outer->addWidget(m_note);

    auto* bottom = new QHBoxLayout;
    outer->addLayout(bottom);
    m_smaller = new QToolButton(this);
    m_smaller->setObjectName(QStringLiteral("smallerTextButton"));
    m_smaller->setText(tr("A-"));
    m_smaller->setToolTip(tr("Smaller Text"));
    m_larger = new QToolButton(this);
    m_larger->setObjectName(QStringLiteral("largerTextButton"));
    m_larger->setText(tr("A+"));
    m_larger->setToolTip(tr("Larger Text"));
    bottom->addWidget(m_smaller);
    bottom->addWidget(m_larger);
    bottom->addSpacing(12);
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("printGeneratorProgressIndicator"));
    m_progress->setRange(0, 0); // running without an end
    m_progress->setTextVisible(false);
    m_progress->setFixedWidth(60);
    m_progress->hide();
    m_generating = new QLabel(this);
    m_generating->setObjectName(QStringLiteral("generatingPrintsTextField"));
    m_generating->hide();
    bottom->addWidget(m_progress);
    bottom->addWidget(m_generating);
    bottom->addStretch(1);
    m_cancel = new QPushButton(tr("Cancel"), this);
    m_cancel->setObjectName(QStringLiteral("cancelButton"));
    m_continue = new QPushButton(this);
    m_continue->setObjectName(QStringLiteral("printButton"));
    m_continue->setDefault(true);
    bottom->addWidget(m_cancel);
    bottom->addWidget(m_continue);

    connect(m_smaller, &QToolButton::clicked, controller,
            [controller] { controller->textSizeButtonControl(0); });
    connect(m_larger, &QToolButton::clicked, controller,
            [controller] { controller->textSizeButtonControl(1); });
    connect(m_cancel, &QPushButton::clicked, this, &PrintingWindow::reject);
    connect(m_continue, &QPushButton::clicked, controller, &PrintingController::continueToPrint);

    connect(controller, &PrintingController::windowOpenRequested, this, &PrintingWindow::openSheet);
    connect(controller, &PrintingController::windowCloseRequested, this, &PrintingWindow::closeSheet);
    connect(controller, &PrintingController::themesChanged, m_themes, &PrintingThemeTableView::reloadRows);
    connect(controller, &PrintingController::formatsChanged, m_formats, &PrintingFormatTableView::reloadRows);
    connect(controller, &PrintingController::formatsChanged, this, &PrintingWindow::showContinueEnabled);
    connect(controller, &PrintingController::formatSelected, m_formats,
            &PrintingFormatTableView::showSelectedRow);
    connect(controller, &PrintingController::statusBarNoteChanged, m_note, &QLabel::setText);
    connect(controller, &PrintingController::cardWidthChanged, this, &PrintingWindow::fitToCard);
    connect(controller, &PrintingController::textSizeChanged, this, &PrintingWindow::showTextSizeLimits);
    connect(controller, &PrintingController::previewStarted, this, &PrintingWindow::blankPreview);
    connect(controller, &PrintingController::previewFinished, this, &PrintingWindow::showPreview);
    connect(controller, &PrintingController::generatingChanged, this, &PrintingWindow::showGenerating);
    resize(kListsWidth + controller->cardWidth(), kWindowHeight);
}

PrintingWindow::~PrintingWindow() = default;

void PrintingWindow::openSheet() {
    m_continue->setText(m_controller->continueButtonTitle());
    showGenerating(false);
    showTextSizeLimits();
    QWidget* window = m_over ? m_over->window() : nullptr;
    if (window && !window->isVisible()) {
        // The library window is put away while another shows its parts (full screen): the
        // sheet drops from the window in front instead.
        QWidget* active = QApplication::activeWindow();
        window = active && active != this ? active : nullptr;
    }
    if (window) {
        // Centred over the library window, like a sheet that drops from its title.
        const QRect frame = window->geometry();
        move(frame.x() + (frame.width() - width()) / 2, frame.y());
    }
    show();
    raise();
    activateWindow();
    m_themes->setFocus();
}

void PrintingWindow::closeSheet() {
    hide();
    blankPreview();
}

void PrintingWindow::reject() {
    if (m_controller->isWindowOpen())
        m_controller->cancel(); // closes the window through the controller
    else
        QDialog::reject();
}

void PrintingWindow::blankPreview() {
    m_previewShown = false;
    m_previewPage->loadHTMLString(QString());
}

// The first card of the first recipe, from the page file the card generator wrote.
void PrintingWindow::showPreview(bool ok) {
    if (!ok)
        return;
    const PrintViewGenerator* generator = m_controller->previewGenerator();
    const CardStack stack = generator->cardStack();
    if (!stack.pageFiles.isEmpty() && QFileInfo(stack.pageFiles.first()).isFile()) {
        m_previewPage->loadFileURL(stack.pageFiles.first());
        m_previewShown = true;
    } else if (const QStringList pages = generator->cardPages(); !pages.isEmpty()) {
        m_previewPage->loadHTMLString(pages.first());
        m_previewShown = true;
    }
}

void PrintingWindow::fitToCard(int cardWidth) {
    const QRect frame = PrintingController::windowFrameForCardWidth(geometry(), cardWidth);
    setFixedWidth(frame.width());
    setGeometry(frame);
}

void PrintingWindow::showTextSizeLimits() {
    m_smaller->setEnabled(m_controller->isTextSizeSegmentEnabled(0));
    m_larger->setEnabled(m_controller->isTextSizeSegmentEnabled(1));
}

void PrintingWindow::showGenerating(bool generating) {
    m_note->setVisible(!generating);
    m_progress->setVisible(generating);
    m_generating->setVisible(generating);
    m_generating->setText(generating ? m_controller->generatingMessage() : QString());
    showContinueEnabled();
}

// Continuing needs a format: a theme without print formats has nothing to print with.
void PrintingWindow::showContinueEnabled() {
    m_continue->setEnabled(!m_controller->isGenerating() && !m_controller->formatRows().isEmpty());
}
