// Pixel generators behind BitmapData.perlinNoise and pixelDissolve, kept apart from the script
// bindings so that they work on plain pixel arrays.
#pragma once

#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

namespace swf::avm1 {

struct PerlinOptions {
    double base_x = 0, base_y = 0;  // feature size in pixels; 0 keeps that direction constant
    int octaves = 0;
    int32_t seed = 0;
    bool stitch = false;   // make the tile wrap seamlessly
    bool fractal = false;  // signed sum (fractal noise) rather than a sum of magnitudes (turbulence)
    int channels = 7;      // 1 red, 2 green, 4 blue, 8 alpha
    bool gray = false;     // one value for red, green and blue
    std::vector<std::pair<double, double>> offsets;  // per octave, in pixels; missing ones are 0
};

// Fills premultiplied 0xAARRGGBB pixels, `width` per row, with noise. Channels left out are 0,
// alpha 255 when it is left out or the bitmap is opaque.
void perlin_noise(uint32_t* pixels, int width, int height, bool transparent, const PerlinOptions& o);

// Visits `count` pixels of a width x height area in a fixed scattered order that reaches every
// pixel once per round, starting where `seed` says, and returns the seed that carries on from
// there. Every seed names a place in the round; seed 0 starts it. The top-left pixel is the round's
// first and is visited without counting, so `count` one less than the area completes a round.
int32_t dissolve_pixels(int width, int height, int32_t seed, int64_t count, const std::function<void(int, int)>& visit);

}  // namespace swf::avm1
