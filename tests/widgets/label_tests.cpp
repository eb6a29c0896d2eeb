// Labels: a link click's order of events and the visited colour, the hand pointer (also with
// the program's cursor resource present), angle storage, automatic size with frames, margins
// and shadows and where it keeps the label, painting with the 3-D and shadow text styles, and
// the blink timer's messages. Which targets a link may open is in shelllink_tests.cpp.
#include "widgets/WkLabel.h"
#include "ui/Application.h"
#include "ui/Form.h"
#include "ui/Layout.h"
#include "widgets/WkBlink.h"
#include "widgets/WkKit.h"
#include "pixel_box.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

using namespace wk;
using ui::TColor;

namespace {

class LabelTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetKitSettings(true, xcsNormal);
        form = std::make_unique<ui::TForm>();
        form->SetBounds(100, 100, 400, 200);
    }

    template <typename T>
    T* AddLabel(const std::wstring& caption) {
        auto* label = new T(form.get());
        label->SetParent(form.get());
        label->SetBounds(20, 20, 100, 13);
        label->SetCaption(caption);
        return label;
    }

    // A real click: press and release inside the label.
    static void ClickOn(ui::TControl& c) {
        c.Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
        c.Perform(WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    }

    std::unique_ptr<ui::TForm> form;
};

// A copy of this executable with a WKCOMMON_HANDCURSOR cursor among its resources, loaded as
// data: a program that carries the fallback hand.
class ModuleWithHandCursor {
public:
    ModuleWithHandCursor() {
        wchar_t self[MAX_PATH], dir[MAX_PATH];
        GetModuleFileNameW(nullptr, self, MAX_PATH);
        GetTempPathW(MAX_PATH, dir);
        FPath = std::wstring(dir) + L"wklabel_hand_resource.exe";
        if (!CopyFileW(self, FPath.c_str(), FALSE)) return;
        // A 32 x 32 monochrome cursor: hot spot, header, two colours, XOR and AND masks.
        std::vector<BYTE> cursor(4 + sizeof(BITMAPINFOHEADER) + 8 + 128 + 128, 0);
        cursor[0] = 5; // hot spot (5, 0)
        auto* header = reinterpret_cast<BITMAPINFOHEADER*>(cursor.data() + 4);
        header->biSize = sizeof(BITMAPINFOHEADER);
        header->biWidth = 32;
        header->biHeight = 64;
        header->biPlanes = 1;
        header->biBitCount = 1;
        cursor[4 + sizeof(BITMAPINFOHEADER) + 4] = 0xFF; // second colour white
        cursor[4 + sizeof(BITMAPINFOHEADER) + 5] = 0xFF;
        cursor[4 + sizeof(BITMAPINFOHEADER) + 6] = 0xFF;
#pragma pack(push, 2)
        struct GroupEntry {
            WORD Width, Height, Planes, BitCount;
            DWORD BytesInRes;
            WORD Id;
        };
        struct Group {
            WORD Reserved, Type, Count;
            GroupEntry Entry;
        };
#pragma pack(pop)
        Group group{0, 2, 1, {32, 64, 1, 1, static_cast<DWORD>(cursor.size()), 1}};
        HANDLE update = BeginUpdateResourceW(FPath.c_str(), FALSE);
        if (!update) return;
        const WORD language = MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL);
        UpdateResourceW(update, RT_CURSOR, MAKEINTRESOURCEW(1), language, cursor.data(), static_cast<DWORD>(cursor.size()));
        UpdateResourceW(update, RT_GROUP_CURSOR, L"WKCOMMON_HANDCURSOR", language, &group, sizeof group);
        if (!EndUpdateResourceW(update, FALSE)) return;
        FModule = LoadLibraryExW(FPath.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    }
    ~ModuleWithHandCursor() {
        if (FModule) FreeLibrary(FModule);
        DeleteFileW(FPath.c_str());
    }
    ModuleWithHandCursor(const ModuleWithHandCursor&) = delete;
    ModuleWithHandCursor& operator=(const ModuleWithHandCursor&) = delete;
    HMODULE Get() const { return FModule; }

private:
    std::wstring FPath;
    HMODULE FModule = nullptr;
};

