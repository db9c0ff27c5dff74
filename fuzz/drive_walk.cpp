// The start-up walk over what GetLogicalDriveStringsW wrote, with the fuzz
// input as the 255 characters the platform may write (NULs, no final NUL, any
// unit). The walk's buffer lives on its stack, so a read past its 255
// characters is an ASan report; the result must be exactly the removable
// roots in buffer order, A:\ and B:\ never asked about.
#include "FuzzSupport.h"

#include "Main.h"

#include <algorithm>
#include <vector>

namespace {

constexpr std::uint32_t kBufferLength = 255;

class FuzzDrives : public juxa::IDriveQueries {
public:
    std::wstring written;
    unsigned salt = 0;
    int calls = 0;
    std::vector<std::wstring> asked;

    std::uint32_t GetLogicalDriveStringsW(std::uint32_t bufferLength, wchar_t* buffer) override {
        ++calls;
        FUZZ_CHECK(bufferLength == kBufferLength);
        std::copy(written.begin(), written.end(), buffer);
        return static_cast<std::uint32_t>(written.size());
    }
    unsigned GetDriveTypeW(const std::wstring& root) override {
        asked.push_back(root);
        return Removable(root) ? juxa::kDriveRemovable : juxa::kDriveFixed;
    }
    [[nodiscard]] bool Removable(const std::wstring& root) const {
        unsigned sum = salt;
        for (const wchar_t c : root) {
            sum += static_cast<unsigned>(c);
        }
        return sum % 2 == 0;
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    FuzzDrives drives;
    drives.salt = data[0];
    drives.written = juxa::fuzz::WideText(data + 1, size - 1);
    if (drives.written.size() > kBufferLength) {
        drives.written.resize(kBufferLength);
    }

    const std::vector<std::wstring> roots = juxa::GetRemovableDrives(drives);
    FUZZ_CHECK(drives.calls == 1);

    // The buffer as the platform left it: what it wrote, zeros after that.
    std::wstring buffer = drives.written;
    buffer.resize(kBufferLength, L'\0');
    std::vector<std::wstring> expectedAsked;
    std::vector<std::wstring> expectedRoots;
    for (std::size_t start = 0; start < buffer.size();) {
        const std::size_t end = std::min(buffer.find(L'\0', start), buffer.size());
        const std::wstring root = buffer.substr(start, end - start);
        if (root.empty()) {
            break;
        }
        if (root != L"A:\\" && root != L"B:\\") {
            expectedAsked.push_back(root);
            if (drives.Removable(root)) {
                expectedRoots.push_back(root);
            }
        }
        start = end + 1;
    }
    FUZZ_CHECK(drives.asked == expectedAsked);
    FUZZ_CHECK(roots == expectedRoots);
    for (const std::wstring& root : roots) {
        FUZZ_CHECK(!root.empty() && root.size() <= kBufferLength);
        FUZZ_CHECK(root.find(L'\0') == std::wstring::npos);
        FUZZ_CHECK(root != L"A:\\" && root != L"B:\\");
    }
    return 0;
}
