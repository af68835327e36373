#pragma once

#include "admin/Roster.h"

#include <QDialog>
#include <QPointer>

class ComputerEditWindow;
class Prompter;
class QLineEdit;
class QPushButton;
class QTableView;
class RosterModel;

// frmpcs: the list of computers and the adding of a new one.
class RosterWindow : public QDialog
{
    Q_OBJECT
public:
    RosterWindow(CafeStore &store, Prompter &prompter, QWidget *parent = nullptr);

    void add();
    // Double-click on a row: the edit window for that computer.
    ComputerEditWindow *edit(int row);
    void getComputers();

private:
    void buildUi();

    CafeStore &m_store;
    Prompter &m_prompter;
    Roster m_roster;
    RosterModel *m_model = nullptr;
    QTableView *m_list = nullptr;
    QLineEdit *m_name = nullptr;
    QLineEdit *m_address = nullptr;
    QPushButton *m_addButton = nullptr;
    QPointer<ComputerEditWindow> m_edit;
};

// frmeditpc: one computer's name and address changed, or the computer deleted.
class ComputerEditWindow : public QDialog
{
    Q_OBJECT
public:
    ComputerEditWindow(CafeStore &store, Prompter &prompter, qint64 aa, const QString &name, const QString &address,
                       QWidget *parent = nullptr);

    void update();
    void remove();

signals:
    // The roster changed: the list reads it again.
    void changed();

private:
    Prompter &m_prompter;
    Roster m_roster;
    qint64 m_aa;
    QLineEdit *m_key = nullptr;
    QLineEdit *m_name = nullptr;
    QLineEdit *m_address = nullptr;
    QPushButton *m_save = nullptr;
    QPushButton *m_delete = nullptr;
};
