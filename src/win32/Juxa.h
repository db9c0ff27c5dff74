// The program entry shared by juxa.exe and juxa-sim.exe; they differ only in
// the device port and the drive queries they hand in.
#pragma once

#include "Controls.h"
#include "DevicePort.h"

#include <windows.h>

namespace juxa::win32 {

// Builds frmMain and frmAbout, shows the main window and runs the message
// loop until it is closed. Returns the exit code, 0.
int Juxa(HINSTANCE instance, IDevicePort& device, IDriveQueries& drives, int show);

} // namespace juxa::win32
