// What a property list file may cost: binary lists whose shared values would expand far
// past their size, XML whose tags or document type never end, and the encodings the
// readers take from a byte-order mark or a declaration.
#include "platform/PropertyList.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>

namespace {

QByteArray bigEndian(quint64 value, int bytes) {
    QByteArray out(bytes, '\0');
    for (int i = bytes - 1; i >= 0; --i, value >>= 8)
        out[i] = char(value & 0xFF);
    return out;
}

// A binary list of objects with two-byte references and four-byte offsets; object 0 is
// the top.
QByteArray binaryList(const QList<QByteArray>& objects) {
    QByteArray out = "bplist00";
    QByteArray table;
    for (const QByteArray& object : objects) {
        table += bigEndian(quint64(out.size()), 4);
        out += object;
    }
    const qsizetype tableOffset = out.size();
    out += table;
    QByteArray trailer(6, '\0');
    trailer += char(4);
    trailer += char(2);
    trailer += bigEndian(quint64(objects.size()), 8) + bigEndian(0, 8) + bigEndian(quint64(tableOffset), 8);
    return out + trailer;
}

// A marker with its count: in the low nibble, or as a two- or four-byte integer after it.
QByteArray marker(int type, quint64 count) {
    if (count < 15)
        return QByteArray(1, char((type << 4) | int(count)));
    if (count <= 0xFFFF)
        return QByteArray(1, char((type << 4) | 0xF)) + char(0x11) + bigEndian(count, 2);
    return QByteArray(1, char((type << 4) | 0xF)) + char(0x12) + bigEndian(count, 4);
}

// An array of `copies` references to one dictionary {"name": a text of textBytes}.
QByteArray sharedRecipes(int copies, qsizetype textBytes) {
    QByteArray array = marker(0xA, quint64(copies));
    for (int i = 0; i < copies; ++i)
        array += bigEndian(1, 2);
    const QByteArray dict = marker(0xD, 1) + bigEndian(2, 2) + bigEndian(3, 2);
    return binaryList(
        {array, dict, marker(0x5, 4) + "name", marker(0x5, quint64(textBytes)) + QByteArray(textBytes, 'a')});
}

QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes) {
    const QString path = dir.filePath(name);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return path;
}

// The three ways a file is read: whole, counted and element by element.
struct Reads {
    PropertyListResult whole;
    qsizetype count = 0;
    QString countError;
    bool streamed = false;
    QString streamError;
    QVariantList elements;
};

Reads readAllWays(const QString& path) {
    Reads r;
    r.whole = readPropertyListFile(path);
    r.count = propertyListArrayFileCount(path, &r.countError);
    r.streamed = readPropertyListArrayFile(
        path, [&r](const QVariant& element) { return r.elements.append(element), true; }, &r.streamError);
    return r;
}

long peakRssKb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace

TEST(PropertyListLimits, SharedValuesThatWouldExpandFarPastTheFileAreRefused) {
    QTemporaryDir dir;
    // 2,000 recipes each holding the same 200 KB text: a 200 KB file that spells out 800 MB.
    const QString path = writeFile(dir, QStringLiteral("amplified.lsr"), sharedRecipes(2000, 200 * 1024));
    const Reads r = readAllWays(path);
    EXPECT_FALSE(r.whole.ok());
    EXPECT_TRUE(r.whole.error.contains(QLatin1String("far more than its own size")))
        << r.whole.error.toStdString();
    EXPECT_EQ(r.count, -1);
    EXPECT_TRUE(r.countError.contains(QLatin1String("far more than its own size")));
    EXPECT_FALSE(r.streamed);
    EXPECT_TRUE(r.elements.isEmpty()); // refused before any element was handed on
}

TEST(PropertyListLimits, SharingInProportionToTheFileReads) {
    const struct {
        const char* name;
        int copies;
        qsizetype textBytes;
    } cases[] = {
        {"a few recipes sharing a long text", 3, 256 * 1024},
        {"many recipes sharing a short text", 20000, 16},
        {"one large text", 1, 8 * 1024 * 1024},
    };
    QTemporaryDir dir;
    for (const auto& c : cases) {
        const QString path =
            writeFile(dir, QString::fromLatin1(c.name), sharedRecipes(c.copies, c.textBytes));
        const Reads r = readAllWays(path);
        ASSERT_TRUE(r.whole.ok()) << c.name << ": " << r.whole.error.toStdString();
        EXPECT_EQ(r.whole.value.toList().size(), c.copies) << c.name;
        EXPECT_EQ(r.count, c.copies) << c.name << ": " << r.countError.toStdString();
        EXPECT_TRUE(r.streamed) << c.name;
        ASSERT_EQ(r.elements.size(), c.copies) << c.name;
        EXPECT_EQ(r.elements.last().toMap().value(QStringLiteral("name")).toString().size(), c.textBytes)
            << c.name;
    }
}

