#pragma once

#include "library/ui/VisualBrowserContent.h"
#include "present/PrintingController.h"

// The card formats of the print window's chosen theme as rows of a visual browser: the
// format's name as shown ("A4" for "Letter" in a metric locale) and its thumb.png. The
// selection is the controller's one format; choosing a card selects that format.
class PrintingFormatContent : public VisualBrowserContent {
    Q_OBJECT
public:
    // controller must outlive the content.
    explicit PrintingFormatContent(PrintingController* controller, QObject* parent = nullptr);

    // Takes the controller's rows as they are now.
    void reload();

    int count() const override { return int(m_rows.size()); }
    VisualBrowserCard cardAt(int row) const override;
    QString nameAt(int row) const override;
    QList<int> selectionIndexes() const override;
    void setSelectionIndexes(const QList<int>& rows, int selectedRow) override;

private:
    PrintingController* m_controller;
    QList<PrintFormatRow> m_rows;
};
