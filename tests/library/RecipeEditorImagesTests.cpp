// The pictures of the image wells as stored: cover-cropped to 800 x 600 around the centre,
// JPEG on white, and the marker text a picture dragged into the directions leaves.
#include "library/RecipeEditorImages.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

namespace {

using namespace RecipeEditorImages;

bool near(QRgb pixel, QColor expected, int tolerance = 40) {
    return std::abs(qRed(pixel) - expected.red()) <= tolerance &&
           std::abs(qGreen(pixel) - expected.green()) <= tolerance &&
           std::abs(qBlue(pixel) - expected.blue()) <= tolerance;
}

// White, with a red stripe through the middle and blue and green strips at the two ends
// of the long side, which a centred crop of a 4:3 picture cuts away.
QImage landscapeWithStripes() {
    QImage image(1600, 900, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.fillRect(0, 0, 150, 900, Qt::blue);
    painter.fillRect(1450, 0, 150, 900, Qt::green);
    painter.fillRect(780, 0, 40, 900, Qt::red);
    return image;
}

TEST(RecipeEditorImages, WideAndTallPicturesCoverTheWellAndLoseTheirEndsEqually) {
    const QImage wide = coverCropped(landscapeWithStripes());
    ASSERT_EQ(wide.size(), QSize(800, 600));
    EXPECT_TRUE(near(wide.pixel(400, 300), Qt::red));
    EXPECT_TRUE(near(wide.pixel(2, 300), Qt::white));   // blue strip cut away on the left
    EXPECT_TRUE(near(wide.pixel(797, 300), Qt::white)); // and green on the right

    QImage tall(400, 1000, QImage::Format_RGB32);
    tall.fill(Qt::white);
    QPainter(&tall).fillRect(0, 490, 400, 20, Qt::red);
    const QImage covered = coverCropped(tall);
    ASSERT_EQ(covered.size(), QSize(800, 600));
    EXPECT_TRUE(near(covered.pixel(0, 300), Qt::red));
    EXPECT_TRUE(near(covered.pixel(799, 300), Qt::red));
    EXPECT_TRUE(near(covered.pixel(400, 250), Qt::white));

    EXPECT_TRUE(coverCropped(QImage()).isNull());
    EXPECT_TRUE(coverCropped(tall, QSize(0, 10)).isNull());
}

TEST(RecipeEditorImages, JpegRoundTripsAtWellSizeAndTransparencyShowsWhite) {
    const QByteArray data = jpegDataForWellImage(landscapeWithStripes());
    ASSERT_TRUE(data.startsWith("\xFF\xD8"));
    const QImage decoded = QImage::fromData(data, "JPEG");
    ASSERT_EQ(decoded.size(), QSize(800, 600));
    EXPECT_TRUE(near(decoded.pixel(400, 300), Qt::red));

    // Transparent pixels hold black colour channels; the stored picture must be white there.
    QImage clear(200, 150, QImage::Format_ARGB32);
    clear.fill(Qt::transparent);
    QPainter(&clear).fillRect(0, 0, 100, 150, Qt::blue);
    const QImage opaque = QImage::fromData(jpegDataForWellImage(clear), "JPEG");
    ASSERT_EQ(opaque.size(), QSize(800, 600));
    EXPECT_TRUE(near(opaque.pixel(200, 300), Qt::blue));
    EXPECT_TRUE(near(opaque.pixel(600, 300), Qt::white));

    EXPECT_TRUE(jpegDataForWellImage(QImage()).isEmpty());
}

TEST(RecipeEditorImages, DragTextNamesWellsOneToTwelveOnly) {
    EXPECT_EQ(dragTextForWell(1), QStringLiteral(" [1] "));
    EXPECT_EQ(dragTextForWell(12), QStringLiteral(" [12] "));
    EXPECT_TRUE(dragTextForWell(0).isEmpty());
    EXPECT_TRUE(dragTextForWell(13).isEmpty());
}

} // namespace
