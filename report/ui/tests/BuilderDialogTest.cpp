// The builder, the environment editor and the control editors as windows,
// driven through their object names on Qt's in-memory platform.

#include "report/ui/BREnvEditor.h"
#include "report/ui/BRExprBuilder.h"
#include "report/ui/BRLabelEditor.h"

#include "platform/core/HostServices.h"
#include "platform/data/MemoryDataSet.h"
#include "report/controls/BRExprControl.h"
#include "report/controls/BRLabel.h"
#include "report/ui/tests/BuilderUnits.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QTableWidget>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace {

// Records the boxes instead of showing them.
class RecordingHost : public core::ConsoleHost {
public:
    int MessageBox(const core::MessageBoxRequest& request) override {
        boxes.push_back(request.Text);
        return core::IDOK;
    }
    std::vector<std::string> boxes;
};

class BuilderDialogs : public ::testing::Test {
protected:
    static void SetUpTestSuite() { builder_tests::start_units(); }
    void SetUp() override { previous_ = core::host_slot.install(&host_); }
    void TearDown() override { core::host_slot.install(previous_); }
    RecordingHost host_;
    core::HostServices* previous_ = nullptr;
};

using builder_tests::later;

template <class W>
W* top_level(const char* name) {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == name && w->isVisible())
            if (auto* found = dynamic_cast<W*>(w)) return found;
    return nullptr;
}

TBRExpressionBuilder* builder() {
    // The innermost builder: a nested one is a child of the one it serves.
    TBRExpressionBuilder* outer = top_level<TBRExpressionBuilder>("ExpressionBuilder");
    if (!outer) return nullptr;
    TBRExpressionBuilder* inner = outer;
    while (auto* child = inner->findChild<TBRExpressionBuilder*>("ExpressionBuilder")) {
        if (!child->isVisible()) break;
        inner = child;
    }
    return inner;
}

void select(QListWidget* list, const std::string& text) {
    const auto items = list->findItems(QString::fromStdString(text), Qt::MatchExactly);
    ASSERT_FALSE(items.isEmpty()) << text;
    list->setCurrentItem(items.first());
}

std::string text_of(QLabel* l) { return l->text().toStdString(); }

}  // namespace

// Picking functions: IF prompts for three arguments with their captions and
// inserts IF(a,b,c); a one-letter signature inserts the bare name; Cancel on
// the argument page cancels the whole pick.
TEST_F(BuilderDialogs, PickingAFunctionInsertsItsCall) {
    struct Case {
        const char* category;
        const char* function;
        std::vector<std::string> captions;
        std::vector<std::string> arguments;
        bool cancel_arguments;
        const char* inserted;
    };
    const Case cases[] = {
        {"Logical",
         "IF",
         {"Argument 1 - logical value", "Argument 2 - value", "Argument 3 - value"},
         {"A = 1", "'yes'", "'no'"},
         false,
         "IF(A = 1,'yes','no')"},
        {"Statistical", "COUNT", {}, {}, false, "COUNT"},
        {"All", "TIME", {}, {}, false, "TIME"},
        {"Logical", "IF", {"Argument 1 - logical value", "Argument 2 - value", "Argument 3 - value"}, {}, true, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.function);
        std::string expression;
        std::vector<std::string> captions;
        later([&] {
            TBRExpressionBuilder* b = builder();
            ASSERT_NE(b, nullptr);
            later([&, b] {
                select(b->Categories, c.category);
                select(b->AvailableFunc, c.function);
                EXPECT_EQ(text_of(b->FuncName).substr(0, std::string(c.function).size()), c.function);
                if (c.captions.empty()) {
                    b->FunctionOKBtn->click();
                    later([b] { b->OKBtn->click(); });
                    return;
                }
                later([&, b] {
                    EXPECT_EQ(text_of(b->CopyFuncName), text_of(b->FuncName));
                    for (std::size_t i = 0; i < c.captions.size(); ++i) {
                        const QString n = QString::number(i + 1);
                        auto* caption = b->FuncParamSB->findChild<QLabel*>("ArgumentLabel" + n);
                        auto* edit = b->FuncParamSB->findChild<QLineEdit*>("ArgumentEdit" + n);
                        ASSERT_TRUE(caption && edit);
                        captions.push_back(text_of(caption));
                        EXPECT_EQ(caption->y(), int(i) * 40);
                        EXPECT_EQ(edit->y(), int(i) * 40 + 15);
                        if (i < c.arguments.size()) edit->setText(QString::fromStdString(c.arguments[i]));
                    }
                    (c.cancel_arguments ? b->FuncArgCancelBtn : b->FuncParamOkBtn)->click();
                    later([b] { b->OKBtn->click(); });
                });
                b->FunctionOKBtn->click();
            });
            b->InsertFunctionBtn->click();
        });
        EXPECT_TRUE(ShowExpressionBuilder("", expression, nullptr, nullptr, nullptr));
        EXPECT_EQ(expression, c.inserted);
        EXPECT_EQ(captions, c.captions);
    }
}

