// The Unicode rendering: ceil(n/2) characters, none below 20h, unit i made of
// bytes 2i (low) and 2i+1 (high); an odd last byte stands alone with a zero
// high half and is never read past (ASan watches the exact-size input).
#include "FuzzSupport.h"

#include "Texts.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::wstring text = juxa::RenderUnicode(data, size);
    FUZZ_CHECK(text.size() == size / 2 + size % 2);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned high = 2 * i + 1 < size ? data[2 * i + 1] : 0u;
        const unsigned unit = data[2 * i] | (high << 8);
        FUZZ_CHECK(text[i] >= 0x20 && text[i] <= 0xFFFF);
        FUZZ_CHECK(text[i] == (unit < 0x20 ? L'.' : static_cast<wchar_t>(unit)));
    }
    return 0;
}
