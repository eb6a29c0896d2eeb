// Forms and the application object: the error box, modal loops, dialog keys, activation,
// hints, ownership, and platform controls wrapped by the framework.
#include "core_test_support.h"
#include <commctrl.h>
#include <memory>
#include <atomic>
#include <thread>

using namespace ui;
using coretest::Pump;

namespace {

// A push button as the widget kit builds one on the framework's hooks: Default (Enter while
// no other button has the focus), Cancel (Escape), an &-accelerator and a modal result.
class TTestButton : public TCustomControl {
public:
    TTestButton(TComponent* owner, std::wstring caption, std::vector<std::wstring>* log) : TCustomControl(owner), FLog(log) {
        SetCaption(caption);
        SetTabStop(true);
    }
    bool Default = false;
    bool Cancel = false;
    TModalResult Result = mrNone;
    void Click() override {
        if (FLog) FLog->push_back(Caption() + L" click");
        if (TForm* form = GetParentForm(this)) form->SetModalResult(Result);
        TCustomControl::Click();
    }

protected:
    bool DialogKey(WORD key, TShiftState shift) override {
        if (shift & (ssCtrl | ssAlt | ssShift)) return false;
        if ((key == VK_RETURN && FActsAsDefault) || (key == VK_ESCAPE && Cancel)) {
            Click();
            return true;
        }
        return false;
    }
    bool DialogChar(wchar_t ch) override {
        if (!IsAccel(ch, Caption()) || !CanFocus()) return false;
        Click();
        return true;
    }
    void ActiveControlChanged(TWinControl* focused) override {
        bool focusedButton = dynamic_cast<TTestButton*>(focused) != nullptr;
        FActsAsDefault = focusedButton ? focused == this : Default;
    }

private:
    std::vector<std::wstring>* FLog;
    bool FActsAsDefault = false;
};

// A focusable control that is not a button; optionally it keeps Enter for itself.
class TTestField : public TCustomControl {
public:
    explicit TTestField(TComponent* owner, bool wantsEnter = false) : TCustomControl(owner), FWantsEnter(wantsEnter) { SetTabStop(true); }
    int EnterKeys = 0;

protected:
    LRESULT DialogCode() override { return FWantsEnter ? DLGC_WANTALLKEYS : 0; }
    bool KeyDown(WORD key, TShiftState shift) override {
        if (key == VK_RETURN) ++EnterKeys;
        return TCustomControl::KeyDown(key, shift);
    }

private:
    bool FWantsEnter;
};

// The description dialog's shape: a field on top, an OK button on a panel at the bottom.
struct TestDialog {
    std::vector<std::wstring> log;
    std::unique_ptr<TForm> form{new TForm(nullptr)};
    TTestField* field;
    TCustomControl* panel;
    TTestButton* ok;
    TTestButton* cancel;

