// Archive type detection against archives made here by the real archivers.

#include "archive/arcDetect.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "archive/tests/TestHelpers.h"

using namespace drivetest;
using namespace archive;

namespace {

std::string sample_text() {
    std::string s;
    for (int i = 0; i < 400; ++i) s += "line " + std::to_string(i) + " of the sample text\n";
    return s;
}

// A level-0 LHA header storing File uncompressed ("-lh0-"), as the format
// describes it; lhasa checks the result.
std::string make_lha(const std::string& name, const std::string& data) {
    std::string h;
    h += "-lh0-";
    auto put32 = [&](std::uint32_t v) {
        for (int i = 0; i < 4; ++i) h += static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    put32(static_cast<std::uint32_t>(data.size())); // packed
    put32(static_cast<std::uint32_t>(data.size())); // original
    put32(0x5A210000);                              // DOS time and date
    h += static_cast<char>(0x20);                   // attribute
    h += static_cast<char>(0x00);                   // level 0
    h += static_cast<char>(name.size());
    h += name;
    // CRC-16/ARC of the data.
    std::uint16_t crc = 0;
    for (unsigned char c : data) {
        crc ^= c;
        for (int k = 0; k < 8; ++k) crc = (crc & 1) ? static_cast<std::uint16_t>((crc >> 1) ^ 0xA001) : crc >> 1;
    }
    h += static_cast<char>(crc & 0xFF);
    h += static_cast<char>(crc >> 8);
    std::uint8_t sum = 0;
    for (unsigned char c : h) sum = static_cast<std::uint8_t>(sum + c);
    std::string out;
    out += static_cast<char>(h.size());
    out += static_cast<char>(sum);
    return out + h + data + std::string(1, '\0');
}

// "MZ" header whose image ends at ImageSize bytes, padded to that size.
std::string make_dos_stub(std::size_t image_size) {
    std::string stub(image_size, '\0');
    stub[0] = 'M';
    stub[1] = 'Z';
    std::size_t pages = (image_size + 511) / 512, last = image_size % 512;
    stub[2] = static_cast<char>(last & 0xFF);
    stub[3] = static_cast<char>(last >> 8);
    stub[4] = static_cast<char>(pages & 0xFF);
    stub[5] = static_cast<char>(pages >> 8);
    return stub;
}

// A minimal PE image whose string table holds Strings as ids 1, 2, ...,
// padded to PadTo bytes; its DOS image ends at 144 bytes.
std::string make_pe(const std::vector<std::string>& strings, std::size_t pad_to) {
    std::string f(0x400, '\0');
    auto p16 = [&](std::size_t at, std::uint32_t v) {
        f[at] = static_cast<char>(v & 0xFF);
        f[at + 1] = static_cast<char>((v >> 8) & 0xFF);
    };
    auto p32 = [&](std::size_t at, std::uint32_t v) {
        p16(at, v & 0xFFFF);
        p16(at + 2, v >> 16);
    };
    f[0] = 'M';
    f[1] = 'Z';
    p16(2, 0x90);
    p16(4, 1);
    p32(0x3C, 0x80);
    std::memcpy(f.data() + 0x80, "PE\0\0", 4);
    p16(0x84, 0x14C);
    p16(0x86, 1);     // one section
    p16(0x94, 0xE0);  // optional header size
    const std::size_t opt = 0x98;
    p16(opt, 0x10B);
    p32(opt + 92, 16);
    p32(opt + 96 + 16, 0x1000); // resource directory RVA
    p32(opt + 96 + 20, 0x200);
    const std::size_t sec = opt + 0xE0;
    std::memcpy(f.data() + sec, ".rsrc", 5);
    p32(sec + 8, 0x200);
    p32(sec + 12, 0x1000);
    p32(sec + 16, 0x200);
    p32(sec + 20, 0x200);
    const std::size_t r = 0x200;
    p16(r + 14, 1);
    p32(r + 16, 6);
    p32(r + 20, 0x80000018);
    p16(r + 0x18 + 14, 1);
    p32(r + 0x18 + 16, 1);
    p32(r + 0x18 + 20, 0x80000030);
    p16(r + 0x30 + 14, 1);
    p32(r + 0x30 + 16, 0x409);
    p32(r + 0x30 + 20, 0x48);
    p32(r + 0x48, 0x1058);
    std::size_t at = r + 0x58 + 2; // string 0 is empty
    for (const std::string& s : strings) {
        p16(at, static_cast<std::uint32_t>(s.size()));
        at += 2;
        for (char c : s) {
            p16(at, static_cast<unsigned char>(c));
            at += 2;
        }
    }
    p32(r + 0x48 + 4, static_cast<std::uint32_t>(at - (r + 0x58)));
    f.resize(pad_to, '\0');
    return f;
}

// Where python's zipfile finds the central directory of an archive.
long long python_start_dir(const std::string& zip) {
    std::string out = capture("/usr/bin/python3 -c 'import sys,zipfile; print(zipfile.ZipFile(sys.argv[1]).start_dir)' " +
                              shell_quote(zip));
    return std::atoll(out.c_str());
}

class DetectTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(dir.path().empty());
        write_all(dir / "data.txt", sample_text());
    }
    std::string in_dir(const std::string& cmd) { return "cd " + shell_quote(dir.path()) + " && " + cmd; }
    ScratchDir dir;
};

