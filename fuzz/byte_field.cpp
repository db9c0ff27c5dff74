// The byte-field conversion: accepted exactly when the field holds one or
// more hex digits worth at most FFFFFFFFh, giving their low 8 bits, and the
// same as the integer conversion of "$" and the field.
#include "FuzzSupport.h"

#include "Controls.h"
#include "Texts.h"

#include <optional>

namespace {

std::optional<std::uint8_t> Expected(const std::wstring& text) {
    if (text.empty()) {
        return std::nullopt;
    }
    std::size_t significant = 0;
    std::uint8_t low = 0;
    for (const wchar_t c : text) {
        unsigned digit = 0;
        if (c >= L'0' && c <= L'9') {
            digit = static_cast<unsigned>(c - L'0');
        } else if ((c | 0x20) >= L'a' && (c | 0x20) <= L'f' && c < 0x80) {
            digit = static_cast<unsigned>((c | 0x20) - L'a' + 10);
        } else {
            return std::nullopt;
        }
        if (significant != 0 || digit != 0) {
            ++significant;
        }
        low = static_cast<std::uint8_t>((low << 4) | digit);
    }
    if (significant > 8) {
        return std::nullopt;
    }
    return low;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace juxa;
    const std::wstring text = fuzz::WideText(data, size);
    const std::optional<std::uint8_t> expected = Expected(text);
    std::optional<std::int32_t> wide;
    try {
        wide = StrToInt(L"$" + text);
    } catch (const JuxaError&) {
    }
    try {
        const std::uint8_t byte = ConvertByteField(text);
        FUZZ_CHECK(expected && byte == *expected);
        FUZZ_CHECK(wide && byte == (static_cast<std::uint32_t>(*wide) & 0xFFu));
    } catch (const JuxaError& error) {
        FUZZ_CHECK(!expected && !wide);
        const std::wstring message = L"''$" + text + L"'' is not a valid integer value";
        FUZZ_CHECK(error.Message() == message);
        FUZZ_CHECK(ErrorBoxText(error.Message()) == message + L".");
    }
    return 0;
}
