// The sense reader and the status line over outcomes made of any bytes. The
// input is laid out so that seeds can be written by hand:
//   0 step, 1 refusal, 2-3 letter, 4-7 error, 8-11 disk,
//   12 SCSI status, 13-16 requested, 17-20 transferred, 21 senseLength,
//   22-23 the count handed to the reader with the bytes alone, 24 n,
//   then n sense bytes, then the system's text (FuzzSupport's WideText);
// all numbers little-endian, and a short input reads as zeros past its end.
// The reader gets its bytes in a buffer of exactly n, so ASan reports any read
// past them; what it finds agrees with what it may read; and the line never
// holds a control character.
#include "FuzzSupport.h"

#include "Outcome.h"

#include <algorithm>
#include <memory>

namespace {

class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    std::uint32_t Take(std::size_t bytes) {
        std::uint32_t value = 0;
        for (std::size_t i = 0; i < bytes; ++i) {
            const std::uint32_t byte = at_ < size_ ? data_[at_] : 0u;
            value |= byte << (8 * i);
            ++at_;
        }
        return value;
    }
    std::size_t Left() const { return at_ < size_ ? size_ - at_ : 0; }
    const std::uint8_t* Here() const { return data_ + std::min(at_, size_); }
    void Skip(std::size_t bytes) { at_ += bytes; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

bool IsControl(wchar_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029;
}

// What the reader may find with `valid` bytes: a key needs the byte that holds
// it, codes need the bytes that hold them.
void CheckSense(const std::optional<juxa::SenseData>& sense, const std::uint8_t* bytes,
                std::size_t valid) {
    if (!sense) {
        return;
    }
    FUZZ_CHECK(valid >= 2);
    const std::uint8_t code = bytes[0] & 0x7F;
    FUZZ_CHECK(code >= 0x70 && code <= 0x73);
    FUZZ_CHECK(sense->descriptorFormat == (code >= 0x72));
    FUZZ_CHECK(sense->deferred == (code == 0x71 || code == 0x73));
    FUZZ_CHECK(sense->key <= 0x0F);
    if (sense->descriptorFormat) {
        FUZZ_CHECK(sense->key == (bytes[1] & 0x0F));
        FUZZ_CHECK(sense->hasCodes == (valid >= 4));
    } else {
        FUZZ_CHECK(valid >= 3);
        FUZZ_CHECK(sense->key == (bytes[2] & 0x0F));
        FUZZ_CHECK(sense->hasCodes == (valid >= 14 && 8u + bytes[7] >= 14));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace juxa;
    Input input(data, size);
    SendOutcome outcome;
    outcome.step = static_cast<SendStep>(input.Take(1));
    outcome.refusal = static_cast<Refusal>(input.Take(1));
    outcome.letter = static_cast<wchar_t>(input.Take(2));
    outcome.error = input.Take(4);
    outcome.disk = input.Take(4);
    outcome.scsiStatus = static_cast<std::uint8_t>(input.Take(1));
    outcome.requested = input.Take(4);
    outcome.transferred = input.Take(4);
    outcome.senseLength = static_cast<std::uint8_t>(input.Take(1));
    const std::size_t count = input.Take(2);
    const std::size_t n = std::min<std::size_t>(input.Take(1), input.Left());

    const auto sense = std::make_unique<std::uint8_t[]>(n);
    std::copy(input.Here(), input.Here() + n, sense.get());
    input.Skip(n);
    std::copy(sense.get(), sense.get() + std::min(n, kSenseBufferSize), outcome.sense.begin());
    std::wstring system = fuzz::WideText(input.Here(), input.Left());

    const std::span<const std::uint8_t> bytes(sense.get(), n);
    CheckSense(ParseSense(bytes, count), sense.get(), std::min(n, count));
    CheckSense(ParseSense(outcome), outcome.sense.data(),
               std::min<std::size_t>(outcome.senseLength, kSenseBufferSize));

    const std::wstring line = OutcomeLine(outcome, [&](std::uint32_t) { return system; });
    FUZZ_CHECK(!line.empty());
    for (const wchar_t c : line) {
        FUZZ_CHECK(!IsControl(c));
    }
    return 0;
}
