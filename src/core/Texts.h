// The console's text work as plain functions: conversions of what the user
// typed, the renderings of a result, and the texts the window shows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace juxa {

inline constexpr const wchar_t* kApplicationTitle =
    L"Juxa for Windows by Orrinvale - Version 0.5 BETA";

// Signed 32-bit integer conversion: optional blanks, one sign, then "$", "x",
// "X", "0x" or "0X" and hex digits (32 bits, two's complement above 7FFFFFFFh)
// or decimal digits in range; nothing may follow.
std::optional<std::int32_t> TryStrToInt(const std::wstring& text);
// As TryStrToInt; throws JuxaError("''<text>'' is not a valid integer value").
std::int32_t StrToInt(const std::wstring& text);

// One CDB byte from a byte field: the text read as hex with "$" in front, low
// 8 bits; throws the conversion error naming "$" + text.
std::uint8_t ConvertByteField(const std::wstring& text);

// The buffer-length field: range and reading.
inline constexpr std::int32_t kOutputLengthMin = 0;
inline constexpr std::int32_t kOutputLengthMax = 65536;
// A text that does not convert reads as the minimum; never fails.
std::int32_t ReadSpinValue(const std::wstring& text);
std::int64_t ClampSpinValue(std::int64_t value);
// The text the field shows after its value is set.
std::wstring SpinValueText(std::int64_t value);
// Whether a typed character is taken by the field (others beep).
bool SpinFieldTakesChar(wchar_t c, wchar_t decimalSeparator);

// Result renderings; each builds its text with one allocation.
std::wstring RenderAnsi(const std::uint8_t* bytes, std::size_t n);
std::wstring RenderUnicode(const std::uint8_t* bytes, std::size_t n);
std::wstring RenderHexLine(const std::uint8_t* bytes, std::size_t n);

// The text of the error box: a "." is added when the message is not empty and
// its last character lies above ".".
std::wstring ErrorBoxText(const std::wstring& message);

// A rich text's whole text from its displayed lines: each line (at most 4096
// characters of it) followed by CR LF; a last empty line is left out.
inline constexpr std::size_t kMaxDisplayedLine = 4096;
std::wstring JoinDisplayedLines(const std::vector<std::wstring>& lines);

} // namespace juxa
