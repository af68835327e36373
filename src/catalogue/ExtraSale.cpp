#include "catalogue/ExtraSale.h"

#include "store/CafeStore.h"
#include "base/Prompter.h"

ExtraSale::ExtraSale(CafeStore &cafe, Prompter &prompter, qint64 transaction, const QString &computer, Caller caller,
                     QObject *parent)
    : QObject(parent)
    , m_cafe(cafe)
    , m_prompter(prompter)
    , m_transaction(transaction)
    , m_computer(computer)
    , m_caller(caller)
{}

QString ExtraSale::caption() const
{
    const QString caption = QStringLiteral("Add Extra Charge");
    return m_caller == Caller::Console ? caption + QStringLiteral(" For ") + m_computer : caption;
}

QString ExtraSale::frameCaption(const QString &category)
{
    return category + QStringLiteral(" Doubble Click To Select");
}

ExtraSale::Outcome ExtraSale::extraEdit(const ProductRow &product)
{
    if (product.desc.isEmpty())
        return Outcome::Refused;
    const auto sale = m_cafe.sellExtra(m_transaction, product.desc, product.price);
    if (!sale) {
        m_prompter.tell(sale.error(), Prompter::Icon::Critical);
        return Outcome::Refused;
    }
    switch (*sale) {
    case CafeStore::Sale::AlreadyThere:
        m_prompter.tell(QStringLiteral("This Product Already Exists"));
        return Outcome::Refused;
    case CafeStore::Sale::Confirmed:
        // The sum is in the books already; a line added now would be in no bill.
        m_prompter.tell(
            QStringLiteral("The bill of %1 has been confirmed: %2 was not added to it.").arg(m_computer, product.desc),
            Prompter::Icon::Warning);
        return Outcome::Done;
    case CafeStore::Sale::Added:
        break;
    }
    m_prompter.tell(QStringLiteral("1X ") + product.desc + QStringLiteral(" Was Added To ") + m_computer);
    emit sold(m_transaction);
    return Outcome::Added;
}
