#include "Win32DriveQueries.h"

#include <windows.h>
#include <dbt.h>

#include <cstddef>

namespace juxa::win32 {

// The core spells these out without <windows.h>; here both are in sight.
static_assert(kDriveNoRootDir == DRIVE_NO_ROOT_DIR);
static_assert(kDriveRemovable == DRIVE_REMOVABLE);
static_assert(kDriveFixed == DRIVE_FIXED);
static_assert(kDriveCdrom == DRIVE_CDROM);
static_assert(kDbtDeviceArrival == DBT_DEVICEARRIVAL);
static_assert(kDbtDeviceRemoveComplete == DBT_DEVICEREMOVECOMPLETE);
static_assert(kDbtDevtypVolume == DBT_DEVTYP_VOLUME);
static_assert(kDeviceTypeOffset == offsetof(DEV_BROADCAST_HDR, dbch_devicetype));
static_assert(kDeviceTypeOffset == offsetof(DEV_BROADCAST_VOLUME, dbcv_devicetype));
static_assert(kUnitMaskOffset == offsetof(DEV_BROADCAST_VOLUME, dbcv_unitmask));
static_assert(sizeof(DEV_BROADCAST_VOLUME::dbcv_unitmask) == sizeof(std::uint32_t));

std::uint32_t Win32DriveQueries::GetLogicalDriveStringsW(std::uint32_t bufferLength,
                                                         wchar_t* buffer) {
    return ::GetLogicalDriveStringsW(bufferLength, buffer);
}

unsigned Win32DriveQueries::GetDriveTypeW(const std::wstring& root) {
    return ::GetDriveTypeW(root.c_str());
}

} // namespace juxa::win32
