// The main window as built: its design, its bindings and the central error
// handler, driven through real controls and real message boxes.
#include "WindowTestSupport.h"

#include "Texts.h"

#include <dbt.h>

#include <array>
#include <thread>

using namespace juxa;
using namespace juxa::win32;
using namespace juxa::win32::test;

namespace {

struct Expected {
    ControlId id;
    int left, top, width, height; // in the window's client area at 96 DPI
};

// The design's numbers with each group box's corner added (GroupBox1 at 8,3;
// GroupBox2 at 8,119).
const Expected kExpectedRects[] = {
    {ControlId::GroupBox1, 8, 3, 481, 110},     {ControlId::rbtnPreset, 19, 24, 113, 17},
    {ControlId::cbxQuery, 138, 22, 340, 21},    {ControlId::rbtnManual, 19, 51, 54, 17},
    {ControlId::cbxByteLength, 88, 49, 66, 21}, {ByteFieldId(1), 160, 49, 18, 21},
    {ByteFieldId(2), 180, 49, 18, 21},          {ByteFieldId(16), 460, 49, 18, 21},
    {ControlId::cbxDriveList, 88, 78, 66, 21},  {ControlId::OutputLength, 302, 78, 66, 22},
    {ControlId::btnQuery, 374, 77, 104, 24},    {ControlId::GroupBox2, 8, 119, 481, 145},
    {ControlId::cbxBit, 120, 137, 75, 21},      {ControlId::edtSTRING, 201, 137, 278, 21},
    {ControlId::memHEX, 120, 164, 359, 89},     {ControlId::Button2, 16, 227, 98, 26},
    {ControlId::edtStatus, 0, 272, 497, 21}, // the status line along the bottom
};

void ExpectRect(HWND control, const Expected& e, UINT dpi) {
    const RECT r = RectInParent(control);
    const auto s = [dpi](int v) { return MulDiv(v, static_cast<int>(dpi), 96); };
    EXPECT_EQ(r.left, s(e.left)) << static_cast<int>(e.id);
    EXPECT_EQ(r.top, s(e.top)) << static_cast<int>(e.id);
    EXPECT_EQ(r.right - r.left, s(e.width)) << static_cast<int>(e.id);
    EXPECT_EQ(r.bottom - r.top, s(e.height)) << static_cast<int>(e.id);
}

std::wstring MenuText(HMENU menu, UINT position) {
    wchar_t text[64] = {};
    ::GetMenuStringW(menu, position, text, 64, MF_BYPOSITION);
    return text;
}

void KeyDown(HWND control, WPARAM key) {
    ::SetFocus(control);
    ::SendMessageW(control, WM_KEYDOWN, key, 1);
    ::SendMessageW(control, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001));
}

// The error box, modal to its owner, and nothing else.
void ExpectOneErrorBox(const std::vector<BoxSeen>& boxes, const std::wstring& text) {
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, kApplicationTitle);
    EXPECT_EQ(boxes[0].text, text);
    EXPECT_EQ(boxes[0].icon, ::LoadIconW(nullptr, IDI_ERROR));
    EXPECT_TRUE(boxes[0].ownerWasDisabled);
}

class MainWindowAt150 : public MainWindowTest {
protected:
    void SetUp() override {
        WindowOptions options;
        options.dpi = 144;
        Build(options);
    }
};

} // namespace

TEST_F(MainWindowTest, StartsInPresetModeWithTheDesignedContents) {
    EXPECT_EQ(Text(window->Handle()), L"Juxa for Windows by Orrinvale - Version 0.5 BETA");
    EXPECT_EQ(TextOf(ControlId::GroupBox1), L" PSP SCSI Query ");
    EXPECT_EQ(TextOf(ControlId::GroupBox2), L" Query Output ");
    EXPECT_EQ(TextOf(ControlId::rbtnPreset), L"Preset SCSI Query:");
    EXPECT_EQ(TextOf(ControlId::rbtnManual), L"Manual:");
    EXPECT_EQ(TextOf(ControlId::Label4), L"Drive Letter:");
    EXPECT_EQ(TextOf(ControlId::Label5), L"Buffer Length (Bytes):");
    EXPECT_EQ(TextOf(ControlId::Label2), L"TXT Out:");
    EXPECT_EQ(TextOf(ControlId::Label3), L"HEX Out:");
    EXPECT_EQ(TextOf(ControlId::btnQuery), L"Send SCSI Query");
    EXPECT_EQ(TextOf(ControlId::Button2), L"Copy to Clipboard");

    EXPECT_TRUE(Checked(Ctl(ControlId::rbtnPreset)));
    EXPECT_FALSE(Checked(Ctl(ControlId::rbtnManual)));
    EXPECT_TRUE(::IsWindowEnabled(Ctl(ControlId::cbxQuery)));
    EXPECT_EQ(ListItems(Ctl(ControlId::cbxQuery)),
              std::vector<std::wstring>(kPresetCaptions.begin(), kPresetCaptions.end()));
    EXPECT_EQ(TextOf(ControlId::cbxQuery), L"0: Standard SCSI Inquiry (12 00 00 00 FF 00)");
    EXPECT_EQ(ListItems(Ctl(ControlId::cbxByteLength)),
              (std::vector<std::wstring>{L"6 Bytes", L"10 Bytes", L"12 Bytes", L"16 Bytes"}));
    EXPECT_EQ(TextOf(ControlId::cbxByteLength), L"10 Bytes");
    EXPECT_FALSE(::IsWindowEnabled(Ctl(ControlId::cbxByteLength)));
    for (int k = 1; k <= 16; ++k) {
        EXPECT_EQ(Text(Ctl(ByteFieldId(k))), L"00") << "C" << k;
        EXPECT_FALSE(::IsWindowEnabled(Ctl(ByteFieldId(k)))) << "C" << k;
    }
    EXPECT_EQ(TextOf(ControlId::OutputLength), L"56");
    EXPECT_EQ(ListItems(Ctl(ControlId::cbxBit)), (std::vector<std::wstring>{L"ANSI", L"Unicode"}));
    EXPECT_EQ(TextOf(ControlId::cbxBit), L"ANSI");
    EXPECT_EQ(TextOf(ControlId::edtSTRING), L"");
    EXPECT_EQ(window->Controls().memHEX->WholeText(), L"");
    // FormCreate filled the drive list from the simulated world.
    EXPECT_EQ(ListItems(Ctl(ControlId::cbxDriveList)),
              (std::vector<std::wstring>{L"E:\\", L"F:\\"}));
    EXPECT_EQ(TextOf(ControlId::cbxDriveList), L"E:\\");
}

