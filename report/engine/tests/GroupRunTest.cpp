// Groups and master-detail levels end to end: layouts written by the report
// classes over a SQLite file made by places_db.py, run by report-tool into
// a PDF, and the lines pdftotext shows compared with the lines the same
// script derives from the rows with python3's sqlite3. Progress and cancel
// through the host's progress service.

#include "report/bands/BandRpt.h"
#include "report/controls/BRCtrls.h"
#include "report/engine/ReportRun.h"
#include "report/engine/Startup.h"

#include "platform/core/FormResource.h"
#include "platform/core/ServiceSlot.h"
#include "platform/data/DBTables.h"
#include "platform/data/Startup.h"
#include "platform/graphics/qt/QtCanvas.h"
#include "platform/graphics/tests/FixedFontEngine.h"
#include "platform/print/Printers.h"
#include "tests/support/ScriptedHost.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace test_support;

namespace {

std::string tool() { return shell_quote(tool_path("report-tool")); }

std::string places(const std::string& args) { return python_script("report/engine/tests/places_db.py") + " " + args; }

void make_db(const std::string& file, int orders, int customers) {
    ASSERT_EQ(run_status(places("make " + shell_quote(file) + " " + std::to_string(orders) + " " +
                                std::to_string(customers))),
              0);
}

// The non-empty lines of a text, each with its spaces trimmed.
std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        const std::size_t a = line.find_first_not_of(" \f\t");
        if (a == std::string::npos) continue;
        lines.push_back(line.substr(a, line.find_last_not_of(" \t") - a + 1));
    }
    return lines;
}

// A report on A4 with 10 mm margins, in millimetres; bands carry one
// expression control each.
struct LayoutBuilder {
    test_support::FixedFontEngine fonts;
    core::ScopedService<graphics::FontEngine*> installed{graphics::font_engine_slot, &fonts};
    bool imperial = ImperialMeasure();
    TBandReport* report;
    std::unique_ptr<TBandReport> owner;
    int controls = 0;

    LayoutBuilder() {
        report::SetImperialMeasure(false);
        report = new TBandReport(nullptr);
        owner.reset(report);
        report->SetName("PlacesReport");
        report->Page()->SetPaperSize(TBRPaperSize::A4);
        report->SetUnits(TBRUnit::MM);
        for (auto set : {&TBRPage::SetTopMargin, &TBRPage::SetBottomMargin, &TBRPage::SetLeftMargin,
                         &TBRPage::SetRightMargin})
            (report->Page()->*set)(10);
    }
    ~LayoutBuilder() { report::SetImperialMeasure(imperial); }

    template <class B>
    B* with_text(B* band, const std::string& expression) {
        band->Size()->SetCurrentUnit(TBRUnit::MM);
        band->Size()->SetHeight(6);
        if (!expression.empty()) {
            auto* c = new TBRExpr(report);
            c->SetName("Text" + std::to_string(++controls));
            c->SetParent(band);
            c->Size()->SetCurrentUnit(TBRUnit::MM);
            c->Size()->SetLeft(0);
            c->Size()->SetTop(0);
            c->Size()->SetWidth(120);
            c->Size()->SetHeight(5);
            c->SetExpression(expression);
        }
        return band;
    }
    TBRCustomBand* band(TBRBandType type, const std::string& expression) {
        return with_text(report->CreateStandardBand(type), expression);
    }
    TBRGroup* group(const std::string& name, const std::string& expression, const std::string& header,
                    const std::string& footer) {
        auto* g = new TBRGroup(report);
        g->SetName(name);
        g->SetParent(report);
        g->SetExpression(expression);
        with_text(g, header);
        g->SetFooterBand(band(rbGroupFooter, footer));
        return g;
    }
    TQuery* query(const std::string& name, const std::string& sql) {
        auto* q = new TQuery(report);
        q->SetName(name);
        q->SQL()->SetText(sql);
        return q;
    }
    void write(const std::string& file) { core::write_component_file(*report, file); }
};

// Orders grouped by country and city.
void write_groups_layout(const std::string& file, bool print_if_empty = true, const std::string& where = "") {
    LayoutBuilder b;
    b.band(rbTitle, "'TITLE'");
    b.group("CountryGroup", "country", "'COUNTRY ' + country", "'ENDCOUNTRY ' + country");
    b.group("CityGroup", "city", "'CITY ' + city", "'ENDCITY ' + city");
    b.band(rbDetail, "'ORDER ' + STR(id)");
    b.band(rbSummary, "'SUMMARY'");
    b.report->SetDataSet(b.query("Orders", "select id, country, city from orders " + where +
                                               " order by country, city, id"));
    b.report->SetPrintIfEmpty(print_if_empty);
    b.write(file);
}

