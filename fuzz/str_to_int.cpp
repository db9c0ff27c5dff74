// The integer conversion against a reference parser written from the rules of
// the conversion, plus the round trips a successful conversion must survive.
#include "FuzzSupport.h"

#include "Controls.h"
#include "Texts.h"

#include <optional>

namespace {

bool IsDecimal(wchar_t c) {
    return c >= L'0' && c <= L'9';
}

int HexValue(wchar_t c) {
    if (IsDecimal(c)) {
        return c - L'0';
    }
    if (c >= L'a' && c <= L'f') {
        return c - L'a' + 10;
    }
    if (c >= L'A' && c <= L'F') {
        return c - L'A' + 10;
    }
    return -1;
}

// Parses the digits as a whole after dropping leading zeros, so the range
// test is a digit count plus one comparison rather than a running overflow
// check like the one under test.
std::optional<std::int32_t> Reference(const std::wstring& text) {
    std::wstring rest = text.substr(std::min(text.find_first_not_of(L' '), text.size()));
    bool negative = false;
    if (!rest.empty() && (rest[0] == L'-' || rest[0] == L'+')) {
        negative = rest[0] == L'-';
        rest.erase(0, 1);
    }
    bool hex = true;
    if (rest.rfind(L"0x", 0) == 0 || rest.rfind(L"0X", 0) == 0) {
        rest.erase(0, 2);
    } else if (!rest.empty() && (rest[0] == L'$' || rest[0] == L'x' || rest[0] == L'X')) {
        rest.erase(0, 1);
    } else {
        hex = false;
    }
    if (rest.empty()) {
        return std::nullopt;
    }
    for (const wchar_t c : rest) {
        if (hex ? HexValue(c) < 0 : !IsDecimal(c)) {
            return std::nullopt;
        }
    }
    const std::wstring digits = rest.substr(std::min(rest.find_first_not_of(L'0'), rest.size()));
    if (digits.size() > (hex ? 8u : 10u)) {
        return std::nullopt;
    }
    std::uint64_t value = 0;
    for (const wchar_t c : digits) {
        value = value * (hex ? 16u : 10u) + static_cast<std::uint64_t>(HexValue(c));
    }
    if (hex) {
        const auto bits = static_cast<std::uint32_t>(value);
        return static_cast<std::int32_t>(negative ? 0u - bits : bits);
    }
    if (value > (negative ? 2147483648ull : 2147483647ull)) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(negative ? -static_cast<std::int64_t>(value)
                                              : static_cast<std::int64_t>(value));
}

std::wstring Hex8(std::int32_t value) {
    static constexpr wchar_t kDigits[] = L"0123456789abcdef";
    std::wstring text;
    for (int shift = 28; shift >= 0; shift -= 4) {
        text += kDigits[(static_cast<std::uint32_t>(value) >> shift) & 0xFu];
    }
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace juxa;
    const std::wstring text = fuzz::WideText(data, size);
    const std::optional<std::int32_t> value = TryStrToInt(text);
    FUZZ_CHECK(value == Reference(text));

    try {
        const std::int32_t thrown = StrToInt(text);
        FUZZ_CHECK(value && thrown == *value);
    } catch (const JuxaError& error) {
        FUZZ_CHECK(!value);
        FUZZ_CHECK(error.Message() == L"''" + text + L"'' is not a valid integer value");
    }
    FUZZ_CHECK(ReadSpinValue(text) == value.value_or(0));

    // Blanks are skipped in front only; nothing may follow the digits.
    FUZZ_CHECK(TryStrToInt(L"  " + text) == value);
    FUZZ_CHECK(!TryStrToInt(text + L" "));

    if (value) {
        FUZZ_CHECK(TryStrToInt(std::to_wstring(*value)) == value);
        FUZZ_CHECK(TryStrToInt(L"$" + Hex8(*value)) == value);
        FUZZ_CHECK(TryStrToInt(L"0X" + Hex8(*value)) == value);
        if (*value != INT32_MIN) {
            FUZZ_CHECK(TryStrToInt(L"-" + std::to_wstring(*value)) ==
                       (*value < 0 ? std::nullopt : std::optional<std::int32_t>(-*value)));
        }
    }
    return 0;
}
