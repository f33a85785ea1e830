// Levels and groups of a run: the detail loop with group headers and
// footers, nested levels before and after the detail, empty levels,
// reprinted group headers on new pages, progress, cancel, a dataset that
// fails during the run, and query parameters taken from the environment.

#include "report/bands/tests/BandsFixture.h"

#include "platform/data/DBErrors.h"
#include "platform/data/DBTables.h"
#include "platform/data/MemoryDataSet.h"
#include "tests/support/TestSupport.h"

#include <functional>
#include <map>

using namespace bands_test;

namespace {

class LoggingOutput : public RecordingOutput {
public:
    LoggingOutput() : RecordingOutput(2100, 2970, 1.0L) {}
    bool cancelled = false;
    int aborted = 0, ended = 0;
    std::vector<int> progress;
    std::function<void(int)> on_progress;
    void EndOutput() override { ++ended; }
    void AbortOutput() override { ++aborted; }
    void CancelOutput() override { cancelled = true; }
    bool Cancelled() const override { return cancelled; }
    void NotifyProgress(int percent) override {
        progress.push_back(percent);
        if (on_progress) on_progress(percent);
    }
};

// A report on a 2100 x 2970 page with 100 margins whose bands log their
// prints as "NAME" or "NAME:VALUE" (VALUE: what the band's `show` gives).
struct GroupRun {
    TBandReport* report = new TBandReport(nullptr);
    std::unique_ptr<TBandReport> owner{report};
    LoggingOutput output;
    std::vector<std::string> log;
    TMemoryDataSet* data = nullptr;

    GroupRun() {
        TBRPage& page = *report->Page();
        page.SetPaperSize(TBRPaperSize::Custom);
        report->SetUnits(TBRUnit::Native);
        page.SetWidth(2100);
        page.SetLength(2970);
        for (auto set : {&TBRPage::SetTopMargin, &TBRPage::SetBottomMargin, &TBRPage::SetLeftMargin,
                         &TBRPage::SetRightMargin})
            (page.*set)(100);
    }
    template <class B>
    B* logged(B* b, const std::string& name, long double height, std::function<std::string()> show) {
        b->Size()->SetCurrentUnit(TBRUnit::Native);
        b->Size()->SetHeight(height);
        b->AfterPrint = [this, name, show](TBRCustomBand*, bool printed) {
            if (printed) log.push_back(show ? name + ":" + show() : name);
        };
        return b;
    }
    TBRCustomBand* band(TBRBandType type, const std::string& name, long double height = 100,
                        std::function<std::string()> show = {}) {
        return logged(report->CreateStandardBand(type), name, height, std::move(show));
    }
    // A group on `expression` with a footer band (unless `footer` is false);
    // header and footer show `field` of the master dataset.
    TBRGroup* group(const std::string& name, const std::string& expression, const std::string& field,
                    bool footer = true, long double height = 100) {
        auto* g = new TBRGroup(report);
        g->SetName(name);
        g->SetParent(report);
        g->SetExpression(expression);
        logged(g, "H" + name, height, [this, field] { return value(field); });
        if (footer) g->SetFooterBand(band(rbGroupFooter, "F" + name, height, [this, field] { return value(field); }));
        return g;
    }
    std::string value(const std::string& field) const { return data->FieldByName(field).AsString(); }
    // The master dataset with string fields and their rows.
    void rows(const std::vector<std::string>& fields, const std::vector<std::vector<std::string>>& records) {
        data = new TMemoryDataSet(report);
        data->SetName("Data");
        for (const std::string& f : fields) data->AddField(f, ftString, 20);
        for (const auto& r : records) data->AppendRecord({r.begin(), r.end()});
        data->Open();
    }
    // The same rows given by OnNeedData: each answer moves to the next row.
    void rows_by_need_data(const std::vector<std::string>& fields,
                           const std::vector<std::vector<std::string>>& records) {
        rows(fields, records);
        data->First();
        auto first = std::make_shared<bool>(true);
        report->OnNeedData = [this, first](TObject*, bool& more) {
            if (!*first) data->Next();
            *first = false;
            more = !data->Eof();
        };
    }
    std::string run() {
        report->RunReport(output);
        std::string s;
        for (const std::string& e : log) s += (s.empty() ? "" : " ") + e;
        return s;
    }
};

const std::vector<std::string> kPlaceFields = {"Country", "City"};
const std::vector<std::vector<std::string>> kPlaces = {
    {"BR", "Rio"}, {"BR", "Rio"}, {"BR", "Recife"}, {"PT", "Lisboa"}, {"PT", "Porto"}};

}  // namespace

