// The backup program packing its backup (CompactarArquivo=S), run as cron
// runs it against the SQL Server stand-in: the archive beside the backup,
// checked with zipinfo, unzip and python3's zipfile; the backup in the trash
// of a temporary XDG_DATA_HOME; and the failures that must leave the backup
// where the server wrote it, each told in one line on stderr.
//
// Full disks and foreign file systems are small tmpfs mounts made in a mount
// namespace of the test's own (root only); the stand-in and the program
// started by the test see them, nothing else on the machine does.

#include "tests/sqlserver_standin/StandIn.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <map>
#include <memory>
#include <sched.h>
#include <set>
#include <string>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using standin::SqlServerStandIn;
using standin::TempDir;
using standin::shell_quote;

namespace {

const std::string kClock = "2024-01-31T23:59:59";
const std::string kBackupName = "Backup_Loja_20240131_235959.bak";
const std::string kArchiveName = "Backup_Loja_20240131_235959.zip";
const std::string kNoScreen = "-u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM";

std::string program() { return test_support::tool_path("tamblero-backup"); }
std::string zip_check() { return test_support::oracle_command("zip_check.py"); }

// Moves this test process (and what it starts afterwards) into a mount
// namespace of its own, once; false where mounting is not permitted.
bool private_mounts() {
    static const bool ok = ::unshare(CLONE_NEWNS) == 0 && ::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
    return ok;
}

// A tmpfs (or a bind mount) inside the private namespace, undone when destroyed.
class Mount {
public:
    static std::unique_ptr<Mount> tmpfs(const std::string& dir, const std::string& options) {
        fs::create_directories(dir);
        if (::mount("tmpfs", dir.c_str(), "tmpfs", 0, options.c_str()) != 0) return nullptr;
        return std::unique_ptr<Mount>(new Mount(dir));
    }
    static std::unique_ptr<Mount> bind(const std::string& from, const std::string& dir) {
        if (::mount(from.c_str(), dir.c_str(), nullptr, MS_BIND, nullptr) != 0) return nullptr;
        return std::unique_ptr<Mount>(new Mount(dir));
    }
    ~Mount() { ::umount2(dir_.c_str(), MNT_DETACH); }
    Mount(const Mount&) = delete;
    Mount& operator=(const Mount&) = delete;

private:
    explicit Mount(std::string dir) : dir_(std::move(dir)) {}
    std::string dir_;
};

// A copy of the program in its own folder with its KESTROVAN.INI, the
// backup folder (the same path for the server and the program, as when both
// run on one machine) and a temporary XDG_DATA_HOME on the same file system
// as the backup folder.
struct Job {
    TempDir tmp;
    std::string prog_dir = tmp.path() + "/prog";
    std::string drive_d = tmp.path() + "/d";
    std::string xdg = tmp.path() + "/xdg";
    std::string backups = drive_d + "/Copias";

    Job() {
        fs::create_directories(prog_dir);
        fs::create_directories(xdg);
        fs::copy_file(program(), prog_dir + "/tamblero-backup");
    }
    std::vector<std::string> server_args(std::vector<std::string> extra = {}) const {
        std::vector<std::string> args = {"--clock", kClock};
        args.insert(args.end(), extra.begin(), extra.end());
        return args;
    }
    void write_ini(const SqlServerStandIn& server, const std::string& compactar = "S") const {
        standin::write_file(prog_dir + "/KESTROVAN.INI",
                            "[Kestrovan]\r\nServidor=127.0.0.1," + std::to_string(server.port()) +
                                "\r\nBanco=Loja\r\nCaminho=" + backups + "\r\nCompactarArquivo=" + compactar + "\r\n");
    }
    // Runs the program with no screen, as from cron; `prefix` wraps it
    // (another user, a file size limit). `timeout` stops a program that waits.
    standin::CommandResult run(const std::string& prefix = "") const {
        return standin::run_command("cd " + shell_quote(tmp.path()) + " && env " + kNoScreen +
                                    " XDG_DATA_HOME=" + shell_quote(xdg) + " timeout 60 " + prefix + " " +
                                    shell_quote(prog_dir + "/tamblero-backup"));
    }
    std::string backup() const { return backups + "/" + kBackupName; }
    std::string archive() const { return backups + "/" + kArchiveName; }
    std::string trashed() const { return xdg + "/Trash/files/" + kBackupName; }
    std::string trashinfo() const { return xdg + "/Trash/info/" + kBackupName + ".trashinfo"; }
};

std::set<std::string> names_in(const std::string& dir) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) names.insert(entry.path().filename().string());
    return names;
}

