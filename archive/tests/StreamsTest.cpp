// CRC routines, the stream family, deflate binding, cipher and the temporary archive.

#include <gtest/gtest.h>
#include <zlib.h>

#include "archive/arcCrc.h"
#include "archive/arcCrypt.h"
#include "archive/arcGbls.h"
#include "archive/arcRegister.h"
#include "archive/arcStreams.h"
#include "TestUtil.h"

using namespace archive;
using namespace archive_test;

namespace {

// Raw deflate of Data through zlib directly, as an independent reference.
std::string zlib_raw(const std::string& data, int level) {
    z_stream z{};
    deflateInit2(&z, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&z, data.size()) + 16, '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

std::string contents(TMemoryStream32& m) {
    return std::string(reinterpret_cast<const char*>(m.Memory()), static_cast<std::size_t>(m.GetSize()));
}

void fill(TMemoryStream32& m, const std::string& s) {
    m.WriteBuffer(s.data(), static_cast<int64_t>(s.size()));
    m.SetPosition(0);
}

}  // namespace

TEST(Crc, KnownCheckValues) {
    uint32_t crc = 0xFFFFFFFFu;
    Crc32Update("123456789", 9, crc);
    EXPECT_EQ(crc ^ 0xFFFFFFFFu, 0xCBF43926u);
    uint32_t crc16 = 0;
    Crc16Update("123456789", 9, crc16);
    EXPECT_EQ(crc16, 0xBB3Du);
    // Running over pieces gives the same value as at once.
    const std::string data = text_bytes(100000);
    uint32_t whole = 0xFFFFFFFFu, parts = 0xFFFFFFFFu;
    Crc32Update(data.data(), data.size(), whole);
    Crc32Update(data.data(), 333, parts);
    Crc32Update(data.data() + 333, data.size() - 333, parts);
    EXPECT_EQ(whole, parts);
}

TEST(Streams, DeflateMatchesZlibAtEveryLevel) {
    const std::string data = text_bytes(300000);
    struct Case {
        TDeflateType type;
        int level;
    } cases[] = {{dtDeflateF, 1}, {dtDeflateN, 6}, {dtDeflateX, 9}};
    for (const auto& c : cases) {
        TMemoryStream32 src, dst;
        fill(src, data);
        src.SetPosition(12345);  // the whole source is taken from its start
        TStreamContext ctx;
        uint32_t crc = 0;
        EXPECT_TRUE(DeflateStream(src, dst, ctx, crc, c.type, {}, -15));
        EXPECT_EQ(contents(dst), zlib_raw(data, c.level)) << c.level;
        EXPECT_EQ(crc, static_cast<uint32_t>(::crc32(0, reinterpret_cast<const Bytef*>(data.data()), data.size())));
    }
}

TEST(Streams, EmptySourceDeflatesToEndBlockWithCrcZero) {
    TMemoryStream32 src, dst;
    TStreamContext ctx;
    uint32_t crc = 123;
    EXPECT_TRUE(DeflateStream(src, dst, ctx, crc, dtDeflateN, {}, -15));
    EXPECT_EQ(crc, 0u);
    EXPECT_EQ(contents(dst), zlib_raw("", 6));
}

TEST(Streams, DeflateHonoursCancelAndBytesLeft) {
    const std::string data = text_bytes(500000);
    TMemoryStream32 src, dst;
    fill(src, data);
    uint8_t cancel = 0;
    double left = static_cast<double>(data.size());
    TStreamContext ctx;
    ctx.CancelFlag = &cancel;
    ctx.BytesLeft = &left;
    uint32_t crc = 0;
    int calls = 0;
    const bool ok = DeflateStream(src, dst, ctx, crc, dtDeflateN,
                                  [&](TStream32& s) {
                                      if (++calls == 2) cancel = 1;
                                      EXPECT_GE(s.GetPosition(), 0);
                                  },
                                  -15);
    EXPECT_FALSE(ok);
    EXPECT_GT(left, 0);
    EXPECT_LT(left, static_cast<double>(data.size()));

    TMemoryStream32 src2, dst2;
    fill(src2, data);
    double left2 = static_cast<double>(data.size());
    TStreamContext ctx2;
    ctx2.BytesLeft = &left2;
    EXPECT_TRUE(DeflateStream(src2, dst2, ctx2, crc, dtDeflateN, {}, -15));
    EXPECT_DOUBLE_EQ(left2, 0);
}

TEST(Streams, StoreCopiesWithCrcAndDestinationErrorsRaise) {
    const std::string data = random_bytes(250000);
    TMemoryStream32 src, dst;
    fill(src, data);
    TStreamContext ctx;
    TStoreStream store(dst, 32, ctx, nullptr, {});
    EXPECT_EQ(store.CopyFromSource(src), static_cast<int64_t>(data.size()));
    EXPECT_EQ(contents(dst), data);
    EXPECT_EQ(store.CRC() ^ 0xFFFFFFFFu,
              static_cast<uint32_t>(::crc32(0, reinterpret_cast<const Bytef*>(data.data()), data.size())));

    // A destination that takes nothing makes the copy raise "Stream write error".
    ScratchDir dir;
    write_file(dir / "ro", "");
    TFileStream32 readonly(dir / "ro", 0);
    ASSERT_GE(readonly.Handle(), 0);
    TMemoryStream32 src2;
    fill(src2, data);
    TStoreStream failing(readonly, 32, ctx, nullptr, {});
    try {
        failing.CopyFromSource(src2);
        FAIL() << "no exception";
    } catch (const EWriteError& e) {
        EXPECT_EQ(e.Message(), "Stream write error");
    }
}

TEST(Streams, CalcCrcPassAndCipherRoundTrip) {
    const std::string data = text_bytes(70000);
    TMemoryStream32 src;
    fill(src, data);
    TStreamContext ctx;
    TCalcStreamCRC pass(src, 0, 32, ctx, nullptr, {});
    EXPECT_EQ(pass.Accumulator() ^ 0xFFFFFFFFu,
              static_cast<uint32_t>(::crc32(0, reinterpret_cast<const Bytef*>(data.data()), data.size())));

    // Encrypting buffer by buffer equals encrypting at once; decrypting restores.
    TZipCipher a, b;
    a.InitKeys("secret");
    b.InitKeys("secret");
    std::string whole = data, pieces = data;
    a.Encrypt(whole.data(), whole.size());
    b.Encrypt(pieces.data(), 1000);
    b.Encrypt(pieces.data() + 1000, pieces.size() - 1000);
    EXPECT_EQ(whole, pieces);
    EXPECT_NE(whole, data);
    TZipCipher d;
    d.InitKeys("secret");
    d.Decrypt(whole.data(), whole.size());
    EXPECT_EQ(whole, data);

    // The encryption header ends with the CRC's high byte and is random otherwise.
    uint8_t h1[12], h2[12];
    TZipCipher c1, c2;
    c1.MakeHeader("pw", 0xA1B2C3D4u, h1);
    c2.MakeHeader("pw", 0xA1B2C3D4u, h2);
    EXPECT_NE(std::string(reinterpret_cast<char*>(h1), 12), std::string(reinterpret_cast<char*>(h2), 12));
    TZipCipher r;
    r.InitKeys("pw");
    r.Decrypt(h1, 12);
    EXPECT_EQ(h1[11], 0xA1);
    EXPECT_EQ(h1[10], 0xB2);
}

TEST(Streams, MemoryStreamAndCopyChunks) {
    TMemoryStream32 m;
    EXPECT_EQ(m.Read(nullptr, 10), 0);
    const std::string data = random_bytes(61441);
    fill(m, data);
    char buf[4];
    m.SetPosition(61440);
    EXPECT_EQ(m.Read(buf, 4), 1);
    m.SetPosition(-1);
    EXPECT_EQ(m.Read(buf, 4), 0);
    m.SetPosition(61441);
    m.SetSize(10);
    EXPECT_EQ(m.GetSize(), 10);
    EXPECT_EQ(m.GetPosition(), 10);

    // Count 0 copies the whole source from its start; reads come in 61,440-byte chunks.
    struct Counting : TMemoryStream32 {
        std::vector<int64_t> reads;
        int64_t Read(void* b, int64_t n) override {
            reads.push_back(n);
            return TMemoryStream32::Read(b, n);
        }
    } src;
    fill(src, data);
    src.SetPosition(500);
    TMemoryStream32 dst;
    EXPECT_EQ(dst.CopyFrom(src, nullptr, 0, {}), 61441);
    EXPECT_EQ(contents(dst), data);
    EXPECT_EQ(src.reads, (std::vector<int64_t>{61440, 1}));
}

TEST(Streams, ReadBufferShortRaises) {
    TMemoryStream32 m;
    fill(m, "abc");
    char buf[8];
    EXPECT_THROW(m.ReadBuffer(buf, 4), EReadError);
    m.SetPosition(0);
    EXPECT_NO_THROW(m.ReadBuffer(buf, 3));
}

TEST(TempArchive, CommitReplacesAndDiscardLeavesTarget) {
    ScratchDir dir;
    const std::string target = dir / "a.zip";
    write_file(target, "old archive");
    {
        TTempFileStream t({}, dir.path(), target, TFileStream32::fmCreate);
        ASSERT_GE(t.Handle(), 0);
        EXPECT_EQ(ExtractFileName(t.TempFileName()).rfind("arc", 0), 0u);
        t.WriteBuffer("new", 3);
        const std::string temp = t.TempFileName();
        t.CopyFlag = 0;
        t.Commit();
        EXPECT_FALSE(exists(temp));
    }
    EXPECT_EQ(read_file(target), "old archive");

    std::string temp;
    {
        TTempFileStream t({}, dir.path(), target, TFileStream32::fmCreate);
        t.WriteBuffer("new", 3);
        temp = t.TempFileName();
        t.Commit();
    }
    EXPECT_EQ(read_file(target), "new");
    EXPECT_FALSE(exists(temp));

    // Built in memory, written beside the target and renamed over it.
    {
        std::vector<std::string> seen;
        TTempArchiveHooks hooks;
        hooks.MoveBegin = [&](TStream32&, const std::string& a, const std::string& t) { seen.push_back(a + "|" + t); };
        hooks.MoveEnd = [&](TStream32&) { seen.push_back("end"); };
        TTempMemStream m(hooks, TFileStream32::fmCreate, target);
        m.WriteBuffer("memory", 6);
        m.Commit();
        EXPECT_EQ(seen, (std::vector<std::string>{target + "|", "end"}));
    }
    EXPECT_EQ(read_file(target), "memory");
    EXPECT_EQ(run("ls -A '" + dir.path() + "'").output, "a.zip\n");
}

TEST(TempArchive, TargetThatCannotBeCreatedRaisesAndLeavesNothing) {
    ScratchDir dir;
    const std::string target = dir / "missing/folder/a.zip";
    std::string temp;
    try {
        TTempFileStream t({}, dir.path(), target, TFileStream32::fmCreate);
        t.WriteBuffer("x", 1);
        temp = t.TempFileName();
        t.Commit();
        FAIL() << "no exception";
    } catch (const EFOpenError& e) {
        EXPECT_EQ(e.Message(), "Error opening file");
    }
    EXPECT_FALSE(exists(temp));
    EXPECT_FALSE(exists(target));
}

TEST(TempArchive, CrossFileSystemCopyGoesThroughASibling) {
    // /dev/shm is a different file system from /tmp on most machines; where it
    // is not, the plain rename path runs and the result is the same.
    if (!DirExists("/dev/shm")) GTEST_SKIP() << "no /dev/shm";
    ScratchDir dir;
    const std::string target = dir / "a.zip";
    const std::string data = random_bytes(300000);
    int progress = 0;
    TTempArchiveHooks hooks;
    hooks.Progress = [&](TStream32&) { ++progress; };
    {
        TTempFileStream t(hooks, "/dev/shm", target, TFileStream32::fmCreate);
        ASSERT_GE(t.Handle(), 0);
        t.WriteBuffer(data.data(), static_cast<int64_t>(data.size()));
        t.Commit();
    }
    EXPECT_EQ(read_file(target), data);
    EXPECT_GT(progress, 0);
    EXPECT_EQ(run("ls -A '" + dir.path() + "'").output, "a.zip\n");
}
