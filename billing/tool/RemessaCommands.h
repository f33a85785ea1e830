#pragma once
// billing-tool's remittance commands.

#include <string>
#include <vector>

// remessa --bank CODE [--layout 240|400] BATCH.json OUT: writes the bank's remittance of the batch to OUT
// (the layout given, else the batch's LayoutArquivo).
int remessa_command(const std::vector<std::string>& args);
// layout --bank CODE [--layout 240] --record NAME: prints the record's rows.
int layout_command(const std::vector<std::string>& args);
