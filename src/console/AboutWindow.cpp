#include "console/AboutWindow.h"

#include "console/ComputerMapWidget.h"
#include "base/Desktop.h"
#include "base/Prompter.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

AboutWindow::AboutWindow(Desktop &desktop, Prompter &prompter, QWidget *parent)
    : QDialog(parent)
    , m_desktop(desktop)
    , m_prompter(prompter)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("KORVANE"));

    auto *picIcon = new QLabel(this);
    picIcon->setObjectName(QStringLiteral("picIcon"));
    // The program's icon is the computer picture of the map.
    picIcon->setPixmap(QPixmap::fromImage(ComputerMapWidget::templatePicture()));
    picIcon->setAlignment(Qt::AlignTop);

    auto *title = new QLabel(QStringLiteral("KORVANE"), this);
    QFont tf = title->font();
    tf.setPointSizeF(tf.pointSizeF() * 1.8);
    tf.setBold(true);
    title->setFont(tf);
    auto *version = new QLabel(QStringLiteral("Korvane Version 1.0"), this);
    version->setObjectName(QStringLiteral("lblVersion"));
    auto *description =
        new QLabel(QStringLiteral("The operator console of an internet café: it meters and bills the café's computers, "
                                  "sells products onto their time, and keeps customer accounts with time credit."),
                   this);
    description->setObjectName(QStringLiteral("lblDescription"));
    description->setWordWrap(true);
    auto *disclaimer =
        new QLabel(QStringLiteral("This program is provided as is, without warranty of any kind. Take a backup of your "
                                  "books (Tools > Backup) every day."),
                   this);
    disclaimer->setObjectName(QStringLiteral("lblDisclaimer"));
    disclaimer->setWordWrap(true);
    disclaimer->setEnabled(false);
    auto *web = new QLabel(webAddress(), this);
    web->setObjectName(QStringLiteral("webAddressLabel"));
    web->setTextInteractionFlags(Qt::TextSelectableByMouse);

    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setObjectName(QStringLiteral("cmdOK"));
    m_ok->setDefault(true);
    m_sysInfo = new QPushButton(QStringLiteral("&System Info..."), this);
    m_sysInfo->setObjectName(QStringLiteral("cmdSysInfo"));
    connect(m_ok, &QPushButton::clicked, this, &QDialog::close);
    connect(m_sysInfo, &QPushButton::clicked, this, &AboutWindow::startSysInfo);

    auto *text = new QVBoxLayout;
    text->addWidget(title);
    text->addWidget(version);
    text->addSpacing(8);
    text->addWidget(description);
    text->addSpacing(8);
    text->addWidget(web);
    text->addStretch(1);
    auto *buttons = new QVBoxLayout;
    buttons->addWidget(m_ok);
    buttons->addWidget(m_sysInfo);
    buttons->addStretch(1);

    auto *grid = new QGridLayout(this);
    grid->addWidget(picIcon, 0, 0);
    grid->addLayout(text, 0, 1);
    grid->addLayout(buttons, 0, 2);
    grid->addWidget(disclaimer, 1, 0, 1, 3);
    grid->setColumnStretch(1, 1);
    setMinimumWidth(500);
}

QString AboutWindow::webAddress() { return QStringLiteral("https://www.korvane.org"); }

void AboutWindow::startSysInfo()
{
    const std::optional<QString> tool = m_desktop.systemInfoTool();
    if (!tool) {
        m_prompter.tell(QStringLiteral("System Information Is Unavailable At This Time"));
        return;
    }
    if (const Result<void> r = m_desktop.start(*tool, {}); !r)
        m_prompter.tell(r.error(), Prompter::Icon::Critical);
}
