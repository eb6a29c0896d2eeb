#include "flash/FlashPlayback.h"

#include "flash/FrameChanges.h"
#include "flash/MovieLoader.h"

#include "swf/avm1/runtime.h"
#include "swf/sound/mixer.h"
#include "ui/Gdi.h"

#include <algorithm>
#include <cmath>

namespace flash {

namespace {

std::string ToUtf8(const std::wstring& text) {
    if (text.empty()) return {};
    int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(size_t(std::max(n, 0)), '\0');
    if (n > 0) WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

// %APPDATA%\Plumora\SharedObjects, made when missing: where games keep their saves (UTF-8).
// Empty when the user has no application data folder: saves then last for the run only.
std::string SharedObjectFolder() {
    wchar_t buffer[MAX_PATH];
    DWORD n = GetEnvironmentVariableW(L"APPDATA", buffer, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return {};
    std::wstring folder = std::wstring(buffer, n) + L"\\Plumora";
    CreateDirectoryW(folder.c_str(), nullptr);
    folder += L"\\SharedObjects";
    CreateDirectoryW(folder.c_str(), nullptr);
    return ToUtf8(folder);
}

COLORREF RgbToColorRef(int rgb) { return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF); }

} // namespace

EOleError::EOleError(const std::wstring& message) : std::runtime_error(ToUtf8(message)), FMessage(message) {}

namespace {
// Where the player's complaints go unless a caller asks for them: the system's debug output,
// which a debugger or a log viewer shows and a user never sees as a box.
void ReportToDebugger(const std::string& message) { OutputDebugStringW((L"Plumora: " + FromUtf8(message) + L"\n").c_str()); }
} // namespace

TFlashPlayback::TFlashPlayback()
    : FAudio([this](std::int16_t* out, std::size_t frames) { FPlayer.mix_audio(out, frames); }, ReportToDebugger) {
    FPlayer.set_font_provider(&FFonts);
    FPlayer.set_error_handler(ReportToDebugger);
    // Streams start as far ahead of their frames as the device holds, so that picture and
    // sound meet at the ear.
    FPlayer.audio().set_stream_lead(TAudioOutput::kRate * TAudioOutput::kBufferMs / 1000);
}
TFlashPlayback::~TFlashPlayback() = default;

// ---------------------------------------------------------------------------------------------
// Properties and methods
// ---------------------------------------------------------------------------------------------
void TFlashPlayback::PutPropertyById(int dispid, int value) {
    switch (dispid) {
    case DISPID_SCALEMODE:
        // The control knows four modes; anything else shows the whole stage, as ShowAll does.
        value = value >= smShowAll && value <= smNoScale ? value : smShowAll;
        if (value == FScaleMode) return;
        FScaleMode = value;
        FPlayer.set_scale_mode(value);
        break;
    case DISPID_ALIGNMODE:
        value &= amLeft | amRight | amTop | amBottom;
        if (value == FAlignMode) return;
        FAlignMode = value;
        FPlayer.set_align_mode(value);
        break;
    case DISPID_BACKGROUNDCOLOR:
        // Negative means "the movie's own colour"; otherwise only the 24 colour bits count.
        value = value < 0 ? -1 : (value & 0xFFFFFF);
        if (value == FBackgroundColor) return;
        FBackgroundColor = value;
        FPlayer.set_background_color(value);
        break;
    default:
        throw EOleError(L"Member not found: the player has no property with dispatch id " + std::to_wstring(dispid));
    }
    Invalidate();
}

void TFlashPlayback::SetHighQuality(bool value) {
    if (value == FHighQuality) return;
    FHighQuality = value;
    FPlayer.set_quality(value ? swf::Quality::High : swf::Quality::Low);
    Invalidate();
}

void TFlashPlayback::LoadMovie(int layer, const std::wstring& url) {
    if (layer != 0) throw EOleError(L"Only layer 0 can hold a movie");
    // A local path: drive-letter ("C:\...") or UNC ("\\server\..."). Anything with a longer
    // scheme ("http:", "file:") is refused: the player reads local files only.
    size_t colon = url.find(L':');
    if (url.empty() || (colon != std::wstring::npos && colon != 1))
        throw EOleError(L"Not a local file path: " + url);
    // The current movie goes only once the new one has parsed, so a bad file leaves it playing.
    StartLoaded(ParseMovie(ReadMovieFile(url)), url);
}

void TFlashPlayback::StartLoaded(std::shared_ptr<const swf::Movie> movie, const std::wstring& url) {
    // Saves go to the user's application data, never beside the program; the movie's path
    // names them.
    FPlayer.set_movie_address(ToUtf8(url));
    FPlayer.set_shared_object_dir(SharedObjectFolder());
    FPlayer.load(std::move(movie));
    FMoviePath = url;
    FAudio.Start();
    Invalidate();
}

void TFlashPlayback::Play() {
    if (!HasMovie()) return;
    FPlayer.play();
}

void TFlashPlayback::Stop() {
    FPlayer.stop();
    Invalidate();
}

bool TFlashPlayback::ShowMenu() const {
    const auto* scripts = FPlayer.scripts();
    return !scripts || scripts->stage.show_menu;
}

bool TFlashPlayback::Playing() const {
    return FPlayer.playing();
}

// ---------------------------------------------------------------------------------------------
// Timing
// ---------------------------------------------------------------------------------------------
unsigned TFlashPlayback::FrameInterval() const {
    return unsigned(std::max(0.0, std::round(FramePeriod())));
}

double TFlashPlayback::FramePeriod() const {
    if (!HasMovie()) return 0;
    return std::max(1.0, 1000.0 / FPlayer.frame_rate());
}

bool TFlashPlayback::Tick() {
    if (!HasMovie() || NeedsActionScript3()) return false;
    // Nested clips keep running while the main timeline stands, so every tick advances.
    FPlayer.advance();
    // A streaming sound sets the pace: when drawing fell behind it, frames are run without
    // being shown until the timeline is back in step with what was heard (a few a tick, so
    // that a long stall does not freeze the window).
    for (int behind = std::min(FPlayer.stream_frames_due(), 8); behind > 0; --behind) FPlayer.advance();
    // A frame that would come out as the one shown (a stopped movie, a still scene) is not drawn.
    if (FPlayer.picture_changed()) Invalidate();
    return true;
}

// ---------------------------------------------------------------------------------------------
// Picture
// ---------------------------------------------------------------------------------------------
ui::Rect TFlashPlayback::StageRect(int clientWidth, int clientHeight) const {
    if (!HasMovie()) return {};
    const double W = FPlayer.stage_width(), H = FPlayer.stage_height();
    const double w = clientWidth, h = clientHeight;
    double sx = 1, sy = 1;
    switch (FScaleMode) {
    case smShowAll: sx = sy = std::min(w / W, h / H); break;
    case smNoBorder: sx = sy = std::max(w / W, h / H); break;
    case smExactFit: sx = w / W; sy = h / H; break;
    default: break;
    }
    double x = (w - W * sx) / 2, y = (h - H * sy) / 2;
    if (FScaleMode == smExactFit) x = y = 0;
    else {
        if (FAlignMode & amLeft) x = 0;
        else if (FAlignMode & amRight) x = w - W * sx;
        if (FAlignMode & amTop) y = 0;
        else if (FAlignMode & amBottom) y = h - H * sy;
    }
    return {int(std::lround(x)), int(std::lround(y)), int(std::lround(x + W * sx)), int(std::lround(y + H * sy))};
}

COLORREF TFlashPlayback::StageColor() const {
    if (const swf::Movie* m = FPlayer.movie(); m && m->background)
        return RGB(m->background->r, m->background->g, m->background->b);
    return RGB(255, 255, 255);
}

COLORREF TFlashPlayback::SurroundColor() const {
    return FBackgroundColor >= 0 ? RgbToColorRef(FBackgroundColor) : StageColor();
}

void TFlashPlayback::RenderFrame(int clientWidth, int clientHeight) {
    clientWidth = std::max(clientWidth, 0);
    clientHeight = std::max(clientHeight, 0);
    FBufferWidth = clientWidth;
    FBufferHeight = clientHeight;
    // Every pixel is written below, so the buffer is not cleared first.
    FPixels.resize(size_t(clientWidth) * clientHeight);
    if (!FPixels.empty()) {
        swf::RenderTarget target;
        target.pixels = FPixels.data();
        target.width = clientWidth;
        target.height = clientHeight;
        target.stride = clientWidth * 4;
        target.format = swf::PixelFormat::BgraPremultiplied;
        // The engine fills the stage rectangle with the movie's colour (white if none) and the
        // rest with the host colour (all of it without a movie), then draws the movie over it,
        // placed by the scale and align modes.
        if (NeedsActionScript3())
            RenderActionScript3Notice();
        else
            FPlayer.render(target);
    }
    FDirty = false;
}

std::vector<ui::Rect> TFlashPlayback::RenderChanges(int clientWidth, int clientHeight) {
    if (clientWidth <= 0 || clientHeight <= 0) return {};
    if (clientWidth != FBufferWidth || clientHeight != FBufferHeight) {
        RenderFrame(clientWidth, clientHeight);
        return {ui::Rect{0, 0, clientWidth, clientHeight}};
    }
    if (!FDirty) return {};
    // The frame on screen moves aside and the new one is rendered over the one before it.
    std::swap(FPixels, FShown);
    RenderFrame(clientWidth, clientHeight);
    return ChangedRegions(FShown.data(), FPixels.data(), clientWidth, clientHeight);
}

// The notice centred in 宋体 on the movie's background colour, over the whole client area.
void TFlashPlayback::RenderActionScript3Notice() {
    ui::DibSurface surface(FBufferWidth, FBufferHeight);
    const COLORREF back = StageColor();
    surface.Fill(back);
    ui::FontOwner font(CreateFontW(-16, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, GB2312_CHARSET, OUT_DEFAULT_PRECIS,
                                   CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, L"宋体"));
    {
        ui::SelectGuard select(surface.Dc(), font.Get());
        SetBkMode(surface.Dc(), TRANSPARENT);
        // Dark ink on a light background, light ink on a dark one.
        const int luma = (GetRValue(back) * 3 + GetGValue(back) * 6 + GetBValue(back)) / 10;
        SetTextColor(surface.Dc(), luma < 128 ? RGB(255, 255, 255) : RGB(0, 0, 0));
        RECT r{8, 0, FBufferWidth - 8, FBufferHeight};
        RECT measured = r;
        DrawTextW(surface.Dc(), kActionScript3Notice, -1, &measured, DT_CENTER | DT_WORDBREAK | DT_CALCRECT);
        const int height = measured.bottom - measured.top;
        r.top = (FBufferHeight - height) / 2;
        r.bottom = r.top + height;
        DrawTextW(surface.Dc(), kActionScript3Notice, -1, &r, DT_CENTER | DT_WORDBREAK);
    }
    GdiFlush();
    std::copy(surface.Bits(), surface.Bits() + FPixels.size(), FPixels.begin());
}

void TFlashPlayback::Paint(HDC dc, int clientWidth, int clientHeight, const ui::Rect& update) {
    if (clientWidth <= 0 || clientHeight <= 0) return;
    const ui::Rect area = update.Intersected({0, 0, clientWidth, clientHeight});
    if (area.IsEmpty()) return;
    if (FDirty || clientWidth != FBufferWidth || clientHeight != FBufferHeight) RenderFrame(clientWidth, clientHeight);
    // Only the rows of the update rectangle go out: they are given as a DIB of their own, top
    // down, so the source rows need no bottom-up arithmetic.
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = clientWidth;
    info.bmiHeader.biHeight = -area.Height();
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB; // the top byte (the engine's alpha) is ignored
    SetDIBitsToDevice(dc, area.left, area.top, DWORD(area.Width()), DWORD(area.Height()), area.left, 0, 0,
                      UINT(area.Height()), FPixels.data() + size_t(area.top) * clientWidth, &info, DIB_RGB_COLORS);
}

// ---------------------------------------------------------------------------------------------
// Input
// ---------------------------------------------------------------------------------------------
void TFlashPlayback::MouseMove(int x, int y) {
    if (!HasMovie()) return;
    FPlayer.mouse_move(x, y);
    Invalidate();
}

void TFlashPlayback::MouseDown(int x, int y) {
    if (!HasMovie()) return;
    FPlayer.mouse_down(x, y);
    Invalidate();
}

void TFlashPlayback::MouseUp(int x, int y) {
    if (!HasMovie()) return;
    FPlayer.mouse_up(x, y);
    Invalidate();
}

void TFlashPlayback::MouseLeave() {
    if (!HasMovie()) return;
    FPlayer.mouse_leave();
    Invalidate();
}

void TFlashPlayback::MouseWheel(int delta) {
    if (!HasMovie()) return;
    FPlayer.mouse_wheel(delta);
    Invalidate();
}

void TFlashPlayback::KeyDown(int vk, int ch) {
    if (!HasMovie()) return;
    FPlayer.key_down(vk, ch);
    Invalidate();
}

void TFlashPlayback::KeyUp(int vk) {
    if (!HasMovie()) return;
    FPlayer.key_up(vk);
    Invalidate();
}

void TFlashPlayback::CharTyped(char32_t ch) {
    if (!HasMovie()) return;
    FPlayer.char_typed(std::uint32_t(ch));
    Invalidate();
}

swf::Player::Cursor TFlashPlayback::Cursor() const {
    return HasMovie() ? FPlayer.cursor() : swf::Player::Cursor::Arrow;
}

bool TFlashPlayback::WantsCapture() const { return HasMovie() && FPlayer.wants_capture(); }

void TFlashPlayback::SetClipboard(swf::TextClipboard::Reader read, swf::TextClipboard::Writer write) {
    FPlayer.set_clipboard(std::move(read), std::move(write));
}

bool TFlashPlayback::CaretRect(RECT& r) {
    swf::Rect px;
    if (!HasMovie() || !FPlayer.caret_rect(px)) return false;
    r = RECT{px.xmin, px.ymin, px.xmax, px.ymax};
    return true;
}

void TFlashPlayback::SetTraceHandler(std::function<void(const std::string&)> handler) {
    FPlayer.set_trace_handler(std::move(handler));
}

void TFlashPlayback::SetErrorHandler(std::function<void(const std::string&)> handler) {
    FPlayer.set_error_handler(handler ? std::move(handler) : ReportToDebugger);
}

} // namespace flash