// Groups on country and city, the country group first: headers outermost
// first, footers innermost first; an outer change closes and reopens the
// inner group. Footers stand on the last record of the ended group with a
// dataset and on the new record with OnNeedData.
TEST(Groups, GroupHeadersAndFootersAroundTheDetails) {
    struct Case {
        const char* what;
        bool need_data;
        bool city_footer;
        std::vector<std::vector<std::string>> records;
        std::string expected;
    };
    const Case cases[] = {
        {"dataset", false, true, kPlaces,
         "T HCountry:BR HCity:Rio D:Rio D:Rio FCity:Rio HCity:Recife D:Recife FCity:Recife FCountry:BR "
         "HCountry:PT HCity:Lisboa D:Lisboa FCity:Lisboa HCity:Porto D:Porto FCity:Porto FCountry:PT S"},
        {"need data", true, true, kPlaces,
         "T HCountry:BR HCity:Rio D:Rio D:Rio FCity:Recife HCity:Recife D:Recife FCity:Lisboa FCountry:PT "
         "HCountry:PT HCity:Lisboa D:Lisboa FCity:Porto HCity:Porto D:Porto FCity:Porto FCountry:PT S"},
        {"no city footer", false, false, kPlaces,
         "T HCountry:BR HCity:Rio D:Rio D:Rio HCity:Recife D:Recife FCountry:BR HCountry:PT HCity:Lisboa "
         "D:Lisboa HCity:Porto D:Porto FCountry:PT S"},
        {"case counts", false, true, {{"BR", "abc"}, {"BR", "ABC"}},
         "T HCountry:BR HCity:abc D:abc FCity:abc HCity:ABC D:ABC FCity:ABC FCountry:BR S"},
        {"one record", false, true, {{"BR", "Rio"}}, "T HCountry:BR HCity:Rio D:Rio FCity:Rio FCountry:BR S"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        GroupRun r;
        r.band(rbTitle, "T");
        r.group("Country", "Country", "Country");
        r.group("City", "City", "City", c.city_footer);
        r.band(rbDetail, "D", 100, [&r] { return r.value("City"); });
        r.band(rbSummary, "S");
        if (c.need_data) r.rows_by_need_data(kPlaceFields, c.records);
        else {
            r.rows(kPlaceFields, c.records);
            r.report->SetDataSet(r.data);
        }
        EXPECT_EQ(r.run(), c.expected);
        EXPECT_EQ(r.output.ended, 1);
    }
}

// Empty levels: a dataset without records prints header, one detail and
// footer when PrintIfEmpty (no group band), nothing without; OnNeedData
// answering False at once prints nothing either way.
TEST(Groups, EmptyLevels) {
    struct Case {
        bool need_data;
        bool print_if_empty;
        std::string expected;
    };
    const Case cases[] = {
        {false, true, "T D S"},
        {false, false, ""},
        {true, true, ""},
        {true, false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.need_data) + std::to_string(c.print_if_empty));
        GroupRun r;
        r.band(rbTitle, "T");
        TBRGroup* g = r.group("City", "City", "City");
        g->AfterPrint = [&r](TBRCustomBand*, bool printed) {
            if (printed) r.log.push_back("HCity");
        };
        r.band(rbDetail, "D");
        r.band(rbSummary, "S");
        if (c.need_data) r.rows_by_need_data(kPlaceFields, {});
        else {
            r.rows(kPlaceFields, {});
            r.report->SetDataSet(r.data);
        }
        r.report->SetPrintIfEmpty(c.print_if_empty);
        EXPECT_EQ(r.run(), c.expected);
    }
}

