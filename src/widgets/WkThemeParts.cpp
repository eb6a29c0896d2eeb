#include "widgets/WkThemeParts.h"

namespace wk {

namespace {

using HTHEME_ = HANDLE;
using OpenThemeDataFn = HTHEME_(WINAPI*)(HWND, LPCWSTR);
using CloseThemeDataFn = HRESULT(WINAPI*)(HTHEME_);
using DrawThemeBackgroundFn = HRESULT(WINAPI*)(HTHEME_, HDC, int, int, const RECT*, const RECT*);
using IsPartlyTransparentFn = BOOL(WINAPI*)(HTHEME_, int, int);
using DrawThemeTextFn = HRESULT(WINAPI*)(HTHEME_, HDC, int, int, LPCWSTR, int, DWORD, DWORD, const RECT*);
using BoolFn = BOOL(WINAPI*)();

struct ThemeDrawingApi {
    OpenThemeDataFn Open = nullptr;
    CloseThemeDataFn Close = nullptr;
    DrawThemeBackgroundFn DrawBackground = nullptr;
    IsPartlyTransparentFn IsPartlyTransparent = nullptr;
    DrawThemeTextFn DrawText = nullptr;
    BoolFn IsThemeActive = nullptr;
    BoolFn IsAppThemed = nullptr;
    bool Usable() const { return Open && Close && DrawBackground; }
};

template <typename Fn>
Fn Lookup(HMODULE module, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

const ThemeDrawingApi& Api() {
    static const ThemeDrawingApi api = [] {
        ThemeDrawingApi a;
        if (HMODULE module = LoadLibraryW(L"uxtheme.dll")) {
            a.Open = Lookup<OpenThemeDataFn>(module, "OpenThemeData");
            a.Close = Lookup<CloseThemeDataFn>(module, "CloseThemeData");
            a.DrawBackground = Lookup<DrawThemeBackgroundFn>(module, "DrawThemeBackground");
            a.IsPartlyTransparent = Lookup<IsPartlyTransparentFn>(module, "IsThemeBackgroundPartiallyTransparent");
            a.DrawText = Lookup<DrawThemeTextFn>(module, "DrawThemeText");
            a.IsThemeActive = Lookup<BoolFn>(module, "IsThemeActive");
            a.IsAppThemed = Lookup<BoolFn>(module, "IsAppThemed");
        }
        return a;
    }();
    return api;
}

// An open theme handle, closed on scope exit.
class ThemeHandle {
public:
    ThemeHandle(HWND window, const wchar_t* themeClass)
        : FTheme(Api().Usable() ? Api().Open(window, themeClass) : nullptr) {}
    ~ThemeHandle() { if (FTheme) Api().Close(FTheme); }
    ThemeHandle(const ThemeHandle&) = delete;
    ThemeHandle& operator=(const ThemeHandle&) = delete;
    HTHEME_ Get() const { return FTheme; }

private:
    HTHEME_ FTheme;
};

} // namespace

bool ThemeServiceAvailable() { return Api().Usable(); }

bool ThemeActiveForProgram() {
    const ThemeDrawingApi& api = Api();
    return api.IsThemeActive && api.IsAppThemed && api.IsThemeActive() && api.IsAppThemed();
}

bool DrawThemePart(HWND window, const wchar_t* themeClass, int part, int state, HDC dc, const ui::Rect& rect) {
    ThemeHandle theme(window, themeClass);
    if (!theme.Get()) return false;
    RECT r = rect;
    return SUCCEEDED(Api().DrawBackground(theme.Get(), dc, part, state, &r, nullptr));
}

bool ThemePartIsPartlyTransparent(HWND window, const wchar_t* themeClass, int part, int state) {
    ThemeHandle theme(window, themeClass);
    if (!theme.Get() || !Api().IsPartlyTransparent) return false;
    return Api().IsPartlyTransparent(theme.Get(), part, state) != FALSE;
}

bool DrawThemeStatusBackground(HWND window, HDC dc, const ui::Rect& rect) {
    return DrawThemePart(window, L"status", 0, 0, dc, rect);
}

bool DrawThemeTextLine(HWND window, const wchar_t* themeClass, int part, int state, HDC dc,
                       const std::wstring& text, const ui::Rect& rect, DWORD format) {
    ThemeHandle theme(window, themeClass);
    if (!theme.Get() || !Api().DrawText) return false;
    RECT r = rect;
    return SUCCEEDED(Api().DrawText(theme.Get(), dc, part, state, text.c_str(), static_cast<int>(text.size()),
                                    format | DT_SINGLELINE | DT_VCENTER, 0, &r));
}

} // namespace wk
