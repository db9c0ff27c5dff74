// A monkey on the real window: thousands of random user actions and drive
// notifications, every box answered at random by a watcher thread, and the
// window checked after each action. The seed is printed at the start and in
// every failure; JUXA_MONKEY_SEED replays a run, JUXA_MONKEY_STEPS changes its
// length, and JUXA_MONKEY_TRACE prints each action as it runs.
#include "WindowTestSupport.h"

#include "Texts.h"
#include "uJuxa.h"

#include <dbt.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <map>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <utility>
#include <vector>

using namespace juxa;
using namespace juxa::win32;
using namespace juxa::win32::test;

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::uint32_t kDefaultSeed = 20250611;
constexpr int kDefaultSteps = 3000;
// Wine's rich edit wraps the one hex line in a time that grows with the
// square of its length (4096 bytes take about two seconds to show, 8192 about
// six), so a send never runs with more than this; between sends the length
// field takes any text.
constexpr std::int32_t kMaxSendLength = 512;
constexpr std::uint32_t kHandheldDisk = 1;
constexpr auto kStuckAfter = std::chrono::seconds(90);

const std::wstring kManualWarning =
    L"Using manual commands can be hazardous to your firmwares health as we do not yet know what "
    L"all the commands do! USE AT YOUR OWN RISK!";
const std::wstring kFormatQuestion =
    L"This will device level format your memory stick, your files will be erased.  ARE YOU SURE?";
const std::wstring kNoDrive = L"No drive specified";
const std::wstring kClipboardError = L"Cannot open clipboard: ";
const std::wstring kFailed = L"SCSI Command Failed";

std::uint64_t EnvNumber(const char* name, std::uint64_t fallback) {
    const char* text = std::getenv(name);
    return text == nullptr || *text == '\0' ? fallback : std::strtoull(text, nullptr, 0);
}

std::string Utf8(const std::wstring& text) {
    std::string out(text.size() * 4 + 1, '\0');
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()),
                                        out.data(), static_cast<int>(out.size()), nullptr, nullptr);
    out.resize(static_cast<std::size_t>(std::max(n, 0)));
    return out;
}

// --- the boxes the program may show ---

enum class BoxKind { Plain, Warning, Confirm, Error, About, Unknown };

// The program's four kinds of box, and its About window, by their look.
BoxKind KindOf(const BoxSeen& box) {
    using Buttons = std::vector<std::wstring>;
    const auto icon = [&](LPCWSTR id) { return box.icon == ::LoadIconW(nullptr, id); };
    if (box.caption == kAboutCaption) {
        return BoxKind::About;
    }
    if (box.caption == kApplicationTitle && box.buttons == Buttons{L"OK"}) {
        return box.icon == nullptr ? BoxKind::Plain
               : icon(IDI_ERROR)   ? BoxKind::Error
                                   : BoxKind::Unknown;
    }
    if (box.caption == L"Warning" && box.buttons == Buttons{L"&Yes", L"&No"} &&
        box.defaultButton == L"&Yes" && icon(IDI_WARNING)) {
        return BoxKind::Warning;
    }
    if (box.caption == L"Confirm" && box.buttons == Buttons{L"OK", L"Cancel"} &&
        box.defaultButton == L"OK" && icon(IDI_QUESTION)) {
        return BoxKind::Confirm;
    }
    return BoxKind::Unknown;
}

// head, a root such as E:\, then tail.
bool NamesARoot(const std::wstring& text, const std::wstring& head, const std::wstring& tail) {
    if (text.size() != head.size() + 3 + tail.size() || !text.starts_with(head) ||
        !text.ends_with(tail)) {
        return false;
    }
    const wchar_t letter = text[head.size()];
    return letter >= L'A' && letter <= L'Z' && text.compare(head.size() + 1, 2, L":\\") == 0;
}

// What the box says, when it is one of the program's texts for its kind; the
// run's summary counts by it.
const char* ProgramText(BoxKind kind, const std::wstring& text) {
    switch (kind) {
    case BoxKind::Plain:
        if (text == kNoDrive) {
            return "no drive specified";
        }
        if (text == kManualWarning) {
            return "manual-mode warning";
        }
        if (text.starts_with(L"Nothing was sent to drive ") &&
            text.ends_with(L": because the drive list changed while the question was open.")) {
            return "format not sent";
        }
        return NamesARoot(text, L"The selected drive (", L") has been removed")
                   ? "selected drive removed"
                   : nullptr;
    case BoxKind::Warning:
        return NamesARoot(text, L"USB Drive ", L" Detected\n\rIs this your target drive?")
                   ? "drive arrival question"
                   : nullptr;
    case BoxKind::Confirm:
        return text == kFormatQuestion ? "format confirmation" : nullptr;
    case BoxKind::Error:
        if (text.starts_with(L"''$") && text.ends_with(L"'' is not a valid integer value.")) {
            return "byte-field conversion error";
        }
        if (text.starts_with(kClipboardError) && text.size() > kClipboardError.size()) {
            return "clipboard error";
        }
        return text == L"RichEdit line insertion error." ? "rich-text insertion error" : nullptr;
    case BoxKind::About:
        return "About window";
    case BoxKind::Unknown:
        break;
    }
    return nullptr;
}

struct Answered {
    BoxSeen box;
    BoxKind kind = BoxKind::Unknown;
    Answer answer;
    bool nested = false; // opened while another box waited for its answer

