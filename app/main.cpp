// tamblero-backup: the unattended backup job. Reads KESTROVAN.INI beside the
// executable, has the server write a full backup of the configured database,
// and ends by itself. Exit status: 0 when the backup was written, 1 when it
// failed (after its messages were shown), 2 when the program would have
// waited for a person with no screen to wait on, 3 when it could not start.

#include "app/FormCopia.h"
#include "app/Units.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/Forms.h"
#include "platform/os/SignalCleanup.h"

#include <cstdio>
#include <exception>

int main() {
    // A pass cut short by a signal leaves no temporary archive behind.
    os::remove_temp_files_on_signals();
    core::UnitTable units(app::unit_table());
    try {
        units.Startup();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tamblero-backup: %s\n", e.what());
        return 3;
    }

    int status = 0;
    try {
        Application->Initialize();
        Application->SetTitle("Tamblero");
        Application->CreateForm(FormCopia);
        Application->Run();
        if (FormCopia != nullptr && FormCopia->BackupFailed()) status = 1;
        else if (Application->AbandonedWait()) status = 2;
    } catch (...) {
        Application->HandleException(Application);
        status = 1;
    }
    try {
        units.Shutdown();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tamblero-backup: %s\n", e.what());
    }
    return status;
}