TEST_F(MainWindowTest, KindsOfControlAndWindowFrame) {
    const LONG style = ::GetWindowLongW(window->Handle(), GWL_STYLE);
    EXPECT_EQ(style & WS_MAXIMIZEBOX, 0);
    EXPECT_EQ(style & WS_THICKFRAME, 0);
    EXPECT_NE(style & WS_MINIMIZEBOX, 0);
    EXPECT_EQ(::GetWindow(window->Handle(), GW_OWNER), nullptr); // it carries the taskbar button

    const auto comboKind = [&](ControlId id) { return ::GetWindowLongW(Ctl(id), GWL_STYLE) & 3; };
    EXPECT_EQ(comboKind(ControlId::cbxQuery), CBS_DROPDOWNLIST);
    EXPECT_EQ(comboKind(ControlId::cbxByteLength), CBS_DROPDOWNLIST);
    EXPECT_EQ(comboKind(ControlId::cbxBit), CBS_DROPDOWNLIST);
    EXPECT_EQ(comboKind(ControlId::cbxDriveList), CBS_DROPDOWN);
    EXPECT_NE(::GetWindowLongW(Ctl(ControlId::edtSTRING), GWL_STYLE) & ES_READONLY, 0);
    const LONG hex = ::GetWindowLongW(Ctl(ControlId::memHEX), GWL_STYLE);
    EXPECT_NE(hex & ES_READONLY, 0);
    EXPECT_NE(hex & WS_VSCROLL, 0);
    EXPECT_EQ(hex & (WS_HSCROLL | ES_AUTOHSCROLL), 0); // lines wrap
    // The status line can be selected and copied, but not typed into, and
    // stays out of the designed Tab order.
    const LONG status = ::GetWindowLongW(Ctl(ControlId::edtStatus), GWL_STYLE);
    EXPECT_NE(status & ES_READONLY, 0);
    EXPECT_EQ(status & (WS_TABSTOP | ES_MULTILINE), 0);
    EXPECT_EQ(std::wstring(FontOf(Ctl(ControlId::edtStatus)).lfFaceName), L"Tahoma");

    const LOGFONTW main = FontOf(Ctl(ControlId::btnQuery));
    EXPECT_EQ(std::wstring(main.lfFaceName), L"Tahoma");
    EXPECT_EQ(main.lfHeight, -11);
    const CHARFORMAT2W hexFont = RichFontOf(Ctl(ControlId::memHEX));
    EXPECT_EQ(std::wstring(hexFont.szFaceName), L"Courier New");
    EXPECT_EQ(hexFont.bCharSet, ANSI_CHARSET);
    EXPECT_EQ(hexFont.yHeight, 11 * 1440 / 96); // twips
    // edtSTRING has a font of its own, so that its character set changes alone.
    EXPECT_NE(::SendMessageW(Ctl(ControlId::edtSTRING), WM_GETFONT, 0, 0),
              ::SendMessageW(Ctl(ControlId::btnQuery), WM_GETFONT, 0, 0));

    HMENU bar = ::GetMenu(window->Handle());
    ASSERT_EQ(::GetMenuItemCount(bar), 2);
    EXPECT_EQ(MenuText(bar, 0), L"Output Format");
    EXPECT_EQ(MenuText(bar, 1), L"About");
    EXPECT_EQ(::GetSubMenu(bar, 1), nullptr); // a command on the bar itself
    HMENU format = ::GetSubMenu(bar, 0);
    ASSERT_EQ(::GetMenuItemCount(format), 2);
    EXPECT_EQ(MenuText(format, 0), L"DEFAULT_CHARSET");
    EXPECT_EQ(MenuText(format, 1), L"SHIFTJIS_CHARSET");
}

TEST_F(MainWindowTest, LayoutAt96Dpi) {
    RECT client{};
    ::GetClientRect(window->Handle(), &client);
    EXPECT_EQ(client.right, 497);
    EXPECT_EQ(client.bottom, 272 + 21); // the design, and the status line under it
    for (const Expected& e : kExpectedRects) {
        ExpectRect(Ctl(e.id), e, 96);
    }
    // Labels size themselves to their caption but stand where designed.
    const RECT label = RectInParent(Ctl(ControlId::Label5));
    EXPECT_EQ(label.left, 188);
    EXPECT_EQ(label.top, 81);
    // Centred on the desktop.
    RECT outer{};
    ::GetWindowRect(window->Handle(), &outer);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    ::GetMonitorInfoW(::MonitorFromWindow(window->Handle(), MONITOR_DEFAULTTOPRIMARY), &monitor);
    EXPECT_NEAR((outer.left + outer.right) / 2, (monitor.rcWork.left + monitor.rcWork.right) / 2,
                1);
    EXPECT_NEAR((outer.top + outer.bottom) / 2, (monitor.rcWork.top + monitor.rcWork.bottom) / 2,
                1);
}

TEST_F(MainWindowAt150, EveryNumberScales) {
    RECT client{};
    ::GetClientRect(window->Handle(), &client);
    EXPECT_EQ(client.right, 746);
    EXPECT_EQ(client.bottom, 440);
    for (const Expected& e : kExpectedRects) {
        ExpectRect(Ctl(e.id), e, 144);
    }
    EXPECT_EQ(FontOf(Ctl(ControlId::btnQuery)).lfHeight, -17);
    EXPECT_EQ(RichFontOf(Ctl(ControlId::memHEX)).yHeight, 17 * 1440 / 96); // twips at 96
    EXPECT_EQ(FontOf(Ctl(ControlId::edtSTRING)).lfHeight, -17);
}

