// TForm: a top-level window. Border style and icons, position on first show, window state,
// constraints as the minimum tracking size, the keyboard focus among its controls, dialog keys
// (Tab, Enter, Escape, Alt+letter), modal showing, and the table of named event handlers that
// window layouts bind (OnClick = BtnFitClick).
#pragma once
#include "ui/Control.h"
#include <map>
#include <utility>

namespace ui {

enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };

enum TBorderIcon : unsigned { biSystemMenu = 1, biMinimize = 2, biMaximize = 4, biHelp = 8 };
using TBorderIcons = unsigned;

enum TPosition {
    poDesigned,         // Left/Top as given
    poDefault,          // position and size chosen by the system
    poDefaultPosOnly,   // position chosen by the system
    poDefaultSizeOnly,  // size chosen by the system
    poScreenCenter,     // centred in the work area of the monitor it appears on
    poDesktopCenter,    // centred on the whole virtual desktop
    poMainFormCenter,   // centred over the application's main window
    poOwnerFormCenter   // centred over the owning form (else as poMainFormCenter)
};

enum TWindowState { wsNormal, wsMinimized, wsMaximized };
enum TCloseAction { caNone, caHide, caFree, caMinimize };

using TModalResult = int;
constexpr TModalResult mrNone = 0, mrOk = IDOK, mrCancel = IDCANCEL, mrAbort = IDABORT,
                       mrRetry = IDRETRY, mrIgnore = IDIGNORE, mrYes = IDYES, mrNo = IDNO;

using TCloseEvent = std::function<void(TObject* sender, TCloseAction& action)>;
using TCloseQueryEvent = std::function<void(TObject* sender, bool& canClose)>;

class TForm : public TWinControl {
public:
    explicit TForm(TComponent* owner = nullptr);
    ~TForm() override;
    std::wstring ClassName() const override { return L"TForm"; }
    // Fires OnCreate; an exception from it goes to the application's error box.
    void AfterConstruction() override;
    void Loaded() override;

    // --- window -------------------------------------------------------------------------------
    TFormBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TFormBorderStyle value);
    TBorderIcons BorderIcons() const { return FBorderIcons; }
    void SetBorderIcons(TBorderIcons value);
    TPosition Position() const { return FPosition; }
    void SetPosition(TPosition value) { FPosition = value; }
    TWindowState WindowState() const;
    void SetWindowState(TWindowState value);
    // The form's BorderWidth is a margin outside the client area (painted in Color): client
    // coordinates, ClientWidth/ClientHeight and alignment all start inside it.
    void SetBorderWidth(int value) override;
    void SetClientWidth(int value) { SetClientSize(value, ClientHeight()); }
    void SetClientHeight(int value) { SetClientSize(ClientWidth(), value); }
    void SetClientSize(int width, int height);
    Rect ClientRect() const override;
    bool Active() const;

    // --- showing and closing ------------------------------------------------------------------
    void Show();              // makes it visible (applying Position on the first show) and active
    void Close();             // modal: ModalResult = mrCancel; otherwise OnCloseQuery/OnClose
    // Shows the form modally: the application's other windows are disabled and a nested
    // message loop runs until ModalResult is non-zero (a button, Close, the close box) or the
    // application terminates (mrCancel). Returns the modal result; the form is hidden after.
    TModalResult ShowModal();
    TModalResult ModalResult() const { return FModalResult; }
    void SetModalResult(TModalResult value) { FModalResult = value; }
    bool IsModal() const { return FModal; }

    // --- focus --------------------------------------------------------------------------------
    // The control that has (or gets back when the form is activated) the keyboard focus.
    TWinControl* ActiveControl() const { return FActiveControl; }
    void SetActiveControl(TWinControl* control);
    // Focuses the first control in tab order that is a tab stop.
    void SelectFirst();

    // --- keyboard -----------------------------------------------------------------------------
    // Run by the message loop for each keyboard message to a window inside this form before
    // it is dispatched; true: the message was used as a dialog key and is not dispatched.
    bool PreProcessKey(const MSG& msg);
    // Tab / Shift+Tab move the focus; other keys are offered to every control.
    bool DialogKey(WORD key, TShiftState shift) override;
    // Offers the character to every visible, enabled control (in creation order).
    bool DialogChar(wchar_t ch) override;

    // --- named handlers for layouts -----------------------------------------------------------
    void RegisterHandler(const std::wstring& name, TNotifyEvent handler);
    void RegisterHandler(const std::wstring& name, TMouseEvent handler);
    void RegisterHandler(const std::wstring& name, TMouseMoveEvent handler);
    void RegisterHandler(const std::wstring& name, TKeyEvent handler);
    void RegisterHandler(const std::wstring& name, TKeyPressEvent handler);
    void RegisterHandler(const std::wstring& name, TCloseEvent handler);
    // nullptr when no handler of that name and type was registered (names are case-insensitive).
    const TNotifyEvent* FindNotifyHandler(const std::wstring& name) const;
    const TMouseEvent* FindMouseHandler(const std::wstring& name) const;
    const TMouseMoveEvent* FindMouseMoveHandler(const std::wstring& name) const;
    const TKeyEvent* FindKeyHandler(const std::wstring& name) const;
    const TKeyPressEvent* FindKeyPressHandler(const std::wstring& name) const;
    const TCloseEvent* FindCloseHandler(const std::wstring& name) const;

    TNotifyEvent OnCreate;      // after construction (and the layout) is complete
    TNotifyEvent OnActivate;    // the window became the active one
    TNotifyEvent OnDeactivate;
    TNotifyEvent OnShow;
    TNotifyEvent OnHide;
    TCloseEvent OnClose;
    TCloseQueryEvent OnCloseQuery;
    TNotifyEvent OnDestroy;     // at the start of destruction, controls still in place