// Sub-details run a nested level per master record, before or after the
// master's detail band, with their own header, footer and groups; an empty
// nested level prints header, one detail and footer when PrintIfEmpty.
TEST(Groups, NestedLevelsBeforeAndAfterTheDetail) {
    struct Case {
        bool print_before;
        bool print_if_empty;
        std::string expected;
    };
    const Case cases[] = {
        {false, true,
         "D:A SH SG:1 SD:1 SD:1 SGF:1 SG:2 SD:2 SGF:2 SF D:B SH SD: SF D:C SH SG:1 SD:1 SGF:1 SF"},
        {true, true,
         "SH SG:1 SD:1 SD:1 SGF:1 SG:2 SD:2 SGF:2 SF D:A SH SD: SF D:B SH SG:1 SD:1 SGF:1 SF D:C"},
        {false, false, "D:A SH SG:1 SD:1 SD:1 SGF:1 SG:2 SD:2 SGF:2 SF D:B D:C SH SG:1 SD:1 SGF:1 SF"},
    };
    // Orders of each customer: their kind, by customer.
    const std::map<std::string, std::vector<std::string>> orders = {{"A", {"1", "1", "2"}}, {"B", {}}, {"C", {"1"}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.print_before) + std::to_string(c.print_if_empty));
        GroupRun r;
        r.band(rbDetail, "D", 100, [&r] { return r.value("Customer"); });
        auto* detail = new TMemoryDataSet(r.report);
        detail->SetName("Orders");
        detail->AddField("Kind", ftString, 10);
        detail->Open();
        auto* sub = new TBRSubDetail(r.report);
        sub->SetName("OrdersBand");
        sub->SetParent(r.report);
        auto kind = [detail] { return detail->RecordCount() == 0 ? std::string() : detail->FieldByName("Kind").AsString(); };
        r.logged(sub, "SD", 100, kind);
        sub->SetHeaderBand(r.band(rbGroupHeader, "SH"));
        sub->SetFooterBand(r.band(rbGroupFooter, "SF"));
        sub->SetPrintBefore(c.print_before);
        sub->SetPrintIfEmpty(c.print_if_empty);
        sub->SetDataSet(detail);
        auto* g = new TBRGroup(r.report);
        g->SetName("KindGroup");
        g->SetParent(r.report);
        g->SetMaster(sub);
        g->SetExpression("Orders.Kind");
        r.logged(g, "SG", 100, kind);
        g->SetFooterBand(r.band(rbGroupFooter, "SGF", 100, kind));
        // The master's records come from OnNeedData, which also loads the
        // orders of the customer it moves to.
        r.rows_by_need_data({"Customer"}, {{"A"}, {"B"}, {"C"}});
        auto master = r.report->OnNeedData;
        r.report->OnNeedData = [&, master](TObject* sender, bool& more) {
            master(sender, more);
            detail->Close();
            detail->ClearData();
            detail->AddField("Kind", ftString, 10);
            if (more)
                for (const std::string& k : orders.at(r.value("Customer"))) detail->AppendRecord({k});
            detail->Open();
        };
        EXPECT_EQ(r.run(), c.expected);
    }
}

// The band order lists a level's group bands after its header and their
// footers, innermost first, before its footer.
TEST(Groups, BandOrderOfALevel) {
    GroupRun r;
    r.band(rbSummary, "S");
    r.band(rbDetail, "D");
    r.group("Country", "Country", "Country");
    r.group("City", "City", "City");
    r.band(rbTitle, "T");
    std::string order;
    for (const TBRCustomBand* b : r.report->BandList()) order += (order.empty() ? "" : " ") + b->Name();
    EXPECT_EQ(order, "TitleBand1 Country City DetailBand1 GroupFooterBand2 GroupFooterBand1 SummaryBand1");
}

