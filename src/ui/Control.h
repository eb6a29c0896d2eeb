// Controls: the visual components of the framework.
//
//   TControl         bounds, alignment, anchors, constraints, visibility, colour, font, caption,
//                    hint, cursor, mouse events and the named virtual handlers
//   TGraphicControl  windowless: painted by its parent, which also hands it its mouse input
//   TWinControl      owns an HWND (optionally wrapping a platform control), holds child controls,
//                    aligns them, routes messages through one dispatcher, keyboard focus
//   TCustomControl   a TWinControl that paints itself (double-buffered)
//
// Coordinates: a control's Left/Top are in its parent's client area; Paint and the mouse
// handlers work in the control's own client coordinates.
#pragma once
#include "ui/Canvas.h"
#include "ui/Color.h"
#include "ui/Component.h"
#include "ui/EnumNames.h"
#include "ui/Geometry.h"
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace ui {

class TWinControl;
class TForm;

// ---------------------------------------------------------------------------------------------
// Enumerations and event types
// ---------------------------------------------------------------------------------------------

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
inline constexpr TEnumName<TAlign> kAlignNames[] = {
    {L"alNone", alNone}, {L"alTop", alTop}, {L"alBottom", alBottom},
    {L"alLeft", alLeft}, {L"alRight", alRight}, {L"alClient", alClient},
};
constexpr const auto& EnumNames(TAlign) { return kAlignNames; }

enum TAnchorKind : unsigned { akLeft = 1, akTop = 2, akRight = 4, akBottom = 8 };
inline constexpr TEnumName<TAnchorKind> kAnchorNames[] = {
    {L"akLeft", akLeft}, {L"akTop", akTop}, {L"akRight", akRight}, {L"akBottom", akBottom},
};
constexpr const auto& EnumNames(TAnchorKind) { return kAnchorNames; }
using TAnchors = unsigned;
constexpr TAnchors kDefaultAnchors = akLeft | akTop;

enum TMouseButton { mbLeft, mbRight, mbMiddle };

enum TShiftStateFlag : unsigned {
    ssShift = 1, ssAlt = 2, ssCtrl = 4, ssLeft = 8, ssRight = 16, ssMiddle = 32, ssDouble = 64
};
using TShiftState = unsigned;

enum TAlignment { taLeftJustify, taRightJustify, taCenter };
inline constexpr TEnumName<TAlignment> kAlignmentNames[] = {
    {L"taLeftJustify", taLeftJustify}, {L"taRightJustify", taRightJustify}, {L"taCenter", taCenter},
};
constexpr const auto& EnumNames(TAlignment) { return kAlignmentNames; }

// Cursor identifiers: negative values are the stock cursors; positive ones are registered by
// the program (TApplication::SetCursorHandle).
using TCursor = int;
constexpr TCursor crDefault = 0, crNone = -1, crArrow = -2, crCross = -3, crIBeam = -4,
                  crSizeNESW = -6, crSizeNS = -7, crSizeNWSE = -8, crSizeWE = -9, crUpArrow = -10,
                  crHourGlass = -11, crNo = -18, crAppStart = -19, crHelp = -20, crHandPoint = -21,
                  crSizeAll = -22;

// Behaviour switches of a control class (set in constructors).
enum TControlStyleFlag : unsigned {
    csAcceptsControls = 1,  // may be a parent (layouts check it)
    csCaptureMouse = 2,     // captures the mouse while a button is down
    csClickEvents = 4,      // a left press and release inside fires Click()
    csDoubleClicks = 8,     // a double click fires DblClick(); otherwise it counts as a press
    csOpaque = 16           // paints its whole rectangle (the parent need not paint beneath)
};
using TControlStyle = unsigned;

struct TSizeConstraints {
    int MinWidth = 0;   // 0: no limit
    int MinHeight = 0;
    int MaxWidth = 0;
    int MaxHeight = 0;
    // The size clamped to the limits (a maximum below the minimum yields the minimum).
    Size Apply(Size s) const;
    bool operator==(const TSizeConstraints&) const = default;
};

using TMouseEvent = std::function<void(TObject* sender, TMouseButton button, TShiftState shift, int x, int y)>;
using TMouseMoveEvent = std::function<void(TObject* sender, TShiftState shift, int x, int y)>;
using TKeyEvent = std::function<void(TObject* sender, WORD& key, TShiftState shift)>;   // key = 0: consumed
using TKeyPressEvent = std::function<void(TObject* sender, wchar_t& key)>;              // key = 0: consumed

// The modifier keys held now (Shift, Ctrl, Alt).
TShiftState KeyboardShiftState();
// Shift state of a mouse message: its MK_* flags plus Alt.
TShiftState MouseShiftState(WPARAM wParam);

// Control messages (Perform), and notifications a parent reflects back to the child window
// they came from: CN_NOTIFY = CN_BASE + WM_NOTIFY carries the same WPARAM/LPARAM.
constexpr UINT CM_BASE = 0xB000;
constexpr UINT CN_BASE = 0xBC00;
constexpr UINT CN_COMMAND = CN_BASE + WM_COMMAND;
constexpr UINT CN_NOTIFY = CN_BASE + WM_NOTIFY;
constexpr UINT CN_CTLCOLORMSGBOX = CN_BASE + WM_CTLCOLORMSGBOX;
constexpr UINT CN_CTLCOLOREDIT = CN_BASE + WM_CTLCOLOREDIT;
constexpr UINT CN_CTLCOLORLISTBOX = CN_BASE + WM_CTLCOLORLISTBOX;
constexpr UINT CN_CTLCOLORBTN = CN_BASE + WM_CTLCOLORBTN;
constexpr UINT CN_CTLCOLORDLG = CN_BASE + WM_CTLCOLORDLG;
constexpr UINT CN_CTLCOLORSCROLLBAR = CN_BASE + WM_CTLCOLORSCROLLBAR;
constexpr UINT CN_CTLCOLORSTATIC = CN_BASE + WM_CTLCOLORSTATIC;

// ---------------------------------------------------------------------------------------------
// TControl
// ---------------------------------------------------------------------------------------------

class TControl : public TComponent {
public:
    explicit TControl(TComponent* owner = nullptr);
    ~TControl() override;
    std::wstring ClassName() const override { return L"TControl"; }

    // --- parent -------------------------------------------------------------------------------
    TWinControl* Parent() const { return FParent; }
    // Moves the control into `parent`'s child list (last in z-order); nullptr detaches it.
    // Parents never destroy their children: owners do.
    void SetParent(TWinControl* parent);
    virtual bool IsWindowed() const { return false; }

    // --- bounds (in the parent's client coordinates) ------------------------------------------
    int Left() const { return FBounds.left; }
    int Top() const { return FBounds.top; }
    int Width() const { return FBounds.Width(); }
    int Height() const { return FBounds.Height(); }
    const Rect& BoundsRect() const { return FBounds; }
    void SetLeft(int v) { SetBounds(v, Top(), Width(), Height()); }
    void SetTop(int v) { SetBounds(Left(), v, Width(), Height()); }
    void SetWidth(int v) { SetBounds(Left(), Top(), v, Height()); }
    void SetHeight(int v) { SetBounds(Left(), Top(), Width(), v); }
    void SetBoundsRect(const Rect& r) { SetBounds(r.left, r.top, r.Width(), r.Height()); }
    // Bounds chosen by the program or a layout: the size is clamped to Constraints, the anchor
    // distances are taken again from here, and an aligned control makes its parent re-align.
    virtual void SetBounds(int left, int top, int width, int height);
    // Bounds chosen by the parent's layout (alignment, anchors, a splitter's panes): the anchor
    // distances stay as they were.
    void SetAlignedBounds(const Rect& r);

    // The client area in the control's own coordinates: (0, 0, Width, Height) unless a window
    // frame takes part of it.
    virtual Rect ClientRect() const { return Rect{0, 0, Width(), Height()}; }
    int ClientWidth() const { return ClientRect().Width(); }
    int ClientHeight() const { return ClientRect().Height(); }
    // Position of the control's client origin in its parent's client area.
    virtual Point ClientOrigin() const { return FBounds.TopLeft(); }
    Point ClientToScreen(Point p) const;
    Point ScreenToClient(Point p) const;
    // From this control's client coordinates to an ancestor's (nullptr: the top-level window's).
    Point ClientToAncestor(Point p, const TWinControl* ancestor) const;

    TAlign Align() const { return FAlign; }
    void SetAlign(TAlign value);
    TAnchors Anchors() const { return FAnchors; }
    void SetAnchors(TAnchors value);
    const TSizeConstraints& Constraints() const { return FConstraints; }
    void SetConstraints(const TSizeConstraints& value);

    // --- state --------------------------------------------------------------------------------
    bool Visible() const { return FVisible; }
    void SetVisible(bool value);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    // Visible, and so are all its parents (and the top-level window is shown).
    virtual bool Showing() const;
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool value);

    TColor Color() const { return FColor; }
    void SetColor(TColor value);          // clears ParentColor
    bool ParentColor() const { return FParentColor; }
    void SetParentColor(bool value);      // true: takes the parent's colour now and on its changes
    const TFont& Font() const { return FFont; }
    void SetFont(const TFont& value);     // clears ParentFont
    bool ParentFont() const { return FParentFont; }
    void SetParentFont(bool value);

    // The caption of a button or label, the text of an edit (the same value).
    virtual std::wstring Caption() const { return FCaption; }
    void SetCaption(const std::wstring& value);
    std::wstring Text() const { return Caption(); }
    void SetText(const std::wstring& value) { SetCaption(value); }

    const std::wstring& Hint() const { return FHint; }
    void SetHint(const std::wstring& value) { FHint = value; }
    bool ShowHint() const { return FShowHint; }
    void SetShowHint(bool value);         // clears ParentShowHint
    bool ParentShowHint() const { return FParentShowHint; }
    void SetParentShowHint(bool value);   // true: takes the parent's ShowHint

    TCursor Cursor() const { return FCursor; }
    void SetCursor(TCursor value);

    TControlStyle ControlStyle() const { return FControlStyle; }
    void SetControlStyle(TControlStyle value) { FControlStyle = value; }
    int Tag = 0;

    // --- painting and messages ----------------------------------------------------------------
    // Marks the whole control for repainting at the next paint message.
    virtual void Invalidate();
    // Marks part of it (client coordinates).
    virtual void InvalidateRect(const Rect& r);
    // Paints pending invalid areas now.
    virtual void Update();
    void Repaint() { Invalidate(); Update(); }
    // Paints the control into `dc`, whose origin is the control's client origin; windowed
    // controls paint their graphic children too. WM_PRINTCLIENT and pixel tests use it.
    virtual void PaintTo(HDC dc, const Rect& update);
    // Sends a control message to the control now (windowless controls included); windowed
    // controls run it through their whole dispatcher.
    virtual LRESULT Perform(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);

    // Fires OnClick. Buttons override it to do their work first.
    virtual void Click();

    // --- events -------------------------------------------------------------------------------
    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TMouseEvent OnMouseDown;
    TMouseEvent OnMouseUp;
    TMouseMoveEvent OnMouseMove;
    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseLeave;
    TNotifyEvent OnResize;

    void Loaded() override;

protected:
    // --- named handlers: override these -------------------------------------------------------
    // Paints the control; `update` is the part that needs it (client coordinates). The canvas
    // is clipped to the control.
    virtual void Paint(TCanvas& canvas, const Rect& update) {}
    // Mouse handlers fire the matching events; x and y are client coordinates.
    virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
    virtual void MouseMove(TShiftState shift, int x, int y);
    virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
    virtual void DblClick();
    // The pointer came over the control / left it (only the innermost control under the
    // pointer counts as entered).
    virtual void MouseEnter();
    virtual void MouseLeave();
    virtual void Resize();            // the size changed; fires OnResize
    // The mouse capture this control held ended (button released, or taken by the system):
    // the one place where a drag ends.
    virtual void MouseCaptureLost() {}
    virtual void EnabledChanged() { Invalidate(); }
    virtual void VisibleChanged() {}
    virtual void FontChanged() { Invalidate(); }
    virtual void ColorChanged() { Invalidate(); }
    virtual void TextChanged() { Invalidate(); }
    virtual void ParentChanged() {}
    // Whether a point of the client area belongs to the control (for windowless controls
    // that let the mouse through some of their pixels).
    virtual bool HitTest(Point local) const { return true; }
    // The form offers an accelerator character (Alt+letter, or a letter while the focused
    // control does not want characters). Return true to consume it.
    virtual bool DialogChar(wchar_t ch) { return false; }
    // The form offers a dialog key (Enter, Escape) that the focused control did not want.
    virtual bool DialogKey(WORD key, TShiftState shift) { return false; }
    // The keyboard focus moved to `focused` (nullptr: no control) within the control's form.
    virtual void ActiveControlChanged(TWinControl* focused) {}
    // Hook before the dispatcher: return true with `result` set to handle the message (mouse
    // and window messages of windowed controls, control messages sent through Perform).
    virtual bool HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) { return false; }

    // The size after Constraints (and any size rule of the class, e.g. auto-size).
    virtual Size ConstrainedSize(Size s) const { return FConstraints.Apply(s); }
    // Stores new bounds and carries out the consequences (window move, invalidation, re-align
    // of children, Resize()). Windowed controls override it to move their window.
    virtual void ApplyBounds(const Rect& r);
    // Carries a change of Visible to the screen (windowed controls show or hide the window).
    virtual void ApplyVisible();
    // The parent's font or colour changed and the control takes it.
    void TakeParentFont(const TFont& font);
    void TakeParentColor(TColor color);
    void TakeParentShowHint(bool showHint);

    // For setters: stores `value` in `field` when it differs and says whether it did, so a
    // setter with its own follow-up (re-layout, a frame repaint) runs it only on a change.
    template <typename T, typename U>
    static bool StoreIfChanged(T& field, U&& value) {
        if (field == value) return false;
        field = std::forward<U>(value);
        return true;
    }
    // The same, then the whole control repaints: the body of a setter of a painted-only value.
    template <typename T, typename U>
    bool SetAndInvalidate(T& field, U&& value) {
        if (!StoreIfChanged(field, std::forward<U>(value))) return false;
        Invalidate();
        return true;
    }

