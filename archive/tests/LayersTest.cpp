// The archive's streams as layers of the core family: stacking the CRC,
// cipher and deflate layers, the file stream's refusals, the deflate layer
// keeping its place in a base that others move, and the span layer splitting
// what passes across disks.

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

namespace {

// Disks of memory under a span layer: each new disk takes DiskSize bytes; the
// disks already full are kept in Disks, and MaxDisks stops the run.
struct MemoryDisks {
    int64_t DiskSize = 0;
    std::size_t MaxDisks = 1000;
    int64_t Room = 0;
    std::vector<std::string> Disks;
    TSpanLayer Layer{Room, [this](TSpanLayer& l) { return Next(l); }};

    bool Next(TSpanLayer& l) {
        Keep(l);
        if (Disks.size() >= MaxDisks) return false;
        l.StartDisk(std::make_unique<TMemoryStream>());
        Room = DiskSize;
        return true;
    }
    void Keep(TSpanLayer& l) {
        if (!l.HasDisk()) return;
        const auto& b = static_cast<TMemoryStream&>(l.Base()).Bytes();
        Disks.emplace_back(b.begin(), b.end());
        l.CloseDisk();
    }
    std::string Joined() const {
        std::string all;
        for (const auto& d : Disks) all += d;
        return all;
    }
};

}  // namespace

TEST(ArchiveLayers, SpanLayerSplitsAtTheDiskSizeAndKeepsEveryByte) {
    struct Case {
        int64_t disk_size;
        std::size_t total;
        std::size_t piece;  // bytes per Write
    };
    const Case cases[] = {
        {1000, 10000, 10000}, {1000, 10001, 7}, {4096, 150000, 61440}, {1, 50, 3}, {65536, 1000, 1000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "disk " << c.disk_size << " total " << c.total << " piece " << c.piece);
        const std::string data = text_bytes(c.total);
        MemoryDisks disks;
        disks.DiskSize = c.disk_size;
        for (std::size_t at = 0; at < data.size(); at += c.piece) {
            const int64_t n = static_cast<int64_t>(std::min(c.piece, data.size() - at));
            EXPECT_EQ(disks.Layer.Write(data.data() + at, n), n);
            EXPECT_EQ(disks.Layer.Position(), disks.Layer.DiskPosition());
            EXPECT_EQ(disks.Layer.DiskPosition() + disks.Room, c.disk_size);
        }
        disks.Keep(disks.Layer);
        EXPECT_EQ(disks.Joined(), data);  // the bytes across disks are the unsplit write
        const std::size_t want_disks = (c.total + c.disk_size - 1) / c.disk_size;
        ASSERT_EQ(disks.Disks.size(), want_disks);
        for (std::size_t i = 0; i + 1 < want_disks; ++i) EXPECT_EQ(disks.Disks[i].size(), std::size_t(c.disk_size));
    }
}

TEST(ArchiveLayers, SpanLayerTakesADiskOnlyWhenItHasBytesToWrite) {
    const std::string data = text_bytes(300);
    MemoryDisks disks;
    disks.DiskSize = 100;
    EXPECT_FALSE(disks.Layer.HasDisk());
    EXPECT_EQ(disks.Layer.Write(data.data(), 0), 0);
    EXPECT_FALSE(disks.Layer.HasDisk());
    EXPECT_EQ(disks.Layer.Write(data.data(), 100), 100);  // fills the first disk exactly
    EXPECT_TRUE(disks.Disks.empty());
    EXPECT_EQ(disks.Layer.DiskPosition(), 100);

    // A record that must stay whole goes onto the next disk.
    ASSERT_TRUE(disks.Layer.EnsureRoom(22));
    EXPECT_EQ(disks.Disks.size(), 1u);
    EXPECT_EQ(disks.Layer.DiskPosition(), 0);
    EXPECT_TRUE(disks.Layer.TryWriteOnThisDisk(data.data(), 22));
    disks.Layer.WriteOnThisDisk(data.data() + 22, 90);  // past the room: no disk change
    EXPECT_EQ(disks.Room, -12);
    EXPECT_EQ(disks.Layer.DiskPosition(), 112);
    EXPECT_EQ(disks.Disks.size(), 1u);
}

TEST(ArchiveLayers, SpanLayerWriteIsShortWhenNoNextDiskComes) {
    const std::string data = text_bytes(1000);
    MemoryDisks disks;
    disks.DiskSize = 300;
    disks.MaxDisks = 2;
    EXPECT_EQ(disks.Layer.Write(data.data(), 1000), 600);
    EXPECT_FALSE(disks.Layer.HasDisk());
    EXPECT_FALSE(disks.Layer.EnsureRoom(1));
    EXPECT_EQ(disks.Joined(), data.substr(0, 600));
}