// A markup construct that never ends, followed by a hole of zeros (a sparse file: no disk
// used). The readers refuse it once the construct passes its limit, without holding the
// file in memory.
TEST(PropertyListLimits, RunawayMarkupIsRefusedWithoutBufferingIt) {
    const struct {
        const char* name;
        const char* prefix;
        const char* error;
        const char* wholeError; // the whole-list reader also checks what the tag holds
    } cases[] = {
        {"attribute of the root", "<?xml version=\"1.0\"?>\n<plist version=\"", "tag that is too long",
         "tag that is too long"},
        {"attribute in an element", "<plist><array><dict a=\"", "tag that is too long",
         "tag that is too long"},
        {"tag", "<plist><array><dict><key ", "tag that is too long", "not a property list"},
        {"document type", "<?xml version=\"1.0\"?>\n<!DOCTYPE plist [", "document type that is too long",
         "document type that is too long"},
        {"comment between elements", "<plist><array><!--", "ends too early", "ends too early"},
    };
    constexpr qint64 kHole = qint64(300) * 1024 * 1024;
    QTemporaryDir dir;
    for (const auto& c : cases) {
        const QString path = dir.filePath(QString::fromLatin1(c.name));
        {
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(c.prefix);
            ASSERT_TRUE(file.resize(kHole));
        }
        const long before = peakRssKb();
        QString countError;
        EXPECT_EQ(propertyListArrayFileCount(path, &countError), -1) << c.name;
        QString streamError;
        int visited = 0;
        EXPECT_FALSE(readPropertyListArrayFile(
            path, [&visited](const QVariant&) { return ++visited, true; }, &streamError))
            << c.name;
        EXPECT_EQ(visited, 0) << c.name;
        EXPECT_TRUE(countError.contains(QLatin1String(c.error)))
            << c.name << ": " << countError.toStdString();
        EXPECT_TRUE(streamError.contains(QLatin1String(c.error)))
            << c.name << ": " << streamError.toStdString();
        EXPECT_LT(peakRssKb() - before, 64 * 1024) << c.name << ": memory grew with the hole";
        QFile::remove(path);

        // The whole-list reader refuses the same constructs the same way.
        const PropertyListResult whole =
            readPropertyList(QByteArray(c.prefix) + QByteArray(3 * 1024 * 1024, '\0'));
        EXPECT_FALSE(whole.ok()) << c.name;
        EXPECT_TRUE(whole.error.contains(QLatin1String(c.wholeError)))
            << c.name << ": " << whole.error.toStdString();
    }
}

