#pragma once

#include <QDialog>

class CafeStore;
class Prompter;
class QLineEdit;

// "Settings": minimum charge, minimum time and tolerance.
class RateSettingsWindow : public QDialog
{
    Q_OBJECT
public:
    RateSettingsWindow(CafeStore &cafe, Prompter &prompter, QWidget *parent = nullptr);

private:
    void update();

    CafeStore &m_cafe;
    Prompter &m_prompter;
    QLineEdit *m_fixed = nullptr;
    QLineEdit *m_mintime = nullptr;
    QLineEdit *m_toltime = nullptr;
};
