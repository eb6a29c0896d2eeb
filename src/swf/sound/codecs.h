// The compressed codecs behind decode_sound() and make_stream_decoder(), one source file each
// (Nellymoser has its own header, nellymoser.h).
// Every decoder appends interleaved 16-bit samples and stops quietly at damaged or missing data,
// keeping what it decoded before.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "swf/sound/decode.h"

namespace swf::sound {

// Copies each sample of a mono codec to `channels` channels.
void append_to_channels(const std::vector<int16_t>& mono, int channels, std::vector<int16_t>& out);

// The stream of a mono codec: `Decoder` has decode(data, size, std::vector<int16_t>& mono) and
// reset(); each block's samples go to every channel of the caller's buffer.
template <typename Decoder>
class MonoStream final : public StreamDecoder {
public:
    explicit MonoStream(const Format& f) : channels_(f.channels()) {}
    void decode_block(const uint8_t* data, size_t size, Pcm& out) override {
        mono_.clear();
        decoder_.decode(data, size, mono_);
        append_to_channels(mono_, channels_, out.samples);
    }
    void reset() override { decoder_.reset(); }

private:
    int channels_;
    Decoder decoder_;
    std::vector<int16_t> mono_;
};

// ADPCM (adpcm.cpp): one complete ADPCM sound, a DefineSound's data or one SoundStreamBlock
// (each block starts with its own code size and packet headers).
void decode_adpcm(const Format& format, const uint8_t* data, size_t size, std::vector<int16_t>& out);

// MP3 (mp3.cpp). `data` starts with DefineSound's SeekSamples field.
Result<Pcm> decode_mp3_sound(const Format& format, const uint8_t* data, size_t size, uint32_t sample_count);
std::unique_ptr<StreamDecoder> make_mp3_stream(const Format& format);

// Speex (speex.cpp): wideband frames at 16 kHz, one after another.
std::unique_ptr<StreamDecoder> make_speex_stream(const Format& format);
Result<Pcm> decode_speex_sound(const Format& format, const uint8_t* data, size_t size, uint32_t sample_count);

}  // namespace swf::sound
