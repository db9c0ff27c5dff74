#include "SimWorld.h"
#include "uJuxa.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

using namespace juxa;
using juxa::sim::SimWorld;

namespace {

// Passes every call to a simulated world and keeps the raw request blocks,
// so tests see the bytes exactly as the platform would receive them.
class RecordingPort final : public IDevicePort {
public:
    SimWorld world;
    std::vector<std::vector<std::uint8_t>> rawRequests;
    int closes = 0;

    Handle CreateFileW(const std::wstring& path, std::uint32_t access,
                       std::uint32_t shareMode) override {
        return world.CreateFileW(path, access, shareMode);
    }
    bool DeviceIoControl(Handle handle, std::uint32_t code, void* in, std::uint32_t inSize,
                         void* out, std::uint32_t outSize, std::uint32_t* returned) override {
        if (code == kIoctlScsiPassThroughDirect) {
            const auto* bytes = static_cast<const std::uint8_t*>(in);
            rawRequests.emplace_back(bytes, bytes + inSize);
            EXPECT_EQ(in, out);
            EXPECT_EQ(inSize, outSize);
        }
        return world.DeviceIoControl(handle, code, in, inSize, out, outSize, returned);
    }
    bool CloseHandle(Handle handle) override {
        ++closes;
        return world.CloseHandle(handle);
    }
    std::uint32_t GetLastError() override { return world.GetLastError(); }
    std::wstring GetSystemWindowsDirectoryW() override {
        return world.GetSystemWindowsDirectoryW();
    }
};

std::vector<std::uint8_t> Bytes(std::initializer_list<int> values) {
    std::vector<std::uint8_t> out;
    for (int v : values) {
        out.push_back(static_cast<std::uint8_t>(v));
    }
    return out;
}

template <class Block> std::vector<std::uint8_t> BytesOf(const Block& block) {
    std::vector<std::uint8_t> out(sizeof(block));
    std::memcpy(out.data(), &block, sizeof(block));
    return out;
}

} // namespace

TEST(PresetTable, HoldsEveryByteOfTheSixCommands) {
    const std::vector<std::pair<int, std::vector<std::uint8_t>>> expected = {
        {6, Bytes({0x12, 0, 0, 0, 0xFF, 0})},
        {10, Bytes({0xFA, 0, 0xA0, 0x4D, 0x47, 0x66, 0x6D, 0x74, 0x01, 0})},
        {10, Bytes({0xFB, 0, 0xB4, 0, 0, 0, 0, 0x01, 0x01, 0})},
        {10, Bytes({0xFB, 0, 0xB5, 0, 0, 0, 0, 0, 0x01, 0})},
        {10, Bytes({0xFC, 0, 0x90, 0x4A, 0x75, 0x78, 0x61, 0, 0, 0})},
        {10, Bytes({0xFC, 0, 0x91, 0x4A, 0x75, 0x78, 0x61, 0, 0, 0})},
    };
    ASSERT_EQ(PresetCommands.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(PresetCommands[i].CdbLength, expected[i].first);
        std::vector<std::uint8_t> cdb = expected[i].second;
        cdb.resize(16, 0);
        EXPECT_EQ(
            std::vector<std::uint8_t>(PresetCommands[i].Cdb.begin(), PresetCommands[i].Cdb.end()),
            cdb);
    }
    EXPECT_STREQ(PresetCommands[1].Name, L"Sony 0xFA (format memory stick)");
}