TEST_F(MainWindowTest, DpiChangeRelaysOutAtTheSuggestedRectangle) {
    RECT suggested{100, 50, 100 + 640, 50 + 400};
    EXPECT_EQ(::SendMessageW(window->Handle(), WM_DPICHANGED, MAKEWPARAM(120, 120),
                             reinterpret_cast<LPARAM>(&suggested)),
              0);
    RECT outer{};
    ::GetWindowRect(window->Handle(), &outer);
    EXPECT_EQ(outer.left, 100);
    EXPECT_EQ(outer.top, 50);
    EXPECT_EQ(outer.right - outer.left, 640);
    for (const Expected& e : kExpectedRects) {
        ExpectRect(Ctl(e.id), e, 120);
    }
    EXPECT_EQ(FontOf(Ctl(ControlId::cbxQuery)).lfHeight, -14);
}

// Tab and Shift+Tab pressed on the keyboard walk the whole designed order in
// both directions and wrap round at both ends, from every control, the hex
// field included; disabled controls and the unchecked radio button are
// skipped.
TEST_F(MainWindowTest, TabAndShiftTabWalkTheDesignedOrderRound) {
    const auto round = [&](const std::vector<ControlId>& order, const char* mode) {
        SCOPED_TRACE(mode);
        ::SetFocus(Ctl(order.front()));
        ASSERT_EQ(FocusedControl(), Ctl(order.front()));
        for (std::size_t i = 1; i <= order.size(); ++i) {
            PressKey(VK_TAB);
            EXPECT_EQ(FocusedControl(), Ctl(order[i % order.size()]))
                << "Tab from control " << static_cast<int>(order[i - 1]);
        }
        for (std::size_t i = order.size(); i > 0; --i) {
            PressKey(VK_TAB, true);
            EXPECT_EQ(FocusedControl(), Ctl(order[i - 1]))
                << "Shift+Tab from control " << static_cast<int>(order[i % order.size()]);
        }
    };
    const std::vector<ControlId> outputs = {ControlId::edtSTRING, ControlId::Button2,
                                            ControlId::memHEX, ControlId::cbxBit};
    std::vector<ControlId> preset = {ControlId::btnQuery, ControlId::OutputLength,
                                     ControlId::cbxQuery, ControlId::rbtnPreset,
                                     ControlId::cbxDriveList};
    preset.insert(preset.end(), outputs.begin(), outputs.end());
    round(preset, "preset mode");

    EnterManualMode();
    // Position 1 ("10 Bytes") at first; the keys step the list to each length.
    const struct {
        WORD key;
        int length;
    } lengths[] = {{0, 10}, {VK_UP, 6}, {VK_DOWN, 10}, {VK_DOWN, 12}, {VK_DOWN, 16}};
    for (const auto& step : lengths) {
        if (step.key != 0) {
            ::SetFocus(Ctl(ControlId::cbxByteLength));
            PressKey(step.key);
        }
        std::vector<ControlId> manual = {ControlId::btnQuery, ControlId::OutputLength,
                                         ControlId::rbtnManual};
        for (int k : {2, 3, 4, 5, 6, 7, 8, 9, 10, 1, 16, 15, 14, 13, 12, 11}) {
            if (k <= step.length) {
                manual.push_back(ByteFieldId(k));
            }
        }
        manual.push_back(ControlId::cbxByteLength);
        manual.push_back(ControlId::cbxDriveList);
        manual.insert(manual.end(), outputs.begin(), outputs.end());
        round(manual, (std::to_string(step.length) + " bytes").c_str());
    }
}

// Enter and Space on the keyboard press the push button that has the focus
// and nothing else: Enter in the buffer-length field is refused there, and on
// any other control it does nothing.
TEST_F(MainWindowTest, EnterAndSpacePressOnlyTheFocusedPushButton) {
    const struct {
        ControlId focus;
        WORD key;
        std::size_t sends;
        bool copies;
    } rows[] = {
        {ControlId::btnQuery, VK_RETURN, 1, false},
        {ControlId::btnQuery, VK_SPACE, 1, false},
        {ControlId::Button2, VK_RETURN, 0, true},
        {ControlId::Button2, VK_SPACE, 0, true},
        {ControlId::OutputLength, VK_RETURN, 0, false},
        {ControlId::cbxDriveList, VK_RETURN, 0, false},
        {ControlId::cbxQuery, VK_RETURN, 0, false},
        {ControlId::edtSTRING, VK_RETURN, 0, false},
        {ControlId::memHEX, VK_RETURN, 0, false},
        {ControlId::cbxBit, VK_RETURN, 0, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message()
                     << "control " << static_cast<int>(row.focus) << " key " << row.key);
        ASSERT_TRUE(PutOnClipboard(L"before"));
        const std::size_t before = world.requests.size();
        ::SetFocus(Ctl(row.focus));
        PressKey(row.key);
        EXPECT_EQ(world.requests.size() - before, row.sends);
        EXPECT_EQ(ClipboardText() != L"before", row.copies);
        EXPECT_EQ(TextOf(ControlId::OutputLength), L"56");
        EXPECT_EQ(FocusedControl(), Ctl(row.focus)) << "the focus stays where it was";
    }
}

