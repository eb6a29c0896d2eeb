// TWkSplitter: a panel divided into two panes by a movable bar. The bar carries an optional
// hot spot whose click collapses one pane and, clicked again, brings it back. Controls placed
// in a splitter always live in one of its two TWkSplitterPane children; the panes' frames
// and colours are published through the two TWkPaneData objects UpperLeft and LowerRight.
//
// Terms used below and in the sources:
//   axis   x for orHorizontal (panes side by side), y for orVertical (panes stacked)
//   S      the whole control's extent along the axis, borders included
//   H2     SplitterWidth / 2
//   R      the client rectangle inside BorderWidth and the splitter's own frames
//   Position  distance from the start of R to the bar = the upper-left pane's extent
//
// The geometry lives here and in WkSplitter.cpp; the hot spot and all mouse and keyboard
// interaction are in WkSplitterBar.{h,cpp}.
#pragma once
#include "ui/Gdi.h"
#include "widgets/WkPanel.h"
#include "widgets/WkSplitterBar.h"
#include <array>
#include <functional>
#include <memory>

namespace wk {

class TWkSplitter;

// Docking notifications of a pane, passed on to the splitter's events (the program does not
// dock anything; the events exist so that handlers can be attached).
struct TDragDockObject;
using TGetSiteInfoEvent = std::function<void(ui::TObject* sender, ui::TControl* dockClient, ui::Rect& influenceRect,
                                             ui::Point mousePos, bool& canDock)>;
using TDockOverEvent = std::function<void(ui::TObject* sender, TDragDockObject* source, int x, int y, int state,
                                          bool& accept)>;
using TDockDropEvent = std::function<void(ui::TObject* sender, TDragDockObject* source, int x, int y)>;
using TUnDockEvent = std::function<void(ui::TObject* sender, ui::TControl* client, ui::TWinControl* newTarget,
                                        bool& allow)>;

struct TPaneDockEvents {
    TGetSiteInfoEvent OnGetSiteInfo;
    TDockOverEvent OnDockOver;
    TDockDropEvent OnDockDrop;
    TUnDockEvent OnUnDock;
};

// One of the two panes. Created, parented and destroyed by its splitter.
class TWkSplitterPane : public TWkCustomPanel {
public:
    TWkSplitterPane(TWkSplitter* splitter);
    std::wstring ClassName() const override { return L"TWkSplitterPane"; }
    TWkSplitter* Splitter() const { return FSplitter; }

    // The pane's own docking notifications (forwarded to the splitter by default).
    TPaneDockEvents DockEvents;

protected:
    friend class TWkSplitter;
    void VisibleChanged() override;
    void FocusChanged(bool focused) override;
    bool HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    TWkSplitter* FSplitter;
};

// The published frame and colour settings of one pane; each reads and writes the pane's own.
class TWkPaneData : public ui::TObject {
public:
    explicit TWkPaneData(TWkSplitterPane* pane) : FPane(pane) {}
    TWkSplitterPane* Pane() const { return FPane; }

    TColor BorderColor() const { return FPane->BorderColor(); }
    void SetBorderColor(TColor v) { FPane->SetBorderColor(v); }
    TFrameStyleEx BorderInner() const { return FPane->BorderInner(); }
    void SetBorderInner(TFrameStyleEx v) { FPane->SetBorderInner(v); }
    TFrameStyleEx BorderOuter() const { return FPane->BorderOuter(); }
    void SetBorderOuter(TFrameStyleEx v) { FPane->SetBorderOuter(v); }
    int BorderWidth() const { return FPane->BorderWidth(); }
    void SetBorderWidth(int v) { FPane->SetBorderWidth(v); }
    TColor Color() const { return FPane->Color(); }
    void SetColor(TColor v) { FPane->SetColor(v); }
    TColor FlatColor() const { return FPane->FlatColor(); }
    void SetFlatColor(TColor v) { FPane->SetFlatColor(v); }
    int FlatColorAdjustment() const { return FPane->FlatColorAdjustment(); }
    void SetFlatColorAdjustment(int v) { FPane->SetFlatColorAdjustment(v); }
    bool DockSite() const { return FPane->DockSite(); }
    void SetDockSite(bool v) { FPane->SetDockSite(v); }
    bool ShowDockClientCaptions() const { return FPane->ShowDockClientCaptions(); }
    void SetShowDockClientCaptions(bool v) { FPane->SetShowDockClientCaptions(v); }
    bool Visible() const { return FPane->Visible(); }
    void SetVisible(bool v) { FPane->SetVisible(v); }

private:
    TWkSplitterPane* FPane;
};

// While non-zero (a splitter is finishing its load) no splitter aligns its children.
int SplitterLoadingDepth();

class TWkSplitter : public TWkCustomPanel {
public:
    explicit TWkSplitter(ui::TComponent* owner = nullptr);
    ~TWkSplitter() override;
    std::wstring ClassName() const override { return L"TWkSplitter"; }

