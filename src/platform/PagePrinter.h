#pragma once

#include <QPageLayout>

#include <functional>

class QWebEnginePage;

// The port to the user's printer. HtmlPage::print hands over its loaded engine page; the
// GUI asks which printer to use (the print dialog) and prints it; tests record the request
// and answer as the printer would.
class PagePrinter {
public:
    virtual ~PagePrinter() = default;
    // Prints page and calls done exactly once, later: true when the document went to the
    // printer, false when the user cancelled or printing failed. A valid layout is the paper
    // and margins the document was made for (a card's size); the user may still change them.
    virtual void printPage(QWebEnginePage* page, const QPageLayout& layout,
                           std::function<void(bool)> done) = 0;
};
