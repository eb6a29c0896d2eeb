// Prints rendering figures for the SWF engine (never asserts on time):
//  (a) ms per frame for 1,000 anti-aliased curved shapes with gradient fills at 1280x720;
//  (b) ms per frame for the heaviest movie of the conformance corpus at its own size;
//  peak memory (VmHWM) of a fresh process playing that movie.
// Usage: swf_bench [--corpus DIR] | swf_bench --movie FILE FRAMES | swf_bench --synthetic
#include <chrono>
#include <ctime>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#ifndef SWF_BENCH_CORPUS
#define SWF_BENCH_CORPUS "../shared/swf-corpus"
#endif
#include <vector>

#include "swf/player.h"
#include "swf/render.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
using Clock = std::chrono::steady_clock;

double ms_since(Clock::time_point t0) {
    return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

// CPU time of this thread in ms: steadier than wall time on a busy machine.
double cpu_ms() {
#ifdef __linux__
    timespec ts;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
#else
    return 0;
#endif
}

// A blob of eight quadratic curves around (cx, cy), radius r (twips).
swf::ShapeData blob(int cx, int cy, int r, uint32_t seed, bool radial) {
    swf::ShapeData s;
    swf::StyleGroup g;
    swf::FillStyle f;
    f.type = radial ? swf::FillType::Radial : swf::FillType::Linear;
    f.matrix = {r / 16384.0, 0, 0, r / 16384.0, double(cx), double(cy)};
    f.gradient.count = 3;
    f.gradient.ratio[0] = 0, f.gradient.ratio[1] = 128, f.gradient.ratio[2] = 255;
    f.gradient.color[0] = {uint8_t(seed), uint8_t(seed >> 8), uint8_t(seed >> 16), 255};
    f.gradient.color[1] = {255, 255, 255, 255};
    f.gradient.color[2] = {uint8_t(seed >> 5), uint8_t(seed >> 13), uint8_t(seed >> 21), 255};
    g.fills.push_back(f);
    const int n = 8;
    auto pt = [&](double a, double rr) {
        return std::pair<int, int>{cx + int(std::cos(a) * rr), cy + int(std::sin(a) * rr)};
    };
    for (int i = 0; i < n; ++i) {
        double a0 = 2 * kPi * i / n, a1 = 2 * kPi * (i + 1) / n;
        auto [x0, y0] = pt(a0, r);
        auto [x1, y1] = pt(a1, r);
        auto [qx, qy] = pt((a0 + a1) / 2, r * 1.25);
        swf::Segment sg;
        sg.x0 = x0, sg.y0 = y0, sg.cx = qx, sg.cy = qy, sg.x1 = x1, sg.y1 = y1;
        sg.curve = true;
        sg.fill1 = 1;
        g.segments.push_back(sg);
    }
    s.groups.push_back(std::move(g));
    return s;
}

// (a) The scene three ways: its first frame (nothing drawn before), later frames of the scene
// standing still (outlines and coverage kept from the frame before), and frames in which every
// shape has moved by a fraction of a pixel (all of it made afresh).
void synthetic_scene() {
    const int W = 1280, H = 720;
    std::vector<uint32_t> pixels(size_t(W) * H);
    std::vector<swf::ShapeData> shapes;
    uint32_t seed = 12345;
    auto rnd = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return seed >> 8;
    };
    for (int i = 0; i < 1000; ++i) {
        int cx = int(rnd() % (W * 20)), cy = int(rnd() % (H * 20));
        int r = 200 + int(rnd() % 600);  // 10..40 px
        shapes.push_back(blob(cx, cy, r, rnd(), i % 2));
    }
    auto frame = [&](swf::RenderContext& ctx, int n) {
        const swf::Matrix to_px{1 / 20.0, 0, 0, 1 / 20.0, n * 0.35, n * 0.15};
        std::fill(pixels.begin(), pixels.end(), 0xFFFFFFFFu);
        for (const auto& s : shapes) swf::draw_shape(ctx, s, to_px, swf::CxForm{});
    };
    auto new_context = [&] {
        auto ctx = std::make_unique<swf::RenderContext>();
        ctx->canvas = {pixels.data(), W, H, W};
        ctx->antialias = true;
        return ctx;
    };
    // The machine is shared: report the best of several rounds.
    const int frames = 20, rounds = 5;
    double first = 1e9, still = 1e9, moving = 1e9;
    for (int round = 0; round < rounds; ++round) {
        auto ctx = new_context();
        double c0 = cpu_ms();
        frame(*ctx, 0);
        first = std::min(first, cpu_ms() - c0);
        c0 = cpu_ms();
        for (int f = 0; f < frames; ++f) frame(*ctx, 0);
        still = std::min(still, (cpu_ms() - c0) / frames);
        c0 = cpu_ms();
        for (int f = 1; f <= frames; ++f) frame(*ctx, f);
        moving = std::min(moving, (cpu_ms() - c0) / frames);
    }
    std::printf("(a) 1000 AA curved shapes, opaque linear/radial gradients, %dx%d, CPU ms per frame (best of %d):\n"
                "    standing still %.2f, every shape moving %.2f, first frame %.2f\n",
                W, H, rounds, still, moving, first);
}

