// A soak run of the real main window: does anything pile up when the program is used for a
// long time? Games of our own making lie in an install folder beside this program (a still
// movie, two animations, two with buttons, one broken file, descriptions in GBK); the main
// window starts them one after another, then opens and closes the description dialog and the
// help dialog many times. Every 20 starts and every 50 dialogs it takes the process's GDI and
// USER object counts, the framework's own count of live GDI owners, the windows of this thread,
// private memory and the working set, prints the curve and says whether each count stays flat.
//
// Flat means: handle and window counts equal from the end of the warm-up (the first 20 starts,
// or the first 50 openings of a dialog) to the end of the phase; for memory, neither the lowest
// nor the highest figure of the phase's second half more than 2 MB above that of its first half
// (after the warm-up), since a block freed and taken again makes it swing.
//
// Last, when asked, a long play: the main window plays an animation whose script makes a
// 1000-element array every frame, for the given minutes, sampled every minute (the first minute
// is the warm-up).
//
// Usage: app_soak [starts] [dialogs] [minutes]   (200, 500 and 0 by default; each dialog opens
// `dialogs` times)
#define PSAPI_VERSION 2  // the kernel32 entry point: no extra import library
#include <windows.h>

#include "bench_clock.h"
#include <psapi.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/FrmFlashGame.h"
#include "app/GameCatalog.h"
#include "test_movies.h"
#include "ui/Application.h"
#include "ui/Gdi.h"
#include "widgets/WkStatusBar.h"
#include "widgets/WkTreeView.h"

