#include "Jpeg2000Decoder.h"

#include <QBuffer>
#include <QPainter>
#include <QtDebug>

#include <openjpeg.h>

#include <algorithm>
#include <memory>

namespace {

const QByteArray kContainerSignature("\x00\x00\x00\x0C\x6A\x50\x20\x20\x0D\x0A\x87\x0A", 12);
const QByteArray kCodestreamStart("\xFF\x4F\xFF\x51", 4);

// The bytes OpenJPEG reads from, with the position it has reached.
struct Source {
    const QByteArray* data;
    qint64 position = 0;
};

OPJ_SIZE_T readSource(void* buffer, OPJ_SIZE_T bytes, void* userData) {
    auto* source = static_cast<Source*>(userData);
    const qint64 left = source->data->size() - source->position;
    if (left <= 0)
        return static_cast<OPJ_SIZE_T>(-1);
    const qint64 taken = std::min<qint64>(left, static_cast<qint64>(bytes));
    std::copy_n(source->data->constData() + source->position, taken, static_cast<char*>(buffer));
    source->position += taken;
    return static_cast<OPJ_SIZE_T>(taken);
}

OPJ_OFF_T skipSource(OPJ_OFF_T bytes, void* userData) {
    auto* source = static_cast<Source*>(userData);
    const qint64 target = std::clamp<qint64>(source->position + bytes, 0, source->data->size());
    const qint64 skipped = target - source->position;
    source->position = target;
    return skipped;
}

OPJ_BOOL seekSource(OPJ_OFF_T position, void* userData) {
    auto* source = static_cast<Source*>(userData);
    if (position < 0 || position > source->data->size())
        return OPJ_FALSE;
    source->position = position;
    return OPJ_TRUE;
}

// OpenJPEG reports every fault of a damaged file; one line for the whole picture is enough.
void quiet(const char*, void*) {}

struct CodecDeleter {
    void operator()(opj_codec_t* codec) const { opj_destroy_codec(codec); }
};
struct StreamDeleter {
    void operator()(opj_stream_t* stream) const { opj_stream_destroy(stream); }
};
struct ImageDeleter {
    void operator()(opj_image_t* image) const { opj_image_destroy(image); }
};

// A component's sample as 8 bits, whatever its precision and sign.
inline int eightBits(OPJ_INT32 value, const opj_image_comp_t& component) {
    const int precision = static_cast<int>(component.prec);
    qint64 v = value;
    if (component.sgnd)
        v += qint64(1) << (precision - 1);
    if (precision > 8)
        v >>= precision - 8;
    else if (precision < 8)
        v = (v * 255) / ((qint64(1) << precision) - 1);
    return static_cast<int>(std::clamp<qint64>(v, 0, 255));
}

// Checks that every component has its samples and the size the picture's grid gives it.
bool componentsAreComplete(const opj_image_t& image) {
    if (image.numcomps < 1 || image.numcomps > static_cast<OPJ_UINT32>(Jpeg2000Decoder::kMaxComponents))
        return false;
    for (OPJ_UINT32 i = 0; i < image.numcomps; ++i) {
        const opj_image_comp_t& component = image.comps[i];
        if (!component.data || component.w == 0 || component.h == 0 || component.dx == 0 ||
            component.dy == 0 || component.prec < 1 || component.prec > 31)
            return false;
    }
    return true;
}

QImage toImage(const opj_image_t& image) {
    if (!componentsAreComplete(image) || image.x1 <= image.x0 || image.y1 <= image.y0)
        return {};
    const opj_image_comp_t& first = image.comps[0];
    // The picture as the first component spans it; the others are sampled on that grid.
    const int width = static_cast<int>(first.w);
    const int height = static_cast<int>(first.h);
    if (qint64(width) * height > Jpeg2000Decoder::kMaxPixels)
        return {};
    const int components = static_cast<int>(image.numcomps);
    const bool alpha = components == 2 || components == 4;
    const bool colour = components >= 3;
    const bool ycc = colour && image.color_space == OPJ_CLRSPC_SYCC;
    QImage out(width, height, alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (out.isNull())
        return {};
    auto sample = [&](int c, int x, int y) {
        const opj_image_comp_t& component = image.comps[c];
        const qint64 cx = std::min<qint64>(qint64(x) * first.dx / component.dx, component.w - 1);
        const qint64 cy = std::min<qint64>(qint64(y) * first.dy / component.dy, component.h - 1);
        return eightBits(component.data[cy * component.w + cx], component);
    };
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < width; ++x) {
            int r, g, b;
            if (colour) {
                r = sample(0, x, y);
                g = sample(1, x, y);
                b = sample(2, x, y);
                if (ycc) {
                    const double luma = r, cb = g - 128.0, cr = b - 128.0;
                    r = std::clamp(static_cast<int>(luma + 1.402 * cr + 0.5), 0, 255);
                    g = std::clamp(static_cast<int>(luma - 0.344136 * cb - 0.714136 * cr + 0.5), 0, 255);
                    b = std::clamp(static_cast<int>(luma + 1.772 * cb + 0.5), 0, 255);
                }
            } else {
                r = g = b = sample(0, x, y);
            }
            const int a = alpha ? sample(components - 1, x, y) : 255;
            line[x] = qRgba(r, g, b, a);
        }
    }
    return out;
}

} // namespace