private:
    friend class TWinControl;
    friend class TForm;
    friend class TApplication;

    // Mouse input routed to this control (by its own window or by the windowed parent).
    enum class TMouseAction { Down, Up, DoubleClick, Move };
    void DeliverMouse(TMouseAction action, TMouseButton button, TShiftState shift, Point local);
    void RememberAnchorOrigin();
    void RequestParentAlign();
    void NotifyFontChanged();
    void NotifyColorChanged();

    TWinControl* FParent = nullptr;
    Rect FBounds;
    TAlign FAlign = alNone;
    TAnchors FAnchors = kDefaultAnchors;
    TSizeConstraints FConstraints;
    // Bounds and parent client size when the bounds were last chosen explicitly: anchors
    // keep the distances measured here.
    Rect FAnchorBounds;
    Size FAnchorParentSize;
    bool FAnchorOriginValid = false;
    bool FVisible = true;
    bool FEnabled = true;
    TColor FColor = clBtnFace;
    bool FParentColor = true;
    TFont FFont;
    bool FParentFont = true;
    std::wstring FCaption;
    std::wstring FHint;
    bool FShowHint = false;
    bool FParentShowHint = true;
    TCursor FCursor = crDefault;
    TControlStyle FControlStyle = csCaptureMouse | csClickEvents | csDoubleClicks;
    bool FClickPending = false;
};

