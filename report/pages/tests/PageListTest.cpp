// The page list over its page stream: append, walk, read, store and load.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "platform/core/ByteOrder.h"
#include "platform/graphics/tests/FixedFontEngine.h"
#include "report/pages/BRPageStream.h"
#include "tests/support/TestSupport.h"

using core::get_le32;
using test_support::ScratchDir;

namespace {

using PageList = test_support::FixedFontTest;

// Page n: some lines, shapes and text that differ from page to page.
std::unique_ptr<TMetafile> make_page(int n) {
    auto page = std::make_unique<TMetafile>();
    page->SetWidth(794);
    page->SetHeight(1123);
    TMetafileCanvas c(*page);
    for (int i = 0; i < n * 3; ++i) {
        c.MoveTo(10, 20 + i * 7);
        c.LineTo(700, 20 + i * 7);
        c.TextOut(20, 40 + i * 15, "Page " + std::to_string(n) + " line " + std::to_string(i));
    }
    c.Brush.Color = TColor(n * 0x101010);
    c.Rectangle(100, 100, 100 + n * 10, 200);
    return page;
}

std::vector<uint8_t> stream_bytes(TBRStream& s) {
    TMemoryStream m;
    s.CopyToStream(m);
    return m.Bytes();
}

// A page list over a new stream with pages 1..count appended and the header finished.
void fill(TBRPageList& list, int count, bool compressed, int32_t limit = 1 << 24) {
    list.SetPageStream(std::make_unique<TBRStream>(limit));
    list.SetCompression(compressed);
    for (int n = 1; n <= count; ++n) list.AppendPage(*make_page(n));
    list.FinishPageStreamHeader();
}

void expect_pages(TBRPageList& list, const std::vector<int>& order) {
    for (int n : order) {
        auto page = list.ReadPage(n);
        ASSERT_TRUE(page) << n;
        EXPECT_EQ(page->Bytes(), make_page(n)->Bytes()) << n;
    }
}

void write_bytes(const std::string& path, const std::vector<uint8_t>& b) {
    test_support::write_file(path, std::string(b.begin(), b.end()));
}

std::vector<uint8_t> file_bytes(const std::string& path) {
    std::string s = test_support::read_file(path);
    return std::vector<uint8_t>(s.begin(), s.end());
}

// The same stream with the older 124-byte header: fields moved and every
// offset 4 less.
std::vector<uint8_t> to_legacy(const std::vector<uint8_t>& b) {
    std::vector<uint8_t> out(124, 0);
    std::memcpy(&out[0], &b[0], 5);
    std::memcpy(&out[8], &b[8], 4);
    std::memcpy(&out[12], &b[16], 8);
    out[20] = b[24];
    out[21] = b[25];
    uint32_t count = get_le32(&b[8]);
    size_t at = 128;
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t next = get_le32(&b[at + 4]);
        size_t base = out.size();
        out.insert(out.end(), b.begin() + long(at), b.begin() + long(next));
        core::put_le32(&out[base + 4], next - 4);
        core::put_le32(&out[out.size() - 4], uint32_t(at - 4));
        at = next;
    }
    return out;
}

}  // namespace

TEST_F(PageList, PagesReadBackInAnyOrderWithAndWithoutCodingAndSpilling) {
    for (bool compressed : {false, true})
        for (int32_t limit : {1 << 24, 0, 3000}) {
            SCOPED_TRACE(std::to_string(compressed) + " limit " + std::to_string(limit));
            TBRPageList list;
            fill(list, 6, compressed, limit);
            EXPECT_EQ(list.PageCount(), 6);
            EXPECT_EQ(list.PageStream()->InMemory(), limit == 1 << 24);
            std::string spill = list.PageStream()->SpillFileName();
            EXPECT_EQ(spill.empty(), limit == 1 << 24);
            if (!spill.empty()) {
                EXPECT_NE(spill.find("/BRP"), std::string::npos);
            }
            // Straight after appending the position is at the end: the walk starts from the last page.
            expect_pages(list, {6, 1, 2, 3, 5, 4, 4, 1, 6, 3});
            int64_t at = list.PageStream()->Position();
            EXPECT_EQ(list.ReadPage(7), nullptr);
            EXPECT_EQ(list.ReadPage(0), nullptr);
            EXPECT_EQ(list.PageStream()->Position(), at);
            auto bytes = stream_bytes(*list.PageStream());
            EXPECT_EQ(list.PageStream()->Position(), int64_t(bytes.size()));
            EXPECT_EQ(core::get_le16(&bytes[0]), 3);
            EXPECT_EQ(core::get_le16(&bytes[2]), 40);
            EXPECT_EQ(get_le32(&bytes[8]), 6u);
            EXPECT_EQ(bytes[25], compressed ? 1 : 0);
            EXPECT_EQ(get_le32(&bytes[128]), 1u);
            uint32_t last = get_le32(&bytes[bytes.size() - 4]);
            EXPECT_EQ(get_le32(&bytes[last]), 6u);
            // Stored to a file, from memory or from the spill file alike.
            ScratchDir dir("brp");
            list.SaveStoredPages(dir / "saved.brp");
            EXPECT_EQ(file_bytes(dir / "saved.brp"), bytes);
            list.SetPageStream(nullptr);
            if (!spill.empty()) {
                EXPECT_FALSE(std::filesystem::exists(spill));
            }
        }
}

