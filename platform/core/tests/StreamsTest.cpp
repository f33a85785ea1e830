#include "platform/core/Classes.h"
#include "platform/core/StringList.h"

#include <gtest/gtest.h>

#include "TestDir.h"
#include "platform/core/Streams.h"

#include <sys/stat.h>

#include <thread>
#include <unistd.h>

TEST(MemoryStream, ReadWriteSeekSize) {
    TMemoryStream m;
    m.WriteBuffer("hello", 5);
    EXPECT_EQ(m.Size(), 5);
    EXPECT_EQ(m.Position(), 5);
    m.SetPosition(1);
    char buf[8] = {};
    EXPECT_EQ(m.Read(buf, 10), 4);
    EXPECT_STREQ(buf, "ello");
    EXPECT_EQ(m.Read(buf, 1), 0);
    try {
        m.ReadBuffer(buf, 1);
        ADD_FAILURE();
    } catch (const EReadError& e) {
        EXPECT_EQ(e.Message(), "Stream read error");
    }
    EXPECT_EQ(m.Seek(-2, soEnd), 3);
    // writing past the end grows the stream, the gap is zeros
    m.SetPosition(8);
    m.WriteBuffer("!", 1);
    EXPECT_EQ(m.Size(), 9);
    EXPECT_EQ(m.Bytes()[6], 0);
    m.SetSize(2);
    EXPECT_EQ(m.Position(), 2);
    EXPECT_EQ(m.Seek(-1, soBeginning), -1);
    EXPECT_THROW(m.SetSize(std::int64_t(1) << 62), EOutOfMemory);
    EXPECT_EQ(m.Size(), 2);
}

TEST(MemoryStream, CopyFromAndStringStream) {
    TStringStream src("0123456789");
    TMemoryStream dst;
    src.SetPosition(3);
    EXPECT_EQ(dst.CopyFrom(src, 4), 4);
    dst.SetPosition(0);
    char buf[5] = {};
    dst.ReadBuffer(buf, 4);
    EXPECT_STREQ(buf, "3456");
    TMemoryStream all;
    EXPECT_EQ(all.CopyFrom(src, 0), 10);  // 0: the whole source
    EXPECT_EQ(all.Size(), 10);
    src.SetPosition(8);
    EXPECT_THROW(all.CopyFrom(src, 5), EReadError);
}

TEST(FileStream, ModesAndErrors) {
    std::string dir = test_dir();
    std::string path = dir + "stream-test.bin";
    DeleteFile(path);
    try {
        TFileStream f(path, fmOpenRead);
        ADD_FAILURE();
    } catch (const EFOpenError& e) {
        EXPECT_EQ(e.Message().rfind("Cannot open file \"" + path + "\"", 0), 0u) << e.Message();
    }
    {
        TFileStream f(path, fmCreate);
        f.WriteBuffer("abcdef", 6);
        EXPECT_EQ(f.Size(), 6);
    }
    {
        TFileStream f(path, fmOpenReadWrite | fmShareExclusive);
        f.Seek(0, soEnd);
        f.WriteBuffer("g", 1);
        f.SetPosition(2);
        char c;
        f.ReadBuffer(&c, 1);
        EXPECT_EQ(c, 'c');
        f.SetSize(3);
        EXPECT_EQ(f.Size(), 3);
    }
    {
        TFileStream f(path, fmOpenRead | fmShareDenyNone);
        char buf[4] = {};
        EXPECT_EQ(f.Read(buf, 4), 3);
        EXPECT_THROW(f.WriteBuffer("x", 1), EWriteError);
    }
    {
        TFileStream f(path, fmOpenWrite);  // not truncated
        EXPECT_EQ(f.Size(), 3);
    }
    { TFileStream f(path, fmCreate); }  // truncates
    EXPECT_EQ(FileSizeOf(path), 0);
    EXPECT_THROW(TFileStream(dir, fmOpenRead), EFOpenError);          // a folder
    EXPECT_THROW(TFileStream(dir + "no/such/f", fmCreate), EFCreateError);
    // 64-bit positions: a sparse file past 4 GiB
    {
        TFileStream f(path, fmCreate);
        std::int64_t big = (std::int64_t(1) << 32) + 10;
        EXPECT_EQ(f.Seek(big, soBeginning), big);
        f.WriteBuffer("z", 1);
        EXPECT_EQ(f.Size(), big + 1);
    }
    DeleteFile(path);
}

TEST(FileStream, FullDiskIsAWriteError) {
    if (access("/dev/full", W_OK) != 0) GTEST_SKIP();
    TFileStream f("/dev/full", fmOpenWrite);
    try {
        f.WriteBuffer("x", 1);
        ADD_FAILURE();
    } catch (const EWriteError& e) {
        EXPECT_EQ(e.Message(), "Stream write error");
    }
    EXPECT_EQ(f.LastError(), ENOSPC);
}

TEST(MemoryStream, SaveToFileReplacesWhole) {
    std::string path = test_dir() + "mem-save.bin";
    TStringStream s("payload");
    s.SaveToFile(path);
    TMemoryStream back;
    back.LoadFromFile(path);
    EXPECT_EQ(back.Size(), 7);
    EXPECT_THROW(s.SaveToFile(test_dir() + "no/such/dir/f"), EFCreateError);
    DeleteFile(path);
}

// A pipe has no size: a copy of "the whole source" and a load read it to
// its end, however much it holds.
TEST(HandleStream, UnsizedSourcesAreReadToTheirEnd) {
    std::string big(200000, '\0');
    for (std::size_t i = 0; i < big.size(); ++i) big[i] = char('a' + i % 23);
    const std::string texts[] = {"", "abc", "one\r\ntwo\r\n", big};
    enum How { Copy, Load, Lines };
    for (How how : {Copy, Load, Lines}) {
        for (const std::string& text : texts) {
            SCOPED_TRACE(testing::Message() << "how " << how << ", " << text.size() << " bytes");
            int fds[2];
            ASSERT_EQ(::pipe(fds), 0);
            std::thread writer([&] {
                for (std::size_t at = 0; at < text.size();) {
                    ssize_t n = ::write(fds[1], text.data() + at, std::min<std::size_t>(text.size() - at, 7000));
                    if (n <= 0) break;
                    at += std::size_t(n);
                }
                ::close(fds[1]);
            });
            THandleStream in(fds[0]);
            EXPECT_LT(in.Size(), 0);
            if (how == Lines) {
                TStringList lines;
                lines.LoadFromStream(in);
                TStringList expected;
                expected.SetText(text);
                EXPECT_EQ(lines.Text(), expected.Text());
            } else {
                TMemoryStream m;
                if (how == Copy) {
                    EXPECT_EQ(m.CopyFrom(in, 0), std::int64_t(text.size()));
                } else {
                    m.WriteBuffer("old", 3);
                    m.LoadFromStream(in);
                    EXPECT_EQ(m.Position(), 0);
                }
                EXPECT_EQ(std::string(m.Bytes().begin(), m.Bytes().end()), text);
            }
            writer.join();
            ::close(fds[0]);
        }
    }
}
