// The device layer's own cost per send (open volume, resolve, open system
// volume, resolve, open drive, request, close), natively against the
// simulated handheld; the floor is the same simulated port calls made
// directly, without the layer.
#include "SimWorld.h"
#include "uJuxa.h"

#include <chrono>
#include <cstdio>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

template <class Body> double CallsPerSecond(Body body) {
    const int rounds = 200000;
    const auto start = Clock::now();
    for (int i = 0; i < rounds; ++i) {
        body();
    }
    const std::chrono::duration<double> seconds = Clock::now() - start;
    return rounds / seconds.count();
}

} // namespace

int main() {
    juxa::sim::SimWorld world;
    alignas(4096) static std::uint8_t buffer[4096];
    std::uint32_t failures = 0;
    const auto clearLogs = [&world] {
        world.openedPaths.clear();
        world.attemptedPaths.clear();
        world.attemptedAccess.clear();
        world.attemptedShare.clear();
        world.requests.clear();
    };
    const double layer = CallsPerSecond([&] {
        failures += juxa::SendPresetCommand(world, L'E', 0, buffer, 56) != 0 ? 1 : 0;
        clearLogs();
    });
    const double floor = CallsPerSecond([&] {
        std::uint8_t extents[260] = {};
        std::uint32_t returned = 0;
        // The target volume read-write, the system volume with no data access.
        for (const auto& [path, access] :
             {std::pair{L"\\\\.\\E:", juxa::kGenericRead | juxa::kGenericWrite},
              std::pair{L"\\\\.\\C:", 0u}}) {
            const juxa::Handle volume = world.CreateFileW(path, access, juxa::kDeviceShareMode);
            world.DeviceIoControl(volume, juxa::kIoctlVolumeGetVolumeDiskExtents, nullptr, 0,
                                  extents, sizeof(extents), &returned);
            world.CloseHandle(volume);
        }
        const juxa::Handle drive =
            world.CreateFileW(L"\\\\.\\PHYSICALDRIVE1", juxa::kGenericRead | juxa::kGenericWrite,
                              juxa::kDeviceShareMode);
        juxa::ScsiPassThroughDirect block{};
        juxa::FillRequest<void*>(block, 1, 6, juxa::PresetCommands[0].Cdb, buffer, 56);
        world.DeviceIoControl(drive, juxa::kIoctlScsiPassThroughDirect, &block, sizeof(block),
                              &block, sizeof(block), &returned);
        world.CloseHandle(drive);
        clearLogs();
    });
    std::printf("device layer: %.0f sends/s; same port calls made directly: %.0f/s; ratio %.2f%s\n",
                layer, floor, floor / layer, failures != 0 ? " (SENDS FAILED)" : "");
    return failures != 0 ? 1 : 0;
}