    // --- position -----------------------------------------------------------------------------
    int Position() const { return FPosition; }
    virtual void SetPosition(int value);
    int Percent() const { return FPercent; }
    virtual void SetPercent(int value);
    bool UsePercent() const { return FUsePercent; }
    virtual void SetUsePercent(bool value);
    int PercentMin() const { return FPercentMin; }
    virtual void SetPercentMin(int value);
    int PercentMax() const { return FPercentMax; }
    virtual void SetPercentMax(int value);
    int MarginMin() const { return FMarginMin; }
    virtual void SetMarginMin(int value);
    int MarginMax() const { return FMarginMax; }
    virtual void SetMarginMax(int value);
    TFixedPane FixedPane() const { return FFixedPane; }
    virtual void SetFixedPane(TFixedPane value);
    TOrientation Orientation() const { return FOrientation; }
    virtual void SetOrientation(TOrientation value);

    // Sets Position and remembers it as the user's choice for later resizes.
    virtual void MoveSplitterTo(int position);
    // Clamps a candidate position to the margins and the room left for the bar.
    virtual void ConstrainPosition(int& position) const;
    // PreferredFixedSize from a position / LastFixedSize from Position.
    virtual void RememberFixedSize(int position);
    virtual void UpdateLastFixedSize();
    // The inset in front of R along the axis (BorderWidth and the splitter's own frames).
    virtual int LeadingBorderSize() const;
    // Places both panes and the bar from Position, then draws the bar.
    virtual void LayoutPanes();

    // --- the bar ------------------------------------------------------------------------------
    int SplitterWidth() const { return FSplitterWidth; }
    virtual void SetSplitterWidth(int value);
    TSplitterStyle SplitterStyle() const { return FSplitterStyle; }
    virtual void SetSplitterStyle(TSplitterStyle value);
    bool RealTimeDrag() const { return FRealTimeDrag; }
    void SetRealTimeDrag(bool value) { FRealTimeDrag = value; }
    bool LockBar() const { return FLockBar; }
    void SetLockBar(bool value) { FLockBar = value; }
    TWkGroupBarGradientPath GradientPath() const { return FGradientPath; }
    virtual void SetGradientPath(TWkGroupBarGradientPath value);
    int GradientColorAdjustment() const { return FGradientColorAdjustment; }
    virtual void SetGradientColorAdjustment(int value);
    // The bar and the hot spot in client coordinates, as the last layout placed them.
    const ui::Rect& BarSize() const { return FBarSize; }
    void SetBarSize(const ui::Rect& value);          // as read from a layout
    const ui::Rect& HotSpotRect() const { return FHotSpotRect; }

