// Plain in-memory stand-ins for the window's controls and the console's ports,
// and a console built on them in its start state.
#pragma once

#include "Main.h"
#include "SimWorld.h"
#include "Texts.h"

#include <array>
#include <cstring>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace juxa::test {

class FakeEdit : public IOutputEdit {
public:
    std::wstring text;
    bool enabled = true;
    int charset = kDefaultCharset;
    bool bytes = false; // the text was written as one character per byte
    mutable int reads = 0;
    int writes = 0;      // SetText calls from the program
    int enableCalls = 0; // SetEnabled calls from the program

    void SetEnabled(bool value) override {
        enabled = value;
        ++enableCalls;
    }
    [[nodiscard]] bool Enabled() const override { return enabled; }
    [[nodiscard]] std::wstring Text() const override {
        ++reads;
        return text;
    }
    void SetText(const std::wstring& value) override {
        text = value;
        bytes = false;
        ++writes;
    }
    void SetByteText(const std::wstring& value) override {
        SetText(value);
        bytes = true;
    }
    void SetCharset(int value) override { charset = value; }
};

class FakeComboBox : public IComboBox {
public:
    std::vector<std::wstring> items;
    std::wstring text;
    int index = -1;
    bool enabled = true;

    void SetEnabled(bool value) override { enabled = value; }
    [[nodiscard]] bool Enabled() const override { return enabled; }
    [[nodiscard]] std::wstring Text() const override { return text; }
    // What the user types into an editable list: no item is selected.
    void SetText(const std::wstring& value) override {
        text = value;
        index = -1;
    }
    [[nodiscard]] int ItemIndex() const override { return index; }
    void SetItemIndex(int value) override {
        if (value >= 0 && value < ItemCount()) {
            index = value;
            text = items[static_cast<std::size_t>(value)];
        } else {
            index = -1;
            text.clear();
        }
    }
    [[nodiscard]] int ItemCount() const override { return static_cast<int>(items.size()); }
    [[nodiscard]] std::wstring Item(int i) const override {
        return items.at(static_cast<std::size_t>(i));
    }
    void AddItem(const std::wstring& value) override { items.push_back(value); }
    void DeleteItem(int i) override {
        if (i < 0 || i >= ItemCount()) {
            return;
        }
        items.erase(items.begin() + i);
        if (index == i) {
            index = -1; // the text stays, as an edit's does
        } else if (index > i) {
            --index;
        }
    }
    void ReplaceItems(const std::vector<std::wstring>& values) override {
        items = values;
        index = -1;
    }
    // The user picks an item (the binding then runs the change handler).
    void Pick(int i) { SetItemIndex(i); }
};

class FakeRadioButton : public IRadioButton {
public:
    bool checked = false;
    bool enabled = true;
    void SetEnabled(bool value) override { enabled = value; }
    [[nodiscard]] bool Enabled() const override { return enabled; }
    [[nodiscard]] bool Checked() const override { return checked; }
};

// A rich text that wraps its paragraphs at a width, breaking after a blank,
// and holds at most `capacity` characters (paragraph ends count one each).
class FakeRichText : public IRichText {
public:
    std::vector<std::wstring> paragraphs;
    std::size_t capacity = 1000000;
    std::size_t width = 48;
    bool enabled = true;
    int caretResets = 0;
    int clears = 0;

    void SetEnabled(bool value) override { enabled = value; }
    [[nodiscard]] bool Enabled() const override { return enabled; }
    void Clear() override {
        paragraphs.clear();
        ++clears;
    }
    void AddLine(const std::wstring& text) override {
        std::size_t used = 0;
        for (const auto& p : paragraphs) {
            used += p.size() + 1;
        }
        const std::size_t room = capacity > used ? capacity - used : 0;
        if (text.size() + 1 > room) {
            if (room > 0) {
                paragraphs.push_back(text.substr(0, room - 1));
            }
            throw JuxaError(L"RichEdit line insertion error");
        }
        paragraphs.push_back(text);
    }
    [[nodiscard]] std::vector<std::wstring> DisplayedLines() const {
        std::vector<std::wstring> lines;
        for (const auto& p : paragraphs) {
            std::size_t start = 0;
            while (p.size() - start > width) {
                std::size_t cut = p.rfind(L' ', start + width - 1);
                cut = (cut == std::wstring::npos || cut < start) ? start + width : cut + 1;
                lines.push_back(p.substr(start, cut - start));
                start = cut;
            }
            lines.push_back(p.substr(start));
        }
        lines.emplace_back(); // the line after the last paragraph end
        return lines;
    }
    [[nodiscard]] std::wstring WholeText() const override {
        return JoinDisplayedLines(DisplayedLines());
    }
    void CaretToStart() override { ++caretResets; }
};

