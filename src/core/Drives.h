// What the platform tells of drives, as the console and the simulated world
// read it: the drive queries, the type codes GetDriveTypeW answers, and the
// device-change events with the layout of their volume record. The Windows
// binding checks every value here against the SDK's headers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace juxa {

// GetDriveTypeW's answers.
inline constexpr unsigned kDriveNoRootDir = 1; // also what a drive that has gone answers
inline constexpr unsigned kDriveRemovable = 2;
inline constexpr unsigned kDriveFixed = 3;
inline constexpr unsigned kDriveCdrom = 5;

// WM_DEVICECHANGE: the events used, and DEV_BROADCAST_HDR / DEV_BROADCAST_VOLUME.
inline constexpr std::uint32_t kDbtDeviceArrival = 0x8000;
inline constexpr std::uint32_t kDbtDeviceRemoveComplete = 0x8004;
inline constexpr std::uint32_t kDbtDevtypVolume = 2;
inline constexpr std::size_t kDeviceTypeOffset = 4; // dbch_devicetype
inline constexpr std::size_t kUnitMaskOffset = 12;  // dbcv_unitmask

class IDriveQueries {
public:
    virtual ~IDriveQueries() = default;
    virtual std::uint32_t GetLogicalDriveStringsW(std::uint32_t bufferLength, wchar_t* buffer) = 0;
    virtual unsigned GetDriveTypeW(const std::wstring& root) = 0;
};

} // namespace juxa
