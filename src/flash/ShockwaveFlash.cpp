#include "flash/ShockwaveFlash.h"

#include "flash/Clipboard.h"
#include "ui/Application.h"
#include "ui/Gdi.h"
#include "ui/Layout.h"

#include <imm.h>
#include <windowsx.h>


namespace flash {

namespace {

constexpr UINT_PTR kFrameTimer = 1;
constexpr UINT_PTR kLoadingTimer = 2;     // repaints the progress while a movie loads
constexpr DWORD kLoadingShowsAfterMs = 500;
// Frames run in one go when the window fell behind (a modal loop, a busy machine); further
// behind than this the pace starts afresh instead of racing to catch up.
constexpr int kMaxCatchUpFrames = 4;

// The message a background load posts when it is done.
UINT LoadDoneMessage() {
    static const UINT message = RegisterWindowMessageW(L"Plumora.MovieLoaded");
    return message;
}

// The message the frame clock posts when the next frame is due.
UINT FrameDueMessage() {
    static const UINT message = RegisterWindowMessageW(L"Plumora.FrameDue");
    return message;
}


} // namespace

TShockwaveFlash::TShockwaveFlash(ui::TComponent* owner) : ui::TCustomControl(owner) {
    // The blit covers every pixel of the client area in one call: no off-screen copy needed.
    SetDoubleBuffered(false);
    SetTabStop(true);
    SetColor(ui::clBlack);
    // The window takes and releases the capture itself, as the movie asks (AfterInput).
    SetControlStyle(ControlStyle() & ~ui::csCaptureMouse);
    FPlayback.SetClipboard([this] { return ReadClipboardText(HandleIfAllocated()); },
                           [this](const std::u16string& text) { WriteClipboardText(HandleIfAllocated(), text); });
}

TShockwaveFlash::~TShockwaveFlash() {
    FLoad.reset();
    StopFrameClock();
    FHosted.reset();
}

// ---------------------------------------------------------------------------------------------
// The control's interface
// ---------------------------------------------------------------------------------------------
void TShockwaveFlash::PutPropertyById(int dispid, int value) {
    int scale = ScaleMode(), align = AlignMode(), bg = BackgroundColor();
    // The built-in player keeps every value (and rejects unknown ids) for both players.
    FPlayback.PutPropertyById(dispid, value);
    if (FHosted) FHosted->PutPropertyById(dispid, value);
    if (scale != ScaleMode() || align != AlignMode() || bg != BackgroundColor()) Invalidate();
}

void TShockwaveFlash::LoadMovie(int layer, const std::wstring& url) {
    if (FLoad) {
        // A new start cancels the load still running.
        FLoad.reset();
        if (HWND wnd = HandleIfAllocated()) KillTimer(wnd, kLoadingTimer);
        Invalidate();
    }
    FPlayAfterLoad = false;
    HWND wnd = HandleIfAllocated();
    if (layer == 0 && wnd && url.size() > 2 && url[1] == L':' && MovieFileSize(url) >= FBackgroundLoadBytes) {
        FLoad = std::make_unique<TMovieLoad>(url, wnd, LoadDoneMessage());
        SetTimer(wnd, kLoadingTimer, 100, nullptr);
        return;
    }
    // The built-in player reads the file first: it rejects what is no movie, and tells whether
    // the movie needs ActionScript 3.
    FPlayback.LoadMovie(layer, url);
    MovieLoaded(layer, url);
}

void TShockwaveFlash::MovieLoaded(int layer, const std::wstring& url) {
    if (!FPlayback.NeedsActionScript3() || !LoadInstalledControl(layer, url)) EndInstalledControl();
    UpdateTimer(); // the new movie may run at another frame rate
    Invalidate();
}

const std::wstring& TShockwaveFlash::LoadingPath() const {
    static const std::wstring none;
    return FLoad ? FLoad->Path() : none;
}

void TShockwaveFlash::LoadFinished() {
    if (!FLoad || !FLoad->Done()) return;  // a message from a load cancelled since
    std::unique_ptr<TMovieLoad> load = std::move(FLoad);
    if (HWND wnd = HandleIfAllocated()) KillTimer(wnd, kLoadingTimer);
    Invalidate();
    bool loaded = false;
    std::wstring error = load->Error();
    if (std::shared_ptr<const swf::Movie> movie = load->Movie()) {
        try {
            FPlayback.StartLoaded(std::move(movie), load->Path());
            MovieLoaded(0, load->Path());
            if (FPlayAfterLoad) Play();
            loaded = true;
        } catch (const EOleError& e) {
            error = e.Message();
        }
    }
    if (OnLoaded) OnLoaded(loaded, error);
}

void TShockwaveFlash::Play() {
    if (FLoad) {
        FPlayAfterLoad = true;
        return;
    }
    if (FHosted) FHosted->Play();
    else FPlayback.Play();
    UpdateTimer();
}

// ---------------------------------------------------------------------------------------------
// The installed control
// ---------------------------------------------------------------------------------------------
bool TShockwaveFlash::LoadInstalledControl(int layer, const std::wstring& url) {
    try {
        if (!FHosted) {
            static const wchar_t* const kScaleNames[] = {L"ShowAll", L"NoBorder", L"ExactFit", L"NoScale"};
            TFlashControlState state;
            state.Quality = FQuality;
            state.Scale = kScaleNames[ScaleMode() >= 0 && ScaleMode() <= 3 ? ScaleMode() : 0];
            state.WMode = FWMode;
            FHosted = TFlashControlHost::Create(FControlClassId, state);
            if (!FHosted) return false;
            ActivateInstalledControl();
            // A new control starts from its stored state: it gets the values set so far.
            FHosted->PutPropertyById(DISPID_BACKGROUNDCOLOR, BackgroundColor());
            FHosted->PutPropertyById(DISPID_ALIGNMODE, AlignMode());
            FHosted->PutPropertyById(DISPID_SCALEMODE, ScaleMode());
        }
        FHosted->LoadMovie(layer, url);
    } catch (...) {
        // What the control could not start is not left half-made; the pane shows the notice.
        EndInstalledControl();
        throw;
    }
    return true;
}

void TShockwaveFlash::ActivateInstalledControl() {
    if (!Parent()) throw EOleError(L"OLE control activation failed");
    HWND pane = nullptr;
    try {
        pane = Parent()->Handle();
    } catch (const std::exception&) {
        throw EOleError(L"OLE control activation failed");
    }
    FHosted->Activate(pane, BoundsRect(), Visible());
    if (HWND own = HandleIfAllocated()) {
        // The installed control's window takes this window's place, with the keyboard.
        const bool hadFocus = GetFocus() == own;
        ShowWindow(own, SW_HIDE);
        if (hadFocus) FHosted->Focus();
    }
}

void TShockwaveFlash::EndInstalledControl() {
    if (!FHosted) return;
    HWND window = FHosted->Window();
    const bool hadFocus = window && GetFocus() == window;
    FHosted.reset();
    ApplyVisible();
    if (hadFocus) SetFocus();
}

HWND TShockwaveFlash::PlayerWindow() const {
    if (FHosted && FHosted->Window()) return FHosted->Window();
    return HandleIfAllocated();
}

void TShockwaveFlash::ApplyVisible() {
    if (!FHosted) {
        ui::TCustomControl::ApplyVisible();
        return;
    }
    if (HWND own = HandleIfAllocated()) ShowWindow(own, SW_HIDE);
    if (HWND window = FHosted->Window()) ShowWindow(window, Visible() ? SW_SHOWNA : SW_HIDE);
}

void TShockwaveFlash::FocusChanged(bool focused) {
    ui::TCustomControl::FocusChanged(focused);
    // The keyboard belongs in the installed control's window while it plays.
    if (focused && FHosted) FHosted->Focus();
}

void TShockwaveFlash::Reactivate() {
    if (FHosted) {
        ActivateInstalledControl();
        return;
    }
    if (!Parent()) throw EOleError(L"OLE control activation failed");
    HWND wnd = nullptr;
    try {
        wnd = Handle();
    } catch (const std::exception&) {
        throw EOleError(L"OLE control activation failed");
    }
    if (!wnd) throw EOleError(L"OLE control activation failed");
    // The framework may already have moved the window; setting the same rectangle again is
    // harmless and covers a window the pane moved behind the framework's back.
    const ui::Rect b = BoundsRect();
    SetWindowPos(wnd, nullptr, b.left, b.top, b.Width(), b.Height(), SWP_NOZORDER | SWP_NOACTIVATE);
    ApplyVisible();
    UpdateTimer();
    Invalidate();
}

void TShockwaveFlash::SetQuality(const std::wstring& value) {
    if (value == FQuality) return;
    FQuality = value;
    const bool low = ui::SameText(value, L"Low") || ui::SameText(value, L"AutoLow");
    FPlayback.SetHighQuality(!low);
    Invalidate();
}

// ---------------------------------------------------------------------------------------------
// Context menu
// ---------------------------------------------------------------------------------------------
TPlayerMenuState TShockwaveFlash::MenuState() const {
    TPlayerMenuState state;
    state.hasMovie = FPlayback.HasMovie();
    state.playing = FPlayback.Playing();
    state.showMenu = FPlayback.ShowMenu();
    if (ui::SameText(FQuality, L"Low") || ui::SameText(FQuality, L"AutoLow")) state.quality = TPlayerMenuQuality::Low;
    else if (ui::SameText(FQuality, L"Medium")) state.quality = TPlayerMenuQuality::Medium;
    else state.quality = TPlayerMenuQuality::High;
    return state;
}

void TShockwaveFlash::MenuCommand(UINT command) {
    switch (command) {
    case cmPlayPause:
        if (FPlayback.Playing()) {
            FPlayback.Stop();
            Invalidate();
        } else {
            Play();
        }
        break;
    case cmRestart:
        // Reading the file again gives the scripts a fresh start at frame 1.
        if (!FPlayback.HasMovie()) break;
        try {
            LoadMovie(0, FPlayback.MoviePath());
            Play();
        } catch (const EOleError& e) {
            ui::MessageBox(this, e.Message(), L"重新开始", MB_OK | MB_ICONERROR);
        }
        break;
    case cmQualityHigh: SetQuality(L"High"); break;
    case cmQualityMedium: SetQuality(L"Medium"); break;
    case cmQualityLow: SetQuality(L"Low"); break;
    case cmAbout: ui::MessageBox(this, PlayerAboutText(), L"关于", MB_OK | MB_ICONINFORMATION); break;
    default: break;
    }
}

void TShockwaveFlash::ShowContextMenu(int screenX, int screenY) {
    HWND wnd = HandleIfAllocated();
    if (!wnd) return;
    if (screenX == -1 && screenY == -1) {
        POINT p{0, 0};
        ::ClientToScreen(wnd, &p);
        screenX = p.x;
        screenY = p.y;
    }
    ui::MenuOwner menu = BuildPlayerMenu(PlayerMenuItems(MenuState()));
    if (!menu) return;
    const UINT command = UINT(TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, screenX, screenY,
                                             0, wnd, nullptr));
    menu.Reset();
    if (command) MenuCommand(command);
}