namespace {

constexpr int kStartSampleEvery = 20;
constexpr int kDialogSampleEvery = 50;
constexpr double kPumpAfterStartMs = 50;
constexpr double kDialogTimeoutMs = 2000;
constexpr double kMemoryToleranceMb = 2.0;

std::string Utf8(const std::wstring& text) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), int(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(size_t(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), int(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

// The descriptions are GBK files, as the program's users write them.
std::string Gbk(const std::wstring& text) {
    const int n = WideCharToMultiByte(936, 0, text.c_str(), int(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(size_t(n), '\0');
    WideCharToMultiByte(936, 0, text.c_str(), int(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

// Runs the message loop for `ms`, so frames, paints and queued calls happen.
void PumpFor(double ms) {
    const double end = NowMs() + ms;
    for (double left = ms; left > 0; left = end - NowMs()) {
        ui::Application().ProcessMessages();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, DWORD(left) + 1, QS_ALLINPUT);
    }
    ui::Application().ProcessMessages();
}

// --- the install folder ------------------------------------------------------------------------

void WriteFileBytes(const std::wstring& path, const void* data, size_t size) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(h, data, DWORD(size), &written, nullptr);
    CloseHandle(h);
}

void DeleteMatching(const std::wstring& dir, const wchar_t* pattern) {
    WIN32_FIND_DATAW found;
    HANDLE h = FindFirstFileW((dir + pattern).c_str(), &found);
    if (h == INVALID_HANDLE_VALUE) return;
    std::vector<std::wstring> names;
    do names.push_back(found.cFileName);
    while (FindNextFileW(h, &found));
    FindClose(h);
    for (const std::wstring& name : names) DeleteFileW((dir + name).c_str());
}

const wchar_t* const kBusyGame = L"Busy script";

struct Game {
    std::wstring name;
    std::vector<uint8_t> movie;
    std::wstring description;  // none when empty: the dialog then shows an empty memo
};

std::vector<Game> SoakGames() {
    using namespace flash_test;
    const std::string broken = "not a movie";
    return {
        {L"Still", StageMovie(320, 240, 1, 12, RGB(0, 0, 0), RGB(40, 120, 200), 160, 120),
         L"静止的画面\r\n只有一个蓝色方块。"},
        {L"Square 24", flash_test::MovingSquare(120, 24, RGB(255, 200, 0)), L"方块游戏\r\n黄色方块从左向右移动，每秒二十四帧。"},
        {L"Square 30", flash_test::MovingSquare(90, 30, RGB(0, 200, 80)), L""},
        {L"Button", StageMovie(400, 300, 1, 24, RGB(255, 255, 255), RGB(200, 0, 0), 200, 100,
                               PressColourButtonTags(200, 100, RGB(0, 0, 200))),
         L"按钮游戏\r\n按下红色按钮，它会变成蓝色。"},
        {L"Trace button", StageMovie(400, 300, 2, 12, RGB(255, 255, 255), RGB(0, 160, 0), 120, 60,
                                     TraceButtonTags("pressed")),
         L"绿色按钮\r\n松开鼠标时输出一行文字。"},
        {L"Broken", std::vector<uint8_t>(broken.begin(), broken.end()), L"坏文件\r\n这个文件打不开。"},
        {kBusyGame, MovingSquare(240, 24, RGB(200, 0, 200), NewArrayEveryFrame()), L"忙碌的脚本\r\n每一帧都新建一个数组。"},
    };
}

void LayOutInstallFolder(const std::wstring& appDir, const std::vector<Game>& games) {
    const std::wstring flashDir = appDir + L"FlashFiles\\", docDir = appDir + L"DocFiles\\";
    CreateDirectoryW(flashDir.c_str(), nullptr);
    CreateDirectoryW(docDir.c_str(), nullptr);
    DeleteMatching(flashDir, L"*.swf");
    DeleteMatching(docDir, L"*.txt");
    for (const Game& game : games) {
        WriteFileBytes(flashDir + game.name + L".swf", game.movie.data(), game.movie.size());
        if (game.description.empty()) continue;
        const std::string text = Gbk(game.description);
        WriteFileBytes(docDir + game.name + L".txt", text.data(), text.size());
    }
}

// --- what is measured --------------------------------------------------------------------------

BOOL CALLBACK CountChild(HWND, LPARAM count) {
    ++*reinterpret_cast<long*>(count);
    return TRUE;
}

BOOL CALLBACK CountWithChildren(HWND window, LPARAM count) {
    ++*reinterpret_cast<long*>(count);
    EnumChildWindows(window, CountChild, count);
    return TRUE;
}

// Windows of this thread, children included: the USER objects the program makes most of.
long ThreadWindowCount() {
    long count = 0;
    EnumThreadWindows(GetCurrentThreadId(), CountWithChildren, reinterpret_cast<LPARAM>(&count));
    return count;
}

// Wine's GetGuiResources answers 0. Wine takes a handle whose upper word is zero as its table
// index alone, so asking every index tells the live GDI objects and menus of this process; on
// Windows these calls find nothing, and GetGuiResources answers there.
long ProbedGdiObjects() {
    long count = 0;
    for (UINT_PTR index = 1; index < 0x10000; ++index) count += GetObjectType(reinterpret_cast<HGDIOBJ>(index)) ? 1 : 0;
    return count;
}

long ProbedMenus() {
    long count = 0;
    for (UINT_PTR index = 1; index < 0x10000; ++index) count += IsMenu(reinterpret_cast<HMENU>(index)) ? 1 : 0;
    return count;
}

// Committed private pages, summed over the address space: what PrivateUsage reports on
// Windows, which Wine leaves at 0.
double CommittedPrivateMb() {
    SIZE_T bytes = 0;
    MEMORY_BASIC_INFORMATION region;
    for (const char* at = nullptr; VirtualQuery(at, &region, sizeof region) == sizeof region;) {
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) bytes += region.RegionSize;
        const char* next = static_cast<const char*>(region.BaseAddress) + region.RegionSize;
        if (next <= at) break;
        at = next;
    }
    return double(bytes) / (1024.0 * 1024.0);
}

// Whether the system counts a process's GUI objects (it does not under Wine).
bool GuiResourcesAnswer() {
    return GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS) != 0 ||
           GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS) != 0;
}

struct Sample {
    std::string label;
    long gdi = 0, user = 0, live = 0, windows = 0, menus = 0;
    double privateMb = 0, workingSetMb = 0;
};

// Where the figures come from: the system's own counters, or the replacements above.
struct Sources {
    bool guiResources = GuiResourcesAnswer();
    bool privateUsage = false;
};

Sources& Measured() {
    static Sources sources;
    return sources;
}

Sample TakeSample(const std::string& label) {
    Sample s;
    s.label = label;
    s.live = ui::GdiLiveHandleCount();
    s.windows = ThreadWindowCount();
    s.menus = ProbedMenus();
    if (Measured().guiResources) {
        s.gdi = long(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS));
        s.user = long(GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS));
    } else {
        s.gdi = ProbedGdiObjects();
        s.user = s.windows + s.menus;
    }
    PROCESS_MEMORY_COUNTERS_EX memory = {};
    memory.cb = sizeof memory;
    if (GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory)) {
        s.privateMb = double(memory.PrivateUsage) / (1024.0 * 1024.0);
        s.workingSetMb = double(memory.WorkingSetSize) / (1024.0 * 1024.0);
    }
    Measured().privateUsage = Measured().privateUsage || memory.PrivateUsage != 0;
    if (!Measured().privateUsage) s.privateMb = CommittedPrivateMb();
    return s;
}

