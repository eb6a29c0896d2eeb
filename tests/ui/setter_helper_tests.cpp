#include "ui/Control.h"
#include <gtest/gtest.h>
#include <string>

using namespace ui;

namespace {

// Counts repaint requests instead of making any.
class TDial : public TGraphicControl {
public:
    using TGraphicControl::TGraphicControl;
    void Invalidate() override { ++Repaints; }
    void SetNeedle(int v) { SetAndInvalidate(FNeedle, v); }
    void SetLabel(const std::wstring& v) { SetAndInvalidate(FLabel, v); }
    // A setter with its own follow-up instead of a repaint.
    void SetRange(int v) {
        if (StoreIfChanged(FRange, v)) ++Relayouts;
    }
    int Needle() const { return FNeedle; }
    const std::wstring& Label() const { return FLabel; }
    int Range() const { return FRange; }
    int Repaints = 0;
    int Relayouts = 0;

private:
    int FNeedle = 0;
    std::wstring FLabel;
    int FRange = 10;
};

} // namespace

TEST(SetterHelpers, StoreAndRepaintOnlyWhenTheValueChanges) {
    TDial d;
    d.SetNeedle(0); // the value it has
    EXPECT_EQ(d.Repaints, 0);
    d.SetNeedle(5);
    d.SetNeedle(5);
    EXPECT_EQ(d.Needle(), 5);
    EXPECT_EQ(d.Repaints, 1);
    d.SetLabel(L"rpm");
    d.SetLabel(std::wstring(L"rpm"));
    EXPECT_EQ(d.Label(), L"rpm");
    EXPECT_EQ(d.Repaints, 2);

    d.SetRange(10);
    d.SetRange(20);
    d.SetRange(20);
    EXPECT_EQ(d.Range(), 20);
    EXPECT_EQ(d.Relayouts, 1);
    EXPECT_EQ(d.Repaints, 2); // StoreIfChanged itself never repaints
}
