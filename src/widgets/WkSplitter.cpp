// TWkSplitter geometry: properties, the position rules, pane layout for both orientations,
// resizing, bar drawing and loading. Mouse, keys, cursors and the hot spot: WkSplitterBar.cpp.
//
//   [1] Panes and pane data
//   [2] Construction
//   [3] Position and its limits
//   [4] Bar and hot spot properties
//   [5] Layout and resizing
//   [6] Painting the bar
//   [7] Loading
//   [8] Layout registration
#include "widgets/WkSplitter.h"
#include "ui/Form.h"
#include "ui/Layout.h"
#include "widgets/WkFrames.h"
#include <climits>
#include <cmath>

namespace wk {

using ui::Rect;
using ui::TCanvas;

namespace {
int gSplitterLoadingDepth = 0;

// Counts a splitter's end of loading; undone on every path out.
struct TLoadingDepthScope {
    TLoadingDepthScope() { ++gSplitterLoadingDepth; }
    ~TLoadingDepthScope() { --gSplitterLoadingDepth; }
};
} // namespace

int SplitterLoadingDepth() { return gSplitterLoadingDepth; }

// ---- [1] Panes and pane data ------------------------------------------------------------

TWkSplitterPane::TWkSplitterPane(TWkSplitter* splitter) : TWkCustomPanel(splitter), FSplitter(splitter) {
    SetBorderOuter(fsNone);
    SetTabStop(false);
    SetParent(splitter);
}

void TWkSplitterPane::VisibleChanged() {
    TWkCustomPanel::VisibleChanged();
    if (FSplitter && !FSplitter->IsDestroying()) FSplitter->LayoutPanes();
}

void TWkSplitterPane::FocusChanged(bool focused) {
    TWkCustomPanel::FocusChanged(focused);
    Invalidate();
}

bool TWkSplitterPane::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    // The pane's own surface (its frame, any part no child covers) belongs to the splitter
    // underneath: HTTRANSPARENT makes the system hand the mouse to it.
    if (msg == WM_NCHITTEST && !DockSite()) {
        result = HTTRANSPARENT;
        return true;
    }
    return TWkCustomPanel::HandleMessage(msg, wParam, lParam, result);
}

// ---- [2] Construction -------------------------------------------------------------------

TWkSplitter::TWkSplitter(ui::TComponent* owner) : TWkCustomPanel(owner) {
    // The splitter takes the capture itself on a press on the bar (and ends the drag when it
    // loses it), so the framework's automatic capture is off. A double click counts as two
    // presses: two quick hot spot clicks collapse and restore.
    SetControlStyle((ControlStyle() | ui::csOpaque) & ~(ui::csCaptureMouse | ui::csDoubleClicks | ui::csClickEvents));
    SetBorderOuter(fsNone);
    SetBounds(Left(), Top(), 200, 100);
    for (int i = 0; i < 2; ++i) {
        FPanes[i] = new TWkSplitterPane(this);
        FPaneData[i] = std::make_unique<TWkPaneData>(FPanes[i]);
        TPaneDockEvents& target = i == 0 ? UpperLeftDockEvents : LowerRightDockEvents;
        TPaneDockEvents& source = FPanes[i]->DockEvents;
        source.OnGetSiteInfo = [this, &target](ui::TObject*, ui::TControl* c, Rect& r, ui::Point p, bool& can) {
            if (target.OnGetSiteInfo) target.OnGetSiteInfo(this, c, r, p, can);
        };
        source.OnDockOver = [this, &target](ui::TObject*, TDragDockObject* s, int x, int y, int st, bool& accept) {
            if (target.OnDockOver) target.OnDockOver(this, s, x, y, st, accept);
        };
        source.OnDockDrop = [this, &target](ui::TObject*, TDragDockObject* s, int x, int y) {
            if (target.OnDockDrop) target.OnDockDrop(this, s, x, y);
        };
        source.OnUnDock = [this, &target](ui::TObject*, ui::TControl* c, ui::TWinControl* t, bool& allow) {
            if (target.OnUnDock) target.OnUnDock(this, c, t, allow);
        };
    }
    // The outline brush: white with black where x + y is odd. In a monochrome pattern brush
    // a set bit takes the DC's background colour (white on the screen DC) and a clear bit its
    // text colour (black); rows are padded to 16 bits.
    WORD rows[8];
    for (int y = 0; y < 8; ++y) rows[y] = (y % 2 == 0) ? 0xAA : 0x55;
    FDragPatternBitmap.Reset(CreateBitmap(8, 8, 1, 1, rows));
    LoadCursors();
}

