// JPEG 2000 pictures read into images: both the container and the bare codestream, colour
// and alpha; and bytes that are no such picture, cut short, damaged or claiming a size no
// recipe picture has, giving a null image without a crash.
#include "common/Jpeg2000Encoding.h"

#include "platform/Jpeg2000Decoder.h"

#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <QRandomGenerator>

namespace {

// A picture of four coloured quarters, with a transparent corner.
QImage quarters(int width, int height) {
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const bool right = x >= width / 2, bottom = y >= height / 2;
            QColor colour = right ? (bottom ? QColor(20, 40, 200) : QColor(200, 30, 30))
                                  : (bottom ? QColor(250, 250, 250) : QColor(30, 160, 60));
            if (x < 2 && y < 2)
                colour.setAlpha(0);
            image.setPixel(x, y, colour.rgba());
        }
    return image;
}

TEST(Jpeg2000Decoder, ContainerAndCodestreamDecodeToThePicture) {
    const QImage source = quarters(24, 18);
    const struct {
        const char* what;
        bool codestream;
        bool alpha;
    } cases[] = {{"jp2", false, false}, {"j2k", true, false}, {"jp2 with alpha", false, true}};
    for (const auto& c : cases) {
        const QByteArray data = testsupport::jpeg2000Data(source, c.codestream, c.alpha);
        ASSERT_FALSE(data.isEmpty()) << c.what;
        EXPECT_TRUE(Jpeg2000Decoder::isJpeg2000(data)) << c.what;
        const QImage decoded = Jpeg2000Decoder::decode(data);
        ASSERT_EQ(decoded.size(), source.size()) << c.what;
        EXPECT_EQ(decoded.hasAlphaChannel(), c.alpha) << c.what;
        for (const QPoint& at : {QPoint(5, 3), QPoint(20, 3), QPoint(5, 15), QPoint(20, 15)}) {
            const QRgb expected = source.pixel(at);
            const QRgb got = decoded.pixel(at);
            EXPECT_EQ(qRed(got), qRed(expected)) << c.what;
            EXPECT_EQ(qGreen(got), qGreen(expected)) << c.what;
            EXPECT_EQ(qBlue(got), qBlue(expected)) << c.what;
        }
        EXPECT_EQ(qAlpha(decoded.pixel(0, 0)), c.alpha ? 0 : 255) << c.what;
    }
}

TEST(Jpeg2000Decoder, ThePicturePassesToBaselineJpegOnWhite) {
    const QByteArray jpeg = PictureEncoding::jpegData(
        Jpeg2000Decoder::decode(testsupport::jpeg2000Data(quarters(24, 18), false, true)), 90);
    ASSERT_TRUE(jpeg.startsWith("\xFF\xD8\xFF"));
    const QImage back = QImage::fromData(jpeg, "JPEG");
    ASSERT_EQ(back.size(), QSize(24, 18));
    EXPECT_GT(qGray(back.pixel(0, 0)), 200); // the transparent corner on white, not black
    EXPECT_TRUE(PictureEncoding::jpegData(QImage(), 90).isEmpty());
}

TEST(Jpeg2000Decoder, BytesThatAreNoPictureGiveANullImage) {
    const QByteArray jp2 = testsupport::jpeg2000Data(quarters(16, 16));
    const QByteArray j2k = testsupport::jpeg2000Data(quarters(16, 16), true);
    ASSERT_FALSE(jp2.isEmpty());
    const QByteArray cases[] = {
        QByteArray(),
        QByteArray("not a picture at all"),
        QByteArray("\xFF\xD8\xFF\xE0", 4),      // a JPEG's start
        jp2.left(12),                           // the signature box alone
        j2k.left(4),                            // the codestream's first markers alone
        jp2.left(12) + QByteArray(500, '\xFF'), // a signature and noise
        j2k.left(4) + QByteArray(300, '\x00'),  // a codestream start and zeros
    };
    for (const QByteArray& data : cases)
        EXPECT_TRUE(Jpeg2000Decoder::decode(data).isNull()) << data.toHex().left(40).toStdString();
    EXPECT_FALSE(Jpeg2000Decoder::isJpeg2000(QByteArray("\x89PNG\r\n\x1A\n")));
}

// Every length a transfer may cut a file to, and bytes changed at random (a fixed seed): the
// decoder answers a null image or a picture of at most the original size, and never crashes.
TEST(Jpeg2000Decoder, CutAndDamagedFilesNeverCrash) {
    for (const bool codestream : {false, true}) {
        const QByteArray whole = testsupport::jpeg2000Data(quarters(20, 14), codestream);
        ASSERT_FALSE(whole.isEmpty());
        for (qsizetype length = 0; length < whole.size(); length += 7) {
            const QImage image = Jpeg2000Decoder::decode(whole.left(length));
            EXPECT_TRUE(image.isNull() || (image.width() <= 20 && image.height() <= 14)) << length;
        }
        QRandomGenerator random(20240611);
        for (int round = 0; round < 300; ++round) {
            QByteArray damaged = whole;
            for (int changes = 1 + random.bounded(4); changes > 0; --changes)
                damaged[random.bounded(int(damaged.size()))] = char(random.bounded(256));
            const QImage image = Jpeg2000Decoder::decode(damaged);
            EXPECT_LE(qint64(image.width()) * image.height(), Jpeg2000Decoder::kMaxPixels);
        }
    }
}

// A codestream whose size marker claims a picture of 40,000 x 40,000 pixels (1.6 billion): it
// is refused from its header, before any of that is allocated.
TEST(Jpeg2000Decoder, AClaimedHugeSizeIsRefusedFromTheHeader) {
    QByteArray j2k = testsupport::jpeg2000Data(quarters(16, 16), true);
    ASSERT_TRUE(j2k.startsWith(QByteArray("\xFF\x4F\xFF\x51", 4)));
    auto put32 = [&j2k](int at, quint32 value) {
        for (int i = 0; i < 4; ++i)
            j2k[at + i] = char((value >> (24 - 8 * i)) & 0xFF);
    };
    // SIZ: marker (2), length (2), capabilities (2), then the picture's and the tile's sizes.
    put32(8, 40000);  // width
    put32(12, 40000); // height
    put32(24, 40000); // tile width
    put32(28, 40000); // tile height
    EXPECT_TRUE(Jpeg2000Decoder::decode(j2k).isNull());
}

} // namespace