SplitResult run_pdf(const std::string& layout, const std::string& db, const std::string& pdf) {
    return run_split(tool() + " run " + shell_quote(layout) + " --db " + shell_quote(db) + " --pdf " +
                     shell_quote(pdf));
}

}  // namespace

// The group headers, details and footers of a few thousand orders print in
// the order the rows give them.
TEST(GroupRun, GroupBreaksFollowTheRows) {
    ScratchDir dir("group-run");
    const std::string db = dir / "places.db", layout = dir / "groups.json", pdf = dir / "groups.pdf";
    make_db(db, 3000, 40);
    write_groups_layout(layout);
    const SplitResult r = run_pdf(layout, db, pdf);
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<std::string> printed = lines_of(capture("pdftotext -layout " + shell_quote(pdf) + " -"));
    ASSERT_FALSE(printed.empty());
    EXPECT_EQ(printed.front(), "TITLE");
    printed.erase(printed.begin());
    const std::vector<std::string> expected = lines_of(capture(places("groups " + shell_quote(db))));
    ASSERT_GT(expected.size(), 3000u);
    EXPECT_EQ(printed, expected);
}

// An empty table: title, one detail and the summary with PrintIfEmpty
// (the group bands print nothing); without it no page, which is a failure
// that writes nothing.
TEST(GroupRun, AnEmptyTable) {
    ScratchDir dir("group-run");
    const std::string db = dir / "places.db";
    make_db(db, 10, 2);
    for (const bool print_if_empty : {true, false}) {
        SCOPED_TRACE(print_if_empty);
        const std::string layout = dir / "empty.json", pdf = dir / "empty.pdf";
        write_groups_layout(layout, print_if_empty, "where id < 0");
        const SplitResult r = run_pdf(layout, db, pdf);
        if (!print_if_empty) {
            EXPECT_EQ(r.status, 1);
            EXPECT_NE(r.err.find("The report printed no page"), std::string::npos) << r.err;
            continue;
        }
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, "pages\t1\n");
        // The detail's expression reads the empty query: STR of nothing.
        const std::vector<std::string> printed = lines_of(capture("pdftotext -layout " + shell_quote(pdf) + " -"));
        ASSERT_EQ(printed.size(), 3u);
        EXPECT_EQ(printed[0], "TITLE");
        EXPECT_EQ(printed[1].rfind("ORDER", 0), 0u) << printed[1];
        EXPECT_EQ(printed[2], "SUMMARY");
    }
}

// Group-footer totals that reset after they print are the sums sqlite3's
// GROUP BY gives for each city, and a summary total that never resets is
// the sum of every amount.
TEST(GroupRun, GroupFooterTotalsAreTheGroupSums) {
    ScratchDir dir("group-run");
    const std::string db = dir / "places.db", layout = dir / "totals.json", pdf = dir / "totals.pdf";
    make_db(db, 2000, 40);
    {
        LayoutBuilder b;
        auto total = [&](TBRCustomBand* band, bool reset) {
            auto* c = new TBRExpr(b.report);
            c->SetName("Total" + std::to_string(++b.controls));
            c->SetParent(band);
            c->Size()->SetCurrentUnit(TBRUnit::MM);
            c->Size()->SetLeft(130);
            c->Size()->SetTop(0);
            c->Size()->SetWidth(50);
            c->Size()->SetHeight(5);
            c->SetExpression("SUM(amount)");
            c->SetMask("0.00");
            c->ResetAfterPrint = reset;
        };
        b.group("CountryGroup", "country", "", "");
        TBRGroup* city = b.group("CityGroup", "city", "", "city");
        total(city->FooterBand(), true);
        b.band(rbDetail, "");
        total(b.band(rbSummary, "'TOTAL'"), false);
        b.report->SetDataSet(
            b.query("Orders", "select id, country, city, amount from orders order by country, city, id"));
        b.write(layout);
    }
    const SplitResult r = run_split("env LC_ALL=C " + tool() + " run " + shell_quote(layout) + " --db " +
                                    shell_quote(db) + " --pdf " + shell_quote(pdf));
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<std::string> printed;
    for (const std::string& line : lines_of(capture("pdftotext -layout " + shell_quote(pdf) + " -"))) {
        std::istringstream words(line);
        std::string word, joined;
        while (words >> word) joined += (joined.empty() ? "" : " ") + word;
        printed.push_back(joined);
    }
    const std::vector<std::string> expected = lines_of(capture(places("totals " + shell_quote(db))));
    ASSERT_GT(expected.size(), 5u);
    EXPECT_EQ(printed, expected);
}

