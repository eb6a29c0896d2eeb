// MP3 sounds through libmpg123's feed interface: the movie's bytes go in as they come (a whole
// DefineSound, or one SoundStreamBlock at a time) and every sample that can be decoded so far
// comes out. Layer III frames lean on earlier frames' data (the bit reservoir), so a stream keeps
// one decoder from block to block.
//
// Lengths: a decoder's output starts with its filter bank's delay and the encoder's own delay,
// and the last frame is padded. The movie says how to cut: DefineSound's SeekSamples counts the
// samples to drop at the start and SampleCount the samples to keep; a stream's first block after
// a start or jump carries the SeekSamples to drop there. The library's own gapless trimming (from
// an encoder's info frame) is switched off so that those counts always apply to the same output.
#include <mpg123.h>

#include <algorithm>

#include "swf/sound/codecs.h"

namespace swf::sound {
namespace {

struct HandleDeleter {
    void operator()(mpg123_handle* h) const { mpg123_delete(h); }
};
using Handle = std::unique_ptr<mpg123_handle, HandleDeleter>;

int16_t read_i16(const uint8_t* p) { return int16_t(p[0] | p[1] << 8); }

// One libmpg123 handle reading from memory. Output is 16-bit; its channels and rate are the
// MP3's own unless the caller fixes them.
class Mp3Feed {
public:
    // `channels` and `rate` 0: whatever the frames carry. Otherwise the library mixes or
    // duplicates channels and resamples to match.
    bool open(int channels, int rate) {
        int err = MPG123_OK;
        handle_.reset(mpg123_new(nullptr, &err));
        mpg123_handle* h = handle_.get();
        if (!h) return false;
        mpg123_param(h, MPG123_ADD_FLAGS, MPG123_QUIET | MPG123_NO_FRANKENSTEIN, 0);
        mpg123_param(h, MPG123_REMOVE_FLAGS, MPG123_GAPLESS, 0);
        mpg123_format_none(h);
        if (rate) {
            mpg123_format(h, rate, channels == 2 ? MPG123_STEREO : MPG123_MONO, MPG123_ENC_SIGNED_16);
        } else {
            const long* rates = nullptr;
            size_t count = 0;
            mpg123_rates(&rates, &count);
            for (size_t i = 0; i < count; ++i)
                mpg123_format(h, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
        }
        failed_ = mpg123_open_feed(h) != MPG123_OK;
        channels_ = rate_ = 0;
        return !failed_;
    }

    // Feeds `size` bytes and appends the samples now available, at most `limit` of them in all
    // (counting every channel). Stops for good at an error the library cannot resync from, or
    // when the channels or rate change mid-stream.
    void feed(const uint8_t* data, size_t size, std::vector<int16_t>& out, size_t limit = SIZE_MAX) {
        if (failed_ || !handle_) return;
        int16_t buffer[4608];  // one MPEG-1 stereo frame
        size_t done = 0;
        int rc = mpg123_decode(handle_.get(), data, size, buffer, sizeof buffer, &done);
        for (;;) {
            const size_t n = std::min(done / sizeof(int16_t), limit - std::min(limit, out.size()));
            out.insert(out.end(), buffer, buffer + n);
            if (out.size() >= limit) return;
            if (rc == MPG123_NEW_FORMAT && !take_format()) rc = MPG123_ERR;
            if (rc == MPG123_NEED_MORE || rc == MPG123_DONE) return;
            if (rc != MPG123_OK && rc != MPG123_NEW_FORMAT) {
                failed_ = true;
                return;
            }
            rc = mpg123_decode(handle_.get(), nullptr, 0, buffer, sizeof buffer, &done);
        }
    }

    int channels() const { return channels_; }
    int rate() const { return rate_; }

private:
    bool take_format() {
        long rate = 0;
        int channels = 0, encoding = 0;
        if (mpg123_getformat(handle_.get(), &rate, &channels, &encoding) != MPG123_OK) return false;
        if (channels_ && (channels != channels_ || rate != rate_)) return false;
        channels_ = channels;
        rate_ = int(rate);
        return true;
    }

    Handle handle_;
    bool failed_ = true;
    int channels_ = 0;
    int rate_ = 0;
};

class Mp3Stream final : public StreamDecoder {
public:
    explicit Mp3Stream(const Format& f) : format_(f) { reset(); }

    // Block: UI16 SampleCount, SI16 SeekSamples, then MP3 data (frames may run on into the
    // next block).
    void decode_block(const uint8_t* data, size_t size, Pcm& out) override {
        if (size < 4) return;
        if (starting_) {
            skip_ = size_t(std::max<int>(read_i16(data + 2), 0)) * size_t(format_.channels());
            starting_ = false;
        }
        decoded_.clear();
        feed_.feed(data + 4, size - 4, decoded_);
        const size_t skip = std::min(skip_, decoded_.size());
        skip_ -= skip;
        out.samples.insert(out.samples.end(), decoded_.begin() + ptrdiff_t(skip), decoded_.end());
    }

    void reset() override {
        feed_.open(format_.channels(), format_.rate());
        starting_ = true;
        skip_ = 0;
    }

private:
    Format format_;
    Mp3Feed feed_;
    std::vector<int16_t> decoded_;
    bool starting_ = true;
    size_t skip_ = 0;
};

}  // namespace

Result<Pcm> decode_mp3_sound(const Format& format, const uint8_t* data, size_t size, uint32_t sample_count) {
    if (size < 2) return Error{"MP3 sound has no data"};
    Mp3Feed feed;
    if (!feed.open(0, 0)) return Error{"MP3 decoder could not start"};
    const int seek = std::max<int>(read_i16(data), 0);
    Pcm pcm;
    // The channel count is known only after the first frame: allow for two when capping.
    const size_t cap = sample_count ? (size_t(seek) + sample_count) * 2 : SIZE_MAX;
    feed.feed(data + 2, size - 2, pcm.samples, cap);
    if (!feed.channels()) return Error{"MP3 sound has no complete frame"};
    pcm.channels = feed.channels();
    pcm.rate = feed.rate();
    const size_t skip = std::min(size_t(seek) * size_t(pcm.channels), pcm.samples.size());
    pcm.samples.erase(pcm.samples.begin(), pcm.samples.begin() + ptrdiff_t(skip));
    const size_t keep = size_t(sample_count) * size_t(pcm.channels);
    if (sample_count && pcm.samples.size() > keep) pcm.samples.resize(keep);
    return pcm;
}

std::unique_ptr<StreamDecoder> make_mp3_stream(const Format& format) {
    return std::make_unique<Mp3Stream>(format);
}

}  // namespace swf::sound
