// The real platform port, run under Wine (or Windows): these prove the Windows
// leg of the tests runs for each pointer width.
#include "Win32DevicePort.h"
#include "uJuxa.h"

#include <windows.h>
#include <winioctl.h>
#include <ntddscsi.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>

using namespace juxa;

namespace {

// Counts what reaches the real port, to show that nothing was sent.
class CountingPort final : public IDevicePort {
public:
    win32::Win32DevicePort real;
    int opens = 0;
    int closes = 0;
    int passThroughs = 0;

    Handle CreateFileW(const std::wstring& path, std::uint32_t access,
                       std::uint32_t shareMode) override {
        const Handle handle = real.CreateFileW(path, access, shareMode);
        opens += handle != kInvalidHandle ? 1 : 0;
        return handle;
    }
    bool DeviceIoControl(Handle handle, std::uint32_t code, void* in, std::uint32_t inSize,
                         void* out, std::uint32_t outSize, std::uint32_t* returned) override {
        passThroughs += code == kIoctlScsiPassThroughDirect ? 1 : 0;
        return real.DeviceIoControl(handle, code, in, inSize, out, outSize, returned);
    }
    bool CloseHandle(Handle handle) override {
        ++closes;
        return real.CloseHandle(handle);
    }
    std::uint32_t GetLastError() override { return real.GetLastError(); }
    std::wstring GetSystemWindowsDirectoryW() override { return real.GetSystemWindowsDirectoryW(); }
};

} // namespace

TEST(Win32Layout, RequestBlockMatchesThePlatformStruct) {
    EXPECT_EQ(sizeof(SCSI_PASS_THROUGH_DIRECT), sizeof(void*) == 4 ? 44u : 56u);
    EXPECT_EQ(sizeof(ScsiPassThroughDirect), sizeof(SCSI_PASS_THROUGH_DIRECT));
    EXPECT_EQ(offsetof(ScsiPassThroughDirect, DataBuffer),
              offsetof(SCSI_PASS_THROUGH_DIRECT, DataBuffer));
    EXPECT_EQ(offsetof(ScsiPassThroughDirect, SenseInfoOffset),
              offsetof(SCSI_PASS_THROUGH_DIRECT, SenseInfoOffset));
    EXPECT_EQ(offsetof(ScsiPassThroughDirect, Cdb), offsetof(SCSI_PASS_THROUGH_DIRECT, Cdb));
    EXPECT_EQ(IOCTL_SCSI_PASS_THROUGH_DIRECT, 0x0004D014u);
    EXPECT_EQ(IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS, 0x00560000u);
}

TEST(Win32Port, SystemVolumeIsNeverAddressed) {
    CountingPort port;
    alignas(16) std::uint8_t buffer[56];
    std::memset(buffer, 0xEE, sizeof(buffer));
    // C: holds the system; whatever disk the platform reports for it, nothing
    // may be sent there.
    EXPECT_NE(SendPresetCommand(port, L'C', 0, buffer, 56), 0u);
    EXPECT_EQ(port.passThroughs, 0);
    EXPECT_EQ(port.opens, port.closes);
    EXPECT_EQ(buffer[0], 0xEE);
}

TEST(Win32Port, MissingDevicesFailWithThePlatformCode) {
    CountingPort port;
    EXPECT_EQ(OpenPhysicalDrive(port, 1), kInvalidHandle);
    EXPECT_EQ(port.GetLastError(), static_cast<std::uint32_t>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(OpenPhysicalDrive(port, 0), kInvalidHandle);
    EXPECT_EQ(SendPresetCommand(port, L'1', 0, nullptr, 0), port.GetLastError());
    EXPECT_NE(port.GetLastError(), 0u);
    EXPECT_EQ(port.opens, 0);
    EXPECT_FALSE(port.GetSystemWindowsDirectoryW().empty());
}
