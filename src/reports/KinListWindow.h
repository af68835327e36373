#pragma once

#include "reports/KinWorker.h"
#include "store/KinBook.h"

#include <QWidget>

class Clock;
class KinPagesModel;
class Prompter;
class QDateEdit;
class QGridLayout;
class QHBoxLayout;
class QLabel;
class QPushButton;
class QTableView;
class ReportOutlet;

// What the two transaction windows share: the FROM and TO pickers on today,
// the grid on a paged model with alternating silver rows, "&Show", "&Print",
// the CSV export and "&Exit". A subclass adds its own chooser and says which
// transactions its buttons cover.
class KinListWindow : public QWidget
{
    Q_OBJECT
public:
    QTableView *grid() const { return m_grid; }
    KinPagesModel *model() const { return m_model; }
    QDateEdit *fromPicker() const { return m_from; }
    QDateEdit *toPicker() const { return m_to; }
    QPushButton *button(const QString &objectName) const;

    // The buttons' commands.
    virtual void showListing() = 0;
    void printListing();
    void exportListing();

protected:
    KinListWindow(CafeStore &store, Prompter &prompter, const Clock &clock, ReportOutlet &outlet, QWidget *parent);
    // Lays out the window around the subclass's chooser row and extra widgets.
    void build(const QString &heading, KinPagesModel *model, QWidget *chooser, QWidget *belowGrid,
               const QList<QPushButton *> &extraButtons);
    QPushButton *makeButton(const QString &objectName, const QString &text);
    QLabel *labelFor(const QString &text, QWidget *buddy);
    // The filter of the next listing, report or export; nullopt: nothing happens.
    virtual std::optional<KinFilter> currentFilter() const = 0;
    // Lists, telling the operator when the book cannot be read.
    std::optional<KinSums> list(const KinFilter &filter);
    // Runs job off the window's thread under a progress dialog that can stop
    // it, the buttons but Exit disabled meanwhile; done(outcome) after.
    void work(const QString &label, KinWorker::Job job, std::function<void(const KinWorker::Outcome &)> done);

    KinBook m_book;
    Prompter &m_prompter;
    const Clock &m_clock;
    ReportOutlet &m_outlet;

private:
    // A book made before the listings' daily sums gets them first.
    void prepareBook();

    KinWorker *m_worker = nullptr;
    QTableView *m_grid = nullptr;
    KinPagesModel *m_model = nullptr;
    QDateEdit *m_from = nullptr;
    QDateEdit *m_to = nullptr;
};
