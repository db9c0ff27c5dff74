#include "Outcome.h"

#include "DevicePort.h"
#include "uJuxa.h"

#include <algorithm>

namespace juxa {

namespace {

// Fixed format: the header runs to the additional sense length at byte 7,
// which counts the bytes after it.
constexpr std::size_t kFixedKey = 2;
constexpr std::size_t kFixedAdditionalLength = 7;
constexpr std::size_t kFixedAsc = 12;
constexpr std::size_t kFixedAscq = 13;
constexpr std::size_t kDescriptorKey = 1;
constexpr std::size_t kDescriptorAsc = 2;
constexpr std::size_t kDescriptorAscq = 3;

// What would break the line in a single-line field or move text about in it.
bool IsControl(wchar_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029;
}

// Every run of blanks and control characters becomes one blank, none left at
// either end: the system's texts end in CR LF and some break lines within.
std::wstring OneLine(const std::wstring& text) {
    std::wstring line;
    line.reserve(text.size());
    bool gap = false;
    for (const wchar_t c : text) {
        if (c == L' ' || IsControl(c)) {
            gap = true;
            continue;
        }
        if (gap && !line.empty()) {
            line += L' ';
        }
        gap = false;
        line += c;
    }
    return line;
}

std::wstring SystemText(const std::function<std::wstring(std::uint32_t)>& systemText,
                        std::uint32_t error) {
    std::wstring text = systemText ? OneLine(systemText(error)) : std::wstring();
    if (text.empty()) {
        text = L"system error " + std::to_wstring(error);
    }
    return text;
}

// Only an open is refused for want of rights; Windows gives read-write
// access to a physical drive to an administrator alone.
std::wstring OpenFailure(const std::wstring& path, const SendOutcome& outcome,
                         const std::function<std::wstring(std::uint32_t)>& systemText) {
    std::wstring line = L"Windows could not open " + path + SystemText(systemText, outcome.error);
    if (outcome.error == kErrorAccessDenied) {
        if (line.back() != L'.' && line.back() != L'!' && line.back() != L'?') {
            line += L'.';
        }
        line += L" Start Juxa as administrator to send commands.";
    }
    return line;
}

std::wstring Drive(wchar_t letter) {
    return {IsControl(letter) ? L'?' : letter, L':'};
}

std::wstring DriveAndDisk(const SendOutcome& outcome) {
    return Drive(outcome.letter) + L" (disk " + std::to_wstring(outcome.disk) + L"): ";
}

wchar_t HexDigit(unsigned value) {
    return L"0123456789ABCDEF"[value & 0x0F];
}

std::wstring SenseText(const std::optional<SenseData>& sense) {
    if (!sense) {
        return L"no sense data";
    }
    std::wstring text = SenseKeyName(sense->key);
    if (sense->hasCodes) {
        text += L": " + AdditionalSenseName(sense->asc, sense->ascq);
    }
    text += sense->deferred ? L" (deferred sense " : L" (sense ";
    text += HexDigit(sense->key);
    if (sense->hasCodes) {
        text += {L'/', HexDigit(sense->asc >> 4u),  HexDigit(sense->asc),
                 L'/', HexDigit(sense->ascq >> 4u), HexDigit(sense->ascq)};
    }
    return text + L")";
}

// The buffer holds no more than was asked for, whatever count came back.
std::wstring BytesReturned(const SendOutcome& outcome) {
    const std::uint32_t shown = std::min(outcome.transferred, outcome.requested);
    std::wstring text =
        std::to_wstring(shown) + L" of " + std::to_wstring(outcome.requested) + L" bytes returned";
    if (outcome.transferred > outcome.requested) {
        text += L" (Windows reported " + std::to_wstring(outcome.transferred) + L")";
    }
    return text;
}

std::wstring CompletedLine(const SendOutcome& outcome) {
    const std::wstring head = DriveAndDisk(outcome);
    switch (outcome.scsiStatus) {
    case kScsiStatusGood:
        return head + L"GOOD, " + BytesReturned(outcome);
    case kScsiStatusCheckCondition:
        return head + L"CHECK CONDITION, " + SenseText(ParseSense(outcome));
    default:
        return head + ScsiStatusName(outcome.scsiStatus);
    }
}

std::wstring RefusedLine(const SendOutcome& outcome) {
    const std::wstring drive = Drive(outcome.letter);
    switch (outcome.refusal) {
    case Refusal::BadParameter:
        return L"Not sent: the preset is not in the table or the length is negative";
    case Refusal::NoExtent:
        return L"Not sent: Windows reports no disk for " + drive;
    case Refusal::DiskZero:
        return L"Not sent: " + drive + L" lies on disk 0, which Juxa never addresses";
    case Refusal::DiskPast255:
        return L"Not sent: " + drive + L" lies on disk " + std::to_wstring(outcome.disk) +
               L", past the 255 a request can address";
    case Refusal::SystemDisk:
        return L"Not sent: " + drive + L" lies on the disk that holds Windows (disk " +
               std::to_wstring(outcome.disk) + L")";
    case Refusal::SystemUnchecked:
        return L"Not sent: Juxa could not find the disk that holds Windows, so it cannot tell "
               L"whether " +
               drive + L" lies on it";
    case Refusal::None:
        break;
    }
    return L"Not sent to " + drive;
}

} // namespace

std::optional<SenseData> ParseSense(std::span<const std::uint8_t> bytes, std::size_t validCount) {
    const std::size_t valid = std::min(bytes.size(), validCount);
    if (valid == 0) {
        return std::nullopt;
    }
    const auto code = static_cast<std::uint8_t>(bytes[0] & 0x7F);
    SenseData sense;
    sense.deferred = code == 0x71 || code == 0x73;
    if (code == 0x70 || code == 0x71) {
        if (valid <= kFixedKey) {
            return std::nullopt;
        }
        sense.key = bytes[kFixedKey] & 0x0F;
        // A device may say its sense is shorter than the bytes it returned;
        // what lies past the length it gives is not sense.
        if (valid > kFixedAscq &&
            kFixedAdditionalLength + 1 + bytes[kFixedAdditionalLength] > kFixedAscq) {
            sense.hasCodes = true;
            sense.asc = bytes[kFixedAsc];
            sense.ascq = bytes[kFixedAscq];
        }
        return sense;
    }
    if (code == 0x72 || code == 0x73) {
        if (valid <= kDescriptorKey) {
            return std::nullopt;
        }
        sense.descriptorFormat = true;
        sense.key = bytes[kDescriptorKey] & 0x0F;
        if (valid > kDescriptorAscq) {
            sense.hasCodes = true;
            sense.asc = bytes[kDescriptorAsc];
            sense.ascq = bytes[kDescriptorAscq];
        }
        return sense;
    }
    return std::nullopt;
}

std::optional<SenseData> ParseSense(const SendOutcome& outcome) {
    return ParseSense(outcome.sense, outcome.senseLength);
}

std::wstring OutcomeLine(const SendOutcome& outcome,
                         const std::function<std::wstring(std::uint32_t)>& systemText) {
    switch (outcome.step) {
    case SendStep::Refused:
        return RefusedLine(outcome);
    case SendStep::OpenVolume:
        return OpenFailure(L"\\\\.\\" + Drive(outcome.letter) + L" (the volume): ", outcome,
                           systemText);
    case SendStep::QueryExtents:
        return L"Windows could not tell which disk " + Drive(outcome.letter) + L" lies on: " +
               SystemText(systemText, outcome.error);
    case SendStep::OpenDrive:
        return OpenFailure(L"\\\\.\\PHYSICALDRIVE" + std::to_wstring(outcome.disk) + L": ", outcome,
                           systemText);
    case SendStep::Request:
        if (outcome.error == kErrorSemTimeout) {
            return DriveAndDisk(outcome) + L"no answer within " + std::to_wstring(kTimeOutSeconds) +
                   L" seconds";
        }
        return DriveAndDisk(outcome) + L"Windows could not complete the request: " +
               SystemText(systemText, outcome.error);
    case SendStep::Completed:
        return CompletedLine(outcome);
    }
    return Drive(outcome.letter) + L" the send ended at a step Juxa does not know";
}

} // namespace juxa
