// The drive list: the start-up walk over the logical drive strings, the unit
// mask of a volume record, and the list following drives that come and go.
#include "FakeConsole.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <string_view>
#include <vector>

using namespace juxa;
using namespace juxa::test;

namespace {

using Roots = std::vector<std::wstring>;

constexpr unsigned kFixed = 3;
constexpr unsigned kGone = 1; // what a drive that has gone away answers

std::wstring Question(const std::wstring& root) {
    return L"USB Drive " + root + L" Detected\n\rIs this your target drive?";
}

std::wstring Removed(const std::wstring& root) {
    return L"The selected drive (" + root + L") has been removed";
}

std::uint32_t Bit(wchar_t letter) {
    return 1u << static_cast<unsigned>(letter - L'A');
}

// Roots by their letters: Of(L"EF") is E:\ and F:\.
Roots Of(std::wstring_view letters) {
    Roots roots;
    for (const wchar_t letter : letters) {
        roots.push_back(std::wstring{letter, L':', L'\\'});
    }
    return roots;
}

// A console whose drive field holds the given items and text (an item or
// whatever the user typed), with every listed root answering removable.
struct DriveConsole : FakeConsole {
    DriveConsole(const Roots& items, const std::wstring& text) {
        Create();
        cbxDriveList.ReplaceItems(items);
        const int at = IndexOfText(cbxDriveList, text);
        if (at >= 0 && cbxDriveList.items[static_cast<std::size_t>(at)] == text) {
            cbxDriveList.SetItemIndex(at);
        } else {
            cbxDriveList.SetText(text);
        }
        for (const auto& root : items) {
            drives.types[root] = kDriveRemovable;
        }
        drives.asked.clear();
        dialogs.calls.clear();
    }
};

// Boxes as "kind: text", in the order they were opened.
using Boxes = std::vector<std::wstring>;

// Expected boxes by code: "?F" the arrival question for F:\, "!E" the
// removal message for E:\.
Boxes Expected(std::wstring_view codes) {
    Boxes boxes;
    for (std::size_t i = 0; i + 1 < codes.size(); i += 2) {
        const std::wstring root{codes[i + 1], L':', L'\\'};
        boxes.push_back(codes[i] == L'?' ? L"warning: " + Question(root)
                                         : L"message: " + Removed(root));
    }
    return boxes;
}

Boxes Shown(const FakeDialogs& dialogs) {
    Boxes boxes;
    for (const DialogCall& call : dialogs.calls) {
        boxes.push_back(call.kind + L": " + call.text);
    }
    return boxes;
}

} // namespace

TEST(DriveList, StartUpWalk) {
    using namespace std::string_literals;
    // 63 four-character roots and a last one that fills the 255th character
    // with no NUL after it.
    std::wstring full;
    for (int k = 0; k < 63; ++k) {
        const std::wstring root{static_cast<wchar_t>(L'C' + k % 20), L':', L'\\'};
        full += root + L'\0';
    }
    full += L"Z:\\";
    ASSERT_EQ(full.size(), 255u);
    struct Row {
        const char* name;
        std::wstring strings;
        std::vector<std::pair<std::wstring, unsigned>> types;
        Roots listed;
        Roots asked;
    };
    const unsigned rem = kDriveRemovable;
    // clang-format off
    const Row rows[] = {
        {"empty buffer", L""s, {}, {}, {}},
        {"A and B never asked", L"A:\\\0B:\\\0C:\\\0E:\\\0\0"s,
         {{L"A:\\", rem}, {L"B:\\", rem}, {L"E:\\", rem}}, Of(L"E"), Of(L"CE")},
        {"order of the buffer kept", L"G:\\\0C:\\\0E:\\\0F:\\\0\0"s,
         {{L"G:\\", rem}, {L"E:\\", rem}, {L"F:\\", rem}, {L"C:\\", kFixed}}, Of(L"GEF"), Of(L"GCEF")},
        {"lower-case roots are not A:\\ or B:\\", L"a:\\\0b:\\\0e:\\\0\0"s,
         {{L"a:\\", rem}, {L"b:\\", kFixed}, {L"e:\\", rem}}, Of(L"ae"), Of(L"abe")},
        {"CD-ROM and fixed left out", L"C:\\\0D:\\\0E:\\\0\0"s,
         {{L"C:\\", kFixed}, {L"D:\\", kDriveCdrom}, {L"E:\\", rem}}, Of(L"E"), Of(L"CDE")},
        {"nothing after the double NUL", L"E:\\\0\0F:\\\0\0"s,
         {{L"E:\\", rem}, {L"F:\\", rem}}, Of(L"E"), Of(L"E")},
        {"full buffer without a final NUL", full,
         {{L"Z:\\", rem}, {L"E:\\", rem}}, Of(L"EEEEZ"), {}},
        {"one string of 255 characters", std::wstring(255, L'x'),
         {}, {}, {std::wstring(255, L'x')}},
    };
    // clang-format on
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        FakeDrives drives;
        drives.strings = row.strings;
        for (const auto& [root, type] : row.types) {
            drives.types[root] = type;
        }
        EXPECT_EQ(GetRemovableDrives(drives), row.listed);
        if (row.strings != full) {
            EXPECT_EQ(drives.asked, row.asked);
        } else {
            ASSERT_EQ(drives.asked.size(), 64u);
            EXPECT_EQ(drives.asked.back(), L"Z:\\");
        }
    }
}

