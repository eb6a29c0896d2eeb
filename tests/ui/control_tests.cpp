// Controls: alignment, anchors, constraints, parent font and colour, painting of windowless
// children and the routing of mouse input to them.
#include "core_test_support.h"
#include "ui/Gdi.h"
#include <memory>

using namespace ui;
using coretest::Pump;
using coretest::TProbe;

namespace {

TControl* Aligned(TWinControl* parent, TAlign align, Rect bounds) {
    auto* c = new TGraphicControl(parent);
    c->SetParent(parent);
    c->SetBoundsRect(bounds);
    c->SetAlign(align);
    return c;
}

} // namespace

TEST(Alignment, KindsInOrderWithinTheBorderWidth) {
    // Without a window: the layout is pure arithmetic on the stored bounds.
    TForm form(nullptr);
    form.SetBorderStyle(bsNone);
    auto* panel = new TCustomControl(&form);
    panel->SetParent(&form);
    panel->SetBounds(0, 0, 200, 100);
    panel->SetBorderWidth(4);
    // Created in an order that differs from the order of the kinds: client first.
    TControl* client = Aligned(panel, alClient, Rect::FromXYWH(0, 0, 10, 10));
    TControl* top1 = Aligned(panel, alTop, Rect::FromXYWH(0, 0, 10, 10));
    TControl* bottom = Aligned(panel, alBottom, Rect::FromXYWH(0, 0, 10, 20));
    TControl* left = Aligned(panel, alLeft, Rect::FromXYWH(0, 0, 30, 10));
    TControl* top2 = Aligned(panel, alTop, Rect::FromXYWH(0, 50, 10, 5));   // placed below the first
    TControl* right = Aligned(panel, alRight, Rect::FromXYWH(0, 0, 15, 10));
    TControl* hidden = Aligned(panel, alTop, Rect::FromXYWH(0, 0, 10, 50));
    hidden->SetVisible(false);

    EXPECT_EQ(top1->BoundsRect(), (Rect{4, 4, 196, 14}));
    EXPECT_EQ(top2->BoundsRect(), (Rect{4, 14, 196, 19}));    // below the first alTop, at its own height
    EXPECT_EQ(bottom->BoundsRect(), (Rect{4, 76, 196, 96}));
    EXPECT_EQ(left->BoundsRect(), (Rect{4, 19, 34, 76}));
    EXPECT_EQ(right->BoundsRect(), (Rect{181, 19, 196, 76}));
    EXPECT_EQ(client->BoundsRect(), (Rect{34, 19, 181, 76}));

    // Growing the parent re-aligns; showing the hidden alTop control makes room for it.
    panel->SetBounds(0, 0, 300, 200);
    EXPECT_EQ(client->BoundsRect(), (Rect{34, 19, 281, 176}));
    hidden->SetVisible(true);
    EXPECT_EQ(client->BoundsRect().top, 69);
    // Far too small a parent: the strips keep their size, the client area never inverts.
    panel->SetBounds(0, 0, 20, 20);
    EXPECT_GE(client->Width(), 0);
    EXPECT_GE(client->Height(), 0);
}

TEST(Alignment, DeferredWhileDisabledOrLoading) {
    TForm form(nullptr);
    form.SetBorderStyle(bsNone);
    form.SetBounds(0, 0, 100, 100);
    form.DisableAlign();
    TControl* top = Aligned(&form, alTop, Rect::FromXYWH(5, 5, 10, 10));
    EXPECT_EQ(top->BoundsRect(), Rect::FromXYWH(5, 5, 10, 10));
    form.EnableAlign();
    EXPECT_EQ(top->BoundsRect(), (Rect{0, 0, 100, 10}));

    form.BeginLoading();
    top->SetHeight(30);
    EXPECT_EQ(top->Height(), 30);
    TControl* client = Aligned(&form, alClient, Rect::FromXYWH(0, 0, 1, 1));
    EXPECT_EQ(client->Width(), 1);
    form.Loaded();
    EXPECT_EQ(client->BoundsRect(), (Rect{0, 30, 100, 100}));
}