void PrintHeader() {
    std::printf("%-12s %6s %6s %9s %8s %6s %11s %11s\n", "after", "GDI", "USER", "live GDI", "windows", "menus",
                "private MB", "working MB");
}

void PrintSample(const Sample& s) {
    std::printf("%-12s %6ld %6ld %9ld %8ld %6ld %11.2f %11.2f\n", s.label.c_str(), s.gdi, s.user, s.live, s.windows,
                s.menus, s.privateMb, s.workingSetMb);
    std::fflush(stdout);
}

// One phase's curve: the first sample is taken before it, the second ends its warm-up.
struct Phase {
    std::string name;
    int stepsPerSample = 1;
    std::vector<Sample> samples;
    double ms = 0;
};

// How a handle count went after the warm-up: flat, growing at every sample, or drifting.
std::string HandleVerdict(const Phase& phase, long Sample::*count) {
    const std::vector<Sample>& s = phase.samples;
    const size_t warm = s.size() > 2 ? 1 : 0;
    const long diff = s.back().*count - s[warm].*count;
    if (diff == 0) return "flat";
    bool everySample = diff > 0;
    for (size_t i = warm + 1; i < s.size(); ++i) everySample = everySample && s[i].*count > s[i - 1].*count;
    const double steps = double((s.size() - 1 - warm) * size_t(phase.stepsPerSample));
    char text[96];
    std::snprintf(text, sizeof text, "%s %+ld after warm-up (%+.2f per step)", everySample ? "LEAKS:" : "not flat:", diff,
                  double(diff) / steps);
    return text;
}

// Memory swings: a large block the heap gives back and takes again moves the figures by
// megabytes between two samples. A leak lifts the whole band, so the band of the second half
// after warm-up (its floor and its peak) is compared with that of the first half.
std::string MemoryVerdict(const Phase& phase, double Sample::*mb) {
    const std::vector<Sample>& s = phase.samples;
    const size_t warm = s.size() > 2 ? 1 : 0;
    const size_t middle = warm + (s.size() - warm) / 2;
    auto band = [&](size_t from, size_t to) {
        auto [low, high] = std::minmax_element(s.begin() + long(from), s.begin() + long(to),
                                               [&](const Sample& a, const Sample& b) { return a.*mb < b.*mb; });
        return std::pair{(*low).*mb, (*high).*mb};
    };
    const auto [floor1, peak1] = band(warm, std::max(middle, warm + 1));
    const auto [floor2, peak2] = band(std::min(middle, s.size() - 1), s.size());
    const double rise = std::max(floor2 - floor1, peak2 - peak1);
    char text[128];
    std::snprintf(text, sizeof text, "%s (floor %+.2f MB, peak %+.2f MB, first to second half after warm-up; "
                  "swings %.2f MB)", rise <= kMemoryToleranceMb ? "flat" : "GROWS", floor2 - floor1, peak2 - peak1,
                  std::max(peak1, peak2) - std::min(floor1, floor2));
    return text;
}

