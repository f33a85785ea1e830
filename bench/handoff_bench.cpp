// Times the backup hand-off on one file: packing with the form's archive
// settings, the read-back check, and the move to the trash; then the
// read-back check again on its own. Prints "handoff S" and "check S".
//   handoff_bench BACKUP TEMPDIR   (XDG_DATA_HOME should name a scratch folder)

#include "app/handoff/Handoff.h"
#include "archive/arcZip.h"
#include "archive/arcbase.h"
#include "app/backup/BackupJob.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    if (argc != 3 || !std::getenv("XDG_DATA_HOME")) {
        std::fprintf(stderr, "usage: XDG_DATA_HOME=DIR handoff_bench BACKUP TEMPDIR\n");
        return 2;
    }
    const std::string backup = argv[1];
    archive::TZip zip(nullptr);
    zip.SetArcType(atZip);
    zip.SetCompressMethod(archive::cmDeflate);
    zip.SetDefaultExt(".zip");
    zip.DeleteOptions = archive::doAllowUndo;
    zip.Switch = archive::swAdd;
    zip.SetTempDir(argv[2]);

    using Clock = std::chrono::steady_clock;
    const auto t0 = Clock::now();
    const std::string failure = app::hand_off_backup(zip, backup);
    const auto t1 = Clock::now();
    if (!failure.empty()) {
        std::fprintf(stderr, "%s\n", failure.c_str());
        return 1;
    }
    const std::string trashed =
        std::string(std::getenv("XDG_DATA_HOME")) + "/Trash/files/" + backup.substr(backup.find_last_of('/') + 1);
    const std::string check = app::check_single_entry_archive(app::archive_path_for(backup), app::digest_file(trashed));
    const auto t2 = Clock::now();
    if (!check.empty()) {
        std::fprintf(stderr, "%s\n", check.c_str());
        return 1;
    }
    std::printf("handoff %.3f\ncheck %.3f\n", std::chrono::duration<double>(t1 - t0).count(),
                std::chrono::duration<double>(t2 - t1).count());
    return 0;
}
