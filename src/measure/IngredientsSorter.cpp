#include "IngredientsSorter.h"

#include "MeasurementsConverter.h"
#include "platform/PropertyList.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QVariantMap>

namespace {

const QString kQuantity = QStringLiteral("quantity");
const QString kMeasurement = QStringLiteral("measurement");
const QString kName = QStringLiteral("name");
const QString kMethod = QStringLiteral("method");
const QString kIsGroupTitle = QStringLiteral("isGroupTitle");
const QString kRandomNumber = QStringLiteral("randomNumber");

// Every text of a record is present, empty or not.
QString presentText(const QString& text) { return text.isNull() ? QString(QLatin1String("")) : text; }

// Removes up to count occurrences of c from the start of text.
void removeLeading(QString& text, QChar c, int count) {
    int removed = 0;
    while (removed < count && text.startsWith(c)) {
        text.remove(0, 1);
        ++removed;
    }
}

struct ParsedLine {
    QString quantity;
    QString measurement;
    QString name;
    QString method;
    bool isGroupTitle = false;
};

ParsedLine parseLine(QStringView line, const QSet<QString>& measurementWords) {
    enum class Phase { Quantity, Measurement, Name, Method };
    ParsedLine parsed;
    QString& q = parsed.quantity;
    QString& m = parsed.measurement;
    QString& n = parsed.name;
    QString& t = parsed.method;

    Phase phase = Phase::Quantity;
    bool commaFlag = false;
    bool parenthesisOpen = false;
    const qsizetype length = line.size();
    for (qsizetype i = 0; i < length; ++i) {
        const QChar c = line[i];
        const QChar c1 = i + 1 < length ? line[i + 1] : c;
        const QChar c2 = i + 2 < length ? line[i + 2] : c;

        if (phase == Phase::Quantity) {
            if (IngredientsSorter::isQuantityCharacter(c)) {
                q += c;
                continue;
            }
            if (c == u't' && c1 == u'o' && IngredientsSorter::isQuantityCharacter(c2)) {
                // '2 to 3' is a range: the "o" and the character after it are consumed.
                q += QLatin1String("- ");
                i += 2;
                continue;
            }
            phase = Phase::Measurement;
        }

        if (phase == Phase::Measurement) {
            if (c == u'(') {
                phase = Phase::Name;
            } else if (c != u' ' && i != length - 1) {
                m += c;
                continue;
            } else {
                // The measurement word is complete (the last character itself is not part
                // of it): a word that is not a measurement goes to the name.
                if (!measurementWords.contains(m)) {
                    n += m;
                    m.clear();
                    if (!n.isEmpty() && n.endsWith(u',')) {
                        n.chop(1);
                        commaFlag = true;
                    }
                }
                phase = Phase::Name;
            }
        }

        if (phase == Phase::Name) {
            if (parenthesisOpen) {
                m += c;
                if (c == u')')
                    parenthesisOpen = false;
                continue;
            }
            if ((c == u'(' || (c == u' ' && c1 == u'(')) && n.size() <= 1) {
                // A parenthesis straight after the quantity or measurement belongs to the
                // measurement: '1 (14 oz) can tomatoes'.
                m += c;
                parenthesisOpen = true;
                continue;
            }
            if (commaFlag || c == u',') {
                phase = Phase::Method;
            } else {
                n += c;
                continue;
            }
        }

        // Method phase: this character and the rest of the line.
        t += line.mid(i);
        break;
    }

    if (q.size() > 1) {
        removeLeading(q, u' ', 1);
        if (q.endsWith(u' '))
            q.chop(1);
    }
    if (n.size() > 2) {
        removeLeading(n, u' ', 1);
        if (n.endsWith(u' '))
            n.chop(1);
    }
    if (t.size() > 1) {
        removeLeading(t, u',', 1);
        removeLeading(t, u' ', 1);
    }
    removeLeading(n, u' ', 10);
    removeLeading(q, u' ', 10);

    // A size such as '14-' in '1 14-oz can' belongs to the measurement.
    if (q.size() > 1 && q.endsWith(u'-')) {
        const QString word = q.mid(q.lastIndexOf(u' ') + 1);
        q.remove(word);
        m.prepend(word);
    }

    if (n.size() >= 2 && n.endsWith(u':')) {
        q.clear();
        m.clear();
        t.clear();
        parsed.isGroupTitle = true;
    }
    return parsed;
}

const QStringList& fixedMeasurementWords() {
    static const QStringList words = {
        QStringLiteral("teaspoon"), QStringLiteral("tablespoon"), QStringLiteral("cup"),    QStringLiteral("teaspoons"),
        QStringLiteral("tablespoons"), QStringLiteral("small"),   QStringLiteral("medium"), QStringLiteral("large"),
        QStringLiteral("ounces"),   QStringLiteral("pounds"),     QStringLiteral("pound"),  QStringLiteral("slices"),
        QStringLiteral("loaf"),     QStringLiteral("loaves"),     QStringLiteral("g"),      QStringLiteral("kg"),
        QStringLiteral("spsk"),     QStringLiteral("dl"),         QStringLiteral("Tbs."),   QStringLiteral("tsp."),
        QStringLiteral("tbs"),      QStringLiteral("ml"),
    };
    return words;
}

} // namespace

