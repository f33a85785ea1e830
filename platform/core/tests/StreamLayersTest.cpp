// Stream layers: stacking, owning against borrowing, pass-through and seek
// rules, positional reads, non-raising opens and the full-disk write.

#include "platform/core/Streams.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cerrno>

#include "TestDir.h"

namespace {

// Upper-cases what is written through it and counts the calls.
class UpperLayer : public TStreamLayer {
public:
    using TStreamLayer::TStreamLayer;
    std::int64_t Write(const void* buffer, std::int64_t count) override {
        ++writes;
        std::string s(static_cast<const char*>(buffer), std::size_t(count));
        for (char& c : s) c = char(std::toupper(static_cast<unsigned char>(c)));
        return Base().Write(s.data(), count);
    }
    int writes = 0;
};

// Adds one to each byte read through it.
class PlusOneLayer : public TStreamLayer {
public:
    using TStreamLayer::TStreamLayer;
    std::int64_t Read(void* buffer, std::int64_t count) override {
        const std::int64_t n = Base().Read(buffer, count);
        for (std::int64_t i = 0; i < n; ++i) ++static_cast<char*>(buffer)[i];
        return n;
    }
};

// Tells when it is freed.
class Watched : public TStringStream {
public:
    explicit Watched(bool& freed) : freed_(freed) {}
    ~Watched() override { freed_ = true; }

private:
    bool& freed_;
};

}  // namespace

TEST(StreamLayers, StackedLayersApplyInOrder) {
    TStringStream base;
    UpperLayer upper(base);
    TStreamLayer plain(upper);  // a layer that adds nothing
    plain.WriteBuffer("abc", 3);
    plain.WriteBuffer("de", 2);
    EXPECT_EQ(base.DataString(), "ABCDE");
    EXPECT_EQ(upper.writes, 2);

    // Reading back through a read layer over the same base.
    base.SetPosition(0);
    PlusOneLayer plus(base);
    char buf[5];
    plus.ReadBuffer(buf, 5);
    EXPECT_EQ(std::string(buf, 5), "BCDEF");
    EXPECT_THROW(plus.ReadBuffer(buf, 1), EReadError);
}

TEST(StreamLayers, OwningFreesTheBaseAndBorrowingLeavesIt) {
    struct Case {
        bool owns;
    };
    for (const Case c : {Case{true}, Case{false}}) {
        bool freed = false;
        auto base = std::make_unique<Watched>(freed);
        Watched* raw = base.get();
        {
            std::unique_ptr<TStreamLayer> layer = c.owns ? std::make_unique<TStreamLayer>(std::move(base))
                                                         : std::make_unique<TStreamLayer>(*raw);
            EXPECT_EQ(layer->OwnsBase(), c.owns);
            EXPECT_EQ(&layer->Base(), raw);
            layer->WriteBuffer("x", 1);
        }
        EXPECT_EQ(freed, c.owns);
        if (!c.owns) {
            EXPECT_EQ(raw->DataString(), "x");  // still there, with what the layer wrote
            base.reset();
            EXPECT_TRUE(freed);
        }
    }
    // A layer can own a stack: freeing the top frees every layer and the base.
    bool freed = false;
    {
        auto bottom = std::make_unique<UpperLayer>(std::make_unique<Watched>(freed));
        TStreamLayer top(std::move(bottom));
        top.WriteBuffer("q", 1);
        EXPECT_EQ(static_cast<Watched&>(static_cast<TStreamLayer&>(top.Base()).Base()).DataString(), "Q");
    }
    EXPECT_TRUE(freed);
}

TEST(StreamLayers, SeeksSizesAndErrorsPassThrough) {
    TStringStream base("0123456789");
    TStreamLayer layer(base);
    struct Case {
        std::int64_t offset;
        TSeekOrigin origin;
        std::int64_t position;  // -1: refused, the position stays
    };
    const Case cases[] = {
        {3, soBeginning, 3}, {2, soCurrent, 5}, {-1, soEnd, 9}, {-20, soCurrent, -1}, {0, soCurrent, 9},
        {4, soEnd, 14},  // past the end is allowed, as on the base
    };
    for (const Case& c : cases) {
        const std::int64_t before = base.Position();
        EXPECT_EQ(layer.Seek(c.offset, c.origin), c.position) << c.offset;
        EXPECT_EQ(base.Position(), c.position < 0 ? before : c.position) << c.offset;
    }
    EXPECT_EQ(layer.Size(), 10);
    layer.SetSize(4);
    EXPECT_EQ(base.DataString(), "0123");
    EXPECT_EQ(layer.LastError(), 0);
    EXPECT_EQ(layer.Position(), 4);
}

TEST(StreamLayers, FullDiskIsToldApartByWriteAll) {
    if (access("/dev/full", W_OK) != 0) GTEST_SKIP();
    TFileStream f("/dev/full", fmOpenWrite);
    TStreamLayer layer(f);
    try {
        core::write_all(layer, "x", 1);
        ADD_FAILURE();
    } catch (const EWriteError& e) {
        EXPECT_EQ(e.Message(), "Disk full");
    }
    EXPECT_EQ(layer.LastError(), ENOSPC);
    // Any other failure keeps the usual text.
    TStringStream ok;
    core::write_all(ok, "abc", 3);
    EXPECT_EQ(ok.DataString(), "abc");
    TFileStream ro(test_dir() + "layers-ro", fmCreate);
    TFileStream reader(test_dir() + "layers-ro", fmOpenRead);
    try {
        core::write_all(reader, "x", 1);
        ADD_FAILURE();
    } catch (const EWriteError& e) {
        EXPECT_EQ(e.Message(), "Stream write error");
    }
}

TEST(StreamLayers, TryOpenAndReadAt) {
    const std::string path = test_dir() + "layers-try";
    int err = -1;
    EXPECT_EQ(TFileStream::TryOpen(test_dir() + "missing/none", fmOpenRead, &err), nullptr);
    EXPECT_EQ(err, ENOENT);
    EXPECT_EQ(TFileStream::TryOpen(test_dir(), fmOpenRead, &err), nullptr);
    EXPECT_EQ(err, EISDIR);
    if (access("/dev/null", R_OK) == 0) {
        EXPECT_NE(TFileStream::TryOpen("/dev/null", fmOpenRead), nullptr);
        EXPECT_EQ(TFileStream::TryOpen("/dev/null", fmOpenRead, &err, true), nullptr);
        EXPECT_EQ(err, EINVAL);
    }
    {
        auto f = TFileStream::TryOpen(path, fmCreate, &err);
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(err, 0);
        f->WriteBuffer("hello world", 11);
        EXPECT_TRUE(f->Flush());
    }
    auto f = TFileStream::TryOpen(path, fmOpenRead);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->FileName(), path);
    f->SetPosition(2);
    char buf[16] = {};
    EXPECT_EQ(f->ReadAt(6, buf, 10), 5);  // up to the end
    EXPECT_EQ(std::string(buf, 5), "world");
    EXPECT_EQ(f->Position(), 2);  // not moved
    EXPECT_EQ(f->ReadAt(20, buf, 4), 0);
}
