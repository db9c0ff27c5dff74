#include "uJuxa.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string>

namespace juxa {

const std::array<TPresetCommand, kPresetCount> PresetCommands = {{
    {L"SCSI Inquiry", 6, {0x12, 0x00, 0x00, 0x00, 0xFF, 0x00}},
    {L"Sony 0xFA (format memory stick)",
     10,
     {0xFA, 0x00, 0xA0, 0x4D, 0x47, 0x66, 0x6D, 0x74, 0x01, 0x00}},
    {L"Sony 0xFB 0xB4 (unknown)", 10, {0xFB, 0x00, 0xB4, 0x00, 0x00, 0x00, 0x00, 0x01, 0x01, 0x00}},
    {L"Sony 0xFB 0xB5 (USB string 3)",
     10,
     {0xFB, 0x00, 0xB5, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00}},
    {L"Sony 0xFC 0x90 (firmware revision)",
     10,
     {0xFC, 0x00, 0x90, 0x4A, 0x75, 0x78, 0x61, 0x00, 0x00, 0x00}},
    {L"Sony 0xFC 0x91 (nickname)",
     10,
     {0xFC, 0x00, 0x91, 0x4A, 0x75, 0x78, 0x61, 0x00, 0x00, 0x00}},
}};

namespace {

constexpr std::size_t kPageSize = 4096;
int liveBuffers = 0;

// Read-write first, then exactly one read-only attempt: some drivers refuse
// write access to a device they will still take commands on.
Handle OpenDevicePath(IDevicePort& port, const std::wstring& path) {
    const Handle handle = port.CreateFileW(path, kGenericRead | kGenericWrite, kDeviceShareMode);
    if (handle != kInvalidHandle) {
        return handle;
    }
    return port.CreateFileW(path, kGenericRead, kDeviceShareMode);
}

std::wstring VolumePath(wchar_t letter) {
    std::wstring path = L"\\\\.\\";
    path += letter;
    path += L':';
    return path;
}

std::uint32_t ReadU32(const std::uint8_t* p) {
    std::uint32_t value = 0;
    std::memcpy(&value, p, sizeof(value)); // the reply is little-endian, as is every target
    return value;
}

// Every extent's disk of an open volume, as many as the reply block holds.
void ReadExtents(IDevicePort& port, Handle volume, DiskResolution& result) {
    result.volumeOpened = true;
    std::array<std::uint8_t, kDiskExtentsBlockSize> reply{};
    std::uint32_t bytesReturned = 0;
    if (!port.DeviceIoControl(volume, kIoctlVolumeGetVolumeDiskExtents, nullptr, 0, reply.data(),
                              kDiskExtentsBlockSize, &bytesReturned)) {
        // Taken before the close can overwrite it; a failed query may still
        // have written part of the block, so it must not be read.
        result.queryFailed = true;
        result.failure = port.GetLastError();
        return;
    }
    result.extentCount = ReadU32(reply.data());
    const std::size_t held = (kDiskExtentsBlockSize - kFirstExtentOffset) / kDiskExtentSize;
    for (std::size_t i = 0; i < std::min<std::size_t>(result.extentCount, held); ++i) {
        result.disks.push_back(ReadU32(reply.data() + kFirstExtentOffset + i * kDiskExtentSize));
    }
    if (!result.disks.empty()) {
        result.diskNumber = result.disks.front();
    }
}

enum class SystemCheck { Elsewhere, HoldsTheSystem, Unknown };

// Whether the disk holds part of the volume with the Windows directory: a
// mirrored or spanned system volume lies on every one of its extents' disks.
// The system volume is always open for writing while Windows runs, so it is
// opened with both share flags and no data access, which the extents query
// does not need and which no administrator rights are asked for. When it
// cannot be told, no disk can be told safe.
SystemCheck CheckSystemDisk(IDevicePort& port, std::uint32_t disk) {
    const std::wstring windowsDir = port.GetSystemWindowsDirectoryW();
    if (windowsDir.size() < 2 || windowsDir[1] != L':') {
        return SystemCheck::Unknown;
    }
    DeviceHandle volume(port,
                        port.CreateFileW(VolumePath(windowsDir.front()), 0, kDeviceShareMode));
    if (!volume.Valid()) {
        return SystemCheck::Unknown;
    }
    DiskResolution system;
    ReadExtents(port, volume.Get(), system);
    // A reply that names more extents than the block holds hides disks.
    if (system.queryFailed || system.disks.empty() || system.disks.size() != system.extentCount) {
        return SystemCheck::Unknown;
    }
    return std::find(system.disks.begin(), system.disks.end(), disk) != system.disks.end()
               ? SystemCheck::HoldsTheSystem
               : SystemCheck::Elsewhere;
}

SendOutcome Refused(SendOutcome outcome, Refusal refusal) {
    outcome.step = SendStep::Refused;
    outcome.refusal = refusal;
    return outcome;
}

SendOutcome Failed(SendOutcome outcome, SendStep step, std::uint32_t error) {
    outcome.step = step;
    outcome.error = error;
    return outcome;
}

SendOutcome Send(IDevicePort& port, wchar_t letter, std::uint8_t cdbLength,
                 const std::array<std::uint8_t, 16>& cdb, void* buffer, std::int32_t length) {
    SendOutcome outcome;
    outcome.letter = letter;
    if (length < 0) {
        return Refused(outcome, Refusal::BadParameter);
    }
    outcome.requested = static_cast<std::uint32_t>(length);
    const DiskResolution target = ResolveDisk(port, letter);
    if (!target.volumeOpened) {
        return Failed(outcome, SendStep::OpenVolume, target.failure);
    }
    if (target.queryFailed) {
        return Failed(outcome, SendStep::QueryExtents, target.failure);
    }
    if (target.extentCount == 0) {
        return Refused(outcome, Refusal::NoExtent);
    }
    outcome.disk = target.diskNumber;
    if (target.diskNumber == 0) {
        return Refused(outcome, Refusal::DiskZero);
    }
    if (target.diskNumber > 0xFF) {
        return Refused(outcome, Refusal::DiskPast255);
    }
    switch (CheckSystemDisk(port, target.diskNumber)) {
    case SystemCheck::Elsewhere:
        break;
    case SystemCheck::HoldsTheSystem:
        return Refused(outcome, Refusal::SystemDisk);
    case SystemCheck::Unknown:
        return Refused(outcome, Refusal::SystemUnchecked);
    }
    const auto diskNumber = static_cast<std::uint8_t>(target.diskNumber);
    DeviceHandle drive(port, OpenPhysicalDrive(port, diskNumber));
    if (!drive.Valid()) {
        return Failed(outcome, SendStep::OpenDrive, port.GetLastError());
    }

    ScsiPassThroughDirectWithSense request{};
    if (length > 0) {
        std::memset(buffer, 0, static_cast<std::size_t>(length));
    }
    FillRequest<void*>(request, diskNumber, cdbLength, cdb, buffer,
                       static_cast<std::uint32_t>(length));
    std::uint32_t bytesReturned = 0;
    if (!port.DeviceIoControl(drive.Get(), kIoctlScsiPassThroughDirect, &request, sizeof(request),
                              &request, sizeof(request), &bytesReturned)) {
        return Failed(outcome, SendStep::Request, port.GetLastError());
    }
    outcome.step = SendStep::Completed;
    outcome.scsiStatus = request.Block.ScsiStatus;
    outcome.transferred = request.Block.DataTransferLength;
    // The platform says how much sense came back; never more than was asked for.
    outcome.senseLength = std::min<std::uint8_t>(request.Block.SenseInfoLength,
                                                 static_cast<std::uint8_t>(kSenseBufferSize));
    std::memcpy(outcome.sense.data(), request.Sense, outcome.senseLength);
    return outcome;
}

} // namespace

DataInBuffer::DataInBuffer(std::size_t size) : size_(size) {
    if (size != 0) {
        data_ = static_cast<std::uint8_t*>(::operator new (size, std::align_val_t{kPageSize}));
        ++liveBuffers;
    }
}

void DataInBuffer::Release() {
    if (data_ != nullptr) {
        ::operator delete (data_, std::align_val_t{kPageSize});
        data_ = nullptr;
        --liveBuffers;
    }
}

int DataInBuffer::LiveCount() {
    return liveBuffers;
}

Handle OpenVolume(IDevicePort& port, wchar_t letter) {
    return OpenDevicePath(port, VolumePath(letter));
}

DiskResolution ResolveDisk(IDevicePort& port, wchar_t letter) {
    DiskResolution result;
    DeviceHandle volume(port, OpenVolume(port, letter));
    if (!volume.Valid()) {
        result.failure = port.GetLastError();
        return result;
    }
    ReadExtents(port, volume.Get(), result);
    return result;
}

std::uint8_t GetDiskNumber(IDevicePort& port, wchar_t letter) {
    const DiskResolution resolution = ResolveDisk(port, letter);
    if (!resolution.volumeOpened || resolution.queryFailed || resolution.diskNumber > 0xFF) {
        return 0;
    }
    return static_cast<std::uint8_t>(resolution.diskNumber);
}

Handle OpenPhysicalDrive(IDevicePort& port, std::uint8_t diskNumber) {
    if (diskNumber == 0) {
        return kInvalidHandle;
    }
    return OpenDevicePath(port, L"\\\\.\\PHYSICALDRIVE" + std::to_wstring(diskNumber));
}

std::uint32_t ResultCode(const SendOutcome& outcome) {
    // A failing call that left no error code is still a failure.
    constexpr std::uint32_t kErrorGenFailure = 31;
    switch (outcome.step) {
    case SendStep::Refused:
        switch (outcome.refusal) {
        case Refusal::NoExtent:
            return kErrorInvalidDrive;
        case Refusal::DiskZero:
        case Refusal::SystemDisk:
        case Refusal::SystemUnchecked:
            return kErrorAccessDenied;
        case Refusal::DiskPast255:
            return kErrorNotSupported;
        case Refusal::BadParameter:
        case Refusal::None:
            break;
        }
        return kErrorInvalidParameter;
    case SendStep::OpenVolume:
    case SendStep::QueryExtents:
    case SendStep::OpenDrive:
    case SendStep::Request:
        return outcome.error != 0 ? outcome.error : kErrorGenFailure;
    case SendStep::Completed:
        // The platform completing the request says nothing of the command
        // itself: a device that answered CHECK CONDITION has not done it.
        return outcome.scsiStatus == kScsiStatusGood ? 0 : kErrorIoDevice;
    }
    return kErrorGenFailure;
}

SendOutcome SendPreset(IDevicePort& port, wchar_t letter, std::uint8_t presetIndex, void* buffer,
                       std::int32_t length) {
    if (presetIndex >= PresetCommands.size()) {
        SendOutcome outcome;
        outcome.letter = letter;
        return Refused(outcome, Refusal::BadParameter);
    }
    const TPresetCommand& preset = PresetCommands[presetIndex];
    return Send(port, letter, static_cast<std::uint8_t>(preset.CdbLength), preset.Cdb, buffer,
                length);
}

SendOutcome SendManual(IDevicePort& port, wchar_t letter, std::int32_t cdbLength,
                       std::array<std::uint8_t, 16> cdb, void* buffer, std::int32_t length) {
    return Send(port, letter, static_cast<std::uint8_t>(cdbLength), cdb, buffer, length);
}

std::uint32_t SendPresetCommand(IDevicePort& port, wchar_t letter, std::uint8_t presetIndex,
                                void* buffer, std::int32_t length) {
    return ResultCode(SendPreset(port, letter, presetIndex, buffer, length));
}

std::uint32_t SendManualCommand(IDevicePort& port, wchar_t letter, std::int32_t cdbLength,
                                std::array<std::uint8_t, 16> cdb, void* buffer,
                                std::int32_t length) {
    return ResultCode(SendManual(port, letter, cdbLength, cdb, buffer, length));
}

} // namespace juxa