// Customers and their orders: the orders' query takes the customer's id
// through an environment entry before each customer's orders print.
TEST(GroupRun, EachCustomerIsFollowedByExactlyItsOrders) {
    ScratchDir dir("group-run");
    const std::string db = dir / "places.db", layout = dir / "masters.json", pdf = dir / "masters.pdf";
    make_db(db, 400, 60);
    {
        LayoutBuilder b;
        b.report->Functions()->DefineEntry("CUSTID", "Customers.id");
        b.band(rbDetail, "'CUSTOMER ' + Customers.name");
        b.report->SetDataSet(b.query("Customers", "select id, name from customers order by id"));
        TQuery* orders = b.query("Orders", "select id from orders where customer_id = :CUSTID order by id");
        orders->ParamByName("CUSTID")->SetDataType(ftInteger);
        auto* sub = new TBRSubDetail(b.report);
        sub->SetName("OrdersBand");
        sub->SetParent(b.report);
        b.with_text(sub, "'ORDER ' + STR(Orders.id)");
        sub->SetDataSet(orders);
        sub->SetPrintIfEmpty(false);
        b.write(layout);
    }
    const SplitResult r = run_pdf(layout, db, pdf);
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<std::string> printed = lines_of(capture("pdftotext -layout " + shell_quote(pdf) + " -"));
    const std::vector<std::string> expected = lines_of(capture(places("masters " + shell_quote(db))));
    ASSERT_EQ(expected.size(), 460u);
    EXPECT_EQ(printed, expected);
}

// Progress of 200 records reaches the host's progress service as 0 to 100,
// one step for every two records; a cancel there at the 50th record leaves
// the pages printed until then, without the summary.
TEST(GroupRun, ProgressAndCancelThroughTheHost) {
    ScratchDir dir("group-run");
    const std::string db = dir / "places.db", layout = dir / "groups.json";
    make_db(db, 200, 5);
    write_groups_layout(layout);
    test_support::FixedFontEngine fonts;
    core::ScopedService<graphics::FontEngine*> installed_fonts{graphics::font_engine_slot, &fonts};
    data::unit_startup();
    report::unit_startup();
    struct Case {
        int cancel_at_step;
        int last_percent;
    };
    for (const Case c : {Case{-1, 100}, Case{25, 25}}) {
        SCOPED_TRACE(c.cancel_at_step);
        ScriptedHost host;
        host.cancel_at_step = c.cancel_at_step;
        core::ScopedService<core::HostServices*> installed{core::host_slot, &host};
        report::RunRequest request;
        request.layout = layout;
        request.database = db;
        request.output = dir / "run.brp";
        const report::RunResult result = report::run_layout(request);
        EXPECT_EQ(result.cancelled, c.cancel_at_step >= 0);
        std::vector<int> percents;
        for (const auto& [percent, status] : host.steps) percents.push_back(percent);
        std::vector<int> expected;
        for (int p = 0; p <= c.last_percent; ++p) expected.push_back(p);
        EXPECT_EQ(percents, expected);
        ASSERT_FALSE(host.steps.empty());
        EXPECT_EQ(host.steps.back().second, std::to_string(c.last_percent) + "% Completed");
        // The stream holds the pages printed; their text ends at the 50th order.
        const std::string pdf = dir / "run.pdf";
        ASSERT_EQ(run_status(tool() + " print " + shell_quote(request.output) + " --pdf " + shell_quote(pdf)), 0);
        const std::vector<std::string> printed = lines_of(capture("pdftotext -layout " + shell_quote(pdf) + " -"));
        const auto orders = std::count_if(printed.begin(), printed.end(),
                                          [](const std::string& l) { return l.rfind("ORDER ", 0) == 0; });
        EXPECT_EQ(orders, c.cancel_at_step >= 0 ? 50 : 200);
        EXPECT_EQ(std::count(printed.begin(), printed.end(), "SUMMARY"), c.cancel_at_step >= 0 ? 0 : 1);
    }
    report::unit_shutdown();
    data::unit_shutdown();
}

