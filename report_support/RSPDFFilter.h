#pragma once
// Settings of the PDF filter: document information and text control, with the
// defaults start-up creates, and the names of the standard PDF fonts.

#include "platform/core/Classes.h"

#include <array>
#include <string>
#include <string_view>

namespace report_support {

// The library's name and version as a PDF's Creator begins: "ReportSupport v3.23".
inline constexpr std::string_view ReportSupportName = "ReportSupport v";
inline constexpr std::string_view ReportSupportMajor = "3";
inline constexpr std::string_view ReportSupportMinor = "23";
// The notice that follows the name and version in the default Creator.
inline constexpr std::string_view ReportSupportNotice = " - Tamblero report support library";
std::string DefaultPdfCreator();

// A PDF document's information entries.
class TRSPDFFilterDocumentInfo : public TPersistent {
public:
    static TClass StaticClass();
    TClass ClassType() const override { return StaticClass(); }
    void Assign(const TPersistent* source) override;

    std::string Title, Subject, Author, KeyWords, Creator, Producer;
};

// How text pages become PDF text.
class TRSPDFFilterTextControl : public TPersistent {
public:
    static TClass StaticClass();
    TClass ClassType() const override { return StaticClass(); }
    void Assign(const TPersistent* source) override;

    bool FormFeed = true;   // a new page for every form feed
    bool WordWrap = false;
    int TabSize = 8;
};

// The process's defaults; null outside start-up and shut-down.
TRSPDFFilterDocumentInfo* DefaultPdfDocumentInfo();
TRSPDFFilterTextControl* DefaultPdfTextControl();

// The 14 standard PDF fonts.
inline constexpr std::array<std::string_view, 14> PdfStandardFontNames{
    "Courier",   "Courier-Bold",   "Courier-Oblique",  "Courier-BoldOblique", "Helvetica",
    "Helvetica-Bold", "Helvetica-Oblique", "Helvetica-BoldOblique", "Symbol",  "Times-Roman",
    "Times-Bold", "Times-Italic", "Times-BoldItalic", "ZapfDingbats"};

// Start-up: registers the two classes and creates the defaults (Creator set to
// DefaultPdfCreator(), everything else as a new object has it).
void InitPdfFilterDefaults();
void DonePdfFilterDefaults();

}  // namespace report_support
