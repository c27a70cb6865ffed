#include "platform/PropertyList.h"

#include "common/TestSupport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileDevice>
#include <QStringList>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <ostream>

// Readable failure messages.
static void PrintTo(const QVariant& value, std::ostream* os) {
    QString text;
    QDebug(&text) << value;
    *os << text.toStdString();
}

#include <cmath>
#include <limits>

namespace {

QVariant roundTrip(const QVariant& value) {
    const PropertyListResult result = readPropertyList(xmlPropertyListData(value));
    EXPECT_TRUE(result.ok()) << result.error.toStdString();
    return result.value;
}

QDateTime utc(int y, int mo, int d, int h, int mi, int s) {
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s), Qt::UTC);
}

// A binary property list of the given objects (one-byte references and offsets).
QByteArray binaryList(const QList<QByteArray>& objects, int top = 0) {
    QByteArray out = "bplist00";
    QByteArray table;
    for (const QByteArray& o : objects) {
        table += char(out.size());
        out += o;
    }
    const int tableOffset = out.size();
    out += table;
    QByteArray trailer(32, '\0');
    trailer[6] = 1;
    trailer[7] = 1;
    trailer[15] = char(objects.size());
    trailer[23] = char(top);
    trailer[31] = char(tableOffset);
    return out + trailer;
}

QByteArray writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return {};
    f.write(bytes);
    return bytes;
}

} // namespace

