#pragma once

#include "reports/MonthCharts.h"

#include <QWidget>

class CafeStore;
class Prompter;
class QDateEdit;
class QLabel;
class ReportOutlet;

// A chart drawn on any paint device: the screen, a PNG or a PDF page.
class ChartView : public QWidget
{
    Q_OBJECT
public:
    enum class Kind { Takings, Occupancy };
    ChartView(Kind kind, QWidget *parent = nullptr);
    void show(const MonthCharts &charts);
    void draw(QPainter &p, const QRectF &area) const;
    QString title() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void drawTakings(QPainter &p, const QRectF &area) const;
    void drawOccupancy(QPainter &p, const QRectF &area) const;

    Kind m_kind;
    MonthCharts m_charts;
};

// "Charts": a chosen month's takings per day (time, extras and account time
// stacked), the computer-hours in use by day of the week and hour, and the
// average length of a charge; each chart saved as PNG or PDF.
class ChartsWindow : public QWidget
{
    Q_OBJECT
public:
    ChartsWindow(CafeStore &cafe, Prompter &prompter, ReportOutlet &outlet, const QDate &today,
                 QWidget *parent = nullptr);

    void showMonth(const QDate &month);
    const MonthCharts &charts() const { return m_charts; }
    // Saves one chart to the file the operator chooses; the format follows
    // the file's ending (.pdf, else PNG).
    void save(ChartView *chart);

private:
    CafeStore &m_cafe;
    Prompter &m_prompter;
    ReportOutlet &m_outlet;
    MonthCharts m_charts;
    QDateEdit *m_month = nullptr;
    ChartView *m_takings = nullptr;
    ChartView *m_occupancy = nullptr;
    QLabel *m_average = nullptr;
};
