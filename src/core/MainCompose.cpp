// Command composition: the mode switches, the CDB length, the preset defaults
// and the output character set.
#include "Main.h"

#include <array>

namespace juxa {

namespace {

constexpr const wchar_t* kManualWarning =
    L"Using manual commands can be hazardous to your firmwares health as we do not yet know what "
    L"all the commands do! USE AT YOUR OWN RISK!";

} // namespace

void TfrmMain::rbtnManualClick() {
    if (ShowManualWarning) {
        p_.dialogs->ShowMessage(kManualWarning);
        ShowManualWarning = false;
    }
    c_.cbxQuery->SetEnabled(false);
    c_.cbxByteLength->SetEnabled(true);
    for (std::size_t k = 0; k < 6; ++k) {
        c_.C[k]->SetEnabled(true);
    }
    const int p = c_.cbxByteLength->ItemIndex();
    if (p > 0) {
        for (std::size_t k = 6; k < 10; ++k) {
            c_.C[k]->SetEnabled(true);
        }
    }
    if (p > 1) {
        c_.C[10]->SetEnabled(true);
        c_.C[11]->SetEnabled(true);
    }
    if (p > 2) {
        for (std::size_t k = 12; k < 16; ++k) {
            c_.C[k]->SetEnabled(true);
        }
    }
}

void TfrmMain::rbtnPresetClick() {
    c_.cbxQuery->SetEnabled(true);
    c_.cbxByteLength->SetEnabled(false);
    for (IEdit* field : c_.C) {
        field->SetEnabled(false);
    }
}

void TfrmMain::cbxByteLengthChange() {
    const int p = c_.cbxByteLength->ItemIndex();
    const auto enable = [this](std::size_t from, std::size_t to) {
        for (std::size_t k = from; k < to; ++k) {
            c_.C[k]->SetEnabled(true);
        }
    };
    const auto reset = [this](std::size_t from, std::size_t to) {
        for (std::size_t k = from; k < to; ++k) {
            c_.C[k]->SetEnabled(false);
            c_.C[k]->SetText(L"00");
        }
    };
    if (p > 0) {
        enable(6, 10);
    }
    if (p > 1) {
        enable(10, 12);
    }
    if (p > 2) {
        enable(12, 16);
    }
    if (p < 3) {
        reset(12, 16);
    }
    if (p < 2) {
        reset(10, 12);
    }
    if (p < 1) {
        reset(6, 10);
    }
}

void TfrmMain::cbxQueryChange() {
    const int position = c_.cbxQuery->ItemIndex();
    if (position < 0 || static_cast<std::size_t>(position) >= kConsolePresets.size()) {
        return;
    }
    const ConsolePreset& defaults = kConsolePresets[static_cast<std::size_t>(position)];
    SetOutputLengthValue(defaults.length);
    if (defaults.textMode >= 0) {
        c_.cbxBit->SetItemIndex(defaults.textMode);
    }
}

void TfrmMain::DEFAULTCHARSET1Click() {
    c_.edtSTRING->SetCharset(kDefaultCharset);
}

void TfrmMain::SHIFTJISCHARSET1Click() {
    c_.edtSTRING->SetCharset(kShiftJisCharset);
}

} // namespace juxa
