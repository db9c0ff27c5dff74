// The query console: the main window's logic, written against the ports of
// Controls.h. Each handler is one user action or one system notification; the
// state lives in the controls, apart from ShowManualWarning.
#pragma once

#include "Controls.h"
#include "DevicePort.h"
#include "uJuxa.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace juxa {

// Armed by FormCreate, spent by the first switch to manual mode.
extern bool ShowManualWarning;

// The font character sets of the text output (DEFAULT_CHARSET, SHIFTJIS_CHARSET).
inline constexpr int kDefaultCharset = 1;
inline constexpr int kShiftJisCharset = 128;

// What the console holds of each preset, one row per preset in the order of
// PresetCommands: its caption in the preset list, the buffer length and text
// mode that picking it writes, and whether it is sent only after an OK.
struct ConsolePreset {
    const wchar_t* caption;
    std::int32_t length;
    int textMode; // position in cbxBit, or -1 to leave the text mode as it is
    bool confirm;
};
// clang-format off
inline constexpr std::array<ConsolePreset, kPresetCount> kConsolePresets = {{
    {L"0: Standard SCSI Inquiry (12 00 00 00 FF 00)",             56,  0, false},
    {L"1: Format Memory Stick (FA 00 A0 4D 47 66 6D 74 01 00)",   0,   -1, true},
    {L"2: Unknown Command(FB 00 B4 00 00 00 00 01 01 00)",        64,  0, false},
    {L"3: USB string (FB 00 B5 00 00 00 00 00 01 00)",            128, 1, false},
    {L"4: Fimrware Version (FC 00 90 4A 75 78 61 00 00 00)",      128, 0, false},
    {L"5: PSP Nickname (FC 00 91 4A 75 78 61 00 00 00)",          128, 0, false},
}};
// clang-format on
// The captions alone, for the list.
inline constexpr std::array<const wchar_t*, kPresetCount> kPresetCaptions = [] {
    std::array<const wchar_t*, kPresetCount> captions{};
    for (std::size_t i = 0; i < kPresetCount; ++i) {
        captions[i] = kConsolePresets[i].caption;
    }
    return captions;
}();
extern const std::array<const wchar_t*, 4> kByteLengthItems;
extern const std::array<int, 4> kByteLengths;

struct MainControls {
    IRadioButton* rbtnPreset = nullptr;
    IRadioButton* rbtnManual = nullptr;
    IComboBox* cbxQuery = nullptr;
    IComboBox* cbxByteLength = nullptr;
    std::array<IEdit*, 16> C{}; // C[0] is C1
    IComboBox* cbxDriveList = nullptr;
    IEdit* OutputLength = nullptr;
    IComboBox* cbxBit = nullptr;
    IOutputEdit* edtSTRING = nullptr;
    IRichText* memHEX = nullptr;
    // The status line under the outputs: what the last press came to.
    IEdit* edtStatus = nullptr;
};

struct MainPorts {
    IDevicePort* device = nullptr;
    IDialogs* dialogs = nullptr;
    IClipboard* clipboard = nullptr;
    IDriveQueries* drives = nullptr;
    IAboutBox* about = nullptr;
    // Null: the device call is made directly, the caller waiting.
    ICommandRunner* runner = nullptr;
    // The system's own text for an error code, for the status line.
    std::function<std::wstring(std::uint32_t)> systemText;
};

class TfrmMain {
public:
    TfrmMain(const MainControls& controls, const MainPorts& ports);

    // After the controls exist, before the window is shown.
    void FormCreate();

    void btnQueryClick();
    // Renders n bytes by the window's text mode, n being the buffer-length
    // field's value (at most the buffer's size).
    void ShowResult(DataInBuffer& buffer);

    void rbtnManualClick();
    void rbtnPresetClick();
    void cbxByteLengthChange();
    void cbxQueryChange();
    void DEFAULTCHARSET1Click();
    void SHIFTJISCHARSET1Click();

    void Button2Click();
    void ABout1Click();

    // wParam as a whole 32-bit value; lParam the record's address (may be null).
    void WMDeviceChange(std::uintptr_t wParam, const void* lParam);
    void DriveArrived(const std::wstring& root);
    void DriveRemoved(const std::wstring& root);

    // The buffer-length field's value as the handlers read it.
    [[nodiscard]] std::int32_t OutputLengthValue() const;
    void SetOutputLengthValue(std::int64_t value);

private:
    MainControls c_;
    MainPorts p_;
    void Render(DataInBuffer& buffer, std::size_t n, bool ansi);
    void SetStatus(const std::wstring& text);

    // A command is in flight: a press that reaches the console meanwhile
    // (the wait handles messages) starts nothing.
    bool sending_ = false;
    // A notification that names this letter: the drive the format question
    // is about may have gone, or another may have taken its letter.
    void NoteVolumeEvent(wchar_t letter);

    // Changes that notifications made to the drive list's items or text. A
    // question that a notification can interrupt compares it before and
    // after, to learn whether the list moved under it.
    std::uint64_t listChanges_ = 0;
    // The letter of the last format question, and whether a notification
    // has named it since the question opened.
    wchar_t askedLetter_ = 0;
    bool askedLetterNamed_ = false;
};

// The start-up walk over what GetLogicalDriveStringsW wrote: the removable
// roots in order, A:\ and B:\ never asked about.
std::vector<std::wstring> GetRemovableDrives(IDriveQueries& drives);
// The root letter of a volume record: "X:" for the highest set bit 0..25, or "".
std::wstring UnitMaskToDrive(const void* volumeRecord);
// The clipboard report of the console's current state.
std::wstring BuildClipboardReport(const MainControls& controls);
// The first item equal to the text, letter case ignored; -1 when none.
int IndexOfText(const IComboBox& list, const std::wstring& text);

} // namespace juxa