TEST(DriveList, FormCreateSelectsTheFirstRemovableDrive) {
    struct Row {
        std::wstring strings;
        Roots items;
        std::wstring text;
    };
    const Row rows[] = {
        {std::wstring(L"C:\\\0F:\\\0E:\\\0\0", 13), {L"F:\\", L"E:\\"}, L"F:\\"},
        {std::wstring(L"C:\\\0\0", 5), {}, L""},
        {std::wstring(), {}, L""},
    };
    for (const Row& row : rows) {
        FakeConsole f;
        f.drives.strings = row.strings;
        f.drives.types[L"F:\\"] = kDriveRemovable;
        f.cbxDriveList.SetText(L"stale");
        f.Create();
        EXPECT_EQ(f.cbxDriveList.items, row.items);
        EXPECT_EQ(f.cbxDriveList.text, row.text);
        EXPECT_EQ(f.cbxDriveList.index, row.items.empty() ? -1 : 0);
        EXPECT_TRUE(f.dialogs.calls.empty());
    }
}

TEST(DriveList, UnitMaskToDrive) {
    const std::pair<std::uint32_t, const wchar_t*> rows[] = {
        {0u, L""},
        {Bit(L'A'), L"A:"},
        {Bit(L'B') | Bit(L'A'), L"B:"},
        {Bit(L'E'), L"E:"},
        {Bit(L'E') | Bit(L'F'), L"F:"},
        {Bit(L'C') | Bit(L'X'), L"X:"},
        {Bit(L'Z'), L"Z:"},
        {1u << 26, L""},
        {0xFC000000u, L""},
        {0xFC000000u | Bit(L'D'), L"D:"},
        {0xFFFFFFFFu, L"Z:"},
    };
    for (const auto& [mask, drive] : rows) {
        SCOPED_TRACE(mask);
        std::array<std::uint8_t, 20> record{};
        std::memcpy(record.data() + kUnitMaskOffset, &mask, sizeof(mask));
        EXPECT_EQ(UnitMaskToDrive(record.data()), drive);
    }
    EXPECT_EQ(UnitMaskToDrive(nullptr), L"");
}

