#include "app/FormCopia.h"

#include "app/backup/BackupJob.h"
#include "app/handoff/Handoff.h"
#include "archive/arcZip.h"
#include "platform/core/ClassBuilder.h"
#include "platform/core/IniFiles.h"
#include "platform/core/SysUtils.h"
#include "platform/os/Files.h"

#include <cstdio>
#include <memory>

TFormCopia* FormCopia = nullptr;

TFormCopia::TFormCopia(TComponent* AOwner) : TForm(AOwner) {
    const std::string* json = FindFormResource(StaticClass()->Name);
    if (json == nullptr) throw EResNotFound("Resource TFormCopia not found");
    ReadResource(*json);
    DoCreate();
}

TFormCopia::~TFormCopia() {
    if (FormCopia == this) FormCopia = nullptr;
}

void TFormCopia::Loaded() {
    TForm::Loaded();
    img1 = As<TImage>(FindComponent("img1"));
    lbCaption = As<TLabel>(FindComponent("lbCaption"));
    lbVorq = As<TLabel>(FindComponent("lbVorq"));
    lbAcompanhamento = As<TLabel>(FindComponent("lbAcompanhamento"));
    lbAcompanhamentoERRO = As<TLabel>(FindComponent("lbAcompanhamentoERRO"));
    ADOConnection1 = As<TADOConnection>(FindComponent("ADOConnection1"));
    qBackup = As<TADOQuery>(FindComponent("qBackup"));
    Zip = FindComponent("Zip");
}

void TFormCopia::LerGravarIni(const std::string& IniPath, const std::string& Section, const std::string& Ident,
                              const std::string& Default, const std::string& Mode, std::string& Value) {
    auto ini = std::make_unique<TIniFile>(IniPath);
    const std::string mode = UpperCase(Mode);
    if (mode == "LER") {
        Value = ini->ReadString(Section, Ident, Default);
    } else if (mode == "GRAVAR") {
        ini->WriteString(Section, Ident, Default);
        Value.clear();
    }
}

void TFormCopia::FormCreate(TObject*) {
    ExeDir = os::executable_dir();
    const std::string ini = ExeDir + "KESTROVAN.INI";
    LerGravarIni(ini, "Kestrovan", "Servidor", "", "Ler", Servidor);
    LerGravarIni(ini, "Kestrovan", "Banco", "", "Ler", Banco);
    LerGravarIni(ini, "Kestrovan", "Caminho", "", "Ler", Caminho);
    LerGravarIni(ini, "Kestrovan", "CompactarArquivo", "N", "Ler", CompactarArquivo);

    // The database name and the folder go into the batch as they stand; a
    // value that would end a quoted text, a bracketed name or the USE
    // statement is refused before anything reaches the server, and FormShow
    // reports it. (A missing value is reported there too, but only after the
    // connection has been tried, as with no settings file at all.)
    try {
        app::check_batch_value("Banco", Banco, app::BatchPlace::Bare);
        app::check_batch_value("Caminho", Caminho, app::BatchPlace::Quoted);
    } catch (const Exception& e) {
        settings_error_ = e.Message();
        return;
    }

    try {
        ADOConnection1->SetConnected(false);
        ADOConnection1->SetConnectionString(app::connection_string(Servidor, Banco));
        ADOConnection1->Open();
    } catch (...) {
        Application->MessageBox("Conexão ao Servidor(ADO) não acessível,\rconfira o usuário ou senha !", "Erro",
                                ui::MB_OK | ui::MB_ICONERROR);
    }
}

void TFormCopia::FormShow(TObject*) {
    std::string backup_path;
    try {
        if (!settings_error_.empty()) throw Exception(settings_error_);
        app::check_required_value(ExeDir + "KESTROVAN.INI", "Banco", Banco);
        app::check_required_value(ExeDir + "KESTROVAN.INI", "Caminho", Caminho);
        qBackup->Close();
        qBackup->SQL()->Clear();
        for (const std::string& line : app::backup_batch(Banco, Caminho)) qBackup->SQL()->Add(line);
        qBackup->Open();

        // Without a name (the date function gave NULL) EXEC had nothing to
        // run: no error came back, and no backup was written either.
        const std::string nome_arquivo = qBackup->FieldByName("NomeArquivo").AsString();
        if (Trim(nome_arquivo).empty())
            throw Exception("O servidor não devolveu o nome do arquivo de backup: a cópia de segurança não foi "
                            "confirmada");
        if (app::wants_packing(CompactarArquivo)) {
            // The name is taken as one file in the backup folder, never as a
            // path or a mask; the file must be there for the program too.
            if (!app::is_plain_file_name(nome_arquivo)) {
                report_packing_failure("o servidor devolveu \"" + nome_arquivo +
                                       "\" como nome do arquivo de backup, que não é um nome de arquivo simples; "
                                       "nada foi compactado e o arquivo de backup fica onde está");
            } else {
                backup_path = app::backup_file_path(Caminho, nome_arquivo);
                if (!FileExists(backup_path))
                    throw Exception("O arquivo de backup \"" + backup_path +
                                    "\" não existe depois do comando de cópia de segurança; nada foi compactado");
            }
        }
    } catch (...) {
        backup_failed_ = true;
        throw;
    }

    if (!backup_path.empty()) CompactarBackup(backup_path);
    qBackup->Close();
    Application->Terminate();
}

void TFormCopia::CompactarBackup(const std::string& backup_path) {
    // The backup exists whatever happens here, so a failure does not change
    // the exit status; it is written as one line on stderr, where cron mails it.
    std::string failure;
    try {
        auto* zip = dynamic_cast<archive::TZip*>(Zip);
        if (zip == nullptr) throw Exception("o formulário não tem o componente Zip");
        failure = app::hand_off_backup(*zip, backup_path);
    } catch (const std::exception& e) {
        failure = "a compactação de \"" + backup_path + "\" falhou: " + e.what() + "; o arquivo de backup fica onde está";
    } catch (...) {
        failure = "a compactação de \"" + backup_path + "\" falhou; o arquivo de backup fica onde está";
    }
    if (!failure.empty()) report_packing_failure(failure);
}

void TFormCopia::report_packing_failure(std::string line) {
    for (char& c : line)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
    std::fprintf(stderr, "tamblero-backup: %s\n", line.c_str());
    std::fflush(stderr);
}

void TFormCopia::FormClose(TObject*, TCloseAction& Action) {
    Action = caFree;
    Application->Terminate();
}

void TFormCopia::sbtSairClick(TObject*) {
    Close();
}

TClass TFormCopia::StaticClass() {
    static const TClassInfo info = core::ClassBuilder<TFormCopia, TForm>("TFormCopia")
        .Operation("FormCreate", &TFormCopia::FormCreate)
        .Operation("FormShow", &TFormCopia::FormShow)
        .Operation("FormClose", &TFormCopia::FormClose)
        .Operation("sbtSairClick", &TFormCopia::sbtSairClick)
        .Operation("LerGravarIni", &TFormCopia::LerGravarIni)
        .Build();
    return &info;
}
TClass TFormCopia::ClassType() const { return StaticClass(); }