void PrintDifference(const char* what, const Sample& first, const Sample& last) {
    std::printf("%s GDI %+ld, USER %+ld, live GDI %+ld, windows %+ld, menus %+ld, private %+.2f MB, working set %+.2f MB\n",
                what, last.gdi - first.gdi, last.user - first.user, last.live - first.live, last.windows - first.windows,
                last.menus - first.menus, last.privateMb - first.privateMb, last.workingSetMb - first.workingSetMb);
}

void PrintVerdicts(const Phase& phase) {
    std::printf("\n%s, %.1f s\n", phase.name.c_str(), phase.ms / 1000.0);
    PrintDifference("  first to last:", phase.samples.front(), phase.samples.back());
    std::printf("  GDI objects:      %s\n", HandleVerdict(phase, &Sample::gdi).c_str());
    std::printf("  USER objects:     %s\n", HandleVerdict(phase, &Sample::user).c_str());
    std::printf("  live GDI owners:  %s\n", HandleVerdict(phase, &Sample::live).c_str());
    std::printf("  thread windows:   %s\n", HandleVerdict(phase, &Sample::windows).c_str());
    std::printf("  menus:            %s\n", HandleVerdict(phase, &Sample::menus).c_str());
    std::printf("  private memory:   %s\n", MemoryVerdict(phase, &Sample::privateMb).c_str());
    std::printf("  working set:      %s\n", MemoryVerdict(phase, &Sample::workingSetMb).c_str());
}

void PrintSources() {
    if (Measured().guiResources)
        std::printf("GDI and USER: GetGuiResources.");
    else
        std::printf("GetGuiResources answers 0 here (Wine): GDI is the probed handle table, USER the thread's "
                    "windows plus menus.");
    std::printf(" Private: %s.\n", Measured().privateUsage ? "PrivateUsage"
                                                           : "committed private pages (Wine reports PrivateUsage 0)");
}

// --- closing the modal dialogs -----------------------------------------------------------------

struct DialogSearch {
    HWND mainForm;
    HWND found = nullptr;
};

BOOL CALLBACK FindDialog(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<DialogSearch*>(param);
    if (window == search->mainForm || !IsWindowVisible(window)) return TRUE;
    search->found = window;
    return FALSE;
}

// Closes the dialog a modal call is about to show, from inside that dialog's own loop: a thread
// timer (and one queued call, which is quicker) looks for a visible top-level window of this
// thread other than the main form, paints it once and posts it WM_CLOSE. Should no dialog show
// up or not close within the time limit, it ends the modal loop through the application and
// reports a time-out, so that the run cannot hang.
class DialogCloser {
public:
    explicit DialogCloser(HWND mainForm) : FMainForm(mainForm), FDeadline(NowMs() + kDialogTimeoutMs) {
        Current = this;
        FTimer = SetTimer(nullptr, 0, USER_TIMER_MINIMUM, &DialogCloser::OnTimer);
        ui::Application().QueueCall([] { if (Current) Current->Look(); });
    }
    ~DialogCloser() {
        KillTimer(nullptr, FTimer);
        Current = nullptr;
    }
    DialogCloser(const DialogCloser&) = delete;
    DialogCloser& operator=(const DialogCloser&) = delete;

    bool Closed() const { return FClosed; }
    bool TimedOut() const { return FTimedOut; }
    const std::wstring& Caption() const { return FCaption; }

private:
    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD) {
        if (Current) Current->Look();
    }

    void Look() {
        if (FTimedOut) return;
        if (!FClosed) {
            DialogSearch search{FMainForm};
            EnumThreadWindows(GetCurrentThreadId(), FindDialog, reinterpret_cast<LPARAM>(&search));
            if (search.found) return Close(search.found);
        }
        if (NowMs() > FDeadline) {
            FTimedOut = true;
            ui::Application().Terminate();
        }
    }

    void Close(HWND dialog) {
        wchar_t caption[128] = {};
        GetWindowTextW(dialog, caption, 128);
        FCaption = caption;
        // Painted once before it goes, so the drawing code takes part in the soak too.
        RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        PostMessageW(dialog, WM_CLOSE, 0, 0);
        FClosed = true;
    }

    static inline DialogCloser* Current = nullptr;
    HWND FMainForm;
    double FDeadline;
    UINT_PTR FTimer = 0;
    bool FClosed = false;
    bool FTimedOut = false;
    std::wstring FCaption;
};

