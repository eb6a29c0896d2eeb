// The kit's 3-D and shadow text. A caption in TTextStyle is its text with copies in a
// highlight and a shadow colour around it (raised, recessed) or one offset copy beneath it
// (shadow); a disabled caption is engraved whatever its style. Labels and push buttons put a
// copy on the canvas in their own ways (a DrawText rectangle, a turned ExtTextOut, one
// character on an arc); which copies go where, and in what order, is decided here once.
#pragma once
#include "ui/Color.h"
#include "ui/Geometry.h"
#include "widgets/WkEnums.h"
#include <functional>

namespace wk {

struct TTextEffect {
    TTextStyle Style = tsNormal;
    // Raised text without its shadow copy, recessed text without its highlight copy.
    bool Light = false;
    ui::TColor HighlightColor = ui::clBtnHighlight;
    ui::TColor ShadowColor = ui::clBtnShadow;
    // Where tsShadow puts the shadow copy, relative to where the text would stand.
    ui::Point ShadowOffset;
    // Where the text itself goes when enabled (a caller may keep room for its shadow).
    ui::Point TextOffset;
};

// Draws one copy of the text moved by `offset`, in `color`.
using TTextCopyPainter = std::function<void(ui::Point offset, ui::TColor color)>;

// Paints the copies back to front, then the text in textColor. Disabled, the text is
// engraved: a highlight copy one pixel down-right and the text in the shadow colour over it,
// with neither offset.
void PaintTextEffect(const TTextEffect& effect, bool enabled, ui::TColor textColor, const TTextCopyPainter& copy);

} // namespace wk
