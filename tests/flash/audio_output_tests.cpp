#include "flash/AudioOutput.h"
#include "flash/FlashPlayback.h"
#include "test_movies.h"

#include <windows.h>

#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <vector>

using namespace flash;

// With or without a sound device the output never holds anyone up: it either plays (and pulls
// from the source) or says once that it is silent, and Stop ends it promptly either way.
TEST(AudioOutput, PlaysOrFallsSilentAndStopsPromptly) {
    std::atomic<long long> pulled{0};
    std::atomic<int> reports{0};
    TAudioOutput out(
        [&](std::int16_t* samples, std::size_t frames) {
            for (std::size_t i = 0; i < frames * 2; ++i) samples[i] = 0;
            pulled += (long long)frames;
        },
        [&](const std::string& message) {
            EXPECT_FALSE(message.empty());
            ++reports;
        });
    out.Start();
    out.Start();  // a second start changes nothing
    EXPECT_TRUE(out.Running());
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (std::chrono::steady_clock::now() < until && pulled == 0 && reports == 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (pulled > 0) {
        EXPECT_EQ(reports, 0);
    } else {
        EXPECT_EQ(reports, 1);
        EXPECT_EQ(out.Device(), TAudioOutput::TDevice::None);
    }
    const auto before = std::chrono::steady_clock::now();
    out.Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(1));
    EXPECT_FALSE(out.Running());
    const long long after_stop = pulled;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(pulled, after_stop);
    EXPECT_EQ(out.Device(), TAudioOutput::TDevice::None);
}

// The movie keeps playing whatever the sound device does.
TEST(AudioOutput, TheMovieRunsOnWithoutADevice) {
    flash_test::TempMovie movie(flash_test::StageMovie(100, 50, 5, 20, RGB(0, 0, 255), RGB(255, 0, 0)));
    TFlashPlayback p;
    p.LoadMovie(0, movie.Path());
    p.Play();
    for (int i = 0; i < 4; ++i) EXPECT_TRUE(p.Tick());
    EXPECT_EQ(p.CurrentFrame(), 4);
}
