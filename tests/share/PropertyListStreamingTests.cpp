// Root arrays read and written one element at a time: the same values and bytes as the
// whole-list functions, whatever the markup around the elements and the size of the file.
#include "ExchangeTestSupport.h"

#include "platform/PropertyList.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

namespace {

QVariantList readArray(const QString& path, QString* error, int stopAfter = -1) {
    QVariantList elements;
    const bool ok = readPropertyListArrayFile(
        path,
        [&](const QVariant& element) {
            elements.append(element);
            return elements.size() != stopAfter;
        },
        error);
    if (!ok)
        elements.append(QStringLiteral("<failed>"));
    return elements;
}

TEST(PropertyListStreaming, WriterMatchesTheWholeListWriterAndReadsBack) {
    QTemporaryDir dir;
    const QVariantList list{QVariantMap{{QStringLiteral("name"), QStringLiteral("A & <B> “c”")},
                                        {QStringLiteral("data"), QByteArray(300, 'x')},
                                        {QStringLiteral("n"), 3}},
                            QStringLiteral("text"), QVariantList{}, true};
    for (const QVariantList& value : {list, QVariantList{}}) {
        const QString path = dir.filePath(QStringLiteral("list.plist"));
        PropertyListArrayWriter writer(path);
        ASSERT_TRUE(writer.open());
        for (const QVariant& element : value)
            ASSERT_TRUE(writer.append(element));
        ASSERT_TRUE(writer.commit());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), xmlPropertyListData(value));
        QString error;
        EXPECT_EQ(readArray(path, &error), value) << error.toStdString();
    }
}

TEST(PropertyListStreaming, ReadsMarkupAroundElementsAndRefusesWhatIsNotAnArray) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("in.plist"));
    const QVariantList two{QStringLiteral("a<b>"), QVariantMap{{QStringLiteral("k"), QStringLiteral("]]>")}}};
    const struct {
        QByteArray text;
        QVariantList expected; // "<failed>" last when the read fails
    } cases[] = {
        {"\xEF\xBB\xBF<?xml version=\"1.0\"?>\n<!DOCTYPE plist [ <!-- ] --> <!ENTITY x \"]>\"> ]>\n"
         "<plist version='1.0'><!-- c --><array >\n<string>a&lt;b&gt;</string><?pi x?>"
         "<dict><key>k</key><string><![CDATA[]]]]><![CDATA[>]]></string></dict>\n</array>\n</plist>trailing",
         two},
        {"<array><string>a&lt;b&gt;</string><dict><key>k</key><string>]]&gt;</string></dict></array>", two},
        {"<plist><array/></plist>", {}},
        {"<plist><dict/></plist>", {QStringLiteral("<failed>")}},
        {"<plist><array><string>a</string></array><string>b</string></plist>",
         {QStringLiteral("a"), QStringLiteral("<failed>")}},
        {"<plist><array><string>a</string><integer>x</integer></array></plist>",
         {QStringLiteral("a"), QStringLiteral("<failed>")}},
        {"<plist><array><string>a</string><dict><key>k</key>",
         {QStringLiteral("a"), QStringLiteral("<failed>")}},
        {"<plist><array><string>a</string></dict></array></plist>",
         {QStringLiteral("a"), QStringLiteral("<failed>")}},
        {"no markup", {QStringLiteral("<failed>")}},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(writeBytes(path, c.text));
        QString error;
        const QVariantList read = readArray(path, &error);
        EXPECT_EQ(read, c.expected) << c.text.toStdString();
        EXPECT_EQ(read.value(read.size() - 1) == QStringLiteral("<failed>"), !error.isEmpty())
            << c.text.toStdString();
    }
    // The visitor may stop early; a missing file is an error.
    ASSERT_TRUE(writeBytes(path, xmlPropertyListData(QVariantList{1, 2, 3})));
    QString error;
    EXPECT_EQ(readArray(path, &error, 2), (QVariantList{1, 2}));
    EXPECT_FALSE(readPropertyListArrayFile(
        dir.filePath(QStringLiteral("absent")), [](const QVariant&) { return true; }, &error));
    EXPECT_FALSE(error.isEmpty());
}

TEST(PropertyListStreaming, ElementsLargerThanOneReadPiece) {
    // Elements that straddle the reader's pieces (4 MB) and one larger than a piece.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("big.plist"));
    QVariantList list;
    for (int i = 0; i < 6; ++i)
        list.append(QVariantMap{{QStringLiteral("i"), i},
                                {QStringLiteral("data"), QByteArray(1500000 + i, char('a' + i))}});
    list.append(QByteArray(9 * 1024 * 1024, 'z'));
    list.append(QStringLiteral("end"));
    ASSERT_TRUE(writePropertyListFile(list, path));
    QString error;
    const QVariantList read = readArray(path, &error);
    EXPECT_TRUE(error.isEmpty()) << error.toStdString();
    EXPECT_TRUE(read == list);
}

} // namespace