TEST(RequestBlock, ThirtyTwoBitLayoutByteForByte) {
    ScsiPassThroughDirectWithSense32 request;
    std::memset(&request, 0xCC, sizeof(request)); // padding and sense must come out zero
    FillRequest<std::uint32_t>(request, 7, 6, PresetCommands[0].Cdb, 0x12345678u, 56);
    std::vector<std::uint8_t> expected =
        Bytes({44,   0,    0,    0,    0,    7, 6, 32, 1, 0, 0, 0, // Length .. alignment
               56,   0,    0,    0,    200,  0, 0, 0, // DataTransferLength, TimeOutValue
               0x78, 0x56, 0x34, 0x12, 48,   0, 0, 0, // DataBuffer, SenseInfoOffset
               0x12, 0,    0,    0,    0xFF, 0, 0, 0,  0, 0, 0, 0, 0, 0, 0, 0});
    expected.resize(80, 0); // the filler, then the 32 bytes of sense
    EXPECT_EQ(BytesOf(request), expected);

    // A manual 6-byte CDB still carries all 16 of its bytes.
    std::array<std::uint8_t, 16> cdb{};
    for (std::size_t i = 0; i < cdb.size(); ++i) {
        cdb[i] = static_cast<std::uint8_t>(0xA0 + i);
    }
    FillRequest<std::uint32_t>(request, 1, 6, cdb, 0, 0);
    const auto bytes = BytesOf(request);
    EXPECT_EQ(bytes[6], 6);
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin() + 28, bytes.begin() + 44),
              std::vector<std::uint8_t>(cdb.begin(), cdb.end()));
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin() + 12, bytes.begin() + 28),
              Bytes({0, 0, 0, 0, 200, 0, 0, 0, 0, 0, 0, 0, 48, 0, 0, 0}));
}

TEST(RequestBlock, SixtyFourBitLayoutSizesAndOffsets) {
    EXPECT_EQ(sizeof(ScsiPassThroughDirect64), 56u);
    EXPECT_EQ(offsetof(ScsiPassThroughDirect64, DataTransferLength), 12u);
    EXPECT_EQ(offsetof(ScsiPassThroughDirect64, TimeOutValue), 16u);
    EXPECT_EQ(offsetof(ScsiPassThroughDirect64, DataBuffer), 24u);
    EXPECT_EQ(offsetof(ScsiPassThroughDirect64, SenseInfoOffset), 32u);
    EXPECT_EQ(offsetof(ScsiPassThroughDirect64, Cdb), 36u);
    EXPECT_EQ(sizeof(ScsiPassThroughDirect), sizeof(void*) == 4 ? 44u : 56u);
    ScsiPassThroughDirectWithSense64 request;
    FillRequest<std::uint64_t>(request, 1, 10, PresetCommands[4].Cdb, 0x1122334455667788u, 128);
    EXPECT_EQ(sizeof(request), 96u);
    EXPECT_EQ(request.Block.Length, 56u);
    EXPECT_EQ(request.Block.SenseInfoLength, 32u);
    EXPECT_EQ(request.Block.SenseInfoOffset, 60u);
    EXPECT_EQ(offsetof(ScsiPassThroughDirectWithSense64, Sense), 60u);
}

TEST(RequestBlock, SentAsThisBuildLaysItOut) {
    RecordingPort port;
    alignas(16) std::uint8_t buffer[64];
    ASSERT_EQ(SendPresetCommand(port, L'E', 4, buffer, 64), 0u);
    ASSERT_EQ(port.rawRequests.size(), 1u);
    const std::vector<std::uint8_t>& raw = port.rawRequests[0];
    const std::size_t block = sizeof(void*) == 4 ? 44u : 56u;
    ASSERT_EQ(raw.size(), sizeof(void*) == 4 ? 80u : 96u) << "the block and its sense buffer";
    std::vector<std::uint8_t> expected = {static_cast<std::uint8_t>(block),
                                          0,
                                          0,
                                          0,
                                          0,
                                          1,
                                          10,
                                          32,
                                          1,
                                          0,
                                          0,
                                          0,
                                          64,
                                          0,
                                          0,
                                          0,
                                          200,
                                          0,
                                          0,
                                          0};
    const auto address = reinterpret_cast<std::uintptr_t>(buffer);
    if (sizeof(void*) == 8) {
        expected.insert(expected.end(), 4, 0); // the pointer's alignment
    }
    for (std::size_t i = 0; i < sizeof(void*); ++i) {
        expected.push_back(static_cast<std::uint8_t>(address >> (8 * i)));
    }
    // SenseInfoOffset: the sense buffer follows the block and a 4-byte filler.
    expected.push_back(static_cast<std::uint8_t>(block + 4));
    expected.insert(expected.end(), 3, 0);
    expected.insert(expected.end(), PresetCommands[4].Cdb.begin(), PresetCommands[4].Cdb.end());
    expected.resize(raw.size(), 0);
    // The platform writes status and count back into the block; compare what was sent.
    EXPECT_EQ(raw, expected);
}

