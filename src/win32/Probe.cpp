// Console probe of the device layer: sends every preset to the first
// removable drive and prints what comes back. Stands in until the window exists.
#include "uJuxa.h"

#ifdef JUXA_SIMULATED
#include "SimWorld.h"
#else
#include "Win32DevicePort.h"
#endif

#include <windows.h>

#include <cstdio>
#include <vector>

int wmain() {
#ifdef JUXA_SIMULATED
    juxa::sim::SimWorld port;
    const wchar_t letter = L'E';
#else
    juxa::win32::Win32DevicePort port;
    wchar_t letter = 0;
    for (wchar_t c = L'C'; c <= L'Z' && letter == 0; ++c) {
        const wchar_t root[] = {c, L':', L'\\', 0};
        if (GetDriveTypeW(root) == DRIVE_REMOVABLE) {
            letter = c;
        }
    }
    if (letter == 0) {
        std::wprintf(L"No removable drive found\n");
        return 0;
    }
#endif
    for (std::uint8_t index = 0; index < juxa::kPresetCount; ++index) {
        if (index == juxa::kFormatPresetIndex) {
            continue; // never format from a probe
        }
        std::vector<unsigned char> buffer(128);
        const std::uint32_t code = juxa::SendPresetCommand(
            port, letter, index, buffer.data(), static_cast<std::int32_t>(buffer.size()));
        std::wprintf(L"%c: %ls -> %lu\n  ", letter, juxa::PresetCommands[index].Name,
                     static_cast<unsigned long>(code));
        for (std::size_t i = 0; i < 48; ++i) {
            std::wprintf(L"%02X ", buffer[i]);
        }
        std::wprintf(L"\n");
    }
    return 0;
}
