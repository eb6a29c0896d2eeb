// Reading and parsing a movie file, on the caller's thread or on a worker thread of its own.
//
// TMovieLoad is one background load: it reads the file in steps (so that it can report how far
// it got and stop at once when cancelled), parses it, and posts a message to a window when it is
// done. The owner may drop it at any time; the worker then finishes alone and posts nothing.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace swf { struct Movie; }

namespace flash {

// How far a read got, for a caller on another thread; `cancel` stops it.
struct TReadProgress {
    std::atomic<std::uint64_t> done{0};
    std::atomic<std::uint64_t> total{0};
    std::atomic<bool> cancel{false};
};

// The bytes of a movie file at a full local path; EOleError with the reason when it cannot be
// read, is larger than kMaxMovieFileSize, or the read was cancelled.
std::vector<std::uint8_t> ReadMovieFile(const std::wstring& path, TReadProgress* progress = nullptr);

// Parses movie bytes; EOleError when they are no readable movie.
std::shared_ptr<const swf::Movie> ParseMovie(const std::vector<std::uint8_t>& data);

// UTF-8 (the engine's text) as UTF-16.
std::wstring FromUtf8(const std::string& text);

// The size of the file, or 0 when it cannot be asked.
std::uint64_t MovieFileSize(const std::wstring& path);

class TMovieLoad {
public:
    // Starts reading `path` on a worker thread; `message` goes to `window` when it is done.
    TMovieLoad(std::wstring path, HWND window, UINT message);
    // Cancels the load if it is still running.
    ~TMovieLoad();
    TMovieLoad(const TMovieLoad&) = delete;
    TMovieLoad& operator=(const TMovieLoad&) = delete;

    const std::wstring& Path() const { return FPath; }
    // 0..100: the part of the file read so far.
    int Percent() const;
    bool Done() const;
    // Once done: the movie, or null and the reason in Error().
    std::shared_ptr<const swf::Movie> Movie() const;
    std::wstring Error() const;
    DWORD StartedAt() const { return FStarted; }

private:
    struct TShared;
    std::wstring FPath;
    DWORD FStarted;
    std::shared_ptr<TShared> FShared;
};

} // namespace flash
