#include "report/print/BRPrnSu.h"
#include "report_support/RSTypes.h"
#include "report_support/Startup.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>

#include "platform/core/SysUtils.h"

using namespace report_support;

namespace {


// The two numbers that end a description ("A4 210 x 297 mm" gives 210 and
// 297; " mm" may be missing); none when it does not end so.
std::optional<std::pair<double, double>> described_size(std::string text) {
    if (text.size() > 3 && text.compare(text.size() - 3, 3, " mm") == 0) text.resize(text.size() - 3);
    const auto x = text.rfind(" x ");
    if (x == std::string::npos) return std::nullopt;
    const auto space = text.rfind(' ', x - 1);
    const std::size_t from = space == std::string::npos ? 0 : space + 1;
    const std::string w = text.substr(from, x - from);
    const std::string h = text.substr(x + 3);
    auto number = [](const std::string& t) -> std::optional<double> {
        if (t.empty() || t.find_first_not_of("0123456789.") != std::string::npos || t.front() == '.' || t.back() == '.')
            return std::nullopt;
        return std::strtod(t.c_str(), nullptr);
    };
    const auto wv = number(w), hv = number(h);
    if (!wv || !hv) return std::nullopt;
    return std::make_pair(*wv, *hv);
}

class PaperTableTest : public ::testing::Test {
protected:
    void SetUp() override { unit_startup(); }
    void TearDown() override { unit_shutdown(); }
};

}  // namespace

TEST_F(PaperTableTest, EntriesAfterStartUp) {
    struct Case {
        int index;
        const char* description;
        double width, height;
        int code;
        bool emulated;
    } cases[] = {
        {4, "A4 210 x 297 mm", 210, 297, 9, false},
        {0, "A0 841 x 1189 mm", 841, 1189, 0, true},
        {UserDefinedPaper, "User Defined", 0, 0, 256, false},
        {83, "Letter 215.9 x 279.4 mm", 215.9, 279.4, 1, false},
        {55, "B6 (JIS) 128 x 182 mm", 128, 182, 88, false},
        {52, "B4 (JIS) 250 x 354", 250, 354, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.description);
        const TRSPaperInfo& p = RSPaperTable()[c.index];
        EXPECT_EQ(p.Description, c.description);
        EXPECT_EQ(p.WidthMM, c.width);
        EXPECT_EQ(p.HeightMM, c.height);
        EXPECT_EQ(p.WindowsPaperCode, c.code);
        EXPECT_EQ(p.Emulated, c.emulated);
    }
    // Emulated exactly when there is no code.
    for (int i = 0; i < PaperCount; ++i)
        EXPECT_EQ(RSPaperTable()[i].Emulated, RSPaperTable()[i].WindowsPaperCode == 0) << "entry " << i;
}

TEST(PaperTable, EmptyBeforeStartUpAndAfterShutDown) {
    auto empty = [] {
        for (const TRSPaperInfo& p : RSPaperTable())
            if (!p.Description.empty() || p.WidthMM != 0 || p.HeightMM != 0 || p.WindowsPaperCode != 0 || p.Emulated)
                return false;
        return true;
    };
    EXPECT_TRUE(empty());
    unit_startup();
    EXPECT_FALSE(empty());
    unit_shutdown();
    EXPECT_TRUE(empty());
}

// Every description but "User Defined" ends with "W x H" (and " mm" but for
// one), and those are the entry's numbers.
TEST_F(PaperTableTest, EveryDescriptionNamesItsOwnSize) {
    for (int i = 0; i < PaperCount; ++i) {
        const TRSPaperInfo& p = RSPaperTable()[i];
        SCOPED_TRACE("entry " + std::to_string(i) + ": " + p.Description);
        const auto size = described_size(p.Description);
        if (i == UserDefinedPaper) {
            EXPECT_FALSE(size);
            EXPECT_EQ(p.WidthMM, 0);
            EXPECT_EQ(p.HeightMM, 0);
            continue;
        }
        ASSERT_TRUE(size);
        EXPECT_EQ(size->first, p.WidthMM);
        EXPECT_EQ(size->second, p.HeightMM);
        EXPECT_GT(p.WidthMM, 0);
        EXPECT_GT(p.HeightMM, 0);
    }
}

// A printer paper code names one paper: no two entries share one.
TEST_F(PaperTableTest, NoTwoEntriesShareAPaperCode) {
    std::map<int, int> seen;
    for (int i = 0; i < PaperCount; ++i) {
        const int code = RSPaperTable()[i].WindowsPaperCode;
        if (code == 0) continue;
        auto [it, fresh] = seen.emplace(code, i);
        EXPECT_TRUE(fresh) << "code " << code << " at entries " << it->second << " and " << i;
    }
}

// An entry with a printer paper code is the paper the report engine knows by
// that code. Sizes given in inches are rounded differently by the two tables
// (to whole or tenth millimetres, or to hundredths), always by less than a
// millimetre. A transverse paper is the same sheet turned: the engine gives
// it wider than high, this table as the sheet stands.
TEST_F(PaperTableTest, CodedEntriesAgreeWithTheReportEnginesPapers) {
    // The engine's papers by printer paper code (Letter to A3ExtraTrans).
    std::map<int, const report::PaperRow*> engine;
    for (const report::PaperRow& e : report::PaperRows)
        if (report::HasPaperDimension(e.Size)) engine[e.Code] = &e;
    int compared = 0;
    for (int i = 0; i < PaperCount; ++i) {
        const TRSPaperInfo& p = RSPaperTable()[i];
        auto it = engine.find(p.WindowsPaperCode);
        if (it == engine.end()) continue;
        const report::PaperRow& e = *it->second;
        SCOPED_TRACE("entry " + std::to_string(i) + " \"" + p.Description + "\", code " +
                     std::to_string(p.WindowsPaperCode) + " (" + std::string(e.Ident) + ")");
        double w = e.Width, h = e.Height;
        if (p.Description.find("Transverse") != std::string::npos) {
            w = std::min(e.Width, e.Height);
            h = std::max(e.Width, e.Height);
        }
        EXPECT_LT(std::fabs(p.WidthMM - w), 1.0);
        EXPECT_LT(std::fabs(p.HeightMM - h), 1.0);
        ++compared;
    }
    EXPECT_GT(compared, 0);
}

TEST(PaperTable, EntryFunctionsRefuseIndexesOutsideTheTable) {
    for (int index : {-1, PaperCount}) {
        EXPECT_THROW(SetPaperEntry(index, "X 1 x 1 mm", 1, 1), ERangeError) << index;
        EXPECT_THROW(SetPaperCode(index, 9), ERangeError) << index;
    }
}
