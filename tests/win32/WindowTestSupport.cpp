#include "WindowTestSupport.h"

#include "Win32Controls.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace juxa::win32::test {

namespace {

constexpr auto kBoxTimeout = std::chrono::seconds(15);

struct Search {
    HWND found = nullptr;
};

BOOL CALLBACK FindBox(HWND window, LPARAM lParam) {
    auto* search = reinterpret_cast<Search*>(lParam);
    wchar_t cls[64] = {};
    ::GetClassNameW(window, cls, 64);
    if (std::wstring(cls) == L"#32770" && ::IsWindowVisible(window) != FALSE) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

HWND WaitForBox(DWORD thread, HWND previous) {
    const auto until = std::chrono::steady_clock::now() + kBoxTimeout;
    while (std::chrono::steady_clock::now() < until) {
        Search search;
        ::EnumThreadWindows(thread, FindBox, reinterpret_cast<LPARAM>(&search));
        if (search.found != nullptr && search.found != previous) {
            return search.found;
        }
        ::Sleep(10);
    }
    return nullptr;
}

struct Children {
    std::vector<HWND> windows;
};

BOOL CALLBACK CollectChild(HWND window, LPARAM lParam) {
    reinterpret_cast<Children*>(lParam)->windows.push_back(window);
    return TRUE;
}

BoxSeen Inspect(HWND box, HWND owner) {
    BoxSeen seen;
    seen.caption = Text(box);
    seen.ownerWasDisabled = owner != nullptr && ::IsWindowEnabled(owner) == FALSE;
    Children children;
    ::EnumChildWindows(box, CollectChild, reinterpret_cast<LPARAM>(&children));
    for (HWND child : children.windows) {
        wchar_t cls[64] = {};
        ::GetClassNameW(child, cls, 64);
        const std::wstring kind(cls);
        const LONG style = ::GetWindowLongW(child, GWL_STYLE);
        if (kind == L"Button" && ::IsWindowVisible(child) != FALSE) {
            seen.buttons.push_back(Text(child));
            if ((style & BS_TYPEMASK) == BS_DEFPUSHBUTTON) {
                seen.defaultButton = Text(child);
            }
        } else if (kind == L"Static") {
            if ((style & SS_TYPEMASK) == SS_ICON) {
                seen.icon = reinterpret_cast<HICON>(::SendMessageW(child, STM_GETICON, 0, 0));
            } else if (!Text(child).empty()) {
                seen.text += Text(child);
            }
        }
    }
    return seen;
}

HWND ButtonNamed(HWND box, const std::wstring& caption) {
    Children children;
    ::EnumChildWindows(box, CollectChild, reinterpret_cast<LPARAM>(&children));
    for (HWND child : children.windows) {
        wchar_t cls[64] = {};
        ::GetClassNameW(child, cls, 64);
        if (std::wstring(cls) == L"Button" && Text(child) == caption) {
            return child;
        }
    }
    return nullptr;
}

void Give(HWND box, const Answer& answer, DWORD thread) {
    switch (answer.kind) {
    case Answer::Kind::Button: {
        HWND button = ButtonNamed(box, answer.button);
        if (button == nullptr) {
            // The test finds the missing button in what was seen; the box
            // must still go, or the test would hang in it.
            ::PostMessageW(box, WM_SYSCOMMAND, SC_CLOSE, 0);
            break;
        }
        ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(button), BN_CLICKED),
                       reinterpret_cast<LPARAM>(button));
        break;
    }
    case Answer::Kind::Escape:
    case Answer::Kind::Enter: {
        // The key goes where the user's would: to the focus inside the box.
        // A box left waiting under a nested one may have lost the focus to
        // its owner; the key then goes to the box itself, which still takes it.
        GUITHREADINFO info{};
        info.cbSize = sizeof(info);
        ::GetGUIThreadInfo(thread, &info);
        HWND target = info.hwndFocus;
        if (target == nullptr || (target != box && ::IsChild(box, target) == FALSE)) {
            target = box;
        }
        const WPARAM key = answer.kind == Answer::Kind::Escape ? VK_ESCAPE : VK_RETURN;
        ::PostMessageW(target, WM_KEYDOWN, key, 1);
        ::PostMessageW(target, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001));
        break;
    }
    case Answer::Kind::CloseBox:
        ::PostMessageW(box, WM_SYSCOMMAND, SC_CLOSE, 0);
        break;
    }
}

} // namespace