TWkSplitter::~TWkSplitter() {
    SetDestroying();
    HideOutline();
    // The panes are ours; deleting them here, while we are still a whole splitter, keeps
    // their parent bookkeeping away from a half-destroyed object.
    for (TWkSplitterPane*& pane : FPanes) {
        pane->FSplitter = nullptr;
        delete pane;
        pane = nullptr;
    }
}

void TWkSplitter::LoadCursors() {
    // The tests and any host without our resources get the nearest stock cursors.
    const HINSTANCE module = GetModuleHandleW(nullptr);
    const auto load = [module](const wchar_t* name, LPCWSTR fallback) {
        HCURSOR c = LoadCursorW(module, name);
        return c ? c : LoadCursorW(nullptr, fallback);
    };
    FCursorHorz = load(L"WKSPLIT_HORZ", IDC_SIZEWE);
    FCursorHorzHotSpot = load(L"WKSPLIT_HORZHOTSPOT", IDC_HAND);
    FCursorVert = load(L"WKSPLIT_VERT", IDC_SIZENS);
    FCursorVertHotSpot = load(L"WKSPLIT_VERTHOTSPOT", IDC_HAND);
}

void TWkSplitter::CreateParams(ui::TCreateParams& params) {
    TWkCustomPanel::CreateParams(params);
    params.Style |= WS_CLIPCHILDREN;
}

TWkPaneData& TWkSplitter::PaneData(int index) { return *FPaneData[index == 2 ? 1 : 0]; }

TWkSplitterPane* TWkSplitter::SelectedPaneControl() const {
    return FSelectedPane == spUpperLeft ? FPanes[0] : FPanes[1];
}

void TWkSplitter::SetPaneControlNames(int index, std::vector<std::wstring> names) {
    FPaneNames[index == 2 ? 1 : 0] = std::move(names);
}

void TWkSplitter::SetTransparent(bool value) {
    TWkCustomPanel::SetTransparent(value);
    for (TWkSplitterPane* pane : FPanes) pane->SetTransparent(value);
}

void TWkSplitter::SetParentColorAll(bool value) {
    SetParentColor(value);
    for (TWkSplitterPane* pane : FPanes) pane->SetParentColor(value);
}

void TWkSplitter::ShowControl(ui::TControl* control) {
    auto* pane = dynamic_cast<TWkSplitterPane*>(control);
    if (!pane || pane->FSplitter != this || pane->Visible() || IsLoading()) return;
    // The focus must not stay in a control that is about to move.
    if (ui::TForm* form = ui::GetParentForm(this)) {
        if (form->ActiveControl() && ContainsControl(form->ActiveControl()) && CanFocus()) form->SetActiveControl(this);
    }
    pane->SetVisible(true);
}

// ---- [3] Position and its limits --------------------------------------------------------

int TWkSplitter::AxisSize() const { return FOrientation == orHorizontal ? Width() : Height(); }

int TWkSplitter::PercentOf(int percent) const {
    // Half to even, as the default floating-point rounding mode rounds.
    return static_cast<int>(std::lrint(percent / 100.0 * (AxisSize() - HalfBar())));
}

Rect TWkSplitter::LayoutRect() const {
    if (DockSite()) return ClientRect();
    return ContentRect();
}

int TWkSplitter::LeadingBorderSize() const { return LayoutRect().PrimaryStart(MoveAxis(FOrientation)); }