// ---------------------------------------------------------------------------------------------
// Timer and painting
// ---------------------------------------------------------------------------------------------
// Frames are paced by the clock, not by counting timer messages: frame n is due at
// start + n × period, and each wake-up runs the frames due by then. The frame clock (a thread
// on a high-resolution waitable timer) wakes the window, so 24, 25 and 30 fps keep their rate
// without the 10–16 ms steps of WM_TIMER. Where no clock can be had, WM_TIMER at the rounded
// interval stands in.
void TShockwaveFlash::UpdateTimer() {
    HWND wnd = HandleIfAllocated();
    const double period = (wnd && !FHosted) ? FPlayback.FramePeriod() : 0.0;
    if (period == FFramePeriod) return;
    StopFrameClock();
    if (period <= 0) return;
    FFramePeriod = period;
    FTimerInterval = FPlayback.FrameInterval();
    FClockStart = ClockNowMs();
    FFramesRun = 0;
    FFrameClock = std::make_unique<TFrameClock>(wnd, FrameDueMessage(), period);
    if (FFrameClock->Running()) return;
    FFrameClock.reset();
    if (!SetTimer(wnd, kFrameTimer, FTimerInterval, nullptr)) {
        FFramePeriod = 0;
        FTimerInterval = 0;
    }
}

