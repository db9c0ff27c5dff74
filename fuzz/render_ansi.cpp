// The ANSI rendering: one character per byte, none below 20h, and every
// character either the byte itself (20h and above) or "." for a control byte.
#include "FuzzSupport.h"

#include "Texts.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::wstring text = juxa::RenderAnsi(data, size);
    FUZZ_CHECK(text.size() == size);
    for (std::size_t i = 0; i < size; ++i) {
        FUZZ_CHECK(text[i] >= 0x20 && text[i] <= 0xFF);
        FUZZ_CHECK(text[i] == (data[i] < 0x20 ? L'.' : static_cast<wchar_t>(data[i])));
    }
    return 0;
}
