#include "app/FrmDoc.h"
#include "app/FrmFlashGame.h"
#include "ui/Application.h"
#include "ui/Layout.h"
#include "widgets/WkMemo.h"
#include <memory>

namespace app {

TFrmDoc::TFrmDoc(ui::TComponent* owner) : ui::TForm(owner) {
    ui::LoadLayout(*this, L"TFRMDOC");
    WkMemo1 = dynamic_cast<wk::TWkMemo*>(FindComponent(L"WkMemo1"));
    if (!WkMemo1) throw ui::Exception(L"The description dialog's layout has no WkMemo1");
}

void ShowGameDoc(const std::wstring& docFile) {
    std::unique_ptr<TFrmDoc> dialog(ui::NewForm<TFrmDoc>(&ui::Application()));
    SetProgramFont(*dialog);
    // The description is read afresh each time; no file means an empty memo. A file that
    // exists but cannot be read raises an error before the dialog shows. The edit control
    // takes seconds to minutes over megabytes of wrapped text, freezing the window, so a
    // longer description shows its beginning and says so.
    if (RegularFileExists(docFile) && !dialog->WkMemo1->Lines().LoadFromFile(docFile, kMaxDescriptionBytes))
        dialog->WkMemo1->Lines().Add(kDescriptionCutNote);
    dialog->ShowModal();
}

} // namespace app
