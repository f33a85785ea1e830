// The expression control: its design caption, the text of each kind of
// value under a mask and a locale, aggregates fed by the subscribed level,
// ResetAfterPrint, a total that stretches over pages, and a freed Master.

#include "report/controls/tests/ControlsFixture.h"

#include "report/expr/BRExpr.h"

#include <gtest/gtest.h>

using namespace controls_test;

namespace {

// The report texts' separators while a test runs.
class ReportSeparators {
public:
    ReportSeparators(char decimal, char thousand) : saved_(report::ReportFormatSettings()) {
        report::ReportFormatSettings().DecimalSeparator = decimal;
        report::ReportFormatSettings().ThousandSeparator = thousand;
    }
    ~ReportSeparators() { report::ReportFormatSettings() = saved_; }

private:
    TFormatSettings saved_;
};

// A report with a detail band and a summary band holding one expression;
// one device pixel per native unit.
struct ExprRun {
    ScopedFontEngine fonts;
    RunFixture run;
    TBRCustomBand* detail;
    TBRCustomBand* footer;
    TBRExpr* expr;

    explicit ExprRun(int page_length = 2970) : run(2100, page_length, 100) {
        run.output = std::make_unique<RecordingOutput>(2100, page_length, 1.0L);
        detail = run.band(rbDetail, 20);
        footer = run.band(rbSummary, 20);
        expr = new TBRExpr(&run.report);
        expr->SetParent(footer);
        expr->AutoSize = false;
        TBRPrintableSize& s = *expr->Size();
        s.SetCurrentUnit(TBRUnit::Native);
        s.SetWidth(800);
        s.SetHeight(12);
    }
    // `records` detail records of the report's level, then the footer.
    void group(int records) {
        for (int i = 0; i < records; ++i) run.report.Controller()->NotifyDetailListeners(0);
        run.report.PrintBand(footer);
    }
    std::vector<std::string> texts() {
        std::vector<std::string> all;
        for (const auto& p : page_texts(*run.output)) all.insert(all.end(), p.begin(), p.end());
        return all;
    }
};

}  // namespace

TEST(Expr, DesignCaptionShowsTheExpression) {
    TBRExpr expr(nullptr);
    expr.SetName("BRExpr1");
    EXPECT_EQ(expr.Caption(), "BRExpr1");   // no expression set yet
    expr.SetExpression("");
    EXPECT_EQ(expr.Caption(), "(none)");
    expr.SetExpression("SUM([Total])");
    EXPECT_EQ(expr.Caption(), "SUM([Total])");
    expr.SetMask("#,##0.00");
    EXPECT_EQ(expr.Caption(), "SUM([Total])");
}

TEST(Expr, ValuesPrintByKindMaskAndLocale) {
    struct Case {
        const char* expression;
        const char* mask;
        char decimal, thousand;
        const char* printed;
    };
    const std::vector<Case> cases = {
        {"1234.5", "#,##0.00", '.', ',', "1,234.50"},
        {"1234.5", "#,##0.00", ',', '.', "1.234,50"},
        {"7", "000", '.', ',', "007"},
        {"0.1 + 0.2", "", '.', ',', "0.3"},
        {"10 / 4", "", ',', '.', "2,5"},
        {"-3", "0.0;(0.0)", '.', ',', "(3.0)"},
        {"1 = 1", "000", '.', ',', "True"},
        {"1 = 2", "#,##0.00", '.', ',', "False"},
        {"'abc'", "0.00", '.', ',', "abc"},
        {"(1 + ", "", '.', ',', nullptr},   // an error prints its message
    };
    for (const Case& c : cases) {
        ReportSeparators separators(c.decimal, c.thousand);
        ExprRun r;
        r.expr->SetExpression(c.expression);
        r.expr->SetMask(c.mask);
        r.run.begin();
        r.group(0);
        r.run.finish();
        const std::vector<std::string> texts = r.texts();
        ASSERT_EQ(texts.size(), 1u) << c.expression;
        if (c.printed) {
            EXPECT_EQ(texts[0], c.printed) << c.expression << " " << c.mask;
        } else {
            EvalValue v;
            TBREvaluator().EvaluateOnce(c.expression, v);
            ASSERT_EQ(v.Kind, vkError);
            EXPECT_EQ(texts[0], v.Text);
        }
        EXPECT_EQ(r.expr->Caption(), c.expression);   // the designer shows the expression again
    }
}

