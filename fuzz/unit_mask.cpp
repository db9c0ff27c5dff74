// The unit-mask decoding of a volume record built from fuzz bytes, and the
// device-change handler that reads the same record: the decoded drive is ""
// or the letter of the highest set bit 0..25 and ":", the record is never
// read past its 18 bytes, and the list changes by at most the one root named.
#include "FuzzSupport.h"

#include "FakeConsole.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace {

// DEV_BROADCAST_VOLUME: size, device type, reserved, unit mask, flags.
constexpr std::size_t kVolumeRecordSize = 18;

std::uint32_t ReadU32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0] | (p[1] << 8) | (p[2] << 16)) |
           (static_cast<std::uint32_t>(p[3]) << 24);
}

std::wstring ExpectedDrive(std::uint32_t mask) {
    const std::uint32_t letters = mask & 0x03FFFFFFu;
    if (letters == 0) {
        return {};
    }
    int highest = 31;
    while ((letters >> highest) == 0) {
        --highest;
    }
    return std::wstring(1, static_cast<wchar_t>(L'A' + highest)) + L":";
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace juxa;
    // Input: event selector, answer, 4 bytes of removable letters, 4 bytes of
    // CD-ROM letters, then the record.
    std::uint8_t head[10] = {};
    std::memcpy(head, data, std::min(size, sizeof(head)));
    const std::size_t recordBytes = size > sizeof(head) ? size - sizeof(head) : 0;
    // Exactly the record's size on the heap, so a read past it is caught.
    const auto record = std::make_unique<std::uint8_t[]>(kVolumeRecordSize);
    std::memcpy(record.get(), data + sizeof(head), std::min(recordBytes, kVolumeRecordSize));

    const std::wstring drive = UnitMaskToDrive(record.get());
    FUZZ_CHECK(drive == ExpectedDrive(ReadU32(record.get() + 12)));

    test::FakeConsole console;
    const std::uint32_t removable = ReadU32(head + 2);
    const std::uint32_t cdrom = ReadU32(head + 6);
    console.drives.types.clear();
    for (unsigned bit = 0; bit < 26; ++bit) {
        const std::wstring root = std::wstring(1, static_cast<wchar_t>(L'A' + bit)) + L":\\";
        const std::wstring lower = std::wstring(1, static_cast<wchar_t>(L'a' + bit)) + L":\\";
        if ((removable >> bit) & 1u) {
            console.drives.types[root] = console.drives.types[lower] = kDriveRemovable;
        } else if ((cdrom >> bit) & 1u) {
            console.drives.types[root] = console.drives.types[lower] = kDriveCdrom;
        }
    }
    console.drives.strings = std::wstring(L"E:\\\0F:\\\0e:\\\0\0", 13);
    console.form->FormCreate();
    console.dialogs.answers = {(head[1] & 1u) != 0};
    if ((head[1] & 2u) != 0) {
        console.cbxDriveList.SetText(L"e:\\"); // typed by hand, in lower case
    }

    static constexpr std::uint32_t kEvents[] = {kDbtDeviceArrival, kDbtDeviceRemoveComplete, 0x8001,
                                                0x0007};
    const std::uint32_t event = kEvents[head[0] % 4];
    const std::vector<std::wstring> itemsBefore = console.cbxDriveList.items;
    const std::wstring textBefore = console.cbxDriveList.text;
    console.form->WMDeviceChange(event, record.get());

    const auto& items = console.cbxDriveList.items;
    const bool volume = ReadU32(record.get() + 4) == kDbtDevtypVolume;
    const std::wstring root = drive + L"\\";
    const auto type = [&](const std::wstring& r) {
        const auto found = console.drives.types.find(r);
        return found == console.drives.types.end() ? 1u : found->second;
    };
    const bool handled = volume && !drive.empty();
    if (handled && event == kDbtDeviceArrival && type(root) == kDriveRemovable) {
        std::vector<std::wstring> expected = itemsBefore;
        expected.push_back(root);
        FUZZ_CHECK(items == expected);
        FUZZ_CHECK(console.dialogs.calls.size() == 1);
        FUZZ_CHECK(console.dialogs.calls[0].text ==
                   L"USB Drive " + root + L" Detected\n\rIs this your target drive?");
        // Whatever the answer, the field shows a listed drive afterwards.
        FUZZ_CHECK(IndexOfText(console.cbxDriveList, console.cbxDriveList.text) >= 0);
    } else if (handled && event == kDbtDeviceRemoveComplete && type(root) != kDriveCdrom) {
        // Only the first copy goes, found with letter case ignored.
        std::vector<std::wstring> expected = itemsBefore;
        const auto first = std::find_if(expected.begin(), expected.end(), [&](std::wstring item) {
            for (wchar_t& c : item) {
                c = (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - 32) : c;
            }
            return item == root;
        });
        if (first != expected.end()) {
            expected.erase(first);
        }
        FUZZ_CHECK(items == expected);
        FUZZ_CHECK(console.dialogs.calls.size() == (textBefore == root ? 1u : 0u));
        FUZZ_CHECK(!console.cbxDriveList.text.empty() || items.empty());
    } else {
        FUZZ_CHECK(items == itemsBefore);
        FUZZ_CHECK(console.cbxDriveList.text == textBefore);
        FUZZ_CHECK(console.dialogs.calls.empty());
    }
    return 0;
}
