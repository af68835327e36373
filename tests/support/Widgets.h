#pragma once

// A window's widgets found by object name and worked as the operator works them.

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QLineEdit>
#include <QTest>

template <typename T = QLineEdit>
T *child(const QObject *window, const char *name)
{
    return window->findChild<T *>(QLatin1String(name));
}

inline void click(const QObject *window, const char *name)
{
    QTest::mouseClick(child<QAbstractButton>(window, name), Qt::LeftButton);
}

// The texts of the boxes named, in that order.
inline QStringList texts(const QObject *window, const QList<const char *> &names)
{
    QStringList t;
    for (const char *name : names)
        t << child(window, name)->text();
    return t;
}

// The texts of one column, top to bottom.
inline QStringList column(const QAbstractItemModel *m, int col)
{
    QStringList texts;
    for (int r = 0; r < m->rowCount(); ++r)
        texts << m->index(r, col).data().toString();
    return texts;
}

// A click on a row of a view, then a second one when `twice`.
inline void clickRow(QAbstractItemView *view, int row, int col = 0, bool twice = false)
{
    const QPoint at = view->visualRect(view->model()->index(row, col)).center();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
    if (twice)
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
}
