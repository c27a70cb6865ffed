#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>

// Reads JPEG 2000 pictures, which the HTML engine cannot show, so they can be stored in a
// format it can. Both forms are read: the ".jp2" container and a bare codestream (".j2k").
// Input of any size and content is safe: the picture's size is checked from its header
// before anything is decoded, a large one is decoded at a reduced resolution, and a damaged
// one gives a null image.
namespace Jpeg2000Decoder {

// The most pixels a decoded picture may have; larger ones are decoded at half, a quarter,
// ... of their size until they fit (JPEG 2000 keeps those resolutions in the file).
constexpr qint64 kMaxPixels = qint64(24) * 1024 * 1024;
// Pictures with more components than this (colour and alpha) are refused.
constexpr int kMaxComponents = 4;

// Whether data starts as a JPEG 2000 picture (the container's signature box, or the
// codestream's start and size markers).
bool isJpeg2000(const QByteArray& data);

// The picture, or a null image when data is not a JPEG 2000 picture that decodes.
QImage decode(const QByteArray& data);

} // namespace Jpeg2000Decoder

// Baseline JPEG bytes of image at quality (0 to 100), what the pages and printing can show;
// transparent parts are laid on white. Empty for a null image.
namespace PictureEncoding {
QByteArray jpegData(const QImage& image, int quality);
} // namespace PictureEncoding
