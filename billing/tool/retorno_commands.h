#pragma once
// billing-tool's commands for return files and code texts.

#include <string>
#include <vector>

namespace billing::tool {

// retorno --bank CODE FILE: reads a return file and prints the batch as JSON.
int retorno(const std::vector<std::string>& args);
// codetext --bank CODE occ|motive CODE...: prints the text of each code, one a line.
int codetext(const std::vector<std::string>& args);

}  // namespace billing::tool