// Plays a movie for `frames` frames, rendering each; returns ms per frame.
double play(const std::string& path, int frames, bool quiet) {
    swf::Player p;
    if (!p.load_file(path)) return -1;
    p.set_quality(swf::Quality::High);
    const int w = p.stage_width(), h = p.stage_height();
    std::vector<uint32_t> px(size_t(w) * h);
    swf::RenderTarget t{px.data(), w, h, w * 4, swf::PixelFormat::BgraPremultiplied};
    auto t0 = Clock::now();
    for (int i = 0; i < frames; ++i) {
        if (i) p.advance();
        p.render(t);
    }
    double ms = ms_since(t0) / std::max(1, frames);
    if (!quiet) std::printf("%s: %dx%d, %.2f ms/frame\n", path.c_str(), w, h, ms);
    return ms;
}

long peak_kib() {
    std::ifstream f("/proc/self/status");
    std::string line;
    while (std::getline(f, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6);
    return -1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "--movie") == 0) {
        play(argv[2], std::atoi(argv[3]), false);
        long kib = peak_kib();
        if (kib >= 0) std::printf("peak memory (VmHWM): %.1f MiB\n", kib / 1024.0);
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "--synthetic") == 0) {
        synthetic_scene();
        return 0;
    }
    std::string corpus = SWF_BENCH_CORPUS;
    if (argc == 3 && std::strcmp(argv[1], "--corpus") == 0) corpus = argv[2];

    synthetic_scene();

    // (b) the heaviest script-free image movie: the one that takes longest per frame.
    std::ifstream manifest(corpus + "/manifest.tsv");
    std::string line, heaviest;
    double worst = -1;
    int worst_frames = 1;
    std::getline(manifest, line);
    while (std::getline(manifest, line)) {
        std::vector<std::string> f;
        std::stringstream ss(line);
        std::string cell;
        while (std::getline(ss, cell, '\t')) f.push_back(cell);
        if (f.size() < 10 || (f[1] != "image" && f[1] != "both") || f[9] != "none") continue;
        std::string path = corpus + "/cases/" + f[0] + "/movie.swf";
        int frames = std::max(1, std::atoi(f[2].c_str()));
        double ms = play(path, std::min(frames, 60), true);
        if (ms > worst) worst = ms, heaviest = path, worst_frames = frames;
    }
    if (heaviest.empty()) {
        std::printf("(b) corpus not found at %s\n", corpus.c_str());
        return 0;
    }
    std::printf("(b) heaviest corpus movie, single-threaded, anti-aliased:\n    ");
    play(heaviest, worst_frames, false);
#ifdef __linux__
    std::string cmd = std::string(argv[0]) + " --movie '" + heaviest + "' " + std::to_string(worst_frames);
    std::fflush(stdout);
    if (std::system(cmd.c_str()) != 0) std::printf("peak memory: not measured\n");
#endif
    return 0;
}
