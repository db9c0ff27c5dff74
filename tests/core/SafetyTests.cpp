// Whatever the drive text and whatever the world behind the port, a send
// opens no physical drive but the first-extent disk of the volume it names,
// and never disk 0 or the disk that holds Windows. The expected target is
// worked out here from the world's own description, not from the device
// layer, and every open attempt is checked, not only the successful ones.
#include "FakeConsole.h"
#include "SimWorld.h"
#include "uJuxa.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <random>
#include <string>
#include <vector>

using namespace juxa;
using juxa::sim::SimDisk;
using juxa::sim::SimVolume;
using juxa::sim::SimWorld;

namespace {

const std::wstring kDrivePrefix = L"\\\\.\\PHYSICALDRIVE";
constexpr std::uint8_t kSentinel = 0xA5;
// The extents block holds the first eight bytes and ten 24-byte extents.
constexpr std::size_t kMaxExtentsInBlock = 10;

std::wstring DrivePath(std::uint32_t disk) {
    return kDrivePrefix + std::to_wstring(disk);
}

std::wstring VolumePath(wchar_t letter) {
    return std::wstring(L"\\\\.\\") + letter + L':';
}

bool IsDrivePath(const std::wstring& path) {
    return path.rfind(kDrivePrefix, 0) == 0;
}

// The volume a letter names in the simulated world (it folds ASCII case, as
// the platform does), or none.
const SimVolume* VolumeOf(const SimWorld& world, wchar_t letter) {
    const wchar_t key =
        (letter >= L'a' && letter <= L'z') ? static_cast<wchar_t>(letter - 32) : letter;
    const auto found = world.volumes.find(key);
    return found == world.volumes.end() ? nullptr : &found->second;
}

// The first extent's disk of the letter's volume, when the world lets the
// volume be opened and its extents be read.
std::optional<std::uint32_t> FirstExtentDisk(const SimWorld& world, wchar_t letter) {
    const SimVolume* volume = VolumeOf(world, letter);
    if (volume == nullptr || volume->openError != 0 || volume->queryError != 0 ||
        volume->disks.empty() || volume->disks.size() > kMaxExtentsInBlock) {
        return std::nullopt;
    }
    return volume->disks.front();
}

// Every disk of the volume that holds Windows, when it can be told at all.
std::optional<std::vector<std::uint32_t>> SystemDisks(const SimWorld& world) {
    const std::wstring& dir = world.windowsDirectory;
    if (dir.size() < 2 || dir[1] != L':') {
        return std::nullopt;
    }
    const SimVolume* volume = VolumeOf(world, dir.front());
    if (!FirstExtentDisk(world, dir.front())) {
        return std::nullopt;
    }
    return volume->disks;
}

// The one disk a send to this letter may address, or none at all: none
// while the disks of the Windows volume cannot be told.
std::optional<std::uint32_t> AllowedTarget(const SimWorld& world, wchar_t letter) {
    const std::optional<std::uint32_t> disk = FirstExtentDisk(world, letter);
    const auto system = SystemDisks(world);
    if (!world.administrator || !disk || *disk == 0 || *disk > 0xFF || !system ||
        std::find(system->begin(), system->end(), *disk) != system->end()) {
        return std::nullopt;
    }
    return disk;
}

void ForgetObservations(SimWorld& world) {
    world.attemptedPaths.clear();
    world.attemptedAccess.clear();
    world.attemptedShare.clear();
    world.openedPaths.clear();
    world.requests.clear();
}

// Everything one send may have done, checked against the world it ran in.
void ExpectSafe(const SimWorld& world, wchar_t letter, std::uint32_t result,
                const std::vector<std::uint8_t>& buffer) {
    const std::optional<std::uint32_t> target = AllowedTarget(world, letter);
    const auto system = SystemDisks(world);
    int driveAttempts = 0;
    for (const std::uint32_t share : world.attemptedShare) {
        EXPECT_EQ(share, kFileShareRead | kFileShareWrite);
    }
    for (const std::wstring& path : world.attemptedPaths) {
        EXPECT_NE(path, DrivePath(0));
        for (const std::uint32_t disk : system.value_or(std::vector<std::uint32_t>{})) {
            EXPECT_NE(path, DrivePath(disk)) << "a disk that holds Windows";
        }
        if (IsDrivePath(path)) {
            ++driveAttempts;
            ASSERT_TRUE(target.has_value()) << "opened " << std::string(path.begin(), path.end())
                                            << " for a volume that may not be addressed";
            EXPECT_EQ(path, DrivePath(*target));
        } else {
            const bool ownVolume = path == VolumePath(letter);
            const bool systemVolume = !world.windowsDirectory.empty() &&
                                      path == VolumePath(world.windowsDirectory.front());
            EXPECT_TRUE(ownVolume || systemVolume);
        }
    }
    EXPECT_LE(driveAttempts, 2); // read-write, then one read-only attempt
    ASSERT_LE(world.requests.size(), 1u);
    if (!world.requests.empty()) {
        ASSERT_TRUE(target.has_value());
        EXPECT_EQ(world.requests[0].disk, *target);
        EXPECT_EQ(world.requests[0].lun, *target);
    } else {
        EXPECT_NE(result, 0u) << "nothing was sent, yet the send reports success";
    }
    const bool driveOpened = std::any_of(world.openedPaths.begin(), world.openedPaths.end(),
                                         [](const std::wstring& p) { return IsDrivePath(p); });
    if (!driveOpened) {
        EXPECT_TRUE(std::all_of(buffer.begin(), buffer.end(), [](std::uint8_t b) {
            return b == kSentinel;
        })) << "the buffer was touched although no drive was opened";
    }
    EXPECT_EQ(world.OpenHandleCount(), 0);
}

// Sends once with a preset and once with a manual CDB, checking each.
void SendBothWays(SimWorld& world, wchar_t letter, std::uint8_t preset, std::int32_t length) {
    SCOPED_TRACE(testing::Message()
                 << "letter U+" << std::hex << static_cast<unsigned>(letter) << " preset "
                 << std::dec << int{preset} << " length " << length);
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(std::max(length, 0)), kSentinel);
    void* data = buffer.empty() ? nullptr : buffer.data();
    ForgetObservations(world);
    ExpectSafe(world, letter, SendPresetCommand(world, letter, preset, data, length), buffer);