TEST(DevicePaths, VolumeAndDrivePathsAreExact) {
    SimWorld world;
    world.volumes[L'E'].disks = {12};
    world.disks[12] = world.disks[1];
    std::uint8_t buffer[8];
    EXPECT_EQ(SendPresetCommand(world, L'E', 0, buffer, 8), 0u);
    EXPECT_EQ(world.openedPaths,
              (std::vector<std::wstring>{L"\\\\.\\E:", L"\\\\.\\C:", L"\\\\.\\PHYSICALDRIVE12"}));
    EXPECT_EQ(world.requests.at(0).disk, 12u);
    EXPECT_EQ(world.requests.at(0).lun, 12);
}

TEST(DevicePaths, LetterGoesIntoThePathUnchanged) {
    SimWorld world;
    const Handle lower = OpenVolume(world, L'e');
    EXPECT_NE(lower, kInvalidHandle);
    world.CloseHandle(lower);
    EXPECT_EQ(OpenVolume(world, L'1'), kInvalidHandle);
    EXPECT_EQ(world.attemptedPaths,
              (std::vector<std::wstring>{L"\\\\.\\e:", L"\\\\.\\1:", L"\\\\.\\1:"}));
}

TEST(DevicePaths, ReadWriteThenOneReadOnlyAttemptNeverAThird) {
    SimWorld world;
    EXPECT_EQ(OpenVolume(world, L'Q'), kInvalidHandle);
    EXPECT_EQ(world.attemptedAccess, (std::vector<std::uint32_t>{0xC0000000u, 0x80000000u}));
    world.attemptedAccess.clear();
    EXPECT_EQ(OpenPhysicalDrive(world, 9), kInvalidHandle);
    EXPECT_EQ(world.attemptedAccess, (std::vector<std::uint32_t>{0xC0000000u, 0x80000000u}));
    world.attemptedAccess.clear();
    EXPECT_EQ(OpenPhysicalDrive(world, 0), kInvalidHandle);
    EXPECT_TRUE(world.attemptedAccess.empty()) << "disk 0 is never even tried";
}

// Every open lets others go on reading and writing the device: a volume that
// anything holds open (the file system, a program showing the drive) opens
// only so, and the volume that holds Windows always is held so.
TEST(DevicePaths, EveryOpenSharesReadAndWrite) {
    SimWorld world;
    world.disks[1].refuseReadWrite = true;
    std::uint8_t buffer[8];
    ASSERT_EQ(SendPresetCommand(world, L'E', 0, buffer, 8), 0u);
    EXPECT_EQ(world.attemptedPaths.size(), 4u); // E:, C:, and the drive twice
    EXPECT_EQ(world.attemptedShare,
              std::vector<std::uint32_t>(world.attemptedPaths.size(), 0x00000003u));
}

TEST(DiskNumber, ResolvesTheFirstExtentAndNarrowsSafely) {
    SimWorld world;
    EXPECT_EQ(GetDiskNumber(world, L'E'), 1);
    world.volumes[L'E'].disks = {5, 1, 0};
    EXPECT_EQ(GetDiskNumber(world, L'E'), 5);
    EXPECT_EQ(GetDiskNumber(world, L'H'), 0) << "disk 300 must not read as disk 44";
    EXPECT_EQ(GetDiskNumber(world, L'G'), 0);
    EXPECT_EQ(GetDiskNumber(world, L'F'), 0);
    EXPECT_EQ(world.OpenHandleCount(), 0);
}

namespace {

struct PathCase {
    const char* name;
    void (*shape)(SimWorld&);
    wchar_t letter;
    std::int32_t length;
    std::uint32_t result;
    std::vector<std::wstring> opened; // successful opens, in order
    bool bufferTouched;
    bool sent;
    std::wstring line; // the status line of the outcome
};

std::wstring FakeSystemText(std::uint32_t error) {
    return L"text " + std::to_wstring(error) + L"\r\n";
}

void Nothing(SimWorld&) {}

} // namespace