TEST_F(LabelTest, ClickRunsOnClickThenOpensTheLinkAndShowsItVisited) {
    std::vector<std::wstring> log;
    bool shellSucceeds = true;
    auto* link = AddLabel<TWkURLLabel>(L"Homepage: https://plumora.example.org/");
    link->SetURL(L"https://plumora.example.org/");
    link->OnClick = [&](ui::TObject*) { log.push_back(L"click"); };
    link->ShellOpen = [&](const std::wstring& target) {
        log.push_back(L"open " + target);
        return shellSucceeds;
    };
    EXPECT_EQ(link->Font().Color, ui::clHighlight);
    EXPECT_TRUE(link->Font().Style & ui::fsUnderline);

    // The shell fails first: nothing turns visited.
    shellSucceeds = false;
    ClickOn(*link);
    EXPECT_FALSE(link->Visited());
    shellSucceeds = true;
    ClickOn(*link);
    EXPECT_EQ(log, (std::vector<std::wstring>{L"click", L"open https://plumora.example.org/", L"click",
                                              L"open https://plumora.example.org/"}));
    EXPECT_TRUE(link->Visited());
    EXPECT_EQ(link->Font().Color, TColor(0x800080));
    EXPECT_TRUE(link->Font().Style & ui::fsUnderline);

    // A program or file target: OnClick still runs, the shell is not asked.
    log.clear();
    auto* local = AddLabel<TWkURLLabel>(L"Run me");
    local->SetURL(L"file:///C:/Windows/System32/calc.exe");
    local->OnClick = link->OnClick;
    local->ShellOpen = link->ShellOpen;
    ClickOn(*local);
    EXPECT_EQ(log, std::vector<std::wstring>{L"click"});
    EXPECT_FALSE(local->Visited());
    EXPECT_EQ(local->Font().Color, ui::clHighlight);

    // No URL: the caption is the target.
    log.clear();
    local->SetURL(L"");
    local->SetCaption(L"mailto:games@plumora.example.org");
    ClickOn(*local);
    EXPECT_EQ(log, (std::vector<std::wstring>{L"click", L"open mailto:games@plumora.example.org"}));
    log.clear();
    local->SetCaption(L"www.plumora.example.org");
    ClickOn(*local);
    EXPECT_EQ(log, (std::vector<std::wstring>{L"click", L"open http://www.plumora.example.org"}));
}

TEST_F(LabelTest, LinkLabelShowsTheSystemHandEvenWhenTheProgramCarriesItsOwn) {
    auto* link = AddLabel<TWkURLLabel>(L"EMail: games@plumora.example.org");
    EXPECT_EQ(link->Cursor(), crWkHandPoint);
    const HCURSOR systemHand = LoadCursorW(nullptr, IDC_HAND);
    ASSERT_NE(systemHand, nullptr);
    EXPECT_EQ(ui::Application().CursorHandle(crWkHandPoint), systemHand);

    // The program's own hand is only for systems without one.
    ModuleWithHandCursor program;
    ASSERT_NE(program.Get(), nullptr);
    ASSERT_NE(LoadCursorW(program.Get(), L"WKCOMMON_HANDCURSOR"), nullptr);
    EXPECT_EQ(LinkHandCursor(program.Get()), systemHand);
    EXPECT_EQ(LinkHandCursor(nullptr), systemHand);
}

TEST_F(LabelTest, AngleIsStoredModulo360AndRotationFollowsIt) {
    auto* label = AddLabel<TWkLabel>(L"Angled");
    label->SetAngle(-30);
    EXPECT_EQ(label->Angle(), 330);
    EXPECT_EQ(label->Rotation(), roFlat); // a fresh label keeps the angle it was given
    label->SetAngle(400);
    EXPECT_EQ(label->Angle(), 40);
    label->SetAngle(-400);
    EXPECT_EQ(label->Angle(), 320);
    label->SetRotation(roCurve);
    label->SetRotation(roFlat);
    EXPECT_EQ(label->Angle(), 0);
    EXPECT_EQ(NormalizeAngle(720), 0);
}

