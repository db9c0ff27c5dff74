// The status line after a send, and the sense reader and names behind it.
#include "Outcome.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <set>
#include <string>
#include <vector>

using namespace juxa;

namespace {

// The texts FormatMessageW gives, each ending in CR LF as Windows' own do.
std::wstring FakeSystemText(std::uint32_t error) {
    switch (error) {
    case 1:
        return L"Incorrect function.\r\n";
    case 2:
        return L"The system cannot find the file specified.\r\n";
    case 5:
        return L"Access is denied.\r\n";
    case 1117:
        return L"The request could not be performed because of an I/O device error.\r\n";
    case 1167:
        return L"The device is not connected.\r\n";
    case 2000:
        return L"Zugriff verweigert\r\n"; // stands for an access-denied text without a stop
    case 3000:
        return L"\r\n The first line.\r\n\r\n\tThe second line.  \t\r\n";
    case 3001:
        return std::wstring(L"Bell\a, escape\x1B, delete\x7F, next line\x85, line separator") +
               wchar_t{0x2028} + L"end.";
    default:
        return L" \r\n";
    }
}

SendOutcome Outcome(SendStep step, std::uint32_t error = 0) {
    SendOutcome outcome;
    outcome.step = step;
    outcome.letter = L'E';
    outcome.disk = 2;
    outcome.error = error;
    outcome.requested = 56;
    return outcome;
}

SendOutcome Refused(Refusal refusal, std::uint32_t disk = 2) {
    SendOutcome outcome = Outcome(SendStep::Refused);
    outcome.refusal = refusal;
    outcome.disk = disk;
    return outcome;
}

SendOutcome Good(std::uint32_t requested, std::uint32_t transferred) {
    SendOutcome outcome = Outcome(SendStep::Completed);
    outcome.requested = requested;
    outcome.transferred = transferred;
    return outcome;
}

SendOutcome Status(std::uint8_t status, std::initializer_list<std::uint8_t> sense = {},
                   std::uint8_t senseLength = 0) {
    SendOutcome outcome = Outcome(SendStep::Completed);
    outcome.scsiStatus = status;
    outcome.transferred = 0;
    std::copy(sense.begin(), sense.end(), outcome.sense.begin());
    outcome.senseLength = senseLength;
    return outcome;
}

// Fixed-format sense of 18 bytes: the additional sense length says 10.
std::vector<std::uint8_t> Fixed(std::uint8_t key, std::uint8_t asc, std::uint8_t ascq,
                                std::uint8_t responseCode = 0x70) {
    return {responseCode, 0, key, 0, 0, 0, 0, 10, 0, 0, 0, 0, asc, ascq, 0, 0, 0, 0};
}

SendOutcome CheckCondition(const std::vector<std::uint8_t>& sense, std::uint8_t senseLength) {
    SendOutcome outcome = Status(0x02);
    std::copy(sense.begin(), sense.end(), outcome.sense.begin());
    outcome.senseLength = senseLength;
    return outcome;
}

SendOutcome WithLetter(SendOutcome outcome, wchar_t letter) {
    outcome.letter = letter;
    return outcome;
}

bool HasControl(const std::wstring& line) {
    for (const wchar_t c : line) {
        if (c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029) {
            return true;
        }
    }
    return false;
}

constexpr std::uint8_t kCheck = 0x02;

} // namespace

