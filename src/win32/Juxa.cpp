#include "Juxa.h"

#include "About.h"
#include "MainWindow.h"

namespace juxa::win32 {

int Juxa(HINSTANCE instance, IDevicePort& device, IDriveQueries& drives, int show) {
    // The program is started as administrator, often from a Downloads folder
    // where anyone may have left a DLL: from here on, a library loaded by
    // name comes from the system folder only, never from the program's own.
    if (::SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32) == FALSE) {
        return static_cast<int>(::GetLastError());
    }
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
