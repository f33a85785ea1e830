#pragma once
// The environment editor: the entries of a report's environment or of the
// application environment in a grid, where names and expressions are edited
// in place, entries are added through the "New entry" group, and an entry's
// expression can be written in a nested expression builder. Changes apply to
// the environment at once; Close keeps them all.

#include <QDialog>

#include "report/ui/BRExprBuilderLogic.h"

class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTableWidget;

class TBREnvironmentEditor : public QDialog {
public:
    explicit TBREnvironmentEditor(QWidget* parent = nullptr);

    TBREvEnvironment* Environment = nullptr;   // the edited environment, not owned
    bool CloseRequested = false;
    int NewEntryResult = 0;

    QGroupBox* AvailableGB;
    QTableWidget* UDFGrid;
    QRadioButton *LocalCB, *GlobalCB;
    QPushButton *AddBtn, *EditBtn, *DeleteBtn, *CloseBtn;
    QGroupBox* NewEntryGB;
    QLineEdit *Name, *Expression;
    QPushButton *SpeedButton1, *NewOKBtn, *NewCancelBtn;

    // The edited environment when Local defines is checked, else the
    // application environment.
    TBREvEnvironment* CurrentEnvironment() const;
    void FillGrid();
    // Waits for the New entry group's OK or Cancel: the name and expression
    // on OK, nothing on Cancel.
    std::optional<std::pair<std::string, std::string>> AskNewEntry();
    // Edits the expression of `row` in a builder inside the editor.
    void EditRow(int row);

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void cell_changed(int row, int column);
    void show_refusal(const std::string& message);
    bool filling_ = false;
};

// Shows the editor over `environment` (or only the application environment
// when there is none) until it is closed. `global_allowed` false disables
// Global defines.
void ShowEnvironmentEditor(TBREvEnvironment* environment, bool global_allowed);
