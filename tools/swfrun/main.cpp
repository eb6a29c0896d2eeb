// swfrun: plays a movie headless.
//   swfrun --frames N --png out.png movie.swf   renders the stage after frame N at scale 1
//   swfrun --frames N --trace movie.swf         runs N frames, printing trace() output (ends early at
//                                               fscommand("quit"))
// Options: --log-actions prints every action run to stderr;
//          --quality low|high (default low: the reference pictures are not anti-aliased);
//          --size WxH renders the stage scaled to fit W x H pixels instead.
#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "swf/avm1/vm.h"
#include "swf/player.h"

namespace {

// There is no user here, so file dialogs answer as a scripted one: the test movies name what
// they expect. A save dialog suggesting "debug-cancel.txt" is cancelled and any other suggested
// name is accepted; an open dialog whose first filter is described "debug-select-success" picks
// test1.txt to test3.txt (one file unless several may be picked); other open dialogs are
// cancelled.
bool scripted_dialog(const swf::avm1::FileDialogRequest& request, std::vector<swf::avm1::ChosenFile>& out) {
    if (request.save) {
        if (request.default_name.empty() || request.default_name == "debug-cancel.txt") return false;
        out.push_back({request.default_name});
        return true;
    }
    if (request.filters.empty() || request.filters[0].description != "debug-select-success") return false;
    for (int i = 1; i <= (request.multiple ? 3 : 1); ++i) out.push_back({"test" + std::to_string(i) + ".txt", 0});
    return true;
}

void put32(std::vector<uint8_t>& v, uint32_t x) {
    for (int s = 24; s >= 0; s -= 8) v.push_back(uint8_t(x >> s));
}

void chunk(std::FILE* f, const char* type, const std::vector<uint8_t>& data) {
    std::vector<uint8_t> buf;
    put32(buf, uint32_t(data.size()));
    buf.insert(buf.end(), type, type + 4);
    buf.insert(buf.end(), data.begin(), data.end());
    uint32_t crc = uint32_t(crc32(0, buf.data() + 4, uInt(buf.size() - 4)));
    put32(buf, crc);
    std::fwrite(buf.data(), 1, buf.size(), f);
}

bool write_png(const std::string& path, const uint8_t* rgba, int w, int h) {
    std::vector<uint8_t> raw;
    raw.reserve(size_t(w * 4 + 1) * h);
    for (int y = 0; y < h; ++y) {
        raw.push_back(0);
        raw.insert(raw.end(), rgba + size_t(y) * w * 4, rgba + size_t(y + 1) * w * 4);
    }
    uLongf zlen = compressBound(uLong(raw.size()));
    std::vector<uint8_t> z(zlen);
    if (compress2(z.data(), &zlen, raw.data(), uLong(raw.size()), 6) != Z_OK) return false;
    z.resize(zlen);
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    std::fwrite("\x89PNG\r\n\x1a\n", 1, 8, f);
    std::vector<uint8_t> ihdr;
    put32(ihdr, uint32_t(w));
    put32(ihdr, uint32_t(h));
    ihdr.insert(ihdr.end(), {8, 6, 0, 0, 0});
    chunk(f, "IHDR", ihdr);
    chunk(f, "IDAT", z);
    chunk(f, "IEND", {});
    bool ok = std::ferror(f) == 0;
    ok = std::fclose(f) == 0 && ok;
    return ok;
}

// A trace line as the player's log shows it: a carriage return starts a new line, and a lone
// surrogate (kept by the machine as a three-byte sequence) shows as the replacement character.
std::string log_text(const std::string& line) {
    std::string out;
    out.reserve(line.size());
    for (size_t i = 0; i < line.size(); ++i) {
        const auto c = uint8_t(line[i]);
        if (c == '\r') {
            out += '\n';
            if (i + 1 < line.size() && line[i + 1] == '\n') ++i;
        } else if (c == 0xED && i + 2 < line.size() && (uint8_t(line[i + 1]) & 0xE0) == 0xA0) {
            out += "\xEF\xBF\xBD";
            i += 2;
        } else {
            out += char(c);
        }
    }
    return out;
}

int usage() {
    std::fprintf(stderr, "usage: swfrun --frames N (--png OUT.png | --trace) [--quality low|high] [--size WxH] MOVIE.swf\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    int frames = 1;
    std::string png, movie;
    bool trace = false, log_actions = false;
    int out_w = 0, out_h = 0;  // 0: the stage size at scale 1
    swf::Quality quality = swf::Quality::Low;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--frames" && i + 1 < argc) {
            frames = std::atoi(argv[++i]);
        } else if (a == "--png" && i + 1 < argc) {
            png = argv[++i];
        } else if (a == "--trace") {
            trace = true;
        } else if (a == "--log-actions") {
            log_actions = true;
        } else if (a == "--size" && i + 1 < argc) {
            if (std::sscanf(argv[++i], "%dx%d", &out_w, &out_h) != 2 || out_w <= 0 || out_h <= 0) return usage();
        } else if (a == "--quality" && i + 1 < argc) {
            quality = std::strcmp(argv[++i], "high") == 0 ? swf::Quality::High : swf::Quality::Low;
        } else if (!a.empty() && a[0] == '-') {
            return usage();
        } else {
            movie = a;
        }
    }
    if (movie.empty() || (png.empty() && !trace)) return usage();

    swf::Player player;
    if (trace)
        player.set_trace_handler([](const std::string& line) {
            const std::string text = log_text(line);
            std::fwrite(text.data(), 1, text.size(), stdout);
            std::fputc('\n', stdout);
        });
    player.set_error_handler([](const std::string& message) { std::fprintf(stderr, "swfrun: %s\n", message.c_str()); });
    player.set_log_actions(log_actions);
    player.set_file_dialog_handler(scripted_dialog);
    auto loaded = player.load_file(movie);
    if (!loaded) {
        std::fprintf(stderr, "swfrun: %s: %s\n", movie.c_str(), loaded.error().reason.c_str());
        return 1;
    }
    player.set_quality(quality);
    player.set_scale_mode(int(out_w ? swf::ScaleMode::ShowAll : swf::ScaleMode::NoScale));
    // The first frame shown counts as frame 1; a movie that asks to quit stops after that frame.
    for (int i = 1; i < frames && !player.quit_requested(); ++i) player.advance();

    if (!png.empty()) {
        const int w = out_w ? out_w : player.stage_width(), h = out_h ? out_h : player.stage_height();
        std::vector<uint8_t> pixels(size_t(w) * h * 4);
        player.render({pixels.data(), w, h, w * 4, swf::PixelFormat::RgbaStraight});
        if (!write_png(png, pixels.data(), w, h)) {
            std::fprintf(stderr, "swfrun: cannot write %s\n", png.c_str());
            return 1;
        }
    }
    std::fflush(stdout);
    return 0;
}