TEST_F(MainWindowTest, PresetSendShowsTheHandheldsAnswerAsTextAndHex) {
    Click(ControlId::btnQuery);
    // The handheld answers an INQUIRY with 36 bytes; the rest of the 56 is the buffer's zeros.
    EXPECT_EQ(TextOf(ControlId::edtStatus), L"E: (disk 1): GOOD, 36 of 56 bytes returned");

    ASSERT_EQ(world.requests.size(), 1u);
    EXPECT_EQ(world.requests[0].cdb[0], 0x12); // INQUIRY
    EXPECT_EQ(world.requests[0].dataTransferLength, 56u);
    std::vector<std::uint8_t> answer;
    sim::SimWorld::HandheldAnswer(world.requests[0].cdb, answer);
    answer.resize(56); // the rest of the buffer stays zero
    EXPECT_EQ(TextOf(ControlId::edtSTRING), RenderAnsi(answer.data(), answer.size()));
    // One hex line, wrapped for display: the displayed lines put together
    // give the line back.
    std::wstring shown = window->Controls().memHEX->WholeText();
    ASSERT_GE(shown.size(), 2u);
    EXPECT_EQ(shown.substr(shown.size() - 2), L"\r\n");
    std::wstring joined;
    for (wchar_t c : shown) {
        if (c != L'\r' && c != L'\n') {
            joined += c;
        }
    }
    EXPECT_EQ(joined, RenderHexLine(answer.data(), answer.size()));
    // The view shows the start of the dump.
    DWORD start = 1;
    DWORD end = 1;
    ::SendMessageW(Ctl(ControlId::memHEX), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                   reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 0u);
    EXPECT_EQ(end, 0u);
}

TEST_F(MainWindowTest, ALongDumpMakesWayForAFreshHexFieldInTheSamePlace) {
    SetTextOf(ControlId::OutputLength, L"1500"); // 4,500 characters of hex
    Click(ControlId::btnQuery);
    HWND old = Ctl(ControlId::memHEX);
    ASSERT_GT(window->Controls().memHEX->WholeText().size(), Win32RichText::kReplaceAbove);
    const LONG style = ::GetWindowLongW(old, GWL_STYLE);
    const CHARFORMAT2W font = RichFontOf(old);

    SetTextOf(ControlId::OutputLength, L"56");
    Click(ControlId::btnQuery);
    HWND fresh = Ctl(ControlId::memHEX);
    EXPECT_NE(fresh, old);
    EXPECT_FALSE(::IsWindow(old));
    EXPECT_EQ(::GetDlgItem(window->Handle(), static_cast<int>(ControlId::memHEX)), fresh);
    EXPECT_EQ(::GetWindowLongW(fresh, GWL_STYLE), style);
    ExpectRect(fresh, kExpectedRects[14], 96);
    const CHARFORMAT2W now = RichFontOf(fresh);
    EXPECT_EQ(std::wstring(now.szFaceName), std::wstring(font.szFaceName));
    EXPECT_EQ(now.yHeight, font.yHeight);
    EXPECT_EQ(now.bCharSet, font.bCharSet);
    EXPECT_EQ(::SendMessageW(fresh, EM_GETLIMITTEXT, 0, 0),
              static_cast<LRESULT>(Win32RichText::kDefaultCapacity));
    EXPECT_EQ(::GetNextDlgTabItem(window->Handle(), Ctl(ControlId::Button2), FALSE), fresh);
    std::vector<std::uint8_t> answer;
    sim::SimWorld::HandheldAnswer(world.requests.back().cdb, answer);
    answer.resize(56);
    std::wstring joined;
    for (wchar_t c : window->Controls().memHEX->WholeText()) {
        if (c != L'\r' && c != L'\n') {
            joined += c;
        }
    }
    EXPECT_EQ(joined, RenderHexLine(answer.data(), answer.size()));
}

TEST_F(MainWindowTest, FailedSendAndTheFormatConfirmation) {
    SetTextOf(ControlId::cbxDriveList, L"G:\\"); // a volume without extents
    Click(ControlId::btnQuery);
    EXPECT_EQ(TextOf(ControlId::edtSTRING), L"SCSI Command Failed");
    EXPECT_EQ(TextOf(ControlId::memHEX), L"");
    EXPECT_EQ(TextOf(ControlId::edtStatus), L"Not sent: Windows reports no disk for G:");
    SetTextOf(ControlId::cbxDriveList, L"E:\\");
    world.disks[1].scsiStatus = 0x02; // the card is out
    Click(ControlId::btnQuery);
    EXPECT_EQ(TextOf(ControlId::edtSTRING), L"SCSI Command Failed");
    EXPECT_EQ(TextOf(ControlId::memHEX), L"");
    EXPECT_EQ(TextOf(ControlId::edtStatus),
              L"E: (disk 1): CHECK CONDITION, NOT READY: MEDIUM NOT PRESENT (sense 2/3A/00)");
    world.disks[1].scsiStatus.reset();

    SetTextOf(ControlId::cbxDriveList, L"E:\\");
    KeyDown(Ctl(ControlId::cbxQuery), VK_DOWN); // preset 1, the format
    const std::size_t before = world.requests.size();
    {
        BoxAnswerer answerer({Escape()}, window->Handle());
        Click(ControlId::btnQuery);
        const auto& boxes = answerer.Wait();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].caption, L"Confirm");
        EXPECT_EQ(boxes[0].text, L"This will device level format your memory stick, your files "
                                 L"will be erased.  ARE YOU SURE?");
    }
    EXPECT_EQ(world.requests.size(), before); // nothing sent
    EXPECT_EQ(TextOf(ControlId::edtSTRING), L"");
    {
        BoxAnswerer answerer({Press(L"OK")}, window->Handle());
        Click(ControlId::btnQuery);
        answerer.Wait();
    }
    EXPECT_EQ(world.formatCount, 1);

    // A drive arrives while the question waits, and is not the target: the
    // OK that follows sends nothing, and the next press asks again.
    world.volumes[L'K'] = sim::SimVolume{kDriveRemovable, 0, {2}, 0};
    DEV_BROADCAST_VOLUME volume{};
    volume.dbcv_size = sizeof(volume);
    volume.dbcv_devicetype = DBT_DEVTYP_VOLUME;
    volume.dbcv_unitmask = 1u << 10; // K:
    const std::size_t sent = world.requests.size();
    const DWORD thread = ::GetCurrentThreadId();
    std::vector<std::wstring> captions;
    std::thread user([&] {
        HWND confirm = FindBox(thread, L"Confirm");
        captions.push_back(confirm != nullptr ? Text(confirm) : L"");
        // Sent, as the system does, from a thread of its own: it is handled
        // inside the confirmation's wait.
        std::thread system([&] {
            ::SendMessageW(window->Handle(), WM_DEVICECHANGE, DBT_DEVICEARRIVAL,
                           reinterpret_cast<LPARAM>(&volume));
        });
        HWND question = FindBox(thread, L"Warning");
        captions.push_back(question != nullptr ? Text(question) : L"");
        if (question != nullptr) {
            AnswerBox(question, Press(L"&No"), thread);
        }
        system.join();
        if (confirm != nullptr) {
            AnswerBox(confirm, Press(L"OK"), thread);
        }
        // Told that nothing was sent, in a plain message.
        HWND told = FindBox(thread, kApplicationTitle);
        if (told != nullptr) {
            const BoxSeen seen = InspectBox(told, window->Handle());
            captions.push_back(seen.text);
            AnswerBox(told, Press(L"OK"), thread);
        }
    });
    Click(ControlId::btnQuery);
    user.join();
    EXPECT_EQ(captions, (std::vector<std::wstring>{
                            L"Confirm", L"Warning",
                            L"Nothing was sent to drive E: because the drive list changed while "
                            L"the question was open."}));
    EXPECT_EQ(world.requests.size(), sent);
    EXPECT_EQ(world.formatCount, 1);
    EXPECT_EQ(TextOf(ControlId::edtSTRING), L"");
    EXPECT_EQ(TextOf(ControlId::cbxDriveList), L"E:\\");
    {
        BoxAnswerer answerer({Press(L"OK")}, window->Handle());
        Click(ControlId::btnQuery);
        EXPECT_EQ(answerer.Wait().size(), 1u);
    }
    EXPECT_EQ(world.formatCount, 2);

    // A fixed disk that arrives while the question waits never enters the
    // list: the OK that follows formats.
    world.volumes[L'L'] = sim::SimVolume{kDriveFixed, 0, {3}, 0};
    volume.dbcv_unitmask = 1u << 11; // L:
    std::thread quiet([&] {
        HWND confirm = FindBox(thread, L"Confirm");
        std::thread system([&] {
            ::SendMessageW(window->Handle(), WM_DEVICECHANGE, DBT_DEVICEARRIVAL,
                           reinterpret_cast<LPARAM>(&volume));
        });
        system.join();
        if (confirm != nullptr) {
            AnswerBox(confirm, Press(L"OK"), thread);
        }
    });
    Click(ControlId::btnQuery);
    quiet.join();
    EXPECT_EQ(world.formatCount, 3);
}

