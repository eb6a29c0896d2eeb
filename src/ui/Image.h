// TPicture and TImage: a windowless control showing a picture (JPEG artwork from the
// executable's resources), unscaled at its top-left corner, centred, or stretched over it.
#pragma once
#include "ui/Control.h"
#include "ui/Gdi.h"
#include <functional>
#include <string>

namespace ui {

class TClassRegistry;

class TPicture {
public:
    bool Empty() const { return !FBitmap; }
    int Width() const { return FSize.cx; }
    int Height() const { return FSize.cy; }
    HBITMAP Bitmap() const { return FBitmap; }

    // Throws TJpegError on damaged data; the old picture stays then.
    void LoadFromJpeg(const void* data, size_t size);
    // An RCDATA resource of the executable holding a JPEG. Throws ui::Exception naming the
    // resource when it is missing or not a readable JPEG.
    void LoadFromResource(const std::wstring& name);
    void Clear();

    // Runs after every change of the picture.
    std::function<void()> OnChange;

private:
    void Changed() { if (OnChange) OnChange(); }

    BitmapOwner FBitmap;
    Size FSize;
};

class TImage : public TGraphicControl {
public:
    explicit TImage(TComponent* owner = nullptr);
    std::wstring ClassName() const override { return L"TImage"; }

    TPicture& Picture() { return FPicture; }
    const TPicture& Picture() const { return FPicture; }

    // Stretch: the picture fills the control. Center: it is centred (when not stretched).
    // Otherwise it is drawn unscaled with its top-left corner at the control's.
    bool Stretch() const { return FStretch; }
    void SetStretch(bool value);
    bool Center() const { return FCenter; }
    void SetCenter(bool value);
    // AutoSize: the control takes the picture's size whenever there is a picture.
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool value);

protected:
    void Paint(TCanvas& canvas, const Rect& update) override;
    Size ConstrainedSize(Size s) const override;

private:
    void PictureChanged();

    TPicture FPicture;
    bool FStretch = false;
    bool FCenter = false;
    bool FAutoSize = false;
};

void RegisterImageClasses(TClassRegistry& registry);

} // namespace ui
