#pragma once

// Window tests: fresh books and the main window on them.

#include "FakeDesktop.h"
#include "LinkTestSupport.h"
#include "ScriptedPrompter.h"
#include "TempHome.h"
#include "SettableClock.h"
#include "console/ComputerMapWidget.h"
#include "ConsoleController.h"
#include "console/MainWindow.h"
#include "console/PickerDialog.h"
#include "engine/BillingWindow.h"
#include "engine/Engine.h"
#include "store/CafeStore.h"
#include "store/SettingsFile.h"

#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
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
// whole test program; call before anything reads QSettings. False when
// there is none.
inline bool isolateUserSettings()
{
    static QTemporaryDir dir;
    qputenv("XDG_CONFIG_HOME", dir.path().toLocal8Bit());
    return dir.isValid();
}

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

// A shown button by the text the operator sees.
inline QPushButton *button(QWidget *w, const QString &text)
{
    for (QPushButton *b : w->findChildren<QPushButton *>())
        if (b->text() == text && b->isVisibleTo(w))
            return b;
    return nullptr;
}

// The bill on screen, or none.
inline BillingWindow *shownBill()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *b = qobject_cast<BillingWindow *>(w); b && b->isVisible())
            return b;
    return nullptr;
}

// The whole console after a login, as the program builds it, on a fresh
// folder: PC1, PC2, ... at loopback addresses of this process, with
// korvane-client agents there once startAgents() ran; ports of its own.
struct LiveConsole
{
    TempHome home;
    ScriptedPrompter prompter;
    ScriptedPicker picker;
    ScriptedFileChooser files;
    FakeDesktop desktop;
    SettableClock clock{QDateTime(QDate(2026, 3, 2), QTime(10, 0))};
    Ports ports = Ports::withOffset(linktest::Offset + 100 + int(QCoreApplication::applicationPid() % 900) * 10);
    std::unique_ptr<ConsoleController> console;
    QList<qint64> pcs;
    std::vector<std::unique_ptr<linktest::Agent>> agents;

    explicit LiveConsole(int computers = 2)
    {
        isolateUserSettings();
        CafeStore cafe;
        cafe.open(home.paths().cafeDatabase());
        for (int i = 0; i < computers; ++i)
            pcs << *cafe.addComputer({0, QStringLiteral("PC%1").arg(i + 1), linktest::address(7, 11 + i),
                                      300 + i * 1500, 300, false, false, false});
    }
    ~LiveConsole() { close(); }
    bool startAgents()
    {
        for (int i = 0; i < pcs.size(); ++i) {
            agents.push_back(std::make_unique<linktest::Agent>());
            if (!agents.back()->start(linktest::address(7, 11 + i), {"--no-broadcast"}, ports.offset))
                return false;
        }
        return true;
    }
    // A new console on the folder, as at the next start of the program.
    bool open(Login::Role role = Login::Role::Admin)
    {
        close();
        console = std::make_unique<ConsoleController>(home.paths(), ports, prompter, clock, picker);
        console->setDesktop(desktop);
        console->setFileChooser(files);
        if (console->openBooks())
            return false;
        console->start(role);
        return window().isVisible();
    }
    void close()
    {
        if (console)
            window().setExitMode(QStringLiteral("force"));
        console.reset();
    }
    MainWindow &window() { return console->window(); }
    Engine &engine() { return console->engine(); }
    const Slot &slot(int i) { return *engine().slot(pcs.at(i)); }
    ComputerMapWidget *map() { return window().map(); }
    void click(int i) { QTest::mouseClick(map()->icon(int(pcs.at(i))), Qt::LeftButton, {}, QPoint(5, 5)); }
    // The click answered Yes: the charge starts or ends.
    void clickYes(int i)
    {
        prompter.answer(true);
        click(i);
    }
    void popup(MenuEntry entry, int i)
    {
        QWidget *icon = map()->icon(int(pcs.at(i)));
        QTest::mousePress(icon, Qt::RightButton, {}, QPoint(5, 5));
        QTest::mouseRelease(icon, Qt::RightButton, {}, QPoint(5, 5));
        window().statusMenu()->close();
        window().action(entry)->trigger();
    }
    BillingWindow *bill() { return shownBill(); }
    QString lastCommand(int i) { return agents.at(i)->last("command").value("text").toString(); }
    // No icon or name of the map, nor the menu bar, lies under the window.
    bool clearOfTheMap(const QWidget *w)
    {
        const QWidget *menus = window().menuBar();
        if (w->frameGeometry().intersects(QRect(menus->mapToGlobal(QPoint(0, 0)), menus->size())))
            return false;
        for (int aa : map()->computers()) {
            const QRect r = map()->icon(aa)->geometry().united(map()->label(aa)->geometry());
            if (w->frameGeometry().intersects(QRect(map()->mapToGlobal(r.topLeft()), r.size())))
                return false;
        }
        return true;
    }
};
