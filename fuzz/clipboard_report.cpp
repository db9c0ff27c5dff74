// The clipboard report from controls filled with fuzz texts: the four parts
// stand in order with exactly the controls' texts between them, the length is
// the field's reading in plain decimal, and the hex part gives back the
// paragraphs of the rich text, each displayed line ended by CR LF.
#include "FuzzSupport.h"

#include "FakeConsole.h"

#include <fuzzer/FuzzedDataProvider.h>

namespace {

std::wstring Text(FuzzedDataProvider& provider, std::size_t maxLength) {
    const std::string bytes = provider.ConsumeRandomLengthString(maxLength);
    return juxa::fuzz::WideText(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

// Takes `prefix` off the front of `rest`, or fails the run.
void Expect(std::wstring_view& rest, std::wstring_view prefix) {
    FUZZ_CHECK(rest.substr(0, prefix.size()) == prefix);
    rest.remove_prefix(prefix.size());
}

bool CanonicalDecimal(std::wstring_view text) {
    if (!text.empty() && text[0] == L'-') {
        text.remove_prefix(1);
    }
    if (text.empty() || (text[0] == L'0' && text.size() > 1)) {
        return false;
    }
    return text.find_first_not_of(L"0123456789") == std::wstring_view::npos;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace juxa;
    using namespace juxa::test;
    FuzzedDataProvider provider(data, size);
    FakeRadioButton rbtnPreset;
    FakeRadioButton rbtnManual;
    FakeComboBox cbxQuery;
    std::array<FakeEdit, 16> fields;
    FakeEdit outputLength;
    FakeEdit edtSTRING;
    FakeRichText memHEX;
    rbtnPreset.checked = provider.ConsumeBool();
    rbtnManual.checked = provider.ConsumeBool();
    memHEX.width = provider.ConsumeIntegralInRange<std::size_t>(1, 200);
    cbxQuery.text = Text(provider, 64);
    for (FakeEdit& field : fields) {
        field.text = Text(provider, 12);
    }
    outputLength.text = Text(provider, 16);
    edtSTRING.text = Text(provider, 256);
    const int paragraphs = provider.ConsumeIntegralInRange(0, 3);
    for (int p = 0; p < paragraphs; ++p) {
        std::wstring paragraph = Text(provider, 512);
        // A paragraph holds no line break of its own; the control splits there.
        std::erase_if(paragraph, [](wchar_t c) { return c == L'\r' || c == L'\n'; });
        memHEX.paragraphs.push_back(paragraph);
    }

    MainControls controls;
    controls.rbtnPreset = &rbtnPreset;
    controls.rbtnManual = &rbtnManual;
    controls.cbxQuery = &cbxQuery;
    for (std::size_t k = 0; k < fields.size(); ++k) {
        controls.C[k] = &fields[k];
    }
    controls.OutputLength = &outputLength;
    controls.edtSTRING = &edtSTRING;
    controls.memHEX = &memHEX;
    const std::wstring report = BuildClipboardReport(controls);

    std::wstring query;
    if (rbtnManual.checked) {
        for (std::size_t k = 0; k < fields.size(); ++k) {
            query += (k == 0 ? L"$" : L" $") + fields[k].text;
        }
    } else if (rbtnPreset.checked) {
        query = cbxQuery.text;
    }
    std::wstring_view rest = report;
    Expect(rest, L"Query: " + query + L"\r\nLength = ");
    const std::size_t lengthEnd = rest.find(L"\r\n");
    FUZZ_CHECK(lengthEnd != std::wstring_view::npos);
    const std::wstring lengthText(rest.substr(0, lengthEnd));
    FUZZ_CHECK(CanonicalDecimal(lengthText));
    FUZZ_CHECK(TryStrToInt(lengthText) == ReadSpinValue(outputLength.text));
    rest.remove_prefix(lengthEnd);
    Expect(rest, L"\r\nString Output: \"" + edtSTRING.text + L"\"\r\nHex Output:");

    // The hex part: displayed lines of at most the control's width, each
    // ended by CR LF, which together are the paragraphs again.
    std::wstring joined;
    while (!rest.empty()) {
        const std::size_t end = rest.find(L"\r\n");
        FUZZ_CHECK(end != std::wstring_view::npos);
        FUZZ_CHECK(end <= memHEX.width);
        joined += rest.substr(0, end);
        rest.remove_prefix(end + 2);
    }
    std::wstring paragraphsJoined;
    for (const std::wstring& paragraph : memHEX.paragraphs) {
        paragraphsJoined += paragraph;
    }
    FUZZ_CHECK(joined == paragraphsJoined);
    // One empty paragraph (a send of 0 bytes) still ends the report with CR LF.
    FUZZ_CHECK(report.ends_with(L"Hex Output:") == memHEX.paragraphs.empty());

    // Displayed lines longer than the rich text hands out are cut at 4096.
    std::vector<std::wstring> lines;
    const int count = provider.ConsumeIntegralInRange(0, 4);
    std::wstring expected;
    for (int i = 0; i < count; ++i) {
        const auto length = provider.ConsumeIntegralInRange<std::size_t>(0, 5000);
        lines.emplace_back(length, static_cast<wchar_t>(L'0' + i));
        if (i + 1 < count || length != 0) {
            expected += lines.back().substr(0, kMaxDisplayedLine) + L"\r\n";
        }
    }
    FUZZ_CHECK(JoinDisplayedLines(lines) == expected);
    return 0;
}