protected:
    virtual void DoCreate();
    virtual bool CloseQuery();
    virtual void DoClose(TCloseAction& action);

    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void AdjustClientRect(Rect& rect) const override {}
    void Activated(bool active) override;
    bool CloseRequested() override;
    void GetMinMaxInfo(MINMAXINFO& info) override;
    bool NcCalcSize(WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    bool NcPaint(HRGN region) override;
    void ApplyVisible() override;
    void TextChanged() override {}

private:
    friend class TWinControl;
    friend class TApplication;
    void PlaceOnFirstShow();
    void ApplyStyles();                               // border style/icons to a live window
    void Release();                                   // destroy from the message loop
    void FocusControlChanged(TWinControl* control);   // a control of the form got the focus
    void ForgetControl(TControl* control);
    Size FrameSize() const;                           // window size minus client size
    void BroadcastDialogChar(TWinControl* parent, wchar_t ch, bool& done);
    static void BroadcastDialogKey(TWinControl* parent, WORD key, TShiftState shift, bool& done);
    static void BroadcastActiveControl(TWinControl* parent, TWinControl* focused);

    template <typename F>
    using HandlerTable = std::map<std::wstring, F>;
    HandlerTable<TNotifyEvent> FNotifyHandlers;
    HandlerTable<TMouseEvent> FMouseHandlers;
    HandlerTable<TMouseMoveEvent> FMouseMoveHandlers;
    HandlerTable<TKeyEvent> FKeyHandlers;
    HandlerTable<TKeyPressEvent> FKeyPressHandlers;
    HandlerTable<TCloseEvent> FCloseHandlers;

    TFormBorderStyle FBorderStyle = bsSizeable;
    TBorderIcons FBorderIcons = biSystemMenu | biMinimize | biMaximize;
    TPosition FPosition = poDesigned;
    TWindowState FWindowState = wsNormal;
    TModalResult FModalResult = mrNone;
    bool FModal = false;
    bool FShownOnce = false;
    TWinControl* FActiveControl = nullptr;
};

// The form a control lies on (the control itself when it is a form); nullptr when none.
TForm* GetParentForm(const TControl* control);
// Whether `ch` is the &-marked accelerator letter of `caption` ("确定(&O)" → 'o' or 'O').
bool IsAccel(wchar_t ch, const std::wstring& caption);

// Creates a form of class T owned by `owner` and completes its construction (OnCreate).
template <typename T, typename... Args>
T* NewForm(TComponent* owner, Args&&... args) {
    T* form = new T(owner, std::forward<Args>(args)...);
    form->AfterConstruction();
    return form;
}

} // namespace ui
