// A simulated world of volumes and disks with a handheld game console on a
// removable drive, behind the same port as the real platform. The demo build
// runs on it, and so do the end-to-end tests, which can reshape it.
#pragma once

#include "DevicePort.h"
#include "Drives.h"

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace juxa::sim {

// The simulated handheld's data buffer, read with READ BUFFER (3Ch).
inline constexpr std::size_t kHandheldBufferSize = 65536;

struct SimVolume {
    unsigned driveType = kDriveFixed;
    std::uint32_t openError = 0;      // non-zero: every open of the volume fails with it
    std::vector<std::uint32_t> disks; // one extent per entry; empty: no extents
    std::uint32_t queryError = 0;     // non-zero: the extents query fails with it
    // The share flags an open must grant, because others hold the volume open
    // that way (the file system, a program with a file open on it); an open
    // that grants less fails with a sharing violation.
    std::uint32_t heldShare = kFileShareRead | kFileShareWrite;
};

// A sense key with its additional sense code and qualifier.
struct SimSense {
    std::uint8_t key = 0;
    std::uint8_t asc = 0;
    std::uint8_t ascq = 0;
};

struct SimDisk {
    bool handheld = false; // answers the handheld's commands; else only CHECK CONDITION
    std::uint32_t heldShare = kFileShareRead | kFileShareWrite; // as for a volume
    bool refuseReadWrite = false;       // the read-write open fails with ERROR_ACCESS_DENIED
    std::uint32_t openError = 0;        // non-zero: every open fails with it
    std::uint32_t passThroughError = 0; // non-zero: the request fails with it
    std::optional<std::uint32_t> transferLimit; // transfers at most this many bytes
    std::optional<std::uint8_t> scsiStatus;     // ends every command with this status
    // The sense bytes that go with CHECK CONDITION instead of the device's own
    // (fixed format, 18 bytes); any bytes, any length.
    std::optional<std::vector<std::uint8_t>> senseBytes;
    // How long the device works on a command, by operation code; a command
    // not listed is answered at once.
    std::map<std::uint8_t, std::chrono::milliseconds> busyFor;
};

// What one pass-through request carried, as the device saw it.
struct SimRequest {
    std::uint32_t disk = 0;
    std::uint32_t access = 0;
    std::uint16_t length = 0;
    std::uint8_t lun = 0;
    std::uint8_t cdbLength = 0;
    std::uint8_t senseInfoLength = 0;
    std::uint8_t dataIn = 0;
    std::uint32_t dataTransferLength = 0;
    std::uint32_t timeOutValue = 0;
    bool dataBufferNull = false;
    std::uint32_t senseInfoOffset = 0;
    std::uint8_t cdb[16] = {};
    std::uint32_t transferred = 0;
    std::uint8_t status = 0;
};

class SimWorld final : public IDevicePort {
public:
    // The standard world: C: the system volume (disk 0 unless a test moves it),
    // D: on disk 0, E: removable on disk 1 with the handheld, F: a removable
    // reader whose open fails (no medium), G: a volume with no extents,
    // H: a volume on disk 300.
    SimWorld();

    std::map<wchar_t, SimVolume> volumes;   // by upper-case letter as typed into the path
    std::map<std::uint32_t, SimDisk> disks; // by physical disk number
    std::wstring windowsDirectory = L"C:\\windows";
    // The adapter's alignment mask for direct transfers; Windows refuses a
    // buffer that misses it with ERROR_INVALID_PARAMETER.
    std::uintptr_t alignmentMask = 0x3;
    // Without administrator rights Windows refuses every open of a volume or
    // a disk that asks for data access; an open with access 0 still works.
    bool administrator = true;

    // Observations for tests.
    std::vector<std::wstring> openedPaths;      // every successful open, in order
    std::vector<std::wstring> attemptedPaths;   // every open attempt, in order
    std::vector<std::uint32_t> attemptedAccess; // access mask of each attempt
    std::vector<std::uint32_t> attemptedShare;  // share mode of each attempt
    std::vector<SimRequest> requests;
    int formatCount = 0;

    // While held, a request that reaches a disk waits there, in flight, until
    // the hold is released (from another thread): a test sees the program
    // wait for the device for as long as it likes, without racing a clock.
    void Hold();
    void Release();
    // Waits until a request waits in the hold; false when none came in time.
    bool WaitForHeldRequest(std::chrono::milliseconds timeout);
    [[nodiscard]] int OpenHandleCount() const { return static_cast<int>(open_.size()); }

    // IDevicePort
    Handle CreateFileW(const std::wstring& path, std::uint32_t access,
                       std::uint32_t shareMode) override;
    bool DeviceIoControl(Handle handle, std::uint32_t code, void* in, std::uint32_t inSize,
                         void* out, std::uint32_t outSize, std::uint32_t* bytesReturned) override;
    bool CloseHandle(Handle handle) override;
    std::uint32_t GetLastError() override { return lastError_; }
    std::wstring GetSystemWindowsDirectoryW() override { return windowsDirectory; }

    // The drive queries of the demo build: GetLogicalDriveStringsW and GetDriveTypeW.
    std::uint32_t GetLogicalDriveStringsW(std::uint32_t bufferLength, wchar_t* buffer) const;
    unsigned GetDriveTypeW(const std::wstring& root) const;

    // The handheld's answer to one CDB: status and data (before any limit),
    // and with CHECK CONDITION its sense: ILLEGAL REQUEST with INVALID
    // COMMAND OPERATION CODE for a command it does not know, with INVALID
    // FIELD IN CDB for one it knows asked for something it cannot do.
    static std::uint8_t HandheldAnswer(const std::uint8_t* cdb, std::vector<std::uint8_t>& data,
                                       SimSense* sense = nullptr);

private:
    struct OpenObject {
        bool volume = false;
        wchar_t letter = 0;
        std::uint32_t disk = 0;
        std::uint32_t access = 0;
    };
    bool Fail(std::uint32_t error) {
        lastError_ = error;
        return false;
    }
    bool QueryExtents(const OpenObject& object, void* out, std::uint32_t outSize,
                      std::uint32_t* bytesReturned);
    bool PassThrough(const OpenObject& object, void* in, std::uint32_t inSize, void* out,
                     std::uint32_t outSize, std::uint32_t* bytesReturned);

    struct HoldState;
    void WaitWhileHeld();

    // Shared, so that a world can still be copied; the hold is the one thing
    // that another thread touches.
    std::shared_ptr<HoldState> hold_;
    std::map<Handle, OpenObject> open_;
    Handle nextHandle_ = 0x100;
    std::uint32_t lastError_ = 0;
};

} // namespace juxa::sim
