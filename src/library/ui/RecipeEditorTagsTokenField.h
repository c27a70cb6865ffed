#pragma once

#include <QLineEdit>
#include <QStringList>

class QCompleter;
class QStringListModel;

// The recipe editor's keywords: tokens separated by commas ("Soup, Winter"). While a
// keyword is typed, a list offers the known keywords that begin with what has been typed
// since the last comma, ignoring case and diacritics; choosing one replaces only that
// last, partly typed keyword.
class RecipeEditorTagsTokenField : public QLineEdit {
    Q_OBJECT
public:
    explicit RecipeEditorTagsTokenField(QWidget* parent = nullptr);

    // The tokens, trimmed, without empty ones.
    QStringList tokens() const;
    void setTokens(const QStringList& tokens);

    // The keywords offered while typing (duplicates dropped, sorted ignoring case).
    void setCompletionKeywords(const QStringList& keywords);
    QStringList completionKeywords() const { return m_keywords; }

    // Replaces the keyword being typed (the text after the last comma) by completion.
    void insertCompletion(const QString& completion);

    // The keywords that begin with typed (leading blanks ignored), ignoring case and
    // diacritics, in the order given. Nothing for an empty text.
    static QStringList completionsForSubstring(const QString& typed, const QStringList& keywords);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void updateCompletions();

    QStringList m_keywords;
    QCompleter* m_completer;
    QStringListModel* m_model;
};
