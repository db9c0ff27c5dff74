#include "Win32DevicePort.h"

#include "uJuxa.h"

#include <windows.h>
#include <winioctl.h>
#include <ntddscsi.h>

#include <cstddef>

namespace juxa::win32 {

// The core spells out the platform's constants and the request block without
// <windows.h>; MinGW's headers and the SDK have differed before, so check
// every one of them here, where both are in sight.
static_assert(sizeof(Handle) == sizeof(HANDLE));
static_assert(kGenericRead == GENERIC_READ);
static_assert(kGenericWrite == GENERIC_WRITE);
static_assert(kIoctlVolumeGetVolumeDiskExtents == IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS);
static_assert(kIoctlScsiPassThroughDirect == IOCTL_SCSI_PASS_THROUGH_DIRECT);
static_assert(kScsiIoctlDataIn == SCSI_IOCTL_DATA_IN);
static_assert(kErrorFileNotFound == ERROR_FILE_NOT_FOUND);
static_assert(kErrorAccessDenied == ERROR_ACCESS_DENIED);
static_assert(kErrorInvalidDrive == ERROR_INVALID_DRIVE);
static_assert(kErrorNotSupported == ERROR_NOT_SUPPORTED);
static_assert(kErrorInvalidParameter == ERROR_INVALID_PARAMETER);
static_assert(kErrorIoDevice == ERROR_IO_DEVICE);

static_assert(sizeof(ScsiPassThroughDirect) == sizeof(SCSI_PASS_THROUGH_DIRECT));
static_assert(sizeof(SCSI_PASS_THROUGH_DIRECT) == (sizeof(void*) == 4 ? 44 : 56));
#define JUXA_SAME_OFFSET(field)                                                                    \
    static_assert(offsetof(ScsiPassThroughDirect, field) ==                                        \
                  offsetof(SCSI_PASS_THROUGH_DIRECT, field))
JUXA_SAME_OFFSET(Length);
JUXA_SAME_OFFSET(ScsiStatus);
JUXA_SAME_OFFSET(PathId);
JUXA_SAME_OFFSET(TargetId);
JUXA_SAME_OFFSET(Lun);
JUXA_SAME_OFFSET(CdbLength);
JUXA_SAME_OFFSET(SenseInfoLength);
JUXA_SAME_OFFSET(DataIn);
JUXA_SAME_OFFSET(DataTransferLength);
JUXA_SAME_OFFSET(TimeOutValue);
JUXA_SAME_OFFSET(DataBuffer);
JUXA_SAME_OFFSET(SenseInfoOffset);
JUXA_SAME_OFFSET(Cdb);
#undef JUXA_SAME_OFFSET

static_assert(offsetof(VOLUME_DISK_EXTENTS, NumberOfDiskExtents) == 0);
static_assert(offsetof(VOLUME_DISK_EXTENTS, Extents) == kFirstExtentOffset);
static_assert(sizeof(DISK_EXTENT) == kDiskExtentSize);
static_assert(offsetof(DISK_EXTENT, DiskNumber) == 0);

Handle Win32DevicePort::CreateFileW(const std::wstring& path, std::uint32_t access) {
    const HANDLE handle =
        ::CreateFileW(path.c_str(), access, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    return reinterpret_cast<Handle>(handle);
}

bool Win32DevicePort::DeviceIoControl(Handle handle, std::uint32_t code, void* in,
                                      std::uint32_t inSize, void* out, std::uint32_t outSize,
                                      std::uint32_t* bytesReturned) {
    DWORD returned = 0;
    const BOOL ok = ::DeviceIoControl(reinterpret_cast<HANDLE>(handle), code, in, inSize, out,
                                      outSize, &returned, nullptr);
    *bytesReturned = returned;
    return ok != FALSE;
}

bool Win32DevicePort::CloseHandle(Handle handle) {
    return ::CloseHandle(reinterpret_cast<HANDLE>(handle)) != FALSE;
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
