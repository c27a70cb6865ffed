#include "RecipeEditorTagsTokenField.h"

#include "platform/TextFolding.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QKeyEvent>
#include <QStringListModel>

#include <algorithm>

namespace {

const QChar kSeparator(u',');

QString typedToken(const QString& text) {
    return text.mid(text.lastIndexOf(kSeparator) + 1).trimmed();
}

} // namespace

RecipeEditorTagsTokenField::RecipeEditorTagsTokenField(QWidget* parent)
    : QLineEdit(parent), m_completer(new QCompleter(this)), m_model(new QStringListModel(this)) {
    // The list holds only matches already; the completer shows them as they are and is
    // not set as the line edit's own completer, which would replace the whole text.
    m_completer->setModel(m_model);
    m_completer->setCompletionMode(QCompleter::UnfilteredPopupCompletion);
    m_completer->setMaxVisibleItems(10);
    m_completer->setWidget(this);
    connect(m_completer, qOverload<const QString&>(&QCompleter::activated), this,
            &RecipeEditorTagsTokenField::insertCompletion);
    connect(this, &QLineEdit::textEdited, this, &RecipeEditorTagsTokenField::updateCompletions);
}

QStringList RecipeEditorTagsTokenField::tokens() const {
    QStringList result;
    for (const QString& part : text().split(kSeparator)) {
        const QString token = part.trimmed();
        if (!token.isEmpty())
            result.append(token);
    }
    return result;
}

void RecipeEditorTagsTokenField::setTokens(const QStringList& tokens) {
    QStringList kept;
    for (const QString& token : tokens) {
        const QString trimmed = token.trimmed();
        if (!trimmed.isEmpty())
            kept.append(trimmed);
    }
    m_completer->popup()->hide();
    setText(kept.join(QStringLiteral(", ")));
}

void RecipeEditorTagsTokenField::setCompletionKeywords(const QStringList& keywords) {
    QStringList sorted = keywords;
    sorted.removeAll(QString());
    sorted.removeDuplicates();
    std::stable_sort(sorted.begin(), sorted.end(), [](const QString& a, const QString& b) {
        return QString::compare(a, b, Qt::CaseInsensitive) < 0;
    });
    m_keywords = sorted;
}

QStringList RecipeEditorTagsTokenField::completionsForSubstring(const QString& typed,
                                                                const QStringList& keywords) {
    const QString prefix = foldedText(QStringView(typed).trimmed(), true);
    if (prefix.isEmpty())
        return {};
    QStringList matches;
    for (const QString& keyword : keywords)
        if (foldedText(keyword, true).startsWith(prefix))
            matches.append(keyword);
    return matches;
}

void RecipeEditorTagsTokenField::insertCompletion(const QString& completion) {
    const QString current = text();
    const qsizetype separator = current.lastIndexOf(kSeparator);
    const QString kept = separator < 0 ? QString() : current.left(separator + 1) + u' ';
    m_completer->popup()->hide();
    setText(kept + completion);
    setCursorPosition(int(text().size()));
}

void RecipeEditorTagsTokenField::updateCompletions() {
    // Only while the insertion point is at the end: completing a token in the middle
    // would replace the wrong one.
    const QStringList matches = cursorPosition() == text().size()
                                    ? completionsForSubstring(typedToken(text()), m_keywords)
                                    : QStringList();
    // A keyword typed out in full needs no list.
    if (matches.isEmpty() || (matches.size() == 1 && matches.constFirst() == typedToken(text()))) {
        m_completer->popup()->hide();
        return;
    }
    m_model->setStringList(matches);
    m_completer->complete();
}

void RecipeEditorTagsTokenField::keyPressEvent(QKeyEvent* event) {
    // While the list is open the completer handles the keys that choose or dismiss.
    if (m_completer->popup()->isVisible()) {
        switch (event->key()) {
        case Qt::Key_Enter:
        case Qt::Key_Return:
        case Qt::Key_Escape:
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            event->ignore();
            return;
        default:
            break;
        }
    }
    QLineEdit::keyPressEvent(event);
}
