#pragma once

#include "reports/KinWorker.h"
#include "store/KinBook.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QStringList>
#include <QVector>
#include <limits>
#include <optional>

// A listing of transactions read from the book a page at a time, as the view
// scrolls (canFetchMore/fetchMore): the first at once, the next ones off the
// window's thread when a worker is given; its sums come from one aggregate
// query. Rows are kept compact, so that a year of books stays within memory.
class KinPagesModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    static constexpr int PageSize = 256;

    explicit KinPagesModel(KinBook &book, QObject *parent = nullptr);

    // Reads the pages after the first on worker's thread.
    void setWorker(KinWorker *worker);
    // Replaces the listing: its sums, then its first page.
    Result<KinSums> list(const KinFilter &filter);
    // A page is being read.
    bool fetching() const { return m_waiting != 0; }
    void clear();
    // What is listed; nullopt when nothing is.
    std::optional<KinFilter> listed() const { return m_listed ? std::optional<KinFilter>(m_filter) : std::nullopt; }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    bool canFetchMore(const QModelIndex &parent) const override;
    void fetchMore(const QModelIndex &parent) override;

    qint64 keyAt(int row) const;
    QString computerAt(int row) const;

signals:
    // A page could not be read; the listing stops where it is.
    void failed(const QString &text);

protected:
    static constexpr qint64 NoMoney = std::numeric_limits<qint64>::min();
    struct Line
    {
        qint64 aa = 0;
        qint64 timecharged = NoMoney;
        qint64 extra = NoMoney;
        qint64 total = NoMoney;
        qint32 startdate = 0;  // days after KinPagesModel::epoch(); the invalid date is INT_MIN
        qint32 starttime = -1; // seconds since midnight; -1 none
        qint32 endtime = -1;
        qint32 computer = 0; // indexes into the text pool, 0 is the empty text
        qint32 totaltime = 0;
        qint32 reason = 0;
        qint32 userpin = 0;
        qint32 branch = 0;
    };
    const Line &line(int row) const { return m_lines.at(row); }
    const QString &text(qint32 index) const { return m_texts.at(index); }
    static QDate date(qint32 days);
    static QTime time(qint32 seconds);
    static std::optional<Money> money(qint64 units);
    // The five columns every listing begins with: computer, date, start, end
    // and time used; times long or short as the listing shows them.
    enum LeadingColumn { LeadComputer, LeadDate, LeadStart, LeadEnd, LeadTime, LeadingColumns };
    QVariant leadingCell(const Line &l, int column, QString (*showTime)(const QTime &)) const;

private:
    void add(const Result<KinPage> &page);
    qint32 intern(const QString &text);
    Line compact(const KinRow &row);

    KinBook &m_book;
    KinWorker *m_worker = nullptr;
    quint64 m_waiting = 0; // the ticket of the page being read
    KinFilter m_filter;
    KinCursor m_cursor;
    bool m_more = false;
    bool m_listed = false;
    QVector<Line> m_lines;
    QStringList m_texts{QString()};
    QHash<QString, qint32> m_textIndex{{QString(), 0}};
};
