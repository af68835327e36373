#pragma once

#include <QAbstractSpinBox>
#include <QAccessible>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

// What a screen reader calls a widget: its own accessible name or its buddy label's text.
inline QString spokenName(QWidget *w)
{
    QAccessibleInterface *a = QAccessible::queryAccessibleInterface(w);
    return a ? a->text(QAccessible::Name) : QString();
}

// The boxes of a window, as shown now, that no shown label names (by object name).
inline QStringList unlabelledBoxes(QWidget *window)
{
    QStringList missing;
    const QList<QLabel *> labels = window->findChildren<QLabel *>();
    for (QWidget *w : window->findChildren<QWidget *>()) {
        const bool box = qobject_cast<QLineEdit *>(w) || qobject_cast<QAbstractSpinBox *>(w)
                         || qobject_cast<QComboBox *>(w) || qobject_cast<QPlainTextEdit *>(w)
                         || qobject_cast<QTextEdit *>(w);
        // A combo's or spin box's own editor is named through its owner.
        if (!box || !w->isVisibleTo(window) || qobject_cast<QComboBox *>(w->parentWidget())
            || qobject_cast<QAbstractSpinBox *>(w->parentWidget()))
            continue;
        const bool named = std::any_of(labels.cbegin(), labels.cend(), [&](const QLabel *l) {
            return l->buddy() == w && l->isVisibleTo(window) && !l->text().trimmed().isEmpty();
        });
        if (!named)
            missing << (w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className())
                                                  : w->objectName());
    }
    return missing;
}
