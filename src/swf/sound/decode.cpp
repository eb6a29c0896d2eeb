#include "swf/sound/decode.h"

namespace swf::sound {
namespace {

// Uncompressed samples: 8-bit ones are unsigned, 16-bit ones signed little-endian.
void decode_raw(const Format& f, const uint8_t* data, size_t size, Pcm& out) {
    if (f.sixteen_bit) {
        const size_t n = size / 2 / size_t(f.channels()) * size_t(f.channels());
        for (size_t i = 0; i < n; ++i) out.samples.push_back(int16_t(data[2 * i] | data[2 * i + 1] << 8));
    } else {
        const size_t n = size / size_t(f.channels()) * size_t(f.channels());
        for (size_t i = 0; i < n; ++i) out.samples.push_back(int16_t((int(data[i]) - 128) << 8));
    }
}

class RawStream final : public StreamDecoder {
public:
    explicit RawStream(const Format& f) : format_(f) {}
    void decode_block(const uint8_t* data, size_t size, Pcm& out) override { decode_raw(format_, data, size, out); }
    void reset() override {}

private:
    Format format_;
};

}  // namespace

Result<Pcm> decode_sound(const Format& format, const uint8_t* data, size_t size, uint32_t sample_count) {
    Pcm out;
    out.channels = format.channels();
    out.rate = format.rate();
    switch (format.codec) {
    case Codec::RawNative:
    case Codec::RawLittle: decode_raw(format, data, size, out); break;
    default: return Error{"sound codec " + std::to_string(int(format.codec)) + " is not supported"};
    }
    const size_t want = size_t(sample_count) * size_t(out.channels);
    if (sample_count && out.samples.size() > want) out.samples.resize(want);
    return out;
}

std::unique_ptr<StreamDecoder> make_stream_decoder(const Format& format) {
    switch (format.codec) {
    case Codec::RawNative:
    case Codec::RawLittle: return std::make_unique<RawStream>(format);
    default: return nullptr;
    }
}

}  // namespace swf::sound