TEST_F(LabelTest, AutoSizeMakesRoomForFramesMarginAndShadow) {
    auto* plain = AddLabel<TWkLabel>(L"Sized text");
    auto* shadow = AddLabel<TWkLabel>(L"Sized text");
    shadow->SetTextStyle(tsShadow);
    EXPECT_EQ(shadow->Width(), plain->Width() + 2);
    EXPECT_EQ(shadow->Height(), plain->Height() + 2);

    auto* framed = AddLabel<TWkLabel>(L"Sized text");
    framed->SetBorderOuter(fsFlat);
    framed->SetBorderInner(fsRaised);
    framed->SetBorderWidth(3);
    framed->SetTextMargin(4);
    EXPECT_EQ(framed->Width(), plain->Width() + 2 * (1 + 2 + 3 + 4));
    EXPECT_EQ(framed->Height(), plain->Height() + 2 * (1 + 2 + 3 + 4));
    framed->SetBorderSides(sdLeft | sdTop);
    EXPECT_EQ(framed->Width(), plain->Width() + (1 + 2 + 3) + 2 * 4);

    // Turned a quarter, width and height change places.
    auto* upright = AddLabel<TWkLabel>(L"Sized text");
    upright->SetAngle(90);
    EXPECT_EQ(upright->Width(), plain->Height());
    EXPECT_EQ(upright->Height(), plain->Width());

    // A right-aligned label grows to the left.
    auto* right = AddLabel<TWkLabel>(L"short");
    right->SetAlignment(ui::taRightJustify);
    const int rightEdge = right->Left() + right->Width();
    right->SetCaption(L"a much longer caption");
    EXPECT_EQ(right->Left() + right->Width(), rightEdge);
    EXPECT_LT(right->Left(), 20);

    // Shortened captions keep the width they are given.
    right->SetCondenseCaption(ccAtEnd);
    EXPECT_FALSE(right->AutoSize());
}

TEST_F(LabelTest, FramedAutoSizeLabelsStayWhereTheyAre) {
    // A centred label keeps its left edge and grows to the right; new captions of the same
    // width leave it exactly where it was.
    auto* centred = AddLabel<TWkLabel>(L"abc");
    centred->SetAlignment(ui::taCenter);
    centred->SetBorderOuter(fsFlat);
    centred->SetBorderWidth(3);
    const ui::Rect placed = centred->BoundsRect();
    EXPECT_EQ(placed.left, 20);
    for (const wchar_t* caption : {L"cab", L"abc", L"bca"}) {
        centred->SetCaption(caption);
        EXPECT_EQ(centred->BoundsRect(), placed) << caption;
    }
    ui::TFont font = centred->Font();
    font.Color = RGB(1, 2, 3);
    centred->SetFont(font);
    EXPECT_EQ(centred->BoundsRect(), placed);
    centred->SetAutoSize(false);
    centred->SetAutoSize(true);
    EXPECT_EQ(centred->BoundsRect(), placed);

    // The frames stay counted whatever framework switch re-sizes it.
    auto* plain = AddLabel<TWkLabel>(L"a&b");
    auto* framed = AddLabel<TWkLabel>(L"a&b");
    framed->SetBorderOuter(fsRaised);
    ASSERT_EQ(framed->Width(), plain->Width() + 4);
    plain->SetShowAccelChar(false);
    framed->SetShowAccelChar(false);
    EXPECT_EQ(framed->Width(), plain->Width() + 4);
    EXPECT_EQ(framed->Height(), plain->Height() + 4);
    plain->SetWordWrap(true);
    framed->SetWordWrap(true);
    EXPECT_EQ(framed->Height(), plain->Height() + 4);

    // A right-aligned framed label keeps its right edge.
    auto* right = AddLabel<TWkLabel>(L"short");
    right->SetAlignment(ui::taRightJustify);
    right->SetBorderOuter(fsFlat);
    right->SetBorderWidth(3);
    const int rightEdge = right->BoundsRect().right;
    right->SetCaption(L"a much longer caption");
    EXPECT_EQ(right->BoundsRect().right, rightEdge);
    right->SetShowAccelChar(false);
    EXPECT_EQ(right->BoundsRect().right, rightEdge);
}

