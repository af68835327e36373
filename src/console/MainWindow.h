#pragma once

#include "admin/Login.h"
#include "console/MenuEntries.h"
#include "engine/Slot.h"
#include "store/Paths.h"
#include "store/SettingsFile.h"

#include <QHash>
#include <QMainWindow>
#include <QPointer>
#include <array>
#include <functional>
#include <optional>

class CafeStore;
class Clock;
class ComputerMapWidget;
class LoginWindow;
class OptionsWindow;
class Picker;
class Prompter;
class QLabel;
class QMenu;
class QScrollArea;
class QTimer;
class QToolBar;

// The operator's console: menus, toolbar, status bar and the computer map.
// The time-charge engine and the client link plug in through the signals and
// provide(); the window itself runs no time charge and opens no socket.
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    MainWindow(const Paths &paths, CafeStore &store, Prompter &prompter, const Clock &clock, Picker &picker,
               QWidget *parent = nullptr);

    // Start-up: first-run flag, settings.dat, toolbar, the map from the
    // roster, the status menu, the background picture, the role menus.
    void load();

    // The role flag and the role menus.
    void setAdminlogin(bool admin) { m_adminlogin = admin; }
    bool adminLogin() const { return m_adminlogin; }
    void authType();
    QString roleName() const { return m_roleName; }
    // A login's outcome: the role flag and status panel 1; authType at once
    // when the console is already running (relogin).
    void applyLogin(Login::Role role, bool relogin);

    // A menu entry or toolbar button (a sub-menu gives its menu action).
    QAction *action(MenuEntry entry) const { return m_actions[size_t(entry)]; }
    // A sub-menu; null for an entry that is none.
    QMenu *menu(MenuEntry entry) const { return m_menus[size_t(entry)]; }
    QMenu *statusMenu() const { return menu(MenuEntry::Status); }
    QToolBar *toolbar() const { return m_toolbar; }
    // Enables a menu entry or toolbar button that waits for a window or
    // command of another part, and runs fn on it.
    void provide(MenuEntry entry, std::function<void()> fn);

    // A pop-up entry whose window exists now (the others stay disabled).
    void setPopupEntryBuilt(MenuEntry entry) { m_unbuilt.removeAll(entry); }

    // Status-bar panels 1 (account), 2 (moving), 3 (clock).
    QString panel(int n) const;
    void setPanel(int n, const QString &text);

    ComputerMapWidget *map() const { return m_map; }
    // The map scrolls when computers lie beyond what the window shows.
    QScrollArea *mapArea() const { return m_mapArea; }
    // At the size and place the operator left it, maximized the first time.
    void showAsLeft();
    int currentComputer() const { return m_current; }
    // What runs on a computer; the engine answers, everything is free until it does.
    void setStatusSource(std::function<SlotState(int aa)> source) { m_status = std::move(source); }
    // How many ended charges wait for their bill's confirmation, for the exit question.
    void setUnconfirmedSource(std::function<int()> source) { m_unconfirmed = std::move(source); }

    // settings.dat as held for the run; the options window switches polling live.
    bool pollingOn() const { return m_settings.pollingOn(); }
    SettingsFile settings() const { return m_settings; }
    // Toolbar side 1 top .. 4 right.
    void dockToolbar(int side);
    // The background picture from the path in the settings table.
    void getBackground();

    // "force" closes without the exit question.
    void setExitMode(const QString &mode) { m_exitMode = mode; }

    // One window of each kind: choosing its entry again brings the open one
    // to the front instead of a second copy whose Save would undo the first.
    // make() builds the window (deleted on close); kind names it. `needs` is
    // the least role that may use it; left out, it is the role of the menu
    // entry being chosen (admin under the menus the cashier loses). Switching
    // to the cashier closes every window the cashier may not use.
    QWidget *showSingle(const QString &kind, const std::function<QWidget *()> &make,
                        std::optional<Login::Role> needs = std::nullopt);
    // The window of a menu entry, kept under the entry's kind.
    QWidget *showSingle(MenuEntry entry, const std::function<QWidget *()> &make,
                        std::optional<Login::Role> needs = std::nullopt)
    {
        return showSingle(MenuEntries::kind(entry), make, needs);
    }
    QWidget *openWindow(MenuEntry entry) const { return m_single.value(MenuEntries::kind(entry)).window; }
    static bool mayUse(Login::Role role, Login::Role needs) { return needs == Login::Role::Cashier || role == needs; }
    Login::Role role() const { return m_adminlogin ? Login::Role::Admin : Login::Role::Cashier; }

    // Moves a window about to open beside computer aa (0: beside the window
    // it was opened from, else at the edge of the map), clear of the icons,
    // the menus and an open question; or where the operator last moved a
    // window of this kind, remembered by kind. A window that another window
    // opens by itself is placed as it shows, its kind its object name.
    void place(QWidget *window, const QString &kind, int aa = 0);
    // place(), then shows it; one that opens while a question waits leaves
    // the question in front and the keyboard with it.
    void showBeside(QWidget *window, const QString &kind, int aa = 0);

    // Windows opened from the menus; returned so callers can reach them.
    OptionsWindow *openOptions();
    LoginWindow *openRelogin();
    void tamio();

signals:
    // Left click on a computer outside the moving mode: `startNormal`.
    void computerClicked(int aa);
    // A pop-up entry chosen for a computer.
    void popupCommand(MenuEntry entry, int aa);
    // The pointer is over a computer's name: set its tip with map()->setTip().
    void nameHovered(int aa);
    // `checkpc` changed by the options window: polling starts or stops.
    void pollingChanged(bool on);
    void settingsSaved(const SettingsFile &settings);
    // The role menus were applied again: windows that show per role follow.
    void roleChanged();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildMenus();
    void buildToolbar();
    void buildStatusBar();
    void connectMap();
    void showPopup(int aa, const QPoint &globalPos);
    void tick();
    void applySettingsSaved(const SettingsFile &s);
    void closeForbidden();
    bool eventFilter(QObject *watched, QEvent *event) override;
    // Whether w was opened, at any depth, from this window.
    bool isOurs(const QWidget *w) const;

    Paths m_paths;
    CafeStore &m_store;
    Prompter &m_prompter;
    const Clock &m_clock;
    Picker &m_picker;

    ComputerMapWidget *m_map = nullptr;
    QScrollArea *m_mapArea = nullptr;
    QToolBar *m_toolbar = nullptr;
    QLabel *m_panel[3] = {};
    QTimer *m_clockTimer = nullptr;
    std::array<QAction *, MenuEntries::Count> m_actions{};
    std::array<QMenu *, MenuEntries::Count> m_menus{};
    struct Single
    {
        QPointer<QWidget> window;
        Login::Role needs = Login::Role::Cashier;
    };
    QHash<QString, Single> m_single;
    std::optional<MenuEntry> m_choosing; // the entry whose handler runs
    std::function<SlotState(int)> m_status;
    std::function<int()> m_unconfirmed;
    // Pop-up entries whose windows are not built yet.
    QList<MenuEntry> m_unbuilt;

    SettingsFile m_settings;
    bool m_adminlogin = false;
    QString m_roleName;
    int m_current = 0;
    QString m_exitMode;
    bool m_saveReported = false;
};