TEST(SendPaths, ResultOpensClosesBufferAndRequest) {
    const std::wstring c = L"\\\\.\\C:", e = L"\\\\.\\E:", drive1 = L"\\\\.\\PHYSICALDRIVE1";
    const std::wstring e1 = L"E: (disk 1): ";
    const std::vector<PathCase> cases = {
        {"volume fails",
         Nothing,
         L'F',
         16,
         21,
         {},
         false,
         false,
         L"Windows could not open \\\\.\\F: (the volume): text 21"},
        {"no such volume",
         Nothing,
         L' ',
         16,
         kErrorFileNotFound,
         {},
         false,
         false,
         L"Windows could not open \\\\.\\ : (the volume): text 2"},
        {"not an administrator",
         [](SimWorld& w) { w.administrator = false; },
         L'E',
         16,
         kErrorAccessDenied,
         {},
         false,
         false,
         L"Windows could not open \\\\.\\E: (the volume): text 5. Start Juxa as administrator to "
         L"send commands."},
        {"extents query fails",
         [](SimWorld& w) { w.volumes[L'E'].queryError = 31; },
         L'E',
         16,
         31,
         {e},
         false,
         false,
         L"Windows could not tell which disk E: lies on: text 31"},
        {"no extent",
         Nothing,
         L'G',
         16,
         kErrorInvalidDrive,
         {L"\\\\.\\G:"},
         false,
         false,
         L"Not sent: Windows reports no disk for G:"},
        {"disk 0",
         Nothing,
         L'D',
         16,
         kErrorAccessDenied,
         {L"\\\\.\\D:"},
         false,
         false,
         L"Not sent: D: lies on disk 0, which Juxa never addresses"},
        {"disk 300",
         Nothing,
         L'H',
         16,
         kErrorNotSupported,
         {L"\\\\.\\H:"},
         false,
         false,
         L"Not sent: H: lies on disk 300, past the 255 a request can address"},
        {"on the Windows disk",
         [](SimWorld& w) { w.volumes[L'C'].disks = {1}; },
         L'E',
         16,
         kErrorAccessDenied,
         {e, c},
         false,
         false,
         L"Not sent: E: lies on the disk that holds Windows (disk 1)"},
        {"Windows volume unknown",
         [](SimWorld& w) { w.windowsDirectory.clear(); },
         L'E',
         16,
         kErrorAccessDenied,
         {e},
         false,
         false,
         L"Not sent: Juxa could not find the disk that holds Windows, so it cannot tell whether "
         L"E: lies on it"},
        {"both drive opens fail",
         [](SimWorld& w) { w.disks[1].openError = 32; },
         L'E',
         16,
         32,
         {e, c},
         false,
         false,
         L"Windows could not open \\\\.\\PHYSICALDRIVE1: text 32"},
        {"read-only fallback",
         [](SimWorld& w) { w.disks[1].refuseReadWrite = true; },
         L'E',
         16,
         0,
         {e, c, drive1},
         true,
         true,
         e1 + L"GOOD, 16 of 16 bytes returned"},
        {"pass-through fails",
         [](SimWorld& w) { w.disks[1].passThroughError = 1167; },
         L'E',
         16,
         1167,
         {e, c, drive1},
         true,
         true,
         e1 + L"Windows could not complete the request: text 1167"},
        {"no answer in time",
         [](SimWorld& w) { w.disks[1].passThroughError = 121; },
         L'E',
         16,
         121,
         {e, c, drive1},
         true,
         true,
         e1 + L"no answer within 200 seconds"},
        {"check condition",
         [](SimWorld& w) { w.disks[1].scsiStatus = 0x02; },
         L'E',
         16,
         kErrorIoDevice,
         {e, c, drive1},
         true,
         true,
         e1 + L"CHECK CONDITION, NOT READY: MEDIUM NOT PRESENT (sense 2/3A/00)"},
        {"descriptor-format sense",
         [](SimWorld& w) {
             w.disks[1].scsiStatus = 0x02;
             w.disks[1].senseBytes = {{0x72, 0x05, 0x24, 0x00, 0, 0, 0, 0}};
         },
         L'E',
         16,
         kErrorIoDevice,
         {e, c, drive1},
         true,
         true,
         e1 + L"CHECK CONDITION, ILLEGAL REQUEST: INVALID FIELD IN CDB (sense 5/24/00)"},
        {"sense cut short",
         [](SimWorld& w) {
             w.disks[1].scsiStatus = 0x02;
             w.disks[1].senseBytes = {{0x70, 0x00, 0x06, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x29}};
         },
         L'E',
         16,
         kErrorIoDevice,
         {e, c, drive1},
         true,
         true,
         e1 + L"CHECK CONDITION, UNIT ATTENTION (sense 6)"},
        {"sense longer than asked for",
         [](SimWorld& w) {
             w.disks[1].scsiStatus = 0x02;
             w.disks[1].senseBytes = std::vector<std::uint8_t>(64, 0x70);
         },
         L'E',
         16,
         kErrorIoDevice,
         {e, c, drive1},
         true,
         true,
         e1 + L"CHECK CONDITION, NO SENSE: ASC 70h ASCQ 70h (sense 0/70/70)"},
        {"short transfer",
         [](SimWorld& w) { w.disks[1].transferLimit = 3; },
         L'E',
         16,
         0,
         {e, c, drive1},
         true,
         true,
         e1 + L"GOOD, 3 of 16 bytes returned"},
        {"length 0",
         Nothing,
         L'E',
         0,
         0,
         {e, c, drive1},
         false,
         true,
         e1 + L"GOOD, 0 of 0 bytes returned"},
    };
    for (const PathCase& test : cases) {
        SCOPED_TRACE(test.name);
        RecordingPort port;
        test.shape(port.world);
        alignas(8) std::uint8_t buffer[16];
        std::memset(buffer, 0xEE, sizeof(buffer));
        void* target = test.length == 0 ? nullptr : buffer;
        const SendOutcome outcome = SendPreset(port, test.letter, 0, target, test.length);
        EXPECT_EQ(ResultCode(outcome), test.result);
        EXPECT_EQ(OutcomeLine(outcome, FakeSystemText), test.line);
        EXPECT_EQ(port.world.openedPaths, test.opened);
        EXPECT_EQ(port.world.OpenHandleCount(), 0);
        EXPECT_EQ(port.closes, static_cast<int>(test.opened.size()));
        EXPECT_EQ(buffer[15] != 0xEE, test.bufferTouched);
        EXPECT_EQ(port.world.requests.size(), test.sent ? 1u : 0u);
    }
}

