// Chooses the decoder for a sound's codec. Uncompressed samples are read here; the compressed
// codecs live in their own files (codecs.h, nellymoser.h).
//
// Channels: an event sound comes back with the channels its data holds (a mono codec gives
// mono whatever the format's flag says; the mixer spreads it). A stream decoder fills the
// caller's buffer, whose channel count is the format's, so it copies a mono codec's samples to
// each channel.
#include "swf/sound/decode.h"

#include "swf/character.h"
#include "swf/sound/codecs.h"
#include "swf/sound/nellymoser.h"
#include "swf/sound/resample.h"

namespace swf::sound {
namespace {

// Uncompressed samples: 8-bit ones are unsigned, 16-bit ones signed little-endian.
void decode_raw(const Format& f, const uint8_t* data, size_t size, std::vector<int16_t>& out) {
    if (f.sixteen_bit) {
        const size_t n = size / 2 / size_t(f.channels()) * size_t(f.channels());
        for (size_t i = 0; i < n; ++i) out.push_back(int16_t(data[2 * i] | data[2 * i + 1] << 8));
    } else {
        const size_t n = size / size_t(f.channels()) * size_t(f.channels());
        for (size_t i = 0; i < n; ++i) out.push_back(int16_t((int(data[i]) - 128) << 8));
    }
}

// Codecs whose blocks stand alone: each stream block is a whole sound of its own.
class BlockStream final : public StreamDecoder {
public:
    explicit BlockStream(const Format& f) : format_(f) {}
    void decode_block(const uint8_t* data, size_t size, Pcm& out) override {
        if (format_.codec == Codec::Adpcm)
            decode_adpcm(format_, data, size, out.samples);
        else
            decode_raw(format_, data, size, out.samples);
    }
    void reset() override {}

private:
    Format format_;
};

}  // namespace

void append_to_channels(const std::vector<int16_t>& mono, int channels, std::vector<int16_t>& out) {
    for (int16_t s : mono) out.insert(out.end(), size_t(channels), s);
}

Result<Pcm> decode_sound(const Format& format, const uint8_t* data, size_t size, uint32_t sample_count) {
    if (format.codec == Codec::Mp3) return decode_mp3_sound(format, data, size, sample_count);
    if (format.codec == Codec::Speex) return decode_speex_sound(format, data, size, sample_count);
    Pcm out;
    out.channels = format.channels();
    out.rate = format.rate();
    switch (format.codec) {
    case Codec::RawNative:
    case Codec::RawLittle: decode_raw(format, data, size, out.samples); break;
    case Codec::Adpcm: decode_adpcm(format, data, size, out.samples); break;
    case Codec::Nelly16k:
    case Codec::Nelly8k:
    case Codec::Nelly: {
        out.channels = 1;
        nellymoser::Decoder decoder;
        decoder.decode(data, size, out.samples);
        break;
    }
    default: return Error{"sound codec " + std::to_string(int(format.codec)) + " is not supported"};
    }
    const size_t want = size_t(sample_count) * size_t(out.channels);
    if (sample_count && out.samples.size() > want) out.samples.resize(want);
    return out;
}

std::unique_ptr<StreamDecoder> make_stream_decoder(const Format& format) {
    switch (format.codec) {
    case Codec::RawNative:
    case Codec::RawLittle:
    case Codec::Adpcm: return std::make_unique<BlockStream>(format);
    case Codec::Mp3: return make_mp3_stream(format);
    case Codec::Nelly16k:
    case Codec::Nelly8k:
    case Codec::Nelly: return std::make_unique<MonoStream<nellymoser::Decoder>>(format);
    case Codec::Speex: return make_speex_stream(format);
    default: return nullptr;
    }
}

}  // namespace swf::sound

namespace swf::sound {

Result<std::unique_ptr<SoundDef>> sound_from_mp3_file(const uint8_t* data, size_t size) {
    // As an event sound: no samples to skip at the start, the file's own rate and channels.
    std::vector<uint8_t> stored = {0, 0};
    stored.insert(stored.end(), data, data + size);
    auto decoded = decode_sound(Format{Codec::Mp3, 3, true, true}, stored.data(), stored.size(), 0);
    if (!decoded) return decoded.error();
    Pcm pcm = std::move(decoded.value());
    if (pcm.frames() == 0) return Error{"the file holds no MP3 audio"};
    int rate_code = -1;
    for (int code = 0; code < 4; ++code)
        if (pcm.rate == Format{Codec::RawLittle, uint8_t(code)}.rate()) rate_code = code;
    if (rate_code < 0) {
        // 48, 32, 24, 16, 12 or 8 kHz: brought to the mixer's rate here.
        Resampler to44(pcm.rate, pcm.channels);
        std::vector<int16_t> out;
        to44.push(pcm.samples.data(), pcm.frames(), out);
        to44.finish(out);
        pcm.samples = std::move(out);
        pcm.rate = kOutputRate;
        rate_code = 3;
    }
    auto def = std::make_unique<SoundDef>();
    def->format = uint8_t(Codec::RawLittle);
    def->rate_code = uint8_t(rate_code);
    def->sixteen_bit = true;
    def->stereo = pcm.channels == 2;
    def->sample_count = uint32_t(pcm.frames());
    def->data.reserve(pcm.samples.size() * 2);
    for (int16_t v : pcm.samples) def->data.push_back(uint8_t(v)), def->data.push_back(uint8_t(uint16_t(v) >> 8));
    return def;
}

}  // namespace swf::sound