TEST(PropertyList, ScalarsRoundTripThroughXml) {
    struct Case {
        const char* label;
        QVariant value;
    };
    const Case cases[] = {
        {"string", QStringLiteral("flour")},
        {"empty string", QString()},
        {"markup characters", QStringLiteral("a < b & c > \"d\" 'e'")},
        {"non-ASCII", QStringLiteral("Crème brûlée – 200 °C, ½ cup, 🍰")},
        {"whitespace", QStringLiteral("  two\nlines\tand tab  ")},
        {"zero", qint64(0)},
        {"positive", qint64(42)},
        {"negative", qint64(-7)},
        {"largest", std::numeric_limits<qint64>::max()},
        {"smallest", std::numeric_limits<qint64>::min()},
        {"real", 0.1},
        {"negative real", -1234.5678e-10},
        {"huge real", 1e300},
        {"true", true},
        {"false", false},
        {"data", QByteArray("\x00\x01\xfe\xff", 4)},
        {"empty data", QByteArray("")},
        {"date", utc(2009, 3, 14, 15, 9, 26)},
        {"date before 2001", utc(1999, 12, 31, 23, 59, 59)},
        {"date in 1850", utc(1850, 7, 1, 6, 30, 0)},
        {"date in 2500", utc(2500, 1, 1, 0, 0, 1)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const QVariant back = roundTrip(c.value);
        EXPECT_EQ(back, c.value);
        EXPECT_EQ(back.metaType(), c.value.metaType());
    }
}

TEST(PropertyList, NestedStructuresRoundTrip) {
    QVariantMap row;
    row.insert(QStringLiteral("quantity"), QStringLiteral("1 1/2"));
    row.insert(QStringLiteral("measurement"), QStringLiteral("cups"));
    row.insert(QStringLiteral("name"), QStringLiteral("flour"));
    row.insert(QStringLiteral("randomNumber"), qint64(517));
    QVariantMap recipe;
    recipe.insert(QStringLiteral("name"), QStringLiteral("Pâte à choux"));
    recipe.insert(QStringLiteral("ingredients"), QVariantList{row, row});
    recipe.insert(QStringLiteral("images"), QVariantList{QByteArray("jpeg"), QVariantList{}});
    recipe.insert(QStringLiteral("empty"), QVariantMap{});
    recipe.insert(QStringLiteral("ünïcode kéy"), true);
    recipe.insert(QString(), QStringLiteral("empty key"));
    const QVariantList top{recipe, QVariantList{QVariantList{QVariantList{qint64(1)}}}};
    EXPECT_EQ(roundTrip(top), QVariant(top));
}

TEST(PropertyList, OtherQVariantTypesAreWrittenAsPropertyListKinds) {
    QVariantHash hash;
    hash.insert(QStringLiteral("k"), 3);
    QVariantMap withNull;
    withNull.insert(QStringLiteral("kept"), QStringLiteral("x"));
    withNull.insert(QStringLiteral("dropped"), QVariant());
    withNull.insert(QStringLiteral("no date"), QDateTime());

    struct Case {
        const char* label;
        QVariant written;
        QVariant readBack;
    };
    const Case cases[] = {
        {"int", QVariant(int(-5)), QVariant(qint64(-5))},
        {"uint", QVariant(uint(4000000000u)), QVariant(qint64(4000000000))},
        {"long long", QVariant(qlonglong(1) << 40), QVariant(qint64(1) << 40)},
        {"unsigned above the signed range wraps", QVariant(qulonglong(18446744073709551615ull)),
         QVariant(qint64(-1))},
        {"float", QVariant(0.5f), QVariant(0.5)},
        {"string list", QStringList{QStringLiteral("a"), QStringLiteral("b")},
         QVariantList{QStringLiteral("a"), QStringLiteral("b")}},
        {"hash", hash, QVariantMap{{QStringLiteral("k"), qint64(3)}}},
        {"null in a dictionary is left out", withNull,
         QVariantMap{{QStringLiteral("kept"), QStringLiteral("x")}}},
        {"null in an array is an empty string", QVariantList{QVariant(), qint64(1)},
         QVariantList{QString(), qint64(1)}},
        {"null at the top", QVariant(), QString()},
        {"date", QDate(2010, 5, 1), utc(2010, 5, 1, 0, 0, 0)},
        {"other types as text", QVariant(QChar(u'é')), QStringLiteral("é")},
        {"NUL characters are left out", QString(QStringLiteral("a") + QChar(0) + QStringLiteral("b")),
         QStringLiteral("ab")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(roundTrip(c.written), c.readBack);
    }
}

TEST(PropertyList, ReadsXmlAsWrittenByHand) {
    const QByteArray xml =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
        "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
        "<plist version=\"1.0\">\n"
        "<dict>\n"
        "\t<key>Name</key>\n\t<string>Soupe &amp; pain &lt;fin&gt; é</string>\n"
        "\t<key>Count</key>\n\t<integer>-12</integer>\n"
        "\t<key>Ratio</key>\n\t<real>2.5</real>\n"
        "\t<key>Flag</key>\n\t<true/>\n"
        "\t<key>Off</key>\n\t<false/>\n"
        "\t<key>When</key>\n\t<date>2008-06-01T12:30:00Z</date>\n"
        "\t<key>Bytes</key>\n\t<data>\n\tAAEC/w==\n\t</data>\n"
        "\t<key>Empty</key>\n\t<string></string>\n"
        "\t<key>List</key>\n\t<array>\n\t\t<string>a</string>\n\t\t<dict/>\n\t\t<array/>\n\t</array>\n"
        "</dict>\n"
        "</plist>\n";
    for (const QByteArray& bytes : {xml, QByteArray(QByteArray("\xEF\xBB\xBF") + xml)}) {
        const PropertyListResult r = readPropertyList(bytes);
        ASSERT_TRUE(r.ok()) << r.error.toStdString();
        const QVariantMap m = r.value.toMap();
        EXPECT_EQ(m.value(QStringLiteral("Name")), QVariant(QStringLiteral("Soupe & pain <fin> é")));
        EXPECT_EQ(m.value(QStringLiteral("Count")), QVariant(qint64(-12)));
        EXPECT_EQ(m.value(QStringLiteral("Ratio")), QVariant(2.5));
        EXPECT_EQ(m.value(QStringLiteral("Flag")), QVariant(true));
        EXPECT_EQ(m.value(QStringLiteral("Off")), QVariant(false));
        EXPECT_EQ(m.value(QStringLiteral("When")), QVariant(utc(2008, 6, 1, 12, 30, 0)));
        EXPECT_EQ(m.value(QStringLiteral("Bytes")), QVariant(QByteArray("\x00\x01\x02\xff", 4)));
        EXPECT_EQ(m.value(QStringLiteral("Empty")), QVariant(QString()));
        EXPECT_EQ(m.value(QStringLiteral("List")),
                  QVariant(QVariantList{QStringLiteral("a"), QVariantMap{}, QVariantList{}}));
    }
}

TEST(PropertyList, WrittenXmlHasTheStandardHeader) {
    const QByteArray xml = xmlPropertyListData(QVariantMap{{QStringLiteral("a"), QStringLiteral("b")}});
    EXPECT_TRUE(xml.startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\"?>"));
    EXPECT_TRUE(xml.contains("<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\""));
    EXPECT_TRUE(xml.contains("<key>a</key>"));
}

TEST(PropertyList, ReadsBinaryPropertyList) {
    // Written by an independent implementation of the binary encoding.
    const PropertyListResult r =
        readPropertyListFile(testsupport::testDataPath(QStringLiteral("platform/binary-sample.plist")));
    ASSERT_TRUE(r.ok()) << r.error.toStdString();
    const QVariantMap m = r.value.toMap();
    EXPECT_EQ(m.value(QStringLiteral("name")), QVariant(QStringLiteral("Crème brûlée")));
    EXPECT_EQ(m.value(QStringLiteral("count")), QVariant(qint64(42)));
    EXPECT_EQ(m.value(QStringLiteral("negative")), QVariant(qint64(-7)));
    EXPECT_EQ(m.value(QStringLiteral("big")), QVariant(qint64(1) << 40));
    EXPECT_EQ(m.value(QStringLiteral("ratio")), QVariant(0.25));
    EXPECT_EQ(m.value(QStringLiteral("enabled")), QVariant(true));
    EXPECT_EQ(m.value(QStringLiteral("disabled")), QVariant(false));
    EXPECT_EQ(m.value(QStringLiteral("photo")), QVariant(QByteArray("\x00\x01\xfe\xff", 4)));
    EXPECT_EQ(m.value(QStringLiteral("created")), QVariant(utc(2009, 3, 14, 15, 9, 26)));
    EXPECT_EQ(m.value(QStringLiteral("tags")),
              QVariant(QVariantList{QStringLiteral("soup"), QStringLiteral("dinner"), QString()}));
    const QVariantList rows =
        m.value(QStringLiteral("nested")).toMap().value(QStringLiteral("rows")).toList();
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows.first().toMap().value(QStringLiteral("measurement")), QVariant(QStringLiteral("cups")));

    // And the same value survives being written as XML.
    EXPECT_EQ(roundTrip(r.value), r.value);
}