TEST(SendPaths, ShortTransferLeavesTheRestZero) {
    SimWorld world;
    world.disks[1].transferLimit = 3;
    std::uint8_t buffer[8];
    std::memset(buffer, 0xEE, sizeof(buffer));
    ASSERT_EQ(SendPresetCommand(world, L'E', 2, buffer, 8), 0u);
    EXPECT_EQ(std::vector<std::uint8_t>(buffer, buffer + 8), Bytes({1, 0, 4, 0, 0, 0, 0, 0}));
}

TEST(SendPaths, ReadOnlyHandleCarriesTheRequest) {
    SimWorld world;
    world.disks[1].refuseReadWrite = true;
    std::uint8_t buffer[36];
    ASSERT_EQ(SendPresetCommand(world, L'E', 0, buffer, 36), 0u);
    EXPECT_EQ(world.requests.at(0).access, kGenericRead);
    EXPECT_EQ(std::memcmp(buffer + 8, "JUXASIM ", 8), 0);
}

TEST(SendPaths, LengthZeroGoesOutWithANullBuffer) {
    SimWorld world;
    ASSERT_EQ(SendPresetCommand(world, L'E', 1, nullptr, 0), 0u);
    const sim::SimRequest& request = world.requests.at(0);
    EXPECT_TRUE(request.dataBufferNull);
    EXPECT_EQ(request.dataTransferLength, 0u);
    EXPECT_EQ(request.dataIn, 1);
    EXPECT_EQ(request.timeOutValue, 200u);
    EXPECT_EQ(request.senseInfoLength, 32);
    EXPECT_EQ(request.senseInfoOffset, sizeof(void*) == 4 ? 48u : 60u);
    EXPECT_EQ(request.cdbLength, 10);
    EXPECT_EQ(world.formatCount, 1);
}

TEST(SendPaths, ManualCommandSendsAllBytesAndLeavesTheCallersAlone) {
    SimWorld world;
    std::array<std::uint8_t, 16> cdb{};
    for (std::size_t i = 0; i < cdb.size(); ++i) {
        cdb[i] = static_cast<std::uint8_t>(i * 7);
    }
    cdb[0] = 0x12;
    cdb[4] = 0x24;
    const auto before = cdb;
    std::uint8_t buffer[36];
    EXPECT_EQ(SendManualCommand(world, L'E', 0x106, cdb, buffer, 36), kErrorIoDevice)
        << "the simulated handheld rejects INQUIRY with EVPD set";
    EXPECT_EQ(cdb, before);
    const sim::SimRequest& request = world.requests.at(0);
    EXPECT_EQ(request.cdbLength, 6) << "only the low 8 bits of the length are sent";
    EXPECT_EQ(std::vector<std::uint8_t>(request.cdb, request.cdb + 16),
              std::vector<std::uint8_t>(before.begin(), before.end()));
}

