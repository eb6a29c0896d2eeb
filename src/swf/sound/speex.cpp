// Speex sounds through libspeex: wideband (16 kHz) frames of 320 samples, one after another
// with no container. Frames may run on bit after bit, or each be padded to a whole byte (as the
// encoder's packet writer does, with a terminator pattern); both are read. A tail of under a
// byte is padding.
#include <speex/speex.h>

#include <algorithm>
#include <climits>

#include "swf/sound/codecs.h"

namespace swf::sound {
namespace {

constexpr int kEndOfStream = -1;

class SpeexFrames {
public:
    SpeexFrames() {
        speex_bits_init(&bits_);
        open();
    }
    ~SpeexFrames() {
        speex_decoder_destroy(state_);
        speex_bits_destroy(&bits_);
    }
    SpeexFrames(const SpeexFrames&) = delete;
    SpeexFrames& operator=(const SpeexFrames&) = delete;

    void reset() {
        speex_decoder_destroy(state_);
        open();
    }

    // Appends the frames of one packet.
    void decode(const uint8_t* data, size_t size, std::vector<int16_t>& out) {
        // The bit count must fit the library's int.
        const int bytes = int(std::min<size_t>(size, INT_MAX / 8));
        speex_bits_read_from(&bits_, reinterpret_cast<const char*>(data), bytes);
        std::vector<spx_int16_t> frame(size_t(std::max(frame_size_, 1)));
        while (speex_bits_remaining(&bits_) >= 8) {
            const int rc = speex_decode_int(state_, &bits_, frame.data());
            if (speex_bits_remaining(&bits_) < 0) break;  // a frame cut short
            if (rc == kEndOfStream) {
                skip_to_byte();
                continue;
            }
            if (rc != 0) break;  // damaged
            out.insert(out.end(), frame.begin(), frame.end());
            skip_padding();
        }
    }

private:
    void skip_to_byte() { speex_bits_advance(&bits_, (8 - bits_.bitPtr) & 7); }

    // A packet written on its own ends in a 0 and then 1s up to the byte. A following frame
    // could begin the same way only with a mode that wideband frames at usual qualities do not
    // use (a 0, then 1 and 000 in the next byte).
    void skip_padding() {
        const int pad = (8 - bits_.bitPtr) & 7;
        if (pad && speex_bits_peek_unsigned(&bits_, pad) == (1u << (pad - 1)) - 1) skip_to_byte();
    }

    void open() {
        state_ = speex_decoder_init(speex_lib_get_mode(SPEEX_MODEID_WB));
        speex_decoder_ctl(state_, SPEEX_GET_FRAME_SIZE, &frame_size_);
    }

    SpeexBits bits_;
    void* state_ = nullptr;
    int frame_size_ = 320;
};

}  // namespace

std::unique_ptr<StreamDecoder> make_speex_stream(const Format& format) {
    return std::make_unique<MonoStream<SpeexFrames>>(format);
}

Result<Pcm> decode_speex_sound(const Format& format, const uint8_t* data, size_t size, uint32_t sample_count) {
    Pcm pcm;
    pcm.channels = 1;
    pcm.rate = format.rate();
    SpeexFrames frames;
    frames.decode(data, size, pcm.samples);
    if (sample_count && pcm.samples.size() > sample_count) pcm.samples.resize(sample_count);
    return pcm;
}

}  // namespace swf::sound