// Each different text once, with how often it came; line breaks shown as " / ".
void PrintDistinct(const std::vector<std::wstring>& texts) {
    std::vector<std::pair<std::wstring, int>> counted;
    for (const std::wstring& text : texts) {
        auto it = std::find_if(counted.begin(), counted.end(), [&](const auto& c) { return c.first == text; });
        if (it == counted.end()) counted.push_back({text, 1});
        else ++it->second;
    }
    for (auto& [text, count] : counted) {
        std::string line = Utf8(text);
        for (size_t at; (at = line.find("\r\n")) != std::string::npos;) line.replace(at, 2, " / ");
        std::printf("  %4d x %s\n", count, line.c_str());
    }
}

// --- the soak ----------------------------------------------------------------------------------

class Soak {
public:
    Soak() : FForm(ui::NewForm<app::TFrmFlashGame>(nullptr)) {
        FForm->ShowMessageBox = [this](const std::wstring& text, const std::wstring&, UINT) {
            FBoxes.push_back(text);
            return IDOK;
        };
        FForm->Show();
        PumpFor(300);  // the first activation maximises; the first paints
    }

    Phase StartGames(int starts) {
        Phase phase{"game starts", kStartSampleEvery, {TakeSample("start 0")}};
        PrintSample(phase.samples.back());
        const double t0 = NowMs();
        for (int i = 1; i <= starts; ++i) {
            Press(Game(i - 1));
            FForm->WkTreeView1DblClick(FForm->WkTreeView1);
            PumpFor(kPumpAfterStartMs);
            // The status bar names the game only once it started.
            if (FForm->WkGlyphStatus1->Caption() == app::kCurrentGamePrefix + Game(i - 1)->Text()) ++FRunning;
            if (i % kStartSampleEvery == 0 || i == starts) Record(phase, "start " + std::to_string(i));
        }
        phase.ms = NowMs() - t0;
        return phase;
    }

    // Opens a dialog `count` times; false when one of them could not be closed.
    template <typename Open>
    bool OpenDialogs(Phase& phase, const std::string& prefix, int count, Open open) {
        phase.stepsPerSample = kDialogSampleEvery;
        phase.samples.push_back(TakeSample(prefix + " 0"));
        PrintSample(phase.samples.back());
        const double t0 = NowMs();
        for (int i = 1; i <= count; ++i) {
            DialogCloser closer(FForm->Handle());
            open(i - 1);
            if (closer.TimedOut() || !closer.Closed()) {
                std::printf("%s %d: %s within %.0f ms; stopping\n", prefix.c_str(), i,
                            closer.Closed() ? "the dialog did not close" : "no dialog showed", kDialogTimeoutMs);
                phase.ms = NowMs() - t0;
                return false;
            }
            NoteCaption(closer.Caption());
            ui::Application().ProcessMessages();
            if (i % kDialogSampleEvery == 0 || i == count) Record(phase, prefix + " " + std::to_string(i));
        }
        phase.ms = NowMs() - t0;
        return true;
    }

    bool OpenDescriptions(Phase& phase, int count) {
        return OpenDialogs(phase, "doc", count, [this](int i) {
            Press(Game(i));
            FForm->M_DocClick(nullptr);
        });
    }

    // Starts the busy game and lets it play for `minutes`, a sample a minute.
    Phase Play(int minutes) {
        Phase phase{"long play", 1, {}};
        wk::TTreeNode* root = FForm->WkTreeView1->Items().GetFirstNode();
        for (int i = 0; i < root->Count(); ++i)
            if (root->Item(i)->Text() == kBusyGame) Press(root->Item(i));
        FForm->WkTreeView1DblClick(FForm->WkTreeView1);
        PumpFor(1000);
        Record(phase, "minute 0");
        const double t0 = NowMs();
        for (int m = 1; m <= minutes; ++m) {
            PumpFor(60000);
            Record(phase, "minute " + std::to_string(m));
        }
        phase.ms = NowMs() - t0;
        return phase;
    }

