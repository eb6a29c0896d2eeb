// Plumora's entry: the application object, the main window, the message loop. The command
// line is not read.
#include "app/FrmFlashGame.h"
#include "ui/Application.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    ui::TApplication& application = ui::Application();
    application.Initialize();
    app::RegisterProgramClasses();
    try {
        application.CreateForm<app::TFrmFlashGame>();
    } catch (const std::exception& e) {
        // Without its main window the program cannot go on: report and end.
        application.HandleException(e);
        return 1;
    }
    application.Run();
    return 0;
}
