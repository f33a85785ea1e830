#pragma once
// The backup window: created hidden from its form resource, it reads the
// settings and connects when it is created, runs the backup when it is shown,
// and asks the application to end when the backup has been written.

#include "platform/data/ADODB.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/Forms.h"
#include "platform/ui/StdCtrls.h"

#include <string>

class TFormCopia : public TForm {
public:
    explicit TFormCopia(TComponent* AOwner);
    ~TFormCopia() override;
    static TClass StaticClass();
    TClass ClassType() const override;

    // Components read from the form resource (owned by the form).
    TImage* img1 = nullptr;
    TLabel* lbCaption = nullptr;
    TLabel* lbVorq = nullptr;
    TLabel* lbAcompanhamento = nullptr;
    TLabel* lbAcompanhamentoERRO = nullptr;
    TADOConnection* ADOConnection1 = nullptr;
    TADOQuery* qBackup = nullptr;
    TComponent* Zip = nullptr;

    // Published handlers, bound by name from the form resource.
    void FormCreate(TObject* Sender);
    void FormShow(TObject* Sender);
    void FormClose(TObject* Sender, TCloseAction& Action);
    void sbtSairClick(TObject* Sender);

    // Reads ("LER") or writes ("GRAVAR") one value of an INI file; any other
    // mode leaves Value as it was.
    void LerGravarIni(const std::string& IniPath, const std::string& Section, const std::string& Ident,
                      const std::string& Default, const std::string& Mode, std::string& Value);

    // True once the backup batch has failed (the program's exit status).
    bool BackupFailed() const { return backup_failed_; }

    void Loaded() override;

private:
    // Packs the backup file into an archive beside it and sends it to the
    // trash once the archive is checked; a failure leaves the backup file in
    // place and is written as one line on stderr.
    void CompactarBackup(const std::string& backup_path);
    // Writes one line on stderr about a packing step that failed (control
    // characters shown as "?").
    static void report_packing_failure(std::string line);

    std::string ExeDir;
    std::string Servidor;
    std::string Banco;
    std::string Caminho;
    std::string CompactarArquivo;
    std::string settings_error_;
    bool backup_failed_ = false;
};

extern TFormCopia* FormCopia;
