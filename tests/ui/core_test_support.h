// Helpers shared by the framework's window tests: message pumping, recording controls.
#pragma once
#include "../common/pointer.h"
#include "ui/Application.h"
#include "ui/Control.h"
#include "ui/Form.h"
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace coretest {

// Processes messages for about `ms` milliseconds (timers, posted input, paints).
inline void Pump(int ms = 50) {
    DWORD end = GetTickCount() + static_cast<DWORD>(ms);
    do {
        ui::Application().ProcessMessages();
        Sleep(5);
    } while (static_cast<int>(end - GetTickCount()) > 0);
    ui::Application().ProcessMessages();
}

// A windowless control that fills itself with one colour and writes what happens to it
// into a shared log ("A enter", "A down", "A click" ...).
class TProbe : public ui::TGraphicControl {
public:
    TProbe(ui::TComponent* owner, std::wstring tag, std::vector<std::wstring>* log, COLORREF fill = RGB(255, 0, 0))
        : TGraphicControl(owner), FTag(std::move(tag)), FLog(log), FFill(fill) {}
    int Paints = 0;

protected:
    void Paint(ui::TCanvas& canvas, const ui::Rect& update) override {
        ++Paints;
        canvas.SetBrush(FFill);
        canvas.FillRect(ClientRect());
    }
    void MouseDown(ui::TMouseButton, ui::TShiftState, int x, int y) override { Note(L"down"); }
    void MouseUp(ui::TMouseButton, ui::TShiftState, int x, int y) override { Note(L"up"); }
    void Click() override { Note(L"click"); ui::TGraphicControl::Click(); }
    void MouseEnter() override { Note(L"enter"); }
    void MouseLeave() override { Note(L"leave"); }
    void MouseCaptureLost() override { Note(L"capture-lost"); }

private:
    void Note(const wchar_t* what) {
        if (FLog) FLog->push_back(FTag + L" " + what);
    }
    std::wstring FTag;
    std::vector<std::wstring>* FLog;
    COLORREF FFill;
};

// A form shown at a fixed place on the virtual screen, for tests that need real windows.
inline ui::TForm* ShowTestForm(int width = 400, int height = 300) {
    auto* form = new ui::TForm(nullptr);
    form->SetBounds(100, 100, width, height);
    form->Show();
    Pump(30);
    return form;
}

// Screen point of a control's client point; moves the real pointer there too, so the system
// does not send leave notices for a pointer that is elsewhere.
inline POINT PointerAt(ui::TControl& control, int x, int y) {
    ui::Point p = control.ClientToScreen(ui::Point{x, y});
    testsupport::MovePointerTo(p.x, p.y);
    return POINT{p.x, p.y};
}

} // namespace coretest