    // --- hot spot -----------------------------------------------------------------------------
    bool HotSpotVisible() const { return FHotSpotVisible; }
    virtual void SetHotSpotVisible(bool value);
    THotSpotDirection HotSpotDirection() const { return FHotSpotDirection; }
    virtual void SetHotSpotDirection(THotSpotDirection value);
    int HotSpotSizePercent() const { return FHotSpotSizePercent; }
    virtual void SetHotSpotSizePercent(int value);
    bool HotSpotIgnoreMargins() const { return FHotSpotIgnoreMargins; }
    void SetHotSpotIgnoreMargins(bool value) { FHotSpotIgnoreMargins = value; }
    TColor HotSpotColor() const { return FHotSpotColor; }
    void SetHotSpotColor(TColor value) { SetAndInvalidate(FHotSpotColor, value); }
    TColor HotSpotHighlight() const { return FHotSpotHighlight; }
    virtual void SetHotSpotHighlight(TColor value) { SetAndInvalidate(FHotSpotHighlight, value); }
    TColor HotSpotFrameColor() const { return FHotSpotFrameColor; }
    void SetHotSpotFrameColor(TColor value) { SetAndInvalidate(FHotSpotFrameColor, value); }
    TColor HotSpotDotColor() const { return FHotSpotDotColor; }
    void SetHotSpotDotColor(TColor value) { SetAndInvalidate(FHotSpotDotColor, value); }
    // The collapsed state (set by hot spot clicks, stored with the layout).
    bool HotSpotClosed() const { return FHotSpot.Closed; }
    bool HotSpotClosedToMin() const { return FHotSpot.ClosedToMin; }
    bool HotSpotClosedToMax() const { return FHotSpot.ClosedToMax; }
    int HotSpotPosition() const { return FHotSpotPosition; }
    const THotSpotClosedState& HotSpotState() const { return FHotSpot; }
    // As stored with a layout (they do not move the bar).
    void SetHotSpotState(const THotSpotClosedState& state);
    void SetHotSpotPosition(int value) { FHotSpotPosition = value; }
    // Forgets the collapsed state without moving the bar.
    virtual void ResetHotSpot();

    // --- panes --------------------------------------------------------------------------------
    TWkSplitterPane* UpperLeftPane() const { return FPanes[0]; }
    TWkSplitterPane* LowerRightPane() const { return FPanes[1]; }
    TWkPaneData& UpperLeft() { return *FPaneData[0]; }
    TWkPaneData& LowerRight() { return *FPaneData[1]; }
    // By index: 1 = UpperLeft, 2 = LowerRight.
    virtual TWkPaneData& PaneData(int index);
    TSelectedPane SelectedPane() const { return FSelectedPane; }
    virtual void SetSelectedPane(TSelectedPane value) { FSelectedPane = value; }
    virtual TWkSplitterPane* SelectedPaneControl() const;
    // Names of the controls each pane receives when loading ends (UpperLeftControls ...).
    void SetPaneControlNames(int index, std::vector<std::wstring> names);
    // Makes a hidden pane visible (keeping the form's focus sensible).
    void ShowControl(ui::TControl* control);

    // Applied to the splitter and both panes.
    void SetTransparent(bool value) override;
    void SetParentColorAll(bool value);   // ParentColor as the layouts set it

    // --- frames re-lay the panes ----------------------------------------------------------------
    void SetBorderOuter(TFrameStyleEx value) override;
    void SetBorderInner(TFrameStyleEx value) override;
    void SetBorderSides(TSides value) override;
    void SetBorderWidth(int value) override;

    // --- events -------------------------------------------------------------------------------
    ui::TNotifyEvent OnChange;            // after every accepted position change
    TPositionChangingEvent OnChanging;    // before it, with the constrained position; may refuse
    ui::TNotifyEvent OnHotSpotClick;      // after the change a hot spot click made
    TPaneDockEvents UpperLeftDockEvents;  // OnULGetSiteInfo, OnULDockOver, OnULDockDrop, OnULUnDock
    TPaneDockEvents LowerRightDockEvents; // OnLR...

    // --- inner state (read by tests and the layout) --------------------------------------------
    int PreferredFixedSize() const { return FPreferredFixedSize; }
    int LastFixedSize() const { return FLastFixedSize; }
    bool BarDragging() const { return FBarDragging; }
    bool HotSpotPressed() const { return FHotSpotPressed; }
    bool InResize() const { return FInResize; }

    void Loaded() override;

protected:
    // --- drawing (WkSplitter.cpp, hot spot in WkSplitterBar.cpp) --------------------------------
    void Paint(ui::TCanvas& canvas, const ui::Rect& update) override;
    // Draws the bar (and the hot spot) straight onto the window, outside any paint message.
    virtual void DrawSplitterBar();
    void PaintSplitterBar(ui::TCanvas& canvas);
    virtual void ComputeHotSpotRect();
    virtual void DrawHotSpot(bool hot, ui::Point cursor);
    void PaintHotSpotOn(ui::TCanvas& canvas, bool hot, ui::Point cursor);
    // XORs the drag outline for a bar at `position` onto the screen; twice restores it.
    virtual void DrawDragOutline(int position);