TEST(PropertyList, BinaryDatesKeepTheirFractionsAndRange) {
    const PropertyListResult r =
        readPropertyListFile(testsupport::testDataPath(QStringLiteral("platform/binary-dates.plist")));
    ASSERT_TRUE(r.ok()) << r.error.toStdString();
    const QVariantList dates = r.value.toList();
    ASSERT_EQ(dates.size(), 4);
    EXPECT_EQ(dates[0], QVariant(utc(2000, 12, 31, 23, 59, 58).addMSecs(500)));
    EXPECT_EQ(dates[1], QVariant(utc(2009, 3, 14, 15, 9, 26).addMSecs(517)));
    EXPECT_EQ(dates[2], QVariant(utc(1900, 1, 1, 0, 0, 0)));
    EXPECT_EQ(dates[3], QVariant(utc(2100, 1, 1, 0, 0, 0).addMSecs(250)));

    // XML holds them in whole seconds.
    EXPECT_EQ(roundTrip(r.value),
              QVariant(QVariantList{utc(2000, 12, 31, 23, 59, 58), utc(2009, 3, 14, 15, 9, 26),
                                    utc(1900, 1, 1, 0, 0, 0), utc(2100, 1, 1, 0, 0, 0)}));
}

TEST(PropertyList, XmlForms) {
    const QByteArray head = "<?xml version=\"1.0\"?>\n<!DOCTYPE plist [ <!ENTITY x \"]\"> ]>\n<!-- c -->\n";
    struct Case {
        const char* label;
        QByteArray xml;
        QVariant value;
    };
    const Case cases[] = {
        {"entities", "<plist><string>&#233;&#x41;&quot;&apos;&amp;</string></plist>",
         QStringLiteral("éA\"'&")},
        {"CDATA and comments in text", "<plist><string>a<![CDATA[<b>&]]>c<!-- x -->d</string></plist>",
         QStringLiteral("a<b>&cd")},
        {"control characters as written", "<plist><string>a\x01\r\nb</string></plist>",
         QStringLiteral("a\x01\r\nb")},
        {"attributes and spaces in tags",
         "<plist version='1.0' ><array ><string >x</string ></array></plist >",
         QVariantList{QStringLiteral("x")}},
        {"no plist element", "<dict><key>a</key><integer>1</integer></dict>",
         QVariantMap{{QStringLiteral("a"), qint64(1)}}},
        {"self-closing forms", "<plist><array><string/><data/><dict/><array/><true/><false/></array></plist>",
         QVariantList{QString(), QByteArray(), QVariantMap{}, QVariantList{}, true, false}},
        {"integer forms",
         "<plist><array><integer> 0x1F </integer><integer>+5</integer>"
         "<integer>18446744073709551615</integer><integer>-9223372036854775808</integer></array></plist>",
         QVariantList{qint64(31), qint64(5), qint64(-1), std::numeric_limits<qint64>::min()}},
        {"date forms",
         "<plist><array><date>2009-03-14T15:09:26.517Z</date><date>2009-03-14</date>"
         "<date>-0044-03-15T12:00:00Z</date></array></plist>",
         QVariantList{utc(2009, 3, 14, 15, 9, 26).addMSecs(517), utc(2009, 3, 14, 0, 0, 0),
                      utc(-44, 3, 15, 12, 0, 0)}},
        {"data with spaces", "<plist><data> AA\n E C/w = = </data></plist>",
         QByteArray("\x00\x01\x02\xff", 4)},
        {"trailing content is ignored", "<plist><true/></plist>\n\0\0garbage", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const PropertyListResult r = readPropertyList(head + c.xml);
        ASSERT_TRUE(r.ok()) << r.error.toStdString();
        EXPECT_EQ(r.value, c.value);
    }

    const PropertyListResult reals = readPropertyList(
        "<plist><array><real>nan</real><real>+infinity</real><real>-infinity</real><real>1e400</real>"
        "<real>-1e-400</real><real>2</real><real> -0.5 </real></array></plist>");
    ASSERT_TRUE(reals.ok()) << reals.error.toStdString();
    const QVariantList r = reals.value.toList();
    ASSERT_EQ(r.size(), 7);
    EXPECT_TRUE(std::isnan(r[0].toDouble()));
    EXPECT_EQ(r[1].toDouble(), std::numeric_limits<double>::infinity());
    EXPECT_EQ(r[2].toDouble(), -std::numeric_limits<double>::infinity());
    EXPECT_EQ(r[3].toDouble(), std::numeric_limits<double>::infinity());
    EXPECT_EQ(r[4].toDouble(), 0.0);
    EXPECT_EQ(r[5].toDouble(), 2.0);
    EXPECT_EQ(r[6].toDouble(), -0.5);
    // And they are written so that they read back.
    const QVariantList back = roundTrip(reals.value).toList();
    ASSERT_EQ(back.size(), 7);
    EXPECT_TRUE(std::isnan(back[0].toDouble()));
    EXPECT_EQ(back.mid(1), r.mid(1));
}

TEST(PropertyList, BinaryForms) {
    struct Case {
        const char* label;
        QByteArray data;
        QVariant value;
    };
    const Case cases[] = {
        {"one-byte unsigned integer", binaryList({QByteArray("\x10\xff", 2)}), qint64(255)},
        {"eight-byte negative integer", binaryList({QByteArray("\x13\xff\xff\xff\xff\xff\xff\xff\xfe", 9)}),
         qint64(-2)},
        {"sixteen-byte integer",
         binaryList({QByteArray("\x14", 1) + QByteArray(15, '\0') + QByteArray("\x07", 1)}), qint64(7)},
        {"four-byte real", binaryList({QByteArray("\x22\x3f\xc0\x00\x00", 5)}), 1.5},
        {"UTF-16 string", binaryList({QByteArray("\x62\x65\xe5\x67\x2c", 5)}), QStringLiteral("日本")},
        {"long string with a count object",
         binaryList({QByteArray("\x5f\x10\x03"
                                "abc",
                                6)}),
         QStringLiteral("abc")},
        {"identifier", binaryList({QByteArray("\x80\x05", 2)}),
         QVariantMap{{QStringLiteral("CF$UID"), qint64(5)}}},
        {"shared key",
         binaryList({QByteArray("\xa2\x01\x01", 3), QByteArray("\xd1\x02\x03", 3), QByteArray("\x51k", 2),
                     QByteArray("\x09", 1)}),
         QVariantList{QVariantMap{{QStringLiteral("k"), true}}, QVariantMap{{QStringLiteral("k"), true}}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const PropertyListResult r = readPropertyList(c.data);
        ASSERT_TRUE(r.ok()) << r.error.toStdString();
        EXPECT_EQ(r.value, c.value);
    }
}

TEST(PropertyList, DamagedBinaryListsAreRefused) {
    // Arrays that hold themselves, directly or through another array.
    const QByteArray selfArray = binaryList({QByteArray("\xa1\x00", 2)});
    const QByteArray loop = binaryList({QByteArray("\xa1\x01", 2), QByteArray("\xa1\x00", 2)});
    // Sixty arrays each holding the next one twice: 2^60 elements if followed blindly.
    QList<QByteArray> doubling;
    for (int i = 0; i < 60; ++i)
        doubling.append(QByteArray("\xa2", 1) + char(i + 1) + char(i + 1));
    doubling.append(QByteArray("\x09", 1));
    const QByteArray dictWithNumberKey =
        binaryList({QByteArray("\xd1\x01\x01", 3), QByteArray("\x10\x01", 2)});
    const QByteArray cases[] = {
        selfArray,
        loop,
        binaryList(doubling),
        dictWithNumberKey,
        binaryList({QByteArray("\xa1\x05", 2)}), // reference past the objects
        binaryList({QByteArray("\x5f\x10\x7f"
                               "abc",
                               6)}),                             // string longer than the data
        binaryList({QByteArray("\x00", 1)}),                     // null object
        binaryList({QByteArray("\x33\x7f\xf8\0\0\0\0\0\0", 9)}), // date that is not a number
        binaryList({QByteArray("\x09", 1)}, 3),                  // top object out of range
    };
    for (const QByteArray& data : cases) {
        SCOPED_TRACE(data.toHex().toStdString());
        const PropertyListResult r = readPropertyList(data);
        EXPECT_FALSE(r.ok());
        EXPECT_FALSE(r.value.isValid());
    }
}

TEST(PropertyList, BadInputGivesAnErrorNotAValue) {
    QFile f(testsupport::testDataPath(QStringLiteral("platform/binary-sample.plist")));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray binary = f.readAll();
    const QByteArray xml = xmlPropertyListData(QVariantList{QStringLiteral("a"), qint64(1)});

    const QByteArray inputs[] = {
        QByteArray(),
        QByteArray("   \n"),
        QByteArray("garbage"),
        QByteArray("\xEF\xBB\xBF"),
        QByteArray("{ key = value; }"),
        QByteArray("<plist version=\"1.0\"><string>unterminated"),
        QByteArray("<plist version=\"1.0\"></plist>"),
        QByteArray("bplist00"),
        binary.left(binary.size() / 2),
        binary.left(binary.size() - 10),
        xml.left(xml.size() / 2),
        QByteArray(1000, '\xff'),
        QByteArray("bplist00") + QByteArray(40, '\xff'),
        QByteArray("<plist><string>a</string><string>b</string></plist>"),
        QByteArray("<plist><dict><key>a</key></dict></plist>"),
        QByteArray("<plist><dict><string>a</string></dict></plist>"),
        QByteArray("<plist><array><string>a</array></plist>"),
        QByteArray("<plist><widget/></plist>"),
        QByteArray("<plist><string>&nbsp;</string></plist>"),
        QByteArray("<plist><string>&#0;</string></plist>"),
        QByteArray("<plist><data>!!!</data></plist>"),
        QByteArray("<plist><integer>12x</integer></plist>"),
        QByteArray("<plist><integer>-9223372036854775809</integer></plist>"),
        QByteArray("<plist><integer>18446744073709551616</integer></plist>"),
        QByteArray("<plist><real>1.5.5</real></plist>"),
        QByteArray("<plist><date>2009-02-30T00:00:00Z</date></plist>"),
        QByteArray("<plist><true>x</true></plist>"),
        QByteArray("<plist><string><b>bold</b></string></plist>"),
        QByteArray("<!-- unterminated"),
        QByteArray("<!DOCTYPE plist [ unterminated"),
    };
    for (const QByteArray& input : inputs) {
        SCOPED_TRACE(input.left(60).toStdString());
        const PropertyListResult r = readPropertyList(input);
        EXPECT_FALSE(r.ok());
        EXPECT_FALSE(r.value.isValid());
    }
}

TEST(PropertyList, DeepNestingIsRefused) {
    QByteArray xml = "<plist version=\"1.0\">";
    for (int i = 0; i < 2000; ++i)
        xml += "<array>";
    for (int i = 0; i < 2000; ++i)
        xml += "</array>";
    xml += "</plist>";
    const PropertyListResult r = readPropertyList(xml);
    EXPECT_FALSE(r.ok());
}

TEST(PropertyList, FileWriteAndRead) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("Bookmarks.plist"));
    const QVariantList value{QVariantMap{{QStringLiteral("title"), QStringLiteral("Soupes")}}};
    QString error = QStringLiteral("stale");
    ASSERT_TRUE(writePropertyListFile(value, path, &error));
    EXPECT_TRUE(error.isEmpty());
    const PropertyListResult r = readPropertyListFile(path);
    ASSERT_TRUE(r.ok()) << r.error.toStdString();
    EXPECT_EQ(r.value, QVariant(value));
    // Only the file itself: no temporary left behind.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("Bookmarks.plist")});

    const PropertyListResult missing = readPropertyListFile(dir.filePath(QStringLiteral("absent.plist")));
    EXPECT_FALSE(missing.ok());
    EXPECT_TRUE(missing.error.contains(QStringLiteral("absent.plist")));

    EXPECT_FALSE(
        writePropertyListFile(value, dir.filePath(QStringLiteral("no/such/folder/x.plist")), &error));
    EXPECT_FALSE(error.isEmpty());
}

TEST(PropertyList, FailedWriteLeavesTheOldFile) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("list.plist"));
    const QByteArray old = writeFile(path, xmlPropertyListData(QVariantList{QStringLiteral("old")}));
    ASSERT_FALSE(old.isEmpty());
    // A file size limit makes the write fail part way, for any user (permissions do not
    // stop the super-user).
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    QString error;
    const bool written =
        writePropertyListFile(QVariantList{QString(64 * 1024, QLatin1Char('n'))}, path, &error);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_FALSE(written);
    EXPECT_FALSE(error.isEmpty());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), old);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("list.plist")});
}

