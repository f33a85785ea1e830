// The archive tool's packing commands.

#include "archive/tools/CompressCommands.h"
#include "archive/tools/ToolJson.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <iostream>
#include <string>
#include <vector>

#include "archive/arcGbls.h"
#include "archive/arcErrors.h"
#include "archive/arcZip.h"
#include "platform/os/ToolOptions.h"

#include <cerrno>
#include "platform/os/Files.h"

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

// Reports errors on Err as "archive-tool: FILE: CODE TEXT (DETAIL)", the
// detail left out when it only repeats the text.
void report_errors(TZip& zip, std::ostream& Err) {
    zip.OnError = [&Err](TZipCommon&, const std::string& f, const std::string& x, const std::string&, int code) {
        const std::string text = ErrorText(code);
        Err << "archive-tool: ";
        if (!f.empty()) Err << f << ": ";
        Err << code << " " << text;
        if (!x.empty() && x != text) Err << " (" << x << ")";
        Err << "\n";
    };
}

// "name~N.ext" for the first N whose name is not the one asked about.
std::string numbered_name(const std::string& name, int n) {
    const std::string dir = ExtractFilePath(name), file = ExtractFileName(name);
    const std::size_t dot = file.rfind('.');
    const std::string stem = dot == std::string::npos || dot == 0 ? file : file.substr(0, dot);
    const std::string ext = dot == std::string::npos || dot == 0 ? std::string() : file.substr(dot);
    return dir + stem + "~" + std::to_string(n) + ext;
}

// What the options of compress and delete set: the component, and how the
// command answers its questions.
struct CompressRun {
    TZip& zip;
    bool events = false;
    enum { kNewer, kReplace, kKeep } changed = kNewer;
    bool rename_old = false, make_writeable = false;
};

// A word an option takes and the value it stands for.
template <class T>
struct Word {
    const char* word;
    T value;
};

// The value of `v` among `words`; "unknown WHAT V" when none.
template <class T, std::size_t N>
T pick(const std::string& v, const Word<T> (&words)[N], const char* what) {
    for (const Word<T>& w : words)
        if (v == w.word) return w.value;
    throw std::runtime_error(std::string("unknown ") + what + " " + v);
}

constexpr Word<TDeflateType> kLevels[] = {{"store", dtDeflateS}, {"0", dtDeflateS}, {"fast", dtDeflateF},
                                         {"1", dtDeflateF},      {"normal", dtDeflateN}, {"6", dtDeflateN},
                                         {"max", dtDeflateX},    {"9", dtDeflateX}};
constexpr Word<TStoredDirNames> kNameModes[] = {{"none", sdNone},         {"absolute", sdAbsolute},
                                                {"no-drive", sdAbsoluteNoDrv}, {"no-root", sdAbsoluteNoRoot},
                                                {"relative", sdRelative}, {"relative-start", sdRelativeStoreStart}};
constexpr Word<TDateAttribute> kDateModes[] = {{"file", daFileDate}, {"system", daSysDate}, {"newest", daMaxFileDate}};
constexpr Word<TSwitch> kSwitches[] = {{"add", swAdd}, {"refresh", swRefresh}, {"move", swMove}, {"delete", swDelete}};

int thread_count(const std::string& v) {
    char* end = nullptr;
    const long n = std::strtol(v.c_str(), &end, 10);
    if (v.empty() || *end != '\0' || n < 1 || n > 64) throw std::runtime_error("--threads takes 1 to 64, not " + v);
    return static_cast<int>(n);
}

// One option: its name, whether a value follows it, whether delete takes it
// too, and what it sets.
struct CompressOption {
    const char* name;
    bool takes_value;
    bool for_delete;
    void (*apply)(CompressRun& run, const std::string& value);
};