// Ctrl-C during report-tool run: the run stops at the next record, the PDF
// holds the pages printed until then (no summary) and the tool exits with
// status 3.
TEST(GroupRun, AnInterruptedToolRunKeepsItsPages) {
    ScratchDir dir("group-run");
    const std::string db = dir / "places.db", layout = dir / "groups.json", pdf = dir / "groups.pdf";
    make_db(db, 100000, 40);
    write_groups_layout(layout);
    // SIGINT once the tool (not the shell's child before it runs the tool)
    // has its handler: bit 2 of the caught signals.
    const std::string script =
        tool() + " run " + shell_quote(layout) + " --db " + shell_quote(db) + " --pdf " + shell_quote(pdf) +
        " 2>" + shell_quote(dir / "err.txt") + " >" + shell_quote(dir / "out.txt") +
        " & pid=$!\n"
        "while kill -0 $pid 2>/dev/null; do\n"
        "  case $(readlink /proc/$pid/exe) in *report-tool) ;; *) sleep 0.01; continue ;; esac\n"
        "  caught=$(sed -n 's/^SigCgt:[[:space:]]*//p' /proc/$pid/status 2>/dev/null)\n"
        "  if [ -n \"$caught\" ] && [ $(( 0x$caught & 2 )) -ne 0 ]; then kill -INT $pid; break; fi\n"
        "  sleep 0.01\n"
        "done\n"
        "wait $pid; echo $?\n";
    write_file(dir / "interrupt.sh", script);
    const std::string status = capture("sh " + shell_quote(dir / "interrupt.sh"));
    if (status == "0\n") GTEST_SKIP() << "the run ended before it was interrupted";
    ASSERT_EQ(status, "3\n") << read_file(dir / "err.txt");
    EXPECT_NE(read_file(dir / "err.txt").find("cancelled"), std::string::npos);
    EXPECT_EQ(read_file(dir / "out.txt").rfind("pages\t", 0), 0u);
    std::vector<std::string> printed = lines_of(capture("pdftotext -layout " + shell_quote(pdf) + " -"));
    ASSERT_GE(printed.size(), 4u);
    EXPECT_EQ(printed.front(), "TITLE");
    printed.erase(printed.begin());
    const std::vector<std::string> expected = lines_of(capture(places("groups " + shell_quote(db))));
    ASSERT_LT(printed.size(), expected.size());
    // What printed is the start of the whole run, up to a detail.
    EXPECT_TRUE(std::equal(printed.begin(), printed.end(), expected.begin()));
    EXPECT_EQ(printed.back().rfind("ORDER ", 0), 0u) << printed.back();
}

// The PDF is written as the run keeps its pages. A run that fails after a
// few pages (the query's rows raise an error at one order) or is killed
// leaves the old file as it was and nothing beside it; a run that ends
// replaces it whole.
TEST(GroupRun, APdfReplacesTheOldFileOnlyWhenTheRunEnds) {
    ScratchDir dir("group-run");
    const std::string db = dir / "places.db", pdf = dir / "orders.pdf";
    make_db(db, 3000, 40);
    auto write_layout = [&](const std::string& file, const std::string& sql) {
        LayoutBuilder b;
        b.band(rbDetail, "'ORDER ' + STR(id)");
        b.report->SetDataSet(b.query("Orders", sql));
        b.write(file);
    };
    // sqlite raises "integer overflow" when it reaches order 2500, past the 40th page.
    const std::string failing = dir / "failing.json", whole = dir / "whole.json";
    write_layout(failing, "select id, case when id = 2500 then abs(-9223372036854775807 - 1) else id end as n "
                          "from orders order by id");
    write_layout(whole, "select id from orders where id <= 120 order by id");
    const std::string old = "%PDF-1.4 an older report\n";
    write_file(pdf, old);
    const auto listing = [&] { return capture("ls -a " + shell_quote(dir.path())); };
    const std::string before = listing();

    const SplitResult failed = run_pdf(failing, db, pdf);
    EXPECT_EQ(failed.status, 1) << failed.err;
    EXPECT_NE(failed.err.find("overflow"), std::string::npos) << failed.err;
    EXPECT_EQ(read_file(pdf), old);
    EXPECT_EQ(listing(), before);

    // Killed while it writes: the signal's cleanup takes the new file away.
    const std::string script = tool() + " run " + shell_quote(failing) + " --db " + shell_quote(db) + " --pdf " +
                               shell_quote(pdf) +
                               " >/dev/null 2>&1 & pid=$!\n"
                               "while kill -0 $pid 2>/dev/null; do\n"
                               "  if ls -a " + shell_quote(dir.path()) +
                               " | grep -q '^\\.orders\\.pdf'; then kill -TERM $pid; break; fi\n"
                               "  sleep 0.005\n"
                               "done\n"
                               "wait $pid; echo $?\n";
    write_file(dir / "kill.sh", script);
    const std::string killed = capture("sh " + shell_quote(dir / "kill.sh"));
    EXPECT_NE(killed, "0\n");
    EXPECT_EQ(read_file(pdf), old);
    EXPECT_EQ(capture("ls -a " + shell_quote(dir.path()) + " | grep -c '^\\.orders\\.pdf' || true"), "0\n");

    const SplitResult done = run_pdf(whole, db, pdf);
    ASSERT_EQ(done.status, 0) << done.err;
    std::vector<std::string> printed = lines_of(capture("pdftotext -layout " + shell_quote(pdf) + " -"));
    ASSERT_EQ(printed.size(), 120u);
    EXPECT_EQ(printed.front(), "ORDER 1");
    EXPECT_EQ(printed.back(), "ORDER 120");
    EXPECT_EQ(run_status("qpdf --check " + shell_quote(pdf) + " >/dev/null"), 0);
}