// A send writes each output once, when it ends; a box that opens on the way
// shows them already cleared, as the send has cleared them by then.
TEST_F(MainWindowTest, OutputsAreClearedOnScreenWhenABoxOpensDuringASend) {
    struct Row {
        const char* name;
        bool manual;
        const wchar_t* caption;
        Answer answer;
    };
    const Row rows[] = {
        {"format confirmation", false, L"Confirm", Escape()},
        {"conversion error", true, kApplicationTitle, Press(L"OK")},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        if (row.manual) {
            EnterManualMode();
            SetTextOf(ByteFieldId(1), L"FC"); // the firmware version
            SetTextOf(ByteFieldId(3), L"90");
            SetTextOf(ControlId::OutputLength, L"56"); // the format's default was 0
            Click(ControlId::btnQuery);
        } else {
            Click(ControlId::btnQuery); // INQUIRY
        }
        ASSERT_NE(TextOf(ControlId::edtSTRING), L"");
        ASSERT_NE(TextOf(ControlId::memHEX), L"");
        if (row.manual) {
            SetTextOf(ByteFieldId(9), L"G1");
        } else {
            KeyDown(Ctl(ControlId::cbxQuery), VK_DOWN); // preset 1, the format
        }
        const DWORD thread = ::GetCurrentThreadId();
        std::wstring text = L"?";
        std::wstring hex = L"?";
        std::thread user([&] {
            HWND box = FindBox(thread, row.caption);
            if (box != nullptr) {
                text = Text(Ctl(ControlId::edtSTRING));
                hex = Text(Ctl(ControlId::memHEX));
                AnswerBox(box, row.answer, thread);
            }
        });
        Click(ControlId::btnQuery);
        user.join();
        EXPECT_EQ(text, L"");
        EXPECT_EQ(hex, L"");
    }
}

TEST_F(MainWindowTest, RadioButtonsRunTheirHandlerOnlyWhenTheyBecomeChecked) {
    {
        BoxAnswerer answerer({Press(L"OK")}, window->Handle());
        Click(ControlId::rbtnManual);
        const auto& boxes = answerer.Wait();
        ASSERT_EQ(boxes.size(), 1u); // the one-time warning
        EXPECT_EQ(boxes[0].caption, kApplicationTitle);
    }
    EXPECT_TRUE(Checked(Ctl(ControlId::rbtnManual)));
    EXPECT_FALSE(Checked(Ctl(ControlId::rbtnPreset)));
    EXPECT_TRUE(::IsWindowEnabled(Ctl(ByteFieldId(10))));
    EXPECT_FALSE(::IsWindowEnabled(Ctl(ByteFieldId(11))));
    EXPECT_FALSE(::IsWindowEnabled(Ctl(ControlId::cbxQuery)));
    // Only the checked one is a Tab stop.
    EXPECT_NE(::GetWindowLongW(Ctl(ControlId::rbtnManual), GWL_STYLE) & WS_TABSTOP, 0);
    EXPECT_EQ(::GetWindowLongW(Ctl(ControlId::rbtnPreset), GWL_STYLE) & WS_TABSTOP, 0);

    // A second click on the checked button runs nothing: what the handler
    // would enable again stays disabled.
    ::EnableWindow(Ctl(ByteFieldId(1)), FALSE);
    Click(ControlId::rbtnManual);
    EXPECT_FALSE(::IsWindowEnabled(Ctl(ByteFieldId(1))));

    Click(ControlId::rbtnPreset);
    EXPECT_TRUE(Checked(Ctl(ControlId::rbtnPreset)));
    EXPECT_FALSE(Checked(Ctl(ControlId::rbtnManual)));
    EXPECT_TRUE(::IsWindowEnabled(Ctl(ControlId::cbxQuery)));
    EXPECT_FALSE(::IsWindowEnabled(Ctl(ByteFieldId(2))));
    ::EnableWindow(Ctl(ByteFieldId(2)), TRUE);
    Click(ControlId::rbtnPreset);
    EXPECT_TRUE(::IsWindowEnabled(Ctl(ByteFieldId(2))));
}

