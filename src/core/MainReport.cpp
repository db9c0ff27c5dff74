// The clipboard report and the About command.
#include "Main.h"

#include "Texts.h"

namespace juxa {

void TfrmMain::Button2Click() {
    p_.clipboard->PutText(BuildClipboardReport(c_));
}

void TfrmMain::ABout1Click() {
    p_.about->ShowModal();
}

std::wstring BuildClipboardReport(const MainControls& c) {
    std::wstring query;
    if (c.rbtnPreset->Checked()) {
        query = c.cbxQuery->Text();
    }
    if (c.rbtnManual->Checked()) {
        query.clear();
        for (std::size_t k = 0; k < c.C.size(); ++k) {
            query += k == 0 ? L"$" : L" $";
            query += c.C[k]->Text();
        }
    }
    return L"Query: " + query + L"\r\nLength = " +
           std::to_wstring(ReadSpinValue(c.OutputLength->Text())) + L"\r\nString Output: \"" +
           c.edtSTRING->Text() + L"\"\r\nHex Output:" + c.memHEX->WholeText();
}

} // namespace juxa
