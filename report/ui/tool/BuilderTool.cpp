#include "report/ui/tool/BuilderTool.h"

#include "platform/core/FormResource.h"
#include "platform/core/StringList.h"
#include "platform/data/Startup.h"
#include "platform/graphics/qt/QtCanvas.h"
#include "platform/os/ReplacingFile.h"
#include "platform/ui/Headless.h"
#include "platform/ui/Startup.h"
#include "report/bands/BandRptReport.h"
#include "report/controls/BRCustomLabel.h"
#include "report/engine/BRRegister.h"
#include "report/engine/ReportRun.h"
#include "report/engine/Startup.h"
#include "report/ui/BRExprBuilder.h"
#include "report/ui/BRExprBuilderLogic.h"
#include "report/ui/BRLabelEditor.h"

#include <memory>
#include <optional>

namespace report {

namespace {

constexpr const char* kUsage =
    "usage: report-tool builder [--layout LAYOUT.json [--db FILE]] [--validate EXPR]\n"
    "       report-tool edit LAYOUT.json CONTROL [--db FILE]\n";

// The units the commands need, started in order and stopped in reverse.
struct Units {
    explicit Units(bool windows) : windows_(windows) {
        if (windows_) ui::unit_startup();
        else qt_ = std::make_unique<graphics::qt::GraphicsScope>();
        data::unit_startup();
        report::unit_startup();
        RegisterEditorClasses();
    }
    ~Units() {
        UnregisterEditorClasses();
        report::unit_shutdown();
        data::unit_shutdown();
        if (windows_) ui::unit_shutdown();
    }
    bool windows_;
    std::unique_ptr<graphics::qt::GraphicsScope> qt_;
};

TComponent* find_control(TComponent* root, const std::string& name) {
    if (!root) return nullptr;
    if (TComponent* found = root->FindComponent(name)) return found;
    for (int i = 0; i < root->ComponentCount(); ++i)
        if (TComponent* found = find_control(root->Components(i), name)) return found;
    return nullptr;
}

TBRCustomLabel& text_control(Layout& layout, const std::string& name, const std::string& file) {
    auto* control = dynamic_cast<TBRCustomLabel*>(find_control(layout.root.get(), name));
    if (!control) throw Exception("No text or expression control named " + name + " in " + file);
    return *control;
}

int needs_display(std::ostream& err, const char* command) {
    err << "report-tool: " << command << " needs a display (DISPLAY or WAYLAND_DISPLAY)\n";
    return 1;
}

}  // namespace

const char* builder_usage() { return kUsage; }

bool edit_layout_control(const std::string& file, const std::string& name, const std::string& database,
                         const std::function<bool(TBRPrintable&)>& show) {
    // The control is edited in a copy whose datasets are open (the builder
    // lists their fields); its new settings go into a fresh copy, which is
    // saved, so the file never gains the opened state or a connection.
    Layout shown = read_layout(file);
    if (!database.empty()) open_datasets(shown, database);
    TBRCustomLabel& control = text_control(shown, name, file);
    bool ok = false;
    if (show) {
        ok = show(control);
    } else {
        std::unique_ptr<TBRPrintableEditor> editor = create_printable_editor(control);
        if (!editor) throw Exception("No editor for " + name);
        ok = editor->ShowEditor();
    }
    if (!ok) return false;
    Layout saved = read_layout(file);
    TBRCustomLabel& target = text_control(saved, name, file);
    const bool expression = target.EditorClass() == "TBRExprEditor";
    apply_editor_values(target, editor_values(control, expression), expression);
    os::write_file(file, core::write_component(*saved.root));
    return true;
}

int builder_tool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.empty()) {
        err << kUsage;
        return 2;
    }
    std::string layout_file, database, control;
    std::optional<std::string> validate;
    std::vector<std::string> plain;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool has_value = i + 1 < args.size();
        if (a == "--layout" && has_value) layout_file = args[++i];
        else if (a == "--db" && has_value) database = args[++i];
        else if (a == "--validate" && has_value) validate = args[++i];
        else if (!a.empty() && a[0] != '-') plain.push_back(a);
        else {
            err << kUsage;
            return 2;
        }
    }
    try {
        if (args[0] == "builder" && plain.empty()) {
            if (!validate && ui::is_headless()) return needs_display(err, "builder");
            Units units(!validate);
            Layout layout;
            if (!layout_file.empty()) {
                layout = read_layout(layout_file);
                open_datasets(layout, database);
            }
            if (validate) {
                std::unique_ptr<TStringList> datasets(CollectDataSets(layout.root.get(), true));
                // With a layout, the report's variables (PAGENUMBER, ...) are known too.
                const std::string text =
                    validation_text(*validate, datasets.get(), layout.report ? layout.report->Functions() : nullptr);
                out << text << '\n';
                return text.rfind("ERROR: ", 0) == 0 ? 1 : 0;
            }
            std::string expression;
            if (!ShowExpressionBuilder("", expression, layout.root.get(), nullptr, nullptr)) return 1;
            out << expression << '\n';
            return 0;
        }
        if (args[0] == "edit" && plain.size() == 2 && layout_file.empty() && !validate) {
            if (ui::is_headless()) return needs_display(err, "edit");
            Units units(true);
            const bool changed = edit_layout_control(plain[0], plain[1], database);
            out << (changed ? "saved\n" : "unchanged\n");
            return changed ? 0 : 1;
        }
    } catch (const std::exception& e) {
        err << "report-tool: " << e.what() << '\n';
        return 1;
    }
    err << kUsage;
    return 2;
}

}  // namespace report