TEST(PropertyListLimits, TextIsReadInTheEncodingTheFileNames) {
    const QString name = QStringLiteral("Crème brûlée");
    const QByteArray body = "<plist version=\"1.0\"><array><dict><key>name</key><string>";
    const QByteArray tail = "</string></dict></array></plist>\n";
    const auto encoded = [](QStringConverter::Encoding encoding, const QString& text) {
        QStringEncoder encoder(encoding, QStringConverter::Flag::WriteBom);
        return QByteArray(encoder(text));
    };
    const QString document = QString::fromLatin1(body) + name + QString::fromLatin1(tail);
    const struct {
        const char* label;
        QByteArray bytes;
    } cases[] = {
        {"ISO-8859-1 declared", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n" + body +
                                    "Cr\xE8me br\xFBl\xE9"
                                    "e" +
                                    tail},
        {"windows-1252 declared, single quotes", "<?xml version='1.0' encoding='windows-1252'?>\n" + body +
                                                     "Cr\xE8me br\xFBl\xE9"
                                                     "e" +
                                                     tail},
        {"UTF-8 declared", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" + document.toUtf8()},
        {"UTF-8 without a declaration", document.toUtf8()},
        {"UTF-8 with a byte-order mark", "\xEF\xBB\xBF" + document.toUtf8()},
        {"UTF-16 little-endian with a byte-order mark", encoded(QStringConverter::Utf16LE, document)},
        {"UTF-16 big-endian with a byte-order mark", encoded(QStringConverter::Utf16BE, document)},
    };
    QTemporaryDir dir;
    for (const auto& c : cases) {
        const QString path = writeFile(dir, QString::fromLatin1(c.label), c.bytes);
        const Reads r = readAllWays(path);
        ASSERT_TRUE(r.whole.ok()) << c.label << ": " << r.whole.error.toStdString();
        EXPECT_EQ(r.whole.value.toList().value(0).toMap().value(QStringLiteral("name")).toString(), name)
            << c.label;
        EXPECT_EQ(r.count, 1) << c.label << ": " << r.countError.toStdString();
        ASSERT_TRUE(r.streamed) << c.label << ": " << r.streamError.toStdString();
        ASSERT_EQ(r.elements.size(), 1) << c.label;
        EXPECT_EQ(r.elements.first().toMap().value(QStringLiteral("name")).toString(), name) << c.label;
    }
}

// A Latin-1 file longer than one piece of the streaming reader: the conversion carries on
// from piece to piece.
TEST(PropertyListLimits, LongLatin1FileStreamsWhole) {
    QByteArray bytes = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<plist version=\"1.0\"><array>\n";
    constexpr int kRecipes = 90000;
    for (int i = 0; i < kRecipes; ++i)
        bytes += "<dict><key>name</key><string>Cr\xE8me br\xFBl\xE9"
                 "e " +
                 QByteArray::number(i) + "</string></dict>\n";
    bytes += "</array></plist>\n";
    ASSERT_GT(bytes.size(), 5 * 1024 * 1024);
    QTemporaryDir dir;
    const QString path = writeFile(dir, QStringLiteral("long.lsr"), bytes);
    EXPECT_EQ(propertyListArrayFileCount(path), kRecipes);
    int seen = 0;
    bool allRight = true;
    EXPECT_TRUE(readPropertyListArrayFile(path, [&](const QVariant& element) {
        allRight = allRight && element.toMap().value(QStringLiteral("name")).toString() ==
                                   QStringLiteral("Crème brûlée %1").arg(seen);
        return ++seen, true;
    }));
    EXPECT_EQ(seen, kRecipes);
    EXPECT_TRUE(allRight);
}

namespace {

// Lowers the byte limit of the readers and the writer for one test.
struct ByteLimit {
    explicit ByteLimit(qint64 bytes) { setPropertyListByteLimitForTesting(bytes); }
    ~ByteLimit() { setPropertyListByteLimitForTesting(0); }
};

} // namespace

// The writer and the readers share one limit: what the writer refuses the readers would
// refuse, and a file holding an element past it still gives the others.
TEST(PropertyListLimits, AnElementPastTheLimitIsPassedOverNotTheFile) {
    ByteLimit limit(64 * 1024);
    QTemporaryDir dir;
    const QVariantMap small{{QStringLiteral("name"), QStringLiteral("small")}};
    const QVariantMap large{{QStringLiteral("name"), QStringLiteral("large")},
                            {QStringLiteral("image1"), QByteArray(60 * 1024, 'x')}};
    const qint64 largeBytes = PropertyListArrayWriter::elementBytes(large);
    ASSERT_GT(largeBytes, 64 * 1024);
    EXPECT_EQ(PropertyListArrayWriter::elementBytes(small) +
                  PropertyListArrayWriter::dataEntryBytes(QStringLiteral("image1"), 60 * 1024),
              largeBytes);

    // Written by hand: the writer itself refuses the large element.
    const QString path = dir.filePath(QStringLiteral("mixed.lsr"));
    {
        PropertyListArrayWriter writer(dir.filePath(QStringLiteral("refused.lsr")));
        ASSERT_TRUE(writer.open());
        QString error;
        EXPECT_FALSE(writer.append(large, &error));
        EXPECT_TRUE(error.contains(QLatin1String("too large"))) << error.toStdString();
    }
    {
        QFile out(path);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(xmlPropertyListData(QVariantList{small, large, small}));
    }

    QStringList seen;
    int refused = 0;
    QString error;
    EXPECT_TRUE(readPropertyListArrayFile(
        path,
        [&seen](const QVariant& element) {
            return seen << element.toMap().value(QStringLiteral("name")).toString(), true;
        },
        &error, [&seen, &refused] { return ++refused, seen << QStringLiteral("-"), true; }))
        << error.toStdString();
    EXPECT_EQ(seen, (QStringList{QStringLiteral("small"), QStringLiteral("-"), QStringLiteral("small")}));
    EXPECT_EQ(refused, 1);
    EXPECT_EQ(propertyListArrayFileCount(path, &error, true), 3) << error.toStdString();

    // Callers that do not pass over a large element fail as before.
    EXPECT_EQ(propertyListArrayFileCount(path, &error), -1);
    EXPECT_TRUE(error.contains(QLatin1String("too large"))) << error.toStdString();
    EXPECT_FALSE(readPropertyListArrayFile(
        path, [](const QVariant&) { return true; }, &error));
    EXPECT_TRUE(error.contains(QLatin1String("too large"))) << error.toStdString();
}

// The element passed over is not kept: one far past the limit, of markup the reader must
// still follow (a comment and CDATA inside a long data value), reads in little memory.
TEST(PropertyListLimits, AnElementPassedOverIsNotBuffered) {
    ByteLimit limit(1024 * 1024);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("long.lsr"));
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("<plist><array><dict><key>image1</key><data><!-- a -> b --><![CDATA[<dict>]]>");
        const QByteArray line(76, 'A');
        for (int i = 0; i < 48 * 1024 * 1024 / 77; ++i) // about 48 MB without a tag
            file.write(line + '\n');
        file.write("</data></dict><dict><key>name</key><string>after</string></dict></array></plist>");
    }
    const long before = peakRssKb();
    QStringList names;
    int refused = 0;
    QString error;
    EXPECT_TRUE(readPropertyListArrayFile(
        path,
        [&names](const QVariant& element) {
            return names << element.toMap().value(QStringLiteral("name")).toString(), true;
        },
        &error, [&refused] { return ++refused, true; }))
        << error.toStdString();
    EXPECT_EQ(names, QStringList{QStringLiteral("after")});
    EXPECT_EQ(refused, 1);
    EXPECT_LT(peakRssKb() - before, 24 * 1024) << "memory grew with the element passed over";
}
