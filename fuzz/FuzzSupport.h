// What every fuzz target shares: turning raw bytes into the UTF-16 texts the
// console takes from outside, and a check that stops the run with a report.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace juxa::fuzz {

// Each byte is one character (U+0000 to U+00FE), so the fuzzer finds the
// ASCII syntax of the conversions quickly; the byte FFh takes the next two
// bytes as one UTF-16 unit (little-endian), so every unit stays reachable.
inline std::wstring WideText(const std::uint8_t* data, std::size_t size) {
    std::wstring text;
    text.reserve(size);
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] != 0xFF) {
            text += static_cast<wchar_t>(data[i]);
        } else if (i + 2 < size) {
            text += static_cast<wchar_t>(data[i + 1] | (data[i + 2] << 8));
            i += 2;
        } else {
            text += static_cast<wchar_t>(0xFF);
        }
    }
    return text;
}

[[noreturn]] inline void CheckFailed(const char* condition, const char* file, int line) {
    std::fprintf(stderr, "fuzz check failed: %s at %s:%d\n", condition, file, line);
    std::abort();
}

} // namespace juxa::fuzz

// abort() makes libFuzzer save the input as a crash, as a sanitizer report would.
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            ::juxa::fuzz::CheckFailed(#condition, __FILE__, __LINE__);                             \
        }                                                                                          \
    } while (false)
