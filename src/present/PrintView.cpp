#include "PrintView.h"

// Placeholder until the card generator lands: nothing is printed.
struct PrintView::Document {};

PrintView::PrintView(const QString& jobFolder, QObject* parent) : QObject(parent), m_jobFolder(jobFolder) {}

PrintView::~PrintView() = default;

void PrintView::addCardStack(const CardStack& stack) {
    m_stacks.append(stack);
}

int PrintView::cardCount() const {
    int count = 0;
    for (const CardStack& stack : m_stacks)
        count += static_cast<int>(stack.pageFiles.size());
    return count;
}

QPageLayout PrintView::pageLayout(bool) const {
    return {};
}

void PrintView::writePdf(const QString&, bool, std::function<void(bool)> done) {
    if (done)
        done(false);
}

void PrintView::print(PagePrinter*, bool, std::function<void(bool)> done) {
    if (done)
        done(false);
}