    // OK or Yes, by its button or by Enter on the default button.
    [[nodiscard]] bool Accepted() const {
        return answer.kind == Answer::Kind::Enter ||
               (answer.kind == Answer::Kind::Button &&
                (answer.button == L"OK" || answer.button == L"&Yes"));
    }
    [[nodiscard]] std::wstring Label() const {
        return kind == BoxKind::About ? box.caption : box.text;
    }
};

// A WM_DEVICECHANGE as the platform sends it.
struct Notification {
    WPARAM event = DBT_DEVICEARRIVAL;
    DEV_BROADCAST_VOLUME record{sizeof(DEV_BROADCAST_VOLUME), DBT_DEVTYP_VOLUME, 0, 0, 0};
    bool withRecord = true;

    void DeliverTo(HWND window) {
        ::SendMessageW(window, WM_DEVICECHANGE, event,
                       withRecord ? reinterpret_cast<LPARAM>(&record) : 0);
    }
    // The root it names (the highest letter), or "" for none.
    [[nodiscard]] std::wstring Root() const {
        if (!withRecord || record.dbcv_devicetype != DBT_DEVTYP_VOLUME) {
            return {};
        }
        for (int bit = 25; bit >= 0; --bit) {
            if ((record.dbcv_unitmask & (1u << bit)) != 0) {
                return std::wstring(1, static_cast<wchar_t>(L'A' + bit)) + L":\\";
            }
        }
        return {};
    }
};

// Answers every box that the window's thread opens, at random, from a thread
// of its own; checks meanwhile that the window keeps answering messages, and
// ends the process when the run is stuck, so that a hang fails instead of
// running into the suite's timeout.
class BoxWatcher {
public:
    BoxWatcher(HWND window, HWND about, std::uint32_t seed)
        : window_(window), about_(about), thread_(::GetCurrentThreadId()), seed_(seed),
          rng_(seed ^ 0x9E3779B9u) {
        worker_ = std::thread([this] { Run(); });
    }
    BoxWatcher(const BoxWatcher&) = delete;
    BoxWatcher& operator=(const BoxWatcher&) = delete;
    ~BoxWatcher() {
        stop_ = true;
        worker_.join();
        if (notifier_.joinable()) {
            notifier_.join();
        }
    }

    void BeginStep(int step, const char* action) {
        action_ = action;
        step_ = step;
    }
    // The notification goes to the window, from yet another thread, while the
    // next box waits for its answer: its handler then runs inside that wait.
    void ArmNotification(const Notification& notification) {
        const std::lock_guard lock(mutex_);
        armed_ = notification;
    }
    // Whether the armed notification went out; disarms it either way.
    bool Disarm() {
        const std::lock_guard lock(mutex_);
        armed_.reset();
        return std::exchange(delivered_, false);
    }
    // The notification that went out last.
    [[nodiscard]] Notification LastDelivered() {
        const std::lock_guard lock(mutex_);
        return lastDelivered_;
    }
    std::vector<Answered> TakeAnswered() {
        const std::lock_guard lock(mutex_);
        return std::exchange(answered_, {});
    }
    std::vector<std::string> TakeProblems() {
        const std::lock_guard lock(mutex_);
        return std::exchange(problems_, {});
    }

private:
    struct Found {
        const BoxWatcher* self;
        HWND box = nullptr;
    };

    static BOOL CALLBACK FindOne(HWND window, LPARAM lParam) {
        auto* found = reinterpret_cast<Found*>(lParam);
        wchar_t cls[64] = {};
        ::GetClassNameW(window, cls, 64);
        const bool box = std::wstring(cls) == L"#32770" || window == found->self->about_;
        if (box && window != found->self->held_ && ::IsWindowVisible(window) != FALSE) {
            found->box = window;
            return FALSE;
        }
        return TRUE;
    }

    void Run() {
        auto lastPing = Clock::now();
        auto lastProgress = Clock::now();
        int lastStep = -1;
        while (!stop_) {
            const auto now = Clock::now();
            if (step_ != lastStep) {
                lastStep = step_;
                lastProgress = now;
            } else if (now - lastProgress > kStuckAfter) {
                std::printf("[  FAILED  ] the monkey is stuck at step %d (%s), seed %u\n", lastStep,
                            action_.load(), seed_);
                for (const std::string& problem : TakeProblems()) {
                    std::printf("  %s\n", problem.c_str());
                }
                std::fflush(stdout);
                ::ExitProcess(3);
            }
            if (held_ != nullptr && notified_) {
                notifier_.join();
                Give(std::exchange(held_, nullptr), heldSeen_, false);
                continue;
            }
            Found found{this};
            ::EnumThreadWindows(thread_, FindOne, reinterpret_cast<LPARAM>(&found));
            if (found.box == nullptr) {
                if (now - lastPing > std::chrono::milliseconds(250)) {
                    Ping();
                    lastPing = Clock::now();
                }
                ::Sleep(5);
                continue;
            }
            ::Sleep(30); // the box settles its focus and default button
            const BoxSeen seen = InspectBox(found.box, window_);
            const bool nested = held_ != nullptr;
            std::optional<Notification> notification;
            if (!nested) {
                const std::lock_guard lock(mutex_);
                notification.swap(armed_);
                // A later box of the same action (the message that follows
                // a voided question) must not hide that it went out.
                delivered_ = delivered_ || notification.has_value();
                if (notification) {
                    lastDelivered_ = *notification;
                }
            }
            if (!notification) {
                Give(found.box, seen, nested);
                continue;
            }
            held_ = found.box;
            heldSeen_ = seen;
            heldNotification_ = *notification;
            notified_ = false;
            notifier_ = std::thread([this] {
                heldNotification_.DeliverTo(window_);
                notified_ = true;
            });
        }
    }

