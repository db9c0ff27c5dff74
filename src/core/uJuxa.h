// The device command layer: resolves a drive letter to its physical disk and
// sends one CDB to it through SCSI pass-through with a data-in transfer.
// Failures are result codes, never exceptions; nothing is kept between calls.
#pragma once

#include "DevicePort.h"
#include "Outcome.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace juxa {

struct TPresetCommand {
    const wchar_t* Name;
    std::int32_t CdbLength;
    std::array<std::uint8_t, 16> Cdb;
};

inline constexpr std::size_t kPresetCount = 6;
extern const std::array<TPresetCommand, kPresetCount> PresetCommands;

// SCSI_PASS_THROUGH_DIRECT with the data pointer as a template parameter, so
// one definition gives the 32-bit layout (44 bytes), the 64-bit layout
// (56 bytes) and the layout of the running build (void*).
template <class Pointer> struct ScsiPassThroughDirectT {
    std::uint16_t Length;
    std::uint8_t ScsiStatus;
    std::uint8_t PathId;
    std::uint8_t TargetId;
    std::uint8_t Lun;
    std::uint8_t CdbLength;
    std::uint8_t SenseInfoLength;
    std::uint8_t DataIn;
    std::uint32_t DataTransferLength;
    std::uint32_t TimeOutValue;
    Pointer DataBuffer;
    std::uint32_t SenseInfoOffset;
    std::uint8_t Cdb[16];
};
using ScsiPassThroughDirect32 = ScsiPassThroughDirectT<std::uint32_t>;
using ScsiPassThroughDirect64 = ScsiPassThroughDirectT<std::uint64_t>;
using ScsiPassThroughDirect = ScsiPassThroughDirectT<void*>;

static_assert(sizeof(ScsiPassThroughDirect32) == 44);
static_assert(offsetof(ScsiPassThroughDirect32, DataTransferLength) == 12);
static_assert(offsetof(ScsiPassThroughDirect32, DataBuffer) == 20);
static_assert(offsetof(ScsiPassThroughDirect32, SenseInfoOffset) == 24);
static_assert(offsetof(ScsiPassThroughDirect32, Cdb) == 28);
static_assert(alignof(std::uint64_t) == 8 || sizeof(void*) == 4,
              "the 64-bit layout needs an 8-byte aligned pointer field");
static_assert(sizeof(ScsiPassThroughDirect) == (sizeof(void*) == 4 ? 44 : 56));

// The request as it goes out: the block, then a sense buffer in the same
// input and output buffer, as Windows documents pass-through with sense
// data; the filler puts the buffer on a 4-byte boundary after either layout.
template <class Pointer> struct ScsiPassThroughDirectWithSenseT {
    ScsiPassThroughDirectT<Pointer> Block;
    std::uint32_t Filler;
    std::uint8_t Sense[kSenseBufferSize];
};
using ScsiPassThroughDirectWithSense32 = ScsiPassThroughDirectWithSenseT<std::uint32_t>;
using ScsiPassThroughDirectWithSense64 = ScsiPassThroughDirectWithSenseT<std::uint64_t>;
using ScsiPassThroughDirectWithSense = ScsiPassThroughDirectWithSenseT<void*>;

static_assert(sizeof(ScsiPassThroughDirectWithSense32) == 80);
static_assert(offsetof(ScsiPassThroughDirectWithSense32, Sense) == 48);
static_assert(sizeof(ScsiPassThroughDirectWithSense64) == 96);
static_assert(offsetof(ScsiPassThroughDirectWithSense64, Sense) == 60);
static_assert(sizeof(ScsiPassThroughDirectWithSense) == (sizeof(void*) == 4 ? 80 : 96));

inline constexpr std::uint8_t kScsiIoctlDataIn = 1;
inline constexpr std::uint32_t kTimeOutSeconds = 200;
inline constexpr std::uint8_t kScsiStatusGood = 0x00;
inline constexpr std::uint8_t kScsiStatusCheckCondition = 0x02;

// The extents reply is read from a zero-filled block of this size.
inline constexpr std::uint32_t kDiskExtentsBlockSize = 260;
inline constexpr std::size_t kDiskExtentSize = 24;
inline constexpr std::size_t kFirstExtentOffset = 8;

