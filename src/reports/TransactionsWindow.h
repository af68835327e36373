#pragma once

#include "reports/ExtraChargesWindow.h"
#include "reports/KinListWindow.h"
#include "store/Paths.h"

#include <QPointer>

class QComboBox;
class QLineEdit;
class TransactionsModel;

// "Κινήσεις": the normal and prepaid transactions of a range, of one computer
// or all, with their sums; prints them, shows a row's extras on a double
// click, and deletes every finished transaction after a dated copy of the book.
class TransactionsWindow : public KinListWindow
{
    Q_OBJECT
public:
    TransactionsWindow(CafeStore &store, const Paths &paths, Prompter &prompter, const Clock &clock,
                       ReportOutlet &outlet, QWidget *parent = nullptr);

    QComboBox *computerChooser() const { return m_computer; }
    // A chain's branches, this one first, then ALL; hidden for one café.
    QComboBox *branchChooser() const { return m_branch; }
    // 1, 2, 3: the sums of the CHARGE, EXTRA and TOTAL columns.
    QLineEdit *sumField(int n) const;
    ExtraChargesWindow *extrasWindow() const { return m_extras; }

    void showListing() override;
    // The double-click on a row of the grid.
    void showExtras(int row);
    void deleteAll();

protected:
    std::optional<KinFilter> currentFilter() const override;

private:
    void getComputers();
    void showSums(const std::optional<KinSums> &sums);

    Paths m_paths;
    TransactionsModel *m_transactions = nullptr;
    QComboBox *m_computer = nullptr;
    QComboBox *m_branch = nullptr;
    QStringList m_branches; // every branch of the chain, "" the main one
    QLineEdit *m_sums[3] = {};
    QPointer<ExtraChargesWindow> m_extras;
};