TEST(OutcomeLine, SaysWhatHappenedInOneLine) {
    struct Row {
        const char* name;
        SendOutcome outcome;
        std::wstring expected;
    };
    const std::vector<std::uint8_t> invalidOpcode = Fixed(0x05, 0x20, 0x00);
    const std::vector<Row> rows = {
        // The device answered GOOD.
        {"GOOD with fewer bytes than asked for", Good(56, 36),
         L"E: (disk 2): GOOD, 36 of 56 bytes returned"},
        {"GOOD with the whole buffer", Good(56, 56), L"E: (disk 2): GOOD, 56 of 56 bytes returned"},
        {"GOOD with no data asked for", Good(0, 0), L"E: (disk 2): GOOD, 0 of 0 bytes returned"},
        {"GOOD with more than the buffer holds", Good(56, 70),
         L"E: (disk 2): GOOD, 56 of 56 bytes returned (Windows reported 70)"},

        // CHECK CONDITION and its sense data.
        {"fixed format", CheckCondition(invalidOpcode, 18),
         L"E: (disk 2): CHECK CONDITION, ILLEGAL REQUEST: INVALID COMMAND OPERATION CODE "
         L"(sense 5/20/00)"},
        {"fixed format with the valid bit", CheckCondition(Fixed(0x02, 0x3A, 0x00, 0xF0), 18),
         L"E: (disk 2): CHECK CONDITION, NOT READY: MEDIUM NOT PRESENT (sense 2/3A/00)"},
        {"fixed format, the key's byte carrying flags", CheckCondition(Fixed(0xE5, 0x24, 0x00), 18),
         L"E: (disk 2): CHECK CONDITION, ILLEGAL REQUEST: INVALID FIELD IN CDB (sense 5/24/00)"},
        {"descriptor format", CheckCondition({0x72, 0x06, 0x28, 0x00, 0x00, 0x00, 0x00, 0x00}, 8),
         L"E: (disk 2): CHECK CONDITION, UNIT ATTENTION: NOT READY TO READY CHANGE, MEDIUM MAY "
         L"HAVE CHANGED (sense 6/28/00)"},
        {"descriptor format, deferred", CheckCondition({0x73, 0x03, 0x11, 0x00}, 4),
         L"E: (disk 2): CHECK CONDITION, MEDIUM ERROR: UNRECOVERED READ ERROR "
         L"(deferred sense 3/11/00)"},
        {"fixed format, deferred", CheckCondition(Fixed(0x04, 0x44, 0x00, 0x71), 18),
         L"E: (disk 2): CHECK CONDITION, HARDWARE ERROR: INTERNAL TARGET FAILURE "
         L"(deferred sense 4/44/00)"},
        {"an ASC the table lacks", CheckCondition(Fixed(0x05, 0x80, 0x01), 18),
         L"E: (disk 2): CHECK CONDITION, ILLEGAL REQUEST: ASC 80h ASCQ 01h (sense 5/80/01)"},
        {"an ASCQ the table lacks", CheckCondition(Fixed(0x02, 0x04, 0xFE), 18),
         L"E: (disk 2): CHECK CONDITION, NOT READY: ASC 04h ASCQ FEh (sense 2/04/FE)"},
        {"a sense count past the buffer", CheckCondition(invalidOpcode, 200),
         L"E: (disk 2): CHECK CONDITION, ILLEGAL REQUEST: INVALID COMMAND OPERATION CODE "
         L"(sense 5/20/00)"},

        // Sense data cut short: the key alone, or nothing.
        {"a short sense buffer, the header only", CheckCondition(invalidOpcode, 8),
         L"E: (disk 2): CHECK CONDITION, ILLEGAL REQUEST (sense 5)"},
        {"a short sense buffer ending at the ASC", CheckCondition(invalidOpcode, 13),
         L"E: (disk 2): CHECK CONDITION, ILLEGAL REQUEST (sense 5)"},
        {"an additional length that ends before the ASCQ",
         CheckCondition({0x70, 0, 0x05, 0, 0, 0, 0, 5, 0, 0, 0, 0, 0x20, 0x00, 0, 0, 0, 0}, 18),
         L"E: (disk 2): CHECK CONDITION, ILLEGAL REQUEST (sense 5)"},
        {"an additional length that ends after the ASCQ",
         CheckCondition({0x70, 0, 0x05, 0, 0, 0, 0, 6, 0, 0, 0, 0, 0x20, 0x00}, 14),
         L"E: (disk 2): CHECK CONDITION, ILLEGAL REQUEST: INVALID COMMAND OPERATION CODE "
         L"(sense 5/20/00)"},
        {"a descriptor header cut before the ASCQ", CheckCondition({0x72, 0x02, 0x3A, 0x00}, 3),
         L"E: (disk 2): CHECK CONDITION, NOT READY (sense 2)"},
        {"an empty sense buffer", CheckCondition(invalidOpcode, 0),
         L"E: (disk 2): CHECK CONDITION, no sense data"},
        {"fixed format too short for its key", CheckCondition(invalidOpcode, 2),
         L"E: (disk 2): CHECK CONDITION, no sense data"},
        {"descriptor format too short for its key", CheckCondition({0x72, 0x05, 0x20, 0x00}, 1),
         L"E: (disk 2): CHECK CONDITION, no sense data"},
        {"a response code of zero fill", CheckCondition(Fixed(0x05, 0x20, 0x00, 0x00), 18),
         L"E: (disk 2): CHECK CONDITION, no sense data"},
        {"a vendor-specific response code", CheckCondition(Fixed(0x05, 0x20, 0x00, 0x7F), 18),
         L"E: (disk 2): CHECK CONDITION, no sense data"},

        // Other statuses are named, with no sense or bytes read.
        {"BUSY", Status(0x08, {0x70, 0, 0x05}, 18), L"E: (disk 2): BUSY"},
        {"a status without a name", Status(0x01), L"E: (disk 2): status 01h"},

        // Refused by rule.
        {"disk 0", Refused(Refusal::DiskZero, 0),
         L"Not sent: E: lies on disk 0, which Juxa never addresses"},
        {"a disk past 255", Refused(Refusal::DiskPast255, 256),
         L"Not sent: E: lies on disk 256, past the 255 a request can address"},
        {"the disk of Windows", Refused(Refusal::SystemDisk, 1),
         L"Not sent: E: lies on the disk that holds Windows (disk 1)"},
        {"a Windows volume that could not be checked", Refused(Refusal::SystemUnchecked),
         L"Not sent: Juxa could not find the disk that holds Windows, so it cannot tell whether "
         L"E: lies on it"},
        {"no extent", Refused(Refusal::NoExtent, 0), L"Not sent: Windows reports no disk for E:"},
        {"a bad parameter", Refused(Refusal::BadParameter, 0),
         L"Not sent: the preset is not in the table or the length is negative"},
        {"a refusal without a rule", Refused(Refusal::None, 0), L"Not sent to E:"},

        // Refused by Windows: its own text, the hint only where rights are missing.
        {"opening the drive, access denied", Outcome(SendStep::OpenDrive, 5),
         L"Windows could not open \\\\.\\PHYSICALDRIVE2: Access is denied. Start Juxa as "
         L"administrator to send commands."},
        {"opening the drive, another error", Outcome(SendStep::OpenDrive, 2),
         L"Windows could not open \\\\.\\PHYSICALDRIVE2: The system cannot find the file "
         L"specified."},
        {"opening the volume, access denied", Outcome(SendStep::OpenVolume, 5),
         L"Windows could not open \\\\.\\E: (the volume): Access is denied. Start Juxa as "
         L"administrator to send commands."},
        {"opening the volume, another error", Outcome(SendStep::OpenVolume, 2),
         L"Windows could not open \\\\.\\E: (the volume): The system cannot find the file "
         L"specified."},
        {"the extents query", Outcome(SendStep::QueryExtents, 1),
         L"Windows could not tell which disk E: lies on: Incorrect function."},
        {"the extents query, access denied", Outcome(SendStep::QueryExtents, 5),
         L"Windows could not tell which disk E: lies on: Access is denied."},
        {"the request", Outcome(SendStep::Request, 1167),
         L"E: (disk 2): Windows could not complete the request: The device is not connected."},
        {"the request, access denied", Outcome(SendStep::Request, 5),
         L"E: (disk 2): Windows could not complete the request: Access is denied."},
        {"the request, timed out", Outcome(SendStep::Request, 121),
         L"E: (disk 2): no answer within 200 seconds"},

        // Whatever the inputs, one line.
        {"a system text broken over lines", Outcome(SendStep::Request, 3000),
         L"E: (disk 2): Windows could not complete the request: The first line. The second "
         L"line."},
        {"a system text with control characters", Outcome(SendStep::QueryExtents, 3001),
         L"Windows could not tell which disk E: lies on: Bell , escape , delete , next line , "
         L"line separator end."},
        {"a system text of blanks", Outcome(SendStep::OpenDrive, 1450),
         L"Windows could not open \\\\.\\PHYSICALDRIVE2: system error 1450"},
        {"a letter that is a control character", WithLetter(Outcome(SendStep::Request, 121), L'\n'),
         L"?: (disk 2): no answer within 200 seconds"},
        {"no letter", WithLetter(Refused(Refusal::DiskZero, 0), 0),
         L"Not sent: ?: lies on disk 0, which Juxa never addresses"},
        {"a step without a name", Outcome(static_cast<SendStep>(99)),
         L"E: the send ended at a step Juxa does not know"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::wstring line = OutcomeLine(row.outcome, FakeSystemText);
        EXPECT_EQ(line, row.expected);
        EXPECT_FALSE(HasControl(line));
    }
}

TEST(OutcomeLine, AccessDeniedWithoutAStopGainsOne) {
    const auto german = [](std::uint32_t error) {
        return FakeSystemText(error == 5 ? 2000 : error);
    };
    EXPECT_EQ(OutcomeLine(Outcome(SendStep::OpenDrive, 5), german),
              L"Windows could not open \\\\.\\PHYSICALDRIVE2: Zugriff verweigert. Start Juxa as "
              L"administrator to send commands.");
}

TEST(OutcomeLine, NoSystemTextGivesTheCode) {
    EXPECT_EQ(OutcomeLine(Outcome(SendStep::Request, 1117), nullptr),
              L"E: (disk 2): Windows could not complete the request: system error 1117");
}

// The reader is handed the bytes the platform wrote and a count that it also
// wrote; neither is trusted to bound the other. Each buffer here is exactly
// as long as it looks, so ASan reports a read past it.
TEST(SenseReader, ReadsWithinTheSmallerOfBufferAndCount) {
    const std::vector<std::uint8_t> full = Fixed(0x06, 0x29, 0x00);
    for (std::size_t size = 0; size <= full.size(); ++size) {
        SCOPED_TRACE(size);
        const std::vector<std::uint8_t> cut(full.begin(),
                                            full.begin() + static_cast<std::ptrdiff_t>(size));
        for (const std::size_t count : {std::size_t{0}, size, size + 1, std::size_t{4096}}) {
            const auto sense = ParseSense(cut, count);
            const std::size_t valid = std::min(size, count);
            ASSERT_EQ(sense.has_value(), valid >= 3);
            if (sense) {
                EXPECT_FALSE(sense->descriptorFormat);
                EXPECT_EQ(sense->key, 0x06);
                EXPECT_EQ(sense->hasCodes, valid >= 14);
                if (sense->hasCodes) {
                    EXPECT_EQ(sense->asc, 0x29);
                    EXPECT_EQ(sense->ascq, 0x00);
                }
            }
        }
    }
    const std::vector<std::uint8_t> descriptor = {0x72, 0x05, 0x24, 0x00};
    for (std::size_t size = 0; size <= descriptor.size(); ++size) {
        SCOPED_TRACE(size);
        const std::vector<std::uint8_t> cut(descriptor.begin(),
                                            descriptor.begin() + static_cast<std::ptrdiff_t>(size));
        const auto sense = ParseSense(cut, 255);
        ASSERT_EQ(sense.has_value(), size >= 2);
        if (sense) {
            EXPECT_TRUE(sense->descriptorFormat);
            EXPECT_EQ(sense->hasCodes, size >= 4);
        }
    }
}

TEST(SenseNames, AdditionalSenseTableIsSortedAndInTheListsWording) {
    const auto table = AdditionalSenseTable();
    ASSERT_FALSE(table.empty());
    for (std::size_t i = 0; i < table.size(); ++i) {
        const AdditionalSense& entry = table[i];
        SCOPED_TRACE(i);
        if (i > 0) {
            const unsigned previous = (unsigned{table[i - 1].asc} << 8) | table[i - 1].ascq;
            EXPECT_LT(previous, (unsigned{entry.asc} << 8) | entry.ascq);
        }
        EXPECT_EQ(FindAdditionalSense(entry.asc, entry.ascq), entry.name);
        const std::wstring name = entry.name;
        ASSERT_FALSE(name.empty());
        for (const wchar_t c : name) {
            EXPECT_TRUE((c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') ||
                        std::wstring(L" ,-/").find(c) != std::wstring::npos)
                << static_cast<int>(c);
        }
    }
    EXPECT_EQ(FindAdditionalSense(0x04, 0x05), nullptr);
    EXPECT_EQ(FindAdditionalSense(0xFF, 0xFF), nullptr);
    EXPECT_EQ(AdditionalSenseName(0x3A, 0x02), L"MEDIUM NOT PRESENT - TRAY OPEN");
    EXPECT_EQ(AdditionalSenseName(0x00, 0x01), L"ASC 00h ASCQ 01h");
}

TEST(SenseNames, SixteenKeysAndTheNamedStatuses) {
    std::set<std::wstring> keys;
    for (unsigned key = 0; key < 16; ++key) {
        keys.insert(SenseKeyName(static_cast<std::uint8_t>(key)));
        EXPECT_STREQ(SenseKeyName(static_cast<std::uint8_t>(key | 0xF0u)),
                     SenseKeyName(static_cast<std::uint8_t>(key)));
    }
    EXPECT_EQ(keys.size(), 16u);
    EXPECT_STREQ(SenseKeyName(0x0), L"NO SENSE");
    EXPECT_STREQ(SenseKeyName(0x9), L"VENDOR SPECIFIC");
    EXPECT_STREQ(SenseKeyName(0xC), L"OBSOLETE");
    EXPECT_STREQ(SenseKeyName(0xF), L"COMPLETED");

    const std::vector<std::pair<std::uint8_t, std::wstring>> statuses = {
        {0x00, L"GOOD"},       {0x02, L"CHECK CONDITION"},      {0x04, L"CONDITION MET"},
        {0x08, L"BUSY"},       {0x18, L"RESERVATION CONFLICT"}, {0x28, L"TASK SET FULL"},
        {0x30, L"ACA ACTIVE"}, {0x40, L"TASK ABORTED"},         {0x22, L"status 22h"},
        {0xFF, L"status FFh"},
    };
    for (const auto& [status, name] : statuses) {
        EXPECT_EQ(ScsiStatusName(status), name);
    }
    EXPECT_EQ(OutcomeLine(Status(kCheck, {0x70, 0, 0x0C}, 3), nullptr),
              L"E: (disk 2): CHECK CONDITION, OBSOLETE (sense C)");
}