void TShockwaveFlash::StopFrameClock() {
    FFrameClock.reset();
    if (HWND wnd = HandleIfAllocated(); wnd && FTimerInterval) KillTimer(wnd, kFrameTimer);
    FFramePeriod = 0;
    FTimerInterval = 0;
}

void TShockwaveFlash::FrameDue() {
    if (!FFrameClock) return;  // a message from a clock stopped since
    FFrameClock->Handled();
    const long long due = (long long)((ClockNowMs() - FClockStart) / FFramePeriod);
    long long frames = due - FFramesRun;
    if (frames > kMaxCatchUpFrames) {
        // Far behind: show one frame now and keep the pace from here.
        FFramesRun = due - 1;
        frames = 1;
    }
    bool changed = false;
    for (; frames > 0; --frames, ++FFramesRun) changed |= FPlayback.Tick();
    if (changed) ShowChanges();
}

void TShockwaveFlash::TimerTick() {
    if (FPlayback.Tick()) ShowChanges();
}

void TShockwaveFlash::ShowChanges() {
    HWND wnd = HandleIfAllocated();
    if (!wnd || !IsWindowVisible(wnd)) return;
    for (const ui::Rect& r : FPlayback.RenderChanges(ClientWidth(), ClientHeight())) InvalidateRect(r);
}