TEST(Expr, AggregatesFollowTheSubscribedLevel) {
    struct Case {
        bool master_is_report;
        bool reset_after_print;
        std::vector<std::string> printed;
    };
    // Groups of 3, 2 and 4 records, each closed by the footer.
    const std::vector<Case> cases = {
        {true, true, {"3", "2", "4"}},
        {true, false, {"3", "5", "9"}},
        {false, true, {"3", "2", "4"}},    // no master: the report's level, since it has aggregates
        {false, false, {"3", "5", "9"}},
    };
    for (const Case& c : cases) {
        ExprRun r;
        r.expr->SetExpression("COUNT");
        if (c.master_is_report) r.expr->SetMaster(&r.run.report);
        r.expr->ResetAfterPrint = c.reset_after_print;
        r.run.begin();
        for (int n : {3, 2, 4}) r.group(n);
        r.run.finish();
        EXPECT_EQ(r.texts(), c.printed) << c.master_is_report << " " << c.reset_after_print;
        EXPECT_TRUE(r.run.report.Controller()->DetailListeners.empty());   // the run let it go
    }
}

TEST(Expr, ASubDetailMasterCountsOnlyItsOwnRecords) {
    ExprRun r;
    auto* sub = new TBRSubDetail(&r.run.report);
    sub->SetParent(&r.run.report);
    r.expr->SetExpression("COUNT");
    r.expr->SetMaster(sub);
    r.run.begin();
    r.run.report.Controller()->NotifyDetailListeners(0);   // the report's records do not count
    for (int i = 0; i < 4; ++i) sub->Controller()->NotifyDetailListeners(0);
    r.run.report.PrintBand(r.footer);
    r.run.finish();
    EXPECT_EQ(r.texts(), (std::vector<std::string>{"4"}));
}

TEST(Expr, AFreedMasterIsForgotten) {
    ExprRun r;
    auto* sub = new TBRSubDetail(&r.run.report);
    sub->SetParent(&r.run.report);
    r.expr->SetExpression("COUNT");
    r.expr->SetMaster(sub);
    delete sub;
    EXPECT_EQ(r.expr->Master(), nullptr);
    r.run.begin();
    r.group(2);   // now the report's level, as for no master
    r.run.finish();
    EXPECT_EQ(r.texts(), (std::vector<std::string>{"2"}));
}

TEST(Expr, AStretchingTotalPrintsItsValueOnEveryPartAndResetsAfterTheLast) {
    // A page of 400 less 200 of margins; the footer's expression is one word
    // a line, 26 lines, so each print runs over two pages: the count at its
    // start and its end.
    ExprRun r(400);
    r.expr->SetExpression("STR(COUNT) + ' a b c d e f g h i j k l m n o p q r s t u v w x ' + STR(COUNT)");
    r.expr->SetAutoStretch(true);
    r.expr->Size()->SetWidth(30);
    r.expr->ResetAfterPrint = true;
    r.run.begin();
    r.group(3);
    r.group(2);
    r.run.finish();
    const std::vector<std::string> texts = r.texts();
    ASSERT_EQ(texts.size(), 52u);
    EXPECT_EQ(texts[0], "3");   // each word cut to the 11-pixel width
    EXPECT_EQ(texts[24], "x");
    EXPECT_EQ(texts[25], "3");
    EXPECT_EQ(texts[26], "2");
    EXPECT_EQ(texts[51], "2");
    EXPECT_GE(r.run.output->PageCount(), 3);
}

TEST(Expr, TheReportsEnvironmentGivesPageNumbers) {
    ScopedFontEngine fonts;
    RunFixture run(2100, 600, 100);
    run.output = std::make_unique<RecordingOutput>(2100, 600, 1.0L);
    TBRCustomBand* header = run.band(rbPageHeader, 20);
    TBRCustomBand* detail = run.band(rbDetail, 150);
    auto* page = new TBRExpr(&run.report);
    page->SetParent(header);
    page->SetExpression("'Page ' + STR(PAGENUMBER)");
    auto* row = new TBRExpr(&run.report);
    row->SetParent(detail);
    row->SetExpression("COUNT");
    int left = 5;
    run.report.OnNeedData = [&left](TObject*, bool& more) { more = left-- > 0; };
    run.report.RunReport(*run.output);
    std::vector<std::vector<std::string>> expected = {{"Page 1", "1", "2"}, {"Page 2", "3", "4"}, {"Page 3", "5"}};
    EXPECT_EQ(page_texts(*run.output), expected);
}
