// The main window's controls as data: one row per control, in the order in
// which the controls are created. Creation order is z-order, and z-order is
// what Tab follows, so the rows of each group box stand in its Tab order.
// Positions are 96-DPI pixels; a control's left and top count from the
// top-left corner of its group box.
#pragma once

#include <windows.h>

#include <cstddef>
#include <span>

namespace juxa::win32 {

enum class ControlId : int {
    None = 0,
    GroupBox1 = 100,
    btnQuery,
    OutputLength,
    cbxQuery,
    rbtnPreset,
    rbtnManual,
    C1, // C1 to C16 are consecutive: ByteFieldId(k)
    C16 = C1 + 15,
    cbxByteLength,
    cbxDriveList,
    Label4,
    Label5,
    GroupBox2,
    edtSTRING,
    Button2,
    memHEX,
    cbxBit,
    Label2,
    Label3,
    edtStatus,
};

// The menu commands.
enum class CommandId : int {
    DEFAULTCHARSET1 = 200,
    SHIFTJISCHARSET1,
    ABout1,
};

// A control's place in tables by id, from 0 for GroupBox1.
constexpr std::size_t SlotOf(ControlId id) {
    return static_cast<std::size_t>(static_cast<int>(id) - static_cast<int>(ControlId::GroupBox1));
}
inline constexpr std::size_t kControlSlots = SlotOf(ControlId::edtStatus) + 1;

constexpr ControlId ByteFieldId(int k) { // k = 1 for C1
    return static_cast<ControlId>(static_cast<int>(ControlId::C1) + k - 1);
}

enum class ControlKind {
    GroupBox,
    Label,
    RadioButton,
    PickList,     // drop-down list, pick only
    EditableList, // drop-down list whose text the user may type
    ByteField,    // single-line edit
    OutputEdit,   // single-line edit, read-only, a font of its own
    RichText,     // read-only rich text with word wrap and a vertical scroll bar
    SpinField,    // edit with up and down arrows at its right end
    PushButton,
    StatusLine, // read-only single-line edit along the bottom, no Tab stop
};

struct ControlSpec {
    ControlId id;
    ControlKind kind;
    ControlId parent; // the group box the position counts from, or None
    int left, top, width, height;
    const wchar_t* text; // caption or start text
    bool enabled;
    std::span<const wchar_t* const> items; // list items
    int selected;                          // start item of a list, or the checked radio
};

inline constexpr int kClientWidth = 497;
// The designed 272, and the status line below it.
inline constexpr int kStatusHeight = 21;
inline constexpr int kClientHeight = 272 + kStatusHeight;
inline constexpr int kFontHeight = -11;
inline constexpr int kDesignDpi = 96;

std::span<const ControlSpec> MainLayout();
const ControlSpec& SpecOf(ControlId id);

inline int Scale(int value, UINT dpi) {
    return MulDiv(value, static_cast<int>(dpi), kDesignDpi);
}

// The control's rectangle in the main window's client area, scaled.
RECT ScaledRect(const ControlSpec& spec, UINT dpi);

// The dropped list of a drop-down shows this many rows before it scrolls.
inline constexpr std::size_t kDroppedRows = 8;

// The window class and styles a control of the layout is made with.
struct ClassAndStyle {
    const wchar_t* cls;
    DWORD style;
    DWORD exStyle;
};
ClassAndStyle ClassFor(const ControlSpec& spec);
bool IsList(ControlKind kind);
bool IsEdit(ControlKind kind);

} // namespace juxa::win32