// Only arrivals and completed removals of volumes reach the list; every other
// event, device type, a null record and a mask that names no drive change
// nothing and ask nothing.
TEST(DriveList, DeviceChangeEvents) {
    struct Row {
        const char* name;
        std::uintptr_t event;
        std::uint32_t type;
        std::uint32_t mask;
        const wchar_t* items; // letters of the list afterwards
        const wchar_t* text;
        const wchar_t* boxes;
    };
    // clang-format off
    const Row rows[] = {
        {"arrival of a volume",              0x8000,  2, Bit(L'F'),             L"EF", L"F:\\", L"?F"},
        {"arrival naming two letters",       0x8000,  2, Bit(L'F') | Bit(L'G'), L"EG", L"G:\\", L"?G"},
        {"arrival as A:",                    0x8000,  2, Bit(L'A'),             L"EA", L"A:\\", L"?A"},
        {"removal of the selected volume",   0x8004,  2, Bit(L'E'),             L"",   L"",     L"!E"},
        {"arrival of a port",                0x8000,  3, Bit(L'F'),             L"E",  L"E:\\", L""},
        {"arrival of an interface",          0x8000,  5, Bit(L'F'),             L"E",  L"E:\\", L""},
        {"removal of a port",                0x8004,  3, Bit(L'E'),             L"E",  L"E:\\", L""},
        {"query remove",                     0x8001,  2, Bit(L'E'),             L"E",  L"E:\\", L""},
        {"remove pending",                   0x8003,  2, Bit(L'E'),             L"E",  L"E:\\", L""},
        {"devnodes changed",                 0x0007,  2, Bit(L'F'),             L"E",  L"E:\\", L""},
        {"arrival with a high word",         0x18000, 2, Bit(L'F'),             L"E",  L"E:\\", L""},
        {"removal with a high word",         0x48004, 2, Bit(L'E'),             L"E",  L"E:\\", L""},
        {"arrival naming no drive",          0x8000,  2, 0,                     L"E",  L"E:\\", L""},
        {"arrival naming bits above Z only", 0x8000,  2, 0xFC000000u,           L"E",  L"E:\\", L""},
        {"removal naming no drive",          0x8004,  2, 0,                     L"E",  L"E:\\", L""},
    };
    // clang-format on
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        DriveConsole f(Of(L"E"), L"E:\\");
        for (const auto& root : Of(L"FGA")) {
            f.drives.types[root] = kDriveRemovable;
        }
        f.DeviceChange(row.event, row.type, row.mask);
        EXPECT_EQ(f.cbxDriveList.items, Of(row.items));
        EXPECT_EQ(f.cbxDriveList.text, row.text);
        EXPECT_EQ(Shown(f.dialogs), Expected(row.boxes));
        if (*row.boxes == L'\0') {
            EXPECT_TRUE(f.drives.asked.empty()) << "a drive was looked at";
        }
    }
    for (const std::uintptr_t event : {std::uintptr_t{0x8000}, std::uintptr_t{0x8004}}) {
        DriveConsole f(Of(L"E"), L"E:\\");
        f.Run([event](TfrmMain& form) { form.WMDeviceChange(event, nullptr); });
        EXPECT_EQ(f.cbxDriveList.items, Of(L"E"));
        EXPECT_EQ(f.cbxDriveList.text, L"E:\\");
        EXPECT_TRUE(f.dialogs.calls.empty());
        EXPECT_TRUE(f.drives.asked.empty());
    }
}

