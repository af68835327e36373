#pragma once

// Window tests: fresh books and the main window on them.

#include "ScriptedPrompter.h"
#include "TempHome.h"
#include "console/MainWindow.h"
#include "console/PickerDialog.h"
#include "store/CafeStore.h"
#include "store/SettingsFile.h"
#include "base/Clock.h"

#include <QQueue>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

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
inline void isolateUserSettings(QTemporaryDir &dir) { qputenv("XDG_CONFIG_HOME", dir.path().toLocal8Bit()); }

// An installed folder whose café books are open; open() puts the main
// window on them, logged in, as the console does after the login.
struct Desk
{
    TempHome home;
    CafeStore store;
    ScriptedPrompter prompter;
    ScriptedPicker picker;
    SettableClock clock;
    std::unique_ptr<MainWindow> main;

    Desk()
    {
        if (home.ok())
            store.open(home.paths().cafeDatabase());
    }
    ~Desk()
    {
        if (main)
            main->setExitMode(QStringLiteral("force"));
    }
    MainWindow &open(Login::Role role = Login::Role::Admin)
    {
        main = std::make_unique<MainWindow>(home.paths(), store, prompter, clock, picker);
        main->applyLogin(role, false);
        main->load();
        main->show();
        (void)QTest::qWaitForWindowExposed(main.get());
        return *main;
    }
    bool setSetting(SettingsFile::Key key, const QString &value)
    {
        SettingsFile s = SettingsFile::read(home.paths().settingsFile());
        s.setText(key, value);
        return !s.write(home.paths().settingsFile());
    }
};
