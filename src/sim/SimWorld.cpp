#include "SimWorld.h"

#include "uJuxa.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

namespace juxa::sim {

namespace {

constexpr std::uint32_t kErrorInvalidFunction = 1;
constexpr std::uint32_t kErrorInvalidHandle = 6;
constexpr std::uint32_t kErrorNotReady = 21;
constexpr std::uint32_t kErrorSharingViolation = 32;
constexpr std::uint32_t kErrorInsufficientBuffer = 122;

const std::wstring kVolumePrefix = L"\\\\.\\";
const std::wstring kDrivePrefix = L"\\\\.\\PHYSICALDRIVE";

wchar_t UpperAscii(wchar_t c) {
    return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - 32) : c;
}

void AppendAscii(std::vector<std::uint8_t>& data, const char* text, std::size_t width) {
    const std::size_t length = std::strlen(text);
    for (std::size_t i = 0; i < width; ++i) {
        data.push_back(i < length ? static_cast<std::uint8_t>(text[i]) : ' ');
    }
}

void AppendUtf16(std::vector<std::uint8_t>& data, const char16_t* text) {
    for (; *text != 0; ++text) {
        data.push_back(static_cast<std::uint8_t>(*text & 0xFF));
        data.push_back(static_cast<std::uint8_t>(*text >> 8));
    }
}

// "シムプレイヤー（日本）": katakana, full-width brackets and kanji, with
// trail bytes that are also ASCII letters and brackets ("C", "[", "{").
constexpr std::uint8_t kShiftJisNickname[] = {0x83, 0x56, 0x83, 0x80, 0x83, 0x76, 0x83, 0x8C,
                                              0x83, 0x43, 0x83, 0x84, 0x81, 0x5B, 0x81, 0x69,
                                              0x93, 0xFA, 0x96, 0x7B, 0x81, 0x6A};

constexpr SimSense kInvalidOperationCode{0x05, 0x20, 0x00};
constexpr SimSense kInvalidFieldInCdb{0x05, 0x24, 0x00};
constexpr SimSense kMediumNotPresent{0x02, 0x3A, 0x00};

std::uint8_t CheckCondition(SimSense* out, const SimSense& why) {
    if (out != nullptr) {
        *out = why;
    }
    return kScsiStatusCheckCondition;
}

// Fixed-format sense data: response code 70h, the key, ten more bytes.
std::vector<std::uint8_t> FixedSense(const SimSense& sense) {
    std::vector<std::uint8_t> bytes(18, 0);
    bytes[0] = 0x70;
    bytes[2] = sense.key;
    bytes[7] = 10;
    bytes[12] = sense.asc;
    bytes[13] = sense.ascq;
    return bytes;
}

} // namespace

struct SimWorld::HoldState {
    std::mutex mutex;
    std::condition_variable changed;
    bool held = false;
    int waiting = 0;
};

SimWorld::SimWorld() : hold_(std::make_shared<HoldState>()) {
    volumes[L'C'] = SimVolume{kDriveFixed, 0, {0}, 0};
    volumes[L'D'] = SimVolume{kDriveFixed, 0, {0}, 0};
    volumes[L'E'] = SimVolume{kDriveRemovable, 0, {1}, 0};
    volumes[L'F'] = SimVolume{kDriveRemovable, kErrorNotReady, {}, 0};
    volumes[L'G'] = SimVolume{kDriveFixed, 0, {}, 0};
    volumes[L'H'] = SimVolume{kDriveFixed, 0, {300}, 0};
    disks[0] = SimDisk{};
    disks[1] = SimDisk{};
    disks[1].handheld = true;
    disks[300] = SimDisk{};
    // Disk 300 seen through its low 8 bits: a request that reached it would
    // show in the log as disk 44.
    disks[44] = SimDisk{};
}

