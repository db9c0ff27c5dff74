// juxa-sim.exe: the same program on a simulated handheld, so that every
// preset can be tried end to end without the device.
#include "Juxa.h"
#include "SimDrives.h"
#include "SimWorld.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE /*previous*/, PWSTR /*commandLine*/, int show) {
    juxa::sim::SimWorld world;
    juxa::sim::SimDriveQueries drives(world);
    return juxa::win32::Juxa(instance, world, drives, show);
}
