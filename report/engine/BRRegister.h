#pragma once
// The engine's streamable classes and the datasets a report can reach.

#include "platform/core/Classes.h"
#include "platform/core/StringList.h"

// Registers the classes a stored report names (the report, its bands, the
// expression and shape controls, the table and the query) so that any layout
// can be read without the program registering them itself; a label is
// registered by the controls' own start-up. Counted: only the first call
// registers.
void RegisterReportClasses();
// The matching shut-down: counts down; the classes stay registered.
void ClearSearchText();

// A new list (the caller frees it) of the datasets reachable from `root`
// and, when asked, from the application's data modules: each line a
// dataset's Name, its object the TDataSet. First the datasets `root` owns,
// in component order, searching the components owned by each windowed
// control it owns (a frame, the report panel, a band) the same way, never
// inside a dataset; then those each data module owns directly, oldest
// module first. Nothing is sorted and a dataset reached twice is listed
// twice; no root and no data modules give an empty list.
TStringList* CollectDataSets(TComponent* root, bool include_data_modules);
