#include "Layout.h"

#include "Main.h"

#include <commctrl.h>
#include <richedit.h>

#include <array>
#include <stdexcept>

namespace juxa::win32 {

namespace {

constexpr std::array<const wchar_t*, 2> kBitItems = {L"ANSI", L"Unicode"};

using K = ControlKind;
using I = ControlId;
constexpr I G1 = I::GroupBox1;
constexpr I G2 = I::GroupBox2;

// clang-format off
const ControlSpec kLayout[] = {
    // id                kind              parent  left top  width height text
    {I::GroupBox1,     K::GroupBox,      I::None,   8,   3, 481, 110, L" PSP SCSI Query ", true, {}, -1},
    {I::btnQuery,      K::PushButton,    G1,      366,  74, 104,  24, L"Send SCSI Query", true, {}, -1},
    {I::OutputLength,  K::SpinField,     G1,      294,  75,  66,  22, L"56", true, {}, -1},
    {I::cbxQuery,      K::PickList,      G1,      130,  19, 340,  21, nullptr, true, kPresetCaptions, 0},
    {I::rbtnPreset,    K::RadioButton,   G1,       11,  21, 113,  17, L"Preset SCSI Query:", true, {}, 1},
    {I::rbtnManual,    K::RadioButton,   G1,       11,  48,  54,  17, L"Manual:", true, {}, 0},
    // C2 to C10, then C1, then C16 down to C11: the order Tab walks them in, as designed.
    {ByteFieldId(2),   K::ByteField,     G1,      172,  46,  18,  21, L"00", false, {}, -1},
    {ByteFieldId(3),   K::ByteField,     G1,      192,  46,  18,  21, L"00", false, {}, -1},
    {ByteFieldId(4),   K::ByteField,     G1,      212,  46,  18,  21, L"00", false, {}, -1},
    {ByteFieldId(5),   K::ByteField,     G1,      232,  46,  18,  21, L"00", false, {}, -1},
    {ByteFieldId(6),   K::ByteField,     G1,      252,  46,  18,  21, L"00", false, {}, -1},
    {ByteFieldId(7),   K::ByteField,     G1,      272,  46,  18,  21, L"00", false, {}, -1},
    {ByteFieldId(8),   K::ByteField,     G1,      292,  46,  18,  21, L"00", false, {}, -1},
    {ByteFieldId(9),   K::ByteField,     G1,      312,  46,  18,  21, L"00", false, {}, -1},
    {ByteFieldId(10),  K::ByteField,     G1,      332,  46,  18,  21, L"00", false, {}, -1},
    {ByteFieldId(1),   K::ByteField,     G1,      152,  46,  18,  21, L"00", false, {}, -1},
    {ByteFieldId(16),  K::ByteField,     G1,      452,  46,  18,  21, L"00", false, {}, -1},
    {ByteFieldId(15),  K::ByteField,     G1,      432,  46,  18,  21, L"00", false, {}, -1},
    {ByteFieldId(14),  K::ByteField,     G1,      412,  46,  18,  21, L"00", false, {}, -1},
    {ByteFieldId(13),  K::ByteField,     G1,      392,  46,  18,  21, L"00", false, {}, -1},
    {ByteFieldId(12),  K::ByteField,     G1,      372,  46,  18,  21, L"00", false, {}, -1},
    {ByteFieldId(11),  K::ByteField,     G1,      352,  46,  18,  21, L"00", false, {}, -1},
    {I::cbxByteLength, K::PickList,      G1,       80,  46,  66,  21, nullptr, false, kByteLengthItems, 1},
    {I::cbxDriveList,  K::EditableList,  G1,       80,  75,  66,  21, L"", true, {}, -1},
    {I::Label4,        K::Label,         G1,       11,  78,  61,  13, L"Drive Letter:", true, {}, -1},
    {I::Label5,        K::Label,         G1,      180,  78, 108,  13, L"Buffer Length (Bytes):", true, {}, -1},
    {I::GroupBox2,     K::GroupBox,      I::None,   8, 119, 481, 145, L" Query Output ", true, {}, -1},
    {I::edtSTRING,     K::OutputEdit,    G2,      193,  18, 278,  21, L"", true, {}, -1},
    {I::Button2,       K::PushButton,    G2,        8, 108,  98,  26, L"Copy to Clipboard", true, {}, -1},
    {I::memHEX,        K::RichText,      G2,      112,  45, 359,  89, L"", true, {}, -1},
    {I::cbxBit,        K::PickList,      G2,      112,  18,  75,  21, nullptr, true, kBitItems, 0},
    {I::Label2,        K::Label,         G2,       11,  22,  43,  13, L"TXT Out:", true, {}, -1},
    {I::Label3,        K::Label,         G2,       12,  54,  44,  13, L"HEX Out:", true, {}, -1},
    {I::edtStatus,     K::StatusLine,    I::None,   0, 272, 497, kStatusHeight, L"", true, {}, -1},
};
// clang-format on

} // namespace

std::span<const ControlSpec> MainLayout() {
    return kLayout;
}

const ControlSpec& SpecOf(ControlId id) {
    for (const ControlSpec& spec : kLayout) {
        if (spec.id == id) {
            return spec;
        }
    }
    throw std::logic_error("control missing from the layout");
}

RECT ScaledRect(const ControlSpec& spec, UINT dpi) {
    int left = spec.left;
    int top = spec.top;
    if (spec.parent != ControlId::None) {
        const ControlSpec& group = SpecOf(spec.parent);
        left += group.left;
        top += group.top;
    }
    const int x = Scale(left, dpi);
    const int y = Scale(top, dpi);
    return RECT{x, y, x + Scale(spec.width, dpi), y + Scale(spec.height, dpi)};
}

ClassAndStyle ClassFor(const ControlSpec& spec) {
    constexpr DWORD edge = WS_EX_CLIENTEDGE;
    switch (spec.kind) {
    case ControlKind::GroupBox:
        return {WC_BUTTONW, BS_GROUPBOX, 0};
    case ControlKind::Label:
        return {WC_STATICW, SS_LEFTNOWORDWRAP | SS_NOPREFIX, 0};
    case ControlKind::RadioButton:
        // Not the automatic kind: the binding decides what a click changes.
        return {WC_BUTTONW, BS_RADIOBUTTON | (spec.selected == 1 ? WS_TABSTOP : 0U), 0};
    case ControlKind::PickList:
        // A fixed list that its opened list shows whole needs no scroll bar;
        // under Wine the bar of a list costs round trips to the server with
        // every item put in it.
        return {WC_COMBOBOXW,
                CBS_DROPDOWNLIST | WS_TABSTOP |
                    (spec.items.size() > kDroppedRows ? WS_VSCROLL : 0U),
                0};
    case ControlKind::EditableList:
        return {WC_COMBOBOXW, CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP, 0};
    case ControlKind::ByteField:
        return {WC_EDITW, ES_LEFT | ES_AUTOHSCROLL | WS_TABSTOP, edge};
    case ControlKind::OutputEdit:
        return {WC_EDITW, ES_LEFT | ES_AUTOHSCROLL | ES_READONLY | WS_TABSTOP, edge};
    case ControlKind::RichText:
        // The vertical bar is always there, greyed while everything fits.
        return {MSFTEDIT_CLASS,
                ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | ES_DISABLENOSCROLL | WS_VSCROLL |
                    WS_TABSTOP,
                edge};
    case ControlKind::SpinField:
        return {WC_EDITW, ES_LEFT | ES_AUTOHSCROLL | WS_TABSTOP | WS_CLIPCHILDREN, edge};
    case ControlKind::PushButton:
        return {WC_BUTTONW, BS_PUSHBUTTON | BS_MULTILINE | WS_TABSTOP, 0};
    case ControlKind::StatusLine:
        // Selectable and copyable, as a read-only edit is, and read by a
        // screen reader; outside the designed Tab order.
        return {WC_EDITW, ES_LEFT | ES_AUTOHSCROLL | ES_READONLY, WS_EX_STATICEDGE};
    }
    throw std::logic_error("unknown control kind");
}

bool IsList(ControlKind kind) {
    return kind == ControlKind::PickList || kind == ControlKind::EditableList;
}

bool IsEdit(ControlKind kind) {
    return kind == ControlKind::ByteField || kind == ControlKind::SpinField ||
           kind == ControlKind::OutputEdit || kind == ControlKind::StatusLine;
}

} // namespace juxa::win32