IngredientsSorter::IngredientsSorter(ObjectContext* context, QString libraryPath)
    : m_context(context), m_libraryPath(std::move(libraryPath)) {}

bool IngredientsSorter::isQuantityCharacter(QChar c) {
    switch (c.unicode()) {
    case u'0': case u'1': case u'2': case u'3': case u'4':
    case u'5': case u'6': case u'7': case u'8': case u'9':
    case u'/': case u'.': case u',': case u' ': case u'*':
    case u'#': case u'~': case u'-': case u'x':
    case 0x00BC: case 0x00BD: case 0x00BE: case 0x2153: case 0x2154:
    case 0x2155: case 0x2156: case 0x2157: case 0x2158: case 0x2159:
    case 0x215A: case 0x215B: case 0x215C: case 0x215D: case 0x215E:
        return true;
    default:
        return false;
    }
}

QSet<QString> IngredientsSorter::measurementWords() const {
    QSet<QString> words;
    if (!m_libraryPath.isEmpty()) {
        const QString path = QDir(m_libraryPath).filePath(QStringLiteral("Measurements.plist"));
        if (QFileInfo::exists(path)) {
            const PropertyListResult list = readPropertyListFile(path);
            if (list.ok() && list.value.typeId() == QMetaType::QVariantList) {
                for (const QVariant& entry : list.value.toList()) {
                    if (entry.typeId() == QMetaType::QString)
                        words.insert(entry.toString());
                }
            }
        }
    }
    for (const QString& word : fixedMeasurementWords())
        words.insert(word);
    const MeasurementsConverter converter(m_context);
    for (int unit = 0; unit < MeasurementUnitCount; ++unit) {
        for (const QString& spelling : converter.spellings(static_cast<MeasurementUnit>(unit)))
            words.insert(spelling);
    }
    return words;
}

QVariantList IngredientsSorter::sortedIngredientsFromString(const QString& string) const {
    const QSet<QString> words = measurementWords();

    QString text = string;
    text.remove(QChar(0x00A0));
    text.remove(QChar(0x2022));
    text.remove(QChar(0x25CF));
    text.remove(u'*');
    text.replace(u'\t', u' ');
    text.replace(QLatin1String("  "), QLatin1String(" "));
    text.replace(QLatin1String("   "), QLatin1String(" "));
    text.replace(u'\r', u'\n');
    text.replace(QChar(0x2044), u'/');

    QRandomGenerator random(QRandomGenerator::global()->generate());
    QVariantList records;
    qsizetype start = 0;
    const qsizetype length = text.size();
    while (start <= length) {
        qsizetype end = text.indexOf(u'\n', start);
        if (end < 0)
            end = length;
        const QStringView line = QStringView(text).mid(start, end - start);
        start = end + 1;
        if (line.size() < 2)
            continue;

        const ParsedLine parsed = parseLine(line, words);
        QVariantMap record;
        record.insert(kQuantity, presentText(parsed.quantity));
        record.insert(kMeasurement, presentText(parsed.measurement));
        record.insert(kName, presentText(parsed.name));
        record.insert(kMethod, presentText(parsed.method));
        record.insert(kIsGroupTitle, parsed.isGroupTitle ? QStringLiteral("YES") : QStringLiteral("NO"));
        record.insert(kRandomNumber, int(random.generate() % 999));
        records.append(record);
    }
    return records;
}
