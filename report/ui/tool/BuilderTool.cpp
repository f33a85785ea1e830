#include "report/ui/tool/BuilderTool.h"

#include "platform/core/FormResource.h"
#include "platform/core/StringList.h"
#include "platform/data/Startup.h"
#include "platform/graphics/qt/QtCanvas.h"
#include "platform/os/Files.h"
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

#include <nlohmann/json.hpp>

#include <charconv>
#include <cmath>
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

namespace {

using Json = nlohmann::ordered_json;

// The node of the component named `name` in a layout document.
Json* find_node(Json& node, const std::string& name) {
    if (!node.is_object()) return nullptr;
    if (node.contains("name") && node["name"].is_string() && SameText(node["name"].get<std::string>(), name))
        return &node;
    if (node.contains("children") && node["children"].is_array())
        for (Json& child : node["children"])
            if (Json* found = find_node(child, name)) return found;
    return nullptr;
}

// A native value to a millionth of a native unit (far below what any unit
// shows), as the shortest text that reads back: a typed 4.6 inches is
// stored as 1168.4, not as the conversion's 1168.39999999999991.
std::string native_text(long double v) {
    char buf[64];
    const double kept = std::round(double(v) * 1e6) / 1e6;
    auto res = std::to_chars(buf, buf + sizeof buf, kept == 0 ? 0.0 : kept);
    return std::string(buf, res.ptr);
}

// Writes what the editor changed of `control` into its node and nothing
// else: the other properties, the other components and every value the
// person left alone stay as the file has them.
void patch_control(Json& node, const TBRCustomLabel& control, const EditorChanges& changes, bool expression) {
    Json& props = node["properties"];
    if (!props.is_object()) props = Json::object();
    // The property as the control writes it now; gone when at its default.
    const Json written = Json::parse(core::write_component(control))["properties"];
    const auto take = [&](const char* property) {
        if (written.contains(property)) props[property] = written[property];
        else props.erase(property);
    };
    if (changes.value) take(expression ? "Expression" : "Caption");
    if (changes.auto_size) take("AutoSize");
    if (changes.stretch) take("AutoStretch");
    if (changes.transparent) take("Transparent");
    if (expression && changes.mask) take("Mask");
    if (changes.width || changes.height) {
        // Size values: height, left, top, width in native units; only the
        // ones changed are written over the stored ones.
        const std::vector<long double> now = control.Size()->WriteValueList();
        Json& values = props["Size"]["Values"];
        if (!values.is_array() || values.size() < now.size()) {
            values = Json::array();
            for (long double v : now) values.push_back(native_text(v));
        } else {
            if (changes.height) values[0] = native_text(now[0]);
            if (changes.width) values[3] = native_text(now[3]);
        }
        // Pixel bounds stored beside them would be read over the new size.
        for (const char* pixels : {"Left", "Top", "Width", "Height"}) props.erase(pixels);
    }
}

}  // namespace

EditOutcome edit_layout_control(const std::string& file, const std::string& name, const std::string& database,
                                const std::function<bool(TBRPrintable&)>& show) {
    // The control is edited in a copy whose datasets are open (the builder
    // lists their fields). What the editor changed is then written into the
    // layout's own document, so the file keeps every other value as it was
    // written and never gains the opened state, a connection or defaults.
    const std::string document = os::read_file(file);
    Layout shown = read_layout(file);
    if (!database.empty()) open_datasets(shown, database);
    TBRCustomLabel& control = text_control(shown, name, file);
    const bool expression = control.EditorClass() == "TBRExprEditor";
    const EditorValues before = editor_values(control, expression);
    const long double width = control.Size()->NativeWidth(), height = control.Size()->NativeHeight();
    bool ok = false;
    if (show) {
        ok = show(control);
    } else {
        std::unique_ptr<TBRPrintableEditor> editor = create_printable_editor(control);
        if (!editor) throw Exception("No editor for " + name);
        ok = editor->ShowEditor();
    }
    if (!ok) return EditOutcome::Cancelled;
    EditorChanges changes = editor_changes(before, editor_values(control, expression));
    changes.width = control.Size()->NativeWidth() != width;
    changes.height = control.Size()->NativeHeight() != height;
    if (!changes.any()) return EditOutcome::Unchanged;
    Json layout = Json::parse(document);
    Json* node = find_node(layout, control.Name());
    if (!node) throw Exception("No text or expression control named " + name + " in " + file);
    patch_control(*node, control, changes, expression);
    os::write_file(file, layout.dump(2) + "\n");
    return EditOutcome::Saved;
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
            const EditOutcome outcome = edit_layout_control(plain[0], plain[1], database);
            out << (outcome == EditOutcome::Saved ? "saved\n" : "unchanged\n");
            return outcome == EditOutcome::Cancelled ? 1 : 0;
        }
    } catch (const std::exception& e) {
        err << "report-tool: " << e.what() << '\n';
        return 1;
    }
    err << kUsage;
    return 2;
}

}  // namespace report
