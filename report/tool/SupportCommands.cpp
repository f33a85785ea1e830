#include "report/tool/SupportCommands.h"
#include "report/tool/ToolText.h"

#include "report/print/BRExportFilters.h"
#include "report_support/RSConsts.h"
#include "report_support/RSPDFFilter.h"
#include "report_support/RSTypes.h"
#include "report_support/Startup.h"

#include <charconv>
#include <cstdio>
#include <ostream>

namespace report::tool {
namespace {

using namespace report_support;

// index, text
void print_messages(std::ostream& out) {
    const auto& table = LocaleMessageTable();
    for (int i = 0; i < LocaleMessageCount; ++i) out << i << '\t' << table[i] << '\n';
}

// index, description, width, height (mm), printer paper code, "emulated" or "coded"
void print_papers(std::ostream& out) {
    const auto& table = RSPaperTable();
    for (int i = 0; i < PaperCount; ++i) {
        const TRSPaperInfo& p = table[i];
        out << i << '\t' << p.Description << '\t' << number(p.WidthMM) << '\t' << number(p.HeightMM) << '\t'
            << p.WindowsPaperCode << '\t' << (p.Emulated ? "emulated" : "coded") << '\n';
    }
}

// name, value
void print_pdf_defaults(std::ostream& out) {
    const TRSPDFFilterDocumentInfo* info = DefaultPdfDocumentInfo();
    const TRSPDFFilterTextControl* text = DefaultPdfTextControl();
    out << "DocumentInfo.Title\t" << info->Title << '\n'
        << "DocumentInfo.Subject\t" << info->Subject << '\n'
        << "DocumentInfo.Author\t" << info->Author << '\n'
        << "DocumentInfo.KeyWords\t" << info->KeyWords << '\n'
        << "DocumentInfo.Creator\t" << info->Creator << '\n'
        << "DocumentInfo.Producer\t" << info->Producer << '\n'
        << "TextControl.FormFeed\t" << (text->FormFeed ? "True" : "False") << '\n'
        << "TextControl.WordWrap\t" << (text->WordWrap ? "True" : "False") << '\n'
        << "TextControl.TabSize\t" << text->TabSize << '\n';
}

// name, code as four hexadecimal digits; in stored order
void print_glyphs(std::ostream& out) {
    for (const TUniGlyphRecord& g : UniGlyph) {
        char code[8];
        std::snprintf(code, sizeof code, "%04X", unsigned(g.Code));
        out << g.Name << '\t' << code << '\n';
    }
}

}  // namespace

int support_command(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    using Printer = void (*)(std::ostream&);
    Printer print = nullptr;
    if (args.size() == 1) {
        if (args[0] == "messages") print = print_messages;
        else if (args[0] == "papers") print = print_papers;
        else if (args[0] == "pdf-defaults") print = print_pdf_defaults;
        else if (args[0] == "glyphs") print = print_glyphs;
    }
    if (!print) {
        err << "usage: report-tool support messages|papers|pdf-defaults|glyphs\n";
        return 2;
    }
    report_support::unit_startup();
    print(out);
    report_support::unit_shutdown();
    return out.good() ? 0 : 1;
}

}  // namespace report::tool
