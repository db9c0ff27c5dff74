// The clipboard report and the About command.
#include "FakeConsole.h"

#include <gtest/gtest.h>

#include <string>

using namespace juxa;
using namespace juxa::test;

namespace {

constexpr const wchar_t* kPreset0 = L"0: Standard SCSI Inquiry (12 00 00 00 FF 00)";

std::wstring PresetHead(const std::wstring& caption, const std::wstring& length) {
    return L"Query: " + caption + L"\r\nLength = " + length + L"\r\n";
}

// The console after start-up with E:\ in the drive field.
struct ReportConsole : FakeConsole {
    ReportConsole() { Create(); }
    std::wstring Report() {
        Copy();
        return clipboard.text;
    }
};

} // namespace

TEST(ClipboardReport, PresetExample) {
    ReportConsole f;
    f.OutputLength.text = L"4";
    DataInBuffer buffer(4);
    const std::uint8_t bytes[] = {0x00, 0x80, 0x02, 0x41};
    std::copy(std::begin(bytes), std::end(bytes), buffer.Data());
    f.form->ShowResult(buffer);

    const std::wstring text{L'.', wchar_t{0x80}, L'.', L'A'};
    EXPECT_EQ(f.Report(), PresetHead(kPreset0, L"4") + L"String Output: \"" + text +
                              L"\"\r\nHex Output:00 80 02 41 \r\n");
}

