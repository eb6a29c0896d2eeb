// TFrmDoc: the modal "游戏说明" dialog showing a game's description in a read-only memo.
#pragma once
#include "ui/Form.h"
#include <string>

namespace wk { class TWkMemo; }

namespace app {

class TFrmDoc : public ui::TForm {
public:
    explicit TFrmDoc(ui::TComponent* owner);
    std::wstring ClassName() const override { return L"TFrmDoc"; }

    wk::TWkMemo* WkMemo1 = nullptr;
};

// The text of a description file: 8-bit text in the system code page, or UTF-8 / UTF-16 when
// the file starts with that byte-order mark. Throws ui::Exception when it cannot be read.
std::wstring ReadDescriptionFile(const std::wstring& path);

// Builds a fresh description dialog, fills it from the file (empty when there is none), shows
// it modally and destroys it when it closes.
void ShowGameDoc(const std::wstring& docFile);

// Sets the dialogs' common font: "宋体" at 9 points, which every control takes from its parent.
void SetDialogFont(ui::TForm& form);

} // namespace app