// Group values: a change of kind or value breaks a group, case counts in
// strings, floats compare exactly; an error value never breaks one.
TEST(Groups, WhatCountsAsAChange) {
    struct Case {
        EvalValue before, now;
        bool changed;
    };
    const Case cases[] = {
        {EvalValue::String("abc"), EvalValue::String("ABC"), true},
        {EvalValue::String("abc"), EvalValue::String("abc"), false},
        {EvalValue::String("ab"), EvalValue::String("ab "), true},
        {EvalValue::Integer(1), EvalValue::Integer(1), false},
        // As the expression language's `=` compares: numbers by value,
        // whatever their kind, and a number with a text as texts.
        {EvalValue::Integer(1), EvalValue::Float(1.0), false},
        {EvalValue::Float(0.0), EvalValue::Float(-0.0), false},
        {EvalValue::Float(-0.0), EvalValue::Float(0.0), false},
        {EvalValue::Integer(0), EvalValue::Float(-0.0), false},
        {EvalValue::Integer(1), EvalValue::String("1"), false},
        {EvalValue::Integer(1), EvalValue::String("1.0"), true},
        {EvalValue::Integer(1), EvalValue::Float(1.5), true},
        {EvalValue::Float(0.1 + 0.2), EvalValue::Float(0.3), true},
        {EvalValue::Float(2.5), EvalValue::Float(2.5), false},
        {EvalValue::Boolean(true), EvalValue::Boolean(false), true},
        {EvalValue::Integer(1), EvalValue::Error("Conversion error"), false},
        {EvalValue::Error("x"), EvalValue::Error("y"), false},
        {EvalValue::Error("x"), EvalValue::Integer(1), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(report::ValueKindName(c.before.Kind)) + " " + report::ValueKindName(c.now.Kind));
        EXPECT_EQ(report::GroupValueChanged(c.before, c.now), c.changed);
    }
}

// A group with ReprintOnNewPage prints its header again at the top of every
// new page while it is open, not at the top of a new column on the same page.
TEST(Groups, HeadersReprintOnNewPages) {
    struct Case {
        int columns;
        bool reprint;
        std::vector<int> header_pages;
    };
    // 60 details of 100 on a body of 2770: 26 a column after the header.
    const Case cases[] = {
        {1, true, {1, 2, 3}},
        {1, false, {1}},
        {2, true, {1, 2}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.columns) + std::to_string(c.reprint));
        GroupRun r;
        r.report->Page()->SetColumns(c.columns);
        TBRGroup* g = r.group("Country", "Country", "Country");
        g->ReprintOnNewPage = c.reprint;
        std::vector<int> pages;
        g->AfterPrint = [&](TBRCustomBand*, bool printed) {
            if (printed) pages.push_back(r.report->PageCount());
        };
        r.band(rbDetail, "D");
        std::vector<std::vector<std::string>> rows(60, {"BR", "Rio"});
        rows.push_back({"PT", "Porto"});
        r.rows(kPlaceFields, rows);
        r.report->SetDataSet(r.data);
        r.run();
        std::vector<int> expected = c.header_pages;
        // The PT group opens on the last page.
        expected.push_back(r.report->PageCount() == 0 ? 0 : int(r.output.pages.size()));
        EXPECT_EQ(pages, expected);
    }
}

// Progress over the report's own dataset: DetailNumber * 100 div records
// after every record; a cancel at the 50th record stops the loop there,
// without group footers or summary, and aborts the output.
TEST(Groups, ProgressAndCancel) {
    for (const bool cancel : {false, true}) {
        SCOPED_TRACE(cancel);
        GroupRun r;
        r.band(rbTitle, "T");
        r.group("Country", "Country", "Country");
        r.band(rbDetail, "D");
        r.band(rbSummary, "S");
        std::vector<std::vector<std::string>> rows(200, {"BR", "Rio"});
        r.rows(kPlaceFields, rows);
        r.report->SetDataSet(r.data);
        if (cancel)
            r.output.on_progress = [&r](int percent) {
                if (percent == 25) r.report->CancelRun();
            };
        r.run();
        std::vector<int> expected;
        for (int n = 1; n <= (cancel ? 50 : 200); ++n) expected.push_back(n * 100 / 200);
        EXPECT_EQ(r.output.progress, expected);
        const auto details = std::count(r.log.begin(), r.log.end(), "D");
        EXPECT_EQ(details, cancel ? 50 : 200);
        EXPECT_EQ(r.log.back(), cancel ? "D" : "S");
        EXPECT_EQ(r.output.aborted, cancel ? 1 : 0);
        EXPECT_EQ(r.output.ended, cancel ? 0 : 1);
        EXPECT_TRUE(r.report->Ready());
    }
}

// A dataset that is closed or fails while the run reads it ends the run
// with an error; the output is aborted, never ended as if complete.
TEST(Groups, ADatasetFailingDuringTheRunEndsItWithAnError) {
    GroupRun r;
    TBRCustomBand* detail = r.band(rbDetail, "D");
    r.band(rbSummary, "S");
    r.rows(kPlaceFields, std::vector<std::vector<std::string>>(10, {"BR", "Rio"}));
    r.report->SetDataSet(r.data);
    int printed = 0;
    detail->AfterPrint = [&](TBRCustomBand*, bool) {
        if (++printed == 4) r.data->Close();
    };
    EXPECT_THROW(r.run(), EDatabaseError);
    EXPECT_EQ(printed, 4);
    EXPECT_EQ(r.output.aborted, 1);
    EXPECT_EQ(r.output.ended, 0);
    EXPECT_TRUE(r.report->Ready());
}

