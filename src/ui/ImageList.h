// TImageList: a non-visual component holding equally sized glyphs in a Win32 image list.
// The pictures come from a bitmap strip (N images side by side); pixels of the mask colour,
// magenta by default, are transparent. Tool buttons, the tree and the status pane draw from it.
#pragma once
#include "ui/Color.h"
#include "ui/Component.h"
#include "ui/Gdi.h"
#include <functional>
#include <string>
#include <vector>

namespace ui {

class TCanvas;
class TClassRegistry;
class TImageList;

constexpr COLORREF kImageListMaskColor = RGB(255, 0, 255);

// Tells its holder whenever a list's pictures change (size, masking, background, images added
// or cleared), so that a control showing them can resize and repaint. The list and the link
// forget each other when either is destroyed.
class TImageChangeLink {
public:
    explicit TImageChangeLink(std::function<void()> onChange) : FOnChange(std::move(onChange)) {}
    ~TImageChangeLink() { SetImages(nullptr); }
    TImageChangeLink(const TImageChangeLink&) = delete;
    TImageChangeLink& operator=(const TImageChangeLink&) = delete;

    TImageList* Images() const { return FImages; }
    // Leaves the old list's notifications and joins the new one's.
    void SetImages(TImageList* images);

private:
    friend class TImageList;
    TImageList* FImages = nullptr;
    std::function<void()> FOnChange;
};

class TImageList : public TComponent {
public:
    explicit TImageList(TComponent* owner = nullptr);
    ~TImageList() override;
    std::wstring ClassName() const override { return L"TImageList"; }

    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    // Changing the size or the Masked flag rebuilds the list: a Win32 image list cannot
    // change either. Images loaded from a resource are loaded again at the new size.
    void SetWidth(int width);
    void SetHeight(int height);
    bool Masked() const { return FMasked; }
    void SetMasked(bool masked);
    // Background the images are drawn on; clNone draws them transparently.
    TColor BkColor() const { return FBkColor; }
    void SetBkColor(TColor color);

    // Appends every whole image of the strip; returns the index of the first one added, or -1
    // when the strip holds none. The strip is not changed.
    int AddStrip(HBITMAP strip, COLORREF maskColor = kImageListMaskColor);
    // Replaces the images with those of a BITMAP resource of the executable. Throws
    // std::runtime_error naming the resource when it is missing.
    void LoadFromResource(const std::wstring& name, COLORREF maskColor = kImageListMaskColor);
    void Clear();

    int Count() const;
    HIMAGELIST Handle() const { return FHandle; }

    // Draws image `index` with its top-left corner at (x, y). A disabled image is drawn as an
    // embossed silhouette of all its opaque pixels (highlight colour offset by one pixel under
    // the shadow colour), the classic look of a disabled tool button. Out-of-range indexes
    // draw nothing.
    void Draw(HDC dc, int x, int y, int index, bool enabled = true) const;
    void Draw(TCanvas& canvas, int x, int y, int index, bool enabled = true) const;

private:
    friend class TImageChangeLink;
    void Rebuild();
    void Changed();
    void DrawDisabled(HDC dc, int x, int y, int index) const;

    int FWidth = 16;
    int FHeight = 16;
    bool FMasked = true;
    TColor FBkColor = clNone;
    std::wstring FResourceName;
    COLORREF FResourceMask = kImageListMaskColor;
    ImageListOwner FHandle;
    std::vector<TImageChangeLink*> FChangeLinks;
};

void RegisterImageListClasses(TClassRegistry& registry);

} // namespace ui