    bool OpenHelp(Phase& phase, int count) {
        return OpenDialogs(phase, "help", count, [this](int) { FForm->BtnHelpClick(nullptr); });
    }

    const std::vector<std::wstring>& Boxes() const { return FBoxes; }
    int Running() const { return FRunning; }
    const std::vector<std::wstring>& Captions() const { return FCaptions; }
    int GameCount() const { return FForm->WkTreeView1->Items().GetFirstNode()->Count(); }

private:
    // The games in the tree's order, one after another.
    wk::TTreeNode* Game(int i) const {
        wk::TTreeNode* root = FForm->WkTreeView1->Items().GetFirstNode();
        return root->Item(i % root->Count());
    }

    // A left press on the node's row, as the tree reports it: the node every action works on.
    void Press(wk::TTreeNode* node) {
        const ui::Rect row = node->DisplayRect(true);
        FForm->WkTreeView1MouseDown(FForm->WkTreeView1, ui::mbLeft, 0, row.left + 2, row.top + 2);
    }

    void Record(Phase& phase, const std::string& label) {
        phase.samples.push_back(TakeSample(label));
        PrintSample(phase.samples.back());
    }

    void NoteCaption(const std::wstring& caption) {
        if (std::find(FCaptions.begin(), FCaptions.end(), caption) == FCaptions.end()) FCaptions.push_back(caption);
    }

    std::unique_ptr<app::TFrmFlashGame> FForm;
    std::vector<std::wstring> FBoxes;
    std::vector<std::wstring> FCaptions;
    int FRunning = 0;
};

}  // namespace

int main(int argc, char** argv) {
    const int starts = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
    const int dialogs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 500;
    const int minutes = argc > 3 ? std::max(0, std::atoi(argv[3])) : 0;
    const double t0 = NowMs();
    ui::Application().Initialize();
    app::RegisterProgramClasses();
    const std::wstring appDir = app::CurrentAppDir();
    const std::vector<Game> games = SoakGames();
    LayOutInstallFolder(appDir, games);

    std::vector<Phase> phases;
    bool completed = true;
    int gamesInTree = 0;
    std::vector<std::wstring> boxes, captions;
    int running = 0;
    {
        Soak soak;
        gamesInTree = soak.GameCount();
        std::printf("%d starts over %d games (%.0f ms of frames after each), then %d openings of each dialog\n\n",
                    starts, gamesInTree, kPumpAfterStartMs, dialogs);
        PrintHeader();
        phases.push_back(soak.StartGames(starts));
        phases.push_back({"description dialog", kDialogSampleEvery, {}, 0});
        completed = soak.OpenDescriptions(phases.back(), dialogs);
        if (completed) {
            phases.push_back({"help dialog", kDialogSampleEvery, {}, 0});
            completed = soak.OpenHelp(phases.back(), dialogs);
        }
        if (completed && minutes > 0) phases.push_back(soak.Play(minutes));
        boxes = soak.Boxes();
        running = soak.Running();
        captions = soak.Captions();
    }

    for (const Phase& phase : phases) PrintVerdicts(phase);
    std::printf("\n");
    PrintDifference("whole run:", phases.front().samples.front(), phases.back().samples.back());
    PrintSources();
    std::printf("flat: handle and window counts equal from the end of the warm-up (first %d starts, first %d "
                "openings) to the end; memory: floor and peak of the second half within %.0f MB of the first's\n",
                kStartSampleEvery, kDialogSampleEvery, kMemoryToleranceMb);
    std::printf("starts that ran (the status bar named the game): %d of %d\n", running, starts);
    std::printf("message boxes while starting: %zu (the broken game is 1 of %d)\n", boxes.size(), gamesInTree);
    PrintDistinct(boxes);
    std::printf("dialog captions seen:");
    for (const std::wstring& c : captions) std::printf(" \"%s\"", Utf8(c).c_str());
    std::printf("\n%s in %.1f s\n", completed ? "done" : "stopped early", (NowMs() - t0) / 1000.0);

    DeleteMatching(appDir + L"FlashFiles\\", L"*.swf");
    DeleteMatching(appDir + L"DocFiles\\", L"*.txt");
    return completed ? 0 : 1;
}