TEST_F(MainWindowTest, ListsRunTheirChangeHandlerForTheUsersStepsOnly) {
    KeyDown(Ctl(ControlId::cbxQuery), VK_DOWN);
    EXPECT_EQ(TextOf(ControlId::cbxQuery), kPresetCaptions[1]);
    EXPECT_EQ(TextOf(ControlId::OutputLength), L"0");
    KeyDown(Ctl(ControlId::cbxQuery), VK_DOWN);
    KeyDown(Ctl(ControlId::cbxQuery), VK_DOWN);
    EXPECT_EQ(TextOf(ControlId::OutputLength), L"128");
    EXPECT_EQ(TextOf(ControlId::cbxBit), L"Unicode");

    // The program's own selection runs no handler.
    window->Controls().cbxQuery->SetItemIndex(0);
    EXPECT_EQ(TextOf(ControlId::cbxQuery), kPresetCaptions[0]);
    EXPECT_EQ(TextOf(ControlId::OutputLength), L"128");

    EnterManualMode();
    SetTextOf(ByteFieldId(12), L"AB");
    KeyDown(Ctl(ControlId::cbxByteLength), VK_DOWN); // "12 Bytes"
    EXPECT_TRUE(::IsWindowEnabled(Ctl(ByteFieldId(12))));
    KeyDown(Ctl(ControlId::cbxByteLength), VK_UP); // back to "10 Bytes"
    EXPECT_FALSE(::IsWindowEnabled(Ctl(ByteFieldId(12))));
    EXPECT_EQ(TextOf(ByteFieldId(12)), L"00");
}

TEST_F(MainWindowTest, OutputFormatMenuChangesOnlyTheTextFieldsCharacterSet) {
    SetTextOf(ControlId::edtSTRING, L"kept");
    Menu(CommandId::SHIFTJISCHARSET1);
    EXPECT_EQ(FontOf(Ctl(ControlId::edtSTRING)).lfCharSet, SHIFTJIS_CHARSET);
    EXPECT_EQ(FontOf(Ctl(ControlId::edtSTRING)).lfHeight, -11);
    EXPECT_EQ(FontOf(Ctl(ControlId::btnQuery)).lfCharSet, DEFAULT_CHARSET);
    EXPECT_EQ(RichFontOf(Ctl(ControlId::memHEX)).bCharSet, ANSI_CHARSET);
    EXPECT_EQ(TextOf(ControlId::edtSTRING), L"kept");
    Menu(CommandId::DEFAULTCHARSET1);
    EXPECT_EQ(FontOf(Ctl(ControlId::edtSTRING)).lfCharSet, DEFAULT_CHARSET);
}

// The handheld's Shift-JIS page: the ANSI text is one character per byte, so
// only a reading in the font's character set turns it into Japanese. With
// JUXA_SHOT=<file.bmp> the test keeps a picture of the window showing it.
TEST_F(MainWindowTest, ShiftJisBytesReadAsJapaneseInTheShiftJisFontOnly) {
    EnterManualMode();
    SetTextOf(ByteFieldId(1), L"FC");
    SetTextOf(ByteFieldId(3), L"92");
    SetTextOf(ControlId::OutputLength, L"22");
    Click(ControlId::btnQuery);
    ASSERT_EQ(world.requests.size(), 1u);
    std::vector<std::uint8_t> answer;
    sim::SimWorld::HandheldAnswer(world.requests[0].cdb, answer);
    ASSERT_EQ(answer.size(), 22u);
    const std::wstring bytes = RenderAnsi(answer.data(), answer.size());
    EXPECT_EQ(TextOf(ControlId::edtSTRING), bytes);
    const std::wstring hex = window->Controls().memHEX->WholeText();
    ASSERT_FALSE(hex.empty());

    Menu(CommandId::SHIFTJISCHARSET1);
    EXPECT_EQ(FontOf(Ctl(ControlId::edtSTRING)).lfCharSet, SHIFTJIS_CHARSET);
    // "シムプレイヤー（日本）"
    const std::wstring japanese =
        L"\u30b7\u30e0\u30d7\u30ec\u30a4\u30e4\u30fc\uff08\u65e5\u672c\uff09";
    EXPECT_EQ(TextOf(ControlId::edtSTRING), japanese);
    EXPECT_EQ(MissingGlyphs(Ctl(ControlId::edtSTRING), japanese), 0) << "no Japanese font?";
    // The report still gets the bytes, one character each.
    EXPECT_EQ(window->Controls().edtSTRING->Text(), bytes);
    EXPECT_EQ(window->Controls().memHEX->WholeText(), hex);
    if (const wchar_t* shot = ::_wgetenv(L"JUXA_SHOT")) {
        SavePicture(window->Handle(), shot);
    }

    Menu(CommandId::DEFAULTCHARSET1);
    EXPECT_EQ(FontOf(Ctl(ControlId::edtSTRING)).lfCharSet, DEFAULT_CHARSET);
    EXPECT_EQ(TextOf(ControlId::edtSTRING), bytes);
    EXPECT_EQ(window->Controls().memHEX->WholeText(), hex);

    // A Unicode-mode result is text, not bytes: under either character set it
    // keeps its characters, shown after the choice or before it.
    const std::wstring latin = L"caf\u00e9 \u00c0\u00c1 \u00b1x";
    ::SendMessageW(Ctl(ControlId::cbxBit), CB_SETCURSEL, 1, 0);
    SetTextOf(ControlId::OutputLength, std::to_wstring(2 * latin.size()));
    for (const CommandId charset : {CommandId::SHIFTJISCHARSET1, CommandId::DEFAULTCHARSET1}) {
        DataInBuffer utf16(2 * latin.size());
        for (std::size_t i = 0; i < latin.size(); ++i) {
            utf16.Data()[2 * i] = static_cast<std::uint8_t>(latin[i] & 0xFF);
            utf16.Data()[2 * i + 1] = static_cast<std::uint8_t>(latin[i] >> 8);
        }
        window->Controls().memHEX->Clear();
        window->Form().ShowResult(utf16);
        EXPECT_EQ(TextOf(ControlId::edtSTRING), latin);
        Menu(charset);
        EXPECT_EQ(TextOf(ControlId::edtSTRING), latin);
        EXPECT_EQ(window->Controls().edtSTRING->Text(), latin);
    }
}

