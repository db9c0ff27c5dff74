// Helpers for driving the real window inside the test process: the window is
// built on the test's thread, and a helper thread answers the modal boxes
// that the handlers open there.
#pragma once

#include "About.h"
#include "MainWindow.h"
#include "SimDrives.h"
#include "SimWorld.h"

#include <windows.h>
#include <richedit.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace juxa::win32::test {

// What a box looked like when it was answered.
struct BoxSeen {
    std::wstring caption;
    std::wstring text;                 // the message, without the buttons' captions
    std::vector<std::wstring> buttons; // captions as set, "&" included
    std::wstring defaultButton;
    HICON icon = nullptr;
    bool ownerWasDisabled = false;
};

// How a box is answered.
struct Answer {
    enum class Kind { Button, Escape, Enter, CloseBox } kind = Kind::Button;
    std::wstring button; // for Kind::Button: its caption, "&" included
};
Answer Press(const std::wstring& caption);
Answer Escape();
Answer Enter();
Answer CloseBox();

// What a box shows, and giving it an answer, for tests that watch boxes
// themselves; the box belongs to the given thread.
BoxSeen InspectBox(HWND box, HWND owner);
// Waits for a visible box of the thread with this caption; null after 15 s.
HWND FindBox(DWORD thread, const std::wstring& caption);
void AnswerBox(HWND box, const Answer& answer, DWORD thread);

// Answers, in order, the boxes that the given thread opens, one answer each.
// Waits for them in the background; Wait() returns what was seen.
class BoxAnswerer {
public:
    BoxAnswerer(std::vector<Answer> answers, HWND owner = nullptr,
                DWORD thread = ::GetCurrentThreadId());
    BoxAnswerer(const BoxAnswerer&) = delete;
    BoxAnswerer& operator=(const BoxAnswerer&) = delete;
    ~BoxAnswerer();
    const std::vector<BoxSeen>& Wait();

private:
    void Run();
    std::vector<Answer> answers_;
    HWND owner_;
    DWORD thread_;
    std::vector<BoxSeen> seen_;
    std::thread worker_;
};

// Lets the window handle what is queued (timers included) for a while.
void Pump(DWORD milliseconds = 0);

std::wstring Text(HWND window);
// A control's rectangle in its parent's client coordinates.
RECT RectInParent(HWND control);
// The height and character set of the font a window uses.
LOGFONTW FontOf(HWND window);
// A rich edit's default character format (it answers no WM_GETFONT).
CHARFORMAT2W RichFontOf(HWND window);
std::vector<std::wstring> ListItems(HWND combo);
bool Checked(HWND button);

// The system clipboard as another program would use it. Wine's own clipboard
// thread holds it open for a moment now and then, so each waits its turn.
bool OpenClipboardPatiently();
std::wstring ClipboardText();
bool PutOnClipboard(const std::wstring& text);

// How many characters of the text the font that a window uses has no glyph for.
int MissingGlyphs(HWND window, const std::wstring& text);
// Writes what the screen shows of a window, frame included, as a 24-bit BMP.
void SavePicture(HWND window, const std::wstring& path);

// The main window on a simulated world: E: holds the handheld.
class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override { Build(WindowOptions{}); }
    void TearDown() override;
    void Build(const WindowOptions& options);

    HWND Ctl(ControlId id) const { return window->Control(id); }
    std::wstring TextOf(ControlId id) const { return Text(Ctl(id)); }
    void SetTextOf(ControlId id, const std::wstring& text) const;
    // A user's click on a button, pressed and released with the mouse.
    void Click(ControlId id) const;
    void Menu(CommandId id) const;
    // A key pressed and released on the keyboard (with Shift held if asked),
    // taken through the program's own message loop until it is handled.
    void PressKey(WORD key, bool shift = false) const;
    // A press and release of the left mouse button at a point of the screen.
    static void Click(POINT at);
    // The control of the main window that has the focus (for the drive list,
    // the list, not the edit inside it); null when none has.
    [[nodiscard]] HWND FocusedControl() const;
    // Switches to manual mode, answering the one-time warning when it comes.
    void EnterManualMode();

    sim::SimWorld world;
    std::unique_ptr<sim::SimDriveQueries> drives;
    std::unique_ptr<MainWindow> window;
};

} // namespace juxa::win32::test
