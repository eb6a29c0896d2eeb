#include "ui/ImageList.h"
#include "ui/Canvas.h"
#include "ui/Layout.h"
#include <algorithm>
#include <stdexcept>
#include <vector>

namespace ui {

namespace {

// Raster operation "DSPDxax": where the (monochrome) source is 1 the brush is painted, where
// it is 0 the destination is kept. With a monochrome source, 1 bits take the destination's
// background colour and 0 bits its text colour, so both must be set to white and black.
constexpr DWORD kRopPaintBrushWhereSourceSet = 0x00E20746;

} // namespace

void TImageChangeLink::SetImages(TImageList* images) {
    if (images == FImages) return;
    if (FImages) std::erase(FImages->FChangeLinks, this);
    FImages = images;
    if (FImages) FImages->FChangeLinks.push_back(this);
}

TImageList::TImageList(TComponent* owner) : TComponent(owner) { Rebuild(); }

TImageList::~TImageList() {
    for (TImageChangeLink* link : FChangeLinks) link->FImages = nullptr;
}

void TImageList::Changed() {
    // A holder may leave (or another join) while it is told: work on a copy and skip links
    // that have gone meanwhile.
    const std::vector<TImageChangeLink*> links = FChangeLinks;
    for (TImageChangeLink* link : links)
        if (std::find(FChangeLinks.begin(), FChangeLinks.end(), link) != FChangeLinks.end() && link->FOnChange)
            link->FOnChange();
}

void TImageList::SetWidth(int width) {
    width = std::max(1, width);
    if (width == FWidth) return;
    FWidth = width;
    Rebuild();
    Changed();
}

void TImageList::SetHeight(int height) {
    height = std::max(1, height);
    if (height == FHeight) return;
    FHeight = height;
    Rebuild();
    Changed();
}

void TImageList::SetMasked(bool masked) {
    if (masked == FMasked) return;
    FMasked = masked;
    Rebuild();
    Changed();
}

void TImageList::SetBkColor(TColor color) {
    if (color == FBkColor) return;
    FBkColor = color;
    if (FHandle) ImageList_SetBkColor(FHandle, color == clNone ? CLR_NONE : ColorToRGB(color));
    Changed();
}

void TImageList::Rebuild() {
    FHandle.Reset(ImageList_Create(FWidth, FHeight, ILC_COLOR24 | (FMasked ? ILC_MASK : 0), 4, 4));
    if (!FHandle) throw std::runtime_error("cannot create an image list");
    ImageList_SetBkColor(FHandle, FBkColor == clNone ? CLR_NONE : ColorToRGB(FBkColor));
    if (!FResourceName.empty()) LoadFromResource(FResourceName, FResourceMask);
}

int TImageList::AddStrip(HBITMAP strip, COLORREF maskColor) {
    BITMAP info{};
    if (!strip || !GetObjectW(strip, sizeof info, &info) || info.bmWidth < FWidth) return -1;
    // ImageList_AddMasked paints the mask-coloured pixels of its source black, so it gets a
    // copy and the caller's strip stays as it was.
    BitmapOwner copy(static_cast<HBITMAP>(CopyImage(strip, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    if (!copy) return -1;
    int first = FMasked ? ImageList_AddMasked(FHandle, copy, maskColor) : ImageList_Add(FHandle, copy, nullptr);
    if (first >= 0) Changed();
    return first;
}

void TImageList::LoadFromResource(const std::wstring& name, COLORREF maskColor) {
    BitmapOwner strip(static_cast<HBITMAP>(
        LoadImageW(GetModuleHandleW(nullptr), name.c_str(), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    if (!strip) throw std::runtime_error("bitmap resource '" + ToUtf8(name) + "' not found");
    FResourceName.clear(); // Clear() must not forget it, and Rebuild() must not recurse
    Clear();
    AddStrip(strip, maskColor);
    FResourceName = name;
    FResourceMask = maskColor;
}

void TImageList::Clear() {
    FResourceName.clear();
    if (FHandle) ImageList_RemoveAll(FHandle);
    Changed();
}

int TImageList::Count() const { return FHandle ? ImageList_GetImageCount(FHandle) : 0; }

void TImageList::Draw(TCanvas& canvas, int x, int y, int index, bool enabled) const {
    Draw(canvas.Handle(), x, y, index, enabled);
}

void TImageList::Draw(HDC dc, int x, int y, int index, bool enabled) const {
    if (index < 0 || index >= Count()) return;
    if (enabled)
        // ILD_NORMAL: on the BkColor, or through the mask when BkColor is clNone (CLR_NONE).
        ImageList_Draw(FHandle, index, dc, x, y, ILD_NORMAL);
    else
        DrawDisabled(dc, x, y, index);
}

void TImageList::DrawDisabled(HDC dc, int x, int y, int index) const {
    // Which pixels belong to the picture: draw it on white and on black; a pixel that comes
    // out the same on both is opaque. That avoids depending on the list's mask format. Every
    // opaque pixel is embossed, light ones included: a glyph drawn in light colours must not
    // vanish when its button is disabled.
    DibSurface onWhite(FWidth, FHeight), onBlack(FWidth, FHeight);
    onWhite.Fill(RGB(255, 255, 255));
    onBlack.Fill(RGB(0, 0, 0));
    ImageList_Draw(FHandle, index, onWhite.Dc(), 0, 0, ILD_TRANSPARENT);
    ImageList_Draw(FHandle, index, onBlack.Dc(), 0, 0, ILD_TRANSPARENT);

    const int rowBytes = (FWidth + 15) / 16 * 2; // monochrome bitmap rows are WORD aligned
    std::vector<BYTE> bits(static_cast<size_t>(rowBytes) * FHeight, 0);
    for (int py = 0; py < FHeight; ++py) {
        for (int px = 0; px < FWidth; ++px) {
            if (onWhite.Pixel(px, py) == onBlack.Pixel(px, py))
                bits[py * rowBytes + px / 8] |= static_cast<BYTE>(0x80 >> (px % 8));
        }
    }
    BitmapOwner mono(CreateBitmap(FWidth, FHeight, 1, 1, bits.data()));
    MemoryDcOwner monoDc(CreateCompatibleDC(dc));
    SelectGuard selectMono(monoDc, mono);
    BrushOwner highlight(CreateSolidBrush(ColorToRGB(clBtnHighlight)));
    BrushOwner shadow(CreateSolidBrush(ColorToRGB(clBtnShadow)));
    DcStateGuard state(dc); // declared after the brushes: restores the DC before they die
    ::SetTextColor(dc, RGB(0, 0, 0));
    ::SetBkColor(dc, RGB(255, 255, 255));
    SelectObject(dc, highlight);
    BitBlt(dc, x + 1, y + 1, FWidth, FHeight, monoDc, 0, 0, kRopPaintBrushWhereSourceSet);
    SelectObject(dc, shadow);
    BitBlt(dc, x, y, FWidth, FHeight, monoDc, 0, 0, kRopPaintBrushWhereSourceSet);
}

// ---------------------------------------------------------------------------------------------
// Layout registration
// ---------------------------------------------------------------------------------------------

void RegisterImageListClasses(TClassRegistry& registry) {
    RegisterComponentClass<TImageList, TComponent>(registry, L"TImageList");
    registry.Property(L"Width", &TImageList::SetWidth, IntRange{1, 256});
    registry.Property(L"Height", &TImageList::SetHeight, IntRange{1, 256});
    registry.Property(L"Masked", &TImageList::SetMasked);
    registry.Property(L"BkColor", &TImageList::SetBkColor);
    registry.Property<TImageList>(L"Bitmap.Resource", [](TImageList& l, const TLayoutValue& v, TLayoutContext& ctx) {
        l.LoadFromResource(ctx.String(v));
    });
    for (const wchar_t* name : {L"AllocBy", L"BlendColor", L"DrawingStyle", L"ImageType", L"ShareImages"})
        registry.Ignored<TImageList>(name);
}

} // namespace ui
