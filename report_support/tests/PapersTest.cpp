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

// The report engine's paper sizes by printer paper code (ordinals 1 to 68 of
// its paper size type, whose code is the ordinal), typed from the engine's
// paper dimension table until the report engine lands with that table.
struct EnginePaper {
    int code;
    const char* name;
    double width_mm;
    double height_mm;
};
constexpr EnginePaper kEnginePapers[] = {
    {1, "Letter", 215.9, 279.4},         {2, "LetterSmall", 215.9, 279.4},     {3, "Tabloid", 279.4, 431.8},
    {4, "Ledger", 431.8, 279.4},         {5, "Legal", 215.9, 355.6},           {6, "Statement", 139.7, 215.9},
    {7, "Executive", 190.5, 254},        {8, "A3", 297, 420},                  {9, "A4", 210, 297},
    {10, "A4Small", 210, 297},           {11, "A5", 148, 210},                 {12, "B4", 250, 354},
    {13, "B5", 182, 257},                {14, "Folio", 215.9, 330.2},          {15, "Quarto", 215, 275},
    {16, "br10X14", 254, 355.6},         {17, "br11X17", 279.4, 431.8},        {18, "Note", 215.9, 279.4},
    {19, "Env9", 98.43, 225.4},          {20, "Env10", 104.8, 241.3},          {21, "Env11", 114.3, 263.5},
    {22, "Env12", 120.7, 279.4},         {23, "Env14", 127, 292.1},            {24, "CSheet", 431.8, 558.8},
    {25, "DSheet", 558.8, 863.6},        {26, "ESheet", 863.6, 1117.6},        {27, "EnvDL", 110, 220},
    {28, "EnvC5", 162, 229},             {29, "EnvC3", 324, 458},              {30, "EnvC4", 229, 324},
    {31, "EnvC6", 114, 162},             {32, "EnvC65", 114, 229},             {33, "EnvB4", 250, 353},
    {34, "EnvB5", 176, 250},             {35, "EnvB6", 176, 125},              {36, "EnvItaly", 110, 230},
    {37, "EnvMonarch", 98.43, 190.5},    {38, "EnvPersonal", 92.01, 165.1},    {39, "FanfoldUSStd", 377.8, 279.4},
    {40, "FanfoldGerStd", 215.9, 304.8}, {41, "FanfoldGerLegal", 215.9, 330.2}, {42, "B4ISO", 250, 353},
    {43, "PostcardJap", 100, 148},       {44, "br9X11", 228.6, 279.4},         {45, "br10X11", 254, 279.4},
    {46, "br15X11", 381, 279.4},         {47, "EnvInvite", 220, 220},          {48, "Reserved1", 100, 100},
    {49, "Reserved2", 100, 100},         {50, "LetterExtra", 241.3, 304.8},    {51, "LegalExtra", 241.3, 381},
    {52, "TabloidExtra", 296.9, 457.2},  {53, "A4Extra", 236, 322},            {54, "LetterTrans", 279.4, 215.9},
    {55, "A4Trans", 297, 210},           {56, "LetterExtraTrans", 304.8, 241.3}, {57, "SuperASuperAA4", 227, 356},
    {58, "SuperBSuperBA3", 305, 487},    {59, "LetterPlus", 215.9, 322.3},     {60, "A4Plus", 210, 330},
    {61, "A5Trans", 210, 148},           {62, "B5Trans", 257, 182},            {63, "A3Extra", 322, 445},
    {64, "A5Extra", 174, 235},           {65, "B5Extra", 201, 276},            {66, "A2", 420, 594},
    {67, "A3Trans", 420, 297},           {68, "A3ExtraTrans", 445, 322},
};

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
    std::map<int, const EnginePaper*> engine;
    for (const EnginePaper& e : kEnginePapers) engine[e.code] = &e;
    int compared = 0;
    for (int i = 0; i < PaperCount; ++i) {
        const TRSPaperInfo& p = RSPaperTable()[i];
        auto it = engine.find(p.WindowsPaperCode);
        if (it == engine.end()) continue;
        const EnginePaper& e = *it->second;
        SCOPED_TRACE("entry " + std::to_string(i) + " \"" + p.Description + "\", code " +
                     std::to_string(p.WindowsPaperCode) + " (" + e.name + ")");
        double w = e.width_mm, h = e.height_mm;
        if (p.Description.find("Transverse") != std::string::npos) {
            w = std::min(e.width_mm, e.height_mm);
            h = std::max(e.width_mm, e.height_mm);
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
