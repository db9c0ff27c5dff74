// The buffer-length spin field and the rich text field as real controls.
#include "WindowTestSupport.h"

#include "Texts.h"

#include <dbt.h>
#include <richedit.h>

#include <chrono>

using namespace juxa;
using namespace juxa::win32;
using namespace juxa::win32::test;

namespace {

class SpinFieldTest : public MainWindowTest {
protected:
    HWND Field() const { return Ctl(ControlId::OutputLength); }
    HWND Arrows() const { return window->OutputLengthField().Arrows(); }
    LPARAM ArrowPoint(SpinField::Arrow arrow) const {
        const RECT r = window->OutputLengthField().ArrowRect(arrow);
        return MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    }
    void Leave() const { ::SetFocus(Ctl(ControlId::cbxQuery)); }
    void Type(wchar_t c) const { ::SendMessageW(Field(), WM_CHAR, c, 1); }
    void Press(SpinField::Arrow arrow) const {
        ::SendMessageW(Arrows(), WM_LBUTTONDOWN, MK_LBUTTON, ArrowPoint(arrow));
    }
    void Release(LPARAM at) const { ::SendMessageW(Arrows(), WM_LBUTTONUP, 0, at); }
    std::wstring Value() const { return Text(Field()); }
    void SetValue(const wchar_t* text) const { ::SetWindowTextW(Field(), text); }
};

} // namespace

TEST_F(SpinFieldTest, LeavingTheFieldClampsOnlyValuesOutOfRange) {
    const struct {
        const wchar_t* typed;
        const wchar_t* after;
    } cases[] = {
        {L"-5", L"0"},
        {L"70000", L"65536"},
        {L"65536", L"65536"},
        {L"+56", L"+56"},
        {L"0056", L"0056"},
        {L"1.5", L"1.5"},
        {L"abc", L"abc"},
        {L"$10", L"$10"},
        {L"99999999999", L"99999999999"}, // does not convert, so it reads as 0
    };
    for (const auto& c : cases) {
        ::SetFocus(Field());
        SetValue(c.typed);
        Leave();
        EXPECT_EQ(Value(), c.after) << std::string(c.typed, c.typed + wcslen(c.typed));
    }
}

TEST_F(SpinFieldTest, PushingAButtonSettlesTheFieldBeforeTheHandlerReadsIt) {
    ::SetFocus(Field());
    SetValue(L"70000");
    Click(ControlId::Button2); // the report reads the length
    EXPECT_EQ(Value(), L"65536");
    ASSERT_TRUE(::OpenClipboard(nullptr));
    const auto* data =
        static_cast<const wchar_t*>(::GlobalLock(::GetClipboardData(CF_UNICODETEXT)));
    ASSERT_NE(data, nullptr);
    EXPECT_NE(std::wstring(data).find(L"\r\nLength = 65536\r\n"), std::wstring::npos);
    ::GlobalUnlock(::GetClipboardData(CF_UNICODETEXT));
    ::CloseClipboard();

    ::SetFocus(Field());
    SetValue(L"-3");
    Click(ControlId::btnQuery);
    EXPECT_EQ(Value(), L"0");
    ASSERT_EQ(world.requests.size(), 1u);
    EXPECT_EQ(world.requests[0].dataTransferLength, 0u);
}

TEST_F(SpinFieldTest, UpAndDownKeysStepTheValueReadAndClamp) {
    ::SetFocus(Field());
    const struct {
        const wchar_t* before;
        WPARAM key;
        const wchar_t* after;
    } cases[] = {
        {L"56", VK_UP, L"57"},       {L"56", VK_DOWN, L"55"}, {L"65535", VK_UP, L"65536"},
        {L"65536", VK_UP, L"65536"}, {L"0", VK_DOWN, L"0"},   {L"abc", VK_UP, L"1"},
        {L"abc", VK_DOWN, L"0"},     {L"+9", VK_UP, L"10"},   {L"70000", VK_DOWN, L"65536"},
    };
    for (const auto& c : cases) {
        SetValue(c.before);
        ::SendMessageW(Field(), WM_KEYDOWN, c.key, 1);
        EXPECT_EQ(Value(), c.after) << std::string(c.before, c.before + wcslen(c.before));
    }
}

