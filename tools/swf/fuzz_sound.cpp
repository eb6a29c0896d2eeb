// libFuzzer entry point for the sound decoders: the input picks a format and is decoded both as
// an event sound and as a run of stream blocks.
//
// Input: [format] [mode] then the sound data.
//   format: bits 0-2 the codec (raw, ADPCM, MP3, raw LE, Nellymoser 16k/8k/any, Speex), bits 3-4
//           the rate, bit 5 16-bit, bit 6 stereo
//   mode:   bits 0-3 the event sound's sample count in steps of 1000 (0: all), bits 4-6 the stream
//           block size in steps of 97 bytes, bit 7 a jump (reset) half way through the blocks
#include <algorithm>
#include <cstdint>

#include "swf/sound/decode.h"

using swf::sound::Codec;
using swf::sound::Format;
using swf::sound::Pcm;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    static const Codec codecs[8] = {Codec::RawNative, Codec::Adpcm,    Codec::Mp3,  Codec::RawLittle,
                                    Codec::Nelly16k,  Codec::Nelly8k, Codec::Nelly, Codec::Speex};
    const Format format{codecs[data[0] & 7], uint8_t(data[0] >> 3 & 3), bool(data[0] & 0x20), bool(data[0] & 0x40)};
    const uint8_t mode = data[1];
    data += 2, size -= 2;

    swf::Result<Pcm> event = swf::sound::decode_sound(format, data, size, uint32_t(mode & 15) * 1000);
    if (event.ok() && (event->channels < 1 || event->samples.size() % size_t(event->channels))) __builtin_trap();

    auto stream = swf::sound::make_stream_decoder(format);
    if (!stream) return 0;
    Pcm out;
    out.channels = format.channels();
    out.rate = format.rate();
    const size_t block = size_t((mode >> 4 & 7) + 1) * 97;
    for (size_t at = 0; at < size; at += block) {
        if (mode & 0x80 && at >= size / 2 && at < size / 2 + block) stream->reset();
        stream->decode_block(data + at, std::min(block, size - at), out);
    }
    if (out.samples.size() % size_t(out.channels)) __builtin_trap();
    return 0;
}
