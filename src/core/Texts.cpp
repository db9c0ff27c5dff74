#include "Texts.h"

#include "Controls.h"

#include <algorithm>

namespace juxa {

namespace {

int HexDigit(wchar_t c) {
    if (c >= L'0' && c <= L'9') {
        return c - L'0';
    }
    if (c >= L'A' && c <= L'F') {
        return c - L'A' + 10;
    }
    if (c >= L'a' && c <= L'f') {
        return c - L'a' + 10;
    }
    return -1;
}

} // namespace

std::optional<std::int32_t> TryStrToInt(const std::wstring& text) {
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n && text[i] == L' ') {
        ++i;
    }
    bool negative = false;
    if (i < n && (text[i] == L'-' || text[i] == L'+')) {
        negative = text[i] == L'-';
        ++i;
    }
    bool hex = false;
    if (i < n && (text[i] == L'$' || text[i] == L'x' || text[i] == L'X')) {
        hex = true;
        ++i;
    } else if (i + 1 < n && text[i] == L'0' && (text[i + 1] == L'x' || text[i + 1] == L'X')) {
        hex = true;
        i += 2;
    }
    if (i == n) {
        return std::nullopt; // nothing, a lone sign or a lone prefix
    }
    std::uint64_t value = 0;
    if (hex) {
        for (; i < n; ++i) {
            const int digit = HexDigit(text[i]);
            if (digit < 0) {
                return std::nullopt;
            }
            value = value * 16 + static_cast<std::uint64_t>(digit);
            if (value > 0xFFFFFFFFull) {
                return std::nullopt;
            }
        }
        auto result = static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
        // Negating the most negative value wraps, as two's complement does.
        return negative ? static_cast<std::int32_t>(0u - static_cast<std::uint32_t>(result))
                        : result;
    }
    const std::uint64_t limit = negative ? 2147483648ull : 2147483647ull;
    for (; i < n; ++i) {
        if (text[i] < L'0' || text[i] > L'9') {
            return std::nullopt;
        }
        value = value * 10 + static_cast<std::uint64_t>(text[i] - L'0');
        if (value > limit) {
            return std::nullopt;
        }
    }
    return negative ? static_cast<std::int32_t>(-static_cast<std::int64_t>(value))
                    : static_cast<std::int32_t>(value);
}

std::int32_t StrToInt(const std::wstring& text) {
    if (const auto value = TryStrToInt(text)) {
        return *value;
    }
    throw JuxaError(L"''" + text + L"'' is not a valid integer value");
}

std::uint8_t ConvertByteField(const std::wstring& text) {
    return static_cast<std::uint8_t>(static_cast<std::uint32_t>(StrToInt(L"$" + text)) & 0xFFu);
}

std::int32_t ReadSpinValue(const std::wstring& text) {
    return TryStrToInt(text).value_or(kOutputLengthMin);
}

std::int64_t ClampSpinValue(std::int64_t value) {
    if (value < kOutputLengthMin) {
        return kOutputLengthMin;
    }
    if (value > kOutputLengthMax) {
        return kOutputLengthMax;
    }
    return value;
}

std::wstring SpinValueText(std::int64_t value) {
    return std::to_wstring(ClampSpinValue(value));
}

bool SpinFieldTakesChar(wchar_t c, wchar_t decimalSeparator) {
    if (c == L'\r') {
        return false;
    }
    return (c >= L'0' && c <= L'9') || c == L'+' || c == L'-' || c == decimalSeparator || c < 0x20;
}

std::wstring RenderAnsi(const std::uint8_t* bytes, std::size_t n) {
    std::wstring text(n, L'.');
    for (std::size_t i = 0; i < n; ++i) {
        if (bytes[i] >= 0x20) {
            text[i] = static_cast<wchar_t>(bytes[i]);
        }
    }
    return text;
}

std::wstring RenderUnicode(const std::uint8_t* bytes, std::size_t n) {
    const std::size_t units = (n + 1) / 2;
    std::wstring text(units, L'.');
    for (std::size_t i = 0; i < units; ++i) {
        const std::size_t low = 2 * i;
        // An odd length leaves the last unit's high half outside the buffer: 0.
        const unsigned high = low + 1 < n ? bytes[low + 1] : 0u;
        const unsigned unit = bytes[low] | (high << 8);
        if (unit >= 0x20) {
            text[i] = static_cast<wchar_t>(unit);
        }
    }
    return text;
}

std::wstring RenderHexLine(const std::uint8_t* bytes, std::size_t n) {
    static constexpr wchar_t kDigits[] = L"0123456789ABCDEF";
    std::wstring line(3 * n, L' ');
    for (std::size_t i = 0; i < n; ++i) {
        line[3 * i] = kDigits[bytes[i] >> 4];
        line[3 * i + 1] = kDigits[bytes[i] & 0x0F];
    }
    return line;
}

std::wstring ErrorBoxText(const std::wstring& message) {
    if (!message.empty() && message.back() > L'.') {
        return message + L".";
    }
    return message;
}

std::wstring JoinDisplayedLines(const std::vector<std::wstring>& lines) {
    std::size_t count = lines.size();
    if (count != 0 && lines.back().empty()) {
        --count;
    }
    std::size_t total = 0;
    for (std::size_t i = 0; i < count; ++i) {
        total += std::min(lines[i].size(), kMaxDisplayedLine) + 2;
    }
    std::wstring text;
    text.reserve(total);
    for (std::size_t i = 0; i < count; ++i) {
        text.append(lines[i], 0, kMaxDisplayedLine);
        text += L"\r\n";
    }
    return text;
}

} // namespace juxa