using OptValue = const std::string&;
constexpr CompressOption kCompressOptions[] = {
    {"--temp-dir", true, true, [](CompressRun& r, OptValue v) { r.zip.SetTempDir(v); }},
    {"--in-memory", false, true, [](CompressRun& r, OptValue) { r.zip.CompressionMethod = cmInMemory; }},
    {"--events", false, true, [](CompressRun& r, OptValue) { r.events = true; }},
    {"--make-writeable", false, true, [](CompressRun& r, OptValue) { r.make_writeable = true; }},
    {"--level", true, false, [](CompressRun& r, OptValue v) { r.zip.DeflateType = pick(v, kLevels, "level"); }},
    {"--threads", true, false, [](CompressRun& r, OptValue v) { r.zip.Threads = thread_count(v); }},
    {"--store", false, false, [](CompressRun& r, OptValue) { r.zip.SetCompressMethod(cmStore); }},
    {"--store-types", true, false, [](CompressRun& r, OptValue v) { SetLines(r.zip.StoreFilesOfType, split_commas(v)); }},
    {"--password", true, false, [](CompressRun& r, OptValue v) { r.zip.Password = v; }},
    {"--encrypt-headers", false, false, [](CompressRun& r, OptValue) { r.zip.EncryptHeaders = true; }},
    {"--names", true, false, [](CompressRun& r, OptValue v) { r.zip.StoredDirNames = pick(v, kNameModes, "name mode"); }},
    {"--no-recurse", false, false, [](CompressRun& r, OptValue) { r.zip.RecurseDirs = false; }},
    {"--hidden-dirs", false, false, [](CompressRun& r, OptValue) { r.zip.IncludeHiddenDirs = true; }},
    {"--empty-dirs", false, false, [](CompressRun& r, OptValue) { r.zip.StoreEmptySubDirs = true; }},
    {"--exclude", true, false, [](CompressRun& r, OptValue v) { r.zip.ExcludeSpec.Add(v); }},
    {"--date", true, false, [](CompressRun& r, OptValue v) { r.zip.DateAttribute = pick(v, kDateModes, "date mode"); }},
    {"--no-oem", false, false, [](CompressRun& r, OptValue) { r.zip.TranslateOemChar = false; }},
    {"--switch", true, false, [](CompressRun& r, OptValue v) { r.zip.Switch = pick(v, kSwitches, "switch"); }},
    {"--replace", false, false, [](CompressRun& r, OptValue) { r.changed = CompressRun::kReplace; }},
    {"--keep", false, false, [](CompressRun& r, OptValue) { r.changed = CompressRun::kKeep; }},
    {"--rename-old", false, false, [](CompressRun& r, OptValue) { r.rename_old = true; }},
    {"--verify-before-delete", false, false, [](CompressRun& r, OptValue) { r.zip.VerifyBeforeDelete = true; }},
    {"--final-delete", false, false, [](CompressRun& r, OptValue) { r.zip.DeleteOptions = doFinal; }},
};

// Reads the options before the archive's name into `run`; answers the index
// of the first argument that is not one.
int read_compress_options(const std::vector<std::string>& args, CompressRun& run, bool deleting) {
    const int argc = static_cast<int>(args.size());
    int i = 0;
    for (; i < argc && args[i].rfind("--", 0) == 0; ++i) {
        const std::string& opt = args[i];
        const auto* row = std::find_if(std::begin(kCompressOptions), std::end(kCompressOptions),
                                       [&](const CompressOption& o) { return opt == o.name; });
        if (row == std::end(kCompressOptions) || (deleting && !row->for_delete))
            throw std::runtime_error("unknown option " + opt);
        if (row->takes_value && i + 1 >= argc) throw std::runtime_error("missing value for " + opt);
        row->apply(run, row->takes_value ? args[++i] : std::string());
    }
    return i;
}