namespace {

// The value read back from an XML list holding value, and from a file of one element written
// and read element by element (the exchange files' path).
QVariant throughArrayFile(const QVariant& value) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("list.plist"));
    PropertyListArrayWriter writer(path);
    QString error;
    EXPECT_TRUE(writer.open(&error) && writer.append(value, &error) && writer.commit(&error))
        << error.toStdString();
    QVariant back;
    EXPECT_TRUE(readPropertyListArrayFile(
        path, [&back](const QVariant& element) { return back = element, true; }, &error))
        << error.toStdString();
    return back;
}

// Where QXmlStreamReader, a reader that holds documents to XML 1.0, stops; empty when it
// reads the whole document.
std::string xmlError(const QByteArray& xml) {
    QXmlStreamReader reader(xml);
    while (!reader.atEnd())
        reader.readNext();
    return reader.hasError() ? reader.errorString().toStdString() : std::string();
}

} // namespace

TEST(PropertyList, TextsComeBackCharacterForCharacter) {
    const QString feff(QChar(0xFEFF));
    const struct {
        const char* label;
        QString text;
    } cases[] = {
        {"leading zero width no-break space", feff + QStringLiteral("flour")},
        {"two of them", feff + feff + QStringLiteral("flour")},
        {"nothing else", feff},
        {"in the middle", QStringLiteral("a") + feff + QStringLiteral("b")},
        {"empty", QStringLiteral("")},
        {"emoji", QStringLiteral("🍰 and 👩‍🍳")},
        {"tab, line feed, carriage return", QStringLiteral("\ta\nb\r\nc\r")},
        {"markup", QStringLiteral("<&>]]>")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        const std::string expected = testsupport::textUnits(c.text);
        EXPECT_EQ(testsupport::textUnits(roundTrip(c.text)), expected);
        EXPECT_EQ(testsupport::textUnits(throughArrayFile(c.text)), expected);
        const QVariantMap keyed = roundTrip(QVariantMap{{c.text, true}}).toMap();
        EXPECT_EQ(testsupport::textUnits(keyed.isEmpty() ? QVariant() : QVariant(keyed.firstKey())),
                  expected);
    }
}

TEST(PropertyList, CharactersXmlCannotCarryAreLeftOutAndCounted) {
    const auto text = [](std::initializer_list<char16_t> units) {
        return QString(reinterpret_cast<const QChar*>(units.begin()), qsizetype(units.size()));
    };
    const struct {
        const char* label;
        QString written;
        QString readBack;
        qsizetype dropped;
    } cases[] = {
        {"NUL", text({u'a', 0, u'b'}), QStringLiteral("ab"), 1},
        {"other C0 controls", text({1, 8, 0xB, 0xC, 0x1F, u'x'}), QStringLiteral("x"), 5},
        {"nothing but controls", text({0, 1, 2}), QStringLiteral(""), 3},
        {"tab, line feed and carriage return stay", text({9, 0xA, 0xD}), text({9, 0xA, 0xD}), 0},
        {"DEL and C1 controls stay", text({0x7F, 0x85, 0x9F}), text({0x7F, 0x85, 0x9F}), 0},
        {"U+FFFE and U+FFFF", text({u'x', 0xFFFE, u'y', 0xFFFF}), QStringLiteral("xy"), 2},
        {"U+FFFD stays", text({0xFFFD}), text({0xFFFD}), 0},
        {"surrogate pairs stay", QStringLiteral("🍰👩‍🍳"), QStringLiteral("🍰👩‍🍳"), 0},
        {"lone high surrogate", text({u'a', 0xD83C, u'b'}), QStringLiteral("ab"), 1},
        {"lone low surrogate", text({u'a', 0xDF70}), QStringLiteral("a"), 1},
        {"high surrogate at the end", text({u'a', 0xD83C}), QStringLiteral("a"), 1},
        {"pair in the wrong order", text({0xDF70, 0xD83C}), QStringLiteral(""), 2},
        {"beside markup", text({u'<', 0, u'&', 0xFFFF, u'>'}), QStringLiteral("<&>"), 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        qsizetype dropped = -1;
        const QByteArray xml =
            xmlPropertyListData(QVariantMap{{QStringLiteral("k") + c.written, c.written}}, &dropped);
        const QVariantMap back = readPropertyList(xml).value.toMap();
        const QVariant value = back.value(QStringLiteral("k") + c.readBack);
        EXPECT_EQ(std::make_tuple(testsupport::textUnits(value), dropped, xmlError(xml)),
                  std::make_tuple(testsupport::textUnits(c.readBack), 2 * c.dropped, std::string()));
    }
}

TEST(PropertyList, TheArrayWriterCountsWhatItLeftOut) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("list.plist"));
    PropertyListArrayWriter writer(path);
    ASSERT_TRUE(writer.open());
    ASSERT_TRUE(writer.append(QVariantMap{{QStringLiteral("name"), QString(QString(QChar(0)) + QChar(1))}}));
    ASSERT_TRUE(writer.append(QVariantList{QString(QChar(0xFFFF)), QStringLiteral("fine")}));
    ASSERT_TRUE(writer.commit());
    EXPECT_EQ(writer.droppedCharacters(), 3);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(xmlError(file.readAll()), std::string());
}

