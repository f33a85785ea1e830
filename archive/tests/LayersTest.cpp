// The archive's streams as layers of the core family: stacking the CRC,
// cipher and deflate layers, the file stream's refusals, and the deflate
// layer keeping its place in a base that others move.

#include <gtest/gtest.h>
#include <zlib.h>

#include "archive/arcCrc.h"
#include "archive/arcCrypt.h"
#include "archive/arcStreams.h"
#include "TestUtil.h"

using namespace archive;
using namespace archive_test;

namespace {

uint32_t zlib_crc(const std::string& s) {
    return static_cast<uint32_t>(::crc32(0, reinterpret_cast<const Bytef*>(s.data()), s.size()));
}

std::string bytes_of(TMemoryStream32& m) {
    return std::string(reinterpret_cast<const char*>(m.Memory()), static_cast<std::size_t>(m.GetSize()));
}

}  // namespace

TEST(ArchiveLayers, CrcOverCipherOverMemory) {
    const std::string data = text_bytes(150000);
    TMemoryStream32 dest;
    TZipCipher cipher;
    cipher.InitKeys("pw");
    TCipherLayer encrypt(dest, cipher);
    TCrcLayer crc(encrypt, 32, 0xFFFFFFFFu);
    crc.WriteBuffer(data.data(), 1000);
    crc.WriteBuffer(data.data() + 1000, static_cast<int64_t>(data.size()) - 1000);
    EXPECT_EQ(crc.CRC() ^ 0xFFFFFFFFu, zlib_crc(data));  // of the plain bytes
    std::string stored = bytes_of(dest);
    EXPECT_NE(stored, data);
    TZipCipher back;
    back.InitKeys("pw");
    back.Decrypt(stored.data(), stored.size());
    EXPECT_EQ(stored, data);

    // Reading through a CRC layer checks what comes out of the base.
    dest.SetPosition(0);
    TCrcLayer reader(dest, 16, 0);
    std::string again(static_cast<std::size_t>(dest.GetSize()), '\0');
    reader.ReadBuffer(again.data(), static_cast<int64_t>(again.size()));
    EXPECT_EQ(again, bytes_of(dest));
    uint32_t crc16 = 0;
    Crc16Update(again.data(), again.size(), crc16);
    EXPECT_EQ(reader.CRC(), crc16);
    TCrcLayer sink(16, 0);  // a CRC layer without a base keeps only the CRC
    sink.WriteBuffer(again.data(), static_cast<int64_t>(again.size()));
    EXPECT_EQ(sink.CRC(), crc16);
}

TEST(ArchiveLayers, DeflateLayerKeepsItsPlaceAndCountsInput) {
    const std::string data = text_bytes(400000);
    TMemoryStream32 dest;
    dest.WriteBuffer("HEAD", 4);
    TStreamContext ctx;
    TDeflateLayer deflate(dest, dtDeflateN, -15, ctx);
    deflate.WriteBuffer(data.data(), 200000);
    dest.SetPosition(0);  // someone else moves the base
    deflate.WriteBuffer(data.data() + 200000, 200000);
    EXPECT_EQ(deflate.GetPosition(), 400000);  // the bytes taken in
    EXPECT_EQ(deflate.Seek(0, soFromBeginning), -1);
    deflate.Finish();
    const std::string all = bytes_of(dest);
    ASSERT_GE(all.size(), 4u);
    EXPECT_EQ(all.substr(0, 4), "HEAD");
    // The same bytes as deflating the whole source in one go, unmoved.
    TMemoryStream32 source, whole;
    source.WriteBuffer(data.data(), static_cast<int64_t>(data.size()));
    uint32_t crc = 0;
    ASSERT_TRUE(DeflateStream(source, whole, ctx, crc, dtDeflateN, {}, -15));
    EXPECT_EQ(all.substr(4), bytes_of(whole));
    EXPECT_EQ(crc, zlib_crc(data));
}

TEST(ArchiveLayers, FileStreamsOpenOnlyWhatTheyShould) {
    ScratchDir dir;
    write_file(dir / "f", "content");
    struct Case {
        std::string path;
        uint16_t mode;
        bool opens;
    };
    const Case cases[] = {
        {dir / "f", 0, true},
        {dir / "f", 2, true},
        {dir / "missing", 0, false},
        {dir.path(), 0, false},      // a folder
        {"/dev/null", 0, false},     // not a regular file
        {dir / "new", TFileStream32::fmCreate, true},
        {"", 0, false},
    };
    for (const Case& c : cases) {
        TFileStream32 f(c.path, c.mode);
        EXPECT_EQ(f.Handle() >= 0, c.opens) << c.path;
        EXPECT_EQ(f.FileName(), c.path);
        EXPECT_TRUE(f.OwnsBase());
        if (!c.opens) {
            char b;
            EXPECT_EQ(f.GetSize(), 0) << c.path;
            EXPECT_EQ(f.Read(&b, 1), 0) << c.path;
            EXPECT_EQ(f.Seek(0, soFromEnd), -1) << c.path;
            EXPECT_FALSE(f.Flush());
        }
    }
    TFileStream32 f(dir / "f", 0);
    EXPECT_EQ(f.GetSize(), 7);
    EXPECT_EQ(f.Seek(-3, soFromEnd), 4);
    // The archive's origins are core's.
    EXPECT_EQ(soFromBeginning, soBeginning);
    EXPECT_EQ(soFromCurrent, soCurrent);
    EXPECT_EQ(soFromEnd, soEnd);
}
