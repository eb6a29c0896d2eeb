// Time from LoadMovie to the first frame on screen for movies of 1, 20 and 200 MB (a stage with
// one shape and a large binary-data tag, compressed as most movies are), median of three. The
// load runs on the window's thread, so the same time is how long the window does not answer.
//
// Usage: flash_load_time
#include <windows.h>

#include "bench_clock.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include <zlib.h>

#include "flash/FlashPlayback.h"
#include "test_movies.h"

namespace {

// A CWS movie of about `megabytes` uncompressed: the stage and a DefineBinaryData tag of
// pseudo-random bytes (compressible only a little, like packed game assets).
std::vector<uint8_t> BigMovie(int megabytes) {
    std::vector<uint8_t> data(size_t(megabytes) << 20);
    uint32_t x = 12345;
    for (size_t i = 0; i < data.size(); ++i) {
        x = x * 1103515245u + 12345u;
        data[i] = uint8_t((x >> 16) & 0x3F);
    }
    std::vector<uint8_t> tag = {1, 0, 0, 0, 0, 0};  // character 1, reserved
    tag.insert(tag.end(), data.begin(), data.end());
    std::vector<uint8_t> plain = flash_test::StageMovie(400, 300, 1, 24, RGB(0, 0, 64), RGB(255, 200, 0), 40, 40,
                                                        flash_test::Tag(87, tag));
    // Compress the body after the 8-byte header.
    uLongf size = compressBound(uLong(plain.size() - 8));
    std::vector<uint8_t> out(8 + size);
    std::copy(plain.begin(), plain.begin() + 8, out.begin());
    out[0] = 'C';
    compress2(out.data() + 8, &size, plain.data() + 8, uLong(plain.size() - 8), 6);
    out.resize(8 + size);
    return out;
}

}  // namespace

int main() {
    std::printf("movie      file     LoadMovie + first frame (median of 3)\n");
    for (int mb : {1, 20, 200}) {
        flash_test::TempMovie movie(BigMovie(mb), L" big.swf");
        std::vector<double> times;
        for (int run = 0; run < 3; ++run) {
            flash::TFlashPlayback p;
            const double t = NowMs();
            p.LoadMovie(0, movie.Path());
            p.Play();
            p.RenderFrame(1027, 677);
            times.push_back(NowMs() - t);
        }
        std::sort(times.begin(), times.end());
        WIN32_FILE_ATTRIBUTE_DATA info{};
        GetFileAttributesExW(movie.Path().c_str(), GetFileExInfoStandard, &info);
        std::printf("%4d MB  %6.1f MB   %8.1f ms\n", mb, info.nFileSizeLow / 1048576.0, times[1]);
    }
    return 0;
}