void TWkSplitter::SetPosition(int value) {
    FChangeRefused = false;
    if (!FInResize && value == FPosition) return;
    if (IsLoading()) {
        // The bounds are not final yet; loading ends with a layout that uses this value.
        FPosition = value;
        return;
    }
    ConstrainPosition(value);
    if (OnChanging) {
        bool allow = true;
        OnChanging(this, value, allow);
        if (!allow) {
            FChangeRefused = true;
            return;
        }
    }
    FPosition = value;
    const int d = AxisSize() - HalfBar();
    FPercent = d == 0 ? 0 : static_cast<int>(std::lrint(static_cast<double>(value) / d * 100));
    LayoutPanes();
    UpdateLastFixedSize();
    if (OnChange) OnChange(this);
}

void TWkSplitter::ConstrainPosition(int& position) const {
    if (!FPanes[0] || !FPanes[1] || !FPanes[0]->Visible() || !FPanes[1]->Visible()) return;
    const bool ignoreMargins = FHotSpot.Closed && FHotSpotIgnoreMargins;
    const int low = ignoreMargins ? 0 : FMarginMin;
    const int high = ignoreMargins ? 0 : FMarginMax;
    if (position < low) position = low;
    // The bar must fit inside R with MarginMax after it. Checked last, so when the limits
    // cross the upper one wins (and the position may go negative).
    const int top = LayoutRect().PrimarySize(MoveAxis(FOrientation)) - high - FSplitterWidth;
    if (position > top) position = top;
}

void TWkSplitter::MoveSplitterTo(int position) {
    if (position == FPosition) return;
    SetPosition(position);
    RememberFixedSize(FPosition);
}

void TWkSplitter::RememberFixedSize(int position) {
    FPreferredFixedSize = FFixedPane == fpUpperLeft ? position : AxisSize() - position;
}

void TWkSplitter::UpdateLastFixedSize() {
    FLastFixedSize = FFixedPane == fpUpperLeft ? FPosition : AxisSize() - FPosition;
}

void TWkSplitter::SetPercent(int value) {
    if (FPercent == value) return;
    FPercent = value;
    if (IsLoading()) return;
    FUsePercent = true;
    SetPosition(PercentOf(FPercent));
}

void TWkSplitter::SetUsePercent(bool value) {
    if (FUsePercent == value) return;
    FUsePercent = value;
    if (!value) return;
    FFixedPane = fpUpperLeft;
    SetPercentMin(FPercentMin);
    SetPercentMax(FPercentMax);
}

void TWkSplitter::SetPercentMin(int value) {
    FPercentMin = std::max(value, 0);
    if (!IsLoading() && FUsePercent) SetMarginMin(PercentOf(FPercentMin));
}

void TWkSplitter::SetPercentMax(int value) {
    FPercentMax = std::min(value, 100);
    if (!IsLoading() && FUsePercent) SetMarginMax(AxisSize() - HalfBar() - PercentOf(FPercentMax));
}

void TWkSplitter::SetMarginMin(int value) {
    FMarginMin = std::max(value, 0);
    if (FMarginMin + FMarginMax > AxisSize()) FMarginMin = AxisSize() - FMarginMax;
}

void TWkSplitter::SetMarginMax(int value) {
    FMarginMax = std::max(value, 0);
    if (FMarginMin + FMarginMax > AxisSize()) FMarginMax = AxisSize() - FMarginMin;
}

void TWkSplitter::SetFixedPane(TFixedPane value) {
    if (FFixedPane == value) return;
    FFixedPane = value;
    if (value == fpLowerRight) FUsePercent = false;
    RememberFixedSize(FPosition);
    UpdateLastFixedSize();
}

void TWkSplitter::SetOrientation(TOrientation value) {
    if (FOrientation == value) return;
    FOrientation = value;
    if (FUsePercent) {
        SetPosition(PercentOf(FPercent));
        SetMarginMin(PercentOf(FPercentMin));
        SetMarginMax(AxisSize() - HalfBar() - PercentOf(FPercentMax));
    }
    // Laid out in every case: an unchanged position still needs the panes turned.
    LayoutPanes();
    Invalidate();
}

// ---- [4] Bar and hot spot properties ----------------------------------------------------

