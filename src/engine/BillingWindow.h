#pragma once

#include <QDialog>
#include <QPointer>
#include <functional>

class Bill;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabBar;
class QTabWidget;
class QTableWidget;

// Shows one bill, or the current status of a running charge. Not modal;
// closing it without confirming leaves the transaction open.
class BillingWindow : public QDialog
{
    Q_OBJECT
public:
    explicit BillingWindow(Bill *bill, QWidget *parent = nullptr);
    ~BillingWindow() override;

    // "+ extra" opens the extras window for this bill; disabled until given.
    void setExtrasOpener(std::function<void(Bill &)> open);
    // The extras changed in the books: re-sum the bill and refill the grid.
    void refreshExtras() { extraCharge(); }
    // The bill's transaction; 0 once the bill is gone.
    qint64 transaction() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void reject() override;

private:
    void buildUi();
    void show_();
    void extraCharge();
    void deleteExtra();
    void quantityEdited(int row, int column);
    void confirm();

    QPointer<Bill> m_bill;
    QTabWidget *m_pages = nullptr;
    QLabel *m_computer = nullptr;
    QLineEdit *m_startTime = nullptr;
    QLineEdit *m_startDate = nullptr;
    QLabel *m_endLabel = nullptr;
    QLineEdit *m_endTime = nullptr;
    QLineEdit *m_endDate = nullptr;
    QLabel *m_endDateLabel = nullptr;
    QLineEdit *m_minutes = nullptr;
    QLineEdit *m_timeUsed = nullptr;
    QLineEdit *m_transaction = nullptr;
    QLineEdit *m_timeCharge = nullptr;
    QLineEdit *m_extras = nullptr;
    QLineEdit *m_total = nullptr;
    QLabel *m_reasonLabel = nullptr;
    QLineEdit *m_reason = nullptr;
    QLabel *m_timeLeftLabel = nullptr;
    QLineEdit *m_timeLeft = nullptr;
    QTabBar *m_rates = nullptr;
    QPushButton *m_confirm = nullptr;
    QPushButton *m_addExtra = nullptr;
    QTableWidget *m_grid = nullptr;
    QPushButton *m_deleteExtra = nullptr;
    bool m_filling = false;
    std::function<void(Bill &)> m_openExtras;
};
