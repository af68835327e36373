#pragma once

#include "TempHome.h"
#include "ScriptedPrompter.h"
#include "console/PickerDialog.h"
#include "store/CafeStore.h"
#include "ui/Clock.h"

#include <QQueue>
#include <QTemporaryDir>

// Colour and font answers for the options window, from queues; nothing
// queued is a cancelled dialog.
class ScriptedPicker : public Picker
{
public:
    std::optional<QColor> chooseColor(const QColor &, QWidget *) override
    {
        return m_colors.isEmpty() ? std::nullopt : std::optional<QColor>(m_colors.dequeue());
    }
    std::optional<QFont> chooseFont(const QFont &, QWidget *) override
    {
        return m_fonts.isEmpty() ? std::nullopt : std::optional<QFont>(m_fonts.dequeue());
    }
    QQueue<QColor> m_colors;
    QQueue<QFont> m_fonts;
};

// Per-user settings (the first-run flag) go to a private folder for the
// whole test program; call before anything reads QSettings.
inline void isolateUserSettings(QTemporaryDir &dir)
{
    qputenv("XDG_CONFIG_HOME", dir.path().toLocal8Bit());
}