TEST_F(SpinFieldTest, RefusesCharactersThatCannotBelongToANumber) {
    ::SetFocus(Field());
    SetValue(L"");
    for (wchar_t c : std::wstring(L"1a2 -+x\r")) {
        Type(c);
    }
    EXPECT_EQ(Value(), L"12-+");
    // Enter reaches the field (which refuses it) instead of the window's
    // keyboard navigation.
    MSG enter{Field(), WM_KEYDOWN, VK_RETURN, 1, 0, {}};
    EXPECT_NE(::SendMessageW(Field(), WM_GETDLGCODE, VK_RETURN, reinterpret_cast<LPARAM>(&enter)) &
                  DLGC_WANTALLKEYS,
              0);
    MSG tab{Field(), WM_KEYDOWN, VK_TAB, 1, 0, {}};
    EXPECT_EQ(::SendMessageW(Field(), WM_GETDLGCODE, VK_TAB, reinterpret_cast<LPARAM>(&tab)) &
                  (DLGC_WANTALLKEYS | DLGC_WANTTAB),
              0);
}

// The field is entered and left only when the focus moves between controls
// of the window: by the keyboard it selects the whole text, and leaving it
// clamps; another program, a box or minimising do neither, and the focus
// comes back to it without a selection.
TEST_F(SpinFieldTest, EnteredAndLeftOnlyBetweenControlsOfTheWindow) {
    const auto selection = [&] {
        DWORD start = 99;
        DWORD end = 99;
        ::SendMessageW(Field(), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                       reinterpret_cast<LPARAM>(&end));
        return std::make_pair(start, end);
    };
    const std::pair<DWORD, DWORD> all{0, 5};
    const std::pair<DWORD, DWORD> caret{2, 2};
    SetValue(L"99999");

    ::SetFocus(Ctl(ControlId::btnQuery));
    PressKey(VK_TAB);
    ASSERT_EQ(::GetFocus(), Field());
    EXPECT_EQ(selection(), all) << "Tab from the button";
    ::SetFocus(Ctl(ControlId::cbxQuery));
    EXPECT_EQ(Value(), L"65536") << "left for the preset list";
    SetValue(L"99999");
    PressKey(VK_TAB, true);
    ASSERT_EQ(::GetFocus(), Field());
    EXPECT_EQ(selection(), all) << "Shift+Tab from the preset list";

    // A mouse press on the field, from another control.
    ::SetFocus(Ctl(ControlId::btnQuery));
    SetValue(L"99999");
    RECT r{};
    ::GetWindowRect(Field(), &r);
    Click(POINT{r.left + 6, (r.top + r.bottom) / 2});
    ASSERT_EQ(::GetFocus(), Field());
    EXPECT_NE(selection(), all) << "a mouse press";

    ::SendMessageW(Field(), EM_SETSEL, 2, 2);
    // Another program comes to the front, and goes again.
    HWND other =
        ::CreateWindowExW(WS_EX_TOPMOST, L"STATIC", L"another program", WS_POPUP | WS_VISIBLE, 0, 0,
                          100, 50, nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
    ::SetForegroundWindow(other);
    Pump(100);
    EXPECT_NE(::GetFocus(), Field());
    EXPECT_EQ(Value(), L"99999") << "switching to another program";
    ::SetForegroundWindow(window->Handle());
    Pump(100);
    ::DestroyWindow(other);
    EXPECT_EQ(::GetFocus(), Field()) << "the focus comes back";
    EXPECT_EQ(selection(), caret) << "coming back selects nothing";

    // A box opens over the window (the selected drive is removed) and closes.
    world.volumes.erase(L'E');
    DEV_BROADCAST_VOLUME volume{};
    volume.dbcv_size = sizeof(volume);
    volume.dbcv_devicetype = DBT_DEVTYP_VOLUME;
    volume.dbcv_unitmask = 1u << 4; // E:
    {
        BoxAnswerer answerer({test::Press(L"OK")}, window->Handle());
        ::SendMessageW(window->Handle(), WM_DEVICECHANGE, DBT_DEVICEREMOVECOMPLETE,
                       reinterpret_cast<LPARAM>(&volume));
        ASSERT_EQ(answerer.Wait().size(), 1u);
    }
    Pump(100);
    EXPECT_EQ(Value(), L"99999") << "a box opening";
    EXPECT_EQ(::GetFocus(), Field());
    EXPECT_EQ(selection(), caret);

    // Minimised and restored.
    ::ShowWindow(window->Handle(), SW_MINIMIZE);
    Pump(100);
    EXPECT_EQ(Value(), L"99999") << "minimising";
    ::ShowWindow(window->Handle(), SW_RESTORE);
    ::SetForegroundWindow(window->Handle());
    Pump(100);
    EXPECT_EQ(::GetFocus(), Field());
    EXPECT_EQ(selection(), caret);

    // Leaving it for a button does clamp.
    PressKey(VK_TAB, true);
    EXPECT_EQ(::GetFocus(), Ctl(ControlId::btnQuery));
    EXPECT_EQ(Value(), L"65536");
}

TEST_F(SpinFieldTest, AClickStepsOnceOnReleaseOverTheArrow) {
    Leave();
    Press(SpinField::Arrow::Up);
    EXPECT_EQ(::GetFocus(), Field()); // the press moved the focus into the field
    EXPECT_EQ(Value(), L"56");        // nothing yet
    Release(ArrowPoint(SpinField::Arrow::Up));
    EXPECT_EQ(Value(), L"57");

    Press(SpinField::Arrow::Down);
    Release(ArrowPoint(SpinField::Arrow::Down));
    Press(SpinField::Arrow::Down);
    Release(ArrowPoint(SpinField::Arrow::Down));
    EXPECT_EQ(Value(), L"55");

    // Released away from the arrow: no step.
    Press(SpinField::Arrow::Up);
    Release(ArrowPoint(SpinField::Arrow::Down));
    Press(SpinField::Arrow::Up);
    Release(MAKELPARAM(500, 500));
    EXPECT_EQ(Value(), L"55");
}

TEST_F(SpinFieldTest, HoldingRepeatsAfterTheFirstWaitWhileThePointerStaysOn) {
    SetValue(L"100");
    Press(SpinField::Arrow::Up);
    Pump(300);
    EXPECT_EQ(Value(), L"100"); // the first repeat comes only after 400 ms
    Pump(1000);
    const int held = std::stoi(Value()) - 100;
    // 400 ms, then every 100 ms: about 10 steps in 1.3 s; timers are coarse.
    EXPECT_GE(held, 5);
    EXPECT_LE(held, 11);

    // Off the arrow it stops stepping, and releasing there adds nothing.
    ::SendMessageW(Arrows(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(500, 500));
    const std::wstring away = Value();
    Pump(400);
    EXPECT_EQ(Value(), away);
    Release(MAKELPARAM(500, 500));
    Pump(300);
    EXPECT_EQ(Value(), away);
}

TEST_F(SpinFieldTest, HoldingNearTheTopEndsAtTheMaximum) {
    SetValue(L"65530");
    Press(SpinField::Arrow::Up);
    Pump(2000);
    Release(ArrowPoint(SpinField::Arrow::Up));
    EXPECT_EQ(Value(), L"65536");
}

// --- the rich text field ---

namespace {

class RichTextTest : public ::testing::Test {
protected:
    void SetUp() override {
        InitialiseControls();
        window_ = ::CreateWindowExW(0, MSFTEDIT_CLASS, L"",
                                    WS_POPUP | ES_MULTILINE | ES_READONLY | WS_VSCROLL, 0, 0, 200,
                                    100, nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(window_, nullptr);
    }
    void TearDown() override { ::DestroyWindow(window_); }
    HWND window_ = nullptr;
};

} // namespace

TEST_F(RichTextTest, LinesAreParagraphsAndTheWholeTextFollowsTheDisplay) {
    Win32RichText rich(window_, 1000);
    EXPECT_EQ(rich.WholeText(), L"");
    rich.AddLine(L"x");
    EXPECT_EQ(rich.WholeText(), L"x\r\n"); // the empty last line is left out
    rich.AddLine(L"");
    EXPECT_EQ(rich.WholeText(), L"x\r\n\r\n");
    rich.Clear();
    EXPECT_EQ(rich.WholeText(), L"");
    EXPECT_EQ(rich.Length(), 0u);

    // A long line shows wrapped after blanks; the pieces give it back.
    const std::wstring line = L"00 11 22 33 44 55 66 77 88 99 AA BB CC DD EE FF 00 11 22 33 44 "
                              L"55 66 77 88 99 AA BB CC DD EE FF ";
    rich.AddLine(line);
    const std::wstring whole = rich.WholeText();
    std::size_t breaks = 0;
    std::wstring joined;
    for (std::size_t i = 0; i < whole.size(); ++i) {
        if (whole.compare(i, 2, L"\r\n") == 0) {
            EXPECT_EQ(whole[i - 1], L' ');
            ++breaks;
            ++i;
        } else {
            joined += whole[i];
        }
    }
    EXPECT_GT(breaks, 1u);
    EXPECT_EQ(joined, line);
}

TEST_F(RichTextTest, CaretToStartPutsTheCaretBeforeTheFirstCharacter) {
    Win32RichText rich(window_, 1000);
    rich.AddLine(L"abc");
    rich.AddLine(L"def");
    ::SendMessageW(window_, EM_SETSEL, 5, 6);
    rich.CaretToStart();
    DWORD start = 9;
    DWORD end = 9;
    ::SendMessageW(window_, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                   reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 0u);
    EXPECT_EQ(end, 0u);
}

TEST_F(RichTextTest, ALineThatDoesNotFitFailsAndLeavesThePartThatFit) {
    Win32RichText rich(window_, 10);
    rich.AddLine(L"12345"); // six with its paragraph end
    try {
        rich.AddLine(L"abcdefgh");
        FAIL() << "a line beyond the capacity was taken";
    } catch (const JuxaError& error) {
        EXPECT_EQ(error.Message(), L"RichEdit line insertion error");
    }
    EXPECT_EQ(rich.Length(), 10u);
    EXPECT_EQ(rich.WholeText(), L"12345\r\nabcd\r\n");
    // A line that just fits is taken in full.
    rich.Clear();
    rich.AddLine(L"123456789");
    EXPECT_EQ(rich.Length(), 10u);
}

TEST_F(RichTextTest, TheDefaultCapacityTakesTheLargestResultInFull) {
    Win32RichText rich(window_, Win32RichText::kDefaultCapacity);
    std::vector<std::uint8_t> bytes(65536, 0xA5);
    const std::wstring line = RenderHexLine(bytes.data(), bytes.size());
    rich.AddLine(line);
    EXPECT_EQ(rich.Length(), line.size() + 1);
    EXPECT_THROW(rich.AddLine(L""), JuxaError); // full to the last paragraph end
    rich.Clear(); // by a fresh control: deleting this much text in place is slow
    window_ = rich.Window();
    EXPECT_EQ(rich.Length(), 0u);
    rich.AddLine(line);
    EXPECT_EQ(rich.Length(), line.size() + 1) << "the fresh control keeps the capacity";
}
