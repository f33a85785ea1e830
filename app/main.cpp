// tamblero-backup: the unattended backup job. Reads KESTROVAN.INI beside the
// executable, has the server write a full backup of the configured database,
// and ends by itself. Exit status: 0 when the backup was written, 1 when it
// failed (after its messages were shown), 2 when the program would have
// waited for a person with no screen to wait on, 3 when it could not start.
// It takes no arguments: --help and --version print and end (status 0),
// anything else is refused with the usage line (status 2) and runs nothing.

#include "app/FormCopia.h"
#include "app/Units.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/Forms.h"
#include "platform/os/SignalCleanup.h"

#include <cstdio>
#include <cstring>
#include <exception>

#ifndef TAMBLERO_VERSION
#define TAMBLERO_VERSION "1.0"
#endif

namespace {

constexpr const char* kUsage = "uso: tamblero-backup [--help | --version]\n";

constexpr const char* kHelp =
    "Faz a cópia de segurança completa do banco de dados configurado em KESTROVAN.INI,\n"
    "ao lado do executável (seção [Kestrovan]: Servidor, Banco, Caminho, CompactarArquivo),\n"
    "e, com CompactarArquivo=S, compacta a cópia num arquivo ZIP e manda o .bak para a lixeira.\n"
    "Sem argumentos, executa a cópia. Saída: 0 cópia feita, 1 cópia falhou, 2 esperaria por\n"
    "alguém sem tela, 3 não pôde iniciar.\n";

}  // namespace

int main(int argc, char** argv) {
    // The job runs only without arguments: an option never starts a backup.
    if (argc > 1) {
        if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
            std::fputs(kUsage, stdout);
            std::fputs(kHelp, stdout);
            return 0;
        }
        if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
            std::printf("tamblero-backup %s\n", TAMBLERO_VERSION);
            return 0;
        }
        std::fprintf(stderr, "tamblero-backup: argumento inesperado: %s\n%s", argv[1], kUsage);
        return 2;
    }
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