    void Give(HWND box, const BoxSeen& seen, bool nested) {
        Answered answered{seen, KindOf(seen), CloseBox(), nested};
        if (answered.kind != BoxKind::About) { // which has nothing but its close box
            std::vector<Answer> choices{Escape(), Enter(), CloseBox()};
            for (const std::wstring& button : seen.buttons) {
                choices.push_back(Press(button));
            }
            answered.answer = choices[rng_() % choices.size()];
        }
        {
            const std::lock_guard lock(mutex_);
            answered_.push_back(answered);
        }
        const int step = step_;
        AnswerBox(box, answered.answer, thread_);
        if (!WaitGone(box, step)) {
            Problem("a box stayed open after its answer: " + Utf8(answered.Label()));
            ::PostMessageW(box, WM_SYSCOMMAND, SC_CLOSE, 0);
            WaitGone(box, step);
        }
    }

    // The About window is hidden, not destroyed, and the next action may show
    // it again before a look sees it hidden: the step moving on tells too.
    bool WaitGone(HWND box, int step) const {
        const auto until = Clock::now() + std::chrono::seconds(5);
        while (::IsWindow(box) != FALSE && ::IsWindowVisible(box) != FALSE && step_ == step) {
            if (Clock::now() > until) {
                return false;
            }
            ::Sleep(5);
        }
        return true;
    }

    void Ping() {
        DWORD_PTR result = 0;
        if (::SendMessageTimeoutW(window_, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &result) == 0) {
            Problem("the window did not answer a message within 10 s");
        }
    }

    void Problem(const std::string& text) {
        const std::lock_guard lock(mutex_);
        problems_.push_back(text);
    }

    HWND window_;
    HWND about_;
    DWORD thread_;
    std::uint32_t seed_;
    std::mt19937 rng_;
    std::atomic<bool> stop_{false};
    std::atomic<int> step_{0};
    std::atomic<const char*> action_{"start"};

    HWND held_ = nullptr; // the box that waits while a notification runs
    BoxSeen heldSeen_;
    Notification heldNotification_;
    std::atomic<bool> notified_{false};
    std::thread notifier_;

    std::mutex mutex_;
    std::optional<Notification> armed_;
    Notification lastDelivered_;
    bool delivered_ = false;
    std::vector<Answered> answered_;
    std::vector<std::string> problems_;
    std::thread worker_;
};

// --- what the window should show, worked out on the test's side ---

// A byte field's CDB byte: one or more hex digits and nothing else, at most
// 32 bits, low 8 bits taken.
std::optional<std::uint8_t> ByteOf(const std::wstring& text) {
    std::uint64_t value = 0;
    for (const wchar_t c : text) {
        const wchar_t* digits = L"0123456789abcdef";
        const wchar_t lower = c >= L'A' && c <= L'F' ? static_cast<wchar_t>(c + 32) : c;
        const wchar_t* at = lower == 0 ? nullptr : std::wcschr(digits, lower);
        if (at == nullptr ||
            (value = value * 16 + static_cast<std::uint64_t>(at - digits)) > 0xFFFFFFFFu) {
            return std::nullopt;
        }
    }
    return text.empty() ? std::nullopt : std::optional<std::uint8_t>(value & 0xFF);
}

std::wstring Hex(const std::vector<std::uint8_t>& bytes) {
    const wchar_t* digits = L"0123456789ABCDEF";
    std::wstring line;
    for (const std::uint8_t b : bytes) {
        line += {digits[b >> 4], digits[b & 0x0F], L' '};
    }
    return line;
}

std::wstring WithoutLineEnds(std::wstring text) {
    std::erase_if(text, [](wchar_t c) { return c == L'\r' || c == L'\n'; });
    return text;
}

wchar_t UpperAscii(wchar_t c) {
    return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - 32) : c;
}

int FirstIgnoringCase(const std::vector<std::wstring>& items, const std::wstring& text) {
    const auto same = [&](const std::wstring& item) {
        return item.size() == text.size() &&
               std::equal(item.begin(), item.end(), text.begin(),
                          [](wchar_t a, wchar_t b) { return UpperAscii(a) == UpperAscii(b); });
    };
    const auto at = std::find_if(items.begin(), items.end(), same);
    return at == items.end() ? -1 : static_cast<int>(at - items.begin());
}

class MonkeyTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        about = std::make_unique<TfrmAbout>(::GetModuleHandleW(nullptr), window->Handle(),
                                            window->Dpi());
        window->SetAboutBox(about.get());
    }
    void TearDown() override {
        watcher.reset();
        window->SetAboutBox(nullptr);
        about.reset();
        MainWindowTest::TearDown();
    }

    int R(int n) { return static_cast<int>(rng() % static_cast<std::uint32_t>(n)); }
    bool Chance(int percent) { return R(100) < percent; }
    template <typename T> const T& OneOf(const std::vector<T>& items) {
        return items[static_cast<std::size_t>(R(static_cast<int>(items.size())))];
    }
    HWND DriveEdit() const {
        COMBOBOXINFO info{};
        info.cbSize = sizeof(info);
        ::GetComboBoxInfo(Ctl(ControlId::cbxDriveList), &info);
        return info.hwndItem;
    }
    std::wstring HexShown() const { return window->Controls().memHEX->WholeText(); }
    int ByteLength() const {
        return kByteLengths.at(
            static_cast<std::size_t>(window->Controls().cbxByteLength->ItemIndex()));
    }

    // --- user input ---

    static void Key(HWND control, WPARAM key) {
        ::SetFocus(control);
        ::SendMessageW(control, WM_KEYDOWN, key, 1);
        ::SendMessageW(control, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001));
    }
    // Typed over the whole text, or at the caret.
    static void Type(HWND field, const std::wstring& text, bool over) {
        ::SetFocus(field);
        if (over) {
            ::SendMessageW(field, EM_SETSEL, 0, -1);
        }
        // Nothing typed over a selection still takes it away.
        const std::wstring keys = over && text.empty() ? std::wstring(1, L'\b') : text;
        for (const wchar_t c : keys) {
            ::SendMessageW(field, WM_CHAR, c, 1);
        }
    }

    std::wstring Characters(const std::wstring& from, int count) {
        std::wstring text;
        for (int i = 0; i < count; ++i) {
            text += from[static_cast<std::size_t>(R(static_cast<int>(from.size())))];
        }
        return text;
    }
    std::wstring AnyText() {
        return Characters(L"0123456789abcdefABCDEF0123456789xX$+-., :\\/'&%gGzZ"
                          L"\u00E9\u00FF\u3042\uFF25\b\t\r",
                          R(9));
    }
    std::wstring HexText() { return Characters(L"0123456789abcdefABCDEF", 1 + R(3)); }
    std::wstring DriveText() {
        std::vector<std::wstring> handheld; // where the user knows the handheld is
        for (const auto& [letter, volume] : world.volumes) {
            if (ReachesHandheld(letter)) {
                handheld.push_back(std::wstring(1, letter) + L":\\");
            }
        }
        const std::vector<std::wstring> items = ListItems(Ctl(ControlId::cbxDriveList));
        const int pick = R(10);
        if (pick < 3 && !handheld.empty()) {
            return OneOf(handheld);
        }
        if (pick < 5 && !items.empty()) {
            return OneOf(items);
        }
        if (pick < 7) {
            const auto letter = static_cast<wchar_t>((Chance(80) ? L'A' : L'a') + R(26));
            return std::wstring(1, letter) + (Chance(80) ? L":\\" : L"");
        }
        return AnyText();
    }
    std::wstring LengthText() {
        switch (R(6)) {
        case 0:
            return std::to_wstring(R(kMaxSendLength + 1));
        case 1:
            return std::to_wstring(R(100000));
        case 2:
            return L"-" + std::to_wstring(R(1000));
        case 3:
            return L"99999999999";
        default:
            return AnyText();
        }
    }
    // A field to type into and a text for it, as a user would pick them.
    std::pair<HWND, std::wstring> FieldAndText() {
        std::vector<HWND> bytes;
        for (int k = 1; k <= 16; ++k) {
            if (::IsWindowEnabled(Ctl(ByteFieldId(k))) != FALSE) {
                bytes.push_back(Ctl(ByteFieldId(k)));
            }
        }
        const int pick = R(bytes.empty() ? 2 : 4);
        if (pick == 0) {
            return {DriveEdit(), DriveText()};
        }
        if (pick == 1) {
            return {Ctl(ControlId::OutputLength), LengthText()};
        }
        // Bytes that the handheld knows, so that manual commands get answers too.
        static const std::vector<std::wstring> kKnown = {L"12", L"FB", L"fc", L"B4",
                                                         L"b5", L"90", L"91", L"0"};
        return {OneOf(bytes), Chance(30) ? OneOf(kKnown) : Chance(85) ? HexText() : AnyText()};
    }

    // --- the world around the window ---

    wchar_t SomeLetter(bool preferListed) {
        const std::vector<std::wstring> items = ListItems(Ctl(ControlId::cbxDriveList));
        if (preferListed && !items.empty() && Chance(60)) {
            return OneOf(items)[0];
        }
        const auto letter = static_cast<wchar_t>(L'A' + R(26));
        return letter == L'C' ? L'E' : letter; // the system volume stays
    }
    Notification VolumeEvent(WPARAM event, wchar_t letter) {
        Notification n;
        n.event = event;
        const int bit = letter - L'A';
        n.record.dbcv_unitmask = 1u << bit;
        if (Chance(15)) { // more letters in one record: the highest decides
            n.record.dbcv_unitmask |= static_cast<DWORD>(rng()) & ((1u << bit) - 1);
        }
        return n;
    }
    // A drive that arrives, already in the world when it is announced.
    Notification Arrival() {
        static const sim::SimVolume kKinds[] = {
            {kDriveRemovable, 0, {kHandheldDisk}, 0},
            {kDriveRemovable, 0, {kHandheldDisk}, 0},
            {kDriveRemovable, 0, {kHandheldDisk}, 0},
            {kDriveRemovable, 0, {2}, 0},   // a disk that cannot be opened
            {kDriveRemovable, 0, {0}, 0},   // on the system's disk
            {kDriveRemovable, 0, {300}, 0}, // beyond 8 bits
            {kDriveRemovable, 21, {}, 0},   // no medium
            {kDriveFixed, 0, {kHandheldDisk}, 0},
            {kDriveCdrom, 0, {kHandheldDisk}, 0},
        };
        const wchar_t letter = SomeLetter(false);
        if (world.volumes.count(letter) == 0 || Chance(30)) {
            world.volumes[letter] = kKinds[R(std::size(kKinds))];
        }
        return VolumeEvent(DBT_DEVICEARRIVAL, letter);
    }
    // A drive that has gone when it is reported; a CD-ROM drive only loses
    // its medium.
    Notification Removal() {
        const wchar_t letter = SomeLetter(true);
        const auto volume = world.volumes.find(letter);
        if (letter != L'C' && volume != world.volumes.end() &&
            volume->second.driveType != kDriveCdrom) {
            world.volumes.erase(volume);
        }
        return VolumeEvent(DBT_DEVICEREMOVECOMPLETE, letter);
    }
    // Notifications the program has to leave alone.
    Notification Other() {
        Notification n = VolumeEvent(DBT_DEVICEARRIVAL, L'E');
        n.withRecord = Chance(50);
        n.event = n.withRecord ? DBT_DEVICEARRIVAL : DBT_DEVNODES_CHANGED;
        n.record.dbcv_devicetype = DBT_DEVTYP_PORT;
        return n;
    }

    // Whether a notification handled while the format question waited voids
    // its OK: it changed the drive list or the field's text, or it named the
    // letter the press took.
    bool Voids(const Notification& n, const std::wstring& drive,
               const std::vector<std::wstring>& items) const {
        const std::wstring root = n.Root();
        if (root.empty() || (n.event != DBT_DEVICEARRIVAL && n.event != DBT_DEVICEREMOVECOMPLETE)) {
            return false;
        }
        if (UpperAscii(root[0]) == UpperAscii(drive[0])) {
            return true;
        }
        const unsigned type = world.GetDriveTypeW(root);
        if (n.event == DBT_DEVICEARRIVAL) {
            return type == kDriveRemovable;
        }
        return type != kDriveCdrom && (drive == root || FirstIgnoringCase(items, root) >= 0);
    }

    bool ReachesHandheld(wchar_t letter) const {
        const auto volume = world.volumes.find(UpperAscii(letter));
        return volume != world.volumes.end() && volume->second.openError == 0 &&
               volume->second.queryError == 0 && !volume->second.disks.empty() &&
               volume->second.disks.front() == kHandheldDisk &&
               world.disks.at(kHandheldDisk).openError == 0;
    }

    // --- checks ---

    // The boxes of this action: every one a box of the program's own kinds
    // and texts, the action's own exactly the expected ones (a text ending in
    // "*" stands for its start), and those of a notification handled inside
    // a box's wait no error.
    std::vector<Answered> BoxesOf(const std::vector<std::wstring>& expected,
                                  const std::wstring& mayFollow = {}) {
        disturbed = watcher->Disarm();
        for (const std::string& problem : watcher->TakeProblems()) {
            ADD_FAILURE() << problem;
        }
        std::vector<Answered> own;
        for (Answered& box : watcher->TakeAnswered()) {
            const char* what = ProgramText(box.kind, box.box.text);
            EXPECT_NE(what, nullptr)
                << "a box that is none of the program's: caption \"" << Utf8(box.box.caption)
                << "\", text \"" << Utf8(box.box.text) << "\"";
            EXPECT_TRUE(box.box.ownerWasDisabled) << "a box that was not modal: " << what;
            ++boxCounts[what != nullptr ? what : "unknown"];
            if (box.nested) {
                EXPECT_TRUE(box.kind == BoxKind::Plain || box.kind == BoxKind::Warning) << what;
            } else {
                own.push_back(std::move(box));
            }
        }
        const bool followed = !mayFollow.empty() && own.size() == expected.size() + 1 &&
                              own.back().Label() == mayFollow;
        EXPECT_EQ(own.size() - (followed ? 1 : 0), expected.size());
        for (std::size_t i = 0; i < std::min(own.size(), expected.size()); ++i) {
            const std::wstring label = own[i].Label();
            if (expected[i].ends_with(L"*")) {
                EXPECT_TRUE(label.starts_with(expected[i].substr(0, expected[i].size() - 1)))
                    << Utf8(label);
            } else {
                EXPECT_EQ(label, expected[i]);
            }
        }
        return own;
    }

    // After a push button: the field has been settled into range.
    std::int32_t SettledLength() {
        const std::int32_t n = TryStrToInt(TextOf(ControlId::OutputLength)).value_or(0);
        EXPECT_GE(n, 0);
        EXPECT_LE(n, 65536);
        return n;
    }

    void CheckWindow() {
        ASSERT_TRUE(::IsWindow(window->Handle()));
        EXPECT_TRUE(::IsWindowVisible(window->Handle()));
        EXPECT_TRUE(::IsWindowEnabled(window->Handle())) << "a box left the window disabled";
        EXPECT_EQ(world.OpenHandleCount(), 0) << "a device handle left open";
        EXPECT_EQ(DataInBuffer::LiveCount(), 0) << "a data-in buffer not released";
        const bool preset = Checked(Ctl(ControlId::rbtnPreset));
        const bool manual = Checked(Ctl(ControlId::rbtnManual));
        ASSERT_NE(preset, manual) << "exactly one mode";
        EXPECT_EQ(::IsWindowEnabled(Ctl(ControlId::cbxQuery)) != FALSE, preset);
        EXPECT_EQ(::IsWindowEnabled(Ctl(ControlId::cbxByteLength)) != FALSE, manual);
        const int length = ByteLength();
        for (int k = 1; k <= 16; ++k) {
            EXPECT_EQ(::IsWindowEnabled(Ctl(ByteFieldId(k))) != FALSE, manual && k <= length)
                << "C" << k;
            if (k > length) {
                EXPECT_EQ(TextOf(ByteFieldId(k)), L"00") << "C" << k << " beyond the CDB";
            }
        }
        for (; requestsChecked < world.requests.size(); ++requestsChecked) {
            EXPECT_EQ(world.requests[requestsChecked].disk, kHandheldDisk)
                << "a command reached another disk than the handheld's";
        }
        EXPECT_TRUE(formatAllowed || world.formatCount == formats)
            << "a format that the user did not confirm";
        formats = world.formatCount;
        formatAllowed = false;
        for (const std::wstring& item : ListItems(Ctl(ControlId::cbxDriveList))) {
            EXPECT_TRUE(NamesARoot(item, L"", L"")) << Utf8(item);
        }
    }

