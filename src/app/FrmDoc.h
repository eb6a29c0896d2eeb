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

// Builds a fresh description dialog, fills it from the file (empty when there is none), shows
// it modally and destroys it when it closes.
void ShowGameDoc(const std::wstring& docFile);

} // namespace app
