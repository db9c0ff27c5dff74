// The whole Send action over fake controls, with every text the user can
// type taken from the fuzz input: the drive field, the buffer-length field
// and the sixteen byte fields. Whatever they hold, the action releases its
// buffer, closes every handle, never reaches disk 0 or the disk of Windows,
// raises nothing but the conversion error of the first bad field, and shows
// a result of the size the length field reads as.
#include "FuzzSupport.h"

#include "FakeConsole.h"

#include <fuzzer/FuzzedDataProvider.h>

namespace {

std::wstring Text(FuzzedDataProvider& provider, std::size_t maxLength) {
    const std::string bytes = provider.ConsumeRandomLengthString(maxLength);
    return juxa::fuzz::WideText(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace juxa;
    FuzzedDataProvider provider(data, size);
    test::FakeConsole console;
    sim::SimWorld& world = console.world;
    const bool manual = provider.ConsumeBool();
    const int preset = provider.ConsumeIntegralInRange(0, 5);
    const int byteLength = provider.ConsumeIntegralInRange(0, 3);
    const bool ansi = provider.ConsumeBool();
    // The disk of Windows: 0 as usual, or the handheld's own disk 1.
    const bool systemOnHandheld = provider.ConsumeBool();
    if (systemOnHandheld) {
        world.volumes[L'C'].disks = {1};
    }
    if (manual) {
        console.ClickManual();
        console.PickLength(byteLength);
    } else {
        console.PickPreset(preset);
    }
    console.cbxBit.SetItemIndex(ansi ? 0 : 1);
    console.cbxDriveList.SetText(Text(provider, 8));
    console.OutputLength.text = Text(provider, 12);
    for (test::FakeEdit& field : console.C) {
        field.text = Text(provider, 10);
    }
    console.dialogs.calls.clear();
    const std::wstring drive = console.cbxDriveList.text;
    const std::int64_t n = ClampSpinValue(ReadSpinValue(console.OutputLength.text));

    console.Send();

    FUZZ_CHECK(DataInBuffer::LiveCount() == 0);
    FUZZ_CHECK(world.OpenHandleCount() == 0);
    FUZZ_CHECK(world.requests.size() <= 1);
    for (const std::wstring& path : world.attemptedPaths) {
        FUZZ_CHECK(path != L"\\\\.\\PHYSICALDRIVE0");
    }
    if (systemOnHandheld) {
        FUZZ_CHECK(world.requests.empty());
    }
    for (const sim::SimRequest& request : world.requests) {
        FUZZ_CHECK(request.disk == 1 && request.dataTransferLength == n);
    }

    if (drive.empty()) {
        FUZZ_CHECK(console.dialogs.calls.size() == 1);
        FUZZ_CHECK(console.dialogs.calls[0].text == L"No drive specified");
        FUZZ_CHECK(world.attemptedPaths.empty());
        return 0;
    }
    // Manual mode converts every field in order; the first bad one stops it.
    std::optional<std::wstring> badField;
    if (manual) {
        for (const test::FakeEdit& field : console.C) {
            if (!TryStrToInt(L"$" + field.text)) {
                badField = field.text;
                break;
            }
        }
    }
    if (badField) {
        FUZZ_CHECK(console.dialogs.calls.size() == 1);
        FUZZ_CHECK(console.dialogs.calls[0].kind == L"error");
        FUZZ_CHECK(console.dialogs.calls[0].text ==
                   L"''$" + *badField + L"'' is not a valid integer value.");
        FUZZ_CHECK(world.attemptedPaths.empty());
        FUZZ_CHECK(console.edtSTRING.text.empty() && console.memHEX.paragraphs.empty());
        return 0;
    }
    for (const test::DialogCall& call : console.dialogs.calls) {
        FUZZ_CHECK(call.kind == L"confirm"); // the format preset asks first
    }
    const bool sentAndGood = world.requests.size() == 1 && world.requests[0].status == 0;
    if (!sentAndGood) {
        FUZZ_CHECK(console.edtSTRING.text == L"SCSI Command Failed");
        FUZZ_CHECK(console.memHEX.paragraphs.empty());
        return 0;
    }
    const auto count = static_cast<std::size_t>(n);
    FUZZ_CHECK(console.edtSTRING.text.size() == (ansi ? count : (count + 1) / 2));
    FUZZ_CHECK(console.memHEX.paragraphs.size() == 1);
    FUZZ_CHECK(console.memHEX.paragraphs[0].size() == 3 * count);
    return 0;
}
