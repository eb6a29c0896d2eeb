// The program's resources as the executable carries them: cursors with their hot points, the
// icon, the image-list strips, the JPEG pictures, and the three window layouts loaded through
// the real class registry.
#include "flash/ShockwaveFlash.h"
#include "ui/Form.h"
#include "ui/Image.h"
#include "ui/ImageList.h"
#include "ui/Jpeg.h"
#include "ui/Label.h"
#include "ui/Layout.h"
#include "ui/Menu.h"
#include "widgets/WkButton.h"
#include "widgets/WkLabel.h"
#include "widgets/WkMemo.h"
#include "widgets/WkPanel.h"
#include "widgets/WkSplitter.h"
#include "widgets/WkStatusBar.h"
#include "widgets/WkToolButton.h"
#include "widgets/WkTreeView.h"

#include <windows.h>

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

HMODULE Exe() { return GetModuleHandleW(nullptr); }

struct CursorFacts {
    POINT hot{-1, -1};
    SIZE size{0, 0};
    bool monochrome = false;
};

CursorFacts ReadCursor(const wchar_t* name) {
    CursorFacts f;
    HCURSOR cursor = LoadCursorW(Exe(), name); // shared resource handle: not destroyed
    if (!cursor) return f;
    ICONINFO info{};
    if (!GetIconInfo(cursor, &info)) return f;
    f.hot = {LONG(info.xHotspot), LONG(info.yHotspot)};
    BITMAP mask{};
    GetObjectW(info.hbmMask, sizeof mask, &mask);
    // A monochrome cursor has no colour bitmap; its mask holds AND over XOR, twice as high.
    f.monochrome = info.hbmColor == nullptr;
    f.size = {mask.bmWidth, f.monochrome ? mask.bmHeight / 2 : mask.bmHeight};
    if (info.hbmMask) DeleteObject(info.hbmMask);
    if (info.hbmColor) DeleteObject(info.hbmColor);
    return f;
}

// A form that answers every handler name the layouts use, recording nothing.
class TLayoutHost : public ui::TForm {
public:
    explicit TLayoutHost(ui::TComponent* owner = nullptr) : ui::TForm(owner) {
        for (const wchar_t* name : {L"FormCreate", L"FormActivate", L"BtnFitClick", L"BtnRealSizeClick", L"BtnHelpClick",
                                    L"WkSplitter1Change", L"WkTreeView1DblClick", L"M_DocClick"})
            RegisterHandler(name, ui::TNotifyEvent([](ui::TObject*) {}));
        RegisterHandler(L"WkTreeView1MouseDown",
                        ui::TMouseEvent([](ui::TObject*, ui::TMouseButton, ui::TShiftState, int, int) {}));
    }
};

ui::TClassRegistry FullRegistry() {
    ui::TClassRegistry r;
    ui::RegisterFrameworkClasses(r);
    wk::RegisterWkPanelClasses(r);
    wk::RegisterWkSplitterClasses(r);
    wk::RegisterWkStatusBarClasses(r);
    wk::RegisterWkToolButtonClasses(r);
    wk::RegisterWkTreeViewClasses(r);
    wk::RegisterWkMemoClasses(r);
    wk::RegisterWkButtonClasses(r);
    wk::RegisterWkLabelClasses(r);
    flash::RegisterFlashClasses(r);
    return r;
}

template <typename T>
T* Find(ui::TComponent& root, const wchar_t* name) {
    return dynamic_cast<T*>(root.FindComponent(name));
}

} // namespace

TEST(Resources, CursorsAreMonochrome32x32WithTheirHotPoints) {
    struct Case { const wchar_t* name; POINT hot; };
    const Case cases[] = {
        {L"WKSPLIT_HORZ", {8, 8}},        {L"WKSPLIT_VERT", {8, 8}},
        {L"WKSPLIT_HORZHOTSPOT", {0, 0}}, {L"WKSPLIT_VERTHOTSPOT", {0, 0}},
        {L"WKCOMMON_HANDCURSOR", {5, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name, c.name + wcslen(c.name)));
        CursorFacts f = ReadCursor(c.name);
        EXPECT_EQ(f.hot.x, c.hot.x);
        EXPECT_EQ(f.hot.y, c.hot.y);
        EXPECT_EQ(f.size.cx, 32);
        EXPECT_EQ(f.size.cy, 32);
        EXPECT_TRUE(f.monochrome);
    }
}