    std::fill(buffer.begin(), buffer.end(), kSentinel);
    ForgetObservations(world);
    const std::array<std::uint8_t, 16> cdb = {0x12, 0, 0, 0, 0x24};
    ExpectSafe(world, letter, SendManualCommand(world, letter, 6, cdb, data, length), buffer);
}

// Letters a user can put first in the drive field: upper and lower case,
// digits, blanks, punctuation of paths and characters beyond ASCII.
std::vector<wchar_t> EveryLetter() {
    std::vector<wchar_t> letters;
    for (wchar_t c = L'A'; c <= L'Z'; ++c) {
        letters.push_back(c);
        letters.push_back(static_cast<wchar_t>(c + 32));
    }
    for (wchar_t c = L'0'; c <= L'9'; ++c) {
        letters.push_back(c);
    }
    for (const wchar_t c : {L' ', L'\t', L'.', L'\\', L':', L'?', L'*', L'$'}) {
        letters.push_back(c);
    }
    for (const int c : {0x00C9, 0x00E9, 0x0130, 0x212A, 0x4E2D, 0xD83D, 0xFF25, 0xFFFF}) {
        letters.push_back(static_cast<wchar_t>(c));
    }
    return letters;
}

// Disks worth aiming at: 0, the handheld's 1, others below 256, and numbers
// whose low 8 bits name one of those (256 and 512 read as 0, 257 as 1, 300
// as 44).
const std::vector<std::uint32_t> kDiskNumbers = {0,   1,   2,   3,   44,  255,        256,
                                                 257, 300, 512, 513, 768, 0xFFFFFF01, 0xFFFFFFFF};

SimWorld EmptyWorld() {
    SimWorld world;
    world.volumes.clear();
    world.disks.clear();
    for (const std::uint32_t disk : kDiskNumbers) {
        world.disks[disk] = SimDisk{};
        world.disks[disk].handheld = true; // a request that got through would succeed
    }
    return world;
}

} // namespace

