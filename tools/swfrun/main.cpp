// swfrun: plays a movie headless.
//   swfrun --frames N --png out.png movie.swf   renders the stage after frame N at scale 1
//   swfrun --frames N --trace movie.swf         runs N frames, printing trace() output (ends early at
//                                               fscommand("quit"))
// Options: --log-actions prints every action run to stderr;
//          --quality low|high (default low: the reference pictures are not anti-aliased);
//          --size WxH renders the stage scaled to fit W x H pixels instead;
//          --wav OUT.wav writes the sound of the frames run (16-bit stereo, 44.1 kHz);
//          --input FILE plays the pointer and key events the file lists between frames (below).
#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
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

// The movie's sound, frame by frame: after each frame exactly the samples that frame lasts at
// the movie's rate (the fractions carried, so N frames give N / rate seconds), kept for a WAV
// file when one was asked for. Mixing even without one lets sounds end and report it as they
// would in a player.
class AudioCapture {
public:
    AudioCapture(double frame_rate, bool keep) : rate_(frame_rate), keep_(keep) {}

    void frame(swf::Player& player) {
        ++frames_;
        const auto due = uint64_t(std::floor(double(frames_) * 44100.0 / rate_));
        const size_t n = size_t(due - mixed_);
        mixed_ = due;
        scratch_.resize(n * 2);
        player.mix_audio(scratch_.data(), n);
        if (keep_) samples_.insert(samples_.end(), scratch_.begin(), scratch_.end());
    }

    // 16-bit stereo PCM at 44.1 kHz.
    bool write_wav(const std::string& path) const {
        std::vector<uint8_t> out;
        auto u32 = [&](uint32_t v) { for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i))); };
        auto u16 = [&](uint16_t v) { out.push_back(uint8_t(v)), out.push_back(uint8_t(v >> 8)); };
        const auto data_bytes = uint32_t(samples_.size() * 2);
        out.insert(out.end(), {'R', 'I', 'F', 'F'});
        u32(36 + data_bytes);
        out.insert(out.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
        u32(16);
        u16(1);  // PCM
        u16(2);
        u32(44100);
        u32(44100 * 4);
        u16(4);
        u16(16);
        out.insert(out.end(), {'d', 'a', 't', 'a'});
        u32(data_bytes);
        for (int16_t v : samples_) u16(uint16_t(v));
        std::FILE* f = std::fopen(path.c_str(), "wb");
        if (!f) return false;
        bool ok = std::fwrite(out.data(), 1, out.size(), f) == out.size();
        ok = std::fclose(f) == 0 && ok;
        return ok;
    }

private:
    double rate_;
    bool keep_;
    uint64_t frames_ = 0, mixed_ = 0;
    std::vector<int16_t> scratch_, samples_;
};

// An --input script: one command a line, '#' starting a comment. Positions are stage pixels (the
// events arrive before anything is rendered, so the stage is at scale 1), keys Windows
// virtual-key codes, characters their code points.
//   wait N          advance N frames (they count in --frames)
//   move X Y        the pointer moves to (X, Y)
//   down X Y        the button goes down at (X, Y); up X Y: it comes up
//   wheel D         the wheel turns D lines
//   key VK [CH]     a key goes down, types CH if given, comes up
//   keydown VK [CH] / keyup VK
//   type TEXT       each character of the rest of the line typed (comments included)
struct InputEvent {
    enum Kind { Wait, Move, Down, Up, Wheel, Key, KeyDown, KeyUp, Type } kind = Wait;
    double x = 0, y = 0;
    int n = 0, ch = 0;  // frames, wheel lines or key code; the typed character
    std::u32string text;
};

std::u32string utf8_to_code_points(const std::string& s) {
    std::u32string out;
    for (size_t i = 0; i < s.size();) {
        const auto c = uint8_t(s[i]);
        const int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
        char32_t cp = extra ? c & (0x3F >> extra) : c;
        for (int k = 1; k <= extra && i + k < s.size(); ++k) cp = (cp << 6) | (uint8_t(s[i + k]) & 0x3F);
        out.push_back(cp);
        i += size_t(extra) + 1;
    }
    return out;
}