// The banner of the main window: three buttons anchored top-right in a 712-pixel panel, a
// stretched picture and a left picture that never moves.
TEST(Anchors, KeepTheDistancesToTheRightEdgeWhenTheParentResizes) {
    std::unique_ptr<TForm> form(coretest::ShowTestForm(720, 520));
    form->SetClientSize(712, 486);
    auto* banner = new TCustomControl(form.get());
    banner->SetParent(form.get());
    banner->SetBounds(0, 0, 712, 75);
    banner->SetAlign(alTop);
    TControl* image1 = Aligned(banner, alLeft, Rect::FromXYWH(0, 0, 490, 75));
    TControl* image2 = Aligned(banner, alClient, Rect::FromXYWH(490, 0, 222, 75));
    TControl* fit = Aligned(banner, alNone, Rect::FromXYWH(623, 55, 20, 20));
    TControl* real = Aligned(banner, alNone, Rect::FromXYWH(646, 55, 20, 20));
    TControl* help = Aligned(banner, alNone, Rect::FromXYWH(671, 45, 30, 30));
    TControl* label = Aligned(banner, alNone, Rect::FromXYWH(392, 40, 180, 13));
    for (TControl* b : {fit, real, help}) b->SetAnchors(akTop | akRight);
    // A control anchored on both sides stretches; one anchored to the bottom follows it.
    TControl* wide = Aligned(form.get(), alNone, Rect::FromXYWH(10, 100, 692, 20));
    wide->SetAnchors(akLeft | akRight | akTop);
    TControl* foot = Aligned(form.get(), alNone, Rect::FromXYWH(10, 456, 50, 20));
    foot->SetAnchors(akLeft | akBottom);

    for (int growth : {300, 0, 480}) {
        form->SetClientSize(712 + growth, 486 + growth / 2);
        Pump(10);
        int right = banner->ClientWidth();
        ASSERT_EQ(right, 712 + growth);
        EXPECT_EQ(right - fit->BoundsRect().right, 69);
        EXPECT_EQ(right - real->BoundsRect().right, 46);
        EXPECT_EQ(right - help->BoundsRect().right, 11);
        EXPECT_EQ(fit->Top(), 55);
        EXPECT_EQ(help->Top(), 45);
        EXPECT_EQ(image1->BoundsRect(), (Rect{0, 0, 490, 75}));
        EXPECT_EQ(image2->BoundsRect(), (Rect{490, 0, right, 75}));
        EXPECT_EQ(label->BoundsRect(), Rect::FromXYWH(392, 40, 180, 13));
        EXPECT_EQ(wide->BoundsRect(), (Rect{10, 100, right - 10, 120}));
        EXPECT_EQ(form->ClientHeight() - foot->BoundsRect().bottom, 10);
    }
    // Resizing by the system (the user's drag, maximising) arrives as WM_WINDOWPOSCHANGED,
    // not through SetBounds.
    SetWindowPos(form->Handle(), nullptr, 0, 0, 1100, 700, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    Pump(20);
    EXPECT_EQ(form->Width(), 1100);
    EXPECT_EQ(banner->Width(), form->ClientWidth());
    EXPECT_EQ(banner->ClientWidth() - help->BoundsRect().right, 11);
    form->SetWindowState(wsMaximized);
    Pump(50);
    EXPECT_GT(form->Width(), 1100);
    EXPECT_EQ(banner->Width(), form->ClientWidth());
    EXPECT_EQ(banner->ClientWidth() - help->BoundsRect().right, 11);
}

TEST(Constraints, FormsCannotBeMadeSmallerThanTheirMinimum) {
    std::unique_ptr<TForm> form(coretest::ShowTestForm(800, 600));
    form->SetConstraints(TSizeConstraints{720, 520, 0, 0});
    MINMAXINFO info{};
    SendMessageW(form->Handle(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(info.ptMinTrackSize.x, 720);
    EXPECT_EQ(info.ptMinTrackSize.y, 520);
    // By the program ...
    form->SetBounds(10, 10, 300, 200);
    EXPECT_EQ(form->Width(), 720);
    EXPECT_EQ(form->Height(), 520);
    // ... and by the system, which asks for the minimum tracking size itself.
    SetWindowPos(form->Handle(), nullptr, 0, 0, 400, 300, SWP_NOMOVE | SWP_NOZORDER);
    Pump(10);
    RECT r;
    GetWindowRect(form->Handle(), &r);
    EXPECT_GE(r.right - r.left, 720);
    EXPECT_GE(r.bottom - r.top, 520);
    EXPECT_EQ(form->Width(), r.right - r.left);
}

TEST(ParentFontAndColor, ChangesReachChildrenThatTakeThem) {
    TForm form(nullptr);
    auto* panel = new TCustomControl(&form);
    panel->SetParent(&form);
    auto* inherits = new TGraphicControl(&form);
    inherits->SetParent(panel);
    auto* own = new TGraphicControl(&form);
    own->SetParent(panel);
    TFont tahoma;
    tahoma.Name = L"Tahoma";
    tahoma.Style = fsUnderline;
    own->SetFont(tahoma);

    TFont song = form.Font();
    song.Name = L"宋体";
    song.SetSize(9);
    form.SetFont(song);
    EXPECT_EQ(inherits->Font(), song);   // through the panel
    EXPECT_EQ(inherits->Font().Height, -12);
    EXPECT_EQ(own->Font().Name, L"Tahoma");
    // Taking the parent's font again is a switch, not a copy of the moment.
    own->SetParentFont(true);
    EXPECT_EQ(own->Font(), song);

    panel->SetColor(clWhite);
    form.SetColor(clNavy);
    EXPECT_EQ(inherits->Color(), clWhite);   // the panel's own colour now
    panel->SetParentColor(true);
    EXPECT_EQ(inherits->Color(), clNavy);

    // A control placed later takes the parent's font when it is put there.
    auto* late = new TGraphicControl(&form);
    late->SetParent(panel);
    EXPECT_EQ(late->Font(), song);
}

TEST(GraphicChildren, PaintedInCreationOrderAfterTheParent) {
    std::vector<std::wstring> log;
    TForm form(nullptr);
    form.SetColor(clWhite);
    form.SetBorderStyle(bsNone);
    form.SetBounds(0, 0, 60, 40);
    auto* a = new TProbe(&form, L"A", &log, RGB(255, 0, 0));
    a->SetParent(&form);
    a->SetBounds(10, 10, 20, 20);
    auto* b = new TProbe(&form, L"B", &log, RGB(0, 0, 255));
    b->SetParent(&form);
    b->SetBounds(20, 15, 20, 20);
    auto* hidden = new TProbe(&form, L"H", &log, RGB(0, 255, 0));
    hidden->SetParent(&form);
    hidden->SetBounds(0, 0, 60, 40);
    hidden->SetVisible(false);

    DibSurface dib(60, 40);
    dib.Fill(RGB(1, 2, 3));
    form.PaintTo(dib.Dc(), Rect{0, 0, 60, 40});
    EXPECT_EQ(dib.Pixel(5, 5), RGB(255, 255, 255));   // the parent's colour
    EXPECT_EQ(dib.Pixel(12, 12), RGB(255, 0, 0));
    EXPECT_EQ(dib.Pixel(25, 20), RGB(0, 0, 255));     // the later child on top
    EXPECT_EQ(dib.Pixel(39, 34), RGB(0, 0, 255));
    EXPECT_EQ(dib.Pixel(40, 34), RGB(255, 255, 255)); // each child clipped to itself
    EXPECT_EQ(hidden->Paints, 0);

    // An update rect that misses a child does not paint it.
    int before = a->Paints;
    form.PaintTo(dib.Dc(), Rect{45, 0, 60, 10});
    EXPECT_EQ(a->Paints, before);

    // The real paint message goes through the same path (via the off-screen bitmap).
    form.SetBounds(100, 100, 60, 40);
    form.Show();
    Pump(50);
    HDC screen = GetDC(form.Handle());
    DibSurface shot(60, 40);
    BitBlt(shot.Dc(), 0, 0, 60, 40, screen, 0, 0, SRCCOPY);
    ReleaseDC(form.Handle(), screen);
    EXPECT_EQ(shot.Pixel(12, 12), RGB(255, 0, 0));
    EXPECT_EQ(shot.Pixel(25, 20), RGB(0, 0, 255));
    EXPECT_EQ(shot.Pixel(5, 5), RGB(255, 255, 255));
}

TEST(GraphicChildren, ReceiveMouseInputTopmostFirstWithCaptureAndHover) {
    std::vector<std::wstring> log;
    std::unique_ptr<TForm> form(coretest::ShowTestForm(300, 200));
    auto* a = new TProbe(form.get(), L"A", &log);
    a->SetParent(form.get());
    a->SetBounds(10, 10, 50, 50);
    auto* b = new TProbe(form.get(), L"B", &log);
    b->SetParent(form.get());
    b->SetBounds(40, 40, 50, 50);
    auto* off = new TProbe(form.get(), L"D", &log);
    off->SetParent(form.get());
    off->SetBounds(150, 10, 40, 40);
    off->SetEnabled(false);   // disabled: the form gets the input instead
    HWND wnd = form->Handle();
    auto send = [&](UINT msg, int x, int y, WPARAM keys = 0) {
        coretest::PointerAt(*form, x, y);
        SendMessageW(wnd, msg, keys, MAKELPARAM(x, y));
    };

    send(WM_MOUSEMOVE, 20, 20);
    send(WM_MOUSEMOVE, 45, 45);            // the overlap: B is on top
    send(WM_LBUTTONDOWN, 45, 45, MK_LBUTTON);
    send(WM_LBUTTONUP, 46, 46);
    EXPECT_EQ(log, (std::vector<std::wstring>{L"A enter", L"A leave", L"B enter", L"B down", L"B capture-lost", L"B click", L"B up"}));

    // Pressed in B, dragged over A and released there: B keeps the input, no click.
    log.clear();
    send(WM_LBUTTONDOWN, 60, 60, MK_LBUTTON);
    EXPECT_EQ(form->CaptureControl(), b);
    EXPECT_EQ(GetCapture(), wnd);
    send(WM_MOUSEMOVE, 20, 20, MK_LBUTTON);
    send(WM_LBUTTONUP, 20, 20);
    EXPECT_EQ(log, (std::vector<std::wstring>{L"B down", L"B leave", L"A enter", L"B capture-lost", L"B up"}));
    EXPECT_EQ(GetCapture(), nullptr);

    // Capture taken away by the system ends the press in one place.
    log.clear();
    send(WM_LBUTTONDOWN, 20, 20, MK_LBUTTON);
    ReleaseCapture();
    EXPECT_EQ(form->CaptureControl(), nullptr);
    EXPECT_EQ(log, (std::vector<std::wstring>{L"A down", L"A capture-lost"}));

    // Disabled children and empty places leave the input to the form.
    log.clear();
    int formClicks = 0;
    form->OnClick = [&](TObject*) { ++formClicks; };
    send(WM_MOUSEMOVE, 160, 20);
    send(WM_LBUTTONDOWN, 160, 20, MK_LBUTTON);
    send(WM_LBUTTONUP, 160, 20);
    EXPECT_EQ(formClicks, 1);
    EXPECT_EQ(log, (std::vector<std::wstring>{L"A leave"}));

    // Leaving the window leaves the hovered child.
    log.clear();
    send(WM_MOUSEMOVE, 20, 20);
    SendMessageW(wnd, WM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(log, (std::vector<std::wstring>{L"A enter", L"A leave"}));
}

// WM_SETCURSOR asks for the cursor at the pointer; the choice itself is checked at given
// points (the real pointer is shared with whatever else runs on the display).
TEST(GraphicChildren, CursorIsTheOneOfTheControlUnderThePointer) {
    struct TCursorForm : TForm {
        using TForm::TForm;
        using TWinControl::SetCursorFor;
    } form(nullptr);
    form.SetBorderStyle(bsNone);
    form.SetBounds(0, 0, 200, 100);
    auto* hand = new TGraphicControl(&form);
    hand->SetParent(&form);
    hand->SetBounds(10, 10, 20, 20);
    hand->SetCursor(crHandPoint);
    auto* plain = new TGraphicControl(&form);
    plain->SetParent(&form);
    plain->SetBounds(50, 10, 20, 20);
    EXPECT_TRUE(form.SetCursorFor(Point{15, 15}));
    EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_HAND));
    EXPECT_FALSE(form.SetCursorFor(Point{55, 15}));   // nobody's: the class cursor stays
    form.SetCursor(crCross);
    EXPECT_TRUE(form.SetCursorFor(Point{55, 15}));
    EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_CROSS));
    hand->SetVisible(false);
    EXPECT_TRUE(form.SetCursorFor(Point{15, 15}));
    EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_CROSS));
}

TEST(GraphicChildren, DestroyedChildIsForgottenByItsParent) {
    std::vector<std::wstring> log;
    std::unique_ptr<TForm> form(coretest::ShowTestForm(300, 200));
    auto* a = new TProbe(form.get(), L"A", &log);
    a->SetParent(form.get());
    a->SetBounds(10, 10, 50, 50);
    coretest::PointerAt(*form, 20, 20);
    SendMessageW(form->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(20, 20));
    SendMessageW(form->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 20));
    delete a;
    // Neither the hover nor the capture points at the dead control any more.
    EXPECT_EQ(form->CaptureControl(), nullptr);
    SendMessageW(form->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(25, 25));
    SendMessageW(form->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(25, 25));
    SendMessageW(form->Handle(), WM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(log, (std::vector<std::wstring>{L"A enter", L"A down"}));
}
