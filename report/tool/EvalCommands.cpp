#include "report/tool/EvalCommands.h"

#include <iostream>
#include <memory>
#include <optional>

#include "platform/data/DBTables.h"
#include "report/expr/BRExpr.h"

namespace report::tool {

namespace {

const char* const kUsage =
    "usage: report-tool eval [--db FILE --sql QUERY] [--each|--aggregate] [--env NAME=EXPR]... EXPR\n"
    "  prints the kind and value of EXPR: once; with --each once per record of the query;\n"
    "  with --aggregate once, after aggregating over every record. The query's dataset is\n"
    "  named Query; --env defines report variables (NAME=EXPR).\n";

int usage(std::ostream& err, const std::string& problem) {
    err << "report-tool eval: " << problem << '\n' << kUsage;
    return 2;
}

// Prints a value; answers whether it was an error.
bool print(std::ostream& out, const EvalValue& v) {
    out << report::ValueKindName(v.Kind) << ' ' << (v.Kind == vkError ? v.Text : FormatEvalResult(v)) << '\n';
    return v.Kind == vkError;
}

}  // namespace

int eval_command(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    std::optional<std::string> db, sql, expression;
    enum { Once, Each, Aggregate } mode = Once;
    std::vector<std::pair<std::string, std::string>> entries;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&]() -> std::optional<std::string> {
            if (i + 1 >= args.size()) return std::nullopt;
            return args[++i];
        };
        if (a == "--db" || a == "--sql" || a == "--env") {
            auto v = value();
            if (!v) return usage(err, a + " needs a value");
            if (a == "--db") {
                db = *v;
            } else if (a == "--sql") {
                sql = *v;
            } else {
                std::size_t eq = v->find('=');
                if (eq == std::string::npos || eq == 0) return usage(err, "--env takes NAME=EXPR");
                entries.emplace_back(v->substr(0, eq), v->substr(eq + 1));
            }
        } else if (a == "--each" || a == "--aggregate") {
            if (mode != Once) return usage(err, "--each and --aggregate go alone");
            mode = a == "--each" ? Each : Aggregate;
        } else if (a == "--") {
            if (i + 2 != args.size() || expression) return usage(err, "one expression");
            expression = args[++i];
        } else if (a.size() > 2 && a.compare(0, 2, "--") == 0) {
            return usage(err, "unknown option " + a);
        } else {
            if (expression) return usage(err, "one expression");
            expression = a;
        }
    }
    if (!expression) return usage(err, "no expression");
    if (db.has_value() != sql.has_value()) return usage(err, "--db and --sql go together");
    if (mode != Once && !db) return usage(err, "--each and --aggregate need --db and --sql");

    TQuery query(nullptr);
    TList datasets;
    if (db) {
        if (!FileExists(*db)) {
            err << "report-tool eval: no such database: " << *db << '\n';
            return 1;
        }
        // The tool only reads: the database is opened read-only, so a command
        // that would change it fails. The records are visited once, front to
        // back: only a block of them is held at a time.
        query.SetName("Query");
        query.SetDatabaseName(*db);
        query.SetReadOnlyDatabase(true);
        query.SetUniDirectional(mode != Once);
        query.SQL()->Add(*sql);
        try {
            query.Open();
        } catch (const Exception& e) {
            err << "report-tool eval: " << e.Message() << '\n';
            return 1;
        }
        datasets.Add(&query);
    }

    TBREvEnvironment environment;
    if (db) environment.UseDataSetList(&datasets);
    for (const auto& [name, text] : entries) environment.DefineEntry(name, text);
    environment.PrepareEntries();

    TBREvaluator evaluator;
    if (db) evaluator.UseDataSetList(&datasets);
    evaluator.NameEnvironment = &environment;
    evaluator.CompileExpression(*expression);
    evaluator.ResetAggregates();

    EvalValue v;
    int status = 0;
    try {
        switch (mode) {
        case Once:
            evaluator.EvaluateCompiled(v);
            if (print(out, v)) status = 1;
            break;
        case Each:
            for (query.First(); !query.Eof(); query.Next()) {
                evaluator.AccumulateAggregates();
                evaluator.EvaluateCompiled(v);
                if (print(out, v)) status = 1;
            }
            break;
        case Aggregate:
            for (query.First(); !query.Eof(); query.Next()) evaluator.AccumulateAggregates();
            evaluator.EvaluateCompiled(v);
            if (print(out, v)) status = 1;
            break;
        }
    } catch (const Exception& e) {
        err << "report-tool eval: " << e.Message() << '\n';
        status = 1;
    }
    evaluator.ReleaseCompiled();
    environment.UnprepareEntries();
    return status;
}

}  // namespace report::tool
