#pragma once

#include "present/PrintViewGenerator.h"

#include <QList>
#include <QObject>
#include <QPageLayout>
#include <QSizeF>

#include <functional>
#include <memory>

class HtmlPage;
class PagePrinter;

// Every card of a print job, one below the other, each printed on a sheet of its own at the
// card's size with no margins. Built as one HTML document in the job folder that shows the
// card pages in card order.
class PrintView : public QObject {
    Q_OBJECT

public:
    explicit PrintView(const QString& jobFolder, QObject* parent = nullptr);
    ~PrintView() override;

    void addCardStack(const CardStack& stack);
    int cardCount() const;
    // The sheet: the card's size in points, margins 0; A4 (595.44 by 841.68) for a card not
    // 432 points wide when metricUnits is on.
    QPageLayout pageLayout(bool metricUnits) const;

    // Writes the PDF (one page per card); done(ok) once, later.
    void writePdf(const QString& path, bool metricUnits, std::function<void(bool)> done);
    // Hands the document to the printer port (the print dialog in the GUI); done(ok) once.
    void print(PagePrinter* printer, bool metricUnits, std::function<void(bool)> done);

    // The sheet size in points (see pageLayout); empty without cards.
    QSizeF sheetSize(bool metricUnits) const;
    // The document printed: one sheet per card, each card scaled to fill its sheet.
    QString documentHtml(bool metricUnits) const;

private:
    struct Document;
    void loadDocument(bool metricUnits, std::function<void(HtmlPage*)> loaded);
    QString m_jobFolder;
    QList<CardStack> m_stacks;
    std::unique_ptr<Document> m_document;
};
