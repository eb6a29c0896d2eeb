// The main window's splitter, built in code for the splitter and hot spot tests: 712 x 392
// with BorderWidth 4, bar 7 wide at 236, hot spot on, white, both panes with a 1-pixel flat
// frame around an alClient child. Every OnChanging / OnChange / OnHotSpotClick is recorded.
#pragma once
#include "ui/Form.h"
#include "widgets/WkKit.h"
#include "widgets/WkSplitter.h"
#include <gtest/gtest.h>
#include <string>
#include <utility>
#include <vector>

class SplitterFixture : public ::testing::Test {
protected:
    void SetUp() override {
        wk::SetKitSettings(true, wk::xcsNormal);
        form.SetBounds(0, 0, 760, 480);
        splitter = new wk::TWkSplitter(&form);
        splitter->SetParent(&form);
        splitter->SetBounds(0, 0, 712, 392);
        splitter->SetBorderWidth(4);
        splitter->SetColor(ui::clWhite);
        splitter->SetBorderColor(ui::clWhite);
        splitter->SetSplitterWidth(7);
        splitter->SetHotSpotVisible(true);
        splitter->UpperLeft().SetBorderInner(wk::fsFlat);
        splitter->UpperLeft().SetFlatColor(9718842);
        splitter->LowerRight().SetBorderInner(wk::fsFlat);
        splitter->LowerRight().SetFlatColor(9718842);
        splitter->SetPosition(236);
        splitter->RememberFixedSize(236);
        tree = AddChild(splitter->UpperLeftPane());
        player = AddChild(splitter->LowerRightPane());
        splitter->OnChanging = [this](ui::TObject*, int pos, bool& allow) {
            events.push_back("changing " + std::to_string(pos));
            allow = !refuse;
        };
        splitter->OnChange = [this](ui::TObject*) { events.push_back("change " + std::to_string(splitter->Position())); };
        splitter->OnHotSpotClick = [this](ui::TObject*) { events.push_back("hotspot"); };
        events.clear();
    }

    wk::TWkPanel* AddChild(wk::TWkSplitterPane* pane) {
        auto* c = new wk::TWkPanel(&form);
        c->SetParent(pane);
        c->SetBorderOuter(wk::fsNone);
        c->SetAlign(ui::alClient);
        return c;
    }

    // Real mouse and key messages to the splitter's window.
    HWND Wnd() { return splitter->Handle(); }
    void Down(int x, int y) { SendMessageW(Wnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y)); }
    void Move(int x, int y) { SendMessageW(Wnd(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x, y)); }
    void Up(int x, int y) { SendMessageW(Wnd(), WM_LBUTTONUP, 0, MAKELPARAM(x, y)); }
    void Click(int x, int y) {
        Down(x, y);
        Up(x, y);
    }
    void Key(WORD key) { SendMessageW(Wnd(), WM_KEYDOWN, key, 0); }

    using Events = std::vector<std::string>;
    Events TakeEvents() { return std::exchange(events, {}); }

    ui::TForm form;
    wk::TWkSplitter* splitter = nullptr;
    wk::TWkPanel* tree = nullptr;
    wk::TWkPanel* player = nullptr;
    Events events;
    bool refuse = false;
};
