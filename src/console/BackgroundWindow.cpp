#include "console/BackgroundWindow.h"

#include "store/CafeStore.h"
#include "base/FileChooser.h"
#include "base/Prompter.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

BackgroundWindow::BackgroundWindow(CafeStore &store, Prompter &prompter, FileChooser &files, QWidget *parent)
    : QDialog(parent)
    , m_store(store)
    , m_prompter(prompter)
    , m_files(files)
{
    setObjectName(QStringLiteral("Form7"));
    setWindowTitle(QStringLiteral("Select Backround"));

    auto *frame1 = new QGroupBox(QStringLiteral("File"), this);
    frame1->setObjectName(QStringLiteral("Frame1"));
    m_text1 = new QLineEdit(frame1);
    m_text1->setObjectName(QStringLiteral("Text1"));
    m_command1 = new QPushButton(QStringLiteral("&Find"), frame1);
    m_command1->setObjectName(QStringLiteral("Command1"));
    auto *fileLabel = new QLabel(QStringLiteral("&Picture:"), frame1);
    fileLabel->setBuddy(m_text1);
    m_label2 = new QLabel(frame1);
    m_label2->setObjectName(QStringLiteral("Label2"));
    m_label2->setWordWrap(true);
    m_label2->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto *fileRow = new QHBoxLayout;
    fileRow->addWidget(fileLabel);
    fileRow->addWidget(m_text1, 1);
    fileRow->addWidget(m_command1);
    auto *frame1Layout = new QVBoxLayout(frame1);
    frame1Layout->addLayout(fileRow);
    frame1Layout->addWidget(m_label2);

    auto *frame2 = new QGroupBox(QStringLiteral("Preview"), this);
    frame2->setObjectName(QStringLiteral("Frame2"));
    m_image1 = new QLabel(frame2);
    m_image1->setObjectName(QStringLiteral("Image1"));
    m_image1->setFixedSize(320, 200);
    m_image1->setAlignment(Qt::AlignCenter);
    m_image1->setFrameShape(QFrame::StyledPanel);
    auto *frame2Layout = new QVBoxLayout(frame2);
    frame2Layout->addWidget(m_image1, 0, Qt::AlignCenter);

    m_command2 = new QPushButton(QStringLiteral("Save"), this);
    m_command2->setObjectName(QStringLiteral("Command2"));
    m_command2->setDefault(true);

    connect(m_command1, &QPushButton::clicked, this, &BackgroundWindow::find);
    connect(m_command2, &QPushButton::clicked, this, &BackgroundWindow::save);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(frame1);
    layout->addWidget(frame2);
    layout->addWidget(m_command2, 0, Qt::AlignRight);
    getcurrenct();
}

QString BackgroundWindow::filter()
{
    return QStringLiteral("Jpeg (*.jpg *.jpeg);;Pictures (*.bmp *.ico);;gif (*.gif);;png (*.png)");
}

void BackgroundWindow::getcurrenct()
{
    const auto rs = m_store.rateSettings();
    const QString path = rs ? rs->backround : QString();
    m_label2->setText(path);
    showPreview(path);
}

void BackgroundWindow::showPreview(const QString &path)
{
    // A picture that cannot be read leaves the preview empty, untold.
    const QImage picture = path.isEmpty() ? QImage() : QImageReader(path).read();
    if (picture.isNull()) {
        m_image1->clear();
        return;
    }
    m_image1->setPixmap(
        QPixmap::fromImage(picture.scaled(m_image1->size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)));
}

void BackgroundWindow::find()
{
    const QString path = m_files.openFile(this, QStringLiteral("Open"), filter());
    if (path.isEmpty())
        return;
    m_text1->setText(path);
    showPreview(path);
    m_label2->setText(path);
}

void BackgroundWindow::save()
{
    if (m_text1->text().isEmpty()) {
        m_prompter.tell(QStringLiteral("No File Was Selected"));
        m_text1->setFocus();
        return;
    }
    const QString path = m_label2->text();
    if (!m_store.setBackground(path)) {
        m_prompter.tell(m_store.lastError(), Prompter::Icon::Critical);
        return;
    }
    emit saved(path);
    close();
}