TEST_F(PageList, CodedPagesAreSmallerAndCodedPerPage) {
    TBRPageList plain, coded;
    fill(plain, 3, false);
    fill(coded, 3, true);
    auto p = stream_bytes(*plain.PageStream()), c = stream_bytes(*coded.PageStream());
    EXPECT_LT(c.size() * 2, p.size());
    // The second record's payload: plain size, then the page coded from a fresh tree.
    uint32_t second = get_le32(&c[132]);
    uint32_t end = get_le32(&c[second + 4]);
    auto page = make_page(2)->Bytes();
    EXPECT_EQ(get_le32(&c[second + 8]), page.size());
    auto code = TBRCompress::Encode(page);
    EXPECT_EQ(std::vector<uint8_t>(c.begin() + second + 12, c.begin() + end - 4), code);
}

TEST_F(PageList, StoredStreamsOpenWithTheirOwnCodingAndLayout) {
    ScratchDir dir("brp");
    for (bool compressed : {false, true}) {
        TBRPageList list;
        fill(list, 4, compressed);
        std::string file = dir / "run.brp";
        list.SaveStoredPages(file);
        auto bytes = file_bytes(file);
        write_bytes(dir / "legacy.brp", to_legacy(bytes));
        for (const char* name : {"run.brp", "legacy.brp"}) {
            SCOPED_TRACE(std::string(name) + (compressed ? " coded" : " plain"));
            TBRPageList back;
            back.SetCompression(!compressed);  // the header decides
            back.OpenStoredPages(dir / name);
            EXPECT_EQ(back.PageCount(), 4);
            EXPECT_EQ(back.Compression(), compressed);
            EXPECT_EQ(back.HeaderSize(), std::string(name) == "run.brp" ? 128 : 124);
            EXPECT_EQ(back.PageStream()->Position(), back.PageStream()->Size());
            expect_pages(back, {3, 4, 1, 2});
        }
        EXPECT_TRUE(std::filesystem::exists(file));  // the file outlives the stream
    }
}

TEST_F(PageList, AStreamWithoutPagesCanBeStoredAndReopened) {
    ScratchDir dir("brp");
    TBRPageList list;
    fill(list, 0, false);
    EXPECT_EQ(list.PageStream()->Size(), 128);
    list.SaveStoredPages(dir / "empty.brp");
    TBRPageList back;
    back.OpenStoredPages(dir / "empty.brp");
    EXPECT_EQ(back.PageCount(), 0);
    EXPECT_EQ(back.ReadPage(1), nullptr);
}

TEST_F(PageList, SavingOverItsOwnFileKeepsThePages) {
    ScratchDir dir("brp");
    TBRPageList list;
    fill(list, 3, true);
    list.SaveStoredPages(dir / "a.brp");
    TBRPageList back;
    back.OpenStoredPages(dir / "a.brp");
    back.SaveStoredPages(dir / "a.brp");
    expect_pages(back, {1, 2, 3});
    TBRPageList again;
    again.OpenStoredPages(dir / "a.brp");
    expect_pages(again, {3, 2, 1});
    // No temporary file is left beside it.
    int files = 0;
    for (auto& e : std::filesystem::directory_iterator(dir.path())) files += e.is_regular_file();
    EXPECT_EQ(files, 1);
    // A target that cannot be written leaves nothing and raises.
    EXPECT_THROW(back.SaveStoredPages(dir / "missing/a.brp"), EStreamError);
}

