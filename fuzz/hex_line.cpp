// The hex line: 3n characters, two upper-case digits and a blank per byte,
// and parsing it back gives the bytes.
#include "FuzzSupport.h"

#include "Texts.h"

namespace {

int UpperHexDigit(wchar_t c) {
    if (c >= L'0' && c <= L'9') {
        return c - L'0';
    }
    if (c >= L'A' && c <= L'F') {
        return c - L'A' + 10;
    }
    return -1;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::wstring line = juxa::RenderHexLine(data, size);
    FUZZ_CHECK(line.size() == 3 * size);
    for (std::size_t i = 0; i < size; ++i) {
        const int high = UpperHexDigit(line[3 * i]);
        const int low = UpperHexDigit(line[3 * i + 1]);
        FUZZ_CHECK(high >= 0 && low >= 0);
        FUZZ_CHECK(line[3 * i + 2] == L' ');
        FUZZ_CHECK(high * 16 + low == data[i]);
    }
    return 0;
}