TEST(DriveList, Arrival) {
    struct Row {
        const char* name;
        const wchar_t* items; // letters
        const wchar_t* text;  // the field's text, listed or typed
        wchar_t root;
        unsigned type;
        bool yes;
        const wchar_t* textWhileAsking; // "-": nothing asked
        const wchar_t* itemsAfter;
        const wchar_t* textAfter;
        int indexAfter;
    };
    // clang-format off
    const Row rows[] = {
        {"fixed disk ignored",                         L"E",  L"E:\\", L'F', kFixed,          true,  L"-",    L"E",   L"E:\\", 0},
        {"CD-ROM ignored",                             L"E",  L"E:\\", L'F', kDriveCdrom,     true,  L"-",    L"E",   L"E:\\", 0},
        {"empty list, No",                             L"",   L"",     L'E', kDriveRemovable, false, L"E:\\", L"E",   L"E:\\", 0},
        {"empty list, Yes",                            L"",   L"",     L'E', kDriveRemovable, true,  L"E:\\", L"E",   L"E:\\", 0},
        {"listed drive shown, No",                     L"EF", L"F:\\", L'G', kDriveRemovable, false, L"F:\\", L"EFG", L"F:\\", 1},
        {"listed drive shown, Yes",                    L"EF", L"F:\\", L'G', kDriveRemovable, true,  L"F:\\", L"EFG", L"G:\\", 2},
        {"typed text not listed, No",                  L"EF", L"Q:\\", L'G', kDriveRemovable, false, L"E:\\", L"EFG", L"E:\\", 0},
        {"typed text not listed, Yes",                 L"EF", L"Q:\\", L'G', kDriveRemovable, true,  L"E:\\", L"EFG", L"G:\\", 2},
        {"empty text, No",                             L"EF", L"",     L'G', kDriveRemovable, false, L"E:\\", L"EFG", L"E:\\", 0},
        {"lower-case typed text found, No",            L"EF", L"f:\\", L'G', kDriveRemovable, false, L"f:\\", L"EFG", L"F:\\", 1},
        {"announced again, Yes selects the first copy", L"EF", L"F:\\", L'E', kDriveRemovable, true,  L"F:\\", L"EFE", L"E:\\", 0},
        {"announced again, No",                        L"EF", L"F:\\", L'E', kDriveRemovable, false, L"F:\\", L"EFE", L"F:\\", 1},
        // The position is looked up before the root is appended, so typed
        // text naming the arriving drive still counts as not listed.
        {"typed text naming the arriving drive, No",   L"E",  L"g:\\", L'G', kDriveRemovable, false, L"E:\\", L"EG",  L"E:\\", 0},
    };
    // clang-format on
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        DriveConsole f(Of(row.items), row.text);
        const std::wstring root{row.root, L':', L'\\'};
        f.drives.types[root] = row.type;
        f.dialogs.answers = {row.yes};
        std::wstring textWhileAsking = L"-";
        Roots itemsWhileAsking;
        f.dialogs.whileOpen = [&] {
            textWhileAsking = f.cbxDriveList.text;
            itemsWhileAsking = f.cbxDriveList.items;
        };
        f.Run([&](TfrmMain& form) { form.DriveArrived(root); });
        EXPECT_EQ(f.drives.asked, Roots{root});
        EXPECT_EQ(textWhileAsking, row.textWhileAsking);
        if (textWhileAsking == L"-") {
            EXPECT_TRUE(f.dialogs.calls.empty());
        } else {
            EXPECT_EQ(Shown(f.dialogs), Expected(std::wstring{L'?', row.root}));
            EXPECT_EQ(itemsWhileAsking, Of(row.itemsAfter)) << "appended before the question";
        }
        EXPECT_EQ(f.cbxDriveList.items, Of(row.itemsAfter));
        EXPECT_EQ(f.cbxDriveList.text, row.textAfter);
        EXPECT_EQ(f.cbxDriveList.index, row.indexAfter);
    }
}

TEST(DriveList, Removal) {
    struct Row {
        const char* name;
        const wchar_t* items;
        const wchar_t* text;
        wchar_t root;
        unsigned type;
        bool message;
        const wchar_t* itemsAfter;
        const wchar_t* textAfter;
    };
    // clang-format off
    const Row rows[] = {
        {"selected drive",                    L"EF",  L"E:\\", L'E', kGone,           true,  L"F",  L"F:\\"},
        {"selected drive, later in the list", L"EF",  L"F:\\", L'F', kGone,           true,  L"E",  L"E:\\"},
        {"last drive",                        L"E",   L"E:\\", L'E', kGone,           true,  L"",   L""},
        {"other drive",                       L"EF",  L"E:\\", L'F', kGone,           false, L"E",  L"E:\\"},
        {"still answering removable",         L"EF",  L"E:\\", L'E', kDriveRemovable, true,  L"F",  L"F:\\"},
        {"fixed disk goes on",                L"EF",  L"E:\\", L'E', kFixed,          true,  L"F",  L"F:\\"},
        {"CD-ROM ignored",                    L"EF",  L"E:\\", L'E', kDriveCdrom,     false, L"EF", L"E:\\"},
        {"lower-case typed text",             L"EF",  L"e:\\", L'E', kGone,           false, L"F",  L"e:\\"},
        {"typed root not listed",             L"E",   L"G:\\", L'G', kGone,           true,  L"E",  L"E:\\"},
        {"not listed, not shown",             L"E",   L"E:\\", L'G', kGone,           false, L"E",  L"E:\\"},
        {"listed twice, first copy goes",     L"EFE", L"F:\\", L'E', kGone,           false, L"FE", L"F:\\"},
        {"field emptied by the user",         L"EF",  L"",     L'F', kGone,           false, L"E",  L"E:\\"},
        {"empty list",                        L"",    L"",     L'E', kGone,           false, L"",   L""},
    };
    // clang-format on
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        DriveConsole f(Of(row.items), row.text);
        const std::wstring root{row.root, L':', L'\\'};
        f.drives.types[root] = row.type;
        std::wstring textWhileOpen = L"-";
        f.dialogs.whileOpen = [&] { textWhileOpen = f.cbxDriveList.text; };
        f.Run([&](TfrmMain& form) { form.DriveRemoved(root); });
        if (row.message) {
            EXPECT_EQ(Shown(f.dialogs), Expected(std::wstring{L'!', row.root}));
            EXPECT_EQ(textWhileOpen, row.text) << "emptied before the message was closed";
        } else {
            EXPECT_TRUE(f.dialogs.calls.empty());
        }
        EXPECT_EQ(f.cbxDriveList.items, Of(row.itemsAfter));
        EXPECT_EQ(f.cbxDriveList.text, row.textAfter);
    }
}

