// The names of sense keys, SCSI statuses and additional sense codes.
#include "Outcome.h"

#include <algorithm>

namespace juxa {

namespace {

// After the published list of additional sense codes (T10), kept to what a
// removable USB drive, its card slot and a firmware's vendor commands answer.
// Sorted by ASC, then ASCQ: FindAdditionalSense searches it by halves.
constexpr AdditionalSense kAdditionalSenses[] = {
    {0x00, 0x00, L"NO ADDITIONAL SENSE INFORMATION"},
    {0x00, 0x06, L"I/O PROCESS TERMINATED"},
    {0x00, 0x16, L"OPERATION IN PROGRESS"},
    {0x03, 0x00, L"PERIPHERAL DEVICE WRITE FAULT"},
    {0x04, 0x00, L"LOGICAL UNIT NOT READY, CAUSE NOT REPORTABLE"},
    {0x04, 0x01, L"LOGICAL UNIT IS IN PROCESS OF BECOMING READY"},
    {0x04, 0x02, L"LOGICAL UNIT NOT READY, INITIALIZING COMMAND REQUIRED"},
    {0x04, 0x03, L"LOGICAL UNIT NOT READY, MANUAL INTERVENTION REQUIRED"},
    {0x04, 0x04, L"LOGICAL UNIT NOT READY, FORMAT IN PROGRESS"},
    {0x04, 0x07, L"LOGICAL UNIT NOT READY, OPERATION IN PROGRESS"},
    {0x04, 0x09, L"LOGICAL UNIT NOT READY, SELF-TEST IN PROGRESS"},
    {0x08, 0x00, L"LOGICAL UNIT COMMUNICATION FAILURE"},
    {0x08, 0x01, L"LOGICAL UNIT COMMUNICATION TIME-OUT"},
    {0x08, 0x02, L"LOGICAL UNIT COMMUNICATION PARITY ERROR"},
    {0x0C, 0x00, L"WRITE ERROR"},
    {0x0C, 0x02, L"WRITE ERROR - AUTO REALLOCATION FAILED"},
    {0x11, 0x00, L"UNRECOVERED READ ERROR"},
    {0x11, 0x01, L"READ RETRIES EXHAUSTED"},
    {0x1A, 0x00, L"PARAMETER LIST LENGTH ERROR"},
    {0x20, 0x00, L"INVALID COMMAND OPERATION CODE"},
    {0x21, 0x00, L"LOGICAL BLOCK ADDRESS OUT OF RANGE"},
    {0x24, 0x00, L"INVALID FIELD IN CDB"},
    {0x25, 0x00, L"LOGICAL UNIT NOT SUPPORTED"},
    {0x26, 0x00, L"INVALID FIELD IN PARAMETER LIST"},
    {0x26, 0x01, L"PARAMETER NOT SUPPORTED"},
    {0x26, 0x02, L"PARAMETER VALUE INVALID"},
    {0x27, 0x00, L"WRITE PROTECTED"},
    {0x27, 0x01, L"HARDWARE WRITE PROTECTED"},
    {0x27, 0x02, L"LOGICAL UNIT SOFTWARE WRITE PROTECTED"},
    {0x28, 0x00, L"NOT READY TO READY CHANGE, MEDIUM MAY HAVE CHANGED"},
    {0x29, 0x00, L"POWER ON, RESET, OR BUS DEVICE RESET OCCURRED"},
    {0x29, 0x01, L"POWER ON OCCURRED"},
    {0x29, 0x02, L"SCSI BUS RESET OCCURRED"},
    {0x29, 0x03, L"BUS DEVICE RESET FUNCTION OCCURRED"},
    {0x29, 0x04, L"DEVICE INTERNAL RESET"},
    {0x2A, 0x00, L"PARAMETERS CHANGED"},
    {0x2A, 0x01, L"MODE PARAMETERS CHANGED"},
    {0x2C, 0x00, L"COMMAND SEQUENCE ERROR"},
    {0x30, 0x00, L"INCOMPATIBLE MEDIUM INSTALLED"},
    {0x30, 0x01, L"CANNOT READ MEDIUM - UNKNOWN FORMAT"},
    {0x30, 0x02, L"CANNOT READ MEDIUM - INCOMPATIBLE FORMAT"},
    {0x31, 0x00, L"MEDIUM FORMAT CORRUPTED"},
    {0x31, 0x01, L"FORMAT COMMAND FAILED"},
    {0x3A, 0x00, L"MEDIUM NOT PRESENT"},
    {0x3A, 0x01, L"MEDIUM NOT PRESENT - TRAY CLOSED"},
    {0x3A, 0x02, L"MEDIUM NOT PRESENT - TRAY OPEN"},
    {0x3E, 0x00, L"LOGICAL UNIT HAS NOT SELF-CONFIGURED YET"},
    {0x3E, 0x01, L"LOGICAL UNIT FAILURE"},
    {0x3E, 0x02, L"TIMEOUT ON LOGICAL UNIT"},
    {0x3F, 0x00, L"TARGET OPERATING CONDITIONS HAVE CHANGED"},
    {0x3F, 0x01, L"MICROCODE HAS BEEN CHANGED"},
    {0x3F, 0x03, L"INQUIRY DATA HAS CHANGED"},
    {0x44, 0x00, L"INTERNAL TARGET FAILURE"},
    {0x47, 0x00, L"SCSI PARITY ERROR"},
    {0x4E, 0x00, L"OVERLAPPED COMMANDS ATTEMPTED"},
    {0x53, 0x00, L"MEDIA LOAD OR EJECT FAILED"},
    {0x53, 0x02, L"MEDIUM REMOVAL PREVENTED"},
    {0x55, 0x03, L"INSUFFICIENT RESOURCES"},
    {0x5A, 0x01, L"OPERATOR MEDIUM REMOVAL REQUEST"},
    {0x5D, 0x00, L"FAILURE PREDICTION THRESHOLD EXCEEDED"},
    {0x5E, 0x00, L"LOW POWER CONDITION ON"},
    {0x65, 0x00, L"VOLTAGE FAULT"},
};

// Key Ch once meant EQUAL (a SEARCH DATA match); the list has since retired it.
constexpr const wchar_t* kSenseKeys[16] = {
    L"NO SENSE",       L"RECOVERED ERROR", L"NOT READY",      L"MEDIUM ERROR",
    L"HARDWARE ERROR", L"ILLEGAL REQUEST", L"UNIT ATTENTION", L"DATA PROTECT",
    L"BLANK CHECK",    L"VENDOR SPECIFIC", L"COPY ABORTED",   L"ABORTED COMMAND",
    L"OBSOLETE",       L"VOLUME OVERFLOW", L"MISCOMPARE",     L"COMPLETED",
};

struct NamedStatus {
    std::uint8_t status;
    const wchar_t* name;
};

constexpr NamedStatus kStatuses[] = {
    {0x00, L"GOOD"},       {0x02, L"CHECK CONDITION"},      {0x04, L"CONDITION MET"},
    {0x08, L"BUSY"},       {0x18, L"RESERVATION CONFLICT"}, {0x28, L"TASK SET FULL"},
    {0x30, L"ACA ACTIVE"}, {0x40, L"TASK ABORTED"},
};

std::wstring HexByte(std::uint8_t value) {
    static constexpr wchar_t kDigits[] = L"0123456789ABCDEF";
    return {kDigits[value >> 4], kDigits[value & 0x0F], L'h'};
}

} // namespace

const wchar_t* SenseKeyName(std::uint8_t key) {
    return kSenseKeys[key & 0x0F];
}

std::wstring ScsiStatusName(std::uint8_t status) {
    for (const NamedStatus& named : kStatuses) {
        if (named.status == status) {
            return named.name;
        }
    }
    return L"status " + HexByte(status);
}

std::span<const AdditionalSense> AdditionalSenseTable() {
    return kAdditionalSenses;
}

const wchar_t* FindAdditionalSense(std::uint8_t asc, std::uint8_t ascq) {
    const auto before = [](const AdditionalSense& entry, unsigned pair) {
        return ((unsigned{entry.asc} << 8) | entry.ascq) < pair;
    };
    const unsigned pair = (unsigned{asc} << 8) | ascq;
    const auto* found =
        std::lower_bound(std::begin(kAdditionalSenses), std::end(kAdditionalSenses), pair, before);
    if (found == std::end(kAdditionalSenses) || found->asc != asc || found->ascq != ascq) {
        return nullptr;
    }
    return found->name;
}

std::wstring AdditionalSenseName(std::uint8_t asc, std::uint8_t ascq) {
    if (const wchar_t* name = FindAdditionalSense(asc, ascq)) {
        return name;
    }
    return L"ASC " + HexByte(asc) + L" ASCQ " + HexByte(ascq);
}

} // namespace juxa
