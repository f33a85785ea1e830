#pragma once
// The report model of the banded report engine: units and page geometry,
// the panel base, bands, controller bands and the report as far as bands
// need it. Headers by topic:
//   BandRptUnits.h        units, size objects, frames
//   BandRptPage.h         the page
//   BandRptControl.h      the visual tree the report and bands live in
//   BandRptPanel.h        panel base, design colour scheme, printable base
//   BandRptBands.h        bands and child bands
//   BandRptControllers.h  controllers, controller bands, band switches
//   BandRptGroups.h       group bands, query parameter refresh
//   BandRptReport.h       the report, its band order and page logic
//   BandRptOutput.h       what a run prints on

#include "report/bands/BandRptGroups.h"
#include "report/bands/BandRptReport.h"

// Unit start-up: chooses the design colour scheme for a screen of
// `num_colors` colours (-1: true colour), takes ImperialMeasure from the
// locale's measurement setting and registers the report classes.
void InitReportDefaults(int num_colors = -1);
// Unit shut-down: unregisters the report classes.
void FinalizeReportDefaults();

namespace report {

// Registers the report, band and sub-detail classes for form resources.
void register_report_classes();

}  // namespace report