// One command line into `e`; false when it is not understood.
bool parse_event(const std::string& line, InputEvent& e) {
    static const std::pair<const char*, InputEvent::Kind> kCommands[] = {
        {"wait", InputEvent::Wait}, {"move", InputEvent::Move}, {"down", InputEvent::Down},
        {"up", InputEvent::Up}, {"wheel", InputEvent::Wheel}, {"key", InputEvent::Key},
        {"keydown", InputEvent::KeyDown}, {"keyup", InputEvent::KeyUp}, {"type", InputEvent::Type},
    };
    std::istringstream in(line);
    std::string word;
    in >> word;
    const auto* command = std::find_if(std::begin(kCommands), std::end(kCommands),
                                       [&](const auto& c) { return word == c.first; });
    if (command == std::end(kCommands)) return false;
    e.kind = command->second;
    switch (e.kind) {
    case InputEvent::Move:
    case InputEvent::Down:
    case InputEvent::Up: return bool(in >> e.x >> e.y);
    case InputEvent::Key:
    case InputEvent::KeyDown:
        if (!(in >> e.n)) return false;
        if (!(in >> e.ch)) e.ch = 0;  // a key that types nothing
        return true;
    case InputEvent::Type: {
        // The rest of the line after one space, as it is.
        const size_t at = line.find(word) + word.size() + 1;
        e.text = utf8_to_code_points(at < line.size() ? line.substr(at) : std::string());
        return true;
    }
    default: return bool(in >> e.n);
    }
}

// Reads the script; false with `error` naming the line when a command is not understood.
bool read_input_script(const std::string& path, std::vector<InputEvent>& events, std::string& error) {
    std::ifstream file(path);
    if (!file) {
        error = "cannot read " + path;
        return false;
    }
    std::string line;
    for (int number = 1; std::getline(file, line); ++number) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos || line[first] == '#') continue;
        InputEvent e;
        if (!parse_event(line, e)) {
            error = path + ":" + std::to_string(number) + ": cannot read \"" + line + "\"";
            return false;
        }
        events.push_back(std::move(e));
    }
    return true;
}

// One event other than a wait, as the host would pass it on.
void play_event(swf::Player& player, const InputEvent& e) {
    switch (e.kind) {
    case InputEvent::Move: player.mouse_move(e.x, e.y); break;
    case InputEvent::Down: player.mouse_down(e.x, e.y); break;
    case InputEvent::Up: player.mouse_up(e.x, e.y); break;
    case InputEvent::Wheel: player.mouse_wheel(e.n); break;
    case InputEvent::Key:
    case InputEvent::KeyDown:
        player.key_down(e.n, e.ch);
        if (e.ch) player.char_typed(uint32_t(e.ch));
        if (e.kind == InputEvent::Key) player.key_up(e.n);
        break;
    case InputEvent::KeyUp: player.key_up(e.n); break;
    case InputEvent::Type:
        for (char32_t c : e.text) player.char_typed(uint32_t(c));
        break;
    case InputEvent::Wait: break;
    }
}

int usage() {
    std::fprintf(stderr, "usage: swfrun --frames N (--png OUT.png | --trace | --wav OUT.wav) [--quality low|high] [--size WxH] [--input FILE] MOVIE.swf\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    int frames = 1;
    std::string png, wav, input, movie;
    bool trace = false, log_actions = false;
    int out_w = 0, out_h = 0;  // 0: the stage size at scale 1
    swf::Quality quality = swf::Quality::Low;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--frames" && i + 1 < argc) {
            frames = std::atoi(argv[++i]);
        } else if (a == "--png" && i + 1 < argc) {
            png = argv[++i];
        } else if (a == "--wav" && i + 1 < argc) {
            wav = argv[++i];
        } else if (a == "--input" && i + 1 < argc) {
            input = argv[++i];
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
    if (movie.empty() || (png.empty() && wav.empty() && !trace)) return usage();
    std::vector<InputEvent> events;
    if (std::string error; !input.empty() && !read_input_script(input, events, error)) {
        std::fprintf(stderr, "swfrun: %s\n", error.c_str());
        return 2;
    }

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
    AudioCapture audio(player.frame_rate(), !wav.empty());
    audio.frame(player);
    int shown = 1;
    auto next_frame = [&] {
        if (shown >= frames || player.quit_requested()) return false;
        player.advance();
        audio.frame(player);
        ++shown;
        return true;
    };
    // The scripted events between frames, then the frames left.
    for (const InputEvent& e : events) {
        if (player.quit_requested()) break;
        if (e.kind == InputEvent::Wait) {
            for (int n = 0; n < e.n && next_frame(); ++n) {}
        } else {
            play_event(player, e);
        }
    }
    while (next_frame()) {}
    if (!wav.empty() && !audio.write_wav(wav)) {
        std::fprintf(stderr, "swfrun: cannot write %s\n", wav.c_str());
        return 1;
    }

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
