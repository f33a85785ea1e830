#pragma once
// Archive type detection: tells what kind of archive a file is from its
// signatures (ZIP in its plain, self-extracting, spanned and multi-volume
// forms, and the other common archive formats with their self-extracting
// stubs) and where its first structure lies.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "archive/arcTypes.h"

#include "platform/core/Streams.h"

namespace archive {

class DetectFile;

// Flags of TArcDetect::FoundParts.
constexpr std::uint8_t fpLocalHeader = 1;
constexpr std::uint8_t fpCentralDirectory = 2;
constexpr std::uint8_t fpEndRecord = 4;

// The detector and its results; the root archive component keeps one.
class TArcDetect {
public:
    TArcType ArcType = atNA;
    std::int64_t ArchiveSize = 0;     // size of the file examined
    std::int64_t ArchiveOffset = -1;  // first structure (central directory for ZIP); -1 not found
    std::uint8_t FoundParts = 0;      // fpLocalHeader | fpCentralDirectory | fpEndRecord
    std::int32_t DirectoryShift = 0;  // real central directory position minus the recorded one
    std::int64_t EndPosition = 0;     // offset just after the end record
    std::int32_t ArchiveDate = 0;     // creation time as DOS date-time (UTC), 0 when unknown
    char VolumeLetter = 0;            // first letter of multi-volume extensions
    std::int32_t VolumeNumber = 0;    // number of the volume in hand
    std::uint8_t EndRecord[22] = {};
    std::uint8_t CentralHeader[46] = {};
    std::uint8_t LocalHeader[30] = {};

    // Decrypts the bytes after the signature of a "PL" record in place (keys
    // reset to the header key triple first). Unset: such records stay as read.
    std::function<void(std::uint8_t* Bytes, std::size_t Count)> DecryptHeader;

    // Detects the type of FileName and fills the fields; never raises. For a
    // real type the volume-name parts are derived from FileName too.
    TArcType DetectArcType(const std::string& FileName);
    // The four-byte signature classifier; Mode 1 at the start of a plain file,
    // 0 inside an executable.
    TArcType ClassifyArcSignature(int Mode, std::uint32_t Value);
    // Derives VolumeLetter and VolumeNumber of ArchiveFile for the current ArcType.
    void DeriveVolumeParts(const std::string& ArchiveFile);

    // The ZIP end-record search on an open file (see the source); fills the
    // record buffers and FoundParts.
    std::int64_t FindZipStructures(archive::DetectFile& File);
    // Signature scan of an executable from StartOffset; sets ArcType on a hit.
    std::int64_t ScanArcSignature(archive::DetectFile& File, std::int64_t StartOffset);

private:
    TArcType SpannedArchiveTest();
    bool UueTest(archive::DetectFile& File);
    bool TarTest(archive::DetectFile& File);
    TArcType DetectExecutable(archive::DetectFile& File, const std::string& Head);
    TArcType DetectPlain(archive::DetectFile& File, const std::string& Head);

    std::string FileName_;
    archive::DetectFile* File_ = nullptr;
};

// Read-only view of a file by offset, for the detector.
class DetectFile {
public:
    explicit DetectFile(const std::string& Path);
    ~DetectFile();
    DetectFile(const DetectFile&) = delete;
    DetectFile& operator=(const DetectFile&) = delete;
    bool IsOpen() const { return file_ != nullptr; }
    int Handle() const { return file_ ? file_->Handle() : -1; }
    std::int64_t Size() const { return size_; }
    // Up to Count bytes at Offset (fewer at the end of the file).
    std::string ReadAt(std::int64_t Offset, std::size_t Count) const;

private:
    std::unique_ptr<TFileStream> file_;
    std::int64_t size_ = 0;
};

// The first Count string resources (ids 1 to Count, each cut to MaxChars
// characters) of a Windows executable image, as a data-only load would give
// them; empty when the image has no string table.
std::vector<std::string> PeStringResources(const std::string& Image, int Count, std::size_t MaxChars);
// Reads an offset written in a resource: leading spaces, a sign, "$" or "0x"
// for hexadecimal. Value gets the digits before the first bad character;
// False when the text is not wholly a number.
bool ParseOffsetText(const std::string& Text, std::int64_t& Value);

// A tar header's checksum field: octal digits accumulate, any other
// character is skipped, a NUL ends the field.
std::uint32_t OctalToInt(const char* Field, std::size_t Length);

} // namespace archive