// Every path under dir (relative, sub-folders included), with its content
// for files: what a run must leave exactly as it was.
std::map<std::string, std::string> tree_of(const std::string& dir) {
    std::map<std::string, std::string> tree;
    for (const auto& entry : fs::recursive_directory_iterator(dir)) {
        const std::string name = fs::relative(entry.path(), dir).string();
        tree[name] = entry.is_regular_file() ? standin::read_file(entry.path().string()) : std::string("<dir>");
    }
    return tree;
}

// The path as the freedesktop trash writes it (every byte outside
// [A-Za-z0-9/._~-] as %XX), escaped by Python's own URL quoting.
std::string url_escaped(const std::string& path) {
    return standin::run_command(std::string(test_support::kPython3) + " -c 'import sys, urllib.parse; "
                                "sys.stdout.write(urllib.parse.quote(sys.argv[1], safe=\"/\"))' " +
                                shell_quote(path))
        .output;
}

// The entry's date as python3's zipfile shows it: the file's local time, to
// two seconds (the DOS clock).
std::string dos_time_of(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return "?";
    const time_t t = st.st_mtime & ~static_cast<time_t>(1);
    struct tm lt {};
    ::localtime_r(&t, &lt);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &lt);
    return text;
}

// Exactly one line on stderr (and nothing on stdout) saying the backup stays.
void expect_one_line_saying_the_backup_stays(const standin::CommandResult& run) {
    ASSERT_FALSE(run.output.empty());
    EXPECT_EQ(run.output.find('\n'), run.output.size() - 1) << run.output;
    EXPECT_EQ(run.output.rfind("tamblero-backup: ", 0), 0u) << run.output;
    EXPECT_NE(run.output.find("o arquivo de backup fica onde está"), std::string::npos) << run.output;
}

// Packs and checks the result the way another user of the archive would.
void expect_packed_and_trashed(const Job& job, const standin::CommandResult& run) {
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(run.output, "");
    EXPECT_EQ(names_in(job.backups), std::set<std::string>{kArchiveName});
    ASSERT_TRUE(fs::is_regular_file(job.trashed()));

    const auto zipinfo = standin::run_command("zipinfo -v " + shell_quote(job.archive()));
    ASSERT_EQ(zipinfo.status, 0) << zipinfo.output;
    for (const char* line : {"version of encoding software:                   2.0",
                             "minimum software version required to extract:   2.0",
                             "compression method:                             deflated",
                             "file security status:                           not encrypted",
                             "extended local header:                          no"})
        EXPECT_NE(zipinfo.output.find(line), std::string::npos) << line << "\n" << zipinfo.output;
    EXPECT_EQ(standin::run_command("zipinfo -1 " + shell_quote(job.archive())).output, kBackupName + "\n");

    // name | flags | method | made by | needed | system | attributes | date
    const auto described = standin::run_command(zip_check() + " describe " + shell_quote(job.archive()));
    ASSERT_EQ(described.status, 0) << described.output;
    std::vector<std::string> fields;
    std::size_t from = 0;
    for (std::size_t bar; (bar = described.output.find('|', from)) != std::string::npos; from = bar + 1)
        fields.push_back(described.output.substr(from, bar - from));
    fields.push_back(described.output.substr(from));
    ASSERT_EQ(fields.size(), 8u) << described.output;
    EXPECT_EQ(fields[0], kBackupName);
    EXPECT_EQ(fields[1], "0") << "flags";
    EXPECT_EQ(fields[2], "8") << "method";
    EXPECT_EQ(fields[3], "20") << "made by";
    EXPECT_EQ(fields[4], "20") << "needed";
    EXPECT_EQ(fields[7], dos_time_of(job.trashed()) + "\n") << "the backup's last write";

    const auto tested = standin::run_command("unzip -tq " + shell_quote(job.archive()));
    EXPECT_EQ(tested.status, 0) << tested.output;
    const auto content = standin::run_command("unzip -p " + shell_quote(job.archive()) + " 2>/dev/null");
    const std::string backup = standin::read_file(job.trashed());
    EXPECT_EQ(backup.size(), 1u << 20);
    EXPECT_TRUE(content.output == backup) << "unzip -p gives " << content.output.size() << " bytes";

    const std::string info = standin::read_file(job.trashinfo());
    EXPECT_EQ(info.rfind("[Trash Info]\n", 0), 0u) << info;
    EXPECT_NE(info.find("\nPath=" + url_escaped(fs::canonical(job.backups).string() + "/" + kBackupName) + "\n"),
              std::string::npos)
        << info;
    const std::size_t date = info.find("\nDeletionDate=");
    ASSERT_NE(date, std::string::npos) << info;
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    EXPECT_EQ(std::sscanf(info.c_str() + date, "\nDeletionDate=%4d-%2d-%2dT%2d:%2d:%2d", &y, &mo, &d, &h, &mi, &s), 6)
        << info;
}

}  // namespace