TEST_F(DetectTest, ArchivesMadeByTheArchiversAreClassified) {
    struct Case {
        const char* file;
        const char* make;
        TArcType expected;
        std::int64_t offset; // -2: not checked
    };
    const Case cases[] = {
        {"a.gz", "gzip -c data.txt > a.gz", atGZip, 0},
        {"a.Z", "compress -c data.txt > a.Z", atGZip, 0},
        {"a.tar", "tar -cf a.tar data.txt", atTar, 0},
        {"v.tar", "tar -cf v.tar -V VOLUME data.txt", atTar, 512},
        {"a.arj", "arj a -y a.arj data.txt >/dev/null", atArj, 0},
        {"a.cab", "gcab -c a.cab data.txt", atCab, 0},
        {"a.uue", "uuencode data.txt data.txt > a.uue", atUUE, 0},
        {"a.txt", "printf 'not an archive at all, only text\\n' > a.txt", atNA, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        ASSERT_EQ(run(in_dir(c.make)), 0) << c.make;
        TArcDetect d;
        EXPECT_EQ(d.DetectArcType(dir / c.file), c.expected) << archive::ArcTypeName(d.ArcType);
        if (c.offset != -2) {
            EXPECT_EQ(d.ArchiveOffset, c.offset);
        }
        EXPECT_EQ(d.ArchiveSize, static_cast<std::int64_t>(std::filesystem::file_size(dir / c.file)));
        if (archive::IsRealArcType(c.expected)) {
            EXPECT_NE(d.ArchiveDate, 0);
        }
    }
}

TEST_F(DetectTest, PlainZipFindsAllThreeStructures) {
    ASSERT_EQ(run(in_dir("zip -q a.zip data.txt")), 0);
    TArcDetect d;
    EXPECT_EQ(d.DetectArcType(dir / "a.zip"), atZip);
    EXPECT_EQ(d.FoundParts, fpLocalHeader | fpCentralDirectory | fpEndRecord);
    EXPECT_EQ(d.ArchiveOffset, python_start_dir(dir / "a.zip"));
    EXPECT_EQ(d.DirectoryShift, 0);
    EXPECT_EQ(d.EndPosition, d.ArchiveSize);
    EXPECT_EQ(std::memcmp(d.LocalHeader, "PK\3\4", 4), 0);

    // The same bytes under a ".jar" name are a Java archive, volume letter "j".
    std::filesystem::copy_file(dir / "a.zip", dir / "a.JAR");
    EXPECT_EQ(d.DetectArcType(dir / "a.JAR"), atJar);
    EXPECT_EQ(d.VolumeLetter, 'j');
    EXPECT_EQ(d.VolumeNumber, 0);
}

TEST_F(DetectTest, SelfExtractingZipBehindAnElfStubIsAPlainZipAtItsDirectory) {
    ASSERT_EQ(run(in_dir("zip -q a.zip data.txt && cat /usr/bin/unzipsfx a.zip > sfx")), 0);
    TArcDetect d;
    // Not yet adjusted: the recorded offsets are those of the bare archive.
    EXPECT_EQ(d.DetectArcType(dir / "sfx"), atZip);
    auto stub = static_cast<std::int32_t>(std::filesystem::file_size("/usr/bin/unzipsfx"));
    EXPECT_EQ(d.DirectoryShift, stub);
    EXPECT_EQ(d.FoundParts, fpLocalHeader | fpCentralDirectory | fpEndRecord);
    // zip -A adjusts the offsets to the stub.
    ASSERT_EQ(run(in_dir("zip -q -A sfx")), 0);
    EXPECT_EQ(d.DetectArcType(dir / "sfx"), atZip);
    EXPECT_EQ(d.DirectoryShift, 0);
    EXPECT_EQ(d.ArchiveOffset, python_start_dir(dir / "sfx"));
}

TEST_F(DetectTest, ZipBehindADosStubIsSelfExtracting) {
    ASSERT_EQ(run(in_dir("zip -q a.zip data.txt")), 0);
    write_all(dir / "sfx.exe", make_dos_stub(3000) + read_all(dir / "a.zip"));
    ASSERT_EQ(run(in_dir("zip -q -A sfx.exe")), 0);
    TArcDetect d;
    EXPECT_EQ(d.DetectArcType(dir / "sfx.exe"), atZipExe);
    EXPECT_EQ(d.ArchiveOffset, python_start_dir(dir / "sfx.exe"));
    EXPECT_EQ(d.FoundParts, fpLocalHeader | fpCentralDirectory | fpEndRecord);
}

TEST_F(DetectTest, ExecutableSignaturesAreFoundByStubOffsetImageEndAndScan) {
    // ARJ right behind the DOS image (image size 2000).
    ASSERT_EQ(run(in_dir("arj a -y a.arj data.txt >/dev/null")), 0);
    write_all(dir / "arj.exe", make_dos_stub(2000) + read_all(dir / "a.arj"));
    // RAR found only by the scan: no image size, signature at 20,000.
    std::string rar = make_dos_stub(20000);
    rar[2] = rar[3] = rar[4] = rar[5] = 0;
    rar += "Rar!\x1a\x07";
    rar += std::string(100, 'x');
    write_all(dir / "rar.exe", rar);
    // PAK at the first stub offset.
    std::string pak = make_dos_stub(7000);
    pak[6674] = 0x1A;
    pak[6675] = 0x0A;
    write_all(dir / "pak.exe", pak);
    // LHA header at 1,947.
    std::string lha = make_dos_stub(4000);
    std::memcpy(lha.data() + 1947, "-lh5-", 5);
    write_all(dir / "lha.exe", lha);

    struct Case {
        const char* file;
        TArcType type;
        std::int64_t offset;
    };
    for (const Case& c : {Case{"arj.exe", atArjExe, 2000}, Case{"rar.exe", atRarExe, 20000},
                          Case{"pak.exe", atPakExe, 6674}, Case{"lha.exe", atLhaExe, 1945}}) {
        SCOPED_TRACE(c.file);
        TArcDetect d;
        EXPECT_EQ(d.DetectArcType(dir / c.file), c.type) << archive::ArcTypeName(d.ArcType);
        EXPECT_EQ(d.ArchiveOffset, c.offset);
    }
}

TEST_F(DetectTest, StringResourcesOfAnExecutableNameTheArchiveOffset) {
    ASSERT_EQ(run(in_dir("arj a -y a.arj data.txt >/dev/null && zip -q a.zip data.txt")), 0);
    const std::string arj = read_all(dir / "a.arj");
    struct Case {
        std::vector<std::string> strings;
        TArcType type;
        std::int64_t offset;
    };
    const Case cases[] = {
        {{"4096"}, atArjExe, 4096},
        {{"$1000"}, atArjExe, 4096},
        {{" 4096 "}, atArjExe, 4096},        // five characters at most: " 4096"
        {{"0x1000"}, atNA, 0},               // read as "0x100": nothing at 256
        {{"100", "4096"}, atArjExe, 4096},  // nothing at 100: the next resource is tried
        {{"12x", "4096"}, atNA, 0},          // not a number: the resources end there
        {{"99999", "4096"}, atNA, 0},        // outside the file: likewise
        {{}, atNA, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.strings.empty() ? "(none)" : c.strings[0]);
        write_all(dir / "sfx.exe", make_pe(c.strings, 4096) + arj);
        std::vector<std::string> cut;
        for (const std::string& t : c.strings) cut.push_back(t.substr(0, 5));
        EXPECT_EQ(archive::PeStringResources(read_all(dir / "sfx.exe"), 7, 5), cut);
        TArcDetect d;
        EXPECT_EQ(d.DetectArcType(dir / "sfx.exe"), c.type) << archive::ArcTypeName(d.ArcType);
        if (c.type != atNA) {
            EXPECT_EQ(d.ArchiveOffset, c.offset);
        }
    }
    // A ZIP named by a resource: the offset becomes its central directory.
    write_all(dir / "zsfx.exe", make_pe({"4096"}, 4096) + read_all(dir / "a.zip"));
    TArcDetect d;
    EXPECT_EQ(d.DetectArcType(dir / "zsfx.exe"), atZipExe);
    EXPECT_EQ(d.ArchiveOffset, python_start_dir(dir / "zsfx.exe"));
    EXPECT_EQ(d.DirectoryShift, 4096);
}

TEST(ParseOffsetText, DecimalHexSignsAndBadCharacters) {
    struct Case {
        const char* text;
        bool whole;
        std::int64_t value;
    };
    for (const Case& c : {Case{"4096", true, 4096}, Case{"  -12", true, -12}, Case{"$1F", true, 31},
                          Case{"0X10", true, 16}, Case{"12x4", false, 12}, Case{"", false, 0},
                          Case{"abc", false, 0}}) {
        std::int64_t v = -1;
        EXPECT_EQ(archive::ParseOffsetText(c.text, v), c.whole) << c.text;
        EXPECT_EQ(v, c.value) << c.text;
    }
}

TEST_F(DetectTest, HandMadeLhaArchivesAreAcceptedByLhasaAndDetected) {
    write_all(dir / "a.lzh", make_lha("data.txt", sample_text()));
    ASSERT_EQ(run(in_dir("lha t a.lzh >/dev/null 2>&1")), 0) << "lhasa rejects the fixture";
    TArcDetect d;
    EXPECT_EQ(d.DetectArcType(dir / "a.lzh"), atLha);
    EXPECT_EQ(d.ArchiveOffset, 0);
    // Behind 128 zero bytes (a MacBinary-style header).
    write_all(dir / "b.lzh", std::string(128, '\0') + read_all(dir / "a.lzh"));
    EXPECT_EQ(d.DetectArcType(dir / "b.lzh"), atLha);
    EXPECT_EQ(d.ArchiveOffset, 128);
}

TEST_F(DetectTest, ShortEmptyMissingAndZeroFilesAreNotArchives) {
    write_all(dir / "19", std::string("PK\3\4") + std::string(15, 'x'));
    write_all(dir / "zeros", std::string(4096, '\0'));
    TArcDetect d;
    EXPECT_EQ(d.DetectArcType(dir / "19"), atNA);
    EXPECT_EQ(d.ArchiveSize, 19);
    EXPECT_EQ(d.DetectArcType(dir / "zeros"), atNA);
    EXPECT_EQ(d.DetectArcType(dir / "missing"), atNA);
    EXPECT_EQ(d.DetectArcType(dir.path()), atNA); // a folder
    EXPECT_EQ(d.DetectArcType(""), atNA);
}

TEST_F(DetectTest, UuencodedTextFoundOnALaterLine) {
    ASSERT_EQ(run(in_dir("{ echo 'Subject: files'; echo; uuencode data.txt data.txt; } > mail.txt")), 0);
    TArcDetect d;
    EXPECT_EQ(d.DetectArcType(dir / "mail.txt"), atUUE);
    // "begin 6" in the middle of a line does not count.
    write_all(dir / "prose.txt", "we begin 644 things here and elsewhere, nothing encoded\n");
    EXPECT_EQ(d.DetectArcType(dir / "prose.txt"), atNA);
}

TEST_F(DetectTest, ZipBehindZeroBytes) {
    ASSERT_EQ(run(in_dir("zip -q a.zip data.txt")), 0);
    std::string zip = read_all(dir / "a.zip");
    write_all(dir / "z.bin", std::string(100, '\0') + zip);
    TArcDetect d;
    EXPECT_EQ(d.DetectArcType(dir / "z.bin"), atZip);
    EXPECT_EQ(d.ArchiveOffset, python_start_dir(dir / "a.zip") + 100);
    EXPECT_EQ(d.DirectoryShift, 100);
    // Without its directory the first local header is the offset.
    write_all(dir / "y.bin", std::string(100, '\0') + zip.substr(0, 200));
    EXPECT_EQ(d.DetectArcType(dir / "y.bin"), atZip);
    EXPECT_EQ(d.ArchiveOffset, 100);
    EXPECT_EQ(d.FoundParts, fpLocalHeader);
}

TEST_F(DetectTest, SpannedSignatureOnAFixedDriveIsMultiVolume) {
    ASSERT_EQ(run(in_dir("zip -q a.zip data.txt")), 0);
    write_all(dir / "s.zip", std::string("PK\7\x08", 4) + read_all(dir / "a.zip"));
    TArcDetect d;
    EXPECT_EQ(d.DetectArcType(dir / "s.zip"), atZipMV);
    EXPECT_NE(d.FoundParts, 0);
}

TEST_F(DetectTest, VolumeNamePartsFollowTheExtension) {
    std::string rar = std::string("Rar!\x1a\x07\0", 7) + std::string(40, 'r');
    struct Case {
        const char* name;
        char letter;
        int number;
    };
    for (const Case& c : {Case{"x.r05", 'r', 6}, Case{"x.rar", 'q', 0}, Case{"x.part1", 'p', 2},
                          Case{"x", 'q', 0}}) {
        SCOPED_TRACE(c.name);
        write_all(dir / c.name, rar);
        TArcDetect d;
        EXPECT_EQ(d.DetectArcType(dir / c.name), atRar);
        EXPECT_EQ(d.VolumeLetter, c.letter);
        EXPECT_EQ(d.VolumeNumber, c.number);
    }
    ASSERT_EQ(run(in_dir("arj a -y a.arj data.txt >/dev/null && cp a.arj a.a02")), 0);
    TArcDetect d;
    EXPECT_EQ(d.DetectArcType(dir / "a.arj"), atArj);
    EXPECT_EQ(d.VolumeLetter, 'a');
    EXPECT_EQ(d.VolumeNumber, 1);
    EXPECT_EQ(d.DetectArcType(dir / "a.a02"), atArj);
    EXPECT_EQ(d.VolumeNumber, 3);
}

TEST(ClassifyArcSignature, TableOfSignaturesInBothModes) {
    struct Case {
        const char* bytes;
        TArcType plain;
        TArcType exe;
    };
    const Case cases[] = {
        {"PKG5", atUnknown, atUnknown},
        {"\x13\x5D\x65\x8C", atMsGZ, atUnsupported},
        {"BH\x05\x07", atBh, atBhExe},
        {"Rar!", atRar, atRarExe},
        {"MSCF", atCab, atUnsupported},
        {"\x13\x00-l", atLha, atLhaExe},
        {"\x1A\x02xx", atArc, atUnsupported},
        {"\x1A\x09xx", atArc, atArcExe},
        {"\x1A\x0Bxx", atPak, atPakExe},
        {"\x1F\x8Bxx", atGZip, atUnsupported},
        {"\x1F\x9Dxx", atGZip, atUnsupported},
        {"HAxx", atHA, atUnsupported},
        {"ZOO ", atZoo, atUnsupported},
        {"\xB7\x92xx", atArcExe, atArcExe},
        {"\x60\xEAxx", atArj, atArjExe},
        {"PKG4", atNA, atNA},
        {"PKCI", atNA, atNA},
        {"PK\x03\x04", atZip, atZipExe},
        {"PL\x03\x04", atZip, atZipExe},
        {"\x7F" "ELF", atNA, atNA},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes);
        std::uint32_t v;
        std::memcpy(&v, c.bytes, 4);
        TArcDetect d;
        EXPECT_EQ(d.ClassifyArcSignature(1, v), c.plain);
        EXPECT_EQ(d.ClassifyArcSignature(0, v), c.exe);
        if (c.plain != c.exe && c.plain != atArcExe) {
            EXPECT_EQ(d.ClassifyArcSignature(5, v), atNA);
        }
    }
    TArcDetect d;
    std::uint32_t arc;
    std::memcpy(&arc, "\xB7\xDF\x54\x57", 4);
    EXPECT_EQ(d.ClassifyArcSignature(0, arc), atArcExe);
    EXPECT_EQ(d.ArchiveOffset, 7716);
}

TEST(TarChecksum, OctalFieldSkipsOtherCharactersAndStopsAtNul) {
    struct Case {
        const char* field;
        std::size_t len;
        std::uint32_t value;
    };
    for (const Case& c : {Case{"0012345\0", 8, 012345}, Case{"012345\0 ", 8, 012345},
                          Case{" 1 2 3  ", 8, 0123}, Case{"778\0" "777", 8, 077}, Case{"", 0, 0}}) {
        EXPECT_EQ(archive::OctalToInt(c.field, c.len), c.value) << c.field;
    }
}

} // namespace
