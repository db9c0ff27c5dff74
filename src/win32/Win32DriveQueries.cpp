#include "Win32DriveQueries.h"

#include <windows.h>

namespace juxa::win32 {

std::uint32_t Win32DriveQueries::GetLogicalDriveStringsW(std::uint32_t bufferLength,
                                                         wchar_t* buffer) {
    return ::GetLogicalDriveStringsW(bufferLength, buffer);
}

unsigned Win32DriveQueries::GetDriveTypeW(const std::wstring& root) {
    return ::GetDriveTypeW(root.c_str());
}

} // namespace juxa::win32