// ---------------------------------------------------------------------------------------------
// TGraphicControl
// ---------------------------------------------------------------------------------------------

class TGraphicControl : public TControl {
public:
    explicit TGraphicControl(TComponent* owner = nullptr);
    std::wstring ClassName() const override { return L"TGraphicControl"; }
    void PaintTo(HDC dc, const Rect& update) override;
};

// ---------------------------------------------------------------------------------------------
// TWinControl
// ---------------------------------------------------------------------------------------------

// What CreateWindowExW is called with. A control that wraps a platform control names it in
// BaseClassName: the window class WinClassName is then registered as a copy of it whose
// window procedure is the framework's, and everything the control does not handle goes on to
// the platform control's own procedure.
struct TCreateParams {
    std::wstring WinClassName;    // registered once per process
    std::wstring BaseClassName;   // e.g. WC_TREEVIEWW, L"EDIT"; empty: a window of our own
    std::wstring Caption;
    DWORD Style = 0;
    DWORD ExStyle = 0;
    UINT ClassStyle = 0;          // CS_* of our own classes
    int X = 0, Y = 0, Width = 0, Height = 0;
    HWND WndParent = nullptr;     // parent (child windows) or owner (top-level windows)
};

class TWinControl : public TControl {
public:
    explicit TWinControl(TComponent* owner = nullptr);
    ~TWinControl() override;
    std::wstring ClassName() const override { return L"TWinControl"; }
    bool IsWindowed() const override { return true; }

