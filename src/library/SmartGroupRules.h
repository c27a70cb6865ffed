#pragma once

#include <QCoreApplication>
#include <QList>
#include <QString>
#include <QStringList>

// The rule editor's model: rows of (display word, operator, value) joined by all or any.
// A rule is stored as the text the smart-group translation reads: each row a comparison of
// two quoted texts ("Rating" > "3", "Ingredients" !=[c] "egg"), the rows joined by AND or
// OR. The row templates say which operators and values each display word offers; every
// comparison they write is one the translation turns into a recipe filter.
class SmartGroupRules {
    Q_DECLARE_TR_FUNCTIONS(SmartGroupRules)

public:
    enum class Compound { All, Any };

    // The operators a row may use, with the text each is stored as.
    enum class Operator {
        Contains,       // CONTAINS[c]
        DoesNotContain, // !=[c], read as "does not contain" on Ingredients, Directions, Keywords
        BeginsWith,     // BEGINSWITH[c]
        EndsWith,       // ENDSWITH[c]
        Is,             // ==[c] on texts, == on numbers and Yes/No
        IsNot,          // !=[c] on the other texts
        IsLessThan,     // <
        IsGreaterThan,  // >
    };

    struct Row {
        QString displayWord;
        Operator op = Operator::Contains;
        QString value;
        bool operator==(const Row& other) const = default;
    };

    struct ValueOption {
        QString value; // as stored
        QString title; // as shown
    };

    // The display words of the rows' left side, in menu order.
    static QStringList displayWords();
    // The operators a display word offers (empty for an unknown word).
    static QList<Operator> operatorsForDisplayWord(const QString& displayWord);
    // The values a display word offers; empty when the value is typed freely.
    static QList<ValueOption> valueOptionsForDisplayWord(const QString& displayWord);
    // The operator's title in the editor's pop-up ("contains", "is greater than", ...).
    static QString operatorTitle(Operator op);
    // Whether the row is one the templates offer.
    static bool isValidRow(const Row& row);
    // A row of the word with its first operator and first value (empty for typed values).
    static Row defaultRow(const QString& displayWord = QStringLiteral("Name"));

    // The rule text of rows joined by the compound. Rows the templates do not offer are
    // left out; no rows give an empty text.
    static QString ruleText(const QList<Row>& rows, Compound compound);

    Compound compound() const { return m_compound; }
    void setCompound(Compound compound) { m_compound = compound; }
    const QList<Row>& rows() const { return m_rows; }
    void setRows(const QList<Row>& rows) { m_rows = rows; }
    void addRow(const Row& row = defaultRow()) { m_rows.append(row); }
    void insertRow(int index, const Row& row = defaultRow());
    void removeRow(int index);
    void setRow(int index, const Row& row);
    // Empties the editor and gives it one default row.
    void reset();

    QString toRuleText() const { return ruleText(m_rows, m_compound); }
    // Reads a stored rule. Text the editor cannot show (unknown words, operators it does not
    // offer, AND and OR mixed) leaves one default row and returns false with a message.
    bool fromRuleText(const QString& text, QString* error = nullptr);

private:
    Compound m_compound = Compound::All;
    QList<Row> m_rows{defaultRow()};
};
