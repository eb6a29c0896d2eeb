#include "ui/Image.h"
#include "ui/Jpeg.h"
#include "ui/Layout.h"

namespace ui {

// ---------------------------------------------------------------------------------------------
// TPicture
// ---------------------------------------------------------------------------------------------

void TPicture::LoadFromJpeg(const void* data, size_t size) {
    TJpegBitmap jpeg = DecodeJpeg(data, size);
    FBitmap = std::move(jpeg.Bitmap);
    FSize = jpeg.Dimensions;
    Changed();
}

void TPicture::LoadFromResource(const std::wstring& name) {
    std::string_view bytes = RcDataResource(name);
    try {
        LoadFromJpeg(bytes.data(), bytes.size());
    } catch (const TJpegError& e) {
        throw Exception(L"picture '" + name + L"': " + FromUtf8(e.what()));
    }
}

void TPicture::Clear() {
    if (Empty()) return;
    FBitmap.Reset();
    FSize = {};
    Changed();
}

// ---------------------------------------------------------------------------------------------
// TImage
// ---------------------------------------------------------------------------------------------

TImage::TImage(TComponent* owner) : TGraphicControl(owner) {
    FPicture.OnChange = [this] { PictureChanged(); };
    SetBounds(Left(), Top(), 105, 105);
}

void TImage::SetStretch(bool value) {
    if (value == FStretch) return;
    FStretch = value;
    Invalidate();
}

void TImage::SetCenter(bool value) {
    if (value == FCenter) return;
    FCenter = value;
    Invalidate();
}

void TImage::SetAutoSize(bool value) {
    if (value == FAutoSize) return;
    FAutoSize = value;
    if (FAutoSize) SetBounds(Left(), Top(), Width(), Height()); // ConstrainedSize does the rest
}

Size TImage::ConstrainedSize(Size s) const {
    if (FAutoSize && !FPicture.Empty()) s = {FPicture.Width(), FPicture.Height()};
    return TGraphicControl::ConstrainedSize(s);
}

void TImage::PictureChanged() {
    if (FAutoSize) SetBounds(Left(), Top(), Width(), Height());
    Invalidate();
}

void TImage::Paint(TCanvas& canvas, const Rect& update) {
    if (FPicture.Empty()) return;
    HDC dc = canvas.Handle();
    MemoryDcOwner source(CreateCompatibleDC(dc));
    SelectGuard select(source, FPicture.Bitmap());
    const int pw = FPicture.Width(), ph = FPicture.Height();
    if (FStretch) {
        // COLORONCOLOR repeats or drops whole pixels: the banner strip is a gradient running
        // across the stretch direction, so no smoothing is needed and the result is exact.
        int oldMode = SetStretchBltMode(dc, COLORONCOLOR);
        StretchBlt(dc, 0, 0, ClientWidth(), ClientHeight(), source, 0, 0, pw, ph, SRCCOPY);
        SetStretchBltMode(dc, oldMode);
        return;
    }
    int x = 0, y = 0;
    if (FCenter) {
        x = (ClientWidth() - pw) / 2;
        y = (ClientHeight() - ph) / 2;
    }
    BitBlt(dc, x, y, pw, ph, source, 0, 0, SRCCOPY);
}

// ---------------------------------------------------------------------------------------------
// Layout registration
// ---------------------------------------------------------------------------------------------

void RegisterImageClasses(TClassRegistry& registry) {
    using V = const TLayoutValue&;
    using C = TLayoutContext&;
    RegisterControlClass<TImage, TControl>(registry, L"TImage");
    registry.Property<TImage>(L"Picture.Resource", [](TImage& i, V v, C ctx) { i.Picture().LoadFromResource(ctx.String(v)); });
    registry.Property(L"Stretch", &TImage::SetStretch);
    registry.Property(L"Center", &TImage::SetCenter);
    registry.Property(L"AutoSize", &TImage::SetAutoSize);
    // Our pictures are opaque JPEGs: transparency and progressive display do not apply.
    for (const wchar_t* name : {L"Transparent", L"IncrementalDisplay"})
        registry.Ignored<TImage>(name);
}

} // namespace ui
