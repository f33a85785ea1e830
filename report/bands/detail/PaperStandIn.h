#pragma once
// Stand-in for the paper tables of report/print until they land: only the
// paper sizes that the page geometry uses. Removed when report/print comes.
#include <cstdint>
#include <string>
#include <vector>

enum class TBRPaperSize : std::uint8_t { Default, Letter, LetterSmall, Tabloid, Ledger, Legal, Statement, Executive, A3, A4, A4Small, A5, B4, B5, Folio, Quarto, br10X14, br11X17, Note, Env9, Env10, Env11, Env12, Env14, CSheet, DSheet, ESheet, EnvDL, EnvC5, EnvC3, EnvC4, EnvC6, EnvC65, EnvB4, EnvB5, EnvB6, EnvItaly, EnvMonarch, EnvPersonal, FanfoldUSStd, FanfoldGerStd, FanfoldGerLegal, B4ISO, PostcardJap, br9X11, br10X11, br15X11, EnvInvite, Reserved1, Reserved2, LetterExtra, LegalExtra, TabloidExtra, A4Extra, LetterTrans, A4Trans, LetterExtraTrans, SuperASuperAA4, SuperBSuperBA3, LetterPlus, A4Plus, A5Trans, B5Trans, A3Extra, A5Extra, B5Extra, A2, A3Trans, A3ExtraTrans, Custom };
enum TPrinterOrientation : std::uint8_t { poPortrait, poLandscape };

namespace report_bands::detail {
// Width and height in millimetres of a paper size (1 to 68); false for Default and Custom.
inline bool paper_mm(TBRPaperSize size, long double& w, long double& h) {
    switch (size) {
    case TBRPaperSize::Letter: w = 215.9L; h = 279.4L; return true;
    case TBRPaperSize::A4: w = 210; h = 297; return true;
    case TBRPaperSize::A5: w = 148; h = 210; return true;
    case TBRPaperSize::Legal: w = 215.9L; h = 355.6L; return true;
    default: return false;
    }
}
inline std::vector<std::string> paper_size_names() { return {"Default", "Letter", "LetterSmall", "Tabloid", "Ledger", "Legal", "Statement", "Executive", "A3", "A4", "A4Small", "A5", "B4", "B5", "Folio", "Quarto", "br10X14", "br11X17", "Note", "Env9", "Env10", "Env11", "Env12", "Env14", "CSheet", "DSheet", "ESheet", "EnvDL", "EnvC5", "EnvC3", "EnvC4", "EnvC6", "EnvC65", "EnvB4", "EnvB5", "EnvB6", "EnvItaly", "EnvMonarch", "EnvPersonal", "FanfoldUSStd", "FanfoldGerStd", "FanfoldGerLegal", "B4ISO", "PostcardJap", "br9X11", "br10X11", "br15X11", "EnvInvite", "Reserved1", "Reserved2", "LetterExtra", "LegalExtra", "TabloidExtra", "A4Extra", "LetterTrans", "A4Trans", "LetterExtraTrans", "SuperASuperAA4", "SuperBSuperBA3", "LetterPlus", "A4Plus", "A5Trans", "B5Trans", "A3Extra", "A5Extra", "B5Extra", "A2", "A3Trans", "A3ExtraTrans", "Custom"}; }
}  // namespace report_bands::detail