void TWkSplitter::SetSplitterWidth(int value) {
    value = std::clamp(value, 0, 0xFFFF);
    if (FSplitterWidth == value) return;
    FSplitterWidth = value;
    const auto a = MoveAxis(FOrientation);
    FBarSize = Rect::FromAxes(a, FBarSize.PrimaryStart(a), FBarSize.PrimaryStart(a) + value, FBarSize.SecondaryStart(a),
                              FBarSize.SecondaryEnd(a));
    LayoutPanes();
    Invalidate();
}

void TWkSplitter::SetSplitterStyle(TSplitterStyle value) {
    if (FSplitterStyle == value) return;
    FSplitterStyle = value;
    // The grooves and bumps need 6 pixels (only enforced now, not on later width changes).
    if (value != ssStandard && FSplitterWidth < 6) SetSplitterWidth(6);
    Invalidate();
}

void TWkSplitter::SetHotSpotVisible(bool value) {
    if (FHotSpotVisible == value) return;
    FHotSpotVisible = value;
    // Arrows and dots need 7 pixels (only enforced now, not on later width changes).
    if (value && FSplitterWidth < 7) SetSplitterWidth(7);
    Invalidate();
}

void TWkSplitter::SetHotSpotDirection(THotSpotDirection value) { SetAndInvalidate(FHotSpotDirection, value); }
void TWkSplitter::SetGradientPath(TWkGroupBarGradientPath value) { SetAndInvalidate(FGradientPath, value); }
void TWkSplitter::SetGradientColorAdjustment(int value) { SetAndInvalidate(FGradientColorAdjustment, value); }

void TWkSplitter::SetHotSpotSizePercent(int value) {
    if (FHotSpotSizePercent == value) return;
    FHotSpotSizePercent = value;
    ComputeHotSpotRect();
    Invalidate();
}

void TWkSplitter::SetBarSize(const Rect& value) {
    FBarSize = value;
    ComputeHotSpotRect();
}

void TWkSplitter::ComputeHotSpotRect() { FHotSpotRect = wk::ComputeHotSpotRect(FBarSize, FOrientation, FHotSpotSizePercent); }

void TWkSplitter::SetHotSpotState(const THotSpotClosedState& state) {
    FHotSpot = state;
    Invalidate();
}

void TWkSplitter::ResetHotSpot() {
    FHotSpot = {};
    Invalidate(); // the arrows turn back
}

void TWkSplitter::SetBorderOuter(TFrameStyleEx value) {
    TWkCustomPanel::SetBorderOuter(value);
    LayoutPanes();
}
void TWkSplitter::SetBorderInner(TFrameStyleEx value) {
    TWkCustomPanel::SetBorderInner(value);
    LayoutPanes();
}
void TWkSplitter::SetBorderSides(TSides value) {
    TWkCustomPanel::SetBorderSides(value);
    LayoutPanes();
}
void TWkSplitter::SetBorderWidth(int value) {
    TWkCustomPanel::SetBorderWidth(value);
    LayoutPanes();
}

// ---- [5] Layout and resizing ------------------------------------------------------------

void TWkSplitter::AlignControls(Rect&) {
    // The panes are placed from Position, never by Align; nothing moves while loading.
    if (IsLoading() || gSplitterLoadingDepth > 0) return;
    LayoutPanes();
}

