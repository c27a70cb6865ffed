#pragma once

#include <QByteArray>
#include <QImage>

namespace testsupport {

// image encoded as JPEG 2000 with OpenJPEG (lossless), as a ".jp2" container or, with
// codestream set, a bare J2K codestream; withAlpha adds the alpha channel as a fourth
// component. Empty when the encoder failed.
QByteArray jpeg2000Data(const QImage& image, bool codestream = false, bool withAlpha = false);

} // namespace testsupport
