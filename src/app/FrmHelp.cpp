#include "app/FrmHelp.h"
#include "app/FrmDoc.h"
#include "ui/Application.h"
#include "ui/Layout.h"
#include <memory>

namespace app {

TFrmHelp::TFrmHelp(ui::TComponent* owner) : ui::TForm(owner) { ui::LoadLayout(*this, L"TFRMHELP"); }

void ShowHelpDialog() {
    std::unique_ptr<TFrmHelp> dialog(ui::NewForm<TFrmHelp>(&ui::Application()));
    SetDialogFont(*dialog);
    dialog->ShowModal();
}

} // namespace app
