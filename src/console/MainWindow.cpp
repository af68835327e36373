#include "console/MainWindow.h"

#include "admin/LoginWindow.h"
#include "console/CashRegister.h"
#include "console/ComputerMapWidget.h"
#include "console/OptionsWindow.h"
#include "console/PopupRules.h"
#include "console/ToolIcons.h"
#include "console/WindowPlacement.h"
#include "store/CafeStore.h"
#include "base/Clock.h"
#include "base/Format.h"
#include "base/Prompter.h"
#include "base/UserSettings.h"

#include <QApplication>
#include <QCloseEvent>
#include <QImageReader>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMetaMethod>
#include <QScreen>
#include <QScrollArea>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <climits>
#include <utility>

namespace {

// Where a window was put and its kind, to tell the operator's move on its hide.
const char *const PlacedAt = "korvanePlacedAt";
const char *const PlaceKind = "korvanePlaceKind";

bool hasChildren(MenuEntry entry)
{
    for (const MenuEntries::Info &e : MenuEntries::all())
        if (e.under == entry)
            return true;
    return false;
}

} // namespace

MainWindow::MainWindow(const Paths &paths, CafeStore &store, Prompter &prompter, const Clock &clock, Picker &picker,
                       QWidget *parent)
    : QMainWindow(parent)
    , m_paths(paths)
    , m_store(store)
    , m_prompter(prompter)
    , m_clock(clock)
    , m_picker(picker)
{
    setObjectName(QStringLiteral("mainWindow"));
    setWindowTitle(QStringLiteral("Korvane Version 1.0"));
    resize(1100, 720);
    setMinimumSize(640, 420);

    m_map = new ComputerMapWidget;
    m_mapArea = new QScrollArea(this);
    m_mapArea->setObjectName(QStringLiteral("mapArea"));
    m_mapArea->setFrameShape(QFrame::NoFrame);
    m_mapArea->setWidgetResizable(true);
    m_mapArea->setWidget(m_map);
    setCentralWidget(m_mapArea);
    buildMenus();
    buildToolbar();
    buildStatusBar();
    connectMap();

    m_clockTimer = new QTimer(this);
    m_clockTimer->setObjectName(QStringLiteral("clockTimer"));
    m_clockTimer->setInterval(1000);
    connect(m_clockTimer, &QTimer::timeout, this, &MainWindow::tick);
    m_clockTimer->start();
    tick();
    // Windows opened from other windows are placed as they show.
    qApp->installEventFilter(this);
}

void MainWindow::buildMenus()
{
    for (const MenuEntries::Info &e : MenuEntries::all()) {
        if (e.traits.group == MenuEntries::Group::Toolbar)
            continue;
        const QString name = QString::fromLatin1(e.key);
        const QString caption = QString::fromLatin1(e.caption);
        QMenu *under = e.under ? menu(*e.under) : nullptr;
        QAction *a = nullptr;
        if (hasChildren(e.entry)) {
            auto *m = new QMenu(caption, this);
            m->setObjectName(name);
            if (under)
                under->addMenu(m);
            else
                menuBar()->addMenu(m);
            m_menus[size_t(e.entry)] = m;
            a = m->menuAction();
        } else if (caption == QLatin1String("-")) {
            a = under->addSeparator();
        } else if (!under) {
            a = menuBar()->addAction(caption);
        } else {
            a = under->addAction(caption);
        }
        a->setObjectName(name);
        if (e.traits.icon)
            a->setIcon(ToolIcons::icon(QString::fromLatin1(e.traits.icon)));
        m_actions[size_t(e.entry)] = a;
        if (MenuEntries::isPopupCommand(e.entry)) {
            connect(a, &QAction::triggered, this, [this, entry = e.entry] { emit popupCommand(entry, m_current); });
            if (e.traits.provided)
                m_unbuilt << e.entry;
        } else if (e.traits.provided) {
            a->setEnabled(false);
        }
    }

    // The computer's pop-up stands in the bar without caption and unusable.
    QMenu *status = statusMenu();
    status->setTitle(QString());
    status->menuAction()->setEnabled(false);
    QFont title = action(MenuEntry::ComputerName)->font();
    title.setBold(true);
    action(MenuEntry::ComputerName)->setFont(title);

    connect(action(MenuEntry::Misc), &QAction::triggered, this, &MainWindow::openOptions);

    QAction *metakin = action(MenuEntry::IconPosition);
    metakin->setCheckable(true);
    connect(metakin, &QAction::toggled, this, [this](bool on) {
        m_map->setMoving(on);
        if (!on)
            setPanel(2, QString());
    });

    connect(action(MenuEntry::CurrentTransactions), &QAction::triggered, this, &MainWindow::tamio);
    connect(action(MenuEntry::SwitchCashier), &QAction::triggered, this, &MainWindow::openRelogin);
    connect(action(MenuEntry::Exit), &QAction::triggered, this, &QWidget::close);
}

