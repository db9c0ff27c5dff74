// The device port bound to the real platform.
#pragma once

#include "DevicePort.h"

namespace juxa::win32 {

class Win32DevicePort final : public IDevicePort {
public:
    Handle CreateFileW(const std::wstring& path, std::uint32_t access,
                       std::uint32_t shareMode) override;
    bool DeviceIoControl(Handle handle, std::uint32_t code, void* in, std::uint32_t inSize,
                         void* out, std::uint32_t outSize, std::uint32_t* bytesReturned) override;
    bool CloseHandle(Handle handle) override;
    std::uint32_t GetLastError() override;
    std::wstring GetSystemWindowsDirectoryW() override;
};

} // namespace juxa::win32
