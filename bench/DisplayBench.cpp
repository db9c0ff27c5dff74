// What the user waits for after pressing "Send SCSI Query": from the click to
// the caret back at the start of the hex field, with both fields drawn,
// through the simulated handheld (READ BUFFER, so every byte of the answer is
// the device's). The floor is the least the platform does for the same
// result: the same final texts put into the same controls (the two outputs
// and the status line) with one call each, from empty fields, drawn.
//   juxa_bench_display.exe
#include "MainWindow.h"
#include "SimDrives.h"
#include "SimWorld.h"
#include "Texts.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

using namespace juxa;
using namespace juxa::win32;

namespace {

double Now() {
    LARGE_INTEGER frequency;
    LARGE_INTEGER count;
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&count);
    return 1000.0 * static_cast<double>(count.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void Pump() {
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE) != FALSE) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
}

// Draws whatever is waiting to be drawn in the window and its controls.
void Draw(HWND window) {
    ::RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

// Answers the one message box the first switch to manual mode shows.
BOOL CALLBACK PressOk(HWND box, LPARAM /*unused*/) {
    std::wstring cls(16, L'\0');
    cls.resize(static_cast<std::size_t>(::GetClassNameW(box, cls.data(), 16)));
    if (cls == L"#32770" && ::IsWindowVisible(box) != FALSE) {
        ::PostMessageW(box, WM_COMMAND, IDOK, 0);
    }
    return TRUE;
}

void AnswerBoxesOf(DWORD thread, const std::atomic<bool>& stop) {
    while (!stop) {
        ::EnumThreadWindows(thread, PressOk, 0);
        ::Sleep(20);
    }
}

// Manual mode with READ BUFFER, data mode, offset 0, allocation length
// 64 KiB: the buffer length alone decides how much comes back.
void PrepareReadBuffer(MainWindow& window) {
    const auto ctl = [&window](ControlId id) { return window.Control(id); };
    {
        std::atomic<bool> stop{false};
        std::thread answerer(AnswerBoxesOf, ::GetCurrentThreadId(), std::cref(stop));
        ::SendMessageW(ctl(ControlId::rbtnManual), BM_CLICK, 0, 0);
        stop = true;
        answerer.join();
    }
    ::SetWindowTextW(ctl(ByteFieldId(1)), L"3C");
    ::SetWindowTextW(ctl(ByteFieldId(2)), L"02");
    ::SetWindowTextW(ctl(ByteFieldId(7)), L"01");
    ::SetFocus(ctl(ControlId::btnQuery)); // where a click leaves it
}

// The median time of sends from the click notification to the result drawn.
double MedianSend(MainWindow& window, int sends) {
    std::vector<double> times;
    for (int i = 0; i <= sends; ++i) { // the first warms up
        Pump();
        const double start = Now();
        ::SendMessageW(window.Handle(), WM_COMMAND,
                       MAKEWPARAM(static_cast<int>(ControlId::btnQuery), BN_CLICKED),
                       reinterpret_cast<LPARAM>(window.Control(ControlId::btnQuery)));
        Draw(window.Handle());
        if (i > 0) {
            times.push_back(Now() - start);
        }
    }
    return Median(times);
}

// What handing the device call to the worker and waiting for it costs: the
// same 56-byte send in a window whose console calls the device layer itself.
void HandOff(MainWindow& window, sim::SimWorld& world) {
    sim::SimWorld directWorld;
    sim::SimDriveQueries directDrives(directWorld);
    WindowOptions options;
    options.directDeviceCalls = true;
    MainWindow direct(::GetModuleHandleW(nullptr), directWorld, directDrives, options);
    PrepareReadBuffer(direct);
    ::SetWindowTextW(direct.Control(ControlId::OutputLength), L"56");
    ::SetWindowTextW(window.Control(ControlId::OutputLength), L"56");
    ::SendMessageW(window.Control(ControlId::cbxBit), CB_SETCURSEL, 0, 0);
    std::vector<double> worker;
    std::vector<double> straight;
    std::vector<double> ratios;
    for (int round = 0; round < 9; ++round) {
        // Each measured shown alone, in turn, so that drift falls on both.
        ::ShowWindow(direct.Handle(), SW_HIDE);
        window.Show(SW_SHOW);
        ::SetFocus(window.Control(ControlId::btnQuery));
        worker.push_back(MedianSend(window, 21));
        ::ShowWindow(window.Handle(), SW_HIDE);
        direct.Show(SW_SHOW);
        ::SetFocus(direct.Control(ControlId::btnQuery));
        straight.push_back(MedianSend(direct, 21));
        ratios.push_back(worker.back() / straight.back());
        world.requests.clear();
        directWorld.requests.clear();
    }
    ::ShowWindow(direct.Handle(), SW_HIDE);
    window.Show(SW_SHOW);
    std::printf("  hand-off to the worker (56 bytes, ANSI, click to result drawn): %.3f ms against "
                "%.3f ms with the call made on the window's thread: %.2fx (median of 9)\n",
                Median(worker), Median(straight), Median(ratios));
}

} // namespace

