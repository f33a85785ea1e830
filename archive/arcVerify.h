#pragma once
// Reading a finished archive back: the verifier beside the writer. It reads a
// ZIP archive's end record, its central directory, the entry's local header
// and its data (inflated), and says whether the archive holds exactly one
// entry whose content has the expected size and CRC-32, or why not.

#include <cstdint>
#include <optional>
#include <string>

namespace archive {

// Size and CRC-32 (ZIP's) of some content.
struct FileDigest {
    int64_t size = 0;
    uint32_t crc = 0;
};

// Reads the whole file; nullopt when it cannot be read.
std::optional<FileDigest> DigestFile(const std::string& Path);
// Reads the whole of an open file from its start, leaving its position as it
// was; nullopt when it cannot be read.
std::optional<FileDigest> DigestHandle(int Handle);

// What the read-back found wrong; None when the archive is as expected.
enum class VerifyFault {
    None,
    Unreadable,             // the archive cannot be opened or read
    NotZip,                 // shorter than an end record
    NoEndRecord,            // no end record whose comment reaches the end of the file
    Spanned,                // the end record names other disks
    EntryCount,             // not exactly one entry (Entries)
    DirectoryMisplaced,     // the central directory does not end where the end record begins
    DirectoryDamaged,       // the central header is not one
    Encrypted,              // the entry is encrypted
    Method,                 // a method other than stored or deflated (Method)
    LocalHeaderDamaged,     // the local header is not one
    DataOverlapsDirectory,  // the entry's data runs into the central directory
    DataTruncated,          // the entry's data ends early
    InflateInit,            // the inflater could not start
    DataCorrupt,            // the deflated data is damaged
    DataLength,             // the deflated data does not fill its recorded size exactly
    RecordMismatch,         // the content differs from the central directory's size or CRC-32
    SizeMismatch,           // the content's size is not the expected one (Found)
    CrcMismatch,            // the content's CRC-32 is not the expected one (Found)
};

struct VerifyResult {
    VerifyFault Fault = VerifyFault::None;
    uint32_t Entries = 0;  // entries the end record counts
    uint32_t Method = 0;   // the entry's method
    FileDigest Found;      // size and CRC-32 of the entry's content
    bool Ok() const { return Fault == VerifyFault::None; }
};

// Checks that ZipPath holds exactly one readable entry with content Expected.
VerifyResult VerifySingleEntryArchive(const std::string& ZipPath, const FileDigest& Expected);

}  // namespace archive
