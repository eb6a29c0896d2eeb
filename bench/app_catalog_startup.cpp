// Start-up with a large install folder: the time from nothing to a main window whose tree
// answers with every game, for 0, 1,000, 10,000 and 50,000 games (empty files named like
// movies, in a FlashFiles folder beside this program), median of three, and where it goes:
// reading the folder, and building the window with its tree.
//
// Usage: app_catalog_startup [largest]   (50000 by default)
#include <windows.h>

#include "bench_clock.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/FrmFlashGame.h"
#include "app/GameCatalog.h"
#include "ui/Application.h"
#include "widgets/WkTreeView.h"

namespace {

// Makes the folder hold exactly `count` games.
void FillFolder(const std::wstring& dir, int count) {
    CreateDirectoryW(dir.c_str(), nullptr);
    WIN32_FIND_DATAW found;
    HANDLE h = FindFirstFileW((dir + L"\\*.swf").c_str(), &found);
    std::vector<std::wstring> old;
    if (h != INVALID_HANDLE_VALUE) {
        do old.push_back(found.cFileName);
        while (FindNextFileW(h, &found));
        FindClose(h);
    }
    for (const std::wstring& name : old) DeleteFileW((dir + L"\\" + name).c_str());
    for (int i = 0; i < count; ++i) {
        wchar_t name[64];
        swprintf(name, 64, L"\\Game %05d.swf", i);
        HANDLE f = CreateFileW((dir + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (f != INVALID_HANDLE_VALUE) CloseHandle(f);
    }
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const int largest = argc > 1 ? std::max(0, std::atoi(argv[1])) : 50000;
    ui::Application().Initialize();
    app::RegisterProgramClasses();
    const std::wstring dir = app::CurrentAppDir();
    CreateDirectoryW((dir + L"DocFiles").c_str(), nullptr);
    std::printf("games    read folder   window + tree   (median of 3, ms)\n");
    double empty = 0;
    for (int count : {0, 1000, 10000, 50000}) {
        if (count > largest) break;
        FillFolder(dir + L"FlashFiles", count);
        std::vector<double> read, window;
        for (int run = 0; run < 3; ++run) {
            double t = NowMs();
            const size_t found = app::FindGames(dir).size();
            read.push_back(NowMs() - t);
            t = NowMs();
            app::TFrmFlashGame* form = ui::NewForm<app::TFrmFlashGame>(nullptr);
            form->Show();
            ui::Application().ProcessMessages();
            // The tree answers: its last row is there to be found.
            wk::TTreeNode* root = form->WkTreeView1->Items().GetFirstNode();
            const bool whole = root && size_t(root->Count()) == found;
            window.push_back(NowMs() - t);
            delete form;
            if (!whole) std::printf("  (the tree did not hold every game)\n");
        }
        const double total = Median(read) + Median(window);
        if (count == 0) empty = total;
        std::printf("%6d   %9.1f   %13.1f   total %.1f ms (%.1fx empty)\n", count, Median(read), Median(window), total,
                    empty > 0 ? total / empty : 1.0);
    }
    FillFolder(dir + L"FlashFiles", 0);
    return 0;
}