    // --- the window ---------------------------------------------------------------------------
    // The window, created now if it does not exist yet (its parents' windows first).
    HWND Handle();
    bool HandleAllocated() const { return FHandle != nullptr; }
    HWND HandleIfAllocated() const { return FHandle; }
    void HandleNeeded() { Handle(); }
    // Destroys the window and creates it again (after CreateParams would give other values).
    void RecreateWnd();
    // True when the control wraps a platform control (BaseClassName was set).
    bool IsPlatformControl() const { return FBaseProc != nullptr; }
    // The control that owns a window of the framework; nullptr for any other window.
    static TWinControl* FindControl(HWND wnd);
    // The control owning `wnd` or the nearest of its parent windows that has one.
    static TWinControl* FindControlOrAncestor(HWND wnd);
    // The window class's own processing of a message: DefWindowProcW, or the wrapped
    // platform control's procedure.
    LRESULT DefaultHandler(UINT msg, WPARAM wParam, LPARAM lParam);
    // A font handle for the control's Font (platform controls get it through WM_SETFONT).
    HFONT FontHandle();

    // --- children -----------------------------------------------------------------------------
    // Child controls in creation order, which is also the painting (z-) order of the windowless.
    const std::vector<TControl*>& Controls() const { return FControls; }
    int ControlCount() const { return static_cast<int>(FControls.size()); }
    bool ContainsControl(const TControl* control) const; // any depth, itself included
    // The topmost visible windowless child at p (client coordinates) that accepts the point;
    // windowed children are included when `includeWindowed`.
    TControl* ControlAtPos(Point p, bool allowDisabled = false, bool includeWindowed = false) const;