void TWkSplitter::LayoutPanes() {
    // The panes are missing while the constructor makes them (adding the first realigns).
    if (IsLoading() || IsDestroying() || FInLayout || !FPanes[0] || !FPanes[1]) return;
    FInLayout = true;
    DisableAlign();
    struct TResume {
        TWkSplitter& s;
        ~TResume() {
            s.EnableAlign();
            s.FInLayout = false;
        }
    } resume{*this};

    const auto a = MoveAxis(FOrientation);
    const Rect r = LayoutRect();
    const int start = r.PrimaryStart(a), extent = r.PrimarySize(a);
    // A span along the axis over R's full breadth; an inverted span (bar squeezed out of R)
    // is an empty pane rather than a negative window size.
    const auto span = [&](int from, int length) {
        return Rect::FromAxes(a, from, from + std::max(length, 0), r.SecondaryStart(a), r.SecondaryEnd(a));
    };
    const bool upperLeft = FPanes[0]->Visible(), lowerRight = FPanes[1]->Visible();
    const Rect empty = span(start, 0);

    FPanes[0]->SetAlignedBounds(!upperLeft ? empty : !lowerRight ? r : span(start, FPosition));
    FBarSize = upperLeft && lowerRight ? span(start + FPosition, FSplitterWidth) : empty;
    ComputeHotSpotRect();
    FPanes[1]->SetAlignedBounds(!lowerRight ? empty
                                : !upperLeft ? r
                                             : span(start + FPosition + FSplitterWidth, extent - FPosition - FSplitterWidth));

    for (TWkSplitterPane* pane : FPanes)
        for (ui::TControl* child : pane->Controls())
            if (auto* nested = dynamic_cast<TWkSplitter*>(child)) nested->LayoutPanes();
    if (FRealTimeDrag)
        for (TWkSplitterPane* pane : FPanes) pane->Repaint();
    DrawSplitterBar();
}

void TWkSplitter::Resize() {
    TWkCustomPanel::Resize();
    if (IsLoading() || IsDestroying()) return;
    ResizePanes();
}

void TWkSplitter::ResizePanes() {
    FInResize = true;
    struct TReset {
        bool& flag;
        ~TReset() { flag = false; }
    } reset{FInResize};

    const int size = AxisSize();
    const int d = size - HalfBar();
    if (FFixedPane == fpUpperLeft && FUsePercent) {
        SetMarginMin(PercentOf(FPercentMin));
        SetMarginMax(d - PercentOf(FPercentMax));
        SetPosition(FHotSpot.Closed ? (FHotSpot.ClosedToMin ? 0 : d) : PercentOf(FPercent));
    } else if (FFixedPane == fpUpperLeft) {
        // Re-constrained (and announced) at the new size; a pane squeezed by a smaller
        // window gets its chosen size back when the window grows again.
        SetPosition(FPosition);
        if (FPreferredFixedSize > FPosition && !FHotSpot.Closed) SetPosition(FPreferredFixedSize);
    } else if (!FUsePercent) {
        // The lower-right pane keeps its size, and gets its chosen size back when there is
        // room again (PreferredFixedSize is its extent in this mode).
        SetPosition(size - FLastFixedSize);
        if (!FHotSpot.Closed && FPreferredFixedSize > size - FPosition) SetPosition(size - FPreferredFixedSize);
        if (FHotSpot.Closed) FHotSpotPosition = size - FPreferredFixedSize;
    }
}

// ---- [6] Painting the bar ---------------------------------------------------------------

void TWkSplitter::Paint(TCanvas& canvas, const Rect& update) {
    TWkCustomPanel::Paint(canvas, update);
    PaintSplitterBar(canvas);
}

void TWkSplitter::DrawSplitterBar() {
    HWND wnd = HandleIfAllocated();
    if (!wnd || !IsWindowVisible(wnd)) return;
    ui::WindowDc dc(wnd);
    TCanvas canvas(dc);
    PaintSplitterBar(canvas);
}

void TWkSplitter::PaintSplitterBar(TCanvas& canvas) {
    switch (FSplitterStyle) {
    case ssGroove:
    case ssBump: {
        canvas.SetBrush(Color());
        canvas.FillRect(FBarSize);
        // Two 3-pixel strips side by side in the middle of the bar, over its whole length.
        const auto a = MoveAxis(FOrientation);
        const int m = FBarSize.PrimaryStart(a) + FBarSize.PrimarySize(a) / 2;
        const TFrameStyle style = FSplitterStyle == ssGroove ? fsStatus : fsPopup;
        for (int from : {m - 3, m})
            PaintFrameStyle(canvas, Rect::FromAxes(a, from, from + 3, FBarSize.SecondaryStart(a), FBarSize.SecondaryEnd(a)),
                            style, kAllSides);
        break;
    }
    case ssGroupBar:
        if (VisualStyle() != vsClassic)
            PaintGroupBarBackdrop(canvas, FBarSize, VisualStyle(), GradientColorStyle(), GradientColorStart(),
                                  GradientColorStop(), FGradientPath);
        break;
    case ssStandard: break; // the splitter's background shows
    }
    if (FHotSpotVisible) PaintHotSpotOn(canvas, false, {});
}