    explicit TestDialog(bool fieldWantsEnter = false) {
        form->SetBorderStyle(bsDialog);
        form->SetBorderIcons(biSystemMenu);
        form->SetBorderWidth(6);
        form->SetBounds(200, 150, 100, 100);
        form->SetClientSize(330, 354);
        form->SetPosition(poScreenCenter);
        field = new TTestField(form.get(), fieldWantsEnter);
        field->SetParent(form.get());
        field->SetBounds(0, 0, 330, 320);
        field->SetAlign(alClient);
        panel = new TCustomControl(form.get());
        panel->SetParent(form.get());
        panel->SetBounds(0, 320, 330, 34);
        panel->SetAlign(alBottom);
        ok = new TTestButton(form.get(), L"确定(&O)", &log);
        ok->SetParent(panel);
        ok->SetBounds(246, 9, 75, 23);
        ok->Default = true;
        ok->Result = mrOk;
        cancel = new TTestButton(form.get(), L"取消(&C)", &log);
        cancel->SetParent(panel);
        cancel->SetBounds(160, 9, 75, 23);
        cancel->Cancel = true;
        cancel->Result = mrCancel;
    }
};

TForm* gRunningModal = nullptr;

// A safety net: a modal loop that never ends would hang the whole test run.
void CALLBACK EndStuckModal(HWND, UINT, UINT_PTR, DWORD) {
    if (gRunningModal) gRunningModal->SetModalResult(-1);
}

// Runs `steps` one after another from inside the modal loop of `form`, pumping in between.
TModalResult RunModal(TForm& form, std::vector<std::function<void()>> steps) {
    auto queue = std::make_shared<std::vector<std::function<void()>>>(std::move(steps));
    auto index = std::make_shared<size_t>(0);
    auto next = std::make_shared<std::function<void()>>();
    *next = [queue, index, next] {
        if (*index >= queue->size()) return;
        (*queue)[(*index)++]();
        Pump(20);
        Application().QueueCall(*next);
    };
    Application().QueueCall(*next);
    gRunningModal = &form;
    UINT_PTR timer = SetTimer(nullptr, 0, 5000, EndStuckModal);
    TModalResult result = form.ShowModal();
    KillTimer(nullptr, timer);
    gRunningModal = nullptr;
    *next = nullptr;
    return result;
}

} // namespace

TEST(ErrorBox, TextGetsADotOnlyAfterCharactersThatSortAfterIt) {
    EXPECT_EQ(ErrorBoxText(L"abc"), L"abc.");
    EXPECT_EQ(ErrorBoxText(L"abc."), L"abc.");
    EXPECT_EQ(ErrorBoxText(L"x!"), L"x!");      // '!' < '.'
    EXPECT_EQ(ErrorBoxText(L"x-"), L"x-");      // '-' is 0x2D
    EXPECT_EQ(ErrorBoxText(L"x/"), L"x/.");     // '/' is 0x2F
    EXPECT_EQ(ErrorBoxText(L"x)"), L"x)");
    EXPECT_EQ(ErrorBoxText(L"文件不存在"), L"文件不存在.");
    EXPECT_EQ(ErrorBoxText(L"访问被拒绝。"), L"访问被拒绝。");  // the system's own texts end so
    EXPECT_EQ(ErrorBoxText(L"文件不存在！"), L"文件不存在！");
    EXPECT_EQ(ErrorBoxText(L""), L"");
    // Library messages arrive as UTF-8 or in the system code page.
    EXPECT_EQ(ExceptionMessage(std::runtime_error("\xE9\x94\x99")), L"错");
    EXPECT_EQ(ExceptionMessage(Exception(L"坏")), L"坏");
}