TEST(BackupHandOff, PacksTheBackupBesideItAndMovesTheBackupToTheTrash) {
    Job job;
    fs::create_directories(job.backups);
    SqlServerStandIn server(job.server_args());
    job.write_ini(server);
    expect_packed_and_trashed(job, job.run());
}

// Only the file name's ".bak" becomes ".zip": a folder named x.bak (and the
// URL escaping of an unusual path in the trash) changes nothing.
TEST(BackupHandOff, AFolderNamedLikeABackupStillGetsItsArchive) {
    Job job;
    job.backups = job.drive_d + "/x.bak/Cópias 1";
    fs::create_directories(job.backups);
    SqlServerStandIn server(job.server_args());
    job.write_ini(server);
    expect_packed_and_trashed(job, job.run());
    EXPECT_FALSE(fs::exists(job.drive_d + "/x.zip"));
}

TEST(BackupHandOff, WithoutAnSTheArchiveComponentDoesNothing) {
    for (const char* compactar : {"N", "s", "Sim"}) {
        Job job;
        fs::create_directories(job.backups);
        SqlServerStandIn server(job.server_args());
        job.write_ini(server, compactar);
        const auto run = job.run();
        EXPECT_EQ(run.status, 0) << run.output;
        EXPECT_EQ(run.output, "") << compactar;
        EXPECT_EQ(names_in(job.backups), std::set<std::string>{kBackupName}) << compactar;
        EXPECT_FALSE(fs::exists(job.xdg + "/Trash/files")) << compactar;
    }
}

TEST(BackupHandOff, AFolderInTheArchivesPlaceLeavesTheBackupWhereItIs) {
    Job job;
    fs::create_directories(job.archive());
    SqlServerStandIn server(job.server_args());
    job.write_ini(server);
    const auto run = job.run();
    EXPECT_EQ(run.status, 0) << run.output;
    expect_one_line_saying_the_backup_stays(run);
    EXPECT_NE(run.output.find("já existe uma pasta com esse nome"), std::string::npos) << run.output;
    EXPECT_EQ(names_in(job.backups), (std::set<std::string>{kBackupName, kArchiveName}));
    EXPECT_TRUE(fs::is_directory(job.archive()));
    EXPECT_TRUE(fs::is_empty(job.archive()));
    EXPECT_EQ(fs::file_size(job.backup()), 1u << 20);
    EXPECT_FALSE(fs::exists(job.trashed()));
}

// The backup folder and the temporary folder on one small file system: the
// 1 MiB backup fits, its archive (about 190 KiB) does not.
TEST(BackupHandOff, AFullDiskLeavesTheBackupAndNoArchive) {
    Job job;
    std::unique_ptr<Mount> disk, temp;
    std::string prefix;
    if (private_mounts()) {
        disk = Mount::tmpfs(job.drive_d, "size=1100k");
        ASSERT_TRUE(disk);
        fs::create_directories(job.backups);
        fs::create_directories(job.drive_d + "/tmp");
        temp = Mount::bind(job.drive_d + "/tmp", "/var/tmp");
        ASSERT_TRUE(temp);
    } else {
        // No mounts here: a file size limit stands in for the full disk.
        fs::create_directories(job.backups);
        prefix = "sh -c 'trap \"\" XFSZ; exec prlimit --fsize=65536 \"$0\"'";
    }
    SqlServerStandIn server(job.server_args());
    job.write_ini(server);
    const auto run = job.run(prefix);
    EXPECT_EQ(run.status, 0) << run.output;
    expect_one_line_saying_the_backup_stays(run);
    EXPECT_EQ(names_in(job.backups), std::set<std::string>{kBackupName});
    EXPECT_EQ(fs::file_size(job.backup()), 1u << 20);
    if (temp) {
        // The archive component's own report of the failure reaches the line.
        EXPECT_NE(run.output.find(": Disk full;"), std::string::npos) << run.output;
        EXPECT_TRUE(fs::is_empty(job.drive_d + "/tmp")) << "a temporary archive was left behind";
    }
    EXPECT_FALSE(fs::exists(job.trashed()));
}

