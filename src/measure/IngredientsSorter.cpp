#include "IngredientsSorter.h"

#include "MeasurementsConverter.h"
#include "TextRuns.h"
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
QString presentText(const QString& text) {
    return text.isNull() ? QString(QLatin1String("")) : text;
}

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

ParsedLine parseLine(QStringView line, const IngredientsSorter::MeasurementWords& measurementWords) {
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
                // The whole run of quantity characters at once.
                qsizetype end = i + 1;
                while (end < length && IngredientsSorter::isQuantityCharacter(line[end]))
                    ++end;
                q += line.mid(i, end - i);
                i = end - 1;
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
                // The word up to a space, a parenthesis or the line's last character.
                qsizetype end = i + 1;
                while (end < length - 1 && line[end] != u' ' && line[end] != u'(')
                    ++end;
                m += line.mid(i, end - i);
                i = end - 1;
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
                // Everything up to and including the closing parenthesis.
                const qsizetype close = line.indexOf(u')', i);
                const qsizetype end = close < 0 ? length : close + 1;
                m += line.mid(i, end - i);
                parenthesisOpen = close < 0;
                i = end - 1;
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
            } else if (n.size() > 1) {
                // No parenthesis can open any more: the name runs to the next comma.
                const qsizetype comma = line.indexOf(u',', i);
                const qsizetype end = comma < 0 ? length : comma;
                n += line.mid(i, end - i);
                i = end - 1;
                continue;
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

const TextSet& fixedMeasurementWords() {
    static const TextSet words = {
        QStringLiteral("teaspoon"),  QStringLiteral("tablespoon"),  QStringLiteral("cup"),
        QStringLiteral("teaspoons"), QStringLiteral("tablespoons"), QStringLiteral("small"),
        QStringLiteral("medium"),    QStringLiteral("large"),       QStringLiteral("ounces"),
        QStringLiteral("pounds"),    QStringLiteral("pound"),       QStringLiteral("slices"),
        QStringLiteral("loaf"),      QStringLiteral("loaves"),      QStringLiteral("g"),
        QStringLiteral("kg"),        QStringLiteral("spsk"),        QStringLiteral("dl"),
        QStringLiteral("Tbs."),      QStringLiteral("tsp."),        QStringLiteral("tbs"),
        QStringLiteral("ml"),
    };
    return words;
}

} // namespace

IngredientsSorter::IngredientsSorter(ObjectContext* context, QString libraryPath)
    : m_context(context), m_libraryPath(std::move(libraryPath)) {}

bool IngredientsSorter::isQuantityCharacter(QChar c) {
    switch (c.unicode()) {
    case u'0':
    case u'1':
    case u'2':
    case u'3':
    case u'4':
    case u'5':
    case u'6':
    case u'7':
    case u'8':
    case u'9':
    case u'/':
    case u'.':
    case u',':
    case u' ':
    case u'*':
    case u'#':
    case u'~':
    case u'-':
    case u'x':
    case 0x00BC:
    case 0x00BD:
    case 0x00BE:
    case 0x2153:
    case 0x2154:
    case 0x2155:
    case 0x2156:
    case 0x2157:
    case 0x2158:
    case 0x2159:
    case 0x215A:
    case 0x215B:
    case 0x215C:
    case 0x215D:
    case 0x215E:
        return true;
    default:
        return false;
    }
}

bool IngredientsSorter::MeasurementWords::contains(const QString& word) const {
    return m_libraryWords.count(word) != 0 || fixedMeasurementWords().count(word) != 0 ||
           (m_rules && m_rules->isSpelling(word));
}

IngredientsSorter::MeasurementWords IngredientsSorter::measurementWords() const {
    MeasurementWords words;
    if (!m_libraryPath.isEmpty()) {
        const QString path = QDir(m_libraryPath).filePath(QStringLiteral("Measurements.plist"));
        if (QFileInfo::exists(path)) {
            const PropertyListResult list = readPropertyListFile(path);
            if (list.ok() && list.value.typeId() == QMetaType::QVariantList) {
                for (const QVariant& entry : list.value.toList()) {
                    if (entry.typeId() == QMetaType::QString)
                        words.m_libraryWords.insert(entry.toString());
                }
            }
        }
    }
    // The unit spellings of a fresh converter: every spelling of every unit.
    MeasurementsConverter converter(m_context);
    words.m_rules = converter.rulesSnapshot();
    return words;
}

QVariantList IngredientsSorter::sortedIngredientsFromString(const QString& string) const {
    return sortedIngredientsFromString(string, measurementWords());
}

QVariantList IngredientsSorter::sortedIngredientsFromString(const QString& string,
                                                            const MeasurementWords& words) const {

    // No-break spaces, bullets and asterisks removed, tabs made spaces, carriage returns
    // made line ends and fraction slashes made "/", in one pass (these replacements do not
    // interact); then runs of spaces shortened, two by two and then three by three.
    QString text(string.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (QChar c : string) {
        switch (c.unicode()) {
        case 0x00A0:
        case 0x2022:
        case 0x25CF:
        case u'*':
            break;
        case u'\t':
            *out++ = u' ';
            break;
        case u'\r':
            *out++ = u'\n';
            break;
        case 0x2044:
            *out++ = u'/';
            break;
        default:
            *out++ = c;
            break;
        }
    }
    text.truncate(out - text.constData());
    text = rewriteRuns(text, u' ', [](qsizetype length) {
        const qsizetype afterPairs = halvedRunLength(length);
        return afterPairs / 3 + afterPairs % 3; // then each "   " replaced by " "
    });

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