int main() {
    InitialiseControls();
    sim::SimWorld world;
    juxa::sim::SimDriveQueries drives(world);
    MainWindow window(::GetModuleHandleW(nullptr), world, drives);
    window.Show(SW_SHOW);
    Pump();
    HWND main = window.Handle();
    const auto ctl = [&window](ControlId id) { return window.Control(id); };
    PrepareReadBuffer(window);
    std::printf("result display (click to caret at the start of the hex field, drawn), "
                "median ms:\n");
    std::printf("  %-8s %6s %10s %10s %7s %12s\n", "mode", "n", "juxa", "floor", "ratio",
                "us/byte");
    for (int mode = 0; mode < 2; ++mode) {
        ::SendMessageW(ctl(ControlId::cbxBit), CB_SETCURSEL, static_cast<WPARAM>(mode), 0);
        double perByte4096 = 0;
        for (const int n : {56, 4096, 65536}) {
            const int runs = n <= 56 ? 41 : (n <= 4096 ? 11 : 5);
            ::SetWindowTextW(ctl(ControlId::OutputLength), std::to_wstring(n).c_str());
            std::vector<double> juxa;
            std::vector<double> floor;
            for (int run = 0; run <= runs; ++run) { // the first run warms up
                Pump();
                // Timed from the button's click notification: the press and
                // release drawn before it are the platform's button, whatever
                // the button does.
                const double start = Now();
                ::SendMessageW(main, WM_COMMAND,
                               MAKEWPARAM(static_cast<int>(ControlId::btnQuery), BN_CLICKED),
                               reinterpret_cast<LPARAM>(ctl(ControlId::btnQuery)));
                Draw(main);
                const double end = Now();
                if (world.requests.back().status != 0 ||
                    world.requests.back().transferred != static_cast<std::uint32_t>(n)) {
                    std::printf("the simulated send failed\n");
                    return 1;
                }
                const std::wstring text = WindowText(ctl(ControlId::edtSTRING));
                const std::wstring status = WindowText(ctl(ControlId::edtStatus));
                std::vector<std::uint8_t> bytes(static_cast<std::size_t>(n));
                for (std::size_t i = 0; i < bytes.size(); ++i) {
                    bytes[i] = static_cast<std::uint8_t>(i);
                }
                const std::wstring hex = RenderHexLine(bytes.data(), bytes.size()) + L"\r";
                // The floor starts from empty fields; emptying them is not timed.
                ::SetWindowTextW(ctl(ControlId::edtSTRING), L"");
                ::SetWindowTextW(ctl(ControlId::edtStatus), L"");
                window.Controls().memHEX->Clear();
                Draw(main);
                Pump();
                const double floorStart = Now();
                ::SetWindowTextW(ctl(ControlId::edtSTRING), text.c_str());
                ::SetWindowTextW(ctl(ControlId::memHEX), hex.c_str());
                ::SetWindowTextW(ctl(ControlId::edtStatus), status.c_str());
                Draw(main);
                const double floorEnd = Now();
                if (run > 0) {
                    juxa.push_back(end - start);
                    floor.push_back(floorEnd - floorStart);
                }
                world.requests.clear();
                world.openedPaths.clear();
                world.attemptedPaths.clear();
                world.attemptedAccess.clear();
            }
            const double ours = Median(juxa);
            const double least = Median(floor);
            const double perByte = 1000.0 * ours / n;
            std::printf("  %-8s %6d %10.2f %10.2f %6.2fx %12.3f\n", mode == 0 ? "ANSI" : "Unicode",
                        n, ours, least, ours / least, perByte);
            if (n == 4096) {
                perByte4096 = perByte;
            } else if (n == 65536) {
                std::printf("  %-8s per-byte cost at 65536 / at 4096: %.2fx\n",
                            mode == 0 ? "ANSI" : "Unicode", perByte / perByte4096);
            }
        }
    }
    HandOff(window, world);
    return 0;
}
