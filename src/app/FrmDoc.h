// TFrmDoc: the modal "游戏说明" dialog showing a game's description in a read-only memo.
#pragma once
#include "ui/Form.h"
#include <cstddef>
#include <string>

namespace wk { class TWkMemo; }

namespace app {

class TFrmDoc : public ui::TForm {
public:
    explicit TFrmDoc(ui::TComponent* owner);
    std::wstring ClassName() const override { return L"TFrmDoc"; }

    wk::TWkMemo* WkMemo1 = nullptr;
};

// The most of a description file the dialog shows, and the line that follows a cut one.
inline constexpr std::size_t kMaxDescriptionBytes = 64 * 1024;
inline constexpr const wchar_t* kDescriptionCutNote = L"……（说明文件过长，只显示了开头部分。）";

// Builds a fresh description dialog, fills it from the file (empty when there is none), shows
// it modally and destroys it when it closes.
void ShowGameDoc(const std::wstring& docFile);

} // namespace app