// A notification handled inside the wait for the arrival question. When the
// list did not move meanwhile, No selects the position taken before the wait;
// when it did, that position may name another drive (even the one declined),
// so No leaves the field as it is then. Yes selects the arriving root.
TEST(DriveList, NotificationWhileTheArrivalQuestionIsOpen) {
    struct Row {
        const char* name;
        const wchar_t* items; // letters, before the arrival
        const wchar_t* text;
        wchar_t arriving;
        wchar_t inner;     // the drive of the notification handled inside the wait
        bool innerArrives; // else it is removed
        bool innerYes;     // the answer to an inner question
        bool yes;          // the answer to the outer question
        const wchar_t* itemsAfter;
        const wchar_t* textAfter;
        const wchar_t* boxes;
    };
    // clang-format off
    const Row rows[] = {
        {"new drive gone, Yes empties the field",       L"E",  L"E:\\", L'F', L'F', false, false, true,  L"E",   L"",     L"?F"},
        {"new drive gone, No keeps the field",          L"E",  L"E:\\", L'F', L'F', false, false, false, L"E",   L"E:\\", L"?F"},
        {"selected drive gone, Yes",                    L"E",  L"E:\\", L'F', L'E', false, false, true,  L"F",   L"F:\\", L"?F!E"},
        {"selected drive gone, No",                     L"E",  L"E:\\", L'F', L'E', false, false, false, L"F",   L"F:\\", L"?F!E"},
        // Position 1 is G:\ once E:\ has gone: No must not select the drive just declined.
        {"earlier drive gone, No keeps the shown drive", L"EF", L"F:\\", L'G', L'E', false, false, false, L"FG",  L"F:\\", L"?G"},
        {"earlier drive gone, Yes",                     L"EF", L"F:\\", L'G', L'E', false, false, true,  L"FG",  L"G:\\", L"?G"},
        // An outer No does not undo an inner Yes.
        {"inner arrival Yes, outer No",                 L"E",  L"E:\\", L'F', L'G', true,  true,  false, L"EFG", L"G:\\", L"?F?G"},
        {"inner arrival No, outer No",                  L"E",  L"E:\\", L'F', L'G', true,  false, false, L"EFG", L"E:\\", L"?F?G"},
        {"inner arrival Yes, outer Yes",                L"E",  L"E:\\", L'F', L'G', true,  true,  true,  L"EFG", L"F:\\", L"?F?G"},
    };
    // clang-format on
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        DriveConsole f(Of(row.items), row.text);
        const std::wstring arriving{row.arriving, L':', L'\\'};
        const std::wstring inner{row.inner, L':', L'\\'};
        f.drives.types[arriving] = kDriveRemovable;
        f.dialogs.whileOpen = [&] {
            f.drives.types[inner] = row.innerArrives ? kDriveRemovable : kGone;
            if (row.innerArrives) {
                f.dialogs.answers = {row.innerYes};
                f.DeviceChange(kDbtDeviceArrival, kDbtDevtypVolume, Bit(row.inner));
            } else {
                f.DeviceChange(kDbtDeviceRemoveComplete, kDbtDevtypVolume, Bit(row.inner));
            }
            f.dialogs.answers = {row.yes}; // the answer to the outer question
        };
        f.DeviceChange(kDbtDeviceArrival, kDbtDevtypVolume, Bit(row.arriving));
        EXPECT_EQ(Shown(f.dialogs), Expected(row.boxes));
        EXPECT_EQ(f.cbxDriveList.items, Of(row.itemsAfter));
        EXPECT_EQ(f.cbxDriveList.text, row.textAfter);
    }
}