Handle SimWorld::CreateFileW(const std::wstring& path, std::uint32_t access,
                             std::uint32_t shareMode) {
    attemptedPaths.push_back(path);
    attemptedAccess.push_back(access);
    attemptedShare.push_back(shareMode);
    OpenObject object;
    object.access = access;
    // Once the device is found, checked in the order Windows does: the
    // device's own failure, the caller's rights, then the sharing with those
    // who hold it open. True, with the error left, when the open fails.
    const auto refused = [&](std::uint32_t openError, std::uint32_t heldShare) {
        if (openError == 0 && !administrator && access != 0) {
            openError = kErrorAccessDenied;
        }
        if (openError == 0 && (shareMode & heldShare) != heldShare) {
            openError = kErrorSharingViolation;
        }
        if (openError != 0) {
            lastError_ = openError;
        }
        return openError != 0;
    };
    if (path.size() == kVolumePrefix.size() + 2 && path.compare(0, 4, kVolumePrefix) == 0 &&
        path[5] == L':') {
        const auto found = volumes.find(UpperAscii(path[4]));
        if (found == volumes.end()) {
            lastError_ = kErrorFileNotFound;
            return kInvalidHandle;
        }
        if (refused(found->second.openError, found->second.heldShare)) {
            return kInvalidHandle;
        }
        object.volume = true;
        object.letter = found->first;
    } else if (path.size() > kDrivePrefix.size() &&
               path.compare(0, kDrivePrefix.size(), kDrivePrefix) == 0) {
        std::uint32_t number = 0;
        for (std::size_t i = kDrivePrefix.size(); i < path.size(); ++i) {
            if (path[i] < L'0' || path[i] > L'9' || number > 100000) {
                lastError_ = kErrorFileNotFound;
                return kInvalidHandle;
            }
            number = number * 10 + static_cast<std::uint32_t>(path[i] - L'0');
        }
        const auto found = disks.find(number);
        if (found == disks.end()) {
            lastError_ = kErrorFileNotFound;
            return kInvalidHandle;
        }
        if (refused(found->second.openError, found->second.heldShare)) {
            return kInvalidHandle;
        }
        if (found->second.refuseReadWrite && (access & kGenericWrite) != 0) {
            lastError_ = kErrorAccessDenied;
            return kInvalidHandle;
        }
        object.disk = number;
    } else {
        lastError_ = kErrorFileNotFound;
        return kInvalidHandle;
    }
    const Handle handle = nextHandle_;
    nextHandle_ += 4;
    open_[handle] = object;
    openedPaths.push_back(path);
    return handle;
}

bool SimWorld::CloseHandle(Handle handle) {
    if (open_.erase(handle) == 0) {
        return Fail(kErrorInvalidHandle);
    }
    return true;
}

bool SimWorld::DeviceIoControl(Handle handle, std::uint32_t code, void* in, std::uint32_t inSize,
                               void* out, std::uint32_t outSize, std::uint32_t* bytesReturned) {
    const auto found = open_.find(handle);
    if (found == open_.end()) {
        return Fail(kErrorInvalidHandle);
    }
    const OpenObject& object = found->second;
    if (code == kIoctlVolumeGetVolumeDiskExtents && object.volume) {
        return QueryExtents(object, out, outSize, bytesReturned);
    }
    if (code == kIoctlScsiPassThroughDirect && !object.volume) {
        return PassThrough(object, in, inSize, out, outSize, bytesReturned);
    }
    return Fail(kErrorInvalidFunction);
}

bool SimWorld::QueryExtents(const OpenObject& object, void* out, std::uint32_t outSize,
                            std::uint32_t* bytesReturned) {
    const SimVolume& volume = volumes.at(object.letter);
    if (volume.queryError != 0) {
        return Fail(volume.queryError);
    }
    const std::size_t needed =
        kFirstExtentOffset + kDiskExtentSize * std::max<std::size_t>(1, volume.disks.size());
    if (outSize < needed) {
        return Fail(kErrorInsufficientBuffer);
    }
    auto* bytes = static_cast<std::uint8_t*>(out);
    const auto count = static_cast<std::uint32_t>(volume.disks.size());
    std::memcpy(bytes, &count, 4);
    for (std::size_t i = 0; i < volume.disks.size(); ++i) {
        std::uint8_t* extent = bytes + kFirstExtentOffset + i * kDiskExtentSize;
        std::memcpy(extent, &volume.disks[i], 4);
        const std::uint64_t start = 1ull << 20;
        const std::uint64_t size = 64ull * 1024 * 1024;
        std::memcpy(extent + 8, &start, 8);
        std::memcpy(extent + 16, &size, 8);
    }
    *bytesReturned = static_cast<std::uint32_t>(needed);
    lastError_ = 0;
    return true;
}