// A PDF made in the run (the pages drawn as the run keeps them): a cancel
// through the host keeps the pages printed until then, as a page stream
// does; the layout's page range picks its pages out of the run's.
TEST(GroupRun, APdfHoldsThePagesTheRunKept) {
    ScratchDir dir("group-run");
    const std::string db = dir / "places.db", layout = dir / "groups.json";
    make_db(db, 200, 5);
    write_groups_layout(layout);
    const std::string ranged = dir / "ranged.json", whole = dir / "whole.json";
    for (const bool range : {true, false}) {
        LayoutBuilder b;
        b.band(rbDetail, "'ORDER ' + STR(id)");
        b.report->SetDataSet(b.query("Orders", "select id from orders order by id"));
        if (range) {
            b.report->PrinterSettings()->FirstPage = 2;
            b.report->PrinterSettings()->LastPage = 3;
        }
        b.write(range ? ranged : whole);
    }
    // Measured and drawn with Qt's fonts, as report-tool does.
    graphics::qt::GraphicsScope qt;
    data::unit_startup();
    report::unit_startup();
    print::CupsPrintDevice device;
    auto orders_in = [](const std::string& pdf) {
        std::vector<std::string> ids;
        for (const std::string& line : lines_of(capture("pdftotext -layout " + shell_quote(pdf) + " -")))
            if (line.rfind("ORDER ", 0) == 0) ids.push_back(line.substr(6));
        return ids;
    };
    for (const int cancel_at_step : {-1, 25}) {
        SCOPED_TRACE(cancel_at_step);
        ScriptedHost host;
        host.cancel_at_step = cancel_at_step;
        core::ScopedService<core::HostServices*> installed{core::host_slot, &host};
        report::RunRequest request;
        request.layout = layout;
        request.database = db;
        request.target = report::RunTarget::Pdf;
        request.output = dir / "run.pdf";
        request.device = &device;
        const report::RunResult result = report::run_layout(request);
        EXPECT_EQ(result.cancelled, cancel_at_step >= 0);
        EXPECT_EQ(capture("pdfinfo " + shell_quote(request.output) + " | sed -n 's/^Pages: *//p'"),
                  std::to_string(result.pages) + "\n");
        const std::vector<std::string> printed = lines_of(capture("pdftotext -layout " + shell_quote(request.output) + " -"));
        EXPECT_EQ(orders_in(request.output).size(), cancel_at_step >= 0 ? 50u : 200u);
        EXPECT_EQ(std::count(printed.begin(), printed.end(), "SUMMARY"), cancel_at_step >= 0 ? 0 : 1);
    }
    {
        SCOPED_TRACE("pages 2 to 3");
        ScriptedHost host;
        core::ScopedService<core::HostServices*> installed{core::host_slot, &host};
        std::string pdfs[2];
        for (const bool range : {true, false}) {
            report::RunRequest request;
            request.layout = range ? ranged : whole;
            request.database = db;
            request.target = report::RunTarget::Pdf;
            request.output = dir / (range ? "ranged.pdf" : "whole.pdf");
            request.device = &device;
            ASSERT_GT(report::run_layout(request).pages, 3);
            pdfs[range ? 0 : 1] = request.output;
        }
        EXPECT_EQ(capture("pdfinfo " + shell_quote(pdfs[0]) + " | sed -n 's/^Pages: *//p'"), "2\n");
        const std::string two = capture("pdftotext -layout " + shell_quote(pdfs[0]) + " -");
        EXPECT_NE(two.find("ORDER "), std::string::npos);
        EXPECT_EQ(two, capture("pdftotext -layout -f 2 -l 3 " + shell_quote(pdfs[1]) + " -"));
    }
    report::unit_shutdown();
    data::unit_shutdown();
}
