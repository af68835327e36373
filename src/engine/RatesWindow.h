#pragma once

#include <QDialog>
#include <QList>

class CafeStore;
class Prompter;
class QLineEdit;

// "Rate settings": the six hourly rates of the tariff.
class RatesWindow : public QDialog
{
    Q_OBJECT
public:
    RatesWindow(CafeStore &cafe, Prompter &prompter, QWidget *parent = nullptr);

private:
    void updateRates();

    CafeStore &m_cafe;
    Prompter &m_prompter;
    QList<QLineEdit *> m_boxes;
};