TEST_F(PageList, DamagedStreamsRaiseAndTheOpenPagesStay) {
    ScratchDir dir("brp");
    TBRPageList list;
    fill(list, 3, false);
    list.SaveStoredPages(dir / "good.brp");
    TBRPageList coded;
    fill(coded, 3, true);
    const auto good = file_bytes(dir / "good.brp");
    const auto goodCoded = stream_bytes(*coded.PageStream());
    auto set32 = [](std::vector<uint8_t> b, size_t at, uint32_t v) {
        core::put_le32(&b[at], v);
        return b;
    };
    uint32_t second = get_le32(&good[132]), third = get_le32(&good[second + 4]);
    uint32_t secondCoded = get_le32(&goodCoded[132]);
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
    } cases[] = {
        {"shorter than a header", std::vector<uint8_t>(good.begin(), good.begin() + 100)},
        {"cut in the last page", std::vector<uint8_t>(good.begin(), good.end() - 9)},
        {"huge page count", set32(good, 8, 0x7FFFFFFF)},
        {"negative page count", set32(good, 8, 0xFFFFFFFF)},
        {"last start out of range", set32(good, good.size() - 4, 0x7FFFFFF0)},
        {"last start before the header", set32(good, good.size() - 4, 4)},
        {"a link onto itself", set32(good, second + 4, second)},
        {"a back link onto itself", set32(good, third - 4, third)},
        {"ordinals out of order", set32(good, second, 3)},
        {"payload longer than its page", set32(good, second + 8 + 48, 0x10000)},
        {"plain size past the code", set32(goodCoded, secondCoded + 8, 0x7FFFFFFF)},
        {"code cut short", set32(goodCoded, secondCoded + 8, get_le32(&goodCoded[secondCoded + 8]) + 4096)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string file = dir / "bad.brp";
        write_bytes(file, c.bytes);
        TBRPageList open;
        fill(open, 2, false);
        bool opened = false;
        try {
            open.OpenStoredPages(file);
            opened = true;
        } catch (const EStreamError&) {
        } catch (const EInvalidGraphic&) {
        }
        if (!opened) {
            // The list keeps the pages it had.
            EXPECT_EQ(open.PageCount(), 2);
            expect_pages(open, {1, 2});
            continue;
        }
        // The last page was fine: the damage shows when the pages are read.
        bool failed = false;
        for (int n : {1, 2, 3, 1}) {
            try {
                open.ReadPage(n);
            } catch (const EStreamError&) {
                failed = true;
            } catch (const EInvalidGraphic&) {
                failed = true;
            }
        }
        EXPECT_TRUE(failed);
    }
}

TEST_F(PageList, AppendsThatCannotFitTheFormatOrTheStreamAreTakenBack) {
    ScratchDir dir("brp");
    TBRPageList list;
    fill(list, 1, false, 0);
    TBRStream& s = *list.PageStream();
    // A sparse file just below 2 GiB: one more page would need offsets past int32.
    s.SetSize(0x7FFFFF00);
    EXPECT_THROW(list.AppendPage(*make_page(2)), EWriteError);
    EXPECT_EQ(list.PageCount(), 1);
    EXPECT_EQ(s.Size(), 0x7FFFFF00);
    // A stream opened on a file is read-only: the append fails and the file stays whole.
    TBRPageList stored;
    fill(stored, 2, false);
    stored.SaveStoredPages(dir / "ro.brp");
    auto before = file_bytes(dir / "ro.brp");
    TBRPageList back;
    back.OpenStoredPages(dir / "ro.brp");
    EXPECT_THROW(back.AppendPage(*make_page(3)), EStreamError);
    EXPECT_EQ(back.PageCount(), 2);
    expect_pages(back, {2, 1});
    EXPECT_EQ(file_bytes(dir / "ro.brp"), before);
}

TEST_F(PageList, OutlineTreeFollowsEntryLevels) {
    struct Nodes : TBROutlineNodes {
        std::vector<std::pair<int, std::string>> added;
        void Clear() override { added.clear(); }
        int AddChild(int parent, const std::string& caption) override {
            added.emplace_back(parent, caption);
            return int(added.size());
        }
    } nodes;
    TBROutline outline;
    auto add = [&](const char* caption, int level, int page) {
        outline.Entries().push_back(TBROutlineEntry{caption, level, TRect{1, 2, 3, 4}, page, page * 10});
    };
    add("A", 1, 1);
    add("A.1", 2, 2);
    add("A.1.a", 3, 3);
    add("orphan", 5, 4);
    add("B", 1, 5);
    outline.SetOutlineTreeNodes(&nodes);
    std::vector<std::pair<int, std::string>> want = {{0, "A"}, {1, "A.1"}, {2, "A.1.a"}, {0, "orphan"}, {0, "B"}};
    EXPECT_EQ(nodes.added, want);
    TRect area;
    int page = -1;
    outline.FindOutlineEntry(30, area, page);
    EXPECT_EQ(page, 3);
    EXPECT_EQ(area, (TRect{1, 2, 3, 4}));
    outline.FindOutlineEntry(99, area, page);
    EXPECT_EQ(page, 0);
    EXPECT_EQ(area, TRect{});
}