void TShockwaveFlash::CreateWnd() {
    UpdateTimer();
}

void TShockwaveFlash::DestroyWnd() {
    FLoad.reset();  // its message would find no window
    StopFrameClock();
}

void TShockwaveFlash::Paint(ui::TCanvas& canvas, const ui::Rect& update) {
    if (FLoad && GetTickCount() - FLoad->StartedAt() >= kLoadingShowsAfterMs) {
        PaintLoading(canvas);
        return;
    }
    FPlayback.Paint(canvas.Handle(), ClientWidth(), ClientHeight(), update);
}

// The progress of a background load: the text and the percentage centred on black.
void TShockwaveFlash::PaintLoading(ui::TCanvas& canvas) {
    HDC dc = canvas.Handle();
    RECT all{0, 0, ClientWidth(), ClientHeight()};
    ui::BrushOwner black(CreateSolidBrush(RGB(0, 0, 0)));
    FillRect(dc, &all, black);
    ui::FontOwner font(CreateFontW(-16, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, GB2312_CHARSET, OUT_DEFAULT_PRECIS,
                                   CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, L"宋体"));
    ui::SelectGuard select(dc, font.Get());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(255, 255, 255));
    const std::wstring text = std::wstring(kLoadingText) + L" " + std::to_wstring(FLoad->Percent()) + L"%";
    DrawTextW(dc, text.c_str(), -1, &all, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

bool TShockwaveFlash::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (msg == WM_TIMER && wParam == kFrameTimer) {
        TimerTick();
        result = 0;
        return true;
    }
    if (msg == FrameDueMessage()) {
        FrameDue();
        result = 0;
        return true;
    }
    if (msg == LoadDoneMessage()) {
        LoadFinished();
        result = 0;
        return true;
    }
    if (msg == WM_TIMER && wParam == kLoadingTimer) {
        if (FLoad && GetTickCount() - FLoad->StartedAt() >= kLoadingShowsAfterMs) Invalidate();
        result = 0;
        return true;
    }
    if (msg == WM_CONTEXTMENU) {
        ShowContextMenu(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        result = 0;
        return true;
    }
    if (msg == WM_RBUTTONUP) {
        // The framework takes its own windows' right-button releases without the default
        // handling that would raise WM_CONTEXTMENU, so the menu is opened from here.
        const bool handled = ui::TCustomControl::HandleMessage(msg, wParam, lParam, result);
        POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        if (HWND wnd = HandleIfAllocated()) {
            ::ClientToScreen(wnd, &at);
            ShowContextMenu(at.x, at.y);
        }
        return handled;
    }
    // The composition window moves to the caret; the input method goes on with its default
    // handling, which delivers the result as WM_CHAR.
    if (msg == WM_IME_STARTCOMPOSITION || msg == WM_IME_COMPOSITION) PlaceCompositionWindow();
    if (HandleInput(msg, wParam, lParam)) {
        AfterInput();
        // Keys end here; mouse messages go on to the framework too (hover tracking, the
        // MouseLeave request, focus on a click).
        if (msg == WM_KEYDOWN || msg == WM_KEYUP || msg == WM_CHAR || msg == WM_MOUSEWHEEL) {
            result = 0;
            return true;
        }
    }
    return ui::TCustomControl::HandleMessage(msg, wParam, lParam, result);
}

bool TShockwaveFlash::HandleInput(UINT msg, WPARAM wParam, LPARAM lParam) {
    const int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
    switch (msg) {
    case WM_MOUSEMOVE: FPlayback.MouseMove(x, y); return true;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: FPlayback.MouseDown(x, y); return true;
    case WM_LBUTTONUP: FPlayback.MouseUp(x, y); return true;
    case WM_MOUSELEAVE:
        // While a press is held the capture keeps the moves coming: the pointer has not left.
        if (FPlayback.WantsCapture()) return false;
        FPlayback.MouseLeave();
        return true;
    case WM_MOUSEWHEEL: {
        // Lines scrolled, as the system setting turns a notch into lines (3 by default).
        UINT lines = 3;
        SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
        if (lines == WHEEL_PAGESCROLL || lines > 10) lines = 3;
        FPlayback.MouseWheel(GET_WHEEL_DELTA_WPARAM(wParam) * int(lines) / WHEEL_DELTA);
        return true;
    }
    case WM_KEYDOWN: {
        // TranslateMessage has already queued the character this key types, if any.
        int ch = 0;
        MSG next;
        if (HWND wnd = HandleIfAllocated(); wnd && PeekMessageW(&next, wnd, WM_CHAR, WM_CHAR, PM_NOREMOVE | PM_NOYIELD))
            ch = int(next.wParam);
        FPlayback.KeyDown(int(wParam), ch);
        return true;
    }
    case WM_KEYUP: FPlayback.KeyUp(int(wParam)); return true;
    case WM_CHAR: CharUnit(wchar_t(wParam)); return true;
    default: return false;
    }
}

void TShockwaveFlash::AfterInput() {
    if (HWND wnd = HandleIfAllocated()) {
        const bool want = FPlayback.WantsCapture();
        if (want && GetCapture() != wnd) SetCapture(wnd);
        else if (!want && GetCapture() == wnd) ReleaseCapture();
    }
    ShowChanges(); // the movie may have changed the picture
}

void TShockwaveFlash::CharUnit(wchar_t unit) {
    if (IS_HIGH_SURROGATE(unit)) {
        FHighSurrogate = unit;
        return;
    }
    char32_t ch = unit;
    if (IS_LOW_SURROGATE(unit)) {
        if (!FHighSurrogate) return;  // half a pair: nothing to type
        ch = 0x10000 + ((char32_t(FHighSurrogate) - 0xD800) << 10) + (char32_t(unit) - 0xDC00);
    }
    FHighSurrogate = 0;
    FPlayback.CharTyped(ch);
}

namespace {

// The window's input context while this lives.
class TInputContext {
public:
    explicit TInputContext(HWND wnd) : FWnd(wnd), FContext(ImmGetContext(wnd)) {}
    ~TInputContext() {
        if (FContext) ImmReleaseContext(FWnd, FContext);
    }
    TInputContext(const TInputContext&) = delete;
    TInputContext& operator=(const TInputContext&) = delete;
    HIMC Get() const { return FContext; }

private:
    HWND FWnd;
    HIMC FContext;
};

} // namespace

void TShockwaveFlash::PlaceCompositionWindow() {
    HWND wnd = HandleIfAllocated();
    RECT caret;
    if (!wnd || !FPlayback.CaretRect(caret)) return;
    TInputContext context(wnd);
    if (!context.Get()) return;
    COMPOSITIONFORM form{};
    form.dwStyle = CFS_POINT;
    form.ptCurrentPos = POINT{caret.left, caret.top};
    ImmSetCompositionWindow(context.Get(), &form);
}

LRESULT TShockwaveFlash::DialogCode() {
    // Every key belongs to the game while the player has the focus, Tab and arrows included.
    return DLGC_WANTALLKEYS | DLGC_WANTARROWS | DLGC_WANTTAB | DLGC_WANTCHARS;
}

bool TShockwaveFlash::SetCursorFor(ui::Point) {
    LPCWSTR id = IDC_ARROW;
    switch (FPlayback.Cursor()) {
    case swf::Player::Cursor::Hand: id = IDC_HAND; break;
    case swf::Player::Cursor::IBeam: id = IDC_IBEAM; break;
    case swf::Player::Cursor::Hidden:
        ::SetCursor(nullptr);
        return true;
    case swf::Player::Cursor::Arrow: break;
    }
    ::SetCursor(LoadCursorW(nullptr, id));
    return true;
}

void TShockwaveFlash::MouseDown(ui::TMouseButton button, ui::TShiftState shift, int x, int y) {
    // A click in the player gives it the keyboard, as the game expects.
    if (CanFocus() && !Focused()) SetFocus();
    ui::TCustomControl::MouseDown(button, shift, x, y);
}

void TShockwaveFlash::Resize() {
    Invalidate(); // the frame is rendered anew at the new client size
    ui::TCustomControl::Resize();
}

// ---------------------------------------------------------------------------------------------
// Layout registration
// ---------------------------------------------------------------------------------------------
void RegisterFlashClasses(ui::TClassRegistry& registry) {
    using V = const ui::TLayoutValue&;
    using C = ui::TLayoutContext&;
    ui::RegisterControlClass<TShockwaveFlash>(registry, L"TShockwaveFlash");
    registry.Property<TShockwaveFlash>(L"Quality", [](TShockwaveFlash& f, V v, C ctx) { f.SetQuality(ctx.String(v)); });
    registry.Property<TShockwaveFlash>(L"WMode", [](TShockwaveFlash& f, V v, C ctx) { f.SetWMode(ctx.String(v)); });
    registry.Property<TShockwaveFlash>(L"ScaleMode", [](TShockwaveFlash& f, V v, C ctx) { f.SetScaleMode(ctx.Int(v)); });
    registry.Property<TShockwaveFlash>(L"AlignMode", [](TShockwaveFlash& f, V v, C ctx) { f.SetAlignMode(ctx.Int(v)); });
    registry.Property<TShockwaveFlash>(L"BackgroundColor",
                                       [](TShockwaveFlash& f, V v, C ctx) { f.SetBackgroundColor(ctx.Int(v)); });
}

} // namespace flash
