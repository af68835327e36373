#pragma once

#include <QString>
#include <memory>

class QPrinter;
class QWidget;

// Where a card goes: the seam between the card window and the printers, so
// tests print to a PDF file without a dialog.
class PrintTargetDialog
{
public:
    virtual ~PrintTargetDialog() = default;
    // A printer ready for painting, or null when the operator cancelled.
    virtual std::unique_ptr<QPrinter> choose(QWidget *parent) = 0;
};

// The system's print dialog; a PDF file chosen by the operator when the
// café has no printer.
class SystemPrintTargetDialog : public PrintTargetDialog
{
public:
    std::unique_ptr<QPrinter> choose(QWidget *parent) override;
};

// Always the same PDF file; an empty path is a cancelled choice.
class PdfPrintTargetDialog : public PrintTargetDialog
{
public:
    explicit PdfPrintTargetDialog(QString path)
        : m_path(std::move(path))
    {}
    std::unique_ptr<QPrinter> choose(QWidget *parent) override;

private:
    QString m_path;
};
