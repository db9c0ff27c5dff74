// The five platform operations the device layer needs, behind one interface,
// so the send algorithm runs unchanged against Windows, the simulated handheld
// and the fakes of the unit tests.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

namespace juxa {

// A platform handle as an integer wide enough for a pointer; all bits set
// means nothing was opened, as INVALID_HANDLE_VALUE does on Windows.
using Handle = std::uintptr_t;
inline constexpr Handle kInvalidHandle = ~Handle{0};

// Access masks and control codes as Windows defines them; the Windows binding
// static_asserts each against the SDK headers.
inline constexpr std::uint32_t kGenericRead = 0x80000000u;
inline constexpr std::uint32_t kGenericWrite = 0x40000000u;
inline constexpr std::uint32_t kFileShareRead = 0x00000001u;
inline constexpr std::uint32_t kFileShareWrite = 0x00000002u;
// Windows opens a volume or a disk only when the share mode lets everyone
// else who holds it open (the file system, Explorer, any program with a file
// on it) go on reading and writing; asking for it to ourselves fails with a
// sharing violation as soon as anything holds a file open there.
inline constexpr std::uint32_t kDeviceShareMode = kFileShareRead | kFileShareWrite;
inline constexpr std::uint32_t kIoctlVolumeGetVolumeDiskExtents = 0x00560000u;
inline constexpr std::uint32_t kIoctlScsiPassThroughDirect = 0x0004D014u;

// Windows error codes the layer reports itself (the others come from the platform).
inline constexpr std::uint32_t kErrorFileNotFound = 2;
inline constexpr std::uint32_t kErrorAccessDenied = 5;
inline constexpr std::uint32_t kErrorInvalidDrive = 15;
inline constexpr std::uint32_t kErrorNotSupported = 50;
inline constexpr std::uint32_t kErrorInvalidParameter = 87;
inline constexpr std::uint32_t kErrorIoDevice = 1117;

class IDevicePort {
public:
    virtual ~IDevicePort() = default;
    // CreateFileW(path, access, shareMode, nullptr, OPEN_EXISTING, 0, nullptr).
    virtual Handle CreateFileW(const std::wstring& path, std::uint32_t access,
                               std::uint32_t shareMode) = 0;
    // Synchronous DeviceIoControl; bytesReturned may not be null.
    virtual bool DeviceIoControl(Handle handle, std::uint32_t code, void* in, std::uint32_t inSize,
                                 void* out, std::uint32_t outSize,
                                 std::uint32_t* bytesReturned) = 0;
    virtual bool CloseHandle(Handle handle) = 0;
    virtual std::uint32_t GetLastError() = 0;
    // GetSystemWindowsDirectoryW; empty when the platform cannot tell. Used only
    // to keep commands away from the disk that holds the running system.
    virtual std::wstring GetSystemWindowsDirectoryW() = 0;
};

// Owns one handle of a port; move-only so a handle is closed exactly once.
class DeviceHandle {
public:
    DeviceHandle() = default;
    DeviceHandle(IDevicePort& port, Handle handle) : port_(&port), handle_(handle) {}
    DeviceHandle(const DeviceHandle&) = delete;
    DeviceHandle& operator=(const DeviceHandle&) = delete;
    DeviceHandle(DeviceHandle&& other) noexcept
        : port_(other.port_), handle_(std::exchange(other.handle_, kInvalidHandle)) {}
    DeviceHandle& operator=(DeviceHandle&& other) noexcept {
        if (this != &other) {
            Reset();
            port_ = other.port_;
            handle_ = std::exchange(other.handle_, kInvalidHandle);
        }
        return *this;
    }
    ~DeviceHandle() { Reset(); }

    [[nodiscard]] bool Valid() const { return handle_ != kInvalidHandle; }
    [[nodiscard]] Handle Get() const { return handle_; }
    void Reset() {
        if (handle_ != kInvalidHandle && port_ != nullptr) {
            port_->CloseHandle(handle_);
        }
        handle_ = kInvalidHandle;
    }

private:
    IDevicePort* port_ = nullptr;
    Handle handle_ = kInvalidHandle;
};

} // namespace juxa