HWND FindBox(DWORD thread, const std::wstring& caption) {
    struct Wanted {
        const std::wstring* caption;
        HWND found = nullptr;
        static BOOL CALLBACK Each(HWND window, LPARAM lParam) {
            auto* wanted = reinterpret_cast<Wanted*>(lParam);
            wchar_t cls[64] = {};
            ::GetClassNameW(window, cls, 64);
            if (std::wstring(cls) == L"#32770" && ::IsWindowVisible(window) != FALSE &&
                Text(window) == *wanted->caption) {
                wanted->found = window;
                return FALSE;
            }
            return TRUE;
        }
    };
    const auto until = std::chrono::steady_clock::now() + kBoxTimeout;
    while (std::chrono::steady_clock::now() < until) {
        Wanted wanted{&caption};
        ::EnumThreadWindows(thread, Wanted::Each, reinterpret_cast<LPARAM>(&wanted));
        if (wanted.found != nullptr) {
            ::Sleep(50); // let the box finish setting its focus and default button
            return wanted.found;
        }
        ::Sleep(10);
    }
    return nullptr;
}

BoxSeen InspectBox(HWND box, HWND owner) {
    return Inspect(box, owner);
}

void AnswerBox(HWND box, const Answer& answer, DWORD thread) {
    Give(box, answer, thread);
}

Answer Press(const std::wstring& caption) {
    return Answer{Answer::Kind::Button, caption};
}
Answer Escape() {
    return Answer{Answer::Kind::Escape, {}};
}
Answer Enter() {
    return Answer{Answer::Kind::Enter, {}};
}
Answer CloseBox() {
    return Answer{Answer::Kind::CloseBox, {}};
}

BoxAnswerer::BoxAnswerer(std::vector<Answer> answers, HWND owner, DWORD thread)
    : answers_(std::move(answers)), owner_(owner), thread_(thread) {
    worker_ = std::thread([this] { Run(); });
}

BoxAnswerer::~BoxAnswerer() {
    if (worker_.joinable()) {
        worker_.join();
    }
}

const std::vector<BoxSeen>& BoxAnswerer::Wait() {
    if (worker_.joinable()) {
        worker_.join();
    }
    return seen_;
}

void BoxAnswerer::Run() {
    HWND previous = nullptr;
    for (const Answer& answer : answers_) {
        HWND box = WaitForBox(thread_, previous);
        if (box == nullptr) {
            if (::getenv("JUXA_TEST_DEBUG") != nullptr) {
                struct Lister {
                    static BOOL CALLBACK Each(HWND w, LPARAM) {
                        wchar_t cls[64] = {};
                        ::GetClassNameW(w, cls, 64);
                        fwprintf(stderr, L"window %p thread %lu class %ls visible %d text %ls\n",
                                 (void*)w, ::GetWindowThreadProcessId(w, nullptr), cls,
                                 ::IsWindowVisible(w), Text(w).c_str());
                        return TRUE;
                    }
                };
                fwprintf(stderr, L"no box; thread %lu\n", thread_);
                ::EnumWindows(Lister::Each, 0);
            }
            return; // the test sees fewer boxes than it expected
        }
        if (::getenv("JUXA_TEST_DEBUG") != nullptr) {
            fwprintf(stderr, L"box found at %lu\n", ::GetTickCount());
        }
        ::Sleep(50); // let the box finish setting its focus and default button
        seen_.push_back(Inspect(box, owner_));
        Give(box, answer, thread_);
        // Wait until this box is gone before looking for the next one.
        const auto until = std::chrono::steady_clock::now() + kBoxTimeout;
        while (::IsWindow(box) != FALSE && ::IsWindowVisible(box) != FALSE &&
               std::chrono::steady_clock::now() < until) {
            ::Sleep(10);
        }
        if (::getenv("JUXA_TEST_DEBUG") != nullptr) {
            fwprintf(stderr, L"box gone at %lu\n", ::GetTickCount());
        }
        previous = ::IsWindow(box) != FALSE ? box : nullptr;
    }
}

