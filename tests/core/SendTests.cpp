#include "FakeConsole.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

using namespace juxa;
using namespace juxa::test;

namespace {

class SendTest : public ::testing::Test {
protected:
    FakeConsole console;
    void SetUp() override {
        console.Run([](TfrmMain& f) { f.FormCreate(); });
    }
    void TearDown() override { EXPECT_EQ(DataInBuffer::LiveCount(), 0); }
};

} // namespace

TEST_F(SendTest, StartUpSelectsTheRemovableDrive) {
    EXPECT_EQ(console.cbxDriveList.text, L"E:\\");
    EXPECT_TRUE(ShowManualWarning);
}

TEST_F(SendTest, PresetSendShowsTextAndHex) {
    console.PickPreset(4);
    console.Send();
    EXPECT_EQ(console.edtSTRING.text,
              L"SIM 5.00 (simulated firmware)" + std::wstring(128 - 29, L'.'));
    ASSERT_EQ(console.memHEX.paragraphs.size(), 1u);
    EXPECT_EQ(console.memHEX.paragraphs[0].substr(0, 12), L"53 49 4D 20 ");
    EXPECT_EQ(console.memHEX.paragraphs[0].size(), 3u * 128);
    EXPECT_EQ(console.memHEX.caretResets, 1);
    EXPECT_TRUE(console.edtSTRING.bytes) << "an ANSI result is one character per byte";
    EXPECT_TRUE(console.dialogs.calls.empty());
}

TEST_F(SendTest, UnicodeModeReadsUtf16) {
    console.PickPreset(3);
    EXPECT_EQ(console.cbxBit.text, L"Unicode");
    console.Send();
    EXPECT_EQ(console.edtSTRING.text.substr(0, 29), L"Simulated Handheld (USB mode)");
    EXPECT_EQ(console.edtSTRING.text.size(), 64u);
    EXPECT_FALSE(console.edtSTRING.bytes) << "a Unicode result is text, not bytes";
}

TEST_F(SendTest, EmptyDriveFieldKeepsThePreviousOutputs) {
    console.Send();
    const std::wstring text = console.edtSTRING.text;
    const auto hex = console.memHEX.paragraphs;
    console.cbxDriveList.SetText(L"");
    console.world.requests.clear();
    console.Send();
    ASSERT_EQ(console.dialogs.calls.size(), 1u);
    EXPECT_EQ(console.dialogs.calls[0].kind, L"message");
    EXPECT_EQ(console.dialogs.calls[0].text, L"No drive specified");
    EXPECT_EQ(console.edtStatus.text, L"No drive specified");
    EXPECT_EQ(console.edtSTRING.text, text);
    EXPECT_EQ(console.memHEX.paragraphs, hex);
    EXPECT_TRUE(console.world.requests.empty());
}

TEST_F(SendTest, FailuresShowOneTextAndLeaveTheHexEmpty) {
    for (const wchar_t* drive : {L" ", L"D:\\", L"F:\\", L"Q"}) {
        console.Send(); // a previous result, to be cleared
        console.cbxDriveList.SetText(drive);
        console.Send();
        EXPECT_EQ(console.edtSTRING.text, L"SCSI Command Failed");
        EXPECT_TRUE(console.memHEX.paragraphs.empty());
        console.cbxDriveList.SetItemIndex(0);
    }
    EXPECT_TRUE(console.dialogs.calls.empty());
}