TEST_F(LabelTest, TextStylesDrawTheirCopiesAroundTheText) {
    auto* label = AddLabel<TWkLabel>(L"HH");
    ui::TFont font = label->Font();
    font.Height = -20;
    font.Color = RGB(255, 0, 0);
    label->SetFont(font);
    label->SetColor(ui::clWhite);
    label->SetHighlightColor(RGB(0, 200, 0));
    label->SetShadowColor(RGB(0, 0, 200));
    label->SetTextMargin(3); // room for the copies inside the label
    auto render = [&] {
        auto dib = std::make_unique<ui::DibSurface>(label->Width(), label->Height());
        label->PaintTo(dib->Dc(), label->ClientRect());
        return dib;
    };
    const COLORREF red = RGB(255, 0, 0), green = RGB(0, 200, 0), blue = RGB(0, 0, 200);

    // Raised: the shadow copy one pixel down-right, the highlight copy one up-left.
    label->SetTextStyle(tsRaised);
    auto raised = render();
    const ui::Rect text = BoxOf(*raised, red);
    ASSERT_FALSE(text.IsEmpty());
    EXPECT_EQ(BoxOf(*raised, green).TopLeft(), text.TopLeft().Offset(-1, -1));
    EXPECT_EQ(BoxOf(*raised, blue).BottomRight(), text.BottomRight().Offset(1, 1));
    label->SetLightTextStyle(true); // only the highlight copy
    auto light = render();
    EXPECT_TRUE(BoxOf(*light, blue).IsEmpty());
    EXPECT_FALSE(BoxOf(*light, green).IsEmpty());

    // Recessed: the colours change places; light keeps only the highlight copy.
    label->SetTextStyle(tsRecessed);
    label->SetLightTextStyle(false);
    auto recessed = render();
    EXPECT_EQ(BoxOf(*recessed, blue).TopLeft(), text.TopLeft().Offset(-1, -1));
    EXPECT_EQ(BoxOf(*recessed, green).BottomRight(), text.BottomRight().Offset(1, 1));
    label->SetLightTextStyle(true);
    auto recessedLight = render();
    EXPECT_TRUE(BoxOf(*recessedLight, blue).IsEmpty());
    EXPECT_EQ(BoxOf(*recessedLight, green).BottomRight(), text.BottomRight().Offset(1, 1));

    // Shadow: one copy ShadowDepth down-right in the shadow colour, nothing up-left.
    label->SetLightTextStyle(false);
    label->SetTextStyle(tsShadow);
    label->SetShadowDepth(3);
    auto shadowed = render();
    const ui::Rect shadowText = BoxOf(*shadowed, red);
    const ui::Rect shadow = BoxOf(*shadowed, blue);
    EXPECT_EQ(shadow.BottomRight(), shadowText.BottomRight().Offset(3, 3));
    EXPECT_GE(shadow.left, shadowText.left);
    EXPECT_TRUE(BoxOf(*shadowed, green).IsEmpty());

    // Normal: the text alone.
    label->SetTextStyle(tsNormal);
    auto normal = render();
    EXPECT_TRUE(BoxOf(*normal, blue).IsEmpty());
    EXPECT_TRUE(BoxOf(*normal, green).IsEmpty());
}

TEST_F(LabelTest, FlyByColourLastsWhileThePointerIsOverAndKeepsTheParentFont) {
    auto* label = AddLabel<TWkLabel>(L"Hover");
    label->SetFlyByEnabled(true);
    label->SetFlyByColor(RGB(0, 0, 255));
    ASSERT_TRUE(label->ParentFont());
    const TColor before = label->Font().Color;
    form->Show(); // the hover needs the window under the point
    form->Perform(WM_MOUSEMOVE, 0, MAKELPARAM(label->Left() + 2, label->Top() + 2));
    EXPECT_EQ(label->PaintTextColor(), RGB(0, 0, 255));
    form->Perform(WM_MOUSEMOVE, 0, MAKELPARAM(300, 150));
    EXPECT_EQ(label->PaintTextColor(), before);
    EXPECT_TRUE(label->ParentFont());
    ui::TFont font = form->Font();
    font.Name = L"Tahoma";
    form->SetFont(font);
    EXPECT_EQ(label->Font().Name, L"Tahoma");
}

TEST_F(LabelTest, TextIsPaintedInTheTextColourOrEngravedWhenDisabled) {
    auto* label = AddLabel<TWkLabel>(L"WWW");
    label->SetColor(ui::clWhite);
    ui::TFont font = label->Font();
    font.Color = RGB(255, 0, 0);
    font.Height = -16;
    label->SetFont(font);
    label->SetBorderOuter(fsFlat);
    label->SetFlatColor(RGB(0, 0, 128));
    label->SetFlatColorAdjustment(0);

    auto count = [&](COLORREF color) {
        ui::DibSurface dib(label->Width(), label->Height());
        dib.Fill(RGB(1, 2, 3));
        label->PaintTo(dib.Dc(), label->ClientRect());
        int n = 0;
        for (int y = 0; y < dib.Height(); ++y)
            for (int x = 0; x < dib.Width(); ++x) n += dib.Pixel(x, y) == color;
        EXPECT_EQ(dib.Pixel(0, 0), RGB(0, 0, 128));               // the flat frame
        EXPECT_EQ(dib.Pixel(1, label->Height() - 2), RGB(255, 255, 255)); // the fill inside it
        return n;
    };
    EXPECT_GT(count(RGB(255, 0, 0)), 10);
    label->SetEnabled(false);
    EXPECT_EQ(count(RGB(255, 0, 0)), 0);
    EXPECT_GT(count(GetSysColor(COLOR_BTNSHADOW)), 10);
}