    // --- framework handlers --------------------------------------------------------------------
    void CreateParams(ui::TCreateParams& params) override;
    void AlignControls(ui::Rect& rect) override;
    void Resize() override;
    void MouseDown(ui::TMouseButton button, ui::TShiftState shift, int x, int y) override;
    void MouseMove(ui::TShiftState shift, int x, int y) override;
    void MouseUp(ui::TMouseButton button, ui::TShiftState shift, int x, int y) override;
    void MouseLeave() override;
    bool KeyDown(WORD key, ui::TShiftState shift) override;
    LRESULT DialogCode() override;
    bool HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    friend class TWkSplitterPane;
    // S: the control's extent along the axis; H2; the layout rectangle R.
    int AxisSize() const;
    int HalfBar() const { return FSplitterWidth / 2; }
    ui::Rect LayoutRect() const;
    int PercentOf(int percent) const;          // round(percent / 100 * (S - H2))
    void ResizePanes();                        // the resize rules
    void ClampMarginsToSize();
    // Interaction (WkSplitterBar.cpp).
    enum class TDragEnd { Cancel, Commit };
    void EndDrag();                            // the one place a drag ends (capture lost)
    void ReleaseDrag(TDragEnd how);            // asks for the end: gives the capture up
    void ShowOutline(int position);
    void HideOutline();
    void HotSpotClicked(ui::Point at);
    bool SetBarCursor();
    void TrackHotSpot(ui::Point cursor, bool leaving);
    ui::Point CursorInClient() const;
    void LoadCursors();

    std::array<TWkSplitterPane*, 2> FPanes{};
    std::array<std::unique_ptr<TWkPaneData>, 2> FPaneData;
    std::array<std::vector<std::wstring>, 2> FPaneNames;
    ui::Rect FBarSize;
    ui::Rect FHotSpotRect;
    THotSpotClosedState FHotSpot;
    int FHotSpotPosition = 100;
    int FPreferredFixedSize = 0;
    int FLastFixedSize = 0;
    bool FInResize = false;
    bool FInLayout = false;
    bool FChangeRefused = false;               // the last SetPosition was vetoed by OnChanging

    int FPosition = 100;
    int FPercent = 50;
    bool FUsePercent = false;
    int FPercentMin = 0;
    int FPercentMax = 100;
    int FMarginMin = 0;
    int FMarginMax = 0;
    TFixedPane FFixedPane = fpUpperLeft;
    TOrientation FOrientation = orHorizontal;
    int FSplitterWidth = 4;
    TSplitterStyle FSplitterStyle = ssStandard;
    bool FRealTimeDrag = false;
    bool FLockBar = false;
    bool FHotSpotVisible = false;
    THotSpotDirection FHotSpotDirection = hsdMin;
    int FHotSpotSizePercent = 40;
    bool FHotSpotIgnoreMargins = true;
    TColor FHotSpotColor = ui::clBtnFace;
    TColor FHotSpotHighlight = ui::clWindow;
    TColor FHotSpotFrameColor = ui::clBtnShadow;
    TColor FHotSpotDotColor = ui::clHighlight;
    TWkGroupBarGradientPath FGradientPath = gpTopToBottom;
    int FGradientColorAdjustment = 30;
    TSelectedPane FSelectedPane = spUpperLeft;

    // Drag bookkeeping.
    bool FBarDragging = false;
    bool FHotSpotPressed = false;
    int FDragStartPosition = 0;
    int FDragAnchor = 0;
    int FDragPosition = 0;
    bool FOutlineShown = false;
    int FOutlinePosition = 0;
    TDragEnd FDragEnd = TDragEnd::Cancel;
    ui::Point FReleasePoint;
    bool FHotSpotShownNormal = false;

    ui::BitmapOwner FDragPatternBitmap;
    // Bar cursors: resources of the program, else stock cursors. Shared handles from
    // LoadCursorW, so never destroyed.
    HCURSOR FCursorHorz = nullptr, FCursorHorzHotSpot = nullptr, FCursorVert = nullptr, FCursorVertHotSpot = nullptr;
};

// Registers TWkSplitter, TWkSplitterPane and their properties (UpperLeft.BorderInner ...).
void RegisterWkSplitterClasses(ui::TClassRegistry& registry);

} // namespace wk
