// The window while the device works on a command: the simulated handheld
// holds the command in flight until the test lets it go, and meanwhile a
// second thread does what a user, the system or another program would.
#include "WindowTestSupport.h"

#include "Texts.h"

#include <dbt.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

using namespace juxa;
using namespace juxa::win32;
using namespace juxa::win32::test;

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

BOOL CALLBACK FindProgress(HWND window, LPARAM found) {
    wchar_t cls[64] = {};
    ::GetClassNameW(window, cls, 64);
    if (std::wstring(cls) == L"JuxaProgressWindow" && ::IsWindowVisible(window) != FALSE) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

HWND ProgressOf(DWORD thread) {
    HWND found = nullptr;
    ::EnumThreadWindows(thread, FindProgress, reinterpret_cast<LPARAM>(&found));
    return found;
}

// Every text of a window's static controls, in order.
std::wstring StaticTexts(HWND window) {
    std::wstring all;
    for (HWND child = ::GetWindow(window, GW_CHILD); child != nullptr;
         child = ::GetWindow(child, GW_HWNDNEXT)) {
        wchar_t cls[32] = {};
        ::GetClassNameW(child, cls, 32);
        if (std::wstring(cls) == L"Static") {
            all += Text(child) + L"\n";
        }
    }
    return all;
}

// Windows made on the test's thread, by class, while it is installed.
thread_local std::vector<std::wstring>* created = nullptr;
LRESULT CALLBACK NoteCreation(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND && created != nullptr) {
        const auto* create = reinterpret_cast<CBT_CREATEWNDW*>(lParam);
        if (!IS_INTRESOURCE(create->lpcs->lpszClass)) {
            created->emplace_back(create->lpcs->lpszClass);
        }
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

// What the user thread saw while the command was held.
struct Seen {
    long slowestNull = 0;            // ms, the slowest answer to WM_NULL
    long progressAfter = -1;         // ms from the press, -1: never shown
    std::wstring progressText;       // its static texts
    bool disabledThroughout = true;  // the main window took no input
    bool repainted = false;          // an uncovered window was drawn again
    LRESULT endSession = TRUE;       // the answer to WM_QUERYENDSESSION
    std::vector<std::wstring> boxes; // the texts of the boxes that opened
};

struct Context {
    sim::SimWorld& world;
    MainWindow& window;
    HWND main;
    DWORD thread;
    Seen seen;
};

// A volume event sent from a thread of its own, as the system sends it; the
// thread ends once the box that the event opens has been answered.
std::thread SendVolumeEvent(HWND main, WPARAM event, wchar_t letter) {
    return std::thread([=] {
        DEV_BROADCAST_VOLUME volume{};
        volume.dbcv_size = sizeof(volume);
        volume.dbcv_devicetype = DBT_DEVTYP_VOLUME;
        volume.dbcv_unitmask = 1u << (letter - L'A');
        ::SendMessageW(main, WM_DEVICECHANGE, event, reinterpret_cast<LPARAM>(&volume));
    });
}

// Texts written into one window on the test's thread while it is installed.
thread_local HWND watchedEdit = nullptr;
thread_local int textsWritten = 0;
LRESULT CALLBACK NoteText(int code, WPARAM wParam, LPARAM lParam) {
    const auto* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && call->hwnd == watchedEdit && call->message == WM_SETTEXT &&
        call->lParam != 0 && *reinterpret_cast<const wchar_t*>(call->lParam) != L'\0') {
        ++textsWritten;
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

} // namespace

class WaitTest : public MainWindowTest {
protected:
    HWND Main() const { return window->Handle(); }
};

TEST_F(WaitTest, TheWindowLivesWhileTheDeviceWorksAndShowsTheAnswerOnce) {
    struct Row {
        const char* name;
        bool hold;
        // Runs on the user thread while the command is in flight.
        std::function<void(Context&)> during;
        bool closes; // the program closes once the device has answered
        bool progressAtOnce;
        std::wstring driveAfter;
        std::vector<std::wstring> boxes;
    };
    const auto arrive = [](Context& c) {
        c.world.volumes[L'K'] = sim::SimVolume{kDriveRemovable, 0, {2}, 0};
        std::thread system = SendVolumeEvent(c.main, DBT_DEVICEARRIVAL, L'K');
        HWND question = FindBox(c.thread, L"Warning");
        if (question != nullptr) {
            c.seen.boxes.push_back(InspectBox(question, c.main).text);
            AnswerBox(question, Press(L"&No"), c.thread);
        }
        system.join();
    };
    const auto removeSelected = [](Context& c) {
        std::thread system = SendVolumeEvent(c.main, DBT_DEVICEREMOVECOMPLETE, L'E');
        HWND told = FindBox(c.thread, kApplicationTitle);
        if (told != nullptr) {
            c.seen.boxes.push_back(InspectBox(told, c.main).text);
            AnswerBox(told, Press(L"OK"), c.thread);
        }
        system.join();
    };
    const auto pressAgain = [](Context& c) {
        HWND button = c.window.Control(ControlId::btnQuery);
        ::PostMessageW(button, BM_CLICK, 0, 0);
        ::SendMessageW(button, BM_CLICK, 0, 0);
        ::PostMessageW(c.main, WM_COMMAND, MAKEWPARAM(IDOK, 0), 0);
        ::PostMessageW(button, WM_KEYDOWN, VK_SPACE, 0);
        ::PostMessageW(button, WM_KEYUP, VK_SPACE, static_cast<LPARAM>(0xC0000001));
    };
    const auto changeTheMode = [](Context& c) {
        ::SendMessageW(c.window.Control(ControlId::cbxBit), CB_SETCURSEL, 1, 0);
        ::SendMessageW(c.window.Control(ControlId::OutputLength), WM_SETTEXT, 0,
                       reinterpret_cast<LPARAM>(L"8"));
    };
    const auto closeFromOutside = [](Context& c) { ::PostMessageW(c.main, WM_CLOSE, 0, 0); };
    const auto closeTheProgress = [](Context& c) {
        HWND progress = nullptr;
        const auto until = Clock::now() + std::chrono::seconds(5);
        while (progress == nullptr && Clock::now() < until) {
            progress = ProgressOf(c.thread);
            ::Sleep(10);
        }
        ::PostMessageW(progress, WM_SYSCOMMAND, SC_CLOSE, 0);
    };
    const std::wstring question = L"USB Drive K:\\ Detected\n\rIs this your target drive?";
    const std::wstring removed = L"The selected drive (E:\\) has been removed";
    const Row rows[] = {
        {"an instant answer", false, nullptr, false, false, L"E:\\", {}},
        {"a held answer", true, nullptr, false, false, L"E:\\", {}},
        {"a second press", true, pressAgain, false, false, L"E:\\", {}},
        {"a drive arrives", true, arrive, false, false, L"E:\\", {question}},
        // F:, the removable reader with no medium, is listed next.
        {"the selected drive goes", true, removeSelected, false, false, L"F:\\", {removed}},
        {"the text mode and length change", true, changeTheMode, false, false, L"E:\\", {}},
        {"a close from outside", true, closeFromOutside, true, true, L"E:\\", {}},
        {"the progress window's close box", true, closeTheProgress, true, false, L"E:\\", {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Build(WindowOptions{});
        const std::size_t before = world.requests.size();
        Context context{world, *window, Main(), ::GetCurrentThreadId(), {}};
        std::vector<std::wstring> classes;
        created = &classes;
        HookHandle hook(::SetWindowsHookExW(WH_CBT, NoteCreation, nullptr, ::GetCurrentThreadId()));
        watchedEdit = Ctl(ControlId::edtSTRING);
        textsWritten = 0;
        HookHandle texts(
            ::SetWindowsHookExW(WH_CALLWNDPROC, NoteText, nullptr, ::GetCurrentThreadId()));
        if (row.hold) {
            world.Hold();
        }
        std::atomic<bool> answered{false};
        const auto pressed = Clock::now();
        std::thread user([&] {
            if (!row.hold) {
                return;
            }
            if (!world.WaitForHeldRequest(std::chrono::seconds(10))) {
                ADD_FAILURE() << "the command never reached the device";
                world.Release();
                return;
            }
            // Past the first moment, the window waits as under a modal box.
            const auto disabledBy = Clock::now() + std::chrono::seconds(2);
            while (::IsWindowEnabled(context.main) != FALSE && Clock::now() < disabledBy) {
                ::Sleep(5);
            }
            // The user's checks run beside a watcher that asks the window
            // for an answer all the time.
            std::atomic<bool> stop{false};
            std::thread watcher([&] {
                while (!stop) {
                    const auto asked = Clock::now();
                    DWORD_PTR ignored = 0;
                    ::SendMessageTimeoutW(context.main, WM_NULL, 0, 0, SMTO_NORMAL, 1000, &ignored);
                    const long took = static_cast<long>(
                        std::chrono::duration_cast<milliseconds>(Clock::now() - asked).count());
                    context.seen.slowestNull = std::max(context.seen.slowestNull, took);
                    context.seen.disabledThroughout &= ::IsWindowEnabled(context.main) == FALSE;
                    ::Sleep(20);
                }
            });
            if (row.during) {
                row.during(context);
            }
            // Uncovered: the window draws itself again.
            ::RedrawWindow(context.main, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
            const auto drawUntil = Clock::now() + milliseconds(2000);
            while (!context.seen.repainted && Clock::now() < drawUntil) {
                context.seen.repainted = ::GetUpdateRect(context.main, nullptr, FALSE) == FALSE;
                ::Sleep(10);
            }
            DWORD_PTR session = TRUE;
            ::SendMessageTimeoutW(context.main, WM_QUERYENDSESSION, 0, 0, SMTO_NORMAL, 1000,
                                  &session);
            context.seen.endSession = static_cast<LRESULT>(session);
            // The progress window comes after about a second.
            const auto until = pressed + std::chrono::seconds(5);
            HWND progress = nullptr;
            while (progress == nullptr && Clock::now() < until) {
                progress = ProgressOf(context.thread);
                ::Sleep(10);
            }
            if (progress != nullptr) {
                context.seen.progressAfter = static_cast<long>(
                    std::chrono::duration_cast<milliseconds>(Clock::now() - pressed).count());
                ::Sleep(1100); // its clock moves on
                context.seen.progressText = StaticTexts(progress);
            }
            stop = true;
            watcher.join();
            answered = true;
            world.Release();
        });
        Click(ControlId::btnQuery);
        const bool afterRelease = answered;
        user.join();
        created = nullptr;
        hook.Reset();
        texts.Reset();
        watchedEdit = nullptr;

        EXPECT_EQ(world.requests.size() - before, 1u) << "one command, sent once";
        EXPECT_EQ(world.requests.back().cdb[0], 0x12);
        EXPECT_EQ(world.requests.back().disk, 1u) << "to the letter taken at the press";
        if (row.hold) {
            EXPECT_TRUE(afterRelease) << "the press returned while the device worked";
            EXPECT_LT(context.seen.slowestNull, 100);
            EXPECT_TRUE(context.seen.disabledThroughout);
            EXPECT_TRUE(context.seen.repainted);
            EXPECT_EQ(context.seen.endSession, FALSE);
            if (row.progressAtOnce) {
                EXPECT_GE(context.seen.progressAfter, 0);
                EXPECT_LT(context.seen.progressAfter, 900);
            } else {
                EXPECT_GE(context.seen.progressAfter, 900);
                EXPECT_LT(context.seen.progressAfter, 3000);
            }
            EXPECT_EQ(context.seen.boxes, row.boxes);
            EXPECT_NE(context.seen.progressText.find(
                          L"Sending \u201C0: Standard SCSI Inquiry (12 00 00 00 FF 00)\u201D "
                          L"to drive E:"),
                      std::wstring::npos)
                << std::string(context.seen.progressText.begin(), context.seen.progressText.end());
            EXPECT_NE(context.seen.progressText.find(L"second"), std::wstring::npos);
            EXPECT_NE(context.seen.progressText.find(L"200 seconds"), std::wstring::npos);
            EXPECT_NE(context.seen.progressText.find(L"no Cancel"), std::wstring::npos);
            EXPECT_EQ(context.seen.progressText.find(L"0 seconds so far"), std::wstring::npos)
                << "the clock moved";
            EXPECT_EQ(context.seen.progressText.find(L"will close") != std::wstring::npos,
                      row.closes);
        } else {
            EXPECT_EQ(std::count(classes.begin(), classes.end(), L"JuxaProgressWindow"), 0)
                << "no progress window for an instant answer";
        }
        EXPECT_EQ(window->Runner().Progress(), nullptr);
        EXPECT_TRUE(::IsWindowEnabled(Main()));
        EXPECT_EQ(TextOf(ControlId::cbxDriveList), row.driveAfter);
        std::vector<std::uint8_t> answer;
        sim::SimWorld::HandheldAnswer(world.requests.back().cdb, answer);
        answer.resize(56);
        if (row.closes) {
            EXPECT_EQ(TextOf(ControlId::edtSTRING), L"") << "no answer shown";
            EXPECT_EQ(textsWritten, 0);
            EXPECT_EQ(TextOf(ControlId::memHEX), L"");
            Pump(200);
            EXPECT_FALSE(::IsWindow(Main())) << "closed once the device answered";
        } else {
            // As the press asked for: ANSI, 56 bytes, written once.
            EXPECT_EQ(TextOf(ControlId::edtSTRING), RenderAnsi(answer.data(), answer.size()));
            EXPECT_EQ(textsWritten, 1);
            Pump(200);
            EXPECT_TRUE(::IsWindow(Main()));
            EXPECT_EQ(world.requests.size() - before, 1u) << "nothing queued ran afterwards";
        }
    }
}

// The call runs on a thread of its own; what it raises comes back on the
// window's thread, where the central handler shows it, and the runner is
// ready for the next call.
TEST_F(WaitTest, TheCallRunsOffTheWindowsThreadAndItsErrorComesBack) {
    CommandRunner runner(::GetModuleHandleW(nullptr));
    runner.SetWindow(WaitingWindow{Main(), nullptr, nullptr, nullptr, nullptr});
    const CommandInfo info{L"CDB 12 00 00 00 24 00", L'E'};
    DWORD ranOn = 0;
    EXPECT_TRUE(runner.Run(info, [&] { ranOn = ::GetCurrentThreadId(); }));
    EXPECT_NE(ranOn, 0u);
    EXPECT_NE(ranOn, ::GetCurrentThreadId());
    EXPECT_THROW(runner.Run(info, [] { throw JuxaError(L"the device layer raised"); }), JuxaError);
    EXPECT_FALSE(runner.Busy());
    DWORD again = 0;
    EXPECT_TRUE(runner.Run(info, [&] { again = ::GetCurrentThreadId(); }));
    EXPECT_EQ(again, ranOn) << "one worker for every call";
}
