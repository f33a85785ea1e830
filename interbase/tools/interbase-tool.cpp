// interbase-tool: tries the InterBase client binding from the command line.
//
//   interbase-tool status        start the binding's units as a run does and
//                                print, as JSON, which library was bound and how
//   interbase-tool glyphs DIR    write the grid's glyph bitmaps into DIR as
//                                16-colour BMP files (NAME.bmp)
//
// Errors go to stderr with a non-zero exit status.

#include "interbase/IBL_ClientLib.h"
#include "interbase/IBL_Grid.h"
#include "interbase/Startup.h"
#include "platform/core/ByteOrder.h"
#include "platform/core/SysUtils.h"
#include "platform/os/Files.h"
#include "platform/os/ReplacingFile.h"
#include "platform/os/StandardOutput.h"
#include "platform/os/ToolOptions.h"

#include <nlohmann/json.hpp>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

using namespace interbase;

namespace {

const char* const kUsage =
    "usage: interbase-tool status\n"
    "       interbase-tool glyphs DIR\n";

int usage() { return os::usage_error("interbase-tool", kUsage, std::cerr); }

int status() {
    unit_startup();
    nlohmann::ordered_json out;
    out["names_tried"] = ClientLibraryNames();
    const std::string name = ClientLibraryName();
    out["library"] = name.empty() ? nlohmann::ordered_json(nullptr) : nlohmann::ordered_json(name);
    int bound = 0;
    for (int slot = 0; slot < kMandatoryEntryCount; ++slot)
        bound += ClientEntryPoint(static_cast<ClientEntry>(slot)) != nullptr;
    out["mandatory_bound"] = bound;
    nlohmann::ordered_json optional = nlohmann::ordered_json::object();
    for (int slot = kMandatoryEntryCount; slot < kMandatoryEntryCount + kOptionalEntryCount; ++slot) {
        const auto e = static_cast<ClientEntry>(slot);
        optional[ClientEntryName(e)] = IsMissingEntryFallback(e) ? "fallback" : ClientEntryPoint(e) ? "bound" : "empty";
    }
    out["optional"] = optional;
    out["hold_count"] = ClientLibraryHoldCount();
    unit_shutdown();
    out["loaded_after_shutdown"] = ClientLibraryLoaded();
    std::cout << out.dump(2) << "\n";
    return 0;
}


// A 4-bit BMP: file header, 40-byte info header, 16-colour palette, rows from
// the bottom, two pixels a byte (left one in the high nibble), rows padded to
// four bytes.
std::vector<std::uint8_t> bmp(const GridBitmap& g) {
    const unsigned stride = ((static_cast<unsigned>(g.width) + 7) / 8) * 4;
    const unsigned image_size = stride * static_cast<unsigned>(g.height);
    const unsigned offset = 14 + 40 + 16 * 4;
    std::vector<std::uint8_t> b;
    b.push_back('B');
    b.push_back('M');
    core::ByteWriter(b).le32(offset + image_size);
    core::ByteWriter(b).le32(0);
    core::ByteWriter(b).le32(offset);
    core::ByteWriter(b).le32(40);
    core::ByteWriter(b).le32(static_cast<unsigned>(g.width));
    core::ByteWriter(b).le32(static_cast<unsigned>(g.height));
    core::ByteWriter(b).le16(1);
    core::ByteWriter(b).le16(4);
    core::ByteWriter(b).le32(0);  // no compression
    core::ByteWriter(b).le32(image_size);
    core::ByteWriter(b).le32(3780);  // 96 dpi
    core::ByteWriter(b).le32(3780);
    core::ByteWriter(b).le32(16);
    core::ByteWriter(b).le32(0);
    for (const Rgb& c : GridPalette) {
        b.push_back(c.blue);
        b.push_back(c.green);
        b.push_back(c.red);
        b.push_back(0);
    }
    for (int y = g.height - 1; y >= 0; --y) {
        std::vector<std::uint8_t> row(stride, 0);
        for (int x = 0; x < g.width; ++x) {
            const std::uint8_t v = g.At(x, y) & 15;
            row[static_cast<std::size_t>(x / 2)] |= static_cast<std::uint8_t>(x % 2 == 0 ? v << 4 : v);
        }
        b.insert(b.end(), row.begin(), row.end());
    }
    return b;
}

// Replaces the target whole, so a failure never leaves half a file under
// the final name.
void write_file(const std::string& path, const std::vector<std::uint8_t>& data) {
    os::write_file(path, std::string_view(reinterpret_cast<const char*>(data.data()), data.size()));
}

int glyphs(const std::string& dir) {
    const auto status = os::file_status(dir);
    const int error = !status ? os::read_open_error(dir) : status->is_directory() ? 0 : ENOTDIR;
    if (error) throw std::runtime_error(dir + ": " + std::strerror(error));
    const std::string folder = dir.empty() || dir.back() == '/' ? dir : dir + "/";
    std::size_t count = 0;
    const GridBitmap* all = GridBitmaps(count);
    for (std::size_t i = 0; i < count; ++i) write_file(folder + std::string(all[i].name) + ".bmp", bmp(all[i]));
    std::cout << count << " glyphs written to " << dir << "\n";
    return 0;
}

int run(int argc, char** argv) {
    if (auto answered = os::answer_help_or_version("interbase-tool", std::vector<std::string>(argv + 1, argv + argc),
                                                   kUsage, std::cout))
        return *answered;
    try {
        const std::string command = argc > 1 ? argv[1] : "";
        if (command == "status" && argc == 2) return status();
        if (command == "glyphs" && argc == 3) return glyphs(argv[2]);
        return usage();
    } catch (const std::exception& e) {
        std::cerr << os::error_line("interbase-tool", e.what()) << "\n";
        return 1;
    }
}

}  // namespace

int main(int argc, char** argv) { return os::finish_standard_output("interbase-tool", run(argc, argv)); }
