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

    QTableView *list() const { return m_list; }
    RosterModel *model() const { return m_model; }
    QLineEdit *nameField() const { return m_text1; }
    QLineEdit *addressField() const { return m_text2; }
    QPushButton *addButton() const { return m_command2; }

    void add();
    // Double-click on a row: the edit window for that computer.
    ComputerEditWindow *edit(int row);
    void getpcs();

private:
    void buildUi();

    CafeStore &m_store;
    Prompter &m_prompter;
    Roster m_roster;
    RosterModel *m_model = nullptr;
    QTableView *m_list = nullptr;
    QLineEdit *m_text1 = nullptr;
    QLineEdit *m_text2 = nullptr;
    QPushButton *m_command2 = nullptr;
    QPointer<ComputerEditWindow> m_edit;
};

// frmeditpc: one computer's name and address changed, or the computer deleted.
class ComputerEditWindow : public QDialog
{
    Q_OBJECT
public:
    ComputerEditWindow(CafeStore &store, Prompter &prompter, qint64 aa, const QString &name, const QString &address,
                       QWidget *parent = nullptr);

    QLineEdit *keyField() const { return m_text1; }
    QLineEdit *nameField() const { return m_text2; }
    QLineEdit *addressField() const { return m_text3; }
    QPushButton *saveButton() const { return m_command1; }
    QPushButton *deleteButton() const { return m_command2; }

    void update();
    void remove();

signals:
    // The roster changed: the list reads it again.
    void changed();

private:
    Prompter &m_prompter;
    Roster m_roster;
    qint64 m_aa;
    QLineEdit *m_text1 = nullptr;
    QLineEdit *m_text2 = nullptr;
    QLineEdit *m_text3 = nullptr;
    QPushButton *m_command1 = nullptr;
    QPushButton *m_command2 = nullptr;
};