bool Jpeg2000Decoder::isJpeg2000(const QByteArray& data) {
    return data.startsWith(kContainerSignature) || data.startsWith(kCodestreamStart);
}

QImage Jpeg2000Decoder::decode(const QByteArray& data) {
    if (!isJpeg2000(data))
        return {};
    const bool container = data.startsWith(kContainerSignature);
    std::unique_ptr<opj_codec_t, CodecDeleter> codec(
        opj_create_decompress(container ? OPJ_CODEC_JP2 : OPJ_CODEC_J2K));
    if (!codec)
        return {};
    opj_set_info_handler(codec.get(), quiet, nullptr);
    opj_set_warning_handler(codec.get(), quiet, nullptr);
    opj_set_error_handler(codec.get(), quiet, nullptr);
    opj_dparameters_t parameters;
    opj_set_default_decoder_parameters(&parameters);
    if (!opj_setup_decoder(codec.get(), &parameters))
        return {};

    Source source{&data};
    std::unique_ptr<opj_stream_t, StreamDeleter> stream(opj_stream_create(64 * 1024, OPJ_TRUE));
    if (!stream)
        return {};
    opj_stream_set_user_data(stream.get(), &source, nullptr);
    opj_stream_set_user_data_length(stream.get(), static_cast<OPJ_UINT64>(data.size()));
    opj_stream_set_read_function(stream.get(), readSource);
    opj_stream_set_skip_function(stream.get(), skipSource);
    opj_stream_set_seek_function(stream.get(), seekSource);

    opj_image_t* header = nullptr;
    if (!opj_read_header(stream.get(), codec.get(), &header)) {
        opj_image_destroy(header);
        qWarning("Jpeg2000Decoder: the picture's header could not be read");
        return {};
    }
    std::unique_ptr<opj_image_t, ImageDeleter> image(header);
    if (image->numcomps < 1 || image->numcomps > static_cast<OPJ_UINT32>(kMaxComponents) ||
        image->x1 <= image->x0 || image->y1 <= image->y0) {
        qWarning("Jpeg2000Decoder: the picture's header describes no picture Larkspoon! reads");
        return {};
    }
    // Large pictures are decoded at a resolution that fits; the header says how large.
    qint64 width = qint64(image->x1) - image->x0;
    qint64 height = qint64(image->y1) - image->y0;
    OPJ_UINT32 reduce = 0;
    while (width * height > kMaxPixels) {
        ++reduce;
        width = (width + 1) / 2;
        height = (height + 1) / 2;
    }
    if (reduce > 0 && !opj_set_decoded_resolution_factor(codec.get(), reduce)) {
        qWarning("Jpeg2000Decoder: the picture is too large to read");
        return {};
    }
    if (!opj_decode(codec.get(), stream.get(), image.get()) ||
        !opj_end_decompress(codec.get(), stream.get())) {
        qWarning("Jpeg2000Decoder: the picture could not be decoded");
        return {};
    }
    return toImage(*image);
}

QByteArray PictureEncoding::jpegData(const QImage& image, int quality) {
    if (image.isNull())
        return {};
    QImage opaque(image.size(), QImage::Format_RGB32);
    opaque.fill(Qt::white);
    {
        QPainter painter(&opaque);
        painter.drawImage(0, 0, image);
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly) || !opaque.save(&buffer, "JPEG", std::clamp(quality, 0, 100)))
        return {};
    return bytes;
}
