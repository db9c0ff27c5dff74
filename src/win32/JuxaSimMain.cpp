// juxa-sim.exe: the same program on a simulated handheld, so that every
// preset can be tried end to end without the device.
#include "Juxa.h"
#include "SimDrives.h"
#include "SimWorld.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE /*previous*/, PWSTR /*commandLine*/, int show) {
    juxa::sim::SimWorld world;
    // A real card takes its time over a format: the demo shows the wait.
    world.disks[1].busyFor[0xFA] = std::chrono::seconds(3);
    juxa::sim::SimDriveQueries drives(world);
    return juxa::win32::Juxa(instance, world, drives, show);
}
