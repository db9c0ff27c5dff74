// What one send came to, as the device layer records it, and the words for
// it: the sense reader, the names of SCSI statuses, sense keys and additional
// sense codes, and the one-line text the status field shows.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>

namespace juxa {

// Which step ended a send.
enum class SendStep : std::uint8_t {
    Refused,      // the program refused by rule (see Refusal); nothing opened beyond the volume
    OpenVolume,   // the volume \\.\X: could not be opened; error holds the system error
    QueryExtents, // the volume's disk extents query failed; error holds it
    OpenDrive,    // \\.\PHYSICALDRIVEn could not be opened; error holds it
    Request,      // the pass-through request failed; error holds it (121 ERROR_SEM_TIMEOUT: given
                  // up after the 200-second timeout)
    Completed,    // the platform completed the request: scsiStatus, transferred and sense are valid
};

enum class Refusal : std::uint8_t {
    None,
    BadParameter,    // a preset index outside the table, or a negative length (the console never
                     // passes these)
    NoExtent,        // the volume reports no disk extent
    DiskZero,        // the volume lies on disk 0
    DiskPast255,     // the disk number does not fit the request's 8 bits
    SystemDisk,      // the volume lies on a disk of the volume that holds Windows (disk says which)
    SystemUnchecked, // the Windows volume could not be resolved, so no disk is addressed
};

inline constexpr std::size_t kSenseBufferSize = 32;

// What the platform reports when a request outlives its timeout.
inline constexpr std::uint32_t kErrorSemTimeout = 121;

struct SendOutcome {
    SendStep step = SendStep::Refused;
    Refusal refusal = Refusal::None;
    wchar_t letter = 0;            // the drive letter as sent
    std::uint32_t error = 0;       // the system error of the failing call, else 0
    std::uint32_t disk = 0;        // full-width disk number of the volume's first extent, once
                                   // resolved
    std::uint8_t scsiStatus = 0;   // as the platform returned it (Completed only)
    std::uint32_t requested = 0;   // the caller's length
    std::uint32_t transferred = 0; // DataTransferLength as the platform returned it (Completed
                                   // only)
    std::uint8_t senseLength = 0;  // SenseInfoLength as the platform returned it: valid sense bytes
    std::array<std::uint8_t, kSenseBufferSize> sense{};
};

// The part of a sense buffer the status line tells.
struct SenseData {
    bool descriptorFormat = false; // response code 72h/73h; else fixed format, 70h/71h
    bool deferred = false;         // 71h/73h: the error belongs to an earlier command
    std::uint8_t key = 0;          // 0 to 15
    // Whether ASC and ASCQ lay within the valid bytes; a device that returns
    // too few bytes for them still says its key.
    bool hasCodes = false;
    std::uint8_t asc = 0;
    std::uint8_t ascq = 0;
};

// Reads no byte at or past the smaller of bytes.size() and validCount. Empty
// when no sense key can be read: too few bytes for it (fixed format needs 3,
// descriptor format 2) or a response code other than 70h to 73h. In fixed
// format ASC and ASCQ (bytes 12 and 13) count only when both lie within the
// valid bytes and within 8 + the additional sense length (byte 7); in
// descriptor format (bytes 2 and 3) within the valid bytes.
std::optional<SenseData> ParseSense(std::span<const std::uint8_t> bytes, std::size_t validCount);
// The outcome's sense buffer with its senseLength, so at most 32 bytes.
std::optional<SenseData> ParseSense(const SendOutcome& outcome);

// The sixteen sense keys by their published names; only the low four bits count.
const wchar_t* SenseKeyName(std::uint8_t key);
// The named statuses (GOOD, CHECK CONDITION, ...); any other as "status 01h".
std::wstring ScsiStatusName(std::uint8_t status);

struct AdditionalSense {
    std::uint8_t asc;
    std::uint8_t ascq;
    const wchar_t* name;
};
// The codes that removable USB storage and vendor commands meet, in the
// wording of the published list of additional sense codes, sorted by ASC and
// then ASCQ.
std::span<const AdditionalSense> AdditionalSenseTable();
// The table's name for a pair, or null when the table lacks it.
const wchar_t* FindAdditionalSense(std::uint8_t asc, std::uint8_t ascq);
// The table's name, or the pair's two bytes as "ASC 80h ASCQ 01h".
std::wstring AdditionalSenseName(std::uint8_t asc, std::uint8_t ascq);

// The status line after a send: one line with no control character, whatever
// the outcome and whatever systemText returns (the system's own text for an
// error code, FormatMessageW on Windows, which ends in CR LF).
std::wstring OutcomeLine(const SendOutcome& outcome,
                         const std::function<std::wstring(std::uint32_t)>& systemText);

} // namespace juxa