bool SimWorld::PassThrough(const OpenObject& object, void* in, std::uint32_t inSize, void* out,
                           std::uint32_t outSize, std::uint32_t* bytesReturned) {
    if (in == nullptr || inSize < sizeof(ScsiPassThroughDirect) || out == nullptr ||
        outSize < sizeof(ScsiPassThroughDirect)) {
        return Fail(kErrorInvalidParameter);
    }
    ScsiPassThroughDirect block{};
    std::memcpy(&block, in, sizeof(block));
    SimRequest request;
    request.disk = object.disk;
    request.access = object.access;
    request.length = block.Length;
    request.lun = block.Lun;
    request.cdbLength = block.CdbLength;
    request.senseInfoLength = block.SenseInfoLength;
    request.dataIn = block.DataIn;
    request.dataTransferLength = block.DataTransferLength;
    request.timeOutValue = block.TimeOutValue;
    request.dataBufferNull = block.DataBuffer == nullptr;
    request.senseInfoOffset = block.SenseInfoOffset;
    std::memcpy(request.cdb, block.Cdb, 16);

    const SimDisk& disk = disks.at(object.disk);
    const auto address = reinterpret_cast<std::uintptr_t>(block.DataBuffer);
    // The sense buffer, when one is asked for, lies after the block within
    // the output buffer, as the platform checks before it sends anything.
    const bool senseOutside =
        block.SenseInfoLength != 0 &&
        (block.SenseInfoOffset < sizeof(block) ||
         std::uint64_t{block.SenseInfoOffset} + block.SenseInfoLength > outSize);
    if (block.Length != sizeof(ScsiPassThroughDirect) || block.CdbLength == 0 ||
        block.CdbLength > 16 || (block.DataTransferLength != 0 && block.DataBuffer == nullptr) ||
        (address & alignmentMask) != 0 || senseOutside) {
        requests.push_back(request);
        return Fail(kErrorInvalidParameter);
    }
    if (disk.passThroughError != 0) {
        requests.push_back(request);
        return Fail(disk.passThroughError);
    }

    WaitWhileHeld();
    if (const auto busy = disk.busyFor.find(block.Cdb[0]); busy != disk.busyFor.end()) {
        std::this_thread::sleep_for(busy->second);
    }
    std::vector<std::uint8_t> data;
    SimSense why = kMediumNotPresent; // a disk that is not the handheld has nothing in it
    std::uint8_t status = kScsiStatusCheckCondition;
    if (disk.handheld) {
        status = HandheldAnswer(block.Cdb, data, &why);
        if (status == kScsiStatusGood && block.Cdb[0] == 0xFA) {
            ++formatCount;
        }
    }
    std::size_t count = std::min<std::size_t>(data.size(), block.DataTransferLength);
    if (disk.transferLimit) {
        count = std::min<std::size_t>(count, *disk.transferLimit);
    }
    if (block.DataIn == kScsiIoctlDataIn && count != 0) {
        std::memcpy(block.DataBuffer, data.data(), count);
    } else {
        count = 0;
    }
    if (disk.scsiStatus) {
        status = *disk.scsiStatus;
    }
    block.ScsiStatus = status;
    block.DataTransferLength = static_cast<std::uint32_t>(count);
    // The platform reports in SenseInfoLength how much sense came back.
    std::size_t senseCount = 0;
    if (status == kScsiStatusCheckCondition && block.SenseInfoLength != 0) {
        const std::vector<std::uint8_t> sense = disk.senseBytes.value_or(FixedSense(why));
        senseCount = std::min<std::size_t>(sense.size(), block.SenseInfoLength);
        std::memcpy(static_cast<std::uint8_t*>(out) + block.SenseInfoOffset, sense.data(),
                    senseCount);
    }
    block.SenseInfoLength = static_cast<std::uint8_t>(senseCount);
    std::memcpy(out, &block, sizeof(block));
    *bytesReturned = sizeof(block);
    request.transferred = static_cast<std::uint32_t>(count);
    request.status = status;
    requests.push_back(request);
    lastError_ = 0;
    return true;
}

void SimWorld::Hold() {
    const std::lock_guard<std::mutex> lock(hold_->mutex);
    hold_->held = true;
}

void SimWorld::Release() {
    {
        const std::lock_guard<std::mutex> lock(hold_->mutex);
        hold_->held = false;
    }
    hold_->changed.notify_all();
}

bool SimWorld::WaitForHeldRequest(std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lock(hold_->mutex);
    return hold_->changed.wait_for(lock, timeout, [this] { return hold_->waiting > 0; });
}

void SimWorld::WaitWhileHeld() {
    std::unique_lock<std::mutex> lock(hold_->mutex);
    if (!hold_->held) {
        return;
    }
    ++hold_->waiting;
    hold_->changed.notify_all();
    hold_->changed.wait(lock, [this] { return !hold_->held; });
    --hold_->waiting;
}