void MainWindow::buildToolbar()
{
    m_toolbar = new QToolBar(QStringLiteral("Toolbar"), this);
    m_toolbar->setObjectName(QStringLiteral("toolbar"));
    m_toolbar->setMovable(false);
    m_toolbar->setIconSize(QSize(28, 28));
    m_toolbar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    addToolBar(Qt::TopToolBarArea, m_toolbar);

    for (const MenuEntries::Info &e : MenuEntries::all()) {
        if (e.traits.group != MenuEntries::Group::Toolbar)
            continue;
        const QString key = QString::fromLatin1(e.key);
        QAction *a = m_toolbar->addAction(ToolIcons::icon(key), QString::fromLatin1(e.caption));
        a->setObjectName(QStringLiteral("toolbar.") + key);
        a->setToolTip(QString::fromLatin1(e.traits.tip));
        // The commands to all computers are the client link's.
        a->setEnabled(!e.traits.provided);
        m_actions[size_t(e.entry)] = a;
    }
    connect(action(MenuEntry::ToolbarCashier), &QAction::triggered, this, &MainWindow::openRelogin);
    connect(action(MenuEntry::ToolbarExit), &QAction::triggered, this, &QWidget::close);
}

void MainWindow::buildStatusBar()
{
    QStatusBar *bar = statusBar();
    bar->setObjectName(QStringLiteral("statusBar"));
    bar->setSizeGripEnabled(true);
    for (int i = 0; i < 3; ++i) {
        m_panel[i] = new QLabel(bar);
        m_panel[i]->setObjectName(QStringLiteral("panel%1").arg(i + 1));
        m_panel[i]->setContentsMargins(6, 0, 6, 0);
    }
    m_panel[0]->setMinimumWidth(140);
    bar->addWidget(m_panel[0]);
    bar->addWidget(m_panel[1], 1);
    bar->addPermanentWidget(m_panel[2]);
}

void MainWindow::connectMap()
{
    connect(m_map, &ComputerMapWidget::iconPressed, this, [this](int aa) {
        m_current = aa;
        m_saveReported = false;
    });
    connect(m_map, &ComputerMapWidget::iconClicked, this, &MainWindow::computerClicked);
    connect(m_map, &ComputerMapWidget::iconPicked, this,
            [this](int aa) { setPanel(2, m_map->name(aa) + QStringLiteral(" Moving")); });
    connect(m_map, &ComputerMapWidget::popupRequested, this, &MainWindow::showPopup);
    connect(m_map, &ComputerMapWidget::hovered, this, &MainWindow::nameHovered);
    connect(m_map, &ComputerMapWidget::moved, this, [this](int aa, int left, int top) {
        const auto saved = m_store.savePosition(m_map->name(aa), left, top);
        if (!saved && !m_saveReported) {
            m_saveReported = true; // once per drag, not on every move
            m_prompter.tell(saved.error(), Prompter::Icon::Critical);
        }
    });
}

