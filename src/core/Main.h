// The query console: the main window's logic, written against the ports of
// Controls.h. Each handler is one user action or one system notification; the
// state lives in the controls, apart from ShowManualWarning.
#pragma once

#include "Controls.h"
#include "DevicePort.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace juxa {

// Armed by FormCreate, spent by the first switch to manual mode.
extern bool ShowManualWarning;

inline constexpr int kDefaultCharset = 1;
inline constexpr unsigned kDriveRemovable = 2; // GetDriveTypeW's DRIVE_REMOVABLE
inline constexpr unsigned kDriveCdrom = 5;     // and DRIVE_CDROM
// WM_DEVICECHANGE events and the volume record, as the platform lays them out.
inline constexpr std::uint32_t kWmDeviceChange = 0x0219;
inline constexpr std::uint32_t kDbtDeviceArrival = 0x8000;
inline constexpr std::uint32_t kDbtDeviceRemoveComplete = 0x8004;
inline constexpr std::uint32_t kDbtDevtypVolume = 2;
inline constexpr std::size_t kDeviceTypeOffset = 4; // DEV_BROADCAST_HDR::dbch_devicetype
inline constexpr std::size_t kUnitMaskOffset = 12;  // DEV_BROADCAST_VOLUME::dbcv_unitmask
inline constexpr int kShiftJisCharset = 128;

// The captions of the preset list, in preset order.
extern const std::array<const wchar_t*, 6> kPresetCaptions;
extern const std::array<const wchar_t*, 4> kByteLengthItems;
extern const std::array<int, 4> kByteLengths;

// The data-in buffer of one send: page-aligned, because the platform's direct
// pass-through refuses a buffer that misses the adapter's alignment mask; none
// for n = 0. Released when the owner lets go of it.
class DataInBuffer {
public:
    explicit DataInBuffer(std::size_t size);
    DataInBuffer(const DataInBuffer&) = delete;
    DataInBuffer& operator=(const DataInBuffer&) = delete;
    ~DataInBuffer() { Release(); }
    [[nodiscard]] std::uint8_t* Data() const { return data_; }
    [[nodiscard]] std::size_t Size() const { return size_; }
    void Release();
    // Buffers alive in the process, for tests that check every path releases.
    static int LiveCount();

private:
    std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
};

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
};

struct MainPorts {
    IDevicePort* device = nullptr;
    IDialogs* dialogs = nullptr;
    IClipboard* clipboard = nullptr;
    IDriveQueries* drives = nullptr;
    IAboutBox* about = nullptr;
};

class TfrmMain {
public:
    TfrmMain(const MainControls& controls, const MainPorts& ports);

    // After the controls exist, before the window is shown.
    void FormCreate();

    void btnQueryClick();
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
    // Arrivals and removals handled so far. A question that a notification
    // can interrupt compares it before and after, to learn whether the drive
    // list moved under it.
    std::uint64_t volumeEvents_ = 0;
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
