#include "reports/KinPagesModel.h"

#include "base/Format.h"

#include <climits>

namespace {
const QDate Epoch(2000, 1, 1);
}

KinPagesModel::KinPagesModel(KinBook &book, QObject *parent)
    : QAbstractTableModel(parent)
    , m_book(book)
{}

Result<KinSums> KinPagesModel::list(const KinFilter &filter)
{
    clear();
    m_filter = filter;
    const Result<KinSums> sums = m_book.sums(filter);
    if (!sums)
        return sums;
    m_listed = true;
    m_more = sums->count > 0;
    fetchMore(QModelIndex());
    return sums;
}

void KinPagesModel::clear()
{
    beginResetModel();
    m_lines.clear();
    m_lines.squeeze();
    m_texts = QStringList{QString()};
    m_textIndex = {{QString(), 0}};
    m_cursor = {};
    m_more = false;
    m_waiting = 0;
    m_listed = false;
    endResetModel();
}

int KinPagesModel::rowCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : int(m_lines.size()); }

bool KinPagesModel::canFetchMore(const QModelIndex &parent) const { return !parent.isValid() && m_more; }

void KinPagesModel::setWorker(KinWorker *worker)
{
    m_worker = worker;
    connect(worker, &KinWorker::finished, this, [this](quint64 ticket, const KinWorker::Outcome &out) {
        if (ticket != m_waiting) // a page of a listing replaced since
            return;
        m_waiting = 0;
        add(out.error.isEmpty() ? Result<KinPage>(out.page) : Result<KinPage>(failure(out.error)));
    });
}

void KinPagesModel::fetchMore(const QModelIndex &parent)
{
    if (!canFetchMore(parent) || m_waiting)
        return;
    if (!m_worker || m_lines.isEmpty()) {
        add(m_book.page(m_filter, PageSize, m_cursor));
        return;
    }
    // The view asks again once the rows are in, if it still shows the last.
    m_waiting = m_worker->start([filter = m_filter, cursor = m_cursor](KinBook &book, const KinProgress &) {
        KinWorker::Outcome out;
        Result<KinPage> page = book.page(filter, PageSize, cursor);
        out.error = page.error();
        out.page = page.value_or(KinPage());
        return out;
    });
}

void KinPagesModel::add(const Result<KinPage> &page)
{
    if (!page) {
        m_more = false;
        emit failed(page.error());
        return;
    }
    m_more = page->rows.size() == PageSize;
    m_cursor = page->next;
    if (page->rows.isEmpty())
        return;
    const int first = int(m_lines.size());
    beginInsertRows(QModelIndex(), first, first + int(page->rows.size()) - 1);
    for (const KinRow &r : page->rows)
        m_lines.append(compact(r));
    endInsertRows();
}

qint64 KinPagesModel::keyAt(int row) const { return row >= 0 && row < m_lines.size() ? m_lines.at(row).aa : 0; }

QString KinPagesModel::computerAt(int row) const
{
    return row >= 0 && row < m_lines.size() ? m_texts.at(m_lines.at(row).computer) : QString();
}

QDate KinPagesModel::date(qint32 days) { return days == INT_MIN ? QDate() : Epoch.addDays(days); }

QTime KinPagesModel::time(qint32 seconds) { return seconds < 0 ? QTime() : QTime(0, 0).addSecs(seconds); }

QVariant KinPagesModel::leadingCell(const Line &l, int column, QString (*showTime)(const QTime &)) const
{
    // A charge still running has no end yet: that cell stays empty.
    const auto clock = [showTime](qint32 seconds) { return seconds < 0 ? QString() : showTime(time(seconds)); };
    switch (column) {
    case LeadComputer:
        return text(l.computer);
    case LeadDate:
        return Format::shortDate(date(l.startdate));
    case LeadStart:
        return clock(l.starttime);
    case LeadEnd:
        return clock(l.endtime);
    case LeadTime:
        return text(l.totaltime);
    }
    return {};
}

std::optional<Money> KinPagesModel::money(qint64 units)
{
    return units == NoMoney ? std::nullopt : std::optional<Money>(Money::fromUnits(units));
}

qint32 KinPagesModel::intern(const QString &text)
{
    const auto it = m_textIndex.constFind(text);
    if (it != m_textIndex.constEnd())
        return it.value();
    const qint32 index = qint32(m_texts.size());
    m_texts.append(text);
    m_textIndex.insert(text, index);
    return index;
}

KinPagesModel::Line KinPagesModel::compact(const KinRow &r)
{
    Line l;
    l.aa = r.aa;
    l.timecharged = r.timecharged ? r.timecharged->units() : NoMoney;
    l.extra = r.extra ? r.extra->units() : NoMoney;
    l.total = r.total ? r.total->units() : NoMoney;
    l.startdate = r.startdate.isValid() ? qint32(Epoch.daysTo(r.startdate)) : INT_MIN;
    l.starttime = r.starttime.isValid() ? r.starttime.time().msecsSinceStartOfDay() / 1000 : -1;
    l.endtime = r.endtime && r.endtime->isValid() ? r.endtime->msecsSinceStartOfDay() / 1000 : -1;
    l.computer = intern(r.computer);
    l.totaltime = intern(r.totaltime);
    l.reason = intern(r.reason);
    l.userpin = intern(r.userpin);
    l.branch = intern(r.branch);
    return l;
}