// The XML date form has no fraction: milliseconds are cut off when written (other readers
// refuse a fraction), and a fraction another program wrote is read.
TEST(PropertyList, DatesAreWrittenInWholeSecondsAndReadWithFractions) {
    const struct {
        const char* label;
        QDateTime date;
        QByteArray written;
    } cases[] = {
        {"milliseconds", utc(2026, 1, 2, 3, 4, 5).addMSecs(6), "<date>2026-01-02T03:04:05Z</date>"},
        {"whole seconds", utc(2026, 1, 2, 3, 4, 5), "<date>2026-01-02T03:04:05Z</date>"},
        {"before 1970", utc(1970, 1, 1, 0, 0, 0).addMSecs(-1), "<date>1969-12-31T23:59:59Z</date>"},
        {"in 1850", utc(1850, 7, 1, 6, 30, 0).addMSecs(250), "<date>1850-07-01T06:30:00Z</date>"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        const QByteArray xml = xmlPropertyListData(c.date);
        EXPECT_TRUE(xml.contains(c.written));
    }

    const struct {
        QByteArray text;
        QDateTime date;
    } read[] = {
        {"2026-01-02T03:04:05Z", utc(2026, 1, 2, 3, 4, 5)},
        {"2026-01-02T03:04:05.006Z", utc(2026, 1, 2, 3, 4, 5).addMSecs(6)},
        {"2026-01-02T03:04:05.5Z", utc(2026, 1, 2, 3, 4, 5).addMSecs(500)},
        {"2026-01-02T03:04:05.0061Z", utc(2026, 1, 2, 3, 4, 5).addMSecs(6)},
    };
    for (const auto& r : read) {
        SCOPED_TRACE(r.text.constData());
        EXPECT_EQ(readPropertyList("<plist><date>" + r.text + "</date></plist>").value, QVariant(r.date));
    }
}

namespace {

// <data> holding text, as the whole-list reader sees it.
PropertyListResult dataValue(const char* text) {
    return readPropertyList(QByteArray("<plist><data>") + text + "</data></plist>");
}

} // namespace

TEST(PropertyListData, Base64IsDecodedWithWhiteSpaceAndPaddingAnywhereAllowed) {
    const struct {
        const char* text;
        const char* bytes;
    } cases[] = {
        {"SGVsbG8=", "Hello"},
        {"SGVs\n\tbG8=\n", "Hello"},
        {" S G V s\r\nb G 8 = ", "Hello"},
        {"SGVsbG8", "Hello"}, // padding left out
        {"SGVsbA==", "Hell"},
        {"SGVsbA = =\n", "Hell"}, // white space between the padding
        {"SGVsbA", "Hell"},
        {"SGVsbG8h", "Hello!"}, // no padding needed
        {"", ""},
        {"  \n ", ""},
        {"SGVs&#98;G8=", "Hello"},            // a character reference: the general path
        {"SGVs<!-- a note -->bG8=", "Hello"}, // a comment inside
        {"SGVs<![CDATA[bG8=]]>", "Hello"},
    };
    for (const auto& c : cases) {
        const PropertyListResult result = dataValue(c.text);
        ASSERT_TRUE(result.ok()) << c.text << ": " << result.error.toStdString();
        EXPECT_EQ(result.value, QVariant(QByteArray(c.bytes))) << c.text;
    }
}

TEST(PropertyListData, TextThatIsNotBase64IsRefusedSayingSo) {
    const char* const cases[] = {
        "SGVs*G8=",   // a character outside the alphabet
        "SGVsbG8=QQ", // data after the padding
        "SGVsbG8==",  // padding past the group of four
        "=SGVsbG8",   // padding first
        "S===",       // padding for a group of one character
        "SGVsb",      // a last character alone: cut short
        "SGVs-_8=",   // the URL alphabet
        "SGVsbG8=\x01",
    };
    for (const char* text : cases) {
        const PropertyListResult result = dataValue(text);
        EXPECT_TRUE(result.error.contains(QLatin1String("not base64")))
            << text << ": " << result.error.toStdString();
    }
}

TEST(PropertyListData, LargeDataRoundTripsAcrossLines) {
    QByteArray bytes(300 * 1024 + 2, Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i)
        bytes[i] = char((i * 7919) >> 3);
    EXPECT_EQ(roundTrip(QVariantMap{{QStringLiteral("image1"), bytes}}),
              QVariant(QVariantMap{{QStringLiteral("image1"), bytes}}));
}
