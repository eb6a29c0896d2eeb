#include "flash/MovieLoader.h"

#include "flash/FlashPlayback.h"
#include "swf/movie.h"
#include "ui/Application.h"
#include "ui/FilePath.h"
#include "ui/KernelHandle.h"

#include <algorithm>
#include <mutex>
#include <thread>

namespace flash {

namespace {

ui::KernelHandle OpenMovieFile(const std::wstring& path) {
    // The W call takes the path as it is: names outside the ANSI code page open fine.
    // A directory fails here with "access denied", since FILE_FLAG_BACKUP_SEMANTICS is not given.
    return ui::KernelHandle(CreateFileW(ui::ExtendedLengthPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
}


} // namespace

std::wstring FromUtf8(const std::string& text) {
    if (text.empty()) return {};
    int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0);
    std::wstring out(size_t(std::max(n, 0)), L'\0');
    if (n > 0) MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), out.data(), n);
    return out;
}

std::vector<std::uint8_t> ReadMovieFile(const std::wstring& path, TReadProgress* progress) {
    ui::KernelHandle file = OpenMovieFile(path);
    if (!file.Valid()) throw EOleError(L"Cannot open the movie file: " + ui::SystemErrorText(GetLastError()));
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.Get(), &size)) throw EOleError(L"Cannot read the movie file: " + ui::SystemErrorText(GetLastError()));
    if (std::uint64_t(size.QuadPart) > kMaxMovieFileSize) throw EOleError(L"The movie file is too large");
    if (progress) progress->total = std::uint64_t(size.QuadPart);
    std::vector<std::uint8_t> data(size_t(size.QuadPart));
    size_t done = 0;
    // Steps of 1 MiB when someone watches (progress and a quick cancel), else 16 MiB.
    const size_t step = progress ? (1u << 20) : (1u << 24);
    while (done < data.size()) {
        if (progress && progress->cancel) throw EOleError(L"Loading was cancelled");
        DWORD chunk = DWORD(std::min(data.size() - done, step)), got = 0;
        if (!ReadFile(file.Get(), data.data() + done, chunk, &got, nullptr))
            throw EOleError(L"Cannot read the movie file: " + ui::SystemErrorText(GetLastError()));
        if (got == 0) break; // the file shrank while we read it: parse what is there
        done += got;
        if (progress) progress->done = done;
    }
    data.resize(done);
    return data;
}

std::shared_ptr<const swf::Movie> ParseMovie(const std::vector<std::uint8_t>& data) {
    auto movie = swf::load_movie(data.data(), data.size());
    if (!movie) throw EOleError(L"Not a readable Flash movie (" + FromUtf8(movie.error().reason) + L")");
    return movie.value();
}

std::uint64_t MovieFileSize(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA info{};
    if (!GetFileAttributesExW(ui::ExtendedLengthPath(path).c_str(), GetFileExInfoStandard, &info)) return 0;
    return (std::uint64_t(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
}

// What the worker and the owner share; the worker keeps it alive until it ends.
struct TMovieLoad::TShared {
    TReadProgress progress;
    std::atomic<bool> done{false};
    std::mutex lock;  // guards movie and error
    std::shared_ptr<const swf::Movie> movie;
    std::wstring error;
};

TMovieLoad::TMovieLoad(std::wstring path, HWND window, UINT message)
    : FPath(std::move(path)), FStarted(GetTickCount()), FShared(std::make_shared<TShared>()) {
    std::thread([shared = FShared, path = FPath, window, message] {
        std::shared_ptr<const swf::Movie> movie;
        std::wstring error;
        try {
            movie = ParseMovie(ReadMovieFile(path, &shared->progress));
        } catch (const EOleError& e) {
            error = e.Message();
        } catch (const std::bad_alloc&) {
            error = L"Not enough memory to load the movie";
        }
        {
            std::lock_guard<std::mutex> hold(shared->lock);
            shared->movie = std::move(movie);
            shared->error = std::move(error);
        }
        shared->done = true;
        if (!shared->progress.cancel) PostMessageW(window, message, 0, 0);
    }).detach();
}

TMovieLoad::~TMovieLoad() { FShared->progress.cancel = true; }

int TMovieLoad::Percent() const {
    const std::uint64_t total = FShared->progress.total, done = FShared->progress.done;
    return total ? int(done * 100 / total) : 0;
}

bool TMovieLoad::Done() const { return FShared->done; }

std::shared_ptr<const swf::Movie> TMovieLoad::Movie() const {
    std::lock_guard<std::mutex> hold(FShared->lock);
    return FShared->movie;
}

std::wstring TMovieLoad::Error() const {
    std::lock_guard<std::mutex> hold(FShared->lock);
    return FShared->error;
}

} // namespace flash
