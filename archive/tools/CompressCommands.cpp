// The archive tool's packing commands.

#include "archive/tools/CompressCommands.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "archive/arcGbls.h"
#include "archive/arcZip.h"

namespace archive {

namespace {

std::vector<std::string> split_commas(const std::string& s) {
    std::vector<std::string> out;
    std::string cur;
    for (char c : s) {
        if (c == ',') { out.push_back(cur); cur.clear(); }
        else cur += c;
    }
    out.push_back(cur);
    return out;
}

int compress(const std::vector<std::string>& args, std::ostream& Out, std::ostream& Err) {
    const int argc = static_cast<int>(args.size());
    TZip zip;
    zip.SetArcType(atZip);
    bool events = false;
    int i = 0;
    for (; i < argc && args[i].rfind("--", 0) == 0; ++i) {
        const std::string opt = args[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) throw std::runtime_error("missing value for " + opt);
            return args[++i];
        };
        if (opt == "--level") {
            const std::string v = value();
            if (v == "store" || v == "0") zip.DeflateType = dtDeflateS;
            else if (v == "fast" || v == "1") zip.DeflateType = dtDeflateF;
            else if (v == "normal" || v == "6") zip.DeflateType = dtDeflateN;
            else if (v == "max" || v == "9") zip.DeflateType = dtDeflateX;
            else throw std::runtime_error("unknown level " + v);
        } else if (opt == "--store") zip.SetCompressMethod(cmStore);
        else if (opt == "--store-types") SetLines(zip.StoreFilesOfType, split_commas(value()));
        else if (opt == "--password") zip.Password = value();
        else if (opt == "--encrypt-headers") zip.EncryptHeaders = true;
        else if (opt == "--names") {
            const std::string v = value();
            if (v == "none") zip.StoredDirNames = sdNone;
            else if (v == "absolute") zip.StoredDirNames = sdAbsolute;
            else if (v == "no-drive") zip.StoredDirNames = sdAbsoluteNoDrv;
            else if (v == "no-root") zip.StoredDirNames = sdAbsoluteNoRoot;
            else if (v == "relative") zip.StoredDirNames = sdRelative;
            else if (v == "relative-start") zip.StoredDirNames = sdRelativeStoreStart;
            else throw std::runtime_error("unknown name mode " + v);
        } else if (opt == "--no-recurse") zip.RecurseDirs = false;
        else if (opt == "--hidden-dirs") zip.IncludeHiddenDirs = true;
        else if (opt == "--empty-dirs") zip.StoreEmptySubDirs = true;
        else if (opt == "--exclude") zip.ExcludeSpec.Add(value());
        else if (opt == "--date") {
            const std::string v = value();
            if (v == "file") zip.DateAttribute = daFileDate;
            else if (v == "system") zip.DateAttribute = daSysDate;
            else if (v == "newest") zip.DateAttribute = daMaxFileDate;
            else throw std::runtime_error("unknown date mode " + v);
        } else if (opt == "--no-oem") zip.TranslateOemChar = false;
        else if (opt == "--temp-dir") zip.SetTempDir(value());
        else if (opt == "--in-memory") zip.CompressionMethod = cmInMemory;
        else if (opt == "--events") events = true;
        else throw std::runtime_error("unknown option " + opt);
    }
    if (argc - i < 2) {
        Err << "usage: archive-tool " << CompressCommandsUsage();
        return 2;
    }
    zip.SetArchiveFile(args[i++]);
    for (; i < argc; ++i) zip.FileSpec.Add(args[i]);

