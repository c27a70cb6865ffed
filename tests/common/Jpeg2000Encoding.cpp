#include "Jpeg2000Encoding.h"

#include <openjpeg.h>

#include <algorithm>
#include <cstring>

namespace {

struct Sink {
    QByteArray bytes;
    qint64 position = 0;
};

OPJ_SIZE_T writeSink(void* buffer, OPJ_SIZE_T size, void* userData) {
    auto* sink = static_cast<Sink*>(userData);
    const qint64 end = sink->position + qint64(size);
    if (end > sink->bytes.size())
        sink->bytes.resize(end);
    std::memcpy(sink->bytes.data() + sink->position, buffer, size);
    sink->position = end;
    return size;
}

OPJ_OFF_T skipSink(OPJ_OFF_T bytes, void* userData) {
    auto* sink = static_cast<Sink*>(userData);
    sink->position += bytes;
    if (sink->position > sink->bytes.size())
        sink->bytes.resize(sink->position);
    return bytes;
}

OPJ_BOOL seekSink(OPJ_OFF_T position, void* userData) {
    auto* sink = static_cast<Sink*>(userData);
    sink->position = position;
    if (sink->position > sink->bytes.size())
        sink->bytes.resize(sink->position);
    return OPJ_TRUE;
}

} // namespace

QByteArray testsupport::jpeg2000Data(const QImage& source, bool codestream, bool withAlpha) {
    const QImage image = source.convertToFormat(QImage::Format_ARGB32);
    const int components = withAlpha ? 4 : 3;
    opj_image_cmptparm_t parameters[4];
    std::memset(parameters, 0, sizeof parameters);
    for (int c = 0; c < components; ++c) {
        parameters[c].dx = parameters[c].dy = 1;
        parameters[c].w = OPJ_UINT32(image.width());
        parameters[c].h = OPJ_UINT32(image.height());
        parameters[c].prec = 8;
        parameters[c].sgnd = 0;
    }
    opj_image_t* encoded = opj_image_create(OPJ_UINT32(components), parameters, OPJ_CLRSPC_SRGB);
    if (!encoded)
        return {};
    encoded->x1 = OPJ_UINT32(image.width());
    encoded->y1 = OPJ_UINT32(image.height());
    if (withAlpha)
        encoded->comps[3].alpha = 1;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            const int i = y * image.width() + x;
            encoded->comps[0].data[i] = qRed(pixel);
            encoded->comps[1].data[i] = qGreen(pixel);
            encoded->comps[2].data[i] = qBlue(pixel);
            if (withAlpha)
                encoded->comps[3].data[i] = qAlpha(pixel);
        }
    opj_cparameters_t settings;
    opj_set_default_encoder_parameters(&settings);
    settings.tcp_numlayers = 1;
    settings.tcp_rates[0] = 0; // lossless
    settings.cp_disto_alloc = 1;
    settings.numresolution = std::min(3, 1 + std::min(image.width(), image.height()) / 8);
    opj_codec_t* codec = opj_create_compress(codestream ? OPJ_CODEC_J2K : OPJ_CODEC_JP2);
    Sink sink;
    opj_stream_t* stream = opj_stream_create(64 * 1024, OPJ_FALSE);
    opj_stream_set_user_data(stream, &sink, nullptr);
    opj_stream_set_write_function(stream, writeSink);
    opj_stream_set_skip_function(stream, skipSink);
    opj_stream_set_seek_function(stream, seekSink);
    const bool ok = opj_setup_encoder(codec, &settings, encoded) &&
                    opj_start_compress(codec, encoded, stream) && opj_encode(codec, stream) &&
                    opj_end_compress(codec, stream);
    opj_stream_destroy(stream);
    opj_destroy_codec(codec);
    opj_image_destroy(encoded);
    return ok ? sink.bytes : QByteArray();
}
