#pragma once

#include "base/Money.h"

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QTime>
#include <optional>

// Rows of the two databases as the program works with them. Field names are
// the column names; optional means NULL ("not yet known").

struct ComputerRow
{
    qint64 aa = 0;
    QString pcname;
    QString ip;
    int left = 0; // twips
    int top = 0;
    bool timer = false;   // normal time charge running
    bool pretime = false; // prepaid running
    bool user = false;    // customer account running
};

// The three running flags of `computers`, by column name.
enum class ComputerFlag { Timer, Pretime, User };

struct KinRow
{
    qint64 aa = 0;
    QString computer;
    QDate startdate;
    QDateTime starttime;
    std::optional<QDate> enddate;
    std::optional<QTime> endtime;
    std::optional<qint64> ptime;
    bool enab = false;
    bool pretimeenab = false;
    bool userenab = false;
    QString userpin;
    QString type; // "normal" or "user"
    QString totaltime;
    std::optional<Money> timecharged;
    std::optional<Money> extra;
    std::optional<Money> total;
    QString reason;
    QString branch; // whose books, in a listing of several branches ("" the main one)

    bool isOpen() const { return enab || pretimeenab || userenab; }
};

struct ExtraRow
{
    qint64 aa = 0;
    qint64 key = 0; // kin.aa
    QString itemdesc;
    qint64 itemquant = 0;
    Money itemprice;
    Money charge;
};

struct RateSettings
{
    Money fixed;
    qint64 mintime = 0; // minutes
    qint64 toltime = 0; // minutes
    QString backround;
};

struct CategoryRow
{
    qint64 aa = 0;
    QString name;
};

struct ProductRow
{
    qint64 aa = 0;
    QString desc;
    Money price;
    QString category;
};

struct CustomerRow
{
    qint64 aa = 0;
    QString name;
    QString lastname;
    QString telephone;
    QString password; // the PIN
    qint64 time = 0;
    qint64 usedtime = 0;
    qint64 timeleft = 0;
    bool timer = false; // in use on a computer
    QString pcused;
};

// Time sold onto a customer account: who sold it, when, to whom, how many
// minutes for how much. Kept when the account is deleted, so the customer's
// name is stored with it.
struct TimeSaleRow
{
    qint64 aa = 0;
    QDateTime at;
    QString seller; // the operator account logged in
    qint64 account = 0;
    QString customer;
    qint64 minutes = 0;
    Money amount;
    QString reason; // why nothing was taken, when the amount is zero
};

// A day's takings by kind, from the transactions that started that day.
struct Takings
{
    Money total;       // every transaction's total: what the cash register sums
    Money timeCharges; // the time charged on them; the rest of the total is extras
    qint64 freeBills = 0;
    Money extras() const { return Money::fromUnits(total.units() - timeCharges.units()); }
};

// A shift at one console: the cash counted into the drawer when it opened,
// and when it closed the cash counted out and what the books expected.
struct ShiftRow
{
    qint64 aa = 0;
    QString console;
    QString operatorName; // the operator account that opened it
    QDateTime opened;
    Money openingCash;
    QDateTime closed; // invalid while open
    std::optional<Money> counted;
    std::optional<Money> expected;
    bool isOpen() const { return !closed.isValid(); }
};

// What a shift took, each kind summed by the books.
struct ShiftFigures
{
    qint64 bills = 0;
    Money billTotal;
    Money timeCharges;
    qint64 freeBills = 0;
    qint64 sales = 0;
    Money salesTotal;
    Money extras() const { return Money::fromUnits(billTotal.units() - timeCharges.units()); }
    // What the drawer should hold: the opening cash and everything taken;
    // nullopt past the bounds of the books.
    std::optional<Money> expected(Money opening) const
    {
        const auto withBills = opening.plus(billTotal);
        return withBills ? withBills->plus(salesTotal) : std::nullopt;
    }
};