int compress(const std::vector<std::string>& args, std::ostream& Out, std::ostream& Err, bool deleting) {
    const int argc = static_cast<int>(args.size());
    TZip zip;
    zip.SetArcType(atZip);
    // Names on Linux differ by case: README and readme are two files.
    zip.MatchCase = true;
    if (deleting) zip.Switch = swDelete;
    CompressRun run{zip};
    int i = read_compress_options(args, run, deleting);
    const bool events = run.events, rename_old = run.rename_old, make_writeable = run.make_writeable;
    const auto changed = run.changed;
    if (argc - i < 2) {
        Err << "usage: archive-tool " << CompressCommandsUsage();
        return 2;
    }
    zip.SetArchiveFile(args[i++]);
    // Files the pass was given but could not store.
    std::vector<std::string> not_stored;
    // Arguments mean what they mean to zip: a folder, a file, or a mask.
    zip.PathArguments = true;
    for (; i < argc; ++i) {
        zip.FileSpec.Add(args[i]);
        const bool mask = args[i].find_first_of("*?") != std::string::npos;
        if (deleting || zip.Switch == swDelete || mask) continue;
        const auto st = os::file_status(args[i]);
        if (!st) not_stored.push_back(args[i] + ": no such file or folder");
        else if (!st->is_regular() && !st->is_directory()) not_stored.push_back(args[i] + ": not a file or folder");
    }

    report_errors(zip, Err);
    auto say = [&Out](const std::string& s) { Out << s << "\n"; };
    // An entry already in the archive: by default its file replaces it when
    // the file is newer, and an unchanged one is kept without a word.
    zip.OnReplaceFile = [&, changed, rename_old](TZipCommon&, const std::string& f, const std::string&, double date,
                                                  double new_date, uint32_t, uint32_t, int, int, bool& replace) {
        if (changed == CompressRun::kReplace) replace = true;
        else if (changed == CompressRun::kKeep || rename_old) replace = false;
        else replace = new_date > date;
        if (events) say("OnReplaceFile " + f + (replace ? " True" : " False"));
    };
    auto counter = std::make_shared<int>(0);
    zip.OnRenameDupeFile = [&, counter, rename_old](TZipCommon&, const std::string& f, std::string& n, bool& r) {
        if (!rename_old) {
            r = false;
        } else {
            n = numbered_name(f, ++*counter);
        }
        if (events) say("OnRenameDupeFile " + f + (r ? " " + n : " False"));
    };
    if (make_writeable) zip.OnNonWriteableArchive = [](TZipCommon&, const std::string&, bool& w) { w = true; };
    if (events) {
        zip.OnActivate = [&](TObject*) { say("OnActivate"); };
        zip.OnDeactivate = [&](TObject*) { say("OnDeactivate"); };
        zip.OnFileScanStatus = [&](TZipCommon&, const std::string& f, int n, double s) {
            say("OnFileScanStatus " + f + " " + std::to_string(n) + " " + std::to_string(static_cast<long long>(s)));
        };
        zip.OnRecurseDir = [&](TZipCommon&, const std::string& d) { say("OnRecurseDir " + d); };
        zip.OnProgress = [&](TZipCommon&, uint8_t a, uint8_t b) {
            say("OnProgress " + std::to_string(a) + " " + std::to_string(b));
        };
        zip.OnRead = [&](TZipCommon&, int64_t off, int n) {
            say("OnRead " + std::to_string(off) + " " + std::to_string(n));
        };
        zip.OnDeleteFile = [&](TZipCommon&, const std::string& f, int n, int max) {
            say("OnDeleteFile " + f + " " + std::to_string(n) + " " + std::to_string(max));
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
    std::string current;
    zip.OnBegin = [&](TZipCommon&, const std::string& f, int n, bool&) {
        current = f;
        if (events) say("OnBegin " + f + " " + std::to_string(n));
    };
    zip.OnEnd = [&](TZipCommon&, const std::string& f, bool ok) {
        if (!ok && !current.empty()) not_stored.push_back(current + ": not stored");
        current.clear();
        if (events) say("OnEnd " + f + " " + (ok ? "True" : "False"));
    };
    bool reported = false;
    // Files the masks found, to say why there was nothing to do.
    int scanned = 0;
    auto scan_status = zip.OnFileScanStatus;
    zip.OnFileScanStatus = [&](TZipCommon& z, const std::string& f, int n, double size) {
        scanned = n;
        if (scan_status) scan_status(z, f, n, size);
    };
    auto inner = zip.OnError;
    zip.OnError = [&](TZipCommon& z, const std::string& f, const std::string& x, const std::string& v, int c) {
        reported = true;
        std::string detail = x;
        if (c == E_NOTHINGTODO && detail.empty() && !deleting) {
            if (scanned == 0) {
                detail = "no file matches";
                for (int m = 0; m < zip.FileSpec.Count(); ++m) detail += " " + zip.FileSpec[m];
            } else {
                detail = "every file is in the archive as it is";
            }
        }
        inner(z, f, detail, v, c);
    };
    const int done = zip.Compress();
    if (events) Out << "Compress " << done << "\n";
    if (deleting) {
        if (done <= 0 && !reported) {
            Err << "archive-tool: no entry of " << zip.ArchiveFile() << " matches";
            for (int m = 0; m < zip.FileSpec.Count(); ++m) Err << " " << zip.FileSpec[m];
            Err << "\n";
        }
        return done > 0 ? 0 : 1;
    }
    for (const std::string& f : not_stored) Err << "archive-tool: " << f << "\n";
    // Every file found is already in the archive as it is on disk.
    if (done <= 0 && !reported && not_stored.empty())
        Err << "archive-tool: " << zip.ArchiveFile() << ": " << E_NOTHINGTODO << " " << ErrorText(E_NOTHINGTODO)
            << " (every file is in the archive as it is)\n";
    return done > 0 && !reported && not_stored.empty() ? 0 : 1;
}

// An archive to read: the file named, whatever its name, or (as unzip does)
// the name with the default extension when no file has the name itself.
void set_archive_to_read(TZip& zip, const std::string& path) {
    if (os::link_status(path)) zip.DefaultExt.clear();
    zip.SetArchiveFile(path);
}

// The entries of an existing archive through the swRead walk.
int list(const std::string& path, std::ostream& Out, std::ostream& Err) {
    TZip zip;
    zip.Switch = swRead;
    set_archive_to_read(zip, path);
    if (!FileExists(zip.ArchiveFile())) {
        // The system's reason: no such file, a folder, no permission.
        const int error = os::read_open_error(path);
        Err << os::file_error_line("archive-tool", path, error ? error : ENOENT) << "\n";
        return 1;
    }
    bool failed = false;
    report_errors(zip, Err);
    auto inner = zip.OnError;
    zip.OnError = [&](TZipCommon& z, const std::string& f, const std::string& x, const std::string& v, int c) {
        failed = true;
        inner(z, f, x, v, c);
    };
    char line[1024];
    std::snprintf(line, sizeof line, "%-8s %10s %10s %-8s %-16s ", "Method", "Size", "Packed", "CRC-32", "Date");
    std::string text = std::string(line) + "Name\n";
    zip.OnRead = [&](TZipCommon&, int64_t, int) {
        const TEntryReport& e = zip.EntryReport();
        const uint32_t dos = e.DosDate;
        char date[32];
        std::snprintf(date, sizeof date, "%04u-%02u-%02u %02u:%02u", 1980 + (dos >> 25), (dos >> 21) & 15,
                      (dos >> 16) & 31, (dos >> 11) & 31, (dos >> 5) & 63);
        std::snprintf(line, sizeof line, "%-8s %10lld %10lld %08x %-16s ", e.MethodName.c_str(),
                      static_cast<long long>(e.UncompressedSize), static_cast<long long>(e.CompressedSize), e.CRC,
                      date);
        text += line + e.FileName + (e.Encrypted ? " (encrypted)" : "") + "\n";
    };
    zip.Compress();
    if (failed) return 1;
    Out << text;
    return 0;
}

// Shows or sets entry comments and the archive comment.
int comment(const std::vector<std::string>& args, std::ostream& Out, std::ostream& Err) {
    if (args.empty()) {
        Err << "usage: archive-tool " << CompressCommandsUsage();
        return 2;
    }
    TZip zip;
    set_archive_to_read(zip, args[0]);
    bool failed = false;
    report_errors(zip, Err);
    auto inner = zip.OnError;
    zip.OnError = [&](TZipCommon& z, const std::string& f, const std::string& x, const std::string& v, int c) {
        failed = true;
        inner(z, f, x, v, c);
    };
    const int count = zip.OpenArchiveDirectory();
    if (failed) return 1;
    bool changing = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--archive" && i + 1 < args.size()) {
            zip.SetArchiveComment(args[++i]);
            changing = true;
        } else if (args[i] == "--entry" && i + 2 < args.size()) {
            const std::string name = args[++i], text = args[++i];
            int found = -1;
            for (int n = 0; n < count && found < 0; ++n) {
                std::string entry, old;
                int length = 0;
                zip.GetFileComment(n, entry, length, old);
                if (entry == name) found = n;
            }
            if (found < 0) {
                Err << "archive-tool: no entry " << name << " in " << args[0] << "\n";
                return 1;
            }
            zip.SetFileComment(found, text);
            changing = true;
        } else {
            Err << "usage: archive-tool " << CompressCommandsUsage();
            return 2;
        }
    }
    if (changing) {
        // A comment refused leaves every comment as it was.
        if (failed) return 1;
        zip.SaveDirectoryChanges();
        return failed ? 1 : 0;
    }
    std::string text;
    int length = 0;
    zip.GetArchiveComment(text, length);
    // One entry a line, as the listing has always been laid out.
    Out << "{\n  \"archive_comment\": " << json_text(text) << ",\n  \"entries\": [";
    for (int n = 0; n < count; ++n) {
        std::string name, entry_comment;
        zip.GetFileComment(n, name, length, entry_comment);
        Out << (n ? ",\n" : "\n") << "    {\"name\": " << json_text(name) << ", \"comment\": "
            << json_text(entry_comment) << "}";
    }
    Out << (count ? "\n  " : "") << "]\n}\n";
    return 0;
}