void MainWindow::load()
{
    UserSettings().markLoaded();

    m_settings = SettingsFile::read(m_paths.settingsFile());
    if (m_settings.toolbarVisible()) {
        m_toolbar->show();
        dockToolbar(m_settings.toolbarSide());
    } else {
        m_toolbar->hide();
    }

    m_map->clear();
    m_map->setLook(MapLook::from(m_settings));
    if (const auto rows = m_store.computers(); !rows) {
        m_prompter.tell(rows.error(), Prompter::Icon::Critical);
    } else {
        QStringList skipped;
        for (const ComputerRow &row : *rows) {
            if (row.aa < 1 || row.aa > INT_MAX || m_map->contains(int(row.aa))) {
                skipped << row.pcname;
                continue;
            }
            m_map->addComputer(int(row.aa), row.pcname, row.left, row.top);
            // A place outside the map (older books let a drag leave it) is
            // brought back, in the books too, or the computer is lost.
            if (m_map->bringInside(int(row.aa))) {
                const QPoint at = m_map->position(int(row.aa));
                if (const auto saved = m_store.savePosition(row.pcname, at.x(), at.y()); !saved)
                    m_prompter.tell(saved.error(), Prompter::Icon::Critical);
            }
        }
        if (!skipped.isEmpty())
            m_prompter.tell(QStringLiteral("These computers have no usable key and are not on the map: ")
                                + skipped.join(QStringLiteral(", ")),
                            Prompter::Icon::Warning);
    }

    getBackground();
    authType();
}

void MainWindow::getBackground()
{
    const Result<RateSettings> rs = m_store.rateSettings();
    const QString path = rs ? rs->backround : QString();
    if (path.isEmpty()) {
        m_map->setBackground(QImage());
        return;
    }
    QImageReader reader(path);
    const QImage picture = reader.read();
    if (picture.isNull())
        m_prompter.tell(reader.errorString(), Prompter::Icon::Critical);
    m_map->setBackground(picture);
}

void MainWindow::dockToolbar(int side)
{
    static const Qt::ToolBarArea areas[] = {Qt::TopToolBarArea, Qt::BottomToolBarArea, Qt::LeftToolBarArea,
                                            Qt::RightToolBarArea};
    if (side < 1 || side > 4)
        side = 1;
    const Qt::ToolBarArea area = areas[side - 1];
    const bool visible = !m_toolbar->isHidden();
    addToolBar(area, m_toolbar);
    m_toolbar->setOrientation(area == Qt::TopToolBarArea || area == Qt::BottomToolBarArea ? Qt::Horizontal
                                                                                          : Qt::Vertical);
    m_toolbar->setVisible(visible);
}

void MainWindow::authType()
{
    for (const MenuEntries::Info &e : MenuEntries::all())
        if (e.traits.admin)
            action(e.entry)->setEnabled(m_adminlogin);
    m_roleName = m_adminlogin ? QStringLiteral("admin") : QStringLiteral("user");
    // Withdrawing the menus is not enough: a window they opened would still save.
    closeForbidden();
    emit roleChanged();
}

void MainWindow::closeForbidden()
{
    QList<QPointer<QWidget>> forbidden;
    for (Single &single : m_single) {
        if (single.window && !mayUse(role(), single.needs)) {
            forbidden << single.window;
            single.window.clear();
        }
    }
    for (QPointer<QWidget> &w : forbidden) {
        w->close();
        if (w) { // a window that refuses to close goes all the same
            w->hide();
            w->deleteLater();
        }
    }
}

void MainWindow::applyLogin(Login::Role role, bool relogin)
{
    m_adminlogin = role == Login::Role::Admin;
    if (relogin)
        authType();
    setPanel(1, Login::panelText(role));
}

void MainWindow::provide(MenuEntry entry, std::function<void()> fn)
{
    QAction *a = action(entry);
    connect(a, &QAction::triggered, this, [this, entry, fn = std::move(fn)] {
        // A window the handler opens takes the entry's role.
        const std::optional<MenuEntry> outer = std::exchange(m_choosing, entry);
        fn();
        m_choosing = outer;
    });
    a->setEnabled(true);
    // A provided entry opens the sub-menu it sits in.
    if (const std::optional<MenuEntry> under = MenuEntries::info(entry).under;
        under && MenuEntries::info(*under).traits.provided)
        action(*under)->setEnabled(true);
}

QString MainWindow::panel(int n) const { return n >= 1 && n <= 3 ? m_panel[n - 1]->text() : QString(); }

void MainWindow::setPanel(int n, const QString &text)
{
    if (n >= 1 && n <= 3)
        m_panel[n - 1]->setText(text);
}

void MainWindow::tick() { setPanel(3, Format::longTime(m_clock.now().time())); }

