#include "app/FrmHelp.h"
#include "app/FrmFlashGame.h"
#include "ui/Application.h"
#include "ui/Layout.h"
#include <memory>

namespace app {

TFrmHelp::TFrmHelp(ui::TComponent* owner) : ui::TForm(owner) { ui::LoadLayout(*this, L"TFRMHELP"); }

void ShowHelpDialog() {
    std::unique_ptr<TFrmHelp> dialog(ui::NewForm<TFrmHelp>(&ui::Application()));
    SetProgramFont(*dialog);
    dialog->ShowModal();
}

} // namespace app
