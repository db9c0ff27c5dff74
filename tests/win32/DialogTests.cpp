// The four kinds of message box as the user meets them: caption, icon,
// buttons, the default button and what Escape and the close box answer.
#include "WindowTestSupport.h"

#include "Texts.h"

using namespace juxa;
using namespace juxa::win32;
using namespace juxa::win32::test;

namespace {

class DialogsTest : public ::testing::Test {
protected:
    void SetUp() override {
        InitialiseControls();
        owner_ =
            ::CreateWindowExW(0, L"STATIC", L"owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300,
                              200, nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(owner_, nullptr);
        dialogs_.SetOwner(owner_);
    }
    void TearDown() override { ::DestroyWindow(owner_); }

    HWND owner_ = nullptr;
    Win32Dialogs dialogs_;
};

} // namespace

TEST_F(DialogsTest, PlainMessageHasTheTitleNoIconAndOneOk) {
    BoxAnswerer answerer({Press(L"OK"), Escape()}, owner_);
    dialogs_.ShowMessage(L"No drive specified");
    dialogs_.ShowMessage(L"closed by Escape");
    const auto& boxes = answerer.Wait();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].caption, kApplicationTitle);
    EXPECT_EQ(boxes[0].text, L"No drive specified");
    EXPECT_EQ(boxes[0].buttons, std::vector<std::wstring>{L"OK"});
    EXPECT_EQ(boxes[0].icon, nullptr);
    EXPECT_TRUE(boxes[0].ownerWasDisabled);
    EXPECT_EQ(boxes[1].text, L"closed by Escape");
    EXPECT_TRUE(::IsWindowEnabled(owner_));
}

TEST_F(DialogsTest, ErrorBoxHasTheTitleTheStopIconAndOneOk) {
    BoxAnswerer answerer({Escape()}, owner_);
    dialogs_.ShowError(L"Cannot open clipboard: Access denied.");
    const auto& boxes = answerer.Wait();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, kApplicationTitle);
    EXPECT_EQ(boxes[0].text, L"Cannot open clipboard: Access denied.");
    EXPECT_EQ(boxes[0].buttons, std::vector<std::wstring>{L"OK"});
    EXPECT_EQ(boxes[0].icon, ::LoadIconW(nullptr, IDI_ERROR));
    EXPECT_TRUE(boxes[0].ownerWasDisabled);
}

TEST_F(DialogsTest, WarningQuestionAnswersYesOnlyForYes) {
    BoxAnswerer answerer({Press(L"&Yes"), Press(L"&No"), Escape(), CloseBox(), Enter()}, owner_);
    EXPECT_TRUE(dialogs_.AskWarning(L"USB Drive E:\\ Detected\n\rIs this your target drive?"));
    EXPECT_FALSE(dialogs_.AskWarning(L"no"));
    EXPECT_FALSE(dialogs_.AskWarning(L"escape"));
    EXPECT_FALSE(dialogs_.AskWarning(L"close box"));
    EXPECT_TRUE(dialogs_.AskWarning(L"enter takes the default"));
    const auto& boxes = answerer.Wait();
    ASSERT_EQ(boxes.size(), 5u);
    EXPECT_EQ(boxes[0].caption, L"Warning");
    EXPECT_NE(boxes[0].text.find(L"Is this your target drive?"), std::wstring::npos);
    EXPECT_EQ(boxes[0].buttons, (std::vector<std::wstring>{L"&Yes", L"&No"}));
    EXPECT_NE(boxes[0].icon, nullptr);
    EXPECT_TRUE(boxes[0].ownerWasDisabled);
}

TEST_F(DialogsTest, ConfirmationAnswersOkOnlyForOk) {
    BoxAnswerer answerer({Press(L"OK"), Press(L"Cancel"), Escape(), CloseBox(), Enter()}, owner_);
    EXPECT_TRUE(dialogs_.Confirm(L"sure?"));
    EXPECT_FALSE(dialogs_.Confirm(L"cancel"));
    EXPECT_FALSE(dialogs_.Confirm(L"escape"));
    EXPECT_FALSE(dialogs_.Confirm(L"close box"));
    EXPECT_TRUE(dialogs_.Confirm(L"enter takes the default"));
    const auto& boxes = answerer.Wait();
    ASSERT_EQ(boxes.size(), 5u);
    EXPECT_EQ(boxes[0].caption, L"Confirm");
    EXPECT_EQ(boxes[0].text, L"sure?");
    EXPECT_EQ(boxes[0].buttons, (std::vector<std::wstring>{L"OK", L"Cancel"}));
    EXPECT_EQ(boxes[0].defaultButton, L"OK");
    EXPECT_EQ(boxes[0].icon, ::LoadIconW(nullptr, IDI_QUESTION));
}

TEST(SystemMessage, HasNoLineEnd) {
    const std::wstring text = SystemMessage(ERROR_ACCESS_DENIED);
    ASSERT_FALSE(text.empty());
    EXPECT_NE(text.back(), L'\n');
    EXPECT_NE(text.back(), L'\r');
}

namespace {

// Stand-ins for the system calls that fail as the system's do.
HGLOBAL WINAPI AllocFails(UINT /*flags*/, SIZE_T /*bytes*/) {
    ::SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
}
BOOL WINAPI EmptyFails() {
    ::SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
    return FALSE;
}
HANDLE WINAPI StoreFails(UINT /*format*/, HANDLE /*data*/) {
    ::SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
}

} // namespace

// A clipboard that opens but cannot take the text is an error the user sees,
// never silence; running out of memory before the clipboard is emptied keeps
// what it held.
TEST(Clipboard, ATextThatCannotBeStoredReachesTheUser) {
    struct Row {
        const char* name;
        ClipboardCalls calls;
        DWORD error;
        bool oldContentsKept;
    };
    ClipboardCalls noMemory;
    noMemory.globalAlloc = AllocFails;
    ClipboardCalls notEmptied;
    notEmptied.emptyClipboard = EmptyFails;
    ClipboardCalls notStored;
    notStored.setClipboardData = StoreFails;
    const Row rows[] = {
        {"no memory for the text", noMemory, ERROR_NOT_ENOUGH_MEMORY, true},
        {"the clipboard cannot be emptied", notEmptied, ERROR_CLIPBOARD_NOT_OPEN, true},
        {"the clipboard refuses the text", notStored, ERROR_NOT_ENOUGH_MEMORY, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_TRUE(PutOnClipboard(L"old"));
        Win32Clipboard clipboard(nullptr, row.calls);
        std::wstring message;
        try {
            clipboard.PutText(L"report");
        } catch (const JuxaError& error) {
            message = error.Message();
        }
        EXPECT_EQ(message, L"Cannot store text on clipboard: " + SystemMessage(row.error));
        EXPECT_EQ(ClipboardText(), row.oldContentsKept ? L"old" : L"");
        ASSERT_TRUE(OpenClipboardPatiently()) << "left open";
        ::CloseClipboard();
    }
    Win32Clipboard clipboard;
    clipboard.PutText(L"report");
    EXPECT_EQ(ClipboardText(), L"report");
}