// The format goes only to the drive the user confirmed: a drive that came or
// went while the question was open may have handed the letter to another
// device, so nothing is sent and the next press asks again.
TEST_F(SendTest, FormatAsksFirstAndGoesOnlyToTheConfirmedDrive) {
    struct Row {
        const char* name;
        bool ok;
        std::function<void(FakeConsole&)> whileAsking;
        bool sent;
    };
    const auto arrive = [](FakeConsole& f, wchar_t letter) {
        f.drives.types[std::wstring{letter, L':', L'\\'}] = 2;
        f.dialogs.answers = {false}; // not the target
        f.DeviceChange(0x8000, 2, 1u << (letter - L'A'));
    };
    const auto remove = [](FakeConsole& f, wchar_t letter, unsigned typeAfter) {
        f.drives.types[std::wstring{letter, L':', L'\\'}] = typeAfter;
        f.DeviceChange(0x8004, 2, 1u << (letter - L'A'));
    };
    const Row rows[] = {
        {"Cancel", false, nullptr, false},
        {"OK", true, nullptr, true},
        {"OK after the drive left and another took its letter", true,
         [&](FakeConsole& f) {
             remove(f, L'E', 1);
             arrive(f, L'E');
         },
         false},
        {"OK after another drive arrived", true, [&](FakeConsole& f) { arrive(f, L'G'); }, false},
        {"OK after a CD-ROM event on the letter itself", true,
         [&](FakeConsole& f) { remove(f, L'E', 5); }, false},
        // Events that leave the list and the letter alone do not count.
        {"OK after a CD-ROM's medium went", true, [&](FakeConsole& f) { remove(f, L'D', 5); },
         true},
        {"OK after a fixed disk arrived", true,
         [&](FakeConsole& f) {
             f.drives.types[L"K:\\"] = kDriveFixed;
             f.DeviceChange(0x8000, 2, 1u << (L'K' - L'A'));
         },
         true},
        {"OK after an unlisted drive went", true, [&](FakeConsole& f) { remove(f, L'Z', 1); },
         true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        FakeConsole f;
        f.Create();
        f.PickPreset(1);
        EXPECT_EQ(f.OutputLength.text, L"0");
        f.edtSTRING.text = L"before";
        f.memHEX.paragraphs = {L"AA "};
        f.dialogs.whileOpen = [&] {
            if (row.whileAsking) {
                row.whileAsking(f);
            }
            f.dialogs.answers = {row.ok}; // the answer to the confirmation
        };
        f.Send();
        ASSERT_FALSE(f.dialogs.calls.empty());
        EXPECT_EQ(f.dialogs.calls[0].kind, L"confirm");
        EXPECT_EQ(f.dialogs.calls[0].text, L"This will device level format your memory stick, "
                                           L"your files will be erased.  ARE YOU SURE?");
        EXPECT_EQ(f.world.formatCount, row.sent ? 1 : 0);
        EXPECT_EQ(f.world.requests.size(), row.sent ? 1u : 0u);
        EXPECT_EQ(f.edtSTRING.text, L"");
        EXPECT_EQ(f.memHEX.paragraphs,
                  row.sent ? std::vector<std::wstring>{L""} : std::vector<std::wstring>{});
        EXPECT_EQ(DataInBuffer::LiveCount(), 0);
        EXPECT_EQ(f.edtStatus.text,
                  !row.ok    ? L"Not sent: the format was cancelled"
                  : row.sent ? L"E: (disk 1): GOOD, 0 of 0 bytes returned"
                             : L"Not sent: the drive list changed while the format question was "
                               L"open");
        if (row.ok && !row.sent) {
            EXPECT_EQ(f.dialogs.calls.back().kind, L"message");
            EXPECT_EQ(f.dialogs.calls.back().text,
                      L"Nothing was sent to drive E: because the drive list changed while the "
                      L"question was open.");
        } else {
            EXPECT_NE(f.dialogs.calls.back().kind, L"message");
        }
        if (!row.sent) {
            // Asked again, and sent on OK when nothing moves meanwhile.
            f.dialogs.calls.clear();
            f.dialogs.answers = {true};
            f.Send();
            ASSERT_EQ(f.dialogs.calls.size(), 1u);
            EXPECT_EQ(f.dialogs.calls[0].kind, L"confirm");
            EXPECT_EQ(f.world.formatCount, 1);
        }
    }
}

// The device call goes through the runner, which lets the window handle
// messages while it waits: whatever reaches the console meanwhile, the press
// sends once and shows its result as the press asked for, or nothing when
// the program is closing.
TEST_F(SendTest, TheCallWaitsInTheRunnerAndTheResultFollowsThePress) {
    struct Row {
        const char* name;
        std::function<void(FakeConsole&)> whileRunning;
        bool closing;
        std::wstring text; // edtSTRING afterwards
    };
    std::vector<std::uint8_t> inquiry;
    sim::SimWorld::HandheldAnswer(PresetCommands[0].Cdb.data(), inquiry);
    inquiry.resize(56);
    const std::wstring shown = RenderAnsi(inquiry.data(), inquiry.size());
    const Row rows[] = {
        {"nothing happens", nullptr, false, shown},
        {"a second press", [](FakeConsole& f) { f.Send(); }, false, shown},
        {"the text mode and length change",
         [](FakeConsole& f) {
             f.cbxBit.SetItemIndex(1);
             f.OutputLength.text = L"8";
         },
         false, shown},
        {"a close is asked for", nullptr, true, L""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        FakeConsole f;
        f.Create();
        f.runner.whileRunning = [&] {
            if (row.whileRunning) {
                row.whileRunning(f);
            }
        };
        f.runner.closing = row.closing;
        f.Send();
        ASSERT_EQ(f.runner.runs.size(), 1u);
        EXPECT_EQ(f.runner.runs[0].command, kPresetCaptions[0]);
        EXPECT_EQ(f.runner.runs[0].letter, L'E');
        EXPECT_EQ(f.world.requests.size(), 1u);
        EXPECT_EQ(f.edtSTRING.text, row.text);
        EXPECT_EQ(f.memHEX.paragraphs.size(), row.closing ? 0u : 1u);
        EXPECT_EQ(f.edtSTRING.writes, row.closing ? 1 : 2) << "cleared, then the result once";
        EXPECT_EQ(f.edtStatus.text,
                  row.closing ? L"" : L"E: (disk 1): GOOD, 36 of 56 bytes returned");
        EXPECT_EQ(DataInBuffer::LiveCount(), 0);
    }

    // A manual command is named by the bytes that go out.
    console.ClickManual();
    console.PickLength(0);
    console.Type(0, L"12");
    console.Type(4, L"24");
    console.Send();
    ASSERT_EQ(console.runner.runs.size(), 1u);
    EXPECT_EQ(console.runner.runs[0].command, L"CDB 12 00 00 00 24 00");
}

TEST_F(SendTest, OtherPresetsNeverAsk) {
    for (int preset : {0, 2, 3, 4, 5}) {
        console.PickPreset(preset);
        console.Send();
    }
    EXPECT_TRUE(console.dialogs.calls.empty());
    EXPECT_EQ(console.world.requests.size(), 5u);
}

TEST_F(SendTest, ManualSendConvertsAllSixteenFields) {
    console.ClickManual();
    console.dialogs.calls.clear();
    console.PickLength(0);
    const std::wstring fields[6] = {L"12", L"0", L"0", L"0", L"1ff", L"00000000"};
    for (int k = 0; k < 6; ++k) {
        console.C[static_cast<std::size_t>(k)].text = fields[k];
    }
    console.OutputLength.text = L"36";
    console.Send();
    ASSERT_EQ(console.world.requests.size(), 1u);
    const auto& request = console.world.requests[0];
    EXPECT_EQ(request.cdbLength, 6);
    const std::uint8_t expected[16] = {0x12, 0, 0, 0, 0xFF, 0};
    EXPECT_EQ(std::memcmp(request.cdb, expected, 16), 0);
    EXPECT_EQ(console.edtSTRING.text.substr(8, 8), L"JUXASIM ");
    for (const FakeEdit& field : console.C) {
        EXPECT_EQ(field.reads, 1);
    }
}

TEST_F(SendTest, BadFieldStopsAtItsErrorAndSendsNothing) {
    console.ClickManual();
    console.dialogs.calls.clear();
    console.PickLength(3);
    console.edtSTRING.text = L"old";
    console.memHEX.paragraphs = {L"AA "};
    console.C[8].text = L"G1";
    for (FakeEdit& field : console.C) {
        field.reads = 0;
    }
    console.Send();
    ASSERT_EQ(console.dialogs.calls.size(), 1u);
    EXPECT_EQ(console.dialogs.calls[0].kind, L"error");
    EXPECT_EQ(console.dialogs.calls[0].text, L"''$G1'' is not a valid integer value.");
    EXPECT_EQ(console.edtStatus.text, L"Not sent: C9 does not hold a hexadecimal number");
    EXPECT_TRUE(console.world.requests.empty());
    EXPECT_EQ(console.edtSTRING.text, L"") << "cleared before the fields were read";
    EXPECT_TRUE(console.memHEX.paragraphs.empty());
    for (std::size_t k = 0; k < 16; ++k) {
        EXPECT_EQ(console.C[k].reads, k <= 8 ? 1 : 0) << "C" << k + 1;
    }
}

TEST_F(SendTest, EmptyFieldNamesTheLoneDollar) {
    console.ClickManual();
    console.dialogs.calls.clear();
    console.C[0].text = L"";
    console.Send();
    ASSERT_EQ(console.dialogs.calls.size(), 1u);
    EXPECT_EQ(console.dialogs.calls[0].text, L"''$'' is not a valid integer value.");
}

TEST_F(SendTest, ShortTransferAndBadStatusRenderAsTheyStand) {
    console.world.disks[1].transferLimit = 2;
    console.OutputLength.text = L"5";
    console.PickPreset(5);
    console.OutputLength.text = L"5";
    console.Send();
    EXPECT_EQ(console.edtSTRING.text, L"Si...");
    EXPECT_EQ(console.memHEX.paragraphs.at(0), L"53 69 00 00 00 ");

    EXPECT_EQ(console.edtStatus.text, L"E: (disk 1): GOOD, 2 of 5 bytes returned");

    console.world.disks[1].transferLimit.reset();
    console.world.disks[1].scsiStatus = 0x02;
    console.Send();
    EXPECT_EQ(console.edtSTRING.text, L"SCSI Command Failed")
        << "a command the device rejected is not shown as a result";
    EXPECT_EQ(console.edtStatus.text,
              L"E: (disk 1): CHECK CONDITION, NOT READY: MEDIUM NOT PRESENT (sense 2/3A/00)");

    // A command the handheld does not know, as its firmware answers it.
    console.world.disks[1].scsiStatus.reset();
    console.ClickManual();
    console.Type(0, L"99");
    console.Send();
    EXPECT_EQ(console.edtSTRING.text, L"SCSI Command Failed");
    EXPECT_EQ(console.edtStatus.text, L"E: (disk 1): CHECK CONDITION, ILLEGAL REQUEST: INVALID "
                                      L"COMMAND OPERATION CODE (sense 5/20/00)");
}

TEST_F(SendTest, LengthZeroInBothModes) {
    for (int mode : {0, 1}) {
        console.cbxBit.SetItemIndex(mode);
        console.OutputLength.text = L"0";
        console.Send();
        EXPECT_EQ(console.edtSTRING.text, L"");
        EXPECT_EQ(console.memHEX.paragraphs, std::vector<std::wstring>{L""});
        EXPECT_TRUE(console.world.requests.back().dataBufferNull);
    }
}

TEST_F(SendTest, OddLengthInUnicodeMode) {
    console.PickPreset(3);
    console.OutputLength.text = L"5";
    console.Send();
    EXPECT_EQ(console.edtSTRING.text, L"Sim");
    EXPECT_EQ(console.memHEX.paragraphs.at(0), L"53 00 69 00 6D ");
}

TEST_F(SendTest, HexLineThatDoesNotFitKeepsWhatFitAndReleasesTheBuffer) {
    console.memHEX.capacity = 100;
    console.OutputLength.text = L"56";
    console.Send();
    ASSERT_EQ(console.dialogs.calls.size(), 1u);
    EXPECT_EQ(console.dialogs.calls[0].kind, L"error");
    EXPECT_EQ(console.dialogs.calls[0].text, L"RichEdit line insertion error.");
    EXPECT_EQ(console.edtSTRING.text.substr(0, 1), L".") << "the text was set before";
    EXPECT_EQ(console.memHEX.paragraphs.at(0).size(), 99u);
    EXPECT_EQ(console.memHEX.caretResets, 0);
}

TEST_F(SendTest, TheBufferIsPageAlignedAndSized) {
    console.world.alignmentMask = 0xFFF;
    console.OutputLength.text = L"65536";
    console.Send();
    EXPECT_EQ(console.edtSTRING.text.size(), 65536u);
    EXPECT_EQ(console.memHEX.paragraphs.at(0).size(), 3u * 65536);
    EXPECT_EQ(console.world.requests.back().dataTransferLength, 65536u);
}

TEST_F(SendTest, AnUnclampedLengthTextNeverSizesTheBuffer) {
    for (const wchar_t* text : {L"-5", L"70000", L"$7FFFFFFF"}) {
        console.OutputLength.text = text;
        console.Send();
        EXPECT_EQ(console.world.requests.back().dataTransferLength,
                  std::wstring(text) == L"-5" ? 0u : 65536u);
    }
}
