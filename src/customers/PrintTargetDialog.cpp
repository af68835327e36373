#include "customers/PrintTargetDialog.h"

#include <QDir>
#include <QFileDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>

std::unique_ptr<QPrinter> SystemPrintTargetDialog::choose(QWidget *parent)
{
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    if (!QPrinterInfo::availablePrinters().isEmpty()) {
        QPrintDialog dialog(printer.get(), parent);
        dialog.setWindowTitle(QStringLiteral("Print Access Card"));
        if (dialog.exec() != QDialog::Accepted)
            return nullptr;
        return printer;
    }
    const QString path =
        QFileDialog::getSaveFileName(parent, QStringLiteral("Print Access Card"),
                                     QDir::home().filePath(QStringLiteral("card.pdf")), QStringLiteral("PDF (*.pdf)"));
    if (path.isEmpty())
        return nullptr;
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(path);
    return printer;
}

std::unique_ptr<QPrinter> PdfPrintTargetDialog::choose(QWidget *)
{
    if (m_path.isEmpty())
        return nullptr;
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(m_path);
    return printer;
}