TEST_F(MainWindowTest, DeviceChangeReachesTheHandlerAndAnswersZero) {
    DEV_BROADCAST_VOLUME volume{};
    volume.dbcv_size = sizeof(volume);
    volume.dbcv_devicetype = DBT_DEVTYP_VOLUME;
    volume.dbcv_unitmask = 1u << 4; // E:
    BoxAnswerer answerer({Press(L"OK")}, window->Handle());
    const LRESULT result =
        ::SendMessageW(window->Handle(), WM_DEVICECHANGE, DBT_DEVICEREMOVECOMPLETE,
                       reinterpret_cast<LPARAM>(&volume));
    const auto& boxes = answerer.Wait();
    EXPECT_EQ(result, 0);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, L"The selected drive (E:\\) has been removed");
    EXPECT_EQ(ListItems(Ctl(ControlId::cbxDriveList)), (std::vector<std::wstring>{L"F:\\"}));
    EXPECT_EQ(TextOf(ControlId::cbxDriveList), L"F:\\");
}

TEST_F(MainWindowTest, AnArrivingRemovableDriveIsAskedAboutAndSelectedOnYes) {
    world.volumes[L'K'] = sim::SimVolume{kDriveRemovable, 0, {2}, 0};
    DEV_BROADCAST_VOLUME volume{};
    volume.dbcv_size = sizeof(volume);
    volume.dbcv_devicetype = DBT_DEVTYP_VOLUME;
    volume.dbcv_unitmask = 1u << 10; // K:
    BoxAnswerer answerer({Press(L"&Yes")}, window->Handle());
    const LRESULT result = ::SendMessageW(window->Handle(), WM_DEVICECHANGE, DBT_DEVICEARRIVAL,
                                          reinterpret_cast<LPARAM>(&volume));
    const auto& boxes = answerer.Wait();
    EXPECT_EQ(result, 0);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, L"Warning");
    EXPECT_EQ(boxes[0].text, L"USB Drive K:\\ Detected\n\rIs this your target drive?");
    EXPECT_EQ(ListItems(Ctl(ControlId::cbxDriveList)),
              (std::vector<std::wstring>{L"E:\\", L"F:\\", L"K:\\"}));
    EXPECT_EQ(TextOf(ControlId::cbxDriveList), L"K:\\");
}

TEST_F(MainWindowTest, ErrorInAHandlerGoesToTheErrorBoxAndTheProgramGoesOn) {
    EnterManualMode();
    SetTextOf(ByteFieldId(9), L"G1");
    {
        BoxAnswerer answerer({Press(L"OK")}, window->Handle());
        Click(ControlId::btnQuery);
        ExpectOneErrorBox(answerer.Wait(), L"''$G1'' is not a valid integer value.");
    }
    EXPECT_TRUE(world.requests.empty());
    EXPECT_EQ(DataInBuffer::LiveCount(), 0);
    EXPECT_TRUE(::IsWindowEnabled(window->Handle()));

    // Still waiting for events, with everything as it was.
    EXPECT_EQ(TextOf(ByteFieldId(9)), L"G1");
    SetTextOf(ByteFieldId(1), L"12");
    SetTextOf(ByteFieldId(9), L"00");
    Click(ControlId::btnQuery);
    ASSERT_EQ(world.requests.size(), 1u);
    EXPECT_EQ(world.requests[0].cdb[0], 0x12);
    EXPECT_EQ(world.requests[0].cdbLength, 10);
}

// Every window class of the program enters through one procedure, which
// hands an escaping error to the central error handler: the About window's
// too, whose box is then modal to it, and everything goes on.
TEST_F(MainWindowTest, ErrorInTheAboutWindowGoesToTheErrorBoxAndTheProgramGoesOn) {
    class FailingAbout final : public TfrmAbout {
    public:
        using TfrmAbout::TfrmAbout;

    protected:
        LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
            if (message == WM_APP) {
                throw JuxaError(L"The credits cannot be shown");
            }
            return TfrmAbout::OnMessage(message, wParam, lParam);
        }
    };
    FailingAbout about(::GetModuleHandleW(nullptr), window->Handle(), window->Dpi());
    {
        BoxAnswerer answerer({Press(L"OK")}, about.Handle());
        EXPECT_EQ(::SendMessageW(about.Handle(), WM_APP, 0, 0), 0);
        ExpectOneErrorBox(answerer.Wait(), L"The credits cannot be shown.");
    }
    // The window is still there and still works.
    window->SetAboutBox(&about);
    bool shown = false;
    std::thread closer([&] {
        for (int i = 0; i < 500 && ::IsWindowVisible(about.Handle()) == FALSE; ++i) {
            ::Sleep(10);
        }
        shown = ::IsWindowVisible(about.Handle()) != FALSE;
        ::PostMessageW(about.Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
    });
    Menu(CommandId::ABout1);
    closer.join();
    window->SetAboutBox(nullptr);
    EXPECT_TRUE(shown);
    EXPECT_FALSE(::IsWindowVisible(about.Handle()));
    EXPECT_TRUE(::IsWindowEnabled(window->Handle()));
}

