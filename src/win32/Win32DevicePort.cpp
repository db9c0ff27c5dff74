#include "Win32DevicePort.h"
#include "Handles.h"

#include <windows.h>

namespace juxa::win32 {

Handle Win32DevicePort::CreateFileW(const std::wstring& path, std::uint32_t access,
                                    std::uint32_t shareMode) {
    const HANDLE handle =
        ::CreateFileW(path.c_str(), access, shareMode, nullptr, OPEN_EXISTING, 0, nullptr);
    return reinterpret_cast<Handle>(handle);
}

bool Win32DevicePort::DeviceIoControl(Handle handle, std::uint32_t code, void* in,
                                      std::uint32_t inSize, void* out, std::uint32_t outSize,
                                      std::uint32_t* bytesReturned) {
    DWORD returned = 0;
    const BOOL ok = ::DeviceIoControl(FromInteger<HANDLE>(handle), code, in, inSize, out, outSize,
                                      &returned, nullptr);
    *bytesReturned = returned;
    return ok != FALSE;
}

bool Win32DevicePort::CloseHandle(Handle handle) {
    return ::CloseHandle(FromInteger<HANDLE>(handle)) != FALSE;
}

std::uint32_t Win32DevicePort::GetLastError() {
    return ::GetLastError();
}

std::wstring Win32DevicePort::GetSystemWindowsDirectoryW() {
    wchar_t buffer[MAX_PATH + 1] = {};
    const UINT length = ::GetSystemWindowsDirectoryW(buffer, MAX_PATH + 1);
    if (length == 0 || length > MAX_PATH) {
        return {};
    }
    return std::wstring(buffer, length);
}

} // namespace juxa::win32
