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
    setObjectName(QStringLiteral("backgroundWindow"));
    setWindowTitle(QStringLiteral("Select Backround"));

    auto *fileFrame = new QGroupBox(QStringLiteral("File"), this);
    fileFrame->setObjectName(QStringLiteral("fileFrame"));
    m_backgroundPathEdit = new QLineEdit(fileFrame);
    m_backgroundPathEdit->setObjectName(QStringLiteral("backgroundPathEdit"));
    m_findButton = new QPushButton(QStringLiteral("&Find"), fileFrame);
    m_findButton->setObjectName(QStringLiteral("findButton"));
    auto *fileLabel = new QLabel(QStringLiteral("&Picture:"), fileFrame);
    fileLabel->setBuddy(m_backgroundPathEdit);
    m_chosenPathLabel = new QLabel(fileFrame);
    m_chosenPathLabel->setObjectName(QStringLiteral("chosenPathLabel"));
    m_chosenPathLabel->setWordWrap(true);
    m_chosenPathLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto *fileRow = new QHBoxLayout;
    fileRow->addWidget(fileLabel);
    fileRow->addWidget(m_backgroundPathEdit, 1);
    fileRow->addWidget(m_findButton);
    auto *fileLayout = new QVBoxLayout(fileFrame);
    fileLayout->addLayout(fileRow);
    fileLayout->addWidget(m_chosenPathLabel);

    auto *previewFrame = new QGroupBox(QStringLiteral("Preview"), this);
    previewFrame->setObjectName(QStringLiteral("previewFrame"));
    m_preview = new QLabel(previewFrame);
    m_preview->setObjectName(QStringLiteral("preview"));
    m_preview->setFixedSize(320, 200);
    m_preview->setAlignment(Qt::AlignCenter);
    m_preview->setFrameShape(QFrame::StyledPanel);
    auto *previewLayout = new QVBoxLayout(previewFrame);
    previewLayout->addWidget(m_preview, 0, Qt::AlignCenter);

    m_saveButton = new QPushButton(QStringLiteral("Save"), this);
    m_saveButton->setObjectName(QStringLiteral("saveButton"));
    m_saveButton->setDefault(true);

    connect(m_findButton, &QPushButton::clicked, this, &BackgroundWindow::find);
    connect(m_saveButton, &QPushButton::clicked, this, &BackgroundWindow::save);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(fileFrame);
    layout->addWidget(previewFrame);
    layout->addWidget(m_saveButton, 0, Qt::AlignRight);
    getCurrent();
}

QString BackgroundWindow::filter()
{
    return QStringLiteral("Jpeg (*.jpg *.jpeg);;Pictures (*.bmp *.ico);;gif (*.gif);;png (*.png)");
}

void BackgroundWindow::getCurrent()
{
    const auto rs = m_store.rateSettings();
    const QString path = rs ? rs->backround : QString();
    m_chosenPathLabel->setText(path);
    showPreview(path);
}

void BackgroundWindow::showPreview(const QString &path)
{
    // A picture that cannot be read leaves the preview empty, untold.
    const QImage picture = path.isEmpty() ? QImage() : QImageReader(path).read();
    if (picture.isNull()) {
        m_preview->clear();
        return;
    }
    m_preview->setPixmap(
        QPixmap::fromImage(picture.scaled(m_preview->size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)));
}

void BackgroundWindow::find()
{
    const QString path = m_files.openFile(this, QStringLiteral("Open"), filter());
    if (path.isEmpty())
        return;
    m_backgroundPathEdit->setText(path);
    showPreview(path);
    m_chosenPathLabel->setText(path);
}

void BackgroundWindow::save()
{
    if (m_backgroundPathEdit->text().isEmpty()) {
        m_prompter.tell(QStringLiteral("No File Was Selected"));
        m_backgroundPathEdit->setFocus();
        return;
    }
    const QString path = m_chosenPathLabel->text();
    if (const auto stored = m_store.setBackground(path); !stored) {
        m_prompter.tell(stored.error(), Prompter::Icon::Critical);
        return;
    }
    emit saved(path);
    close();
}