public: // the run picks the actions by their address
    void SendQuery() {
        // Keep the length that takes effect small (see kMaxSendLength).
        const std::int64_t length = TryStrToInt(TextOf(ControlId::OutputLength)).value_or(0);
        if (std::clamp<std::int64_t>(length, 0, 65536) > kMaxSendLength) {
            Type(Ctl(ControlId::OutputLength), std::to_wstring(R(kMaxSendLength + 1)), true);
        }
        const MainControls& c = window->Controls();
        const std::wstring drive = TextOf(ControlId::cbxDriveList);
        const std::wstring textBefore = TextOf(ControlId::edtSTRING);
        const std::wstring hexBefore = HexShown();
        const bool preset = Checked(Ctl(ControlId::rbtnPreset));
        const int presetIndex = c.cbxQuery->ItemIndex();
        const int cdbLength = ByteLength();
        const bool ansi = TextOf(ControlId::cbxBit) == L"ANSI";
        std::array<std::uint8_t, 16> cdb{};
        std::optional<std::wstring> badField;
        int badAt = 0;
        for (std::size_t k = 0; k < cdb.size(); ++k) {
            const std::wstring text = c.C[k]->Text();
            const auto byte = ByteOf(text);
            cdb[k] = byte.value_or(0);
            if (!byte && !badField) {
                badField = text;
                badAt = static_cast<int>(k) + 1;
            }
        }
        std::vector<std::wstring> expected;
        if (drive.empty()) {
            expected = {kNoDrive};
        } else if (preset && presetIndex == 1) {
            expected = {kFormatQuestion};
        } else if (!preset && badField) {
            expected = {L"''$" + *badField + L"'' is not a valid integer value."};
        }
        const std::vector<std::wstring> itemsBefore = ListItems(Ctl(ControlId::cbxDriveList));
        const std::size_t before = world.requests.size();

        Click(ControlId::btnQuery);
        // A drive that came or went while the format question waited voids an
        // OK, when it changed the list or named the letter; a message says so.
        const std::wstring voidMessage = L"Nothing was sent to drive " + drive.substr(0, 1) +
                                         L": because the drive list changed while the question "
                                         L"was open.";
        std::vector<Answered> boxes = BoxesOf(expected, voidMessage);
        const bool voided = disturbed && Voids(watcher->LastDelivered(), drive, itemsBefore);
        const bool toldVoided = !boxes.empty() && boxes.back().Label() == voidMessage;
        if (toldVoided) {
            boxes.pop_back();
        }
        const std::int32_t n = SettledLength();
        if (HasFailure()) {
            return;
        }
        if (drive.empty()) {
            EXPECT_EQ(TextOf(ControlId::edtSTRING), textBefore);
            EXPECT_EQ(HexShown(), hexBefore);
            EXPECT_EQ(world.requests.size(), before);
            return;
        }
        if (!preset && badField && Chance(70)) { // the user mends the field the box named
            Type(Ctl(ByteFieldId(badAt)), HexText(), true);
        }
        const bool accepted = preset && presetIndex == 1 && boxes.at(0).Accepted();
        EXPECT_EQ(toldVoided, accepted && voided);
        const bool goesOut = preset ? presetIndex != 1 || (accepted && !voided) : !badField;
        formatAllowed = goesOut && preset && presetIndex == 1;
        const bool reaches = goesOut && ReachesHandheld(drive.front());
        ASSERT_EQ(world.requests.size(), before + (reaches ? 1 : 0))
            << "drive \"" << Utf8(drive) << "\"";
        if (!reaches) {
            EXPECT_EQ(TextOf(ControlId::edtSTRING), goesOut ? kFailed : L"");
            EXPECT_EQ(HexShown(), L"");
            ++sends[goesOut ? "refused or failed" : "not sent"];
            return;
        }
        const sim::SimRequest& sent = world.requests.back();
        EXPECT_EQ(sent.dataTransferLength, static_cast<std::uint32_t>(n));
        if (preset) {
            const TPresetCommand& command =
                PresetCommands.at(static_cast<std::size_t>(presetIndex));
            EXPECT_EQ(sent.cdbLength, command.CdbLength);
            EXPECT_TRUE(std::equal(command.Cdb.begin(), command.Cdb.end(), sent.cdb));
        } else {
            EXPECT_EQ(sent.cdbLength, cdbLength);
            EXPECT_TRUE(std::equal(cdb.begin(), cdb.end(), sent.cdb));
        }
        if (sent.status != 0 || world.disks.at(kHandheldDisk).passThroughError != 0) {
            EXPECT_EQ(TextOf(ControlId::edtSTRING), kFailed);
            EXPECT_EQ(HexShown(), L"");
            ++sends["refused or failed"];
            return;
        }
        // What the device transferred, and zeros after it.
        std::vector<std::uint8_t> data;
        sim::SimWorld::HandheldAnswer(sent.cdb, data);
        data.resize(sent.transferred);
        data.resize(static_cast<std::size_t>(n), 0);
        EXPECT_EQ(WithoutLineEnds(HexShown()), Hex(data));
        EXPECT_EQ(TextOf(ControlId::edtSTRING).size(), ansi ? data.size() : (data.size() + 1) / 2);
        ++sends["shown"];
    }

    void CopyReport() {
        // Now and then another program holds the clipboard.
        const bool held = Chance(15);
        HANDLE opened = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
        HANDLE release = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
        std::thread holder;
        if (held) {
            holder = std::thread([&] {
                const bool open = OpenClipboardPatiently();
                ::SetEvent(opened);
                ::WaitForSingleObject(release, 30000);
                if (open) {
                    ::CloseClipboard();
                }
            });
            // The window keeps handling messages meanwhile: Wine's clipboard
            // thread may be waiting for it (the window owned the clipboard
            // last), and the holder's open waits for that thread.
            while (::WaitForSingleObject(opened, 0) != WAIT_OBJECT_0) {
                Pump(5);
            }
        }
        Click(ControlId::Button2);
        BoxesOf(held ? std::vector<std::wstring>{kClipboardError + L"*"}
                     : std::vector<std::wstring>{});
        const std::int32_t n = SettledLength();
        if (held) {
            ::SetEvent(release);
            holder.join();
        } else {
            const std::wstring report = ClipboardText();
            EXPECT_TRUE(report.starts_with(L"Query: ")) << Utf8(report);
            EXPECT_TRUE(report.ends_with(L"\r\nLength = " + std::to_wstring(n) +
                                         L"\r\nString Output: \"" + TextOf(ControlId::edtSTRING) +
                                         L"\"\r\nHex Output:" + HexShown()))
                << Utf8(report);
        }
        ::CloseHandle(opened);
        ::CloseHandle(release);
    }

    void ClickMode() {
        const bool manual = Chance(50);
        std::vector<std::wstring> expected;
        if (manual && !Checked(Ctl(ControlId::rbtnManual)) && !warningShown) {
            expected = {kManualWarning};
            warningShown = true;
        }
        Click(manual ? ControlId::rbtnManual : ControlId::rbtnPreset);
        BoxesOf(expected);
        EXPECT_TRUE(Checked(Ctl(manual ? ControlId::rbtnManual : ControlId::rbtnPreset)));
    }

    void StepList() {
        std::vector<HWND> lists{DriveEdit(), Ctl(ControlId::cbxBit)};
        for (const ControlId id : {ControlId::cbxQuery, ControlId::cbxByteLength}) {
            if (::IsWindowEnabled(Ctl(id)) != FALSE) {
                lists.push_back(Ctl(id));
            }
        }
        HWND list = OneOf(lists);
        const WPARAM key = Chance(50) ? VK_DOWN : VK_UP;
        for (int i = 0, n = 1 + R(3); i < n; ++i) {
            Key(list, key);
        }
        BoxesOf({});
    }

    void TypeText() {
        const auto [field, text] = FieldAndText();
        Type(field, text, Chance(85));
        BoxesOf({});
    }

    void PasteText() {
        const auto [field, text] = FieldAndText();
        if (PutOnClipboard(text)) {
            ::SetFocus(field);
            ::SendMessageW(field, EM_SETSEL, 0, -1);
            ::SendMessageW(field, WM_PASTE, 0, 0);
        }
        BoxesOf({});
    }

    void Spin() {
        if (Chance(50)) {
            Key(Ctl(ControlId::OutputLength), Chance(50) ? VK_UP : VK_DOWN);
        } else {
            const SpinField& spin = window->OutputLengthField();
            const RECT r =
                spin.ArrowRect(Chance(50) ? SpinField::Arrow::Up : SpinField::Arrow::Down);
            const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
            ::SendMessageW(spin.Arrows(), WM_LBUTTONDOWN, MK_LBUTTON, at);
            ::SendMessageW(spin.Arrows(), WM_LBUTTONUP, 0, at);
        }
        BoxesOf({});
    }

    void Charset() {
        const bool shiftJis = Chance(50);
        Menu(shiftJis ? CommandId::SHIFTJISCHARSET1 : CommandId::DEFAULTCHARSET1);
        BoxesOf({});
        EXPECT_EQ(FontOf(Ctl(ControlId::edtSTRING)).lfCharSet,
                  shiftJis ? SHIFTJIS_CHARSET : DEFAULT_CHARSET);
    }

    void ShowAbout() {
        Menu(CommandId::ABout1);
        BoxesOf({kAboutCaption});
        EXPECT_FALSE(::IsWindowVisible(about->Handle()));
    }

    void Notify() {
        const int pick = R(10);
        Notification n = pick < 5 ? Arrival() : pick < 9 ? Removal() : Other();
        const std::wstring root = n.Root();
        const bool arrival = n.event == DBT_DEVICEARRIVAL && !root.empty() &&
                             world.GetDriveTypeW(root) == kDriveRemovable;
        const bool removal = n.event == DBT_DEVICEREMOVECOMPLETE && !root.empty() &&
                             world.GetDriveTypeW(root) != kDriveCdrom;
        std::vector<std::wstring> items = ListItems(Ctl(ControlId::cbxDriveList));
        std::wstring text = TextOf(ControlId::cbxDriveList);
        std::vector<std::wstring> expected;
        if (arrival) {
            expected = {L"USB Drive " + root + L" Detected\n\rIs this your target drive?"};
        } else if (removal && text == root) {
            expected = {L"The selected drive (" + root + L") has been removed"};
        }

        n.DeliverTo(window->Handle());
        const std::vector<Answered> boxes = BoxesOf(expected);
        if (disturbed || HasFailure()) {
            return; // a second notification has had its say in the list
        }
        // What the list holds and shows afterwards.
        if (arrival) {
            const int old = std::max(FirstIgnoringCase(items, text), 0);
            items.push_back(root);
            text = boxes.at(0).Accepted() ? root : items[static_cast<std::size_t>(old)];
        } else if (removal) {
            if (const int at = FirstIgnoringCase(items, root); at >= 0) {
                items.erase(items.begin() + at);
            }
            if (text == root) {
                text.clear();
            }
            if (text.empty() && !items.empty()) {
                text = items.front();
            }
        }
        EXPECT_EQ(ListItems(Ctl(ControlId::cbxDriveList)), items);
        EXPECT_EQ(TextOf(ControlId::cbxDriveList), text);
    }

    // The handheld misbehaves, or is well again.
    void Fault() {
        sim::SimDisk& disk = world.disks.at(kHandheldDisk);
        switch (R(10)) {
        case 0:
            disk.passThroughError = 1167; // the device is not connected
            break;
        case 1:
            disk.transferLimit = static_cast<std::uint32_t>(R(64));
            break;
        case 2:
            disk.scsiStatus = Chance(50) ? 0x02 : 0x00;
            break;
        case 3:
            disk.refuseReadWrite = true;
            break;
        case 4:
            disk.openError = 5; // access denied
            break;
        default:
            disk = sim::SimDisk{};
            disk.handheld = true;
            break;
        }
        BoxesOf({});
    }