    // --- alignment ----------------------------------------------------------------------------
    int BorderWidth() const { return FBorderWidth; }
    virtual void SetBorderWidth(int value);
    // The area children are aligned in: ClientRect() after AdjustClientRect.
    Rect AlignRect() const;
    // Lays the children out again: aligned ones by Align, the others by Anchors.
    void ReAlign();
    // Nested: alignment requested while disabled is carried out by the last EnableAlign.
    void DisableAlign() { ++FAlignDisabled; }
    void EnableAlign();
    bool AlignDisabled() const { return FAlignDisabled > 0; }

    // --- focus --------------------------------------------------------------------------------
    bool Focused() const;
    // Visible and enabled, with every parent, and the window can take the focus.
    virtual bool CanFocus() const;
    void SetFocus();
    int TabOrder() const { return FTabOrder; }
    void SetTabOrder(int value);
    bool TabStop() const { return FTabStop; }
    void SetTabStop(bool value) { FTabStop = value; }
    // The windowed descendants that can take the focus, in tab order (depth first).
    std::vector<TWinControl*> TabOrderList() const;
    // The next (or previous) control after `current` in tab order, wrapping around;
    // nullptr when there is none.
    TWinControl* FindNextControl(TWinControl* current, bool forward, bool checkTabStop) const;
    void SelectNext(TWinControl* current, bool forward, bool checkTabStop = true);

    // --- mouse capture ------------------------------------------------------------------------
    // The child (or this control) that receives all mouse input of this window now.
    TControl* CaptureControl() const { return FCaptureControl; }
    void SetCaptureControl(TControl* control);   // nullptr releases
    void ReleaseMouseCapture() { SetCaptureControl(nullptr); }

    // --- painting -----------------------------------------------------------------------------
    void Invalidate() override;
    void InvalidateRect(const Rect& r) override;
    void Update() override;
    void PaintTo(HDC dc, const Rect& update) override;
    LRESULT Perform(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) override;
    Rect ClientRect() const override;
    Point ClientOrigin() const override;
    std::wstring Caption() const override;
    bool Showing() const override;

    TKeyEvent OnKeyDown;
    TKeyEvent OnKeyUp;
    TKeyPressEvent OnKeyPress;
    TNotifyEvent OnEnter;   // got the keyboard focus
    TNotifyEvent OnExit;    // lost it

    void Loaded() override;

protected:
    // --- window creation ----------------------------------------------------------------------
    virtual void CreateParams(TCreateParams& params);
    // The window exists (children's windows not yet): set up window-side state here.
    virtual void CreateWnd() {}
    // The window is about to be destroyed by DestroyHandle/RecreateWnd. A window that goes
    // with its parent's window, or with the control, sees only WM_DESTROY (HandleMessage).
    virtual void DestroyWnd() {}
    void DestroyHandle();

