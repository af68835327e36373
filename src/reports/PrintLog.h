#pragma once

#include "base/Result.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

// print.dat: one line per customer card handed out, appended and never
// rewritten (only emptied by maintenance). Lines end in CR LF.
class PrintLog
{
public:
    explicit PrintLog(QString path)
        : m_path(std::move(path))
    {}

    // date and time, " | ", the card's name, " | ", the PIN (no line end).
    static QString entry(const QDateTime &when, const QString &cardName, const QString &pin);

    // Appends one whole line, creating the file when missing. Gives the
    // offset the line starts at, for undo(). A failed write leaves the
    // file as it was.
    Result<qint64> append(const QString &entry);
    // Takes back the line appended at `offset` (the card was not printed).
    Result<void> undo(qint64 offset);

    // The whole file as stored; empty when it cannot be read.
    QByteArray read() const;
    QString path() const { return m_path; }

private:
    QString m_path;
};