void MainWindow::showPopup(int aa, const QPoint &globalPos)
{
    m_current = aa;
    action(MenuEntry::ComputerName)->setText(QStringLiteral("-= ") + m_map->name(aa).toUpper() + QStringLiteral(" =-"));
    const SlotState state = m_status ? m_status(aa) : SlotState::Free;
    const std::optional<PopupEntries> entries = PopupRules::entriesFor(state);
    if (!entries)
        return;
    // Without an engine listening, no entry would do anything.
    const bool listened = isSignalConnected(QMetaMethod::fromSignal(&MainWindow::popupCommand));
    for (const MenuEntries::Info &e : MenuEntries::all())
        if (MenuEntries::isPopupCommand(e.entry))
            action(e.entry)->setEnabled(listened && PopupRules::offers(*entries, e.entry)
                                        && !m_unbuilt.contains(e.entry));
    statusMenu()->popup(globalPos);
}

QWidget *MainWindow::showSingle(const QString &kind, const std::function<QWidget *()> &make,
                                std::optional<Login::Role> needs)
{
    QWidget *open = m_single.value(kind).window;
    if (!open) {
        const Login::Role least = needs.value_or(MenuEntries::needs(m_choosing));
        if (!mayUse(role(), least)) {
            m_prompter.tell(QStringLiteral("Only the administrator may open this window."), Prompter::Icon::Warning);
            return nullptr;
        }
        open = make();
        if (!open)
            return nullptr;
        open->setAttribute(Qt::WA_DeleteOnClose);
        m_single.insert(kind, {open, least});
        place(open, kind);
    }
    open->show();
    open->raise();
    open->activateWindow();
    return open;
}

void MainWindow::place(QWidget *window, const QString &kind, int aa)
{
    if (!window)
        return;
    if (!window->testAttribute(Qt::WA_Resized))
        window->adjustSize();
    // The title bar and borders, as the window manager draws them on this window.
    const QSize size = window->size() + (frameGeometry().size() - geometry().size());
    const QScreen *screen = this->screen();

    WindowPlacement::Scene scene;
    scene.screen = screen ? screen->availableGeometry() : QRect();
    if (m_map->isVisible()) {
        const QRect visible = m_map->visibleRegion().boundingRect();
        scene.map = QRect(m_map->mapToGlobal(visible.topLeft()), visible.size());
    }
    for (int c : m_map->computers()) {
        const QRect r = m_map->icon(c)->geometry().united(m_map->label(c)->geometry());
        scene.inSight << QRect(m_map->mapToGlobal(r.topLeft()), r.size());
        if (c == aa)
            scene.near = scene.inSight.last();
    }
    // The menus and the toolbar as well; the status bar only tells.
    for (const QWidget *bar : {static_cast<QWidget *>(menuBar()), static_cast<QWidget *>(m_toolbar)})
        if (bar->isVisible())
            scene.inSight << QRect(bar->mapToGlobal(QPoint(0, 0)), bar->size());
    if (const QWidget *opener = window->parentWidget() ? window->parentWidget()->window() : nullptr;
        opener && opener != this && opener->isVisible()) {
        scene.openers << opener->frameGeometry();
        if (!scene.near.isValid())
            scene.near = opener->frameGeometry();
    }
    QWidget *question = QApplication::activeModalWidget();
    if (question && question != window && question->isVisible())
        scene.questions << question->frameGeometry();

    QPoint at;
    const std::optional<QPoint> kept = UserSettings().windowPlace(kind);
    const QRect keptRect(kept.value_or(QPoint()), size);
    // Where the operator put it, while that is still on a screen and clear of the question.
    const bool keep = kept && screen
                      && screen->availableVirtualGeometry().intersected(keptRect).width() >= qMin(size.width(), 80)
                      && screen->availableVirtualGeometry().contains(keptRect.topLeft())
                      && (scene.questions.isEmpty() || !keptRect.intersects(scene.questions.first()));
    at = keep ? *kept : WindowPlacement::choose(scene, size);
    window->move(at);
    window->setProperty(PlacedAt, at);
    window->setProperty(PlaceKind, kind);
}