// Full-width outcome of resolving a letter, which the send path needs to tell
// a failing call from a volume that names no usable disk.
struct DiskResolution {
    bool volumeOpened = false;
    bool queryFailed = false;
    std::uint32_t extentCount = 0;
    std::uint32_t diskNumber = 0; // of the first extent; 0 when there is none
    // Every extent's disk, as many as the reply block holds.
    std::vector<std::uint32_t> disks;
    std::uint32_t failure = 0; // error code of a failing open or query, else 0
};

Handle OpenVolume(IDevicePort& port, wchar_t letter);
DiskResolution ResolveDisk(IDevicePort& port, wchar_t letter);
// The low 8 bits of the first extent's disk; 0 when nothing was resolved and
// also when the number does not fit, so such a disk is never taken for another.
std::uint8_t GetDiskNumber(IDevicePort& port, wchar_t letter);
Handle OpenPhysicalDrive(IDevicePort& port, std::uint8_t diskNumber);

// The result code of a send: 0 when the platform completed the request and
// the device ended the command with GOOD status, else a Windows error code.
std::uint32_t SendPresetCommand(IDevicePort& port, wchar_t letter, std::uint8_t presetIndex,
                                void* buffer, std::int32_t length);
std::uint32_t SendManualCommand(IDevicePort& port, wchar_t letter, std::int32_t cdbLength,
                                std::array<std::uint8_t, 16> cdb, void* buffer,
                                std::int32_t length);
// The same sends, with all that they came to; the result code is made from it.
SendOutcome SendPreset(IDevicePort& port, wchar_t letter, std::uint8_t presetIndex, void* buffer,
                       std::int32_t length);
SendOutcome SendManual(IDevicePort& port, wchar_t letter, std::int32_t cdbLength,
                       std::array<std::uint8_t, 16> cdb, void* buffer, std::int32_t length);
std::uint32_t ResultCode(const SendOutcome& outcome);

// The data-in buffer of one send: page-aligned, because the platform's direct
// pass-through refuses a buffer that misses the adapter's alignment mask; none
// for n = 0. Released when the owner lets go of it.
class DataInBuffer {
public:
    explicit DataInBuffer(std::size_t size);
    DataInBuffer(const DataInBuffer&) = delete;
    DataInBuffer& operator=(const DataInBuffer&) = delete;
    ~DataInBuffer() { Release(); }
    [[nodiscard]] std::uint8_t* Data() const { return data_; }
    [[nodiscard]] std::size_t Size() const { return size_; }
    void Release();
    // Buffers alive in the process, for tests that check every path releases.
    static int LiveCount();

private:
    std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
};

// Fills a request block of any layout the way the send operations do; the
// address is given as the integer the layout stores.
template <class Pointer>
void FillRequest(ScsiPassThroughDirectT<Pointer>& block, std::uint8_t lun, std::uint8_t cdbLength,
                 const std::array<std::uint8_t, 16>& cdb, Pointer buffer, std::uint32_t length) {
    block = {};
    block.Length = static_cast<std::uint16_t>(sizeof(block));
    // The disk number rides in Lun, as this request has always carried it; on a
    // physical-drive handle the disk driver puts in the device's own address.
    block.Lun = lun;
    block.CdbLength = cdbLength;
    block.DataIn = kScsiIoctlDataIn;
    block.DataTransferLength = length;
    block.TimeOutValue = kTimeOutSeconds;
    block.DataBuffer = buffer;
    for (std::size_t i = 0; i < cdb.size(); ++i) {
        block.Cdb[i] = cdb[i];
    }
}

// The request as it is sent: the block as above, asking for the sense data
// into the buffer that follows it.
template <class Pointer>
void FillRequest(ScsiPassThroughDirectWithSenseT<Pointer>& request, std::uint8_t lun,
                 std::uint8_t cdbLength, const std::array<std::uint8_t, 16>& cdb, Pointer buffer,
                 std::uint32_t length) {
    request = {};
    FillRequest(request.Block, lun, cdbLength, cdb, buffer, length);
    request.Block.SenseInfoLength = static_cast<std::uint8_t>(kSenseBufferSize);
    request.Block.SenseInfoOffset =
        static_cast<std::uint32_t>(offsetof(ScsiPassThroughDirectWithSenseT<Pointer>, Sense));
}

} // namespace juxa
