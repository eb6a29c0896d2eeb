// Sound decoding: the codecs a movie's sounds are stored in, turned into 16-bit samples.
// DefineSound and SoundStreamHead describe their samples with the same fields (Format); an event
// sound is decoded whole, a stream sound block by block as the timeline reaches it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "swf/types.h"

namespace swf {
struct SoundDef;
}

namespace swf::sound {

enum class Codec : uint8_t {
    RawNative = 0,  // stored in the writer's byte order; in practice little-endian
    Adpcm = 1,
    Mp3 = 2,
    RawLittle = 3,
    Nelly16k = 4,
    Nelly8k = 5,
    Nelly = 6,
    Speex = 11,
};

// How a sound's samples are stored.
struct Format {
    Codec codec = Codec::RawNative;
    uint8_t rate_code = 0;  // 0 5.5 kHz, 1 11 kHz, 2 22 kHz, 3 44 kHz
    bool sixteen_bit = false;
    bool stereo = false;

    int channels() const { return stereo ? 2 : 1; }
    // Samples per second of the decoded signal. The two fixed-rate Nellymoser codecs and Speex
    // ignore the rate field.
    int rate() const {
        if (codec == Codec::Nelly16k || codec == Codec::Speex) return 16000;
        if (codec == Codec::Nelly8k) return 8000;
        static const int rates[4] = {5512, 11025, 22050, 44100};
        return rates[rate_code & 3];
    }
};

// Decoded samples: signed 16-bit, interleaved `channels` per frame, at `rate` frames a second.
struct Pcm {
    std::vector<int16_t> samples;
    int channels = 1;
    int rate = 44100;
    size_t frames() const { return channels ? samples.size() / size_t(channels) : 0; }
};

// Decodes a whole event sound: DefineSound's sound data (for MP3 starting with its SeekSamples
// field). `sample_count` is the stored count per channel; the result is cut to it where the
// codec delivers more. A damaged stream yields the samples before the damage.
Result<Pcm> decode_sound(const Format& format, const uint8_t* data, size_t size, uint32_t sample_count);

// An MP3 file read by a script (Sound.loadSound) as an event sound: uncompressed 16-bit samples
// at the nearest rate a movie's sounds may have (other rates are converted to 44.1 kHz). An
// error when the bytes hold no MP3 audio.
Result<std::unique_ptr<SoundDef>> sound_from_mp3_file(const uint8_t* data, size_t size);

// Decodes a stream sound's SoundStreamBlock payloads in timeline order, keeping the codec's
// state from block to block (MP3 frames may span blocks).
class StreamDecoder {
public:
    virtual ~StreamDecoder() = default;
    // Appends the block's samples to `out`, whose channels and rate are the format's.
    virtual void decode_block(const uint8_t* data, size_t size, Pcm& out) = 0;
    // The timeline jumped: the next block does not follow the last one.
    virtual void reset() = 0;
};

// Null for a codec this player cannot decode (the caller reports it and plays silence).
std::unique_ptr<StreamDecoder> make_stream_decoder(const Format& format);

}  // namespace swf::sound