// Query parameters named in the report's environment take the entries'
// values before each opening, converted to the parameter's type (an untyped
// parameter takes the value's kind); a value that cannot take the type ends
// the run naming the parameter.
TEST(Groups, QueryParametersFromTheEnvironment) {
    test_support::ScratchDir dir;
    const std::string db = dir / "p.db";
    ASSERT_EQ(test_support::run_status("sqlite3 " + test_support::shell_quote(db) +
                                       " 'create table t(id integer, name text); "
                                       "insert into t values (7, \"seven\"), (8, \"eight\");'"),
              0);
    struct Case {
        const char* sql;
        TFieldType type;
        std::string entry;
        std::string expected;  // the parameter's text afterwards, or the error
        std::string rows;      // names read
        TFieldType type_after = ftUnknown;  // ftUnknown: the type before
    };
    const Case cases[] = {
        {"select name from t where id = :CUSTID", ftInteger, "7", "7", "seven"},
        {"select name from t where id = :CUSTID", ftInteger, "'7'", "7", "seven"},
        {"select name from t where id = :CUSTID", ftInteger, "8.0", "8", "eight"},
        {"select name from t where id = :CUSTID", ftSmallint, "8", "8", "eight"},
        {"select name from t where id = :CUSTID", ftLargeint, "8", "8", "eight"},
        {"select name from t where id = :CUSTID", ftUnknown, "8", "8", "eight", ftInteger},
        {"select name from t where id < :CUSTID", ftUnknown, "7.5", "7.5", "seven", ftFloat},
        {"select name from t where name = :CUSTID", ftUnknown, "'eight'", "eight", "eight", ftString},
        {"select name from t where name = :CUSTID", ftString, "'eight'", "eight", "eight"},
        {"select name from t where name = :CUSTID", ftString, "8", "8", ""},
        {"select name from t where id < :CUSTID", ftFloat, "7.5", "7.5", "seven"},
        {"select name from t where id < :CUSTID", ftFloat, "9", "9", "seven eight"},
        {"select name from t where (id = 7) = :CUSTID", ftBoolean, "1 = 1", "True", "seven"},
        {"select name from t where id = :CUSTID", ftInteger, "'x'", "Q: parameter CUSTID: 'x' is not an integer", ""},
        {"select name from t where id = :CUSTID", ftInteger, "7.5", "Q: parameter CUSTID: '7.5' is not an integer",
         ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sql + (" with " + c.entry));
        TBandReport report(nullptr);
        auto* query = new TQuery(&report);
        query->SetName("Q");
        query->SetDatabaseName(db);
        query->SQL()->SetText(c.sql);
        TParam* param = query->ParamByName("CUSTID");
        param->SetText(c.type == ftString ? "x" : "1");
        param->SetDataType(c.type);
        report.Functions()->DefineEntry("custid", c.entry);
        report.Functions()->PrepareEntries();
        query->Open();
        if (c.expected.rfind("Q: ", 0) == 0) {
            try {
                RefreshQueryParameters(query, report.Functions());
                ADD_FAILURE() << "no error";
            } catch (const EDatabaseError& e) {
                EXPECT_EQ(e.Message(), c.expected);
            }
            report.Functions()->UnprepareEntries();
            continue;
        }
        RefreshQueryParameters(query, report.Functions());
        report.Functions()->UnprepareEntries();
        EXPECT_TRUE(query->Active());
        EXPECT_EQ(param->DataType(), c.type_after == ftUnknown ? c.type : c.type_after);
        if (c.type == ftBoolean) EXPECT_EQ(param->AsBoolean(), true);
        else EXPECT_EQ(param->Text(), c.expected);
        std::string names;
        for (query->First(); !query->Eof(); query->Next())
            names += (names.empty() ? "" : " ") + query->FieldByName("name").AsString();
        EXPECT_EQ(names, c.rows);
    }
}