    bool failed = false;
    zip.OnError = [&](TZipCommon&, const std::string& f, const std::string& x, const std::string& v, int code) {
        Err << "archive-tool: " << code << " " << ErrorText(code);
        if (!f.empty()) Err << ": " << f;
        if (!x.empty()) Err << " (" << x << ")";
        (void)v;
        Err << "\n";
        failed = true;
    };
    if (events) {
        auto say = [&Out](const std::string& s) { Out << s << "\n"; };
        zip.OnActivate = [&](TZipCommon&) { say("OnActivate"); };
        zip.OnDeactivate = [&](TZipCommon&) { say("OnDeactivate"); };
        zip.OnFileScanStatus = [&](TZipCommon&, const std::string& f, int n, double s) {
            say("OnFileScanStatus " + f + " " + std::to_string(n) + " " + std::to_string(static_cast<long long>(s)));
        };
        zip.OnRecurseDir = [&](TZipCommon&, const std::string& d) { say("OnRecurseDir " + d); };
        zip.OnBegin = [&](TZipCommon&, const std::string& f, int n, bool&) {
            say("OnBegin " + f + " " + std::to_string(n));
        };
        zip.OnEnd = [&](TZipCommon&, const std::string& f, bool ok) {
            say("OnEnd " + f + " " + (ok ? "True" : "False"));
        };
        zip.OnProgress = [&](TZipCommon&, uint8_t a, uint8_t b) {
            say("OnProgress " + std::to_string(a) + " " + std::to_string(b));
        };
        zip.OnRead = [&](TZipCommon&, int64_t off, int n) {
            say("OnRead " + std::to_string(off) + " " + std::to_string(n));
        };
        zip.OnTmpFileMoveBegin = [&](TStream32&, const std::string& a, const std::string& t) {
            say("OnTmpFileMoveBegin " + a + " " + t);
        };
        zip.OnTmpFileProgress = [&](TZipCommon&, uint8_t a, uint8_t b) {
            say("OnTmpFileProgress " + std::to_string(a) + " " + std::to_string(b));
        };
        zip.OnTmpFileMoveEnd = [&](TStream32&) { say("OnTmpFileMoveEnd"); };
        zip.OnElapsedTime = [&](TZipCommon&, float s) { say("OnElapsedTime " + std::to_string(s)); };
    }
    const int added = zip.Compress();
    if (events) Out << "Compress " << added << "\n";
    (void)failed;
    return added > 0 ? 0 : 1;
}

uint32_t rd16(const unsigned char* p) { return p[0] | (p[1] << 8); }
uint32_t rd32(const unsigned char* p) { return rd16(p) | (rd16(p + 2) << 16); }

int list(const std::string& path, std::ostream& Out, std::ostream& Err) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        Err << "archive-tool: cannot open " << path << "\n";
        return 1;
    }
    // Only the end record and the central directory are read, whatever the archive's size.
    in.seekg(0, std::ios::end);
    const auto file_size = static_cast<uint64_t>(in.tellg());
    if (file_size < 22) {
        Err << "archive-tool: not a ZIP archive: " << path << "\n";
        return 1;
    }
    const uint64_t window = std::min<uint64_t>(file_size, 22 + 65535);
    std::vector<unsigned char> tail(window);
    in.seekg(static_cast<std::streamoff>(file_size - window));
    in.read(reinterpret_cast<char*>(tail.data()), static_cast<std::streamsize>(window));
    std::size_t end = std::string::npos;
    for (std::size_t at = window - 22 + 1; at-- > 0;) {
        if (rd32(&tail[at]) == 0x06054B50) { end = at; break; }
    }
    if (end == std::string::npos) {
        Err << "archive-tool: no end record in " << path << "\n";
        return 1;
    }
    const uint32_t count = rd16(&tail[end + 10]);
    const uint32_t cd_size = rd32(&tail[end + 12]), cd_offset = rd32(&tail[end + 16]);
    if (static_cast<uint64_t>(cd_offset) + cd_size > file_size) {
        Err << "archive-tool: bad central directory in " << path << "\n";
        return 1;
    }
    std::vector<unsigned char> data(cd_size);
    in.seekg(cd_offset);
    in.read(reinterpret_cast<char*>(data.data()), cd_size);
    std::size_t at = 0;
    char line[1024];
    std::snprintf(line, sizeof line, "%-8s %10s %10s %-8s %-16s ", "Method", "Size", "Packed", "CRC-32", "Date");
    Out << line << "Name\n";
    for (uint32_t n = 0; n < count; ++n) {
        if (at + 46 > data.size() || rd32(&data[at]) != 0x02014B50) {
            Err << "archive-tool: bad central header " << n << "\n";
            return 1;
        }
        const unsigned char* h = &data[at];
        const uint32_t flags = rd16(h + 8), method = rd16(h + 10), dos = rd32(h + 12);
        const uint32_t name_len = rd16(h + 28), extra_len = rd16(h + 30), comment_len = rd16(h + 32);
        if (at + 46 + name_len > data.size()) return 1;
        const std::string raw(reinterpret_cast<const char*>(h + 46), name_len);
        const std::string name = OemToAnsiName(raw, true, (flags & 0x800) != 0);
        char date[32];
        std::snprintf(date, sizeof date, "%04u-%02u-%02u %02u:%02u", 1980 + (dos >> 25), (dos >> 21) & 15,
                      (dos >> 16) & 31, (dos >> 11) & 31, (dos >> 5) & 63);
        const std::string method_name = method == 0 ? "Stored" : method == 8 ? DeflateName(flags & 6) : "Other";
        std::snprintf(line, sizeof line, "%-8s %10u %10u %08x %-16s ", method_name.c_str(), rd32(h + 24), rd32(h + 20),
                      rd32(h + 16), date);
        Out << line << name << ((flags & 1) ? " (encrypted)" : "") << "\n";
        at += 46 + name_len + extra_len + comment_len;
    }
    return 0;
}

}  // namespace

const char* CompressCommandsUsage() {
    return "  compress [options] ARCHIVE MASK...   pack the files the masks name into a new ZIP archive\n"
           "  list ARCHIVE                         the entries of a ZIP archive\n"
           "compress options:\n"
           "  --level store|fast|normal|max   deflate level (default normal)\n"
           "  --store                          store every file (no deflate)\n"
           "  --store-types EXT[,EXT...]       extensions that are stored, e.g. ZIP,JPG\n"
           "  --password TEXT                  traditional ZIP encryption\n"
           "  --encrypt-headers                encrypt headers and names\n"
           "  --names none|absolute|no-drive|no-root|relative|relative-start\n"
           "                                   how folder names are stored (default relative)\n"
           "  --no-recurse                     do not scan sub-folders\n"
           "  --hidden-dirs                    also scan hidden folders\n"
           "  --empty-dirs                     store folders that hold no files\n"
           "  --exclude MASK                   leave out matching names (repeatable)\n"
           "  --date file|system|newest        entry dates (default file)\n"
           "  --no-oem                         keep names as UTF-8 bytes\n"
           "  --temp-dir DIR                   folder for the temporary archive\n"
           "  --in-memory                      build the archive in memory\n"
           "  --events                         print the component's events\n";
}

int RunCompressCommand(const std::vector<std::string>& Args, std::ostream& Out, std::ostream& Err) {
    if (Args.empty()) return -1;
    try {
        if (Args[0] == "compress") return compress({Args.begin() + 1, Args.end()}, Out, Err);
        if (Args[0] == "list") {
            if (Args.size() != 2) {
                Err << "usage: archive-tool list ARCHIVE\n";
                return 2;
            }
            return list(Args[1], Out, Err);
        }
    } catch (const std::exception& e) {
        Err << "archive-tool: " << e.what() << "\n";
        return 2;
    }
    return -1;
}

}  // namespace archive