    // --- layout -------------------------------------------------------------------------------
    // Shrinks the client rectangle to the area children are aligned in; the default takes
    // off BorderWidth on every side.
    virtual void AdjustClientRect(Rect& rect) const;
    // Aligns the children within `rect` (the AlignRect); the default does Align then Anchors.
    // Containers that lay out their children themselves override it.
    virtual void AlignControls(Rect& rect);

    // --- named handlers of the dispatcher -----------------------------------------------------
    // The default paint of a window of our own: fill with Color.
    void Paint(TCanvas& canvas, const Rect& update) override;
    // Painting through an off-screen bitmap (on by default for windows of our own).
    bool DoubleBuffered() const { return FDoubleBuffered; }
    void SetDoubleBuffered(bool value) { FDoubleBuffered = value; }
    // Keys: return true to consume (no default processing follows).
    virtual bool KeyDown(WORD key, TShiftState shift);
    virtual bool KeyUp(WORD key, TShiftState shift);
    virtual bool KeyPress(wchar_t& ch);
    // WM_GETDLGCODE of a window of our own (platform controls answer themselves).
    virtual LRESULT DialogCode() { return 0; }
    // Gained (true) or lost the keyboard focus; fires OnEnter/OnExit.
    virtual void FocusChanged(bool focused);
    // Top-level window messages (TForm overrides them).
    virtual void Activated(bool active) {}
    virtual bool CloseRequested() { return false; }           // WM_CLOSE; true: handled
    virtual void GetMinMaxInfo(MINMAXINFO& info);
    virtual bool NcCalcSize(WPARAM wParam, LPARAM lParam, LRESULT& result) { return false; }
    virtual bool NcPaint(HRGN region) { return false; }
    // WM_SETCURSOR over the client area: the cursor of the control under the pointer.
    virtual bool SetCursorFor(Point client);

    void ApplyBounds(const Rect& r) override;
    void ApplyVisible() override;

    // The one dispatcher of every window message of the control (after HandleMessage).
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam);

private:
    friend class TControl;
    friend class TForm;
    friend LRESULT CALLBACK FrameworkWindowProc(HWND, UINT, WPARAM, LPARAM);

    void CreateHandle();
    void AttachHandle(HWND wnd);
    void InsertControl(TControl* control);
    void RemoveControl(TControl* control);
    void AlignByKind(Rect& rect);
    void ApplyAnchors(const Rect& rect);
    void PaintControls(HDC dc, const Rect& update);
    void OnPaintMessage();
    void OnMouseMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    void SetHoverControl(TControl* control);
    void OnWindowPosChanged();
    Rect WindowBoundsNow() const;
    Rect FrameInsets() const;          // client area inside the window rect, without a window
    void OnCaptureChanged();
    bool ReflectToChild(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
    void AddTabOrderList(std::vector<TWinControl*>& list) const;

    HWND FHandle = nullptr;
    WNDPROC FBaseProc = nullptr;        // the wrapped platform control's procedure
    std::vector<TControl*> FControls;
    FontOwner FFontHandle;
    int FBorderWidth = 0;
    int FAlignDisabled = 0;
    bool FAlignPending = false;
    bool FAligning = false;
    bool FInSetWindowPos = false;
    bool FDoubleBuffered = true;
    bool FTrackingLeave = false;        // TrackMouseEvent(TME_LEAVE) is pending
    int FTabOrder = -1;
    bool FTabStop = false;
    TControl* FCaptureControl = nullptr;
    TControl* FHoverControl = nullptr;  // the control under the pointer (this or a child)
};

// ---------------------------------------------------------------------------------------------
// TCustomControl
// ---------------------------------------------------------------------------------------------

// A window that paints itself: override Paint(canvas, update). WM_PAINT and WM_PRINTCLIENT
// both arrive there (through an off-screen bitmap for WM_PAINT), WM_ERASEBKGND does nothing,
// and the windowless children are painted over it afterwards.
class TCustomControl : public TWinControl {
public:
    explicit TCustomControl(TComponent* owner = nullptr);
    std::wstring ClassName() const override { return L"TCustomControl"; }
};

} // namespace ui
