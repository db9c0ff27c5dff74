#include "Juxa.h"

#include "About.h"
#include "MainWindow.h"

namespace juxa::win32 {

int Juxa(HINSTANCE instance, IDevicePort& device, IDriveQueries& drives, int show) {
    InitialiseControls();
    // The main window is top-level and has no owner, so it carries the
    // taskbar button itself, under the application title as its caption.
    WindowOptions options;
    options.quitOnDestroy = true;
    MainWindow frmMain(instance, device, drives, options);
    TfrmAbout frmAbout(instance, frmMain.Handle(), frmMain.Dpi());
    frmMain.SetAboutBox(&frmAbout);
    frmMain.Show(show);

    MSG msg{};
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        DispatchLoopMessage(frmMain.Handle(), msg);
    }
    return 0;
}

} // namespace juxa::win32
