#include "Main.h"

#include "Texts.h"
#include "uJuxa.h"

#include <algorithm>
#include <cstring>

namespace juxa {

bool ShowManualWarning = false;

const std::array<const wchar_t*, 4> kByteLengthItems = {L"6 Bytes", L"10 Bytes", L"12 Bytes",
                                                        L"16 Bytes"};
const std::array<int, 4> kByteLengths = {6, 10, 12, 16};

namespace {

constexpr const wchar_t* kFormatQuestion =
    L"This will device level format your memory stick, your files will be erased.  ARE YOU SURE?";
wchar_t FoldCase(wchar_t c) {
    // Drive roots and captions are ASCII; fold the Latin-1 letters too.
    if ((c >= L'a' && c <= L'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7)) {
        return static_cast<wchar_t>(c - 32);
    }
    return c;
}

bool EqualIgnoringCase(const std::wstring& a, const std::wstring& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (FoldCase(a[i]) != FoldCase(b[i])) {
            return false;
        }
    }
    return true;
}

// The preset list holds the preset captions and nothing else, so the item
// whose caption equals its text is found in the table, without asking the
// control for each of its items on every press.
int PresetIndexOf(const std::wstring& text) {
    for (std::size_t i = 0; i < kPresetCaptions.size(); ++i) {
        if (EqualIgnoringCase(kPresetCaptions[i], text)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

} // namespace

int IndexOfText(const IComboBox& list, const std::wstring& text) {
    const int count = list.ItemCount();
    for (int i = 0; i < count; ++i) {
        if (EqualIgnoringCase(list.Item(i), text)) {
            return i;
        }
    }
    return -1;
}

TfrmMain::TfrmMain(const MainControls& controls, const MainPorts& ports)
    : c_(controls), p_(ports) {}

void TfrmMain::NoteVolumeEvent(wchar_t letter) {
    if (FoldCase(letter) == FoldCase(askedLetter_)) {
        askedLetterNamed_ = true;
    }
}

std::int32_t TfrmMain::OutputLengthValue() const {
    return ReadSpinValue(c_.OutputLength->Text());
}

void TfrmMain::SetOutputLengthValue(std::int64_t value) {
    c_.OutputLength->SetText(SpinValueText(value));
}

void TfrmMain::FormCreate() {
    ShowManualWarning = true;
    c_.cbxDriveList->ReplaceItems(GetRemovableDrives(*p_.drives));
    c_.cbxDriveList->SetItemIndex(0);
}

namespace {

// The manual CDB as the progress of a send names it.
std::wstring ManualCommandText(const std::array<std::uint8_t, 16>& cdb, int cdbLength) {
    const auto shown = static_cast<std::size_t>(std::clamp(cdbLength, 0, 16));
    std::wstring line = RenderHexLine(cdb.data(), shown);
    if (!line.empty()) {
        line.pop_back();
    }
    return L"CDB " + line;
}

bool RunCommand(ICommandRunner* runner, const CommandInfo& info,
                const std::function<void()>& call) {
    if (runner == nullptr) {
        call();
        return true;
    }
    return runner->Run(info, call);
}

} // namespace

void TfrmMain::btnQueryClick() {
    if (sending_) {
        return;
    }
    SetStatus(std::wstring());
    const std::wstring drive = c_.cbxDriveList->Text();
    if (drive.empty()) {
        SetStatus(L"No drive specified");
        p_.dialogs->ShowMessage(L"No drive specified");
        return;
    }
    c_.edtSTRING->SetText(std::wstring());
    c_.memHEX->Clear();

    // Leaving the field clamps it before a button runs; a text that bypassed
    // that (set by a message, not typed) still never sizes a buffer outside 0..65536.
    const auto n = static_cast<std::int32_t>(ClampSpinValue(OutputLengthValue()));
    DataInBuffer buffer(static_cast<std::size_t>(n));
    const wchar_t letter = drive.front();
    // The result is shown as the press asked for, whatever the window shows
    // when the device answers.
    const bool ansi = c_.cbxBit->Text() == L"ANSI";

    SendOutcome outcome;
    CommandInfo info{std::wstring(), letter};
    std::function<void()> call;
    if (c_.rbtnPreset->Checked()) {
        const int index = PresetIndexOf(c_.cbxQuery->Text()); // a preset's, or -1
        const bool known = index >= 0;
        if (known && kConsolePresets[static_cast<std::size_t>(index)].confirm) {
            const std::uint64_t seen = listChanges_;
            askedLetter_ = letter;
            askedLetterNamed_ = false;
            if (!p_.dialogs->Confirm(kFormatQuestion)) {
                SetStatus(L"Not sent: the format was cancelled");
                return;
            }
            // A drive that came or went while the question was open may have
            // handed its letter to another: the confirmation was for the
            // drive the user saw, so nothing is sent and the user is asked
            // again on the next press.
            if (listChanges_ != seen || askedLetterNamed_) {
                SetStatus(L"Not sent: the drive list changed while the format question was open");
                p_.dialogs->ShowMessage(L"Nothing was sent to drive " + std::wstring(1, letter) +
                                        L": because the drive list changed while the question "
                                        L"was open.");
                return;
            }
        }
        info.command = known ? kConsolePresets[static_cast<std::size_t>(index)].caption : L"";
        call = [&, index] {
            outcome =
                SendPreset(*p_.device, letter, static_cast<std::uint8_t>(index), buffer.Data(), n);
        };
    } else {
        const int position = c_.cbxByteLength->ItemIndex();
        const int cdbLength =
            position >= 0 && static_cast<std::size_t>(position) < kByteLengths.size()
                ? kByteLengths[static_cast<std::size_t>(position)]
                : 10;
        std::array<std::uint8_t, 16> cdb{};
        for (std::size_t k = 0; k < cdb.size(); ++k) {
            try {
                cdb[k] = ConvertByteField(c_.C[k]->Text());
            } catch (const JuxaError&) {
                // The error box tells what the field holds; the line, which field.
                SetStatus(L"Not sent: C" + std::to_wstring(k + 1) +
                          L" does not hold a hexadecimal number");
                throw;
            }
        }
        info.command = ManualCommandText(cdb, cdbLength);
        call = [&, cdb, cdbLength] {
            outcome = SendManual(*p_.device, letter, cdbLength, cdb, buffer.Data(), n);
        };
    }

    sending_ = true;
    struct Sent {
        bool& sending;
        ~Sent() { sending = false; }
    } sent{sending_};
    if (!RunCommand(p_.runner, info, call)) {
        return; // the program closes; nothing more is shown
    }
    SetStatus(OutcomeLine(outcome, p_.systemText));
    if (ResultCode(outcome) != 0) {
        c_.edtSTRING->SetText(L"SCSI Command Failed");
        return;
    }
    Render(buffer, buffer.Size(), ansi);
}

void TfrmMain::ShowResult(DataInBuffer& buffer) {
    const auto n = static_cast<std::size_t>(ClampSpinValue(OutputLengthValue()));
    Render(buffer, std::min(n, buffer.Size()), c_.cbxBit->Text() == L"ANSI");
}

void TfrmMain::SetStatus(const std::wstring& text) {
    if (c_.edtStatus != nullptr) {
        c_.edtStatus->SetText(text);
    }
}

void TfrmMain::Render(DataInBuffer& buffer, std::size_t n, bool ansi) {
    if (ansi) {
        c_.edtSTRING->SetByteText(RenderAnsi(buffer.Data(), n));
    } else {
        c_.edtSTRING->SetText(RenderUnicode(buffer.Data(), n));
    }
    c_.memHEX->AddLine(RenderHexLine(buffer.Data(), n));
    buffer.Release();
    c_.memHEX->CaretToStart();
}

} // namespace juxa