struct DialogCall {
    std::wstring kind; // "message", "warning", "confirm", "error"
    std::wstring text;
};

class FakeDialogs : public IDialogs {
public:
    std::vector<DialogCall> calls;
    std::deque<bool> answers; // for the questions, in order; empty: the default button
    // Runs while a box is open, as a nested message loop would run a notification.
    std::function<void()> whileOpen;

    void ShowMessage(const std::wstring& text) override { Open(L"message", text); }
    bool AskWarning(const std::wstring& text) override { return Open(L"warning", text); }
    bool Confirm(const std::wstring& text) override { return Open(L"confirm", text); }
    void ShowError(const std::wstring& text) override { Open(L"error", text); }

private:
    bool Open(const wchar_t* kind, const std::wstring& text) {
        calls.push_back({kind, text});
        if (whileOpen) {
            auto hook = std::move(whileOpen);
            whileOpen = nullptr;
            hook();
        }
        if (answers.empty()) {
            return true;
        }
        const bool answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

class FakeClipboard : public IClipboard {
public:
    std::wstring text = L"old";
    bool locked = false;
    std::wstring lockedReason = L"Access is denied."; // the system's text for the error
    void PutText(const std::wstring& value) override {
        if (locked) {
            throw JuxaError(L"Cannot open clipboard: " + lockedReason);
        }
        text = value;
    }
};

class FakeDrives : public IDriveQueries {
public:
    std::wstring strings; // as GetLogicalDriveStringsW writes them
    std::map<std::wstring, unsigned> types;
    std::vector<std::wstring> asked;
    std::function<void()> onEnumerate; // runs when the drive strings are read

    std::uint32_t GetLogicalDriveStringsW(std::uint32_t length, wchar_t* buffer) override {
        if (onEnumerate) {
            onEnumerate();
        }
        const std::size_t n = std::min<std::size_t>(strings.size(), length);
        std::copy(strings.begin(), strings.begin() + static_cast<std::ptrdiff_t>(n), buffer);
        return static_cast<std::uint32_t>(strings.size());
    }
    unsigned GetDriveTypeW(const std::wstring& root) override {
        asked.push_back(root);
        const auto found = types.find(root);
        return found == types.end() ? 1u : found->second;
    }
};

class FakeAbout : public IAboutBox {
public:
    int shown = 0;
    void ShowModal() override { ++shown; }
};

// Makes the call directly, as a wait that handles messages would, with a
// hook for what the window may receive meanwhile.
class FakeRunner : public ICommandRunner {
public:
    std::vector<CommandInfo> runs;
    std::function<void()> whileRunning; // before the call returns
    bool closing = false;               // a close was asked for meanwhile

    bool Run(const CommandInfo& info, const std::function<void()>& call) override {
        runs.push_back(info);
        call();
        if (whileRunning) {
            whileRunning();
        }
        return !closing;
    }
};

// The console over fakes, in the state the window shows at start, with the
// simulated world behind the device port and E:\ as the removable drive.
struct FakeConsole {
    FakeRadioButton rbtnPreset, rbtnManual;
    FakeComboBox cbxQuery, cbxByteLength, cbxDriveList, cbxBit;
    std::array<FakeEdit, 16> C;
    FakeEdit OutputLength, edtSTRING, edtStatus;
    FakeRichText memHEX;
    sim::SimWorld world;
    FakeDialogs dialogs;
    FakeClipboard clipboard;
    FakeDrives drives;
    FakeAbout about;
    FakeRunner runner;
    std::unique_ptr<TfrmMain> form;

    FakeConsole() {
        rbtnPreset.checked = true;
        for (const wchar_t* caption : kPresetCaptions) {
            cbxQuery.items.emplace_back(caption);
        }
        cbxQuery.SetItemIndex(0);
        for (const wchar_t* item : kByteLengthItems) {
            cbxByteLength.items.emplace_back(item);
        }
        cbxByteLength.SetItemIndex(1);
        cbxByteLength.enabled = false;
        for (FakeEdit& field : C) {
            field.text = L"00";
            field.enabled = false;
        }
        cbxBit.items = {L"ANSI", L"Unicode"};
        cbxBit.SetItemIndex(0);
        OutputLength.text = L"56";
        drives.strings = std::wstring(L"C:\\\0E:\\\0\0", 9);
        drives.types = {{L"C:\\", 3}, {L"E:\\", kDriveRemovable}};
        MainControls controls;
        controls.rbtnPreset = &rbtnPreset;
        controls.rbtnManual = &rbtnManual;
        controls.cbxQuery = &cbxQuery;
        controls.cbxByteLength = &cbxByteLength;
        for (std::size_t k = 0; k < 16; ++k) {
            controls.C[k] = &C[k];
        }
        controls.cbxDriveList = &cbxDriveList;
        controls.OutputLength = &OutputLength;
        controls.cbxBit = &cbxBit;
        controls.edtSTRING = &edtSTRING;
        controls.memHEX = &memHEX;
        controls.edtStatus = &edtStatus;
        // The system's texts end in a line end, as FormatMessageW's do.
        const auto systemText = [](std::uint32_t error) {
            return L"System text " + std::to_wstring(error) + L".\r\n";
        };
        MainPorts ports{&world, &dialogs, &clipboard, &drives, &about, &runner, systemText};
        form = std::make_unique<TfrmMain>(controls, ports);
    }

    // As the binding does: a handler's error goes to the error box.
    template <class Handler> void Run(Handler handler) {
        try {
            handler(*form);
        } catch (const JuxaError& error) {
            dialogs.ShowError(ErrorBoxText(error.Message()));
        }
    }
    // A click on the radio button that is not checked.
    void ClickManual() {
        if (!rbtnManual.checked) {
            rbtnManual.checked = true;
            rbtnPreset.checked = false;
            Run([](TfrmMain& f) { f.rbtnManualClick(); });
        }
    }
    void ClickPreset() {
        if (!rbtnPreset.checked) {
            rbtnPreset.checked = true;
            rbtnManual.checked = false;
            Run([](TfrmMain& f) { f.rbtnPresetClick(); });
        }
    }
    void PickPreset(int i) {
        cbxQuery.Pick(i);
        Run([](TfrmMain& f) { f.cbxQueryChange(); });
    }
    void PickLength(int i) {
        cbxByteLength.Pick(i);
        Run([](TfrmMain& f) { f.cbxByteLengthChange(); });
    }
    void Send() {
        Run([](TfrmMain& f) { f.btnQueryClick(); });
    }
    // The creation hook, as the window runs it before it is first shown.
    void Create() { form->FormCreate(); }
    // The user types into a byte field; a disabled field takes no input.
    bool Type(std::size_t k, const std::wstring& text) {
        if (!C[k].enabled) {
            return false;
        }
        C[k].text = text;
        return true;
    }
    void Copy() {
        Run([](TfrmMain& f) { f.Button2Click(); });
    }
    // A WM_DEVICECHANGE with a DEV_BROADCAST_VOLUME record (20 bytes, as
    // the platform pads it) of the given device type and unit mask.
    void DeviceChange(std::uintptr_t event, std::uint32_t deviceType, std::uint32_t unitMask) {
        std::array<std::uint8_t, 20> record{};
        const auto size = static_cast<std::uint32_t>(record.size());
        std::memcpy(record.data(), &size, 4);
        std::memcpy(record.data() + kDeviceTypeOffset, &deviceType, 4);
        std::memcpy(record.data() + kUnitMaskOffset, &unitMask, 4);
        Run([&](TfrmMain& f) { f.WMDeviceChange(event, record.data()); });
    }
    // Everything the window shows, for comparing states and for failure output.
    [[nodiscard]] std::wstring Describe() const {
        std::wstring d = L"preset=" + std::to_wstring(rbtnPreset.checked) + L" manual=" +
                         std::to_wstring(rbtnManual.checked);
        const auto combo = [&d](const wchar_t* name, const FakeComboBox& box) {
            d += L"\n" + std::wstring(name) + L": [" + std::to_wstring(box.index) + L"] '" +
                 box.text + L"' enabled=" + std::to_wstring(box.enabled) + L" items=";
            for (const auto& item : box.items) {
                d += item + L"|";
            }
        };
        combo(L"cbxQuery", cbxQuery);
        combo(L"cbxByteLength", cbxByteLength);
        combo(L"cbxDriveList", cbxDriveList);
        combo(L"cbxBit", cbxBit);
        for (std::size_t k = 0; k < C.size(); ++k) {
            d += L"\nC" + std::to_wstring(k + 1) + L": '" + C[k].text + L"'" +
                 (C[k].enabled ? L" enabled" : L" disabled");
        }
        d += L"\nOutputLength: '" + OutputLength.text + L"'";
        d +=
            L"\nedtSTRING: '" + edtSTRING.text + L"' charset=" + std::to_wstring(edtSTRING.charset);
        d += L"\nmemHEX: '" + memHEX.WholeText() + L"'";
        return d;
    }
};

} // namespace juxa::test
