#pragma once

#include "store/Records.h"

#include <QObject>
#include <QString>

class CafeStore;
class Prompter;

// One product sold onto a time charge's transaction as an extra: the logic
// of the "Add Extra Charge" window, opened from a running computer's pop-up
// or from the bill of its charge.
class ExtraSale : public QObject
{
    Q_OBJECT
public:
    // Where the window was opened from ("fromstatus", "notfromstatus").
    enum class Caller { Bill, Console };
    // Whether the window has done its work and closes.
    enum class Outcome { Added, Refused, Done };

    ExtraSale(CafeStore &cafe, Prompter &prompter, qint64 transaction, const QString &computer, Caller caller,
              QObject *parent = nullptr);

    qint64 transaction() const { return m_transaction; }
    QString computer() const { return m_computer; }
    Caller caller() const { return m_caller; }
    QString caption() const;
    static QString frameCaption(const QString &category);

    // One unit at the product's price, unless the product is on the
    // transaction already (Refused: another may be chosen) or its bill was
    // confirmed meanwhile (Done: nothing was written).
    Outcome extraEdit(const ProductRow &product);

signals:
    // An extra was written onto the transaction.
    void sold(qint64 transaction);

private:
    CafeStore &m_cafe;
    Prompter &m_prompter;
    qint64 m_transaction;
    QString m_computer;
    Caller m_caller;
};