protected:
    std::mt19937 rng;
    std::unique_ptr<TfrmAbout> about;
    std::unique_ptr<BoxWatcher> watcher;
    bool disturbed = false;
    bool warningShown = false;
    bool formatAllowed = false;
    int formats = 0;
    std::size_t requestsChecked = 0;
    std::map<std::string, int> boxCounts;
    std::map<std::string, int> sends;
};

} // namespace

TEST_F(MonkeyTest, ThousandsOfRandomActionsLeaveTheWindowWorking) {
    const auto seed = static_cast<std::uint32_t>(EnvNumber("JUXA_MONKEY_SEED", kDefaultSeed));
    const auto steps = static_cast<int>(EnvNumber("JUXA_MONKEY_STEPS", kDefaultSteps));
    const bool trace = std::getenv("JUXA_MONKEY_TRACE") != nullptr;
    std::printf("monkey: seed %u, %d steps (JUXA_MONKEY_SEED, JUXA_MONKEY_STEPS)\n", seed, steps);
    std::fflush(stdout);
    rng.seed(seed);
    watcher = std::make_unique<BoxWatcher>(window->Handle(), about->Handle(), seed);

    struct Action {
        const char* name;
        int weight;
        void (MonkeyTest::*run)();
    };
    const Action actions[] = {
        {"send", 16, &MonkeyTest::SendQuery}, {"copy", 5, &MonkeyTest::CopyReport},
        {"mode", 6, &MonkeyTest::ClickMode},  {"list", 16, &MonkeyTest::StepList},
        {"type", 24, &MonkeyTest::TypeText},  {"paste", 4, &MonkeyTest::PasteText},
        {"spin", 4, &MonkeyTest::Spin},       {"charset", 3, &MonkeyTest::Charset},
        {"about", 1, &MonkeyTest::ShowAbout}, {"notify", 10, &MonkeyTest::Notify},
        {"fault", 3, &MonkeyTest::Fault},
    };
    int total = 0;
    for (const Action& action : actions) {
        total += action.weight;
    }
    int nested = 0;
    const auto start = Clock::now();
    for (int step = 0; step < steps && !HasFailure(); ++step) {
        int pick = R(total);
        const Action* action = actions;
        for (; pick >= action->weight; ++action) {
            pick -= action->weight;
        }
        SCOPED_TRACE(testing::Message()
                     << "seed " << seed << ", step " << step << ": " << action->name);
        if (trace) {
            std::printf("step %d: %s\n", step, action->name);
            std::fflush(stdout);
        }
        watcher->BeginStep(step, action->name);
        // Now and then a drive comes or goes while a box waits for the user.
        if (Chance(6)) {
            watcher->ArmNotification(Chance(50) ? Arrival() : Removal());
        }
        (this->*action->run)();
        nested += disturbed ? 1 : 0;
        Pump();
        CheckWindow();
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    watcher.reset();

    std::printf("monkey: seed %u, %d steps in %.1f s; %d notifications inside a box's wait\n", seed,
                steps, seconds, nested);
    for (const auto& [what, count] : boxCounts) {
        std::printf("  box %-28s %d\n", what.c_str(), count);
    }
    for (const auto& [what, count] : sends) {
        std::printf("  send %-27s %d\n", what.c_str(), count);
    }
}
