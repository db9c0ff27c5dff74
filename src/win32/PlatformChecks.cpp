// The core spells out the platform's constants and record layouts without
// <windows.h>; MinGW's headers and the SDK have differed before, so every one
// of them is checked here, where both are in sight.
#include "Main.h"
#include "uJuxa.h"

#include <windows.h>
#include <dbt.h>
#include <winioctl.h>
#include <ntddscsi.h>

#include <cstddef>

namespace juxa::win32 {

// The device layer: access, control codes, error codes, the request block and the extents reply.
static_assert(sizeof(Handle) == sizeof(HANDLE));
static_assert(kGenericRead == GENERIC_READ);
static_assert(kGenericWrite == GENERIC_WRITE);
static_assert(kFileShareRead == FILE_SHARE_READ);
static_assert(kFileShareWrite == FILE_SHARE_WRITE);
static_assert(kIoctlVolumeGetVolumeDiskExtents == IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS);
static_assert(kIoctlScsiPassThroughDirect == IOCTL_SCSI_PASS_THROUGH_DIRECT);
static_assert(kScsiIoctlDataIn == SCSI_IOCTL_DATA_IN);
static_assert(kErrorFileNotFound == ERROR_FILE_NOT_FOUND);
static_assert(kErrorAccessDenied == ERROR_ACCESS_DENIED);
static_assert(kErrorInvalidDrive == ERROR_INVALID_DRIVE);
static_assert(kErrorNotSupported == ERROR_NOT_SUPPORTED);
static_assert(kErrorInvalidParameter == ERROR_INVALID_PARAMETER);
static_assert(kErrorIoDevice == ERROR_IO_DEVICE);

static_assert(kErrorSemTimeout == ERROR_SEM_TIMEOUT);

static_assert(sizeof(ScsiPassThroughDirect) == sizeof(SCSI_PASS_THROUGH_DIRECT));
// The sense buffer follows the platform's block and a 4-byte filler.
static_assert(offsetof(ScsiPassThroughDirectWithSense, Block) == 0);
static_assert(offsetof(ScsiPassThroughDirectWithSense, Sense) ==
              sizeof(SCSI_PASS_THROUGH_DIRECT) + sizeof(ULONG));
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

// Drive types, device-change events and the volume record.
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

// The text output's character sets, as a font records them.
static_assert(kDefaultCharset == DEFAULT_CHARSET);
static_assert(kShiftJisCharset == SHIFTJIS_CHARSET);

} // namespace juxa::win32
