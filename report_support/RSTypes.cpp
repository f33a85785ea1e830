#include "report_support/RSTypes.h"

#include "platform/core/SysUtils.h"

namespace report_support {
namespace {

// Sizes in millimetres, width first, as the descriptions give them. Sizes
// measured in inches are converted to hundredths of a millimetre. A row with a
// printer paper code has that paper's size (transverse papers are named, and
// sized, as their sheet stands upright).
constexpr std::array<PaperRow, PaperCount> kPapers{{
    /* 0 */ {"A0 841 x 1189 mm", 841, 1189, 0},
    /* 1 */ {"A1 594 x 841 mm", 594, 841, 0},
    /* 2 */ {"A2 420 x 594 mm", 420, 594, 66},
    /* 3 */ {"A3 297 x 420 mm", 297, 420, 8},
    /* 4 */ {"A4 210 x 297 mm", 210, 297, 9},
    /* 5 */ {"A5 148 x 210 mm", 148, 210, 11},
    /* 6 */ {"A6 105 x 148 mm", 105, 148, 70},
    /* 7 */ {"A7 74 x 105 mm", 74, 105, 0},
    /* 8 */ {"A8 52 x 74 mm", 52, 74, 0},
    /* 9 */ {"A9 37 x 52 mm", 37, 52, 0},
    /* 10 */ {"A10 26 x 37 mm", 26, 37, 0},
    /* 11 */ {"B0 1000 x 1414 mm", 1000, 1414, 0},
    /* 12 */ {"B1 707 x 1000 mm", 707, 1000, 0},
    /* 13 */ {"B2 500 x 707 mm", 500, 707, 0},
    /* 14 */ {"B3 353 x 500 mm", 353, 500, 0},
    /* 15 */ {"B4 250 x 353 mm", 250, 353, 42},
    /* 16 */ {"B5 176 x 250 mm", 176, 250, 0},
    /* 17 */ {"B6 125 x 176 mm", 125, 176, 0},
    /* 18 */ {"B7 88 x 125 mm", 88, 125, 0},
    /* 19 */ {"B8 62 x 88 mm", 62, 88, 0},
    /* 20 */ {"B9 44 x 62 mm", 44, 62, 0},
    /* 21 */ {"B10 31 x 44 mm", 31, 44, 0},
    /* 22 */ {"SRA0 900 x 1280 mm", 900, 1280, 0},
    /* 23 */ {"SRA1 640 x 900 mm", 640, 900, 0},
    /* 24 */ {"SRA2 450 x 640 mm", 450, 640, 0},
    /* 25 */ {"SRA3 320 x 450 mm", 320, 450, 0},
    /* 26 */ {"SRA4 225 x 320 mm", 225, 320, 0},
    /* 27 */ {"RA0 860 x 1220 mm", 860, 1220, 0},
    /* 28 */ {"RA1 610 x 860 mm", 610, 860, 0},
    /* 29 */ {"RA2 430 x 610 mm", 430, 610, 0},
    /* 30 */ {"RA3 305 x 430 mm", 305, 430, 0},
    /* 31 */ {"RA4 215 x 305 mm", 215, 305, 0},
    /* 32 */ {"2A 1189 x 1682 mm", 1189, 1682, 0},
    /* 33 */ {"2B 1414 x 2000 mm", 1414, 2000, 0},
    /* 34 */ {"4A 1682 x 2378 mm", 1682, 2378, 0},
    /* 35 */ {"4B 2000 x 2828 mm", 2000, 2828, 0},
    /* 36 */ {"9x11 228.6 x 279.4 mm", 228.6, 279.4, 44},
    /* 37 */ {"10x11 254 x 279.4 mm", 254, 279.4, 45},
    /* 38 */ {"10x14 254 x 355.6 mm", 254, 355.6, 16},
    /* 39 */ {"11x17 279.4 x 431.8 mm", 279.4, 431.8, 17},
    /* 40 */ {"12x11 304.8 x 279.4 mm", 304.8, 279.4, 90},
    /* 41 */ {"15x11 381 x 279.4 mm", 381, 279.4, 46},
    /* 42 */ {"A3 Extra 322.44 x 445.2 mm", 322.44, 445.2, 63},
    /* 43 */ {"A3 Extra Transverse 322 x 445 mm", 322, 445, 68},
    /* 44 */ {"A3 Transverse 297 x 420 mm", 297, 420, 67},
    /* 45 */ {"A4 Small 210 x 297 mm", 210, 297, 10},
    /* 46 */ {"A4 Extra 235.3 x 322.44 mm", 235.3, 322.44, 53},
    /* 47 */ {"A4 Plus 210 x 330 mm", 210, 330, 60},
    /* 48 */ {"A4 Transverse 210 x 297 mm", 210, 297, 55},
    /* 49 */ {"A5 Extra 174 x 235 mm", 174, 235, 64},
    /* 50 */ {"A5 Transverse 148 x 210 mm", 148, 210, 61},
    /* 51 */ {"SuperA/SuperA/A4 227 x 356 mm", 227, 356, 57},
    /* 52 */ {"B4 (JIS) 250 x 354", 250, 354, 0},
    /* 53 */ {"B5 (ISO) Extra 201 x 276 mm", 201, 276, 65},
    /* 54 */ {"B5 (JIS) Transverse 182 x 257 mm", 182, 257, 62},
    /* 55 */ {"B6 (JIS) 128 x 182 mm", 128, 182, 88},
    /* 56 */ {"SuperB/SuperB/A3 305 x 487 mm", 305, 487, 58},
    /* 57 */ {"Envelope #9 98.43 x 225.43 mm", 98.43, 225.43, 19},
    /* 58 */ {"Envelope #10 104.78 x 241.3 mm", 104.78, 241.3, 20},
    /* 59 */ {"Envelope #11 114.3 x 263.53 mm", 114.3, 263.53, 21},
    /* 60 */ {"Envelope #12 120.65 x 279.4 mm", 120.65, 279.4, 22},
    /* 61 */ {"Envelope #14 127 x 292.1 mm", 127, 292.1, 23},
    /* 62 */ {"Envelope B4 250 x 353 mm", 250, 353, 33},
    /* 63 */ {"Envelope B5 176 x 250 mm", 176, 250, 34},
    /* 64 */ {"Envelope B6 176 x 125 mm", 176, 125, 35},
    /* 65 */ {"Envelope C0 917 x 1297 mm", 917, 1297, 0},
    /* 66 */ {"Envelope C1 648 x 917 mm", 648, 917, 0},
    /* 67 */ {"Envelope C2 458 x 648 mm", 458, 648, 0},
    /* 68 */ {"Envelope C3 324 x 458 mm", 324, 458, 29},
    /* 69 */ {"Envelope C4 229 x 324 mm", 229, 324, 30},
    /* 70 */ {"Envelope C5 162 x 229 mm", 162, 229, 28},
    /* 71 */ {"Envelope C5E 163 x 229 mm", 163, 229, 0},
    /* 72 */ {"Envelope C6 114 x 162 mm", 114, 162, 31},
    /* 73 */ {"Envelope C65 114 x 229 mm", 114, 229, 32},
    /* 74 */ {"Envelope C7 81 x 114 mm", 81, 114, 0},
    /* 75 */ {"Envelope C8 57 x 81 mm", 57, 81, 0},
    /* 76 */ {"Envelope C9 40 x 57 mm", 40, 57, 0},
    /* 77 */ {"Envelope C10 28 x 40 mm", 28, 40, 0},
    /* 78 */ {"Envelope DL 110 x 220 mm", 110, 220, 27},
    /* 79 */ {"Envelope Invite 220 x 220 mm", 220, 220, 47},
    /* 80 */ {"Envelope 110 x 230 mm", 110, 230, 36},
    /* 81 */ {"Envelope Monarch 98.43 x 190.5 mm", 98.43, 190.5, 37},
    /* 82 */ {"Envelope 92.08 x 165.1 mm", 92.08, 165.1, 38},
    /* 83 */ {"Letter 215.9 x 279.4 mm", 215.9, 279.4, 1},
    /* 84 */ {"Legal 215.9 x 355.6 mm", 215.9, 355.6, 5},
    /* 85 */ {"Ledger 431.8 x 279 mm", 431.8, 279, 4},
    /* 86 */ {"Tabloid 279 x 431.8 mm", 279, 431.8, 3},
    /* 87 */ {"Executive 190.5 x 254 mm", 190.5, 254, 7},
    /* 88 */ {"US Std Fanfold 377.83 x 279.4 mm", 377.83, 279.4, 39},
    /* 89 */ {"Comm10E 105 x 241 mm", 105, 241, 0},
    /* 90 */ {"DLE 110 x 220 mm", 110, 220, 0},
    /* 91 */ {"Folio 215.9 x 330.2 mm", 215.9, 330.2, 14},
    /* 92 */ {"Note 215.9 x 279.4 mm", 215.9, 279.4, 18},
    /* 93 */ {"Postcard 100 x 148 mm", 100, 148, 0},
    /* 94 */ {"Quarto 215 x 275 mm", 215, 275, 15},
    /* 95 */ {"Statement 139.7 x 215.9 mm", 139.7, 215.9, 6},
    /* 96 */ {"Legal Extra 241.3 x 381 mm", 241.3, 381, 51},
    /* 97 */ {"Legal 3 215.9 x 330.2 mm", 215.9, 330.2, 0},
    /* 98 */ {"Letter Small 215.9 x 279.4 mm", 215.9, 279.4, 2},
    /* 99 */ {"Letter Extra 241.3 x 304.8 mm", 241.3, 304.8, 50},
    /* 100 */ {"Letter Extra Transverse 241.3 x 304.8 mm", 241.3, 304.8, 56},
    /* 101 */ {"Letter Plus 215.9 x 322.33 mm", 215.9, 322.33, 59},
    /* 102 */ {"Letter Transverse 215.9 x 279.4 mm", 215.9, 279.4, 54},
    /* 103 */ {"PRC 16K 146 x 215 mm", 146, 215, 93},
    /* 104 */ {"PRC 32K 97 x 151 mm", 97, 151, 94},
    /* 105 */ {"PRC 32K(Big) 97 x 151 mm", 97, 151, 95},
    /* 106 */ {"PRC Envelope #1 102 x 165 mm", 102, 165, 96},
    /* 107 */ {"PRC Envelope #2 102 x 176 mm", 102, 176, 97},
    /* 108 */ {"PRC Envelope #3 125 x 176 mm", 125, 176, 98},
    /* 109 */ {"PRC Envelope #4 110 x 208 mm", 110, 208, 99},
    /* 110 */ {"PRC Envelope #5 110 x 220 mm", 110, 220, 100},
    /* 111 */ {"PRC Envelope #6 120 x 230 mm", 120, 230, 101},
    /* 112 */ {"PRC Envelope #7 160 x 230 mm", 160, 230, 102},
    /* 113 */ {"PRC Envelope #8 120 x 309 mm", 120, 309, 103},
    /* 114 */ {"PRC Envelope #9 229 x 324 mm", 229, 324, 104},
    /* 115 */ {"PRC Envelope #10 324 x 458 mm", 324, 458, 105},
    /* 116 */ {"Tabloid Extra 296.93 x 457.2 mm", 296.93, 457.2, 52},
    /* 117 */ {"German Legal Fanfold 215.9 x 330.2 mm", 215.9, 330.2, 41},
    /* 118 */ {"German Std Fanfold 215.9 x 304.8 mm", 215.9, 304.8, 40},
    /* 119 */ {"Japanese Double Postcard 200 x 148 mm", 200, 148, 69},
    /* 120 */ {"Japanese Postcard 100 x 148 mm", 100, 148, 43},
    /* 121 */ {"Foolscap 419 x 336 mm", 419, 336, 0},
    /* 122 */ {"Double Foolscap 685.8 x 431.8 mm", 685.8, 431.8, 0},
    /* 123 */ {"Quad Foolscap 863.6 x 685.8 mm", 863.6, 685.8, 0},
    /* 124 */ {"Crown 508 x 381 mm", 508, 381, 0},
    /* 125 */ {"Double Crown 762 x 508 mm", 762, 508, 0},
    /* 126 */ {"Quad Crown 1016 x 762 mm", 1016, 762, 0},
    /* 127 */ {"Double Quad Crown 1524 x 1016 mm", 1524, 1016, 0},
    /* 128 */ {"Post 488.95 x 393.7 mm", 488.95, 393.7, 0},
    /* 129 */ {"Double Post 800.1 x 495.3 mm", 800.1, 495.3, 0},
    /* 130 */ {"Double Large Post 838.2 x 533.4 mm", 838.2, 533.4, 0},
    /* 131 */ {"Demy 571.5 x 444.5 mm", 571.5, 444.5, 0},
    /* 132 */ {"Double Demy 889 x 571.5 mm", 889, 571.5, 0},
    /* 133 */ {"Quad Demy 1143 x 889 mm", 1143, 889, 0},
    /* 134 */ {"Music Demy 508 x 393.7 mm", 508, 393.7, 0},
    /* 135 */ {"Medium 584.2 x 457.2 mm", 584.2, 457.2, 0},
    /* 136 */ {"Royal 634 x 507 mm", 634, 507, 0},
    /* 137 */ {"Super Royal 698.5 x 520.7 mm", 698.5, 520.7, 0},
    /* 138 */ {"Elephant 711.2 x 584.2 mm", 711.2, 584.2, 0},
    /* 139 */ {"Imperial 761 x 559 mm", 761, 559, 0},
    /* 140 */ {"User Defined", 0, 0, 256},
}};

void check_index(int index) {
    if (index < 0 || index >= PaperCount) throw ERangeError("Range check error");
}

}  // namespace

std::array<TRSPaperInfo, PaperCount>& RSPaperTable() {
    static std::array<TRSPaperInfo, PaperCount> table;
    return table;
}

const std::array<PaperRow, PaperCount>& PaperRows() { return kPapers; }

void SetPaperEntry(int index, std::string_view description, double width_mm, double height_mm) {
    check_index(index);
    TRSPaperInfo& paper = RSPaperTable()[index];
    paper.WidthMM = width_mm;
    paper.HeightMM = height_mm;
    paper.Description = std::string(description);
    paper.Emulated = true;
}

void SetPaperCode(int index, std::int32_t code) {
    check_index(index);
    TRSPaperInfo& paper = RSPaperTable()[index];
    paper.WindowsPaperCode = code;
    paper.Emulated = false;
}

void BuildPaperTable() {
    for (int i = 0; i < PaperCount; ++i)
        SetPaperEntry(i, kPapers[i].Description, kPapers[i].WidthMM, kPapers[i].HeightMM);
    for (int i = 0; i < PaperCount; ++i)
        if (kPapers[i].WindowsPaperCode != 0) SetPaperCode(i, kPapers[i].WindowsPaperCode);
}

void ClearPaperTable() { RSPaperTable().fill(TRSPaperInfo{}); }

}  // namespace report_support