void MainWindow::showBeside(QWidget *window, const QString &kind, int aa)
{
    if (!window)
        return;
    place(window, kind, aa);
    QPointer<QWidget> question = QApplication::activeModalWidget();
    if (question == window)
        question.clear();
    window->setAttribute(Qt::WA_ShowWithoutActivating, !question.isNull());
    window->show();
    window->setAttribute(Qt::WA_ShowWithoutActivating, false);
    if (question) { // the question keeps the front and the keyboard
        question->raise();
        question->activateWindow();
    } else {
        window->raise();
        window->activateWindow();
    }
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    // Sees every event of the program: only another window's show and hide count.
    const QEvent::Type type = event->type();
    auto *w = watched->isWidgetType() ? static_cast<QWidget *>(watched) : nullptr;
    if ((type != QEvent::Show && type != QEvent::Hide) || !w || !w->isWindow() || w == this)
        return QMainWindow::eventFilter(watched, event);
    const QString kind = w->property(PlaceKind).toString();
    if (type == QEvent::Show) {
        // A window that another of ours opens without a word about where.
        if (kind.isEmpty() && !w->isModal() && (w->windowType() == Qt::Window || w->windowType() == Qt::Dialog)
            && isOurs(w))
            place(w, w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className()) : w->objectName());
    } else if (!kind.isEmpty() && w->pos() != w->property(PlacedAt).toPoint()) {
        // Going away, it remembers its place if the operator moved it.
        UserSettings().setWindowPlace(kind, w->pos());
        w->setProperty(PlacedAt, w->pos());
    }
    return QMainWindow::eventFilter(watched, event);
}

bool MainWindow::isOurs(const QWidget *w) const
{
    for (const QWidget *p = w->parentWidget(); p; p = p->parentWidget())
        if (p == this)
            return true;
    return false;
}

OptionsWindow *MainWindow::openOptions()
{
    const auto make = [this]() -> QWidget * {
        auto *w = new OptionsWindow(m_paths.settingsFile(), m_prompter, m_picker, this);
        connect(w, &OptionsWindow::toolbarSideChosen, this, &MainWindow::dockToolbar);
        connect(w, &OptionsWindow::saved, this, &MainWindow::applySettingsSaved);
        return w;
    };
    return qobject_cast<OptionsWindow *>(showSingle(MenuEntry::Misc, make, Login::Role::Admin));
}

void MainWindow::applySettingsSaved(const SettingsFile &s)
{
    const bool wasPolling = m_settings.pollingOn();
    m_settings.setText(SettingsFile::Key::Polling, s.text(SettingsFile::Key::Polling));
    m_toolbar->setVisible(s.toolbarVisible());
    if (wasPolling != m_settings.pollingOn())
        emit pollingChanged(m_settings.pollingOn());
    emit settingsSaved(s);
}

LoginWindow *MainWindow::openRelogin()
{
    const auto make = [this]() -> QWidget * {
        auto *w = new LoginWindow(m_store, m_prompter, this);
        w->setMode(LoginWindow::Mode::Relogin);
        connect(w, &LoginWindow::loggedIn, this, [this](Login::Role role) { applyLogin(role, true); });
        // Answered or cancelled, the next switch starts from an empty password.
        connect(w, &QDialog::finished, w, &QObject::deleteLater);
        return w;
    };
    return qobject_cast<LoginWindow *>(showSingle(MenuEntry::SwitchCashier, make, Login::Role::Cashier));
}

void MainWindow::tamio() { CashRegister::tamio(m_store, m_clock.now().date(), m_prompter); }

void MainWindow::showAsLeft()
{
    if (restoreGeometry(UserSettings().geometry()))
        show();
    else
        showMaximized();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    QString question = QStringLiteral("EXIT KORVANE ?");
    if (const int waiting = m_unconfirmed ? m_unconfirmed() : 0; waiting > 0)
        question = (waiting == 1 ? QStringLiteral("1 bill waits for confirmation.")
                                 : QStringLiteral("%1 bills wait for confirmation.").arg(waiting))
                   + QLatin1Char('\n') + question;
    if (m_exitMode == QLatin1String("force") || m_prompter.ask(question)) {
        UserSettings().setGeometry(saveGeometry());
        event->accept();
        return;
    }
    event->ignore();
}