std::uint8_t SimWorld::HandheldAnswer(const std::uint8_t* cdb, std::vector<std::uint8_t>& data,
                                      SimSense* sense) {
    data.clear();
    switch (cdb[0]) {
    case 0x12: { // INQUIRY, standard data only
        if ((cdb[1] & 0x01) != 0) {
            return CheckCondition(sense, kInvalidFieldInCdb);
        }
        data = {0x00, 0x80, 0x02, 0x02, 31, 0x00, 0x00, 0x00};
        AppendAscii(data, "JUXASIM", 8);
        AppendAscii(data, "Simulated Hndhld", 16);
        AppendAscii(data, "0.51", 4);
        const std::size_t allocation = (static_cast<std::size_t>(cdb[3]) << 8) | cdb[4];
        data.resize(std::min(data.size(), allocation));
        return kScsiStatusGood;
    }
    case 0x3C: { // READ BUFFER: the device's 64 KiB data buffer, or its descriptor
        const std::size_t allocation = (static_cast<std::size_t>(cdb[6]) << 16) |
                                       (static_cast<std::size_t>(cdb[7]) << 8) | cdb[8];
        switch (cdb[1] & 0x1F) {
        case 0x02: // data, from the offset in bytes 3 to 5
        {
            const std::size_t offset = (static_cast<std::size_t>(cdb[3]) << 16) |
                                       (static_cast<std::size_t>(cdb[4]) << 8) | cdb[5];
            if (cdb[2] != 0 || offset > kHandheldBufferSize) {
                return CheckCondition(sense, kInvalidFieldInCdb);
            }
            data.resize(std::min(allocation, kHandheldBufferSize - offset));
            // The buffer holds a counting pattern, so every byte of a long
            // answer is told apart from its neighbours in a dump.
            for (std::size_t i = 0; i < data.size(); ++i) {
                data[i] = static_cast<std::uint8_t>(offset + i);
            }
            return kScsiStatusGood;
        }
        case 0x03: // descriptor: no offset boundary, then the capacity
            data = {0x00, static_cast<std::uint8_t>(kHandheldBufferSize >> 16),
                    static_cast<std::uint8_t>(kHandheldBufferSize >> 8),
                    static_cast<std::uint8_t>(kHandheldBufferSize)};
            data.resize(std::min(data.size(), allocation));
            return kScsiStatusGood;
        default:
            return CheckCondition(sense, kInvalidFieldInCdb);
        }
    }
    case 0xFA: // format the memory card: done, nothing to return
        return cdb[2] == 0xA0 && std::memcmp(cdb + 3, "MGfmt", 5) == 0
                   ? kScsiStatusGood
                   : CheckCondition(sense, kInvalidFieldInCdb);
    case 0xFB:
        if (cdb[2] == 0xB4) {
            data = {0x01, 0x00, 0x04, 0x20, 0x00, 0x00, 0x80, 0x00};
            return kScsiStatusGood;
        }
        if (cdb[2] == 0xB5) {
            AppendUtf16(data, u"Simulated Handheld (USB mode)");
            return kScsiStatusGood;
        }
        return CheckCondition(sense, kInvalidFieldInCdb);
    case 0xFC:
        if (cdb[2] == 0x90) {
            AppendAscii(data, "SIM 5.00 (simulated firmware)", 29);
            return kScsiStatusGood;
        }
        if (cdb[2] == 0x91) {
            AppendAscii(data, "SimPlayer", 9);
            return kScsiStatusGood;
        }
        if (cdb[2] == 0x92) {
            // The nickname as a Japanese unit keeps it, in Shift-JIS: what
            // the Output Format menu is for. Reached by a manual CDB only.
            data.assign(kShiftJisNickname, kShiftJisNickname + sizeof(kShiftJisNickname));
            return kScsiStatusGood;
        }
        return CheckCondition(sense, kInvalidFieldInCdb);
    default:
        return CheckCondition(sense, kInvalidOperationCode);
    }
}

std::uint32_t SimWorld::GetLogicalDriveStringsW(std::uint32_t bufferLength, wchar_t* buffer) const {
    std::wstring all;
    for (const auto& [letter, volume] : volumes) {
        all += letter;
        all += L":\\";
        all += L'\0';
    }
    // Like the platform: the needed size without the final NUL when it does not fit.
    if (all.size() + 1 > bufferLength) {
        return static_cast<std::uint32_t>(all.size() + 1);
    }
    std::copy(all.begin(), all.end(), buffer);
    buffer[all.size()] = L'\0';
    return static_cast<std::uint32_t>(all.size());
}

unsigned SimWorld::GetDriveTypeW(const std::wstring& root) const {
    if (root.size() < 2 || root[1] != L':') {
        return kDriveNoRootDir;
    }
    const auto found = volumes.find(UpperAscii(root[0]));
    return found == volumes.end() ? kDriveNoRootDir : found->second.driveType;
}

} // namespace juxa::sim
