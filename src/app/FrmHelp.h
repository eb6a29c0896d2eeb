// TFrmHelp: the modal "帮助" dialog with a picture and three short instructions.
#pragma once
#include "ui/Form.h"

namespace app {

class TFrmHelp : public ui::TForm {
public:
    explicit TFrmHelp(ui::TComponent* owner);
    std::wstring ClassName() const override { return L"TFrmHelp"; }
};

// Builds a fresh help dialog, shows it modally and destroys it when it closes.
void ShowHelpDialog();

} // namespace app