TEST(SystemDiskProof, FixedWorldsOverEveryLetter) {
    struct Case {
        const char* name;
        std::vector<std::uint32_t> targetDisks; // E:'s extents
        std::vector<std::uint32_t> systemDisks; // C:'s extents
        std::uint32_t targetOpenError = 0;
        std::uint32_t targetQueryError = 0;
        std::wstring windowsDirectory = L"C:\\windows";
    };
    const std::vector<Case> cases = {
        {"target on disk 1, system on 0", {1}, {0}},
        {"target on disk 0", {0}, {0}},
        {"target on disk 256", {256}, {0}},
        {"target on disk 512", {512}, {0}},
        {"target on disk 300, disk 44 exists", {300}, {0}},
        {"target on disk 257, disk 1 exists", {257}, {0}},
        {"target on the system disk 1", {1}, {1}},
        {"target on the system disk 3", {3}, {3}},
        {"system on 300, target on 44", {44}, {300}},
        {"system on 44, target on 300", {300}, {44}},
        {"no extents", {}, {0}},
        {"target volume cannot be opened", {1}, {0}, 21},
        {"extents query fails", {1}, {0}, 0, 1},
        {"spans disks 1 and 0", {1, 0}, {0}},
        {"spans disks 0 and 1", {0, 1}, {0}},
        {"spans disks 2 and 1, system on 1", {2, 1}, {1}},
        {"eleven extents do not fit the reply", std::vector<std::uint32_t>(11, 2), {0}},
        {"system volume has no extents", {2}, {}},
        {"no Windows directory", {0}, {1}, 0, 0, L""},
        {"Windows directory on a letter with no volume", {1}, {1}, 0, 0, L"Q:\\windows"},
        {"Windows directory on the target itself", {2}, {0}, 0, 0, L"e:\\windows"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SimWorld world = EmptyWorld();
        world.volumes[L'E'] =
            SimVolume{kDriveRemovable, c.targetOpenError, c.targetDisks, c.targetQueryError};
        world.volumes[L'C'] = SimVolume{kDriveFixed, 0, c.systemDisks, 0};
        world.windowsDirectory = c.windowsDirectory;
        for (const wchar_t letter : EveryLetter()) {
            SendBothWays(world, letter, 0, 56);
            SendBothWays(world, letter, 1, 0);
        }
    }
}

TEST(SystemDiskProof, TheHandheldIsReachedWhereItMayBe) {
    // The proofs above would also hold for a layer that never sends; this
    // shows the same checks pass with real traffic.
    SimWorld world = EmptyWorld();
    world.volumes[L'E'] = SimVolume{kDriveRemovable, 0, {1}, 0};
    world.volumes[L'C'] = SimVolume{kDriveFixed, 0, {0}, 0};
    for (const wchar_t letter : {L'E', L'e'}) {
        std::vector<std::uint8_t> buffer(36, kSentinel);
        ForgetObservations(world);
        EXPECT_EQ(SendPresetCommand(world, letter, 0, buffer.data(), 36), 0u);
        ExpectSafe(world, letter, 0, buffer);
        ASSERT_EQ(world.requests.size(), 1u);
        EXPECT_EQ(world.openedPaths.back(), DrivePath(1));
    }
}

TEST(SystemDiskProof, RandomWorldsOverEveryLetter) {
    std::mt19937 rng(20261208u);
    const auto chance = [&rng](int percent) {
        return std::uniform_int_distribution<int>(0, 99)(rng) < percent;
    };
    const auto pick = [&rng](const auto& values) {
        return values[std::uniform_int_distribution<std::size_t>(0, values.size() - 1)(rng)];
    };
    const std::vector<wchar_t> letters = EveryLetter();
    const std::vector<std::uint32_t> errors = {1, 2, 5, 21, 87, 1117};
    for (int round = 0; round < 50; ++round) {
        SCOPED_TRACE(testing::Message() << "world " << round);
        SimWorld world = EmptyWorld();
        const int volumeCount = std::uniform_int_distribution<int>(1, 10)(rng);
        for (int v = 0; v < volumeCount; ++v) {
            SimVolume volume;
            volume.driveType = chance(50) ? kDriveRemovable : kDriveFixed;
            volume.openError = chance(10) ? pick(errors) : 0;
            volume.queryError = chance(10) ? pick(errors) : 0;
            volume.heldShare = chance(50) ? kFileShareRead | kFileShareWrite : kFileShareRead;
            const int extents = chance(3) ? 11 : std::uniform_int_distribution<int>(0, 3)(rng);
            for (int e = 0; e < extents; ++e) {
                volume.disks.push_back(pick(kDiskNumbers));
            }
            world.volumes[pick(letters)] = volume;
        }
        for (auto& [number, disk] : world.disks) {
            disk.handheld = chance(70);
            disk.refuseReadWrite = chance(20);
            disk.heldShare = chance(50) ? kFileShareRead | kFileShareWrite : 0;
            disk.openError = chance(10) ? pick(errors) : 0;
            disk.passThroughError = chance(10) ? pick(errors) : 0;
            if (chance(10)) {
                disk.scsiStatus = kScsiStatusCheckCondition;
            }
        }
        // The system volume moves around: mostly onto one of the world's
        // volumes, sometimes onto a letter with no volume, or it is unknown.
        std::vector<wchar_t> volumeLetters;
        for (const auto& entry : world.volumes) {
            volumeLetters.push_back(entry.first);
        }
        const wchar_t systemLetter = chance(80) ? pick(volumeLetters) : pick(letters);
        world.windowsDirectory = chance(10) ? L"" : std::wstring(1, systemLetter) + L":\\windows";
        world.administrator = chance(90);
        const std::vector<std::int32_t> lengths = {0, 1, 36, 56, 4096, 65536, -1};
        for (const wchar_t letter : letters) {
            const auto preset = static_cast<std::uint8_t>(chance(90) ? rng() % 6 : rng());
            SendBothWays(world, letter, preset, pick(lengths));
        }
    }
}

TEST(SystemDiskProof, RefusesEveryDiskOfASpannedSystemVolume) {
    // A mirrored or spanned Windows volume lies on several disks; each of them
    // holds the running system, not only the disk of its first extent. D: is
    // another partition on the mirror's second disk.
    SimWorld world = EmptyWorld();
    world.volumes[L'C'] = SimVolume{kDriveFixed, 0, {2, 3}, 0};
    world.volumes[L'D'] = SimVolume{kDriveFixed, 0, {3}, 0};
    std::vector<std::uint8_t> buffer(56, kSentinel);
    const std::uint32_t result = SendPresetCommand(world, L'D', 0, buffer.data(), 56);
    EXPECT_NE(result, 0u);
    EXPECT_TRUE(world.requests.empty());
    EXPECT_EQ(std::count(world.attemptedPaths.begin(), world.attemptedPaths.end(), DrivePath(3)),
              0);
}

TEST(SystemDiskProof, ThroughTheConsoleWithAnyDriveText) {
    std::mt19937 rng(7u);
    const std::vector<wchar_t> letters = EveryLetter();
    std::vector<std::wstring> texts = {L"",     L" ",
                                       L"E",    L"e:\\",
                                       L"C:\\", L"D:\\",
                                       L"H:\\", L"\\\\.\\PHYSICALDRIVE0",
                                       L"0",    L"PHYSICALDRIVE1"};
    for (const wchar_t letter : letters) {
        texts.push_back(std::wstring(1, letter) + L":\\");
    }
    for (const std::wstring& text : texts) {
        for (int mode = 0; mode < 3; ++mode) {
            SCOPED_TRACE(testing::Message()
                         << "text of " << text.size() << " characters, U+" << std::hex
                         << (text.empty() ? 0u : unsigned(text[0])) << " mode " << mode);
            test::FakeConsole console;
            sim::SimWorld& world = console.world;
            // The system volume on the handheld's own disk in one run of three.
            if (rng() % 3 == 0) {
                world.volumes[L'C'].disks = {1};
            }
            console.cbxDriveList.SetText(text);
            if (mode == 1) {
                console.PickPreset(1); // format: confirmed by the default answer
            } else if (mode == 2) {
                console.ClickManual();
            }
            const int liveBefore = DataInBuffer::LiveCount();
            console.Send();
            EXPECT_EQ(DataInBuffer::LiveCount(), liveBefore);
            if (text.empty()) {
                EXPECT_TRUE(world.attemptedPaths.empty());
                continue;
            }
            const std::vector<std::uint8_t> untouched;
            const std::uint32_t shownResult =
                console.edtSTRING.text == L"SCSI Command Failed" ? 1u : 0u;
            ExpectSafe(world, text.front(), shownResult, untouched);
            for (const test::DialogCall& call : console.dialogs.calls) {
                EXPECT_NE(call.kind, L"error");
            }
            if (world.requests.empty()) {
                EXPECT_EQ(console.edtSTRING.text, L"SCSI Command Failed");
                EXPECT_EQ(world.formatCount, 0);
            }
        }
    }
}
