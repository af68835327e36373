#pragma once

#include <QWidget>
#include <functional>

class CafeStore;
class Prompter;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class ReportOutlet;
class Shifts;
class ShiftsModel;

// "Shifts": opens and closes this console's shift with the cash counted in
// the drawer, lists the shifts the operator may see, and prints or saves the
// report of the one chosen (the open one when none is chosen).
class ShiftWindow : public QWidget
{
    Q_OBJECT
public:
    // `role` names the operator account logged in now ("admin" or "user").
    ShiftWindow(Shifts &shifts, CafeStore &cafe, Prompter &prompter, ReportOutlet &outlet,
                std::function<QString()> role, QWidget *parent = nullptr);

    void refresh();
    void openShift();
    void closeShift();
    void printReport();
    void exportCsv();

private:
    void buildUi();
    // The chosen shift, else the open one; 0 for none.
    qint64 chosenShift() const;

    Shifts &m_shifts;
    CafeStore &m_cafe;
    Prompter &m_prompter;
    ReportOutlet &m_outlet;
    std::function<QString()> m_role;
    ShiftsModel *m_model = nullptr;
    qint64 m_open = 0;

    QLabel *m_status = nullptr;
    QLineEdit *m_cash = nullptr;
    QPushButton *m_openButton = nullptr;
    QPushButton *m_closeButton = nullptr;
    QTableView *m_grid = nullptr;
};
