// The drive queries of the real platform.
#pragma once

#include "Drives.h"

namespace juxa::win32 {

class Win32DriveQueries final : public IDriveQueries {
public:
    std::uint32_t GetLogicalDriveStringsW(std::uint32_t bufferLength, wchar_t* buffer) override;
    unsigned GetDriveTypeW(const std::wstring& root) override;
};

} // namespace juxa::win32