// Reports of states the Send action leaves behind, read whole.
TEST(ClipboardReport, AfterSends) {
    struct Row {
        const char* name;
        std::wstring drive; // empty: no send
        std::wstring length;
        std::wstring expected;
    };
    const Row rows[] = {
        {"before any send", L"", L"56",
         PresetHead(kPreset0, L"56") + L"String Output: \"\"\r\nHex Output:"},
        {"a real send", L"E:\\", L"4",
         PresetHead(kPreset0, L"4") + L"String Output: \".\x80..\"\r\nHex Output:00 80 02 02 \r\n"},
        {"a failed send", L"F:\\", L"4",
         PresetHead(kPreset0, L"4") + L"String Output: \"SCSI Command Failed\"\r\nHex Output:"},
        {"a zero-length send", L"E:\\", L"0",
         PresetHead(kPreset0, L"0") + L"String Output: \"\"\r\nHex Output:\r\n"},
        {"leading zeros and sign", L"E:\\", L"+0004",
         PresetHead(kPreset0, L"4") + L"String Output: \".\x80..\"\r\nHex Output:00 80 02 02 \r\n"},
        {"a length that does not convert", L"", L"4.5",
         PresetHead(kPreset0, L"0") + L"String Output: \"\"\r\nHex Output:"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ReportConsole f;
        f.OutputLength.text = row.length;
        if (!row.drive.empty()) {
            f.cbxDriveList.SetText(row.drive);
            f.Send();
        }
        EXPECT_EQ(f.Report(), row.expected);
        EXPECT_TRUE(f.dialogs.calls.empty());
    }
}

TEST(ClipboardReport, ManualForm) {
    std::wstring defaults = L"Query: $00";
    for (int k = 1; k < 16; ++k) {
        defaults += L" $00";
    }
    const std::wstring tail = L"\r\nLength = 56\r\nString Output: \"\"\r\nHex Output:";
    struct Row {
        const char* name;
        int length;                      // position picked in cbxByteLength
        std::vector<std::wstring> typed; // into C1, C2, ... while enabled
        std::wstring query;
    };
    const Row rows[] = {
        {"defaults", 1, {}, defaults},
        {"C1 emptied", 1, {L""}, L"Query: $ $00" + defaults.substr(14)},
        {"texts as typed, all sixteen whatever the length",
         0,
         {L"12", L"0x1f", L"a b", L"$", L"fff", L"-1"},
         L"Query: $12 $0x1f $a b $$ $fff $-1" + defaults.substr(30)},
        {"sixteen typed",
         3,
         {L"1", L"2", L"3", L"4", L"5", L"6", L"7", L"8", L"9", L"a", L"b", L"c", L"d", L"e", L"f",
          L"10"},
         L"Query: $1 $2 $3 $4 $5 $6 $7 $8 $9 $a $b $c $d $e $f $10"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ReportConsole f;
        f.ClickManual();
        f.PickLength(row.length);
        for (std::size_t k = 0; k < row.typed.size(); ++k) {
            ASSERT_TRUE(f.Type(k, row.typed[k]));
        }
        EXPECT_EQ(f.Report(), row.query + tail);
        // Back in preset mode the preset form returns, the bytes kept aside.
        f.ClickPreset();
        EXPECT_EQ(f.Report(), L"Query: " + std::wstring(kPreset0) + tail);
    }
}

// Every field is reported as it stands, also one beyond the CDB length that
// holds something other than "00".
TEST(ClipboardReport, ManualFormIgnoresTheCdbLength) {
    ReportConsole f;
    f.ClickManual();
    f.PickLength(0);
    f.C[6].text = L"7";
    f.C[15].text = L"";
    const std::wstring report = f.Report();
    EXPECT_EQ(report.substr(0, report.find(L'\r')),
              L"Query: $00 $00 $00 $00 $00 $00 $7 $00 $00 $00 $00 $00 $00 $00 $00 $");
}

TEST(ClipboardReport, HexOverSeveralDisplayLines) {
    ReportConsole f;
    f.memHEX.width = 12;
    f.OutputLength.text = L"8";
    f.Send();
    const std::wstring report = f.Report();
    const std::wstring hex = L"Hex Output:00 80 02 02 \r\n1F 00 00 00 \r\n";
    ASSERT_GE(report.size(), hex.size());
    EXPECT_EQ(report.substr(report.size() - hex.size()), hex);
}

// The report is of the controls at the time of the click: another preset
// picked after the send brings its caption and length beside the old output.
TEST(ClipboardReport, ReflectsTheControlsAtTheClick) {
    ReportConsole f;
    f.OutputLength.text = L"4";
    f.Send();
    f.PickPreset(3);
    EXPECT_EQ(f.Report(), PresetHead(L"3: USB string (FB 00 B5 00 00 00 00 00 01 00)", L"128") +
                              L"String Output: \".\x80..\"\r\nHex Output:00 80 02 02 \r\n");
}

TEST(ClipboardReport, ChangesNothingInTheWindow) {
    ReportConsole f;
    f.Send();
    f.ClickManual();
    f.Type(0, L"zz");
    f.dialogs.calls.clear();
    const std::wstring before = f.Describe();
    f.Copy();
    EXPECT_EQ(f.Describe(), before);
    EXPECT_TRUE(f.dialogs.calls.empty());
}

TEST(ClipboardReport, LockedClipboardReachesTheErrorBox) {
    const std::pair<const wchar_t*, const wchar_t*> rows[] = {
        {L"Access is denied.", L"Cannot open clipboard: Access is denied."},
        {L"Access is denied", L"Cannot open clipboard: Access is denied."},
        {L"", L"Cannot open clipboard: "},
    };
    for (const auto& [reason, shown] : rows) {
        ReportConsole f;
        f.clipboard.locked = true;
        f.clipboard.lockedReason = reason;
        f.Copy();
        ASSERT_EQ(f.dialogs.calls.size(), 1u);
        EXPECT_EQ(f.dialogs.calls[0].kind, L"error");
        EXPECT_EQ(f.dialogs.calls[0].text, shown);
        EXPECT_EQ(f.clipboard.text, L"old");
    }
}

TEST(AboutCommand, ShowsTheAboutBoxOncePerClick) {
    ReportConsole f;
    const std::wstring before = f.Describe();
    f.Run([](TfrmMain& form) { form.ABout1Click(); });
    EXPECT_EQ(f.about.shown, 1);
    f.Run([](TfrmMain& form) { form.ABout1Click(); });
    EXPECT_EQ(f.about.shown, 2);
    EXPECT_EQ(f.Describe(), before);
    EXPECT_TRUE(f.dialogs.calls.empty());
    EXPECT_EQ(f.clipboard.text, L"old");
}
