#include "platform/ui/Dialogs.h"
#include "platform/ui/Headless.h"

#include <gtest/gtest.h>

using namespace ui;

TEST(ErrorBoxText, AddsAFullStopOnlyAfterCharactersThatSortAfterIt) {
    struct Case { const char* message; const char* shown; };
    const Case cases[] = {
        {"Disk full", "Disk full."},
        {"Backup refused by the server", "Backup refused by the server."},
        {"Já existe.", "Já existe."},
        {"confira o usuário ou senha !", "confira o usuário ou senha !"},
        {"código 3201)", "código 3201)"},
        {"erro 3201", "erro 3201."},          // digits sort after "."
        {"caminho /", "caminho /."},
        {"não acessível", "não acessível."},
        {"BACKUP falhou: ação", "BACKUP falhou: ação."}, // last character beyond ASCII
        {"", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(error_box_text(c.message), c.shown) << c.message;
}

TEST(MessageBoxHeadless, AnswersTheDefaultButton) {
    struct Case { unsigned flags; int answer; };
    const Case cases[] = {
        {MB_OK | MB_ICONERROR, IDOK},
        {MB_OKCANCEL, IDOK},
        {MB_OKCANCEL | MB_DEFBUTTON2, IDCANCEL},
        {MB_RETRYCANCEL | MB_ICONWARNING, IDRETRY},
        {MB_YESNO | MB_DEFBUTTON2, IDNO},
        {MB_YESNOCANCEL | MB_DEFBUTTON3, IDCANCEL},
        {MB_YESNO | MB_DEFBUTTON3, IDYES}, // no third button: the first one
    };
    for (const Case& c : cases) EXPECT_EQ(default_answer(c.flags), c.answer) << std::hex << c.flags;
}

TEST(MessageBoxHeadless, PrintsCaptionAndTextOnStderr) {
    ASSERT_TRUE(is_headless());
    testing::internal::CaptureStderr();
    const int answer = message_box("Conexão ao Servidor(ADO) não acessível,\rconfira o usuário ou senha !", "Erro",
                                   MB_OK | MB_ICONERROR);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(answer, IDOK);
    EXPECT_EQ(err, "Erro: Conexão ao Servidor(ADO) não acessível,\nconfira o usuário ou senha !\n");
}

TEST(MessageBoxHeadless, LineBreaksOfEveryKindBecomeOneNewline) {
    EXPECT_EQ(box_lines("a\rb\r\nc\nd\r\re"), "a\nb\nc\nd\n\ne");
}