// ---- [7] Loading ------------------------------------------------------------------------

void TWkSplitter::Loaded() {
    TLoadingDepthScope depth;
    TWkCustomPanel::Loaded();
    ui::TForm* form = ui::GetParentForm(this);
    ui::TWinControl* active = form ? form->ActiveControl() : nullptr;

    RememberFixedSize(FPosition);
    LayoutPanes();

    DisableAlign();
    struct TResume {
        TWkSplitter& s;
        ~TResume() { s.EnableAlign(); }
    } resume{*this};
    std::vector<ui::TControl*> placed;
    for (int i = 0; i < 2; ++i) {
        for (const std::wstring& name : FPaneNames[i]) {
            // Names that match no control of the owner are skipped.
            auto* control = dynamic_cast<ui::TControl*>(Owner() ? Owner()->FindComponent(name) : nullptr);
            if (!control || control == this || control->Parent() != this) continue;
            control->SetParent(FPanes[i]);
            placed.push_back(control);
        }
    }
    // A control read into the splitter but named in neither list would lie hidden under the
    // panes; it goes to the selected pane instead.
    for (ui::TControl* child : std::vector<ui::TControl*>(Controls()))
        if (child != FPanes[0] && child != FPanes[1]) child->SetParent(SelectedPaneControl());
    if (form && active) form->SetActiveControl(active);
}

// ---- [8] Layout registration ------------------------------------------------------------

namespace {

using ui::TLayoutContext;
using ui::TLayoutValue;

std::vector<std::wstring> ReadNames(const TLayoutValue& v, TLayoutContext& c) {
    if (v.Kind != ui::TLayoutValueKind::List) c.FailValue(v, L"a list");
    std::vector<std::wstring> names;
    for (const TLayoutValue& item : v.Items) names.push_back(c.Identifier(item));
    return names;
}

Rect ReadRect(const TLayoutValue& v, TLayoutContext& c) {
    if (v.Kind != ui::TLayoutValueKind::List || v.Items.size() != 4) c.FailValue(v, L"a list of four integers");
    return Rect{c.Int(v.Items[0]), c.Int(v.Items[1]), c.Int(v.Items[2]), c.Int(v.Items[3])};
}

// UpperLeft.X and LowerRight.X for every property of the pane data.
void RegisterPaneData(ui::TClassRegistry& registry, const std::wstring& prefix, int index) {
    using S = TWkSplitter;
    const auto pane = [&](const wchar_t* property, auto set, auto read) {
        registry.Property<S>(prefix + L"." + property, [index, set, read](S& s, const TLayoutValue& v, TLayoutContext& c) {
            (s.PaneData(index).*set)(read(v, c));
        });
    };
    const auto color = ui::TLayoutReader<TColor>::Read;
    const auto flag = ui::TLayoutReader<bool>::Read;
    const auto style = ui::TLayoutReader<TFrameStyleEx>::Read;
    pane(L"BorderColor", &TWkPaneData::SetBorderColor, color);
    pane(L"BorderInner", &TWkPaneData::SetBorderInner, style);
    pane(L"BorderOuter", &TWkPaneData::SetBorderOuter, style);
    pane(L"BorderWidth", &TWkPaneData::SetBorderWidth, ui::IntRange{0, 0xFFFF});
    pane(L"Color", &TWkPaneData::SetColor, color);
    pane(L"FlatColor", &TWkPaneData::SetFlatColor, color);
    pane(L"FlatColorAdjustment", &TWkPaneData::SetFlatColorAdjustment, ui::TLayoutReader<int>::Read);
    pane(L"DockSite", &TWkPaneData::SetDockSite, flag);
    pane(L"ShowDockClientCaptions", &TWkPaneData::SetShowDockClientCaptions, flag);
    pane(L"Visible", &TWkPaneData::SetVisible, flag);
}

} // namespace

