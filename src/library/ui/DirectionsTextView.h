#pragma once

#include <QTextEdit>

// The recipe editor's styled directions. What is pasted or dropped is read without its
// pictures, scripts and style sheets, and at the next turn of the event loop the whole
// text goes through the stored HTML form and back, so that only the styling the stored
// fragment keeps remains. Ctrl+B, Ctrl+I and Ctrl+U toggle bold, italic and underline.
class DirectionsTextView : public QTextEdit {
    Q_OBJECT
public:
    explicit DirectionsTextView(QWidget* parent = nullptr);
    ~DirectionsTextView() override;

    // The text as a stored fragment.
    QString directionsHTML() const;
    // Loads a stored fragment; the undo history starts afresh.
    void setDirectionsHTML(const QString& html);

    // Inserts "℃" (metric) or "℉" at the insertion point.
    void pasteDegrees(bool metric);

    // Whether the conversion after a paste or drop is still to run.
    bool isNormalizationPending() const { return m_pendingNormalization != 0; }

protected:
    bool canInsertFromMimeData(const QMimeData* source) const override;
    void insertFromMimeData(const QMimeData* source) override;
    QVariant loadResource(int type, const QUrl& name) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void scheduleNormalization();
    void normalizeContent();
    void replaceContent(const QTextDocument& styled);
    void cancelNormalization();

    int m_pendingNormalization = 0;
};
