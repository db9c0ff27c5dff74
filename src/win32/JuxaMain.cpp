// juxa.exe: the program on the real platform's devices and drives.
#include "Juxa.h"
#include "Win32DevicePort.h"
#include "Win32DriveQueries.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE /*previous*/, PWSTR /*commandLine*/, int show) {
    juxa::win32::Win32DevicePort device;
    juxa::win32::Win32DriveQueries drives;
    return juxa::win32::Juxa(instance, device, drives, show);
}