TEST_F(MainWindowTest, CopyToClipboardPutsTheReportAsUnicodeTextOnly) {
    Click(ControlId::Button2);
    EXPECT_EQ(ClipboardText(), std::wstring(L"Query: ") + kPresetCaptions[0] +
                                   L"\r\nLength = 56\r\nString Output: \"\"\r\nHex Output:");

    // After a real send through the simulated handheld.
    Click(ControlId::btnQuery);
    Click(ControlId::Button2);
    std::vector<std::uint8_t> answer;
    sim::SimWorld::HandheldAnswer(world.requests.at(0).cdb, answer);
    answer.resize(56, 0);
    const std::wstring report = ClipboardText();
    const std::wstring head = std::wstring(L"Query: ") + kPresetCaptions[0] +
                              L"\r\nLength = 56\r\nString Output: \"" +
                              RenderAnsi(answer.data(), 56) + L"\"\r\nHex Output:00 80 02 02 1F ";
    EXPECT_EQ(report.substr(0, head.size()), head);
    EXPECT_EQ(report.substr(report.size() - 5), L"00 \r\n");
    EXPECT_GT(std::count(report.begin(), report.end(), L'\n'), 4) << "the hex spans several lines";
}

TEST_F(MainWindowTest, TheClipboardHoldsOnlyUnicodeText) {
    Click(ControlId::Button2);
    ASSERT_TRUE(::OpenClipboard(nullptr));
    EXPECT_TRUE(::IsClipboardFormatAvailable(CF_UNICODETEXT));
    EXPECT_EQ(::CountClipboardFormats() > 0, true);
    auto* data = static_cast<const wchar_t*>(::GlobalLock(::GetClipboardData(CF_UNICODETEXT)));
    ASSERT_NE(data, nullptr);
    const std::wstring text(data);
    ::GlobalUnlock(::GetClipboardData(CF_UNICODETEXT));
    ::CloseClipboard();
    EXPECT_EQ(text, std::wstring(L"Query: ") + kPresetCaptions[0] +
                        L"\r\nLength = 56\r\nString Output: \"\"\r\nHex Output:");
}

TEST_F(MainWindowTest, AClipboardHeldElsewhereGivesTheErrorBox) {
    ASSERT_TRUE(::OpenClipboard(nullptr));
    ::EmptyClipboard();
    ::CloseClipboard();
    // Another thread holds the clipboard open while the button is pressed.
    HANDLE opened = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE release = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::thread holder([&] {
        ::OpenClipboard(nullptr);
        ::SetEvent(opened);
        ::WaitForSingleObject(release, 20000);
        ::CloseClipboard();
    });
    ::WaitForSingleObject(opened, 5000);
    {
        BoxAnswerer answerer({Press(L"OK")}, window->Handle());
        Click(ControlId::Button2);
        const auto& boxes = answerer.Wait();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].caption, kApplicationTitle);
        EXPECT_EQ(boxes[0].text.rfind(L"Cannot open clipboard: ", 0), 0u) << boxes[0].text.size();
        EXPECT_GT(boxes[0].text.size(), std::wstring(L"Cannot open clipboard: ").size());
        EXPECT_EQ(boxes[0].text.find(L'\n'), std::wstring::npos);
        EXPECT_EQ(boxes[0].text.back(), L'.');
    }
    ::SetEvent(release);
    holder.join();
    ::CloseHandle(opened);
    ::CloseHandle(release);
    EXPECT_FALSE(::IsClipboardFormatAvailable(CF_UNICODETEXT)); // the old contents stay
}

TEST_F(MainWindowTest, AboutShowsTheCreditsModallyEachTime) {
    TfrmAbout about(::GetModuleHandleW(nullptr), window->Handle(), window->Dpi());
    window->SetAboutBox(&about);
    EXPECT_FALSE(::IsWindowVisible(about.Handle())); // made hidden
    EXPECT_EQ(Text(about.Handle()), L"About Juxa 0.5 BETA");
    RECT client{};
    ::GetClientRect(about.Handle(), &client);
    EXPECT_EQ(client.right, 294);
    EXPECT_EQ(client.bottom, 143);
    const RECT memo = RectInParent(about.Memo1());
    EXPECT_EQ(memo.left, 8);
    EXPECT_EQ(memo.top, 8);
    EXPECT_EQ(memo.right - memo.left, 278);
    EXPECT_EQ(memo.bottom - memo.top, 127);
    EXPECT_NE(::GetWindowLongW(about.Memo1(), GWL_STYLE) & ES_READONLY, 0);
    EXPECT_EQ(::SendMessageW(about.Memo1(), EM_GETLINECOUNT, 0, 0), 7);
    EXPECT_EQ(::SendMessageW(about.Memo1(), EM_LINELENGTH,
                             ::SendMessageW(about.Memo1(), EM_LINEINDEX, 1, 0), 0),
              0);

    for (int round = 0; round < 2; ++round) {
        bool wasVisible = false;
        bool ownerDisabled = false;
        RECT shown{};
        std::thread closer([&] {
            for (int i = 0; i < 500 && ::IsWindowVisible(about.Handle()) == FALSE; ++i) {
                ::Sleep(10);
            }
            wasVisible = ::IsWindowVisible(about.Handle()) != FALSE;
            ownerDisabled = ::IsWindowEnabled(window->Handle()) == FALSE;
            ::GetWindowRect(about.Handle(), &shown);
            ::PostMessageW(about.Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
        });
        Menu(CommandId::ABout1);
        closer.join();
        EXPECT_TRUE(wasVisible);
        EXPECT_TRUE(ownerDisabled);
        EXPECT_FALSE(::IsWindowVisible(about.Handle()));
        EXPECT_TRUE(::IsWindowEnabled(window->Handle()));
        RECT owner{};
        ::GetWindowRect(window->Handle(), &owner);
        EXPECT_NEAR((shown.left + shown.right) / 2, (owner.left + owner.right) / 2, 1);
        EXPECT_NEAR((shown.top + shown.bottom) / 2, (owner.top + owner.bottom) / 2, 1);
    }
    window->SetAboutBox(nullptr);
}