TEST_F(LabelTest, TurnedAndCurvedTextPaintWithoutLeakingAndTinyArcsPaintNothing) {
    auto* label = AddLabel<TWkLabel>(L"Round and round");
    ui::TFont font = label->Font();
    font.Name = L"Tahoma";
    font.Color = RGB(255, 0, 0);
    label->SetFont(font);
    label->SetColor(ui::clWhite);
    // Turned glyphs are smoothed: count clearly red pixels, not only pure red ones.
    auto redPixels = [&] {
        ui::DibSurface dib(label->Width(), label->Height());
        label->PaintTo(dib.Dc(), label->ClientRect());
        int n = 0;
        for (int y = 0; y < dib.Height(); ++y)
            for (int x = 0; x < dib.Width(); ++x) {
                const COLORREF c = dib.Pixel(x, y);
                n += GetRValue(c) > 200 && GetGValue(c) < 140 && GetBValue(c) < 140;
            }
        return n;
    };
    const long handles = ui::GdiLiveHandleCount();
    const DWORD gdiObjects = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    label->SetAngle(45);
    label->SetTextStyle(tsShadow);
    EXPECT_GT(redPixels(), 10);
    label->SetAutoSize(false);
    label->SetBounds(20, 20, 120, 120);
    label->SetRotation(roCurve);
    label->SetTextStyle(tsRaised);
    EXPECT_GT(redPixels(), 10);
    EXPECT_EQ(ui::GdiLiveHandleCount(), handles);
    EXPECT_LE(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), gdiObjects);

    // A border as wide as the label leaves no radius for the arc.
    label->SetBorderWidth(60);
    EXPECT_EQ(redPixels(), 0);
}

TEST_F(LabelTest, BlinkTimerSwitchesOnlyBlinkingLabelsAndSharesItsIntervals) {
    auto* a = AddLabel<TWkLabel>(L"A");
    auto* b = AddLabel<TWkLabel>(L"B");
    TWkBlinkingControlsList* list = BlinkingControls();
    ASSERT_NE(list, nullptr);
    a->SetBlinkColor(RGB(0, 200, 0));
    a->SetBlinking(true);
    const TColor normal = a->PaintTextColor();

    // Walk the phases until the blink colour shows, then back.
    list->Tick();
    if (list->BlinkState() == 0) list->Tick();
    EXPECT_EQ(a->PaintTextColor(), RGB(0, 200, 0));
    EXPECT_EQ(b->PaintTextColor(), normal); // not blinking: never switched
    list->Tick();
    EXPECT_EQ(a->PaintTextColor(), normal);
    list->Tick();
    a->SetBlinking(false); // off: back to the normal colour at once
    EXPECT_EQ(a->PaintTextColor(), normal);

    a->SetBlinkIntervalOn(200);
    a->SetBlinkIntervalOff(800);
    EXPECT_EQ(b->BlinkIntervalOn(), 200);
    EXPECT_EQ(b->BlinkIntervalOff(), 800);
}

TEST(LabelLayout, ALoadedLinkTakesItsFontColourAndSizesItselfToItsCaption) {
    SetKitSettings(true, xcsNormal);
    ui::TClassRegistry registry;
    ui::RegisterFrameworkClasses(registry);
    RegisterWkLabelClasses(registry);
    ui::TForm form;
    ui::LoadLayoutText(form, L"Links.layout", R"(object Frm: TForm
  object WkURLLabel2: TWkURLLabel
    Left = 392
    Top = 56
    Width = 126
    Height = 13
    Caption = 'EMail: games@plumora.example.org'
    URL = 'mailto:games@plumora.example.org'
    Font.Color = clHighlight
    Font.Height = -11
    Font.Name = 'Tahoma'
    Font.Style = [fsUnderline]
    ParentFont = False
    Transparent = True
  end
end
)", registry);
    auto* link = dynamic_cast<TWkURLLabel*>(form.FindComponent(L"WkURLLabel2"));
    ASSERT_NE(link, nullptr);
    EXPECT_EQ(link->PaintTextColor(), ui::clHighlight);
    EXPECT_NE(link->Width(), 126); // the stored width gives way to the caption's
    EXPECT_EQ(link->Left(), 392);  // and the label stays where it was put
}

} // namespace
