#include "reports/ExtraChargesWindow.h"

#include "base/Format.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

ExtraChargesWindow::ExtraChargesWindow(QWidget *parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("frmkinextra"));
    setWindowTitle(QStringLiteral("ExtraCharges"));

    m_frame = new QGroupBox(this);
    m_frame->setObjectName(QStringLiteral("extrasFrame"));
    m_list = new QListWidget(m_frame);
    m_list->setObjectName(QStringLiteral("extrasList"));
    auto *inFrame = new QVBoxLayout(m_frame);
    inFrame->addWidget(m_list);

    m_sum = new QLineEdit(this);
    m_sum->setObjectName(QStringLiteral("extrasTotal"));
    m_sum->setReadOnly(true);
    m_sum->setAlignment(Qt::AlignRight);
    auto *label = new QLabel(QStringLiteral("total"), this);
    label->setBuddy(m_sum);
    auto *ok = new QPushButton(QStringLiteral("&\u039F\u039A"), this);
    ok->setObjectName(QStringLiteral("ok"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QWidget::close);

    auto *bottom = new QHBoxLayout;
    bottom->addWidget(label);
    bottom->addWidget(m_sum);
    bottom->addStretch();
    bottom->addWidget(ok);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_frame, 1);
    layout->addLayout(bottom);
    resize(360, 320);
}

void ExtraChargesWindow::addTransaction(const QString &pcname, const ExtraLines &extras)
{
    m_list->addItems(extras.lines);
    m_sum->setText(Format::currency(extras.sum));
    m_frame->setTitle(QStringLiteral("Extra Charge For") + QLatin1Char(' ') + pcname);
}