// The program runs as an ordinary user; the backups are on a disk of their
// own whose top folder belongs to root, and XDG_DATA_HOME is elsewhere: no
// trash can take the file without copying it, so it stays.
TEST(BackupHandOff, NoTrashOnTheBackupsFileSystemLeavesTheBackup) {
    if (!private_mounts()) GTEST_SKIP() << "needs root to mount a file system of its own";
    Job job;
    ::chmod(job.tmp.path().c_str(), 0755);
    auto disk = Mount::tmpfs(job.drive_d, "size=4m,mode=0755");
    ASSERT_TRUE(disk);
    fs::create_directories(job.backups);
    const uid_t nobody = 65534;
    ASSERT_EQ(::chown(job.backups.c_str(), nobody, nobody), 0);
    ASSERT_EQ(::chown(job.xdg.c_str(), nobody, nobody), 0);
    SqlServerStandIn server(job.server_args());
    job.write_ini(server);
    const auto run = job.run("setpriv --reuid=65534 --regid=65534 --clear-groups");
    EXPECT_EQ(run.status, 0) << run.output;
    expect_one_line_saying_the_backup_stays(run);
    EXPECT_NE(run.output.find("lixeira"), std::string::npos) << run.output;
    EXPECT_EQ(names_in(job.backups), (std::set<std::string>{kBackupName, kArchiveName}));
    EXPECT_EQ(standin::run_command("unzip -tq " + shell_quote(job.archive())).status, 0);
    EXPECT_FALSE(fs::exists(job.drive_d + "/.Trash-65534"));
    EXPECT_FALSE(fs::exists(job.trashed()));
}

// The name the server gives back is a file name in the backup folder, never
// a path or a mask: anything else fails the packing step, told on stderr, and
// nothing is written or moved (a file outside the folder least of all).
TEST(BackupHandOff, ANameThatIsNoPlainFileNameIsNeverPacked) {
    const std::string names[] = {"../victim/secret.txt", "*.bak", "Backup_Loja_*.bak",
                                 "Backup_Loja_2024013?_235959.bak", "sub/" + kBackupName, "sub\\" + kBackupName,
                                 "..", "."};
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        Job job;
        fs::create_directories(job.backups + "/sub");
        fs::create_directories(job.drive_d + "/victim");
        standin::write_file(job.drive_d + "/victim/secret.txt", "secret");
        standin::write_file(job.backups + "/sub/" + kBackupName, "an older backup");
        standin::write_file(job.backups + "/other.bak", "another backup");
        SqlServerStandIn server(job.server_args({"--reply-name", name}));
        job.write_ini(server);
        auto before = tree_of(job.drive_d);
        const auto run = job.run();
        EXPECT_EQ(run.status, 0) << run.output;
        expect_one_line_saying_the_backup_stays(run);
        EXPECT_NE(run.output.find("não é um nome de arquivo simples"), std::string::npos) << run.output;
        // The server wrote its backup under its real name; nothing else changed.
        before[fs::relative(job.backup(), job.drive_d).string()] = standin::read_file(job.backup());
        EXPECT_EQ(tree_of(job.drive_d), before);
        EXPECT_FALSE(fs::exists(job.xdg + "/Trash"));
    }
}

// The name the server gives back is a symbolic link in the backup folder: to
// a file only its owner may read elsewhere, or even to the real backup beside
// it. The packing step fails, says why, and neither the link nor what it
// points to is packed, moved or changed.
TEST(BackupHandOff, ALinkInTheBackupFolderIsNeverPacked) {
    const std::string link_name = "Backup_Loja_link.bak";
    struct Case {
        const char* what;
        std::string target;  // relative to the drive
    } cases[] = {
        {"a file only its owner may read, elsewhere", "victim/secret.txt"},
        {"the backup beside it", "Copias/" + kBackupName},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Job job;
        fs::create_directories(job.backups);
        fs::create_directories(job.drive_d + "/victim");
        standin::write_file(job.drive_d + "/victim/secret.txt", "secret");
        fs::permissions(job.drive_d + "/victim/secret.txt", fs::perms::owner_read | fs::perms::owner_write);
        fs::create_symlink(job.drive_d + "/" + c.target, job.backups + "/" + link_name);
        SqlServerStandIn server(job.server_args({"--reply-name", link_name}));
        job.write_ini(server);
        // Links are compared as links, not by what they point to.
        const auto tree = [&] {
            std::map<std::string, std::string> t;
            for (const auto& e : fs::recursive_directory_iterator(job.drive_d)) {
                const std::string name = e.path().lexically_relative(job.drive_d).string();
                t[name] = e.is_symlink()        ? "-> " + fs::read_symlink(e.path()).string()
                          : e.is_regular_file() ? standin::read_file(e.path().string())
                                                : std::string("<dir>");
            }
            return t;
        };
        auto before = tree();
        const auto run = job.run();
        EXPECT_EQ(run.status, 0) << run.output;
        expect_one_line_saying_the_backup_stays(run);
        EXPECT_NE(run.output.find("é um link simbólico"), std::string::npos) << run.output;
        before[fs::relative(job.backup(), job.drive_d).string()] = standin::read_file(job.backup());
        EXPECT_EQ(tree(), before);
        EXPECT_TRUE(fs::is_symlink(job.backups + "/" + link_name));
        EXPECT_EQ(names_in(job.backups), (std::set<std::string>{kBackupName, link_name}));
        EXPECT_FALSE(fs::exists(job.xdg + "/Trash"));
    }
}