// Moves files to the trash (or deletes them at once with --final).
int recycle(const std::vector<std::string>& args, std::ostream& Err) {
    TDeleteOptions mode = doAllowUndo;
    std::size_t i = 0;
    if (i < args.size() && args[i] == "--final") {
        mode = doFinal;
        ++i;
    }
    if (i >= args.size()) {
        Err << "usage: archive-tool " << CompressCommandsUsage();
        return 2;
    }
    int rc = 0;
    for (; i < args.size(); ++i) {
        if (!DeleteOrRecycle(args[i], mode)) {
            Err << "archive-tool: " << (mode == doFinal ? "cannot delete " : "cannot move to the trash ") << args[i]
                << "\n";
            rc = 1;
        }
    }
    return rc;
}

}  // namespace

const char* CompressCommandsUsage() {
    return "  compress [options] ARCHIVE NAME...   pack files into a ZIP archive (a new one, or an update of an\n"
           "                                       existing one). A NAME with * or ? is a mask, matched in its\n"
           "                                       folder and every sub-folder (entries named from that folder);\n"
           "                                       a folder packs its tree under the folder's own name (DIR/,\n"
           "                                       . and .. pack what the folder holds, without its name);\n"
           "                                       any other NAME is one file, stored under its own name\n"
           "  list ARCHIVE                         the entries of a ZIP archive (also: read ARCHIVE)\n"
           "  delete [options] ARCHIVE MASK...     delete the entries whose names match the masks\n"
           "  comment ARCHIVE                      show the archive comment and entry comments (JSON)\n"
           "  comment ARCHIVE [--archive TEXT] [--entry NAME TEXT]...\n"
           "                                       set the archive comment and entry comments (each\n"
           "                                       at most 65,535 bytes)\n"
           "  recycle [--final] FILE...            move files to the trash (--final: delete at once)\n"
           "compress options:\n"
           "  --switch add|refresh|move|delete   add (default); refresh: only entries whose file changed;\n"
           "                                   move: add, then remove the source files\n"
           "  --replace                        a changed file replaces its entry, newer or not (default:\n"
           "                                   a file newer than its entry replaces it, as zip -u does;\n"
           "                                   entries whose file is not newer are kept silently)\n"
           "  --keep                           keep entries, whether their file changed or not\n"
           "  --rename-old                     a file already in the archive is added beside it; the old\n"
           "                                   entry gets the name NAME~N.EXT\n"
           "  --verify-before-delete           with --switch move, remove no source file\n"
           "  --final-delete                   with --switch move, delete sources at once, not to the trash\n"
           "  --make-writeable                 make a read-only archive writeable and update it\n"
           "  --level store|fast|normal|max   deflate level (default normal)\n"
           "  --threads N                      threads that deflate a file of 1 MiB or more, in blocks\n"
           "                                   (default: one per processor; 1: one stream, one thread)\n"
           "  --store                          store every file (no deflate)\n"
           "  --store-types EXT[,EXT...]       extensions that are stored, e.g. ZIP,JPG\n"
           "  --password TEXT                  traditional ZIP encryption\n"
           "  --encrypt-headers                scramble headers and names with a key built into this\n"
           "                                   writer, not the password: other ZIP tools cannot read the\n"
           "                                   archive, but archive-tool lists every name without any\n"
           "                                   password. It hides nothing from anyone who has this tool;\n"
           "                                   only --password protects the data\n"
           "  --names none|absolute|no-drive|no-root|relative|relative-start\n"
           "                                   how folder names are stored (default relative)\n"
           "  --no-recurse                     do not scan sub-folders\n"
           "  --hidden-dirs                    also scan hidden folders\n"
           "  --empty-dirs                     store folders that hold no files\n"
           "  --exclude MASK                   leave out matching names (repeatable)\n"
           "  --date file|system|newest        entry dates (default file)\n"
           "  --no-oem                         keep names as UTF-8 bytes\n"
           "  --temp-dir DIR                   folder for the temporary archive (also for delete)\n"
           "  --in-memory                      build the archive in memory (also for delete)\n"
           "  --events                         print the component's events\n";
}

int RunCompressCommand(const std::vector<std::string>& Args, std::ostream& Out, std::ostream& Err) {
    if (Args.empty()) return -1;
    try {
        const std::vector<std::string> rest(Args.begin() + 1, Args.end());
        if (Args[0] == "compress") return compress(rest, Out, Err, false);
        if (Args[0] == "delete") return compress(rest, Out, Err, true);
        if (Args[0] == "comment") return comment(rest, Out, Err);
        if (Args[0] == "recycle") return recycle(rest, Err);
        if (Args[0] == "list" || Args[0] == "read") {
            if (Args.size() != 2) {
                Err << "usage: archive-tool list ARCHIVE\n";
                return 2;
            }
            return list(Args[1], Out, Err);
        }
    } catch (const std::exception& e) {
        Err << os::error_line("archive-tool", e.what()) << "\n";
        return 2;
    }
    return -1;
}

}  // namespace archive