TEST(SendPaths, OutOfRangeArgumentsOpenNothing) {
    SimWorld world;
    std::uint8_t buffer[4] = {0xEE, 0xEE, 0xEE, 0xEE};
    EXPECT_EQ(SendPresetCommand(world, L'E', 6, buffer, 4), kErrorInvalidParameter);
    EXPECT_EQ(SendPresetCommand(world, L'E', 255, buffer, 4), kErrorInvalidParameter);
    EXPECT_EQ(SendPresetCommand(world, L'E', 0, buffer, -1), kErrorInvalidParameter);
    EXPECT_EQ(SendManualCommand(world, L'E', 6, {}, buffer, -4), kErrorInvalidParameter);
    EXPECT_TRUE(world.attemptedPaths.empty());
    EXPECT_EQ(buffer[0], 0xEE);
}

TEST(SystemDiskGuard, RefusesTheDiskThatHoldsWindows) {
    for (std::uint32_t systemDisk : {1u, 3u}) {
        SCOPED_TRACE(systemDisk);
        SimWorld world;
        world.volumes[L'C'].disks = {systemDisk};
        world.volumes[L'E'].disks = {systemDisk};
        world.disks[systemDisk] = world.disks[1];
        std::uint8_t buffer[4] = {0xEE, 0xEE, 0xEE, 0xEE};
        EXPECT_EQ(SendPresetCommand(world, L'E', 0, buffer, 4), kErrorAccessDenied);
        EXPECT_EQ(world.openedPaths, (std::vector<std::wstring>{L"\\\\.\\E:", L"\\\\.\\C:"}));
        EXPECT_TRUE(world.requests.empty());
        EXPECT_EQ(buffer[0], 0xEE);
        EXPECT_EQ(world.OpenHandleCount(), 0);
    }
}

TEST(SystemDiskGuard, OtherDisksPassAndAnUnresolvableSystemVolumeStopsEverySend) {
    SimWorld world;
    world.volumes[L'C'].disks = {3};
    std::uint8_t buffer[8];
    EXPECT_EQ(SendPresetCommand(world, L'E', 0, buffer, 8), 0u)
        << "system on disk 3, target on disk 1";
    // The system volume is opened to be looked at, not read: no data access,
    // so it opens without administrator rights and beside the running system.
    EXPECT_EQ(world.attemptedPaths.at(1), L"\\\\.\\C:");
    EXPECT_EQ(world.attemptedAccess.at(1), 0u);

    for (auto shape : {+[](SimWorld& w) { w.volumes[L'C'].disks.clear(); },
                       +[](SimWorld& w) { w.volumes[L'C'].openError = kErrorAccessDenied; },
                       +[](SimWorld& w) { w.volumes[L'C'].queryError = 1; },
                       +[](SimWorld& w) { w.volumes[L'C'].disks.assign(11, 3); },
                       +[](SimWorld& w) { w.windowsDirectory.clear(); },
                       +[](SimWorld& w) { w.windowsDirectory = L"Q:\\windows"; },
                       +[](SimWorld& w) { w.windowsDirectory = L"\\\\?\\C:\\windows"; }}) {
        SimWorld other;
        shape(other);
        std::memset(buffer, 0xEE, sizeof(buffer));
        EXPECT_NE(SendPresetCommand(other, L'E', 0, buffer, 8), 0u);
        EXPECT_NE(SendManualCommand(other, L'E', 6, PresetCommands[0].Cdb, buffer, 8), 0u);
        EXPECT_EQ(std::count_if(other.attemptedPaths.begin(), other.attemptedPaths.end(),
                                [](const std::wstring& p) {
                                    return p.find(L"PHYSICALDRIVE") != std::wstring::npos;
                                }),
                  0)
            << "no physical drive is even tried";
        EXPECT_EQ(buffer[0], 0xEE);
        EXPECT_EQ(other.OpenHandleCount(), 0);
    }
}
