#include "DirectionsTextView.h"

#include "platform/Scheduler.h"
#include "present/HTMLTextWrapper.h"
#include "present/HtmlFragmentSanitizer.h"

#include <QFont>
#include <QImage>
#include <QKeyEvent>
#include <QMimeData>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>

namespace {

// Sanitized HTML without its pictures. The sanitizer writes tag names in lower case and
// escapes ">" inside attribute values, so the next ">" closes an <img> tag.
QString pastedHTMLWithoutPictures(const QString& html) {
    static const QRegularExpression picture(QStringLiteral("<img(?:[\\s/][^>]*)?>"));
    QString clean = HtmlFragmentSanitizer::sanitizeFragment(html);
    clean.remove(picture);
    return clean;
}

} // namespace

DirectionsTextView::DirectionsTextView(QWidget* parent) : QTextEdit(parent) {
    setAcceptRichText(true);
}

DirectionsTextView::~DirectionsTextView() {
    cancelNormalization();
}

QString DirectionsTextView::directionsHTML() const {
    return HTMLTextWrapper::htmlStringFromAttributedString(*document());
}

void DirectionsTextView::setDirectionsHTML(const QString& html) {
    cancelNormalization();
    const std::unique_ptr<QTextDocument> styled = HTMLTextWrapper::attributedStringFromHTMLString(html);
    replaceContent(*styled);
    document()->clearUndoRedoStacks();
    document()->setModified(false);
    moveCursor(QTextCursor::Start);
}

void DirectionsTextView::pasteDegrees(bool metric) {
    insertPlainText(metric ? QStringLiteral("\u2103") : QStringLiteral("\u2109"));
}

bool DirectionsTextView::canInsertFromMimeData(const QMimeData* source) const {
    return source && (source->hasText() || source->hasHtml());
}

void DirectionsTextView::insertFromMimeData(const QMimeData* source) {
    if (!source)
        return;
    // Only HTML (read here, without pictures) or plain text goes in: the text edit's own
    // reader would also take pictures, rich-text archives and Markdown with pictures in it.
    if (source->hasHtml()) {
        const QTextDocumentFragment fragment =
            QTextDocumentFragment::fromHtml(pastedHTMLWithoutPictures(source->html()));
        textCursor().insertFragment(fragment);
    } else if (source->hasText()) {
        textCursor().insertText(source->text());
    } else {
        return;
    }
    ensureCursorVisible();
    scheduleNormalization();
}

QVariant DirectionsTextView::loadResource(int type, const QUrl& name) {
    Q_UNUSED(name);
    // Nothing the directions show is loaded from a file or the network. A null picture
    // (rather than no value) also stops the document from reading local files itself.
    if (type == QTextDocument::ImageResource)
        return QVariant::fromValue(QImage());
    return QVariant(QString());
}

void DirectionsTextView::keyPressEvent(QKeyEvent* event) {
    QTextCharFormat format;
    const QTextCharFormat current = currentCharFormat();
    if (event->matches(QKeySequence::Bold)) {
        format.setFontWeight(current.fontWeight() >= QFont::DemiBold ? QFont::Normal : QFont::Bold);
    } else if (event->matches(QKeySequence::Italic)) {
        format.setFontItalic(!current.fontItalic());
    } else if (event->matches(QKeySequence::Underline)) {
        format.setFontUnderline(!current.fontUnderline());
    } else {
        QTextEdit::keyPressEvent(event);
        return;
    }
    mergeCurrentCharFormat(format);
}

void DirectionsTextView::scheduleNormalization() {
    if (m_pendingNormalization)
        return;
    m_pendingNormalization = Scheduler::instance().schedule(
        0,
        [this] {
            m_pendingNormalization = 0;
            normalizeContent();
        },
        this);
}

void DirectionsTextView::cancelNormalization() {
    if (m_pendingNormalization)
        Scheduler::instance().cancel(m_pendingNormalization);
    m_pendingNormalization = 0;
}

void DirectionsTextView::normalizeContent() {
    const int position = textCursor().position();
    const std::unique_ptr<QTextDocument> styled = HTMLTextWrapper::attributedStringFromHTMLString(
        HTMLTextWrapper::htmlStringFromAttributedString(*document()));
    replaceContent(*styled);
    // The same character offset, as far as the new text reaches.
    QTextCursor cursor(document());
    cursor.setPosition(qBound(0, position, document()->characterCount() - 1));
    setTextCursor(cursor);
    ensureCursorVisible();
}

void DirectionsTextView::replaceContent(const QTextDocument& styled) {
    // The document itself stays (its signals, its undo history); its content is replaced
    // in one undoable step.
    QTextCursor cursor(document());
    cursor.beginEditBlock();
    cursor.select(QTextCursor::Document);
    cursor.removeSelectedText();
    cursor.setBlockFormat(QTextBlockFormat());
    cursor.setCharFormat(QTextCharFormat());
    cursor.insertFragment(QTextDocumentFragment(&styled));
    cursor.endEditBlock();
}