// OK returns the text on one line; Cancel and closing return false and an
// empty expression; Clear empties the edit; an operator button inserts with
// blanks around it, replacing the selection.
TEST_F(BuilderDialogs, MainPageButtons) {
    struct Case {
        const char* what;
        std::string start;
        std::function<void(TBRExpressionBuilder*)> act;  // NOLINT
        bool ok;
        const char* expression;
    };
    const Case cases[] = {
        {"several lines", "1 +\n2", [](TBRExpressionBuilder* b) { b->OKBtn->click(); }, true, "1 + 2"},
        {"cancel", "1 + 2", [](TBRExpressionBuilder* b) { b->CancelBtn->click(); }, false, ""},
        {"close", "1 + 2", [](TBRExpressionBuilder* b) { b->close(); }, false, ""},
        {"escape", "1 + 2", [](TBRExpressionBuilder* b) { QTest::keyClick(b, Qt::Key_Escape); }, false, ""},
        {"escape on the data field page stops the pick",
         "1",
         [](TBRExpressionBuilder* b) {
             later([b] {
                 QTest::keyClick(b, Qt::Key_Escape);
                 later([b] { b->OKBtn->click(); });
             });
             b->InsertDataFieldBtn->click();
             EXPECT_TRUE(b->MainPage->isEnabled());
         },
         true, "1"},
        {"clear", "1 + 2", [](TBRExpressionBuilder* b) { b->ClearBtn->click(); b->OKBtn->click(); }, true, ""},
        {"operator over the selection", "1 2",
         [](TBRExpressionBuilder* b) {
             QTextCursor cursor = b->ExpressionEdit->textCursor();
             cursor.setPosition(1);
             cursor.setPosition(2, QTextCursor::KeepAnchor);
             b->ExpressionEdit->setTextCursor(cursor);
             b->findChild<QPushButton*>("Operator8")->click();   // "<>"
             b->OKBtn->click();
         },
         true, "1 <> 2"},
        {"Not", "", [](TBRExpressionBuilder* b) { b->findChild<QPushButton*>("Operator11")->click(); b->OKBtn->click(); }, true, " Not "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string expression = c.start;
        later([&] {
            TBRExpressionBuilder* b = builder();
            ASSERT_NE(b, nullptr);
            c.act(b);
        });
        EXPECT_EQ(ShowExpressionBuilder("", expression, nullptr, nullptr, nullptr), c.ok);
        EXPECT_EQ(expression, c.expression);
    }
}

// The builder's window: its size, captions, and the heading it is given.
TEST_F(BuilderDialogs, BuilderLayout) {
    std::string expression = "1";
    later([&] {
        TBRExpressionBuilder* b = builder();
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(b->size(), QSize(378, 317));
        EXPECT_EQ(b->TopPanel->height(), 51);
        EXPECT_EQ(b->findChild<QLabel*>("Caption")->text(), "Expression Builder");
        EXPECT_EQ(text_of(b->Heading), "Total of the page");
        EXPECT_EQ(b->ExpressionEdit->geometry(), QRect(20, 36, 341, 91));
        EXPECT_EQ(b->ExpressionEdit->textCursor().selectedText(), "1");
        QStringList categories;
        for (int i = 0; i < b->Categories->count(); ++i) categories << b->Categories->item(i)->text();
        EXPECT_EQ(categories.join("|"), "All|Date & time|Math & trig|Statistical|Database|Logical|Information|Other");
        b->CancelBtn->click();
    });
    ShowExpressionBuilder("Total of the page", expression, nullptr, nullptr, nullptr);
}

// Database fields: the datasets of the component and their fields; a field
// that would not compile bare is bracketed; OK without a field inserts
// nothing; Validate shows the value of the current record.
TEST_F(BuilderDialogs, DataFieldsAndValidation) {
    TComponent root(nullptr);
    auto* ds = new TMemoryDataSet(&root);
    ds->SetName("Customers");
    ds->AddField("Id", ftInteger);
    ds->AddField("Credit-limit", ftInteger);
    ds->AppendRecord({data::Value("7"), data::Value("1500")});
    ds->Open();
    auto* empty = new TMemoryDataSet(&root);
    empty->SetName("Nothing");
    struct Case {
        const char* dataset;
        const char* field;
        const char* inserted;
        const char* message;
    };
    const Case cases[] = {
        {"Customers", "Id", "Customers.Id", "There are no errors. The result is : 7"},
        {"Customers", "Credit-limit", "[Customers.Credit-limit]", "There are no errors. The result is : 1500"},
        // Nothing inserted: an empty expression evaluates to a blank.
        {"Nothing", nullptr, "", "There are no errors. The result is :  "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.inserted);
        host_.boxes.clear();
        std::string expression;
        later([&] {
            TBRExpressionBuilder* b = builder();
            ASSERT_NE(b, nullptr);
            later([&, b] {
                EXPECT_EQ(b->AvailableDatasets->count(), 2);
                select(b->AvailableDatasets, c.dataset);
                if (c.field) select(b->AvailableFields, c.field);
                EXPECT_EQ(b->AvailableFields->count(), c.field ? 2 : 0);
                b->DataFieldOKBtn->click();
                later([b] {
                    b->ValidateBtn->click();
                    b->OKBtn->click();
                });
            });
            b->InsertDataFieldBtn->click();
        });
        EXPECT_TRUE(ShowExpressionBuilder("", expression, &root, nullptr, nullptr));
        EXPECT_EQ(expression, c.inserted);
        EXPECT_EQ(host_.boxes, std::vector<std::string>{c.message});
    }
}

// Variables: the report's entries, then the application's, with their
// values; OK inserts the name.
TEST_F(BuilderDialogs, Variables) {
    TBREvEnvironment env;
    env.DefineEntry("TAX", "0.15");
    ApplicationEnvironment().DefineEntry("COMPANY", "'ACME'");
    std::string expression;
    later([&] {
        TBRExpressionBuilder* b = builder();
        ASSERT_NE(b, nullptr);
        later([&, b] {
            ASSERT_GE(b->AvailableVariables->count(), 2);
            EXPECT_EQ(b->AvailableVariables->item(0)->text(), "TAX");
            EXPECT_EQ(text_of(b->VariableValue), "0.15");
            select(b->AvailableVariables, "COMPANY");
            EXPECT_EQ(text_of(b->VariableValue), "'ACME'");
            b->VariableOKBtn->click();
            later([b] { b->OKBtn->click(); });
        });
        b->InsertVariableBtn->click();
    });
    EXPECT_TRUE(ShowExpressionBuilder("", expression, nullptr, &env, nullptr));
    EXPECT_EQ(expression, "COMPANY");
    ApplicationEnvironment().RemoveEntry("COMPANY");
}

// An argument's "..." opens a builder inside the first, headed with the
// argument and the function; its OK writes the argument's edit.
TEST_F(BuilderDialogs, ArgumentBuilderNestsInsideTheBuilder) {
    std::string expression;
    later([&] {
        TBRExpressionBuilder* b = builder();
        later([&, b] {
            select(b->Categories, "Logical");
            select(b->AvailableFunc, "IF");
            later([&, b] {
                later([&, b] {
                    TBRExpressionBuilder* inner = builder();
                    ASSERT_NE(inner, b);
                    EXPECT_EQ(inner->parentWidget(), b);
                    EXPECT_EQ(text_of(inner->Heading), "Enter 2. parameter for " + text_of(b->FuncName));
                    inner->ExpressionEdit->setPlainText("1 + 1");
                    inner->OKBtn->click();
                    later([b] {
                        auto* edit = b->FuncParamSB->findChild<QLineEdit*>("ArgumentEdit2");
                        EXPECT_EQ(edit->selectedText(), "1 + 1");
                        b->FuncParamSB->findChild<QLineEdit*>("ArgumentEdit1")->setText("TRUE");
                        b->FuncParamSB->findChild<QLineEdit*>("ArgumentEdit3")->setText("0");
                        b->FuncParamOkBtn->click();
                        later([b] { b->OKBtn->click(); });
                    });
                });
                b->FuncParamSB->findChild<QPushButton*>("ArgumentBuilder2")->click();
            });
            b->FunctionOKBtn->click();
        });
        b->InsertFunctionBtn->click();
    });
    EXPECT_TRUE(ShowExpressionBuilder("", expression, nullptr, nullptr, nullptr));
    EXPECT_EQ(expression, "IF(TRUE,1 + 1,0)");
}

// The environment editor: local or global entries, grid edits, new entries.
TEST_F(BuilderDialogs, EnvironmentEditor) {
    ApplicationEnvironment().DefineEntry("GLOBALONE", "1");
    // Without an environment only the global defines show.
    later([] {
        auto* e = top_level<TBREnvironmentEditor>("EnvironmentEditor");
        ASSERT_NE(e, nullptr);
        EXPECT_EQ(e->size(), QSize(376, 269));
        EXPECT_EQ(e->windowTitle(), "User Defined Functions Edtor");
        EXPECT_FALSE(e->LocalCB->isEnabled());
        EXPECT_TRUE(e->GlobalCB->isChecked());
        EXPECT_EQ(e->UDFGrid->columnWidth(0), 123);
        EXPECT_EQ(e->UDFGrid->columnWidth(1), 165);
        EXPECT_EQ(e->UDFGrid->horizontalHeaderItem(0)->text(), "Name");
        EXPECT_FALSE(e->UDFGrid->findItems("GLOBALONE", Qt::MatchExactly).isEmpty());
        e->CloseBtn->click();
    });
    ShowEnvironmentEditor(nullptr, true);
    ApplicationEnvironment().RemoveEntry("GLOBALONE");

    TBREvEnvironment env;
    env.DefineEntry("A", "1");
    env.DefineEntry("B", "2");
    later([&] {
        auto* e = top_level<TBREnvironmentEditor>("EnvironmentEditor");
        ASSERT_NE(e, nullptr);
        EXPECT_TRUE(e->LocalCB->isChecked());
        EXPECT_FALSE(e->GlobalCB->isEnabled());
        ASSERT_EQ(e->UDFGrid->rowCount(), 2);
        // A name to lower case is upper-cased; a duplicate is refused.
        e->UDFGrid->item(0, 0)->setText("first");
        EXPECT_EQ(e->UDFGrid->item(0, 0)->text(), "FIRST");
        e->UDFGrid->item(1, 0)->setText("First");
        EXPECT_EQ(e->UDFGrid->item(1, 0)->text(), "B");
        EXPECT_EQ(host_.boxes, std::vector<std::string>{"FIRST is already defined"});
        // An expression edited while the environment is prepared keeps its text.
        env.PrepareEntries();
        e->UDFGrid->item(1, 1)->setText("99");
        EXPECT_EQ(e->UDFGrid->item(1, 1)->text(), "2");
        env.UnprepareEntries();
        e->UDFGrid->item(1, 1)->setText("FIRST + 1");
        // A new entry through the New entry group.
        later([e] {
            EXPECT_FALSE(e->AddBtn->isVisible());
            e->Name->setText("third");
            e->Expression->setText("B * 10");
            e->NewOKBtn->click();
            later([e] {
                EXPECT_TRUE(e->AddBtn->isVisible());
                EXPECT_EQ(e->UDFGrid->rowCount(), 3);
                e->CloseBtn->click();
            });
        });
        e->AddBtn->click();
    });
    ShowEnvironmentEditor(&env, false);
    EXPECT_EQ(report::validation_text("THIRD", nullptr, &env), "There are no errors. The result is : 20");
}

// The editors: found by class name from the controls; Cancel changes
// nothing; OK applies the fields, a fractional width included; a bad number
// is refused with every field left unapplied.
TEST_F(BuilderDialogs, ControlEditors) {
    TComponent root(nullptr);
    auto* expr = new TBRExpr(&root);
    expr->SetName("Total");
    auto* label = new TBRLabel(&root);
    label->SetName("Title");
    const auto reset = [&] {
        expr->SetExpression("1 + 1");
        expr->SetMask("");
        expr->Size()->SetWidth(50.5);
        expr->Size()->SetHeight(10);
        label->SetCaption("Sales");
        label->Size()->SetWidth(40);
        label->Size()->SetHeight(8);
    };
    struct Case {
        const char* what;
        TBRCustomLabel* control;
        const char* form;
        std::function<void(TBRLabelEditorForm*)> act;
        bool ok;
        const char* value;
        double width;
        const char* mask;
    };
    const Case cases[] = {
        {"cancel", expr, "BRExprEditorForm",
         [](TBRLabelEditorForm* f) {
             f->Value->setText("2");
             f->CancelBtn->click();
         },
         false, "1 + 1", 50.5, ""},
        {"ok unchanged keeps 50.5", expr, "BRExprEditorForm", [](TBRLabelEditorForm* f) { f->OKBtn->click(); }, true, "1 + 1", 50.5,
         ""},
        {"ok with a new expression and mask", expr, "BRExprEditorForm",
         [](TBRLabelEditorForm* f) {
             f->Value->setText("2 * 3");
             static_cast<TBRExprEditorForm*>(f)->Mask->setEditText("0.00");
             f->Width->setText("60");
             f->OKBtn->click();
         },
         true, "2 * 3", 60, "0.00"},
        {"bad width refused", expr, "BRExprEditorForm",
         [](TBRLabelEditorForm* f) {
             f->Value->setText("5");
             f->Width->setText("");
             f->OKBtn->click();
             EXPECT_TRUE(f->isVisible());
             f->CancelBtn->click();
         },
         false, "1 + 1", 50.5, ""},
        {"a comma in the width", expr, "BRExprEditorForm",
         [](TBRLabelEditorForm* f) {
             f->Width->setText("60,5");
             f->OKBtn->click();
             if (f->isVisible()) f->CancelBtn->click();
         },
         true, "1 + 1", 60.5, ""},
        {"label", label, "BRLabelEditorForm",
         [](TBRLabelEditorForm* f) {
             EXPECT_EQ(f->windowTitle(), "Text Settings");
             EXPECT_EQ(f->size(), QSize(329, 181));
             EXPECT_EQ(f->Value->text(), "Sales");
             f->Value->setText("Sales by region");
             f->OKBtn->click();
         },
         true, "Sales by region", 40, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        reset();
        host_.boxes.clear();
        std::unique_ptr<TBRPrintableEditor> editor = report::create_printable_editor(*c.control);
        ASSERT_NE(editor, nullptr);
        later([&] {
            auto* form = top_level<TBRLabelEditorForm>(c.form);
            ASSERT_NE(form, nullptr);
            c.act(form);
        });
        EXPECT_EQ(editor->ShowEditor(), c.ok);
        EXPECT_EQ(editor->EditedValue(), c.value);
        EXPECT_DOUBLE_EQ(double(c.control->Size()->Width()), c.width);
        if (c.control == expr) {
            EXPECT_EQ(expr->Mask(), c.mask);
        }
    }
    EXPECT_EQ(host_.boxes.size(), 0u);
}

// The expression editor's answers and its "..." button, which opens the
// builder over the datasets of the component that holds the control.
TEST_F(BuilderDialogs, ExpressionEditorAnswersAndOpensTheBuilder) {
    TComponent root(nullptr);
    auto* ds = new TMemoryDataSet(&root);
    ds->SetName("Orders");
    ds->AddField("Amount", ftInteger);
    ds->Open();
    auto* expr = new TBRExpr(&root);
    expr->SetExpression("1");
    std::unique_ptr<TBRPrintableEditor> editor = report::create_printable_editor(*expr);
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->ServedPrintableClass(), TBRExpr::StaticClass());
    EXPECT_EQ(editor->GlyphResourceName(), "BREXPR");
    EXPECT_EQ(editor->ControlDisplayName(), "Expression Control");
    editor->ApplyColor(0x123456);
    EXPECT_EQ(editor->EditedColor(), 0x123456);
    editor->ApplyAlignment(taCenter);
    EXPECT_EQ(editor->EditedAlignment(), int(taCenter));
    TBRLabel label(nullptr);
    std::unique_ptr<TBRPrintableEditor> label_editor = report::create_printable_editor(label);
    ASSERT_NE(label_editor, nullptr);
    EXPECT_EQ(label_editor->GlyphResourceName(), "BRLABEL");
    EXPECT_EQ(label_editor->ControlDisplayName(), "Text Control");
    EXPECT_EQ(label_editor->ServedPrintableClass(), TBRLabel::StaticClass());

    later([&] {
        auto* form = top_level<TBRExprEditorForm>("BRExprEditorForm");
        ASSERT_NE(form, nullptr);
        EXPECT_EQ(form->size(), QSize(367, 210));
        EXPECT_EQ(form->windowTitle(), "Expression settings");
        later([form] {
            TBRExpressionBuilder* b = builder();
            ASSERT_NE(b, nullptr);
            EXPECT_EQ(b->ExpressionEdit->toPlainText(), "1");
            later([b] {
                EXPECT_EQ(b->AvailableDatasets->count(), 1);
                select(b->AvailableFields, "Amount");
                b->DataFieldOKBtn->click();
                later([b] { b->OKBtn->click(); });
            });
            b->InsertDataFieldBtn->click();
        });
        form->ShowExprBuilder->click();
        EXPECT_EQ(form->Value->text(), "Orders.Amount");
        form->OKBtn->click();
    });
    EXPECT_TRUE(editor->ShowEditor());
    EXPECT_EQ(expr->Expression(), "Orders.Amount");
}

namespace {

// Runs `check` once `done()` holds, letting the window loops turn in
// between; fails (and runs `give_up`) when it never does.
void when(std::function<bool()> done, std::function<void()> check, std::function<void()> give_up, int turns = 200) {
    if (done()) {
        check();
    } else if (turns == 0) {
        give_up();
    } else {
        QTimer::singleShot(5, [=] { when(done, check, give_up, turns - 1); });
    }
}

QImage part_of(QWidget* window, const QRect& r) { return window->grab().toImage().copy(r); }

}  // namespace

// Raised over the grid, the New entry group hides it whole: what shows in
// its place is what shows with the grid's group taken away.
TEST_F(BuilderDialogs, NewEntryGroupCoversTheGrid) {
    TBREvEnvironment env;
    for (const char* name : {"ALPHA", "BETA", "GAMMA", "DELTA", "EPSILON", "ZETA", "ETA"})
        env.DefineEntry(name, "12345 * 678");
    later([&] {
        auto* e = top_level<TBREnvironmentEditor>("EnvironmentEditor");
        ASSERT_NE(e, nullptr);
        later([e] {
            const QRect area = e->NewEntryGB->geometry();
            const QImage over_grid = part_of(e, area);
            e->AvailableGB->hide();
            const QImage alone = part_of(e, area);
            e->AvailableGB->show();
            EXPECT_TRUE(over_grid == alone) << "the grid shows through the New entry group";
            e->NewCancelBtn->click();
            later([e] { e->CloseBtn->click(); });
        });
        e->AddBtn->click();
    });
    ShowEnvironmentEditor(&env, false);
}

// The builder an entry's Edit opens inside the editor: the editor grows to
// hold it, so Clear, Validate, OK and Cancel are all inside the window;
// Enter confirms (Ctrl+Enter breaks the line, which comes back as a blank);
// the editor then has its own size again and the entry the new expression.
TEST_F(BuilderDialogs, BuilderInsideTheEnvironmentEditorIsWholeAndEnterConfirms) {
    TBREvEnvironment env;
    env.DefineEntry("A", "1");
    QSize editor_during, editor_after;
    later([&] {
        auto* e = top_level<TBREnvironmentEditor>("EnvironmentEditor");
        ASSERT_NE(e, nullptr);
        later([&, e] {
            TBRExpressionBuilder* inner = e->findChild<TBRExpressionBuilder*>("ExpressionBuilder");
            ASSERT_NE(inner, nullptr);
            EXPECT_EQ(text_of(inner->Heading), "A");
            editor_during = e->size();
            for (QPushButton* b : {inner->ClearBtn, inner->ValidateBtn, inner->OKBtn, inner->CancelBtn}) {
                const QRect r(b->mapTo(e, QPoint(0, 0)), b->size());
                EXPECT_TRUE(e->rect().contains(r)) << b->objectName().toStdString() << " is cut off";
            }
            inner->ExpressionEdit->setPlainText("2 +");
            inner->ExpressionEdit->moveCursor(QTextCursor::End);
            QTest::keyClick(inner->ExpressionEdit, Qt::Key_Return, Qt::ControlModifier);
            QTest::keyClicks(inner->ExpressionEdit, "3");
            EXPECT_EQ(inner->ExpressionEdit->toPlainText(), "2 +\n3");
            QPointer<TBRExpressionBuilder> open(inner);
            QTest::keyClick(inner->ExpressionEdit, Qt::Key_Return);
            when([open] { return !open; }, [&, e] {
                editor_after = e->size();
                e->CloseBtn->click();
            }, [&, e, open] {
                ADD_FAILURE() << "Enter did not confirm the builder";
                open->CancelBtn->click();
                later([e] { e->CloseBtn->click(); });
            });
        });
        e->UDFGrid->setCurrentCell(0, 1);
        e->EditBtn->click();
    });
    ShowEnvironmentEditor(&env, false);
    EXPECT_GE(editor_during.width(), 378);
    EXPECT_GE(editor_during.height(), 317);
    EXPECT_EQ(editor_after, QSize(376, 269));
    ASSERT_EQ(env.Count(), 1);
    EXPECT_EQ(env.Entry(0)->ExpressionText(), "2 + 3");
}

// Closing ends the builder whichever page is in front: the builder's own
// window over a picker page, and the editor's window over a nested builder.
TEST_F(BuilderDialogs, ClosingEndsTheBuilderOverAnyPage) {
    struct Case {
        const char* what;
        QPushButton* TBRExpressionBuilder::*picker;
    };
    const Case cases[] = {
        {"data field page", &TBRExpressionBuilder::InsertDataFieldBtn},
        {"function page", &TBRExpressionBuilder::InsertFunctionBtn},
        {"variable page", &TBRExpressionBuilder::InsertVariableBtn},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string expression = "1";
        later([&] {
            TBRExpressionBuilder* b = builder();
            ASSERT_NE(b, nullptr);
            QPointer<TBRExpressionBuilder> shown(b);
            later([shown] {
                shown->close();
                when([shown] { return !shown || !shown->isVisible(); }, [] {},
                     [shown] {
                         ADD_FAILURE() << "the builder stays open";
                         shown->CancelBtn->click();
                     });
            });
            (b->*c.picker)->click();
        });
        EXPECT_FALSE(ShowExpressionBuilder("", expression, nullptr, nullptr, nullptr));
        EXPECT_EQ(expression, "");
    }

    TBREvEnvironment env;
    env.DefineEntry("A", "1");
    later([&] {
        auto* e = top_level<TBREnvironmentEditor>("EnvironmentEditor");
        ASSERT_NE(e, nullptr);
        later([e] {
            QPointer<TBRExpressionBuilder> inner = e->findChild<TBRExpressionBuilder*>("ExpressionBuilder");
            ASSERT_TRUE(inner);
            e->close();
            when([inner] { return !inner; }, [] {},
                 [inner] {
                     ADD_FAILURE() << "the nested builder still waits in a closed editor";
                     inner->CancelBtn->click();
                 });
        });
        e->UDFGrid->setCurrentCell(0, 1);
        e->EditBtn->click();
    });
    ShowEnvironmentEditor(&env, false);
    EXPECT_EQ(env.Entry(0)->ExpressionText(), "1");
}
