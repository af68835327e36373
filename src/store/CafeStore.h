#pragma once

#include "store/Records.h"
#include "store/SqlStore.h"
#include "base/Result.h"

#include <QList>
#include <QVariant>

// icafe.dat: roster, transactions, extras, tariff, catalogue, operators.
// An operation that can fail returns a Result with its cause, or (the older
// ones) nullopt/false with lastError() saying why.
class CafeStore : public SqlStore
{
public:
    // Text or boolean into a yes/no column: "true"/"false" (any case), 1/0, bool.
    static bool yesNo(const QVariant &v);

    // --- computers
    Result<QList<ComputerRow>> computers();
    Result<QList<ComputerRow>> computersFlagged(ComputerFlag flag);
    Result<QList<ComputerRow>> freeComputers();
    Result<QList<ComputerRow>> computersWithIp(const QString &ip);
    Result<QList<ComputerRow>> computersNamed(const QString &name);
    // Sets the flag on every row of that name, as the roster's name filter does.
    bool setFlag(const QString &pcname, ComputerFlag flag, const QVariant &value);
    // Writes the place of the first row of that name.
    bool savePosition(const QString &pcname, int left, int top);
    // The name is stored trimmed; one that another computer has is refused.
    Result<qint64> addComputer(const ComputerRow &row);
    // A computer's name as the roster tells names apart: letter case and the
    // blanks around it aside. Transactions and marks find their computer by
    // name, so two computers never share one.
    static QString nameKey(const QString &pcname) { return fold(pcname.trimmed()); }

    // --- kin (transactions)
    Result<qint64> appendTransaction(const KinRow &row);
    std::optional<KinRow> transaction(qint64 aa);
    // The end and the bill of a charge change its row only while the row is
    // in the state the writer expects, decided by the statement itself: no
    // stale window, restart or second console can end a charge twice or
    // rewrite a confirmed bill. A row in any other state is refused with
    // what it is (also in lastError()), and nothing is written.
    // A running row of that kind ends: a normal row gets its end and time
    // used, a prepaid row only its time used (its planned end stays), an
    // account row its end and time used and is closed (no bill follows).
    Result<void> endCharge(ComputerFlag kind, qint64 aa, const QDateTime &end, const QString &used);
    // The confirmed bill (charges, time used, extras, total, reason, and a
    // normal row's end) closes a row that has ended and is not confirmed.
    Result<void> confirmCharge(const KinRow &bill, bool prepaid);
    // The running rows of a computer of one kind (ChargeKind::openRow).
    Result<QList<KinRow>> openCharges(ComputerFlag kind, const QString &computer);
    // A running row to another computer; refused, as an end is, once it has ended.
    bool moveTransaction(qint64 aa, const QString &computer);
    // Charges that have ended but whose bill was not confirmed.
    Result<QList<KinRow>> unconfirmed();
    // Sum of `total` over the transactions that started on a day; rows without
    // a total (still running) count as zero.
    Result<Money> takingsOn(const QDate &day);

    // --- extra
    Result<QList<ExtraRow>> extras(qint64 key);
    // nullopt when the transaction has no extras, a sum otherwise; a
    // failure when they cannot be read, or add up to no exact amount within
    // the limit.
    Result<std::optional<Money>> sumExtras(qint64 key);
    Result<qint64> addExtra(const ExtraRow &row);
    bool deleteExtra(qint64 aa);
    // Sets the quantity and recomputes the line (quantity × unit price);
    // false, nothing written, when the line would pass the amount limit.
    Result<bool> setExtraQuantity(qint64 aa, qint64 quantity);

    // --- tariff
    Result<QList<Money>> rates();
    bool setRates(const QList<Money> &rates);
    // The values of the last settings row, as start-up keeps them.
    Result<RateSettings> rateSettings();
    bool setRateSettings(Money fixed, qint64 mintime, qint64 toltime);
    bool setBackground(const QString &path);

    // --- operators
    // The stored user name of the account matching both, ignoring letter case
    // in every alphabet; nullopt when none (or on error, see lastError()).
    std::optional<QString> operatorLogin(const QString &username, const QString &password);
    // Stores a salted digest of the password, never the password itself.
    bool setOperatorPassword(const QString &username, const QString &password);

    // --- catalogue
    Result<QList<ProductRow>> products();
    // Names compare without regard to letter case (every alphabet), blanks
    // included; a name is otherwise ordinary data.
    Result<QList<CategoryRow>> categories(); // in table order
    Result<bool> hasCategory(const QString &name);
    Result<qint64> addCategory(const QString &name);
    Result<void> deleteCategory(qint64 aa);
    // A page of the products of one category (table order), or of every
    // product by category when `category` is nullopt.
    Result<QList<ProductRow>> productPage(const std::optional<QString> &category, qint64 offset, qint64 limit);
    // A product of that description other than the row `except`.
    Result<bool> hasProduct(const QString &desc, qint64 except = 0);
    Result<qint64> addProduct(const ProductRow &row);
    Result<void> deleteProduct(qint64 aa);
    Result<void> setProductDesc(qint64 aa, const QString &desc);
    Result<void> setProductPrice(qint64 aa, Money price);

    // One unit of a product onto a transaction, unless that product is on it
    // already or its bill is confirmed; decided and written in one go.
    enum class Sale { Added, AlreadyThere, Confirmed };
    Result<Sale> sellExtra(qint64 key, const QString &desc, Money price);

    // --- a customer's transactions (by PIN)
    // The computer of the newest open customer-account row; empty when none.
    Result<QString> openAccountComputer(const QString &pin);
    Result<bool> hasAccountTransactions(const QString &pin);
    // Every transaction with that PIN, of any date, with its extras, at once.
    Result<void> deleteAccountTransactions(const QString &pin);
    // --- administration: roster editing, operator passwords, book checks
    // A page of the roster in key order, the rows after key `after`.
    Result<QList<ComputerRow>> computersAfter(qint64 after, int limit);
    // Refused, like addComputer, for a name another computer has.
    Result<void> renameComputer(qint64 aa, const QString &pcname, const QString &ip);
    Result<void> deleteComputer(qint64 aa);
    // The stored password digest of the account with exactly this user name.
    Result<QString> operatorPassword(const QString &username);
    // Every open transaction of any kind, in key order.
    Result<QList<KinRow>> openTransactions();
    // How many open customer-account transactions carry this PIN.
    Result<qint64> openAccountCharges(const QString &pin);

    static QString flagColumn(ComputerFlag flag);
    static KinRow kinFrom(const QSqlQuery &q);

private:
    // One conditional write of the row aa (bound last); refused when it
    // changed no row.
    Result<void> changeCharge(qint64 aa, const QString &sql, QVariantList values, bool confirming);
};