void Pump(DWORD milliseconds) {
    const DWORD start = ::GetTickCount();
    do {
        MSG msg{};
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE) != FALSE) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        if (milliseconds > 0) {
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
        }
    } while (::GetTickCount() - start < milliseconds);
}

std::wstring Text(HWND window) {
    return WindowText(window);
}

RECT RectInParent(HWND control) {
    RECT r{};
    ::GetWindowRect(control, &r);
    ::MapWindowPoints(HWND_DESKTOP, ::GetParent(control), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

LOGFONTW FontOf(HWND window) {
    LOGFONTW font{};
    const auto handle = reinterpret_cast<HFONT>(::SendMessageW(window, WM_GETFONT, 0, 0));
    ::GetObjectW(handle, sizeof(font), &font);
    return font;
}

CHARFORMAT2W RichFontOf(HWND window) {
    CHARFORMAT2W format{};
    format.cbSize = sizeof(format);
    ::SendMessageW(window, EM_GETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&format));
    return format;
}

std::vector<std::wstring> ListItems(HWND combo) {
    std::vector<std::wstring> items;
    const auto count = static_cast<int>(::SendMessageW(combo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        wchar_t item[256] = {};
        ::SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(item));
        items.emplace_back(item);
    }
    return items;
}

bool Checked(HWND button) {
    return ::SendMessageW(button, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

bool OpenClipboardPatiently() {
    for (int i = 0; i < 200; ++i) {
        if (::OpenClipboard(nullptr) != FALSE) {
            return true;
        }
        ::Sleep(10);
    }
    return false;
}

std::wstring ClipboardText() {
    if (!OpenClipboardPatiently()) {
        return L"<cannot open>";
    }
    std::wstring text;
    if (HANDLE data = ::GetClipboardData(CF_UNICODETEXT)) {
        text = static_cast<const wchar_t*>(::GlobalLock(data));
        ::GlobalUnlock(data);
    }
    ::CloseClipboard();
    return text;
}

bool PutOnClipboard(const std::wstring& text) {
    if (!OpenClipboardPatiently()) {
        return false;
    }
    ::EmptyClipboard();
    HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
    bool put = false;
    if (auto* target = memory != nullptr ? static_cast<wchar_t*>(::GlobalLock(memory)) : nullptr) {
        std::copy_n(text.c_str(), text.size() + 1, target);
        ::GlobalUnlock(memory);
        put = ::SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
    }
    if (!put && memory != nullptr) {
        ::GlobalFree(memory);
    }
    ::CloseClipboard();
    return put;
}

int MissingGlyphs(HWND window, const std::wstring& text) {
    HDC dc = ::GetDC(window);
    const HGDIOBJ old =
        ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(::SendMessageW(window, WM_GETFONT, 0, 0)));
    std::vector<WORD> glyphs(text.size());
    const DWORD done = ::GetGlyphIndicesW(dc, text.c_str(), static_cast<int>(text.size()),
                                          glyphs.data(), GGI_MARK_NONEXISTING_GLYPHS);
    ::SelectObject(dc, old);
    ::ReleaseDC(window, dc);
    if (done == GDI_ERROR) {
        return -1;
    }
    return static_cast<int>(std::count(glyphs.begin(), glyphs.end(), WORD{0xFFFF}));
}

void SavePicture(HWND window, const std::wstring& path) {
    ::RedrawWindow(window, nullptr, nullptr,
                   RDW_INVALIDATE | RDW_FRAME | RDW_UPDATENOW | RDW_ALLCHILDREN);
    Pump(300);
    RECT r{};
    ::GetWindowRect(window, &r);
    const int width = r.right - r.left;
    const int height = r.bottom - r.top;
    HDC screen = ::GetWindowDC(window);
    HDC memory = ::CreateCompatibleDC(screen);
    HBITMAP bitmap = ::CreateCompatibleBitmap(screen, width, height);
    const HGDIOBJ old = ::SelectObject(memory, bitmap);
    ::BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
    ::SelectObject(memory, old);
    BITMAPINFOHEADER info{};
    info.biSize = sizeof(info);
    info.biWidth = width;
    info.biHeight = height; // bottom-up, as BMP files keep their rows
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
    std::vector<char> pixels(static_cast<std::size_t>(stride) * static_cast<std::size_t>(height));
    ::GetDIBits(memory, bitmap, 0, static_cast<UINT>(height), pixels.data(),
                reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
    ::DeleteObject(bitmap);
    ::DeleteDC(memory);
    ::ReleaseDC(window, screen);
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42; // "BM"
    file.bfOffBits = sizeof(file) + sizeof(info);
    file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
    FILE* out = ::_wfopen(path.c_str(), L"wb");
    ASSERT_NE(out, nullptr) << "cannot write the picture";
    std::fwrite(&file, sizeof(file), 1, out);
    std::fwrite(&info, sizeof(info), 1, out);
    std::fwrite(pixels.data(), 1, pixels.size(), out);
    std::fclose(out);
}

void MainWindowTest::Build(const WindowOptions& options) {
    InitialiseControls();
    window.reset();
    drives = std::make_unique<sim::SimDriveQueries>(world);
    window = std::make_unique<MainWindow>(::GetModuleHandleW(nullptr), world, *drives, options);
    window->Show(SW_SHOW);
    ::SetForegroundWindow(window->Handle());
    Pump();
}

void MainWindowTest::TearDown() {
    window.reset();
    Pump();
}

void MainWindowTest::SetTextOf(ControlId id, const std::wstring& text) const {
    ::SetWindowTextW(Ctl(id), text.c_str());
}

void MainWindowTest::Click(ControlId id) const {
    // BM_CLICK presses and releases the mouse on the button, so the button
    // takes the focus first, as a real click does.
    ::SendMessageW(Ctl(id), BM_CLICK, 0, 0);
}

void MainWindowTest::Menu(CommandId id) const {
    ::SendMessageW(window->Handle(), WM_COMMAND, MAKEWPARAM(static_cast<int>(id), 0), 0);
}

void MainWindowTest::PressKey(WORD key, bool shift) const {
    std::vector<INPUT> inputs;
    const auto add = [&inputs](WORD vk, bool up) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = vk;
        input.ki.wScan = static_cast<WORD>(::MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
        input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
        inputs.push_back(input);
    };
    if (shift) {
        add(VK_SHIFT, false);
    }
    add(key, false);
    add(key, true);
    if (shift) {
        add(VK_SHIFT, true);
    }
    ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    // The keys arrive as input does, through the queue; handle them, and what
    // they post, the way the program's loop does.
    const DWORD start = ::GetTickCount();
    int idle = 0;
    while (idle < 3 && ::GetTickCount() - start < 2000) {
        MSG msg{};
        if (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE) != FALSE) {
            DispatchLoopMessage(window->Handle(), msg);
            idle = 0;
        } else {
            ++idle;
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        }
    }
}

void MainWindowTest::Click(POINT at) {
    const int width = ::GetSystemMetrics(SM_CXSCREEN);
    const int height = ::GetSystemMetrics(SM_CYSCREEN);
    INPUT inputs[3] = {};
    for (INPUT& input : inputs) {
        input.type = INPUT_MOUSE;
        input.mi.dx = MulDiv(at.x, 65535, width - 1);
        input.mi.dy = MulDiv(at.y, 65535, height - 1);
        input.mi.dwFlags = MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE;
    }
    inputs[1].mi.dwFlags |= MOUSEEVENTF_LEFTDOWN;
    inputs[2].mi.dwFlags |= MOUSEEVENTF_LEFTUP;
    ::SendInput(3, inputs, sizeof(INPUT));
    Pump(100);
}

HWND MainWindowTest::FocusedControl() const {
    HWND focus = ::GetFocus();
    while (focus != nullptr && ::GetParent(focus) != window->Handle()) {
        focus = ::GetParent(focus);
    }
    return focus;
}

void MainWindowTest::EnterManualMode() {
    BoxAnswerer answerer({Press(L"OK")}, window->Handle());
    Click(ControlId::rbtnManual);
    answerer.Wait();
}

} // namespace juxa::win32::test