// Without a backup file to pack the run fails (status 1, the error box on
// stderr) and packs nothing: no name back (the date function gave NULL and
// EXEC ran nothing, or an empty name), or a name with no such file.
TEST(BackupHandOff, NoBackupFileIsAFailedRunAndNothingIsPacked) {
    struct Case { std::vector<std::string> fault; const char* message; };
    const Case cases[] = {
        {{"--fault", "null-fformatdate"}, "O servidor não devolveu o nome do arquivo de backup"},
        {{"--reply-name", ""}, "O servidor não devolveu o nome do arquivo de backup"},
        {{"--reply-name", "Backup_Loja_20240101_000000.bak"}, "não existe depois do comando de cópia de segurança"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault[1]);
        Job job;
        fs::create_directories(job.backups + "/sub");
        standin::write_file(job.backups + "/sub/older.bak", "an older backup");
        standin::write_file(job.backups + "/notes.txt", "notes");
        SqlServerStandIn server(job.server_args(c.fault));
        job.write_ini(server);
        auto before = tree_of(job.drive_d);
        const auto run = job.run();
        EXPECT_EQ(run.status, 1) << run.output;
        EXPECT_EQ(run.output.rfind("Tamblero: ", 0), 0u) << run.output;
        EXPECT_NE(run.output.find(c.message), std::string::npos) << run.output;
        if (fs::exists(job.backup()))
            before[fs::relative(job.backup(), job.drive_d).string()] = standin::read_file(job.backup());
        EXPECT_EQ(tree_of(job.drive_d), before);
        EXPECT_FALSE(fs::exists(job.xdg + "/Trash"));
    }
}

// The pass takes the one backup file: a file of the same name in a sub-folder
// stays out of the archive and where it is.
TEST(BackupHandOff, AFileOfTheSameNameInASubFolderIsLeftAlone) {
    Job job;
    fs::create_directories(job.backups + "/sub");
    standin::write_file(job.backups + "/sub/" + kBackupName, "an older backup");
    SqlServerStandIn server(job.server_args());
    job.write_ini(server);
    const auto run = job.run();
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(run.output, "");
    EXPECT_EQ(names_in(job.backups), (std::set<std::string>{kArchiveName, "sub"}));
    EXPECT_EQ(standin::run_command("zipinfo -1 " + shell_quote(job.archive())).output, kBackupName + "\n");
    EXPECT_EQ(standin::read_file(job.backups + "/sub/" + kBackupName), "an older backup");
    EXPECT_TRUE(fs::is_regular_file(job.trashed()));
}

// Names in the archive writer's scan match without regard to case, so a file
// whose name differs only in case would come along: the pass is rejected,
// says why, and removes the archive it wrote.
TEST(BackupHandOff, ARejectedPassRemovesItsArchive) {
    Job job;
    fs::create_directories(job.backups);
    const std::string sibling = "backup_loja_20240131_235959.bak";
    standin::write_file(job.backups + "/" + sibling, "not this one");
    SqlServerStandIn server(job.server_args());
    job.write_ini(server);
    const auto run = job.run();
    EXPECT_EQ(run.status, 0) << run.output;
    expect_one_line_saying_the_backup_stays(run);
    EXPECT_NE(run.output.find("2 entradas em vez de uma"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("foi removido"), std::string::npos) << run.output;
    EXPECT_EQ(names_in(job.backups), (std::set<std::string>{kBackupName, sibling}));
    EXPECT_EQ(standin::read_file(job.backups + "/" + sibling), "not this one");
    EXPECT_FALSE(fs::exists(job.xdg + "/Trash"));
}
