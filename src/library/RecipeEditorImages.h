#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

// The pictures of a recipe's twelve image wells as the library stores them: 800 x 600
// pixels, the picture scaled to cover that size with the overflow cut off equally on both
// sides, as a JPEG of quality 40.
namespace RecipeEditorImages {

// The picture scaled so that it covers target, then cropped to target around its centre.
// A null picture or an empty target gives a null image.
QImage coverCropped(const QImage& image, QSize target = {800, 600});

// coverCropped() of the picture, composited on white when it has an alpha channel, as
// JPEG bytes of quality 40. Empty for a null picture or when the encoder fails.
QByteArray jpegDataForWellImage(const QImage& image);

// The text a picture dragged out of well N leaves in the directions: " [N] " for N from
// 1 to 12, empty for any other number.
QString dragTextForWell(int number);

} // namespace RecipeEditorImages
