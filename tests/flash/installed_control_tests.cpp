// The player control with the installed Flash control behind it, met through the test control
// (tests/flash/test_control): which player each movie goes to, the calls the host makes and
// their order, where the control's window goes, focus, errors, and going back.
#include "flash/ShockwaveFlash.h"
#include "ui/Application.h"
#include "ui/Form.h"
#include "../common/installed_control.h"
#include "test_movies.h"

#include <gtest/gtest.h>

using namespace flash;
using testsupport::CallWithRect;

namespace {

std::vector<uint8_t> Bytes(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

class InstalledControl : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ui::Application().Initialize(); }

    void SetUp() override {
        ASSERT_TRUE(control.Install()) << "the test control DLL is not beside the test program";
        form = ui::NewForm<ui::TForm>(nullptr);
        form->SetBounds(0, 0, 400, 300);
        player = new TShockwaveFlash(form);
        player->SetParent(form);
        player->SetBounds(10, 10, 200, 100);
        player->SetControlClassId(flash_test::kTestControlClsid);
        form->Show();
        control.Clear();
    }
    void TearDown() override { delete form; }

    testsupport::TInstalledControl control;
    ui::TForm* form = nullptr;
    TShockwaveFlash* player = nullptr;
    flash_test::TempMovie as3{Bytes(testsupport::ActionScript3MovieBytes()), L" as3.swf"};
    flash_test::TempMovie plain{flash_test::StageMovie(100, 50, 4, 20, RGB(0, 0, 255), RGB(255, 0, 0)), L" plain.swf"};
};

} // namespace

TEST_F(InstalledControl, AnActionScript3MovieIsPlayedByTheControlInThePane) {
    player->PutPropertyById(DISPID_BACKGROUNDCOLOR, 0);
    player->PutPropertyById(DISPID_ALIGNMODE, 0);
    player->PutPropertyById(DISPID_SCALEMODE, smNoScale);
    EXPECT_TRUE(control.Calls().empty());  // nothing made before a movie needs it

    // The player has the keyboard: the control takes it over when it comes in.
    player->SetFocus();
    player->LoadMovie(0, as3.Path());
    player->Play();
    player->SetFocus();
    const std::vector<std::wstring> start = {
        L"SetClientSite",
        L"Load Quality=High Scale=NoScale WMode=Window",
        L"Advise",
        L"DoVerb -5 10,10,210,110",
        L"focus",
        L"put 123=0",
        L"put 121=0",
        L"put 120=3",
        L"LoadMovie 0 " + as3.Path(),
        L"event OnReadyStateChange 0x00000000",  // every event reaches the host's sink, which accepts it
        L"event OnProgress 0x00000000",
        L"event FSCommand 0x00000000",
        L"event FlashCall 0x00000000",
        L"Play",
        L"focus",
    };
    EXPECT_EQ(control.Calls(), start);
    EXPECT_TRUE(player->Hosted());
    EXPECT_FALSE(player->ShowsActionScript3Notice());
    EXPECT_FALSE(player->TimerRunning());

    // The control's window stands in the pane at the control's bounds, with the keyboard, and
    // this control's own window is out of the way.
    HWND window = control.Window();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(player->PlayerWindow(), window);
    EXPECT_EQ(GetParent(window), form->Handle());
    EXPECT_EQ(GetFocus(), window);
    EXPECT_FALSE(IsWindowVisible(player->Handle()));
    RECT r;
    GetWindowRect(window, &r);
    MapWindowPoints(HWND_DESKTOP, form->Handle(), reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(CallWithRect(L"at", r), L"at 10,10,210,110");
    UpdateWindow(window);
    HDC dc = GetDC(window);
    EXPECT_EQ(GetPixel(dc, 100, 50), flash_test::kTestControlColour);
    ReleaseDC(window, dc);

    // A property put goes straight through; so does the next movie, to the same control.
    control.Clear();
    player->PutPropertyById(DISPID_SCALEMODE, smShowAll);
    player->LoadMovie(0, as3.Path());
    EXPECT_EQ(control.Calls().size(), 6u);
    EXPECT_EQ(control.Calls()[0], L"put 120=0");
    EXPECT_EQ(control.Calls()[1], L"LoadMovie 0 " + as3.Path());

    // Re-activation at new bounds, and hidden with the control.
    control.Clear();
    player->SetBounds(0, 0, 300, 150);
    player->Reactivate();
    EXPECT_EQ(control.Calls(), (std::vector<std::wstring>{L"DoVerb -5 0,0,300,150", L"SetObjectRects 0,0,300,150"}));
    player->SetVisible(false);
    player->Reactivate();
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_FALSE(IsWindowVisible(player->Handle()));
    player->SetVisible(true);
    player->Reactivate();
    EXPECT_TRUE(IsWindowVisible(window));
    player->SetFocus();
    EXPECT_EQ(GetFocus(), window);

    // A movie the built-in player runs closes the control and brings this window back.
    control.Clear();
    player->LoadMovie(0, plain.Path());
    player->Play();
    EXPECT_EQ(control.Calls(), (std::vector<std::wstring>{L"Unadvise", L"InPlaceDeactivate", L"Close", L"SetClientSite null"}));
    EXPECT_EQ(control.Objects(), 0);
    EXPECT_FALSE(player->Hosted());
    EXPECT_TRUE(IsWindowVisible(player->Handle()));
    EXPECT_EQ(GetFocus(), player->Handle());
    EXPECT_TRUE(player->TimerRunning());
}

TEST_F(InstalledControl, FailuresCarryTheControlsTextAndLeaveTheNotice) {
    flash_test::TempMovie failing(Bytes(testsupport::ActionScript3MovieBytes()), L" fail.swf");
    try {
        player->LoadMovie(0, failing.Path());
        ADD_FAILURE() << "a refused movie was taken";
    } catch (const EOleError& e) {
        EXPECT_EQ(e.Message(), L"The movie could not be opened.");
    }
    EXPECT_FALSE(player->Hosted());
    EXPECT_TRUE(player->ShowsActionScript3Notice());
    EXPECT_EQ(control.Objects(), 0);  // not left half-made
    EXPECT_TRUE(IsWindowVisible(player->Handle()));

    // A control that will not activate in place.
    SetWindowTextW(form->Handle(), L"refuse activation");
    try {
        player->LoadMovie(0, as3.Path());
        ADD_FAILURE() << "activation was refused, yet the movie loaded";
    } catch (const EOleError& e) {
        EXPECT_EQ(e.Message(), L"OLE control activation failed");
    }
    EXPECT_FALSE(player->Hosted());
    EXPECT_EQ(control.Objects(), 0);
}

TEST_F(InstalledControl, OtherMoviesAndUnregisteredControlsStayWithTheBuiltInPlayer) {
    player->LoadMovie(0, plain.Path());
    player->Play();
    EXPECT_TRUE(control.Calls().empty());  // the control is not even made
    EXPECT_FALSE(player->Hosted());

    // {0F0E0D0C-0B0A-0908-0706-050403020100} is registered nowhere.
    player->SetControlClassId(CLSID{0x0F0E0D0C, 0x0B0A, 0x0908, {7, 6, 5, 4, 3, 2, 1, 0}});
    player->LoadMovie(0, as3.Path());
    player->Play();
    EXPECT_FALSE(player->Hosted());
    EXPECT_TRUE(player->ShowsActionScript3Notice());
    EXPECT_EQ(player->PlayerWindow(), player->Handle());
    EXPECT_TRUE(control.Calls().empty());
}
