#pragma once
// billing-tool's remittance commands.

#include <string>
#include <vector>

// remessa --bank CODE BATCH.json OUT: writes the bank's CNAB 400 remittance of the batch to OUT.
int remessa_command(const std::vector<std::string>& args);
// layout --bank CODE --record header|detail|trailer: prints the record's rows.
int layout_command(const std::vector<std::string>& args);