TEST(ErrorBox, HandlerExceptionsAreReportedAndTheLoopGoesOn) {
    std::vector<std::wstring> reported;
    Application().OnException = [&](const std::exception& e) { reported.push_back(ErrorBoxText(ExceptionMessage(e))); };
    std::unique_ptr<TForm> form(coretest::ShowTestForm());
    form->OnClick = [](TObject*) { throw Exception(L"点击失败"); };
    PostMessageW(form->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    PostMessageW(form->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
    bool later = false;
    Application().QueueCall([&] { later = true; });
    Application().QueueCall([] { throw std::runtime_error("queued"); });
    Pump(30);
    EXPECT_TRUE(later);
    EXPECT_EQ(reported, (std::vector<std::wstring>{L"点击失败.", L"queued."}));

    // An error in the creation handler is shown too; the form is created all the same.
    reported.clear();
    struct TFailingForm : TForm {
        explicit TFailingForm(TComponent* owner) : TForm(owner) {
            OnCreate = [](TObject*) { throw Exception(L"目录错误"); };
        }
    };
    std::unique_ptr<TForm> failing(NewForm<TFailingForm>(nullptr));
    EXPECT_EQ(reported, (std::vector<std::wstring>{L"目录错误."}));
    Application().OnException = nullptr;
}

TEST(ModalForm, ResultEndsTheNestedLoopAndOtherWindowsAreDisabledMeanwhile) {
    std::unique_ptr<TForm> owner(coretest::ShowTestForm());
    TestDialog dlg;
    bool ownerDisabled = false, dialogVisible = false;
    TModalResult r = RunModal(*dlg.form, {
        [&] {
            ownerDisabled = !IsWindowEnabled(owner->Handle());
            dialogVisible = IsWindowVisible(dlg.form->Handle()) != FALSE;
        },
        [&] { dlg.form->SetModalResult(mrYes); },
    });
    EXPECT_EQ(r, mrYes);
    EXPECT_TRUE(ownerDisabled);
    EXPECT_TRUE(dialogVisible);
    EXPECT_TRUE(IsWindowEnabled(owner->Handle()));
    EXPECT_FALSE(IsWindowVisible(dlg.form->Handle()));
    // The dialog was centred on the screen and its client area lies inside the margin.
    EXPECT_EQ(dlg.form->ClientWidth(), 330);
    EXPECT_EQ(dlg.field->BoundsRect(), (Rect{0, 0, 330, 320}));
    EXPECT_EQ(dlg.panel->BoundsRect(), (Rect{0, 320, 330, 354}));
    // Child windows stack in creation order: the later panel lies above the field.
    EXPECT_EQ(GetWindow(dlg.panel->Handle(), GW_HWNDNEXT), dlg.field->Handle());

    // The close box ends it with mrCancel; a refusing OnCloseQuery keeps it open.
    int queries = 0;
    dlg.form->OnCloseQuery = [&](TObject*, bool& can) { can = ++queries > 1; };
    r = RunModal(*dlg.form, {
        [&] { PostMessageW(dlg.form->Handle(), WM_CLOSE, 0, 0); },
        [&] { EXPECT_TRUE(IsWindowVisible(dlg.form->Handle())); },
        [&] { PostMessageW(dlg.form->Handle(), WM_CLOSE, 0, 0); },
    });
    EXPECT_EQ(r, mrCancel);
    EXPECT_EQ(queries, 2);
    EXPECT_THROW({ dlg.form->Show(); dlg.form->ShowModal(); }, Exception);
    dlg.form->Hide();
}

// The dialogs' BorderWidth: a margin between frame and client area, in the form's colour.
TEST(FormBorderWidth, MarginIsNonClientAndPaintedInTheFormColour) {
    std::unique_ptr<TForm> form(new TForm(nullptr));
    form->SetBorderStyle(bsDialog);
    form->SetColor(RGB(0, 128, 0));
    form->SetBounds(100, 100, 100, 100);
    form->SetClientSize(200, 120);
    form->Show();
    Pump(30);
    EXPECT_EQ(form->ClientWidth(), 200);
    form->SetBorderWidth(6);   // on a live window: the client area shrinks by the margin
    Pump(30);
    EXPECT_EQ(form->ClientWidth(), 188);
    EXPECT_EQ(form->ClientHeight(), 108);
    form->SetClientSize(200, 120);
    Pump(30);
    RECT window, client;
    GetWindowRect(form->Handle(), &window);
    GetClientRect(form->Handle(), &client);
    MapWindowPoints(form->Handle(), HWND_DESKTOP, reinterpret_cast<POINT*>(&client), 2);
    EXPECT_EQ(client.right - client.left, 200);
    HDC dc = GetWindowDC(form->Handle());
    COLORREF margin = GetPixel(dc, client.left - window.left - 3, client.top - window.top + 10);
    COLORREF inside = GetPixel(dc, client.left - window.left + 3, client.top - window.top + 10);
    ReleaseDC(form->Handle(), dc);
    EXPECT_EQ(margin, RGB(0, 128, 0));
    EXPECT_EQ(inside, RGB(0, 128, 0));
    // Client coordinates start inside the margin.
    Point origin = form->ClientToScreen(Point{0, 0});
    EXPECT_EQ(origin.x, client.left);
    EXPECT_EQ(origin.y, client.top);
}

TEST(ModalForm, EnterClicksTheDefaultButtonUnlessTheFocusedControlKeepsIt) {
    {
        TestDialog dlg;
        // The field has the focus first (tab order 0): Enter goes to the default button.
        TModalResult r = RunModal(*dlg.form, {
            [&] { EXPECT_EQ(dlg.form->ActiveControl(), dlg.field); },
            [&] { PostMessageW(GetFocus(), WM_KEYDOWN, VK_RETURN, 0); },
        });
        EXPECT_EQ(r, mrOk);
        EXPECT_EQ(dlg.log, (std::vector<std::wstring>{L"确定(&O) click"}));
        EXPECT_EQ(dlg.field->EnterKeys, 0);
    }
    {
        TestDialog dlg;
        // A focused button takes Enter itself, even when it is not the default one.
        TModalResult r = RunModal(*dlg.form, {
            [&] { dlg.cancel->SetFocus(); },
            [&] { PostMessageW(GetFocus(), WM_KEYDOWN, VK_RETURN, 0); },
        });
        EXPECT_EQ(r, mrCancel);
        EXPECT_EQ(dlg.log, (std::vector<std::wstring>{L"取消(&C) click"}));
    }
    {
        TestDialog dlg(/*fieldWantsEnter=*/true);
        TModalResult r = RunModal(*dlg.form, {
            [&] { PostMessageW(GetFocus(), WM_KEYDOWN, VK_RETURN, 0); },
            [&] { EXPECT_EQ(dlg.field->EnterKeys, 1); },
            [&] { PostMessageW(GetFocus(), WM_KEYDOWN, VK_ESCAPE, 0); },   // wanted too
            [&] { dlg.form->SetModalResult(mrAbort); },
        });
        EXPECT_EQ(r, mrAbort);
        EXPECT_TRUE(dlg.log.empty());
    }
    {
        TestDialog dlg;
        TModalResult r = RunModal(*dlg.form, {[&] { PostMessageW(GetFocus(), WM_KEYDOWN, VK_ESCAPE, 0); }});
        EXPECT_EQ(r, mrCancel);
        EXPECT_EQ(dlg.log, (std::vector<std::wstring>{L"取消(&C) click"}));
    }
}

TEST(ModalForm, AltLetterClicksTheAcceleratedButton) {
    TestDialog dlg;
    TModalResult r = RunModal(*dlg.form, {
        [&] { EXPECT_FALSE(dlg.form->DialogChar(L'x')); },   // nobody's letter
        [&] { PostMessageW(GetFocus(), WM_SYSCHAR, L'o', 1u << 29); },
    });
    EXPECT_EQ(r, mrOk);
    EXPECT_EQ(dlg.log, (std::vector<std::wstring>{L"确定(&O) click"}));
    EXPECT_TRUE(IsAccel(L'O', L"确定(&O)"));
    EXPECT_FALSE(IsAccel(L'a', L"R&&D"));
    EXPECT_TRUE(IsAccel(L'd', L"R&&&D"));
    EXPECT_FALSE(IsAccel(L'o', L"OK"));
}

TEST(ModalForm, TabMovesTheFocusInTabOrder) {
    TestDialog dlg;
    // Panel order: cancel before OK; the field last on the form.
    dlg.panel->SetTabOrder(0);
    dlg.ok->SetTabOrder(1);
    std::vector<TWinControl*> order;
    TModalResult r = RunModal(*dlg.form, {
        [&] { dlg.form->SelectFirst(); },
        [&] { order.push_back(dlg.form->ActiveControl()); PostMessageW(GetFocus(), WM_KEYDOWN, VK_TAB, 0); },
        [&] { order.push_back(dlg.form->ActiveControl()); PostMessageW(GetFocus(), WM_KEYDOWN, VK_TAB, 0); },
        [&] { order.push_back(dlg.form->ActiveControl()); PostMessageW(GetFocus(), WM_KEYDOWN, VK_TAB, 0); },
        [&] { order.push_back(dlg.form->ActiveControl()); dlg.form->DialogKey(VK_TAB, ssShift); },
        [&] { order.push_back(dlg.form->ActiveControl()); dlg.ok->SetEnabled(false); dlg.form->DialogKey(VK_TAB, 0); },
        [&] { order.push_back(dlg.form->ActiveControl()); dlg.form->SetModalResult(mrOk); },
    });
    EXPECT_EQ(r, mrOk);
    EXPECT_EQ(order, (std::vector<TWinControl*>{dlg.cancel, dlg.ok, dlg.field, dlg.cancel, dlg.field, dlg.cancel}));
}

// The main window's rule, built on OnActivate: maximised on the first activation only, so a
// window the user restores stays restored when it is activated again.
TEST(FormActivation, MaximisedOnTheFirstActivationOnly) {
    std::unique_ptr<TForm> form(new TForm(nullptr));
    form->SetBounds(211, 147, 720, 520);
    form->SetPosition(poScreenCenter);
    bool firstActivate = true;
    int activations = 0, deactivations = 0;
    Rect shownAt;
    form->OnActivate = [&](TObject*) {
        ++activations;
        if (firstActivate) {
            shownAt = form->BoundsRect();
            firstActivate = false;
            form->SetWindowState(wsMaximized);
        }
    };
    form->OnDeactivate = [&](TObject*) { ++deactivations; };
    form->Show();
    Pump(50);
    EXPECT_EQ(activations, 1);
    EXPECT_EQ(form->WindowState(), wsMaximized);
    // It was centred in the work area when first shown.
    MONITORINFO mi{};
    mi.cbSize = sizeof(mi);
    GetMonitorInfoW(MonitorFromWindow(form->Handle(), MONITOR_DEFAULTTONEAREST), &mi);
    EXPECT_NEAR(shownAt.left + shownAt.Width() / 2, (mi.rcWork.left + mi.rcWork.right) / 2, 1);
    EXPECT_NEAR(shownAt.top + shownAt.Height() / 2, (mi.rcWork.top + mi.rcWork.bottom) / 2, 1);

    form->SetWindowState(wsNormal);
    Pump(20);
    EXPECT_EQ(form->BoundsRect(), shownAt);
    std::unique_ptr<TForm> other(coretest::ShowTestForm());
    SetActiveWindow(other->Handle());
    Pump(20);
    EXPECT_FALSE(form->Active());
    EXPECT_EQ(deactivations, 1);
    SetActiveWindow(form->Handle());
    Pump(20);
    EXPECT_EQ(activations, 2);
    EXPECT_EQ(form->WindowState(), wsNormal);

    // A form asked to be maximised before it shows opens maximised.
    std::unique_ptr<TForm> big(new TForm(nullptr));
    big->SetBounds(50, 50, 300, 200);
    big->SetWindowState(wsMaximized);
    big->Show();
    Pump(30);
    EXPECT_EQ(big->WindowState(), wsMaximized);
    EXPECT_GT(big->Width(), 300);
}

TEST(Hints, ShownAfterThePauseForTheControlUnderThePointer) {
    std::unique_ptr<TForm> form(coretest::ShowTestForm(300, 200));
    auto* button = new coretest::TProbe(form.get(), L"fit", nullptr);
    button->SetParent(form.get());
    button->SetBounds(100, 50, 20, 20);
    button->SetHint(L"最合适");
    button->SetShowHint(true);
    auto* silent = new coretest::TProbe(form.get(), L"s", nullptr);
    silent->SetParent(form.get());
    silent->SetBounds(10, 10, 20, 20);
    silent->SetHint(L"不显示");   // ShowHint taken from the form: off
    Application().HintPause = 100;
    THintController& hints = Application().Hints();

    // The mouse routing names the windowless control under the pointer.
    coretest::PointerAt(*form, 105, 55);
    SendMessageW(form->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(105, 55));
    EXPECT_EQ(hints.HintControl(), button);
    Pump(30);
    EXPECT_FALSE(hints.Showing());   // not yet
    Pump(200);
    ASSERT_TRUE(hints.Showing());
    EXPECT_EQ(hints.ShownText(), L"最合适");
    EXPECT_TRUE(IsWindowVisible(hints.ToolTipHandle()));

    // A press hides it and it does not come back while the pointer stays on the control.
    // (Real pointer input arrives late under Wine, so the rest drives the controller directly.)
    SendMessageW(form->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(105, 55));
    SendMessageW(form->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(105, 55));
    EXPECT_FALSE(hints.Showing());
    hints.PointerOver(button);
    Pump(250);
    EXPECT_FALSE(hints.Showing());

    // A control without ShowHint shows nothing; coming back to the button waits again.
    hints.PointerOver(silent);
    Pump(150);
    EXPECT_FALSE(hints.Showing());
    hints.PointerOver(button);
    Pump(250);
    EXPECT_TRUE(hints.Showing());
    // The control going away takes its hint with it.
    delete button;
    EXPECT_FALSE(hints.Showing());
    EXPECT_EQ(hints.HintControl(), nullptr);
    Application().HintPause = 500;
}

TEST(Components, OwnerDestroysWhatItOwnsLastFirstAndTellsTheOthers) {
    std::vector<std::wstring> log;
    struct TNoted : TComponent {
        TNoted(TComponent* owner, std::wstring name, std::vector<std::wstring>* log) : TComponent(owner), FLog(log) { SetName(name); }
        ~TNoted() override { FLog->push_back(L"~" + Name()); }
        void Notification(TComponent* c, TOperation op) override {
            TComponent::Notification(c, op);
            if (op == opRemove) FLog->push_back(Name() + L" forgets " + c->Name());
        }
        std::vector<std::wstring>* FLog;
    };
    auto* owner = new TComponent(nullptr);
    auto* images = new TNoted(owner, L"ImageList1", &log);
    new TNoted(owner, L"BtnFit", &log);
    auto* stranger = new TNoted(nullptr, L"Stranger", &log);
    stranger->FreeNotification(images);
    EXPECT_EQ(owner->FindComponent(L"imagelist1"), images);
    EXPECT_THROW(new TNoted(owner, L"BTNFIT", &log), Exception);
    log.clear();

    delete owner;
    EXPECT_EQ(log, (std::vector<std::wstring>{
                       L"ImageList1 forgets BtnFit", L"~BtnFit",
                       L"~ImageList1", L"Stranger forgets ImageList1"}));
    delete stranger;
}

// A platform edit control wrapped by the framework: its notifications come back to it, its
// own painting and text handling stay the platform's.
TEST(PlatformControls, WrappedEditKeepsItsBehaviourAndGetsItsNotifications) {
    struct TTestEdit : TWinControl {
        using TWinControl::TWinControl;
        int Changes = 0;
        std::wstring ClassName() const override { return L"TTestEdit"; }
        void CreateParams(TCreateParams& p) override {
            TWinControl::CreateParams(p);
            p.BaseClassName = L"EDIT";
            p.Style |= ES_AUTOHSCROLL | WS_BORDER;
        }
        bool HandleMessage(UINT msg, WPARAM w, LPARAM l, LRESULT& r) override {
            if (msg == CN_COMMAND && HIWORD(w) == EN_CHANGE) ++Changes;
            return false;
        }
    };
    std::unique_ptr<TForm> form(coretest::ShowTestForm());
    auto* edit = new TTestEdit(form.get());
    edit->SetParent(form.get());
    edit->SetBounds(10, 10, 150, 24);
    ASSERT_TRUE(edit->IsPlatformControl());
    SendMessageW(edit->Handle(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"Tank"));
    EXPECT_EQ(edit->Text(), L"Tank");
    edit->SetText(L"坦克");
    EXPECT_EQ(edit->Changes, 2);
    wchar_t buf[16] = {};
    GetWindowTextW(edit->Handle(), buf, 16);
    EXPECT_STREQ(buf, L"坦克");
    // The window takes its parent's font through WM_SETFONT.
    TFont f = form->Font();
    f.Name = L"Tahoma";
    form->SetFont(f);
    LOGFONTW lf{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(edit->Handle(), WM_GETFONT, 0, 0)), sizeof(lf), &lf);
    EXPECT_STREQ(lf.lfFaceName, L"Tahoma");
    // Destroying the control destroys the window (and unbinds it first).
    HWND wnd = edit->Handle();
    delete edit;
    EXPECT_FALSE(IsWindow(wnd));
}

TEST(ApplicationLoop, RunEndsWhenTheMainFormClosesAndModalLoopsNestInside) {
    TForm* main = NewForm<TForm>(&Application());
    main->SetBounds(100, 100, 300, 200);
    Application().SetMainForm(main);
    TestDialog dlg;
    TModalResult inner = mrNone;
    bool closedByFree = false;
    Application().QueueCall([&] {
        EXPECT_TRUE(main->Visible());   // Run showed it
        Application().QueueCall([&] { dlg.form->SetModalResult(mrRetry); });
        inner = dlg.form->ShowModal();
        // A form closed with caFree is deleted by the loop, after its handler returned.
        auto* spare = new TForm(&Application());
        spare->OnClose = [](TObject*, TCloseAction& a) { a = caFree; };
        spare->OnDestroy = [&](TObject*) { closedByFree = true; };
        spare->Show();
        spare->Close();
        EXPECT_FALSE(closedByFree);
        Application().QueueCall([&] { PostMessageW(main->Handle(), WM_CLOSE, 0, 0); });
    });
    Application().Run();
    EXPECT_EQ(inner, mrRetry);
    EXPECT_TRUE(closedByFree);
    EXPECT_FALSE(Application().Terminated());

    // Closing the main form while no loop runs ends nothing that comes later.
    main->Show();
    main->Close();
    Pump(20);
    EXPECT_FALSE(Application().Terminated());
    Application().QueueCall([&] { dlg.form->SetModalResult(mrOk); });
    EXPECT_EQ(dlg.form->ShowModal(), mrOk);
    Application().SetMainForm(nullptr);
    delete main;
}

namespace {

class TColourListener : public TCustomControl {
public:
    using TCustomControl::TCustomControl;
    int Heard = 0;

protected:
    bool HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
        if (msg == WM_SYSCOLORCHANGE) ++Heard;
        return TCustomControl::HandleMessage(msg, wParam, lParam, result);
    }
};

} // namespace

// The system tells top-level windows of a colour change; the controls inside hear it too. A
// WM_NOTIFY from another thread (or process) carries a pointer that means nothing here: it is
// not read.
TEST(FormMessages, ColourChangesReachChildrenAndForeignNotificationsAreNotRead) {
    std::unique_ptr<TForm> form(NewForm<TForm>(nullptr));
    auto* panel = new TCustomControl(form.get());
    panel->SetParent(form.get());
    auto* inner = new TColourListener(form.get());
    inner->SetParent(panel);
    form->Show();
    SendMessageW(form->Handle(), WM_SYSCOLORCHANGE, 0, 0);
    EXPECT_EQ(inner->Heard, 1);

    HWND target = form->Handle();
    std::atomic<bool> sent{false};
    std::thread other([&] {
        SendMessageW(target, WM_NOTIFY, 1, 0x10);
        sent = true;
    });
    while (!sent) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    other.join();
    EXPECT_TRUE(IsWindow(target));
}
