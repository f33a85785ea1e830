// Host services: the console host's printed boxes and answers, installing a
// host, and a scripted host as the tests use it.

#include "platform/core/HostServices.h"

#include <gtest/gtest.h>

#include "tests/support/PrintedBox.h"
#include "tests/support/ScriptedHost.h"

using namespace core;

TEST(HostBoxes, ButtonsInTheOrderShown) {
    struct Case { unsigned flags; std::vector<int> buttons; };
    const Case cases[] = {
        {MB_OK, {IDOK}},
        {MB_OKCANCEL | MB_ICONQUESTION, {IDOK, IDCANCEL}},
        {MB_ABORTRETRYIGNORE, {IDABORT, IDRETRY, IDIGNORE}},
        {MB_YESNOCANCEL, {IDYES, IDNO, IDCANCEL}},
        {MB_YESNO | MB_DEFBUTTON2, {IDYES, IDNO}},
        {MB_RETRYCANCEL | MB_ICONERROR, {IDRETRY, IDCANCEL}},
        {0x0F, {IDOK}},  // no such button set: OK alone
    };
    for (const Case& c : cases) EXPECT_EQ(box_buttons(c.flags), c.buttons) << std::hex << c.flags;
}

TEST(HostBoxes, UnattendedAnswerIsTheNamedOneElseTheDefaultButton) {
    struct Case { unsigned flags; int unattended; int answer; };
    const Case cases[] = {
        {MB_OK | MB_ICONINFORMATION, 0, IDOK},
        {MB_OKCANCEL | MB_DEFBUTTON2, 0, IDCANCEL},
        {MB_RETRYCANCEL | MB_ICONERROR, 0, IDRETRY},
        {MB_RETRYCANCEL | MB_ICONERROR, IDCANCEL, IDCANCEL},
        {MB_YESNO | MB_ICONQUESTION, IDNO, IDNO},
        {MB_YESNOCANCEL | MB_DEFBUTTON3, 0, IDCANCEL},
    };
    for (const Case& c : cases)
        EXPECT_EQ(unattended_answer({"x", "", c.flags, c.unattended}), c.answer) << std::hex << c.flags;
}

TEST(ConsoleHost, PrintsCaptionAndTextAndAnswersAtOnce) {
    struct Case { MessageBoxRequest request; const char* printed; int answer; };
    const Case cases[] = {
        {{"Function not yet implemented", "", MB_OK | MB_ICONINFORMATION, 0},
         "picture-tool: Function not yet implemented\n", IDOK},
        {{"/mnt/is not accessible\r\n\r\nNo such device", "", MB_RETRYCANCEL | MB_ICONERROR, IDCANCEL},
         "picture-tool: /mnt/is not accessible\n\nNo such device\n", IDCANCEL},
        {{"a\rb", "Erro", MB_YESNO | MB_DEFBUTTON2, 0}, "Erro: a\nb\n", IDNO},
    };
    ConsoleHost console("picture-tool");
    EXPECT_EQ(console.Title(), "picture-tool");
    for (const Case& c : cases)
        EXPECT_EQ(test_support::printed_box(console, c.request), (std::pair<std::string, int>{c.printed, c.answer}));
    EXPECT_EQ(test_support::printed_information(console, "Function not yet implemented"),
              "picture-tool: Function not yet implemented\n");
}

TEST(ConsoleHost, ProgressShowsNothingAndIsNeverCancelled) {
    ConsoleHost console("t");
    testing::internal::CaptureStderr();
    auto progress = console.BeginProgress("Compressing");
    for (int percent : {0, 50, 100}) EXPECT_TRUE(progress->Step(percent, "file.bak"));
    progress.reset();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST(ConsoleHost, DefaultTitleIsTheProgramName) {
    EXPECT_EQ(ConsoleHost().Title(), program_invocation_short_name);
}

TEST(HostInstall, ScopedInstallIsAskedAndThePreviousComesBack) {
    HostServices& before = host();
    test_support::ScriptedHost outer({IDYES});
    {
        ScopedService a(host_slot, &outer);
        EXPECT_EQ(&host(), &outer);
        test_support::ScriptedHost inner({IDRETRY}, "Tamblero");
        {
            ScopedService b(host_slot, &inner);
            EXPECT_EQ(host().Title(), "Tamblero");
            EXPECT_EQ(host().MessageBox({"again?", "", MB_RETRYCANCEL, IDCANCEL}), IDRETRY);
        }
        EXPECT_EQ(&host(), &outer);
        EXPECT_EQ(host().MessageBox({"sure?", "Confirm", MB_YESNO, IDNO}), IDYES);
        ASSERT_EQ(inner.boxes.size(), 1u);
        EXPECT_EQ(inner.boxes[0].text, "again?");
        EXPECT_EQ(inner.boxes[0].unattended, IDCANCEL);
    }
    EXPECT_EQ(&host(), &before);
    ASSERT_EQ(outer.boxes.size(), 1u);
    EXPECT_EQ(outer.boxes[0].caption, "Confirm");
    EXPECT_EQ(outer.boxes[0].flags, unsigned(MB_YESNO));
}

TEST(ScriptedHost, AnswersFromItsScriptThenUnattendedAndRecordsEverything) {
    test_support::ScriptedHost h({IDRETRY, IDRETRY});
    ScopedService installed(host_slot, &h);
    const MessageBoxRequest drive{"/media/x/is not accessible", "", MB_RETRYCANCEL | MB_ICONERROR, IDCANCEL};
    std::vector<int> answers;
    for (int i = 0; i < 3; ++i) answers.push_back(host().MessageBox(drive));
    EXPECT_EQ(answers, (std::vector<int>{IDRETRY, IDRETRY, IDCANCEL}));
    EXPECT_EQ(h.boxes.size(), 3u);

    host().Information("Function not yet implemented");
    EXPECT_EQ(h.information, std::vector<std::string>{"Function not yet implemented"});

    h.cancel_at_step = 2;
    auto progress = host().BeginProgress("Compressing");
    std::vector<bool> going;
    for (int percent : {10, 20, 30}) going.push_back(progress->Step(percent, "a.bak"));
    EXPECT_EQ(going, (std::vector<bool>{true, true, false}));
    EXPECT_EQ(h.steps.back(), (std::pair<int, std::string>{30, "a.bak"}));
}