TEST(Resources, IconBitmapsAndPicturesHaveTheirSizes) {
    HICON icon = static_cast<HICON>(LoadImageW(Exe(), L"MAINICON", IMAGE_ICON, 32, 32, LR_SHARED));
    ASSERT_NE(icon, nullptr);
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(icon, &info));
    BITMAP colour{};
    GetObjectW(info.hbmColor, sizeof colour, &colour);
    EXPECT_EQ(colour.bmWidth, 32);
    DeleteObject(info.hbmMask);
    DeleteObject(info.hbmColor);

    struct Strip { const wchar_t* name; int w, h; };
    for (const Strip& s : {Strip{L"IMAGELIST1", 80, 16}, Strip{L"IMAGELIST2", 26, 26}}) {
        ui::BitmapOwner bmp(static_cast<HBITMAP>(LoadImageW(Exe(), s.name, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
        ASSERT_TRUE(bmp);
        DIBSECTION dib{};
        GetObjectW(bmp, sizeof dib, &dib);
        EXPECT_EQ(dib.dsBm.bmWidth, s.w);
        EXPECT_EQ(dib.dsBm.bmHeight, s.h);
        EXPECT_EQ(dib.dsBm.bmBitsPixel, 24);
        // The top-left pixel is background: the mask colour, magenta.
        const auto* row0 = static_cast<const uint8_t*>(dib.dsBm.bmBits) + size_t(s.h - 1) * dib.dsBm.bmWidthBytes;
        EXPECT_EQ(RGB(row0[2], row0[1], row0[0]), RGB(255, 0, 255));
    }

    struct Picture { const wchar_t* name; int w, h; };
    for (const Picture& p : {Picture{L"BANNER_LEFT", 490, 75}, Picture{L"BANNER_STRETCH", 4, 75},
                             Picture{L"HELP_PICTURE", 214, 108}}) {
        std::string_view data = ui::RcDataResource(p.name);
        ui::TJpegPixels pixels = ui::DecodeJpegPixels(data.data(), data.size());
        EXPECT_EQ(pixels.Width, p.w);
        EXPECT_EQ(pixels.Height, p.h);
    }
}

TEST(WindowLayouts, MainWindowPlacesEveryControl) {
    ui::TClassRegistry registry = FullRegistry();
    TLayoutHost* form = ui::NewForm<TLayoutHost>(nullptr);
    ui::LoadLayout(*form, L"TFRMFLASHGAME", registry);

    EXPECT_EQ(form->Width(), 720);
    EXPECT_EQ(form->Height(), 520);
    EXPECT_EQ(form->Constraints().MinWidth, 720);
    EXPECT_EQ(form->Constraints().MinHeight, 520);

    auto* banner = Find<wk::TWkPanel>(*form, L"WkPanel1");
    ASSERT_NE(banner, nullptr);
    for (const wchar_t* name : {L"Image1", L"Image2", L"BtnFit", L"BtnRealSize", L"BtnHelp", L"WkURLLabel1", L"WkURLLabel2"}) {
        auto* c = Find<ui::TControl>(*form, name);
        ASSERT_NE(c, nullptr) << "missing control";
        EXPECT_EQ(c->Parent(), banner);
    }
    auto* help = Find<wk::TWkToolButton>(*form, L"BtnHelp");
    EXPECT_EQ(help->BoundsRect(), ui::Rect::FromXYWH(671, 45, 30, 30));
    EXPECT_EQ(help->Anchors(), unsigned(ui::akTop | ui::akRight));
    EXPECT_EQ(help->Hint(), L"帮助");
    EXPECT_EQ(Find<ui::TImage>(*form, L"Image1")->Picture().Width(), 490);

    auto* splitter = Find<wk::TWkSplitter>(*form, L"WkSplitter1");
    ASSERT_NE(splitter, nullptr);
    EXPECT_EQ(splitter->Position(), 236);
    EXPECT_EQ(Find<ui::TControl>(*form, L"WkTreeView1")->Parent(), splitter->UpperLeftPane());
    auto* player = Find<flash::TShockwaveFlash>(*form, L"ShockwaveFlash1");
    ASSERT_NE(player, nullptr);
    EXPECT_EQ(player->Parent(), splitter->LowerRightPane());
    EXPECT_EQ(player->ScaleMode(), flash::smShowAll);

    auto* list1 = Find<ui::TImageList>(*form, L"ImageList1");
    auto* list2 = Find<ui::TImageList>(*form, L"ImageList2");
    ASSERT_TRUE(list1 && list2);
    EXPECT_EQ(list1->Count(), 5);
    EXPECT_EQ(list2->Count(), 1);
    EXPECT_EQ(list2->Width(), 26);

    auto* menu = Find<ui::TPopupMenu>(*form, L"PopupMenu1");
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->Items().Count(), 3);
    EXPECT_EQ(menu->Items().Item(0)->Caption(), L"开始游戏");
    EXPECT_TRUE(menu->Items().Item(1)->IsSeparator());
    EXPECT_EQ(menu->Items().Item(2)->Caption(), L"游戏说明");
    delete form;
}

TEST(WindowLayouts, DialogsLoadWithTheirClientSizes) {
    ui::TClassRegistry registry = FullRegistry();
    TLayoutHost* doc = ui::NewForm<TLayoutHost>(nullptr);
    ui::LoadLayout(*doc, L"TFRMDOC", registry);
    EXPECT_EQ(doc->Caption(), L"游戏说明");
    auto* memo = Find<ui::TControl>(*doc, L"WkMemo1");
    ASSERT_NE(memo, nullptr);
    EXPECT_EQ(memo->Align(), ui::alClient);
    ASSERT_NE(Find<ui::TControl>(*doc, L"WkButton1"), nullptr);
    EXPECT_EQ(Find<ui::TControl>(*doc, L"WkButton1")->Caption(), L"确定(&O)");
    delete doc;

    TLayoutHost* help = ui::NewForm<TLayoutHost>(nullptr);
    ui::LoadLayout(*help, L"TFRMHELP", registry);
    EXPECT_EQ(help->Caption(), L"帮助");
    auto* image = Find<ui::TImage>(*help, L"Image1");
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->Picture().Width(), 214);
    EXPECT_EQ(image->Picture().Height(), 108);
    auto* label6 = Find<ui::TLabel>(*help, L"Label6");
    ASSERT_NE(label6, nullptr);
    EXPECT_EQ(label6->Caption(), L"把自己喜欢的flash游戏（后缀是.swf）保存到软件安装路径下的FlashFiles目录中。");
    delete help;
}