void RegisterWkSplitterClasses(ui::TClassRegistry& registry) {
    using S = TWkSplitter;
    // The splitter is a panel: its frames and colours are the panel's properties.
    RegisterWkPanelClasses(registry);
    ui::RegisterControlClass<TWkSplitter, TWkCustomPanel>(registry, L"TWkSplitter");
    registry.Property<S>(L"Position", &S::SetPosition);
    registry.Property<S>(L"Percent", &S::SetPercent);
    registry.Property<S>(L"PercentMin", &S::SetPercentMin);
    registry.Property<S>(L"PercentMax", &S::SetPercentMax);
    registry.Property<S>(L"MarginMin", &S::SetMarginMin);
    registry.Property<S>(L"MarginMax", &S::SetMarginMax);
    registry.Property<S>(L"HotSpotSizePercent", &S::SetHotSpotSizePercent);
    registry.Property<S>(L"GradientColorAdjustment", &S::SetGradientColorAdjustment);
    registry.Property<S>(L"HotSpotPosition", &S::SetHotSpotPosition);
    registry.Property<S>(L"SplitterWidth", &S::SetSplitterWidth, ui::IntRange{0, 0xFFFF});
    registry.Property<S>(L"UsePercent", &S::SetUsePercent);
    registry.Property<S>(L"RealTimeDrag", &S::SetRealTimeDrag);
    registry.Property<S>(L"LockBar", &S::SetLockBar);
    registry.Property<S>(L"HotSpotVisible", &S::SetHotSpotVisible);
    registry.Property<S>(L"HotSpotIgnoreMargins", &S::SetHotSpotIgnoreMargins);
    registry.Property<S>(L"ParentColor", &S::SetParentColorAll);
    registry.Property<S>(L"HotSpotColor", &S::SetHotSpotColor);
    registry.Property<S>(L"HotSpotHighlight", &S::SetHotSpotHighlight);
    registry.Property<S>(L"HotSpotFrameColor", &S::SetHotSpotFrameColor);
    registry.Property<S>(L"HotSpotDotColor", &S::SetHotSpotDotColor);
    registry.Property<S>(L"FixedPane", &S::SetFixedPane);
    registry.Property<S>(L"Orientation", &S::SetOrientation);
    registry.Property<S>(L"SplitterStyle", &S::SetSplitterStyle);
    registry.Property<S>(L"HotSpotDirection", &S::SetHotSpotDirection);
    registry.Property<S>(L"GradientPath", &S::SetGradientPath);
    registry.Property<S>(L"SelectedPane", &S::SetSelectedPane);
    registry.Property<S>(L"OnChange", &S::OnChange);
    registry.Property<S>(L"OnHotSpotClick", &S::OnHotSpotClick);
    RegisterPaneData(registry, L"UpperLeft", 1);
    RegisterPaneData(registry, L"LowerRight", 2);

    // Values the splitter stores besides its properties.
    registry.Property<S>(L"BarSize", &S::SetBarSize, ReadRect);
    registry.Property<S>(L"UpperLeftControls", [](S& s, const TLayoutValue& v, TLayoutContext& c) { s.SetPaneControlNames(1, ReadNames(v, c)); });
    registry.Property<S>(L"LowerRightControls", [](S& s, const TLayoutValue& v, TLayoutContext& c) { s.SetPaneControlNames(2, ReadNames(v, c)); });
    const auto closedFlag = [&registry](const wchar_t* name, bool THotSpotClosedState::*flag) {
        registry.Property<S>(name, [flag](S& s, const TLayoutValue& v, TLayoutContext& c) {
            THotSpotClosedState state = s.HotSpotState();
            state.*flag = c.Bool(v);
            s.SetHotSpotState(state);
        });
    };
    closedFlag(L"HotSpotClosed", &THotSpotClosedState::Closed);
    closedFlag(L"HotSpotClosedToMin", &THotSpotClosedState::ClosedToMin);
    closedFlag(L"HotSpotClosedToMax", &THotSpotClosedState::ClosedToMax);
    // Limits of older layouts, replaced by the margins.
    registry.Ignored<S>(L"PositionMin");
    registry.Ignored<S>(L"PositionMax");
}

} // namespace wk
