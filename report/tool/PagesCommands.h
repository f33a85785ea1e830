#pragma once
// `report-tool pages ...`: the BRP page stream and its metafile pages from
// the command line.

#include <iosfwd>
#include <string>
#include <vector>

namespace report::tool {

// args: what follows "pages":
//   info FILE                       header, page count, each page's record and size
//   extract FILE N OUT.emf          page N as an EMF file
//   render FILE N OUT.png [--dpi D] page N as a PNG image (96 dpi: one pixel a page pixel)
//   code                            standard input splay-coded to standard output, as a
//                                   coded page payload: int32 plain size, then the code
//   decode                          such a payload back to its plain bytes
//   synth --pages N [--compress] [--memory-limit BYTES] OUT
//                                   a stream of N generated pages
//   find FILE TEXT [--match-case]   the pages whose text holds TEXT
// Returns the exit status: 2 with the usage on `err` for bad arguments.
int pages_command(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace report::tool
