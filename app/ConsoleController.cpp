#include "ConsoleController.h"

#include "admin/PasswordWindow.h"
#include "admin/RosterWindow.h"
#include "base/Clock.h"
#include "base/Prompter.h"
#include "base/SystemDesktop.h"
#include "base/UserSettings.h"
#include "catalogue/CategoriesWindow.h"
#include "catalogue/ExtrasWindow.h"
#include "catalogue/PriceListWindow.h"
#include "catalogue/ProductsWindow.h"
#include "console/AboutWindow.h"
#include "console/BackgroundWindow.h"
#include "console/Backup.h"
#include "console/ComputerMapWidget.h"
#include "console/MainWindow.h"
#include "console/PopupRules.h"
#include "console/Shifts.h"
#include "customers/CustomerAccounts.h"
#include "customers/CustomerWindow.h"
#include "customers/NewUserDialog.h"
#include "customers/PrintTargetDialog.h"
#include "engine/BillingWindow.h"
#include "engine/CustomerLogon.h"
#include "engine/Engine.h"
#include "engine/RateSettingsWindow.h"
#include "engine/RatesWindow.h"
#include "engine/TransferWindow.h"
#include "gui/FileChooserDialog.h"
#include "link/Broadcaster.h"
#include "link/LogonPort.h"
#include "link/MessageWindow.h"
#include "link/PresencePoller.h"
#include "link/Protocol.h"
#include "link/TcpChannel.h"
#include "reports/ChartsWindow.h"
#include "reports/PrinterLogWindow.h"
#include "reports/ReportOutletDialog.h"
#include "reports/ShiftWindow.h"
#include "reports/TransactionsWindow.h"
#include "reports/UserTransactionsWindow.h"

#include <QCoreApplication>
#include <QDir>
#include <QTimer>

ConsoleController::ConsoleController(const Paths &paths, const Ports &ports, Prompter &prompter, const Clock &clock,
                                     Picker &picker, QObject *parent)
    : QObject(parent)
    , m_paths(paths)
    , m_ports(ports)
    , m_prompter(prompter)
    , m_clock(clock)
    , m_picker(picker)
    , m_guessingNotices(prompter, Prompter::Icon::Warning)
    , m_pictures(paths)
    , m_systemDesktop(std::make_unique<SystemDesktop>())
    , m_fileDialogs(std::make_unique<FileChooserDialog>())
    , m_desktop(m_systemDesktop.get())
    , m_files(m_fileDialogs.get())
{
    m_pictures.setReporter([this](const QString &text) { m_prompter.tell(text, Prompter::Icon::Critical); });
}

ConsoleController::~ConsoleController()
{
    // The window's pending events must not reach a half-destroyed engine.
    m_window.reset();
    m_logon.reset();
    m_poller.reset();
    m_engine.reset();
}

std::optional<QString> ConsoleController::holdFolder()
{
    if (m_lock.held() || m_lock.take(m_paths))
        return std::nullopt;
    if (!m_lock.heldElsewhere())
        return QStringLiteral("%1 cannot be written (check the owner and mode of its folder)")
            .arg(QDir::toNativeSeparators(ConsoleLock::path(m_paths)));
    // Two consoles on one folder would start, end and bill the same computers twice.
    return QStringLiteral("A console already runs on the folder %1, and only one may keep its books.\n"
                          "Use that console, or close it before starting this one.")
        .arg(QDir::toNativeSeparators(m_paths.home()));
}

std::optional<QString> ConsoleController::openBooks()
{
    if (auto e = holdFolder())
        return e;
    if (auto e = m_windowCafe.open(m_paths.cafeDatabase()))
        return e;
    if (auto e = m_engineCafe.open(m_paths.cafeDatabase()))
        return e;
    if (auto e = m_customers.open(m_paths.customerDatabase()))
        return e;

    m_command = std::make_unique<TcpChannel>(m_ports.command);
    m_engine = std::make_unique<Engine>(
        m_engineCafe, m_customers, *m_command, [this] { return new TcpChannel(m_ports.command); }, m_prompter, m_clock);
    auto stateOf = [this](qint64 aa) {
        const Slot *s = m_engine->slot(aa);
        return s ? s->state : SlotState::Free;
    };
    m_window = std::make_unique<MainWindow>(m_paths, m_windowCafe, m_prompter, m_clock, m_picker);
    m_poller =
        std::make_unique<PresencePoller>(m_prompter, m_ports.probe, stateOf, [this] { return m_window->pollingOn(); });
    m_customerLogon = std::make_unique<CustomerLogon>(m_customers, CustomerLogon::hooksOn(*m_engine));
    m_logon = std::make_unique<LogonPort>(
        m_windowCafe, *m_customerLogon, [this] { return new TcpChannel(m_ports.text); }, m_clock);
    m_broadcaster = std::make_unique<Broadcaster>();
    m_window->setStatusSource([stateOf](int aa) { return stateOf(aa); });
    m_window->setUnconfirmedSource([this] {
        const auto rows = m_windowCafe.unconfirmed();
        return rows ? int(rows->size()) : 0;
    });
    wire();
    return std::nullopt;
}

void ConsoleController::wire()
{
    MainWindow *w = m_window.get();
    Engine *e = m_engine.get();

    connect(w, &MainWindow::computerClicked, e, [e](int aa) {
        e->setCurrentComputer(aa);
        e->startNormal(aa);
    });
    connect(w, &MainWindow::popupCommand, this, [this](MenuEntry entry, int aa) { popupCommand(entry, aa); });
    // A name's tool tip tells that computer's own figures.
    connect(w, &MainWindow::nameHovered, this, [this](int aa) {
        const QString tip = m_engine->usageTip(aa);
        if (!tip.isNull())
            m_window->map()->setTip(aa, tip);
    });
    connect(e, &Engine::tipCleared, this, [this](qint64 aa) { m_window->map()->setTip(int(aa), QString()); });
    connect(e, &Engine::pictureChanged, this, &ConsoleController::showPicture);
    connect(m_poller.get(), &PresencePoller::pictureDue, this, &ConsoleController::showPicture);
    connect(m_poller.get(), &PresencePoller::pictureDue, e, [e](qint64 aa, Picture p) {
        if (p != Picture::Error)
            e->clientAnswered(aa);
    });
    // A bill opens beside its computer; one that opens by itself leaves an open question in front.
    connect(e, &Engine::billOpened, this, [this, w](Bill *bill) {
        auto *window = new BillingWindow(bill, w);
        offerExtras(window);
        w->showBeside(window, QStringLiteral("bill"), int(bill->slotKey()));
    });
    connect(e, &Engine::accountStartFailed, m_logon.get(), [this](qint64, const QString &pin) {
        if (const auto freed = m_customerLogon->accountStartFailed(pin); !freed)
            m_logon->storeFailed(freed.error());
    });
    wireLogonReports();

    // The tariff is the administrator's: both windows close when the cashier takes over.
    w->provide(MenuEntry::Rates, [this, w] {
        w->showSingle(
            MenuEntry::Rates, [this, w] { return new RatesWindow(m_windowCafe, m_prompter, w); }, Login::Role::Admin);
    });
    w->provide(MenuEntry::MinimumCharge, [this, w] {
        w->showSingle(
            MenuEntry::MinimumCharge, [this, w] { return new RateSettingsWindow(m_windowCafe, m_prompter, w); },
            Login::Role::Admin);
    });
    m_message = new MessageWindow(*m_broadcaster, m_prompter, m_ports, w);
    w->setPopupEntryBuilt(MenuEntry::Transfer);
    w->setPopupEntryBuilt(MenuEntry::Message);
    w->provide(MenuEntry::ToolbarMessage, [this] {
        if (!m_prompter.ask(QStringLiteral("Send Message To All Computers ?")))
            return;
        if (!m_message->isVisible())
            m_window->place(m_message, MenuEntries::kind(MenuEntry::Message));
        m_message->openForAll();
    });
    w->provide(MenuEntry::ToolbarShutDown,
               [this] { toAllComputers(QStringLiteral("ShutDown All Computers ?"), Protocol::shutdown()); });
    w->provide(MenuEntry::ToolbarUnlock,
               [this] { toAllComputers(QStringLiteral("Unlock All Computers ?"), Protocol::terminate()); });
    wireCatalogue();
    provideAdministration();
    wireReports();
    wireCustomers();
}

void ConsoleController::provideAdministration()
{
    MainWindow *w = m_window.get();
    auto passwords = [this, w](MenuEntry entry, Passwords::Mode mode) {
        w->showSingle(entry, [this, w, mode]() -> QWidget * {
            auto *p = new PasswordWindow(m_windowCafe, m_prompter, mode, w);
            if (!p->load()) {
                delete p;
                return nullptr;
            }
            return p;
        });
    };
    w->provide(MenuEntry::UserPassword, [passwords] { passwords(MenuEntry::UserPassword, Passwords::Mode::Users); });
    w->provide(MenuEntry::AdminPassword, [passwords] { passwords(MenuEntry::AdminPassword, Passwords::Mode::Admins); });
    w->provide(MenuEntry::Computers, [this, w] {
        w->showSingle(MenuEntry::Computers, [this, w] { return new RosterWindow(m_windowCafe, m_prompter, w); });
    });
    w->provide(MenuEntry::Background, [this, w] {
        w->showSingle(MenuEntry::Background, [this, w] {
            auto *b = new BackgroundWindow(m_windowCafe, m_prompter, *m_files, w);
            connect(b, &BackgroundWindow::saved, w, &MainWindow::getBackground);
            return b;
        });
    });
    w->provide(MenuEntry::About, [this, w] {
        w->showSingle(MenuEntry::About, [this, w] { return new AboutWindow(*m_desktop, m_prompter, w); });
    });
    w->provide(MenuEntry::Help, [this] {
        if (const Result<void> r = m_desktop->openUrl(QUrl::fromLocalFile(m_paths.helpPage())); !r)
            m_prompter.tell(r.error(), Prompter::Icon::Critical);
    });
    w->provide(MenuEntry::Support, [this] {
        if (const Result<void> r = m_desktop->openUrl(QUrl(UserSettings().supportAddress())); !r)
            m_prompter.tell(r.error(), Prompter::Icon::Critical);
    });
    w->provide(MenuEntry::Backup, [this] {
        if (!m_prompter.ask(QStringLiteral(" Start Backup ?")))
            return;
        if (const Result<void> r = Backup::backitup(m_paths); !r)
            m_prompter.tell(r.error());
        else
            m_prompter.tell(QStringLiteral("Backup Complete\nThe copies are in ")
                                + QDir::toNativeSeparators(m_paths.backup()),
                            Prompter::Icon::Information);
    });
    w->provide(MenuEntry::DeletePrinterHistory, [this] {
        if (!m_prompter.ask(QStringLiteral("Delete Printer Transactions ? ;")))
            return;
        if (const Result<void> r = Backup::deleteprint(m_paths); !r)
            m_prompter.tell(r.error(), Prompter::Icon::Critical);
    });
    w->provide(MenuEntry::MainDatabase, [this] { maintenance(); });
    w->provide(MenuEntry::UserDatabase, [this] { maintenance(); });
}

void ConsoleController::maintenance()
{
    if (!m_prompter.ask(QStringLiteral("       ALERT !!\rYou must exit this application to backup\rExit Now ?"),
                        Prompter::Icon::Critical))
        return;
    const QString tool = QCoreApplication::applicationDirPath() + QStringLiteral("/korvane-tools");
    if (const Result<void> r = m_desktop->start(tool, m_paths.toolArguments()); !r) {
        m_prompter.tell(r.error(), Prompter::Icon::Critical);
        return;
    }
    // The tool restores and compacts only once the console has let go.
    m_window->setExitMode(QStringLiteral("force"));
    m_window->close();
    m_lock.release();
}

void ConsoleController::wireReports()
{
    m_reportOutlet = std::make_unique<DialogReportOutlet>(m_prompter);
    m_window->provide(MenuEntry::ShowTransactions, [this] {
        m_window->showSingle(MenuEntry::ShowTransactions, [this] {
            return new TransactionsWindow(m_windowCafe, m_paths, m_prompter, m_clock, *m_reportOutlet, m_window.get());
        });
    });
    m_window->provide(MenuEntry::UserTransactions, [this] {
        m_window->showSingle(MenuEntry::UserTransactions, [this] {
            return new UserTransactionsWindow(m_windowCafe, m_prompter, m_clock, *m_reportOutlet, m_window.get());
        });
    });
    m_window->provide(MenuEntry::Charts, [this] {
        m_window->showSingle(MenuEntry::Charts, [this]() -> QWidget * {
            return new ChartsWindow(m_windowCafe, m_prompter, *m_reportOutlet, m_clock.now().date(), m_window.get());
        });
    });
    m_shifts = std::make_unique<Shifts>(m_windowCafe, m_clock);
    m_window->provide(MenuEntry::Shifts, [this] {
        MainWindow *w = m_window.get();
        w->showSingle(MenuEntry::Shifts, [this, w] {
            auto *shifts = new ShiftWindow(
                *m_shifts, m_windowCafe, m_prompter, *m_reportOutlet, [w] { return w->roleName(); }, w);
            connect(w, &MainWindow::roleChanged, shifts, &ShiftWindow::refresh);
            return shifts;
        });
    });
}

// The customer desk: the customer window, new accounts and the card log.
void ConsoleController::wireCustomers()
{
    m_accounts = std::make_unique<CustomerAccounts>(m_customers, m_windowCafe, m_clock);
    if (!m_printTarget)
        m_printTarget = std::make_unique<SystemPrintTargetDialog>();
    MainWindow *w = m_window.get();
    w->provide(MenuEntry::ShowUsers, [this, w] {
        w->showSingle(MenuEntry::ShowUsers, [this, w]() -> QWidget * {
            auto *desk = new CustomerWindow(
                *m_accounts, m_prompter, m_clock, *m_printTarget, m_paths.printLog(), [w] { return w->roleName(); }, w);
            desk->setNewUserOpener([this] { return openNewUser(); });
            connect(w, &MainWindow::roleChanged, desk, &CustomerWindow::followRole);
            return desk;
        });
    });
    w->provide(MenuEntry::NewUser, [this] { openNewUser(); });
    w->provide(MenuEntry::PrinterHistory, [this, w] {
        w->showSingle(MenuEntry::PrinterHistory,
                      [this, w]() -> QWidget * { return new PrinterLogWindow(m_paths.printLog(), w); });
    });
}

// One "New User" for the menu and the customer window's Add New.
NewUserDialog *ConsoleController::openNewUser()
{
    MainWindow *w = m_window.get();
    return qobject_cast<NewUserDialog *>(w->showSingle(
        MenuEntry::NewUser,
        [this, w]() -> QWidget * {
            auto *dialog = new NewUserDialog(
                *m_accounts, m_prompter, [w] { return w->roleName(); }, w);
            connect(dialog, &NewUserDialog::finished, this, [w] {
                if (auto *customers = qobject_cast<CustomerWindow *>(w->openWindow(MenuEntry::ShowUsers)))
                    customers->getUsers();
            });
            return dialog;
        },
        Login::Role::Cashier));
}

void ConsoleController::setPrintTarget(std::unique_ptr<PrintTargetDialog> target) { m_printTarget = std::move(target); }

void ConsoleController::wireLogonReports()
{
    // Queued: the box opens from the event loop, not in the middle of a request.
    connect(
        m_logon.get(), &LogonPort::failedToServe, this,
        [this](const QString &cause) {
            m_prompter.tell(QStringLiteral("Customers cannot log on: the books could not be read or written.\n")
                                + cause,
                            Prompter::Icon::Critical);
        },
        Qt::QueuedConnection);
    // Many computers may guess at once: their notices share one box.
    connect(
        m_logon.get(), &LogonPort::guessing, this,
        [this](const QString &peer) {
            m_guessingNotices.tell(QStringLiteral("The computer at %1 keeps sending unknown PINs: its PINs are refused"
                                                  " for up to ten minutes, and up to a day while this goes on.")
                                       .arg(peer));
        },
        Qt::QueuedConnection);
    connect(
        m_logon.get(), &LogonPort::cafeGuessing, this,
        [this] {
            m_guessingNotices.tell(QStringLiteral("Unknown PINs keep coming from several computers: until they stop,"
                                                  " PINs are looked up only from computers that sent no unknown PIN in"
                                                  " the last day."));
        },
        Qt::QueuedConnection);
}

void ConsoleController::start(Login::Role role)
{
    m_window->applyLogin(role, false);
    startServices();
    m_window->load();
    buildComputers();
    m_engine->loadRateSettings();
    m_engine->restore([this] { return new TcpChannel(m_ports.command); }, m_lock.tookOverFromTheDead());
    // Books on a server: what the other counter writes shows here at once.
    m_engineCafe.watch(this, [this](const QString &table) { followOtherCounter(table); });
    m_customers.watch(this, [this](const QString &table) { followOtherCounter(table); });
    if (const Result<void> settled = m_accounts->settleSales(); !settled)
        m_problems << QStringLiteral("Time sales left unfinished by the last run could not be settled: ")
                          + settled.error();
    m_window->showAsLeft();
    // Bills left unconfirmed by the last run are offered once the map is up.
    QTimer::singleShot(0, this, [this] { m_engine->offerUnconfirmedBills(); });
    if (!m_problems.isEmpty()) {
        const QString text = m_problems.join(QStringLiteral("\n\n"));
        QTimer::singleShot(0, this, [this, text] { m_prompter.tell(text, Prompter::Icon::Warning); });
    }
}

void ConsoleController::followOtherCounter(const QString &table)
{
    const bool any = table.isEmpty(); // after a lost connection
    if (any || table == QLatin1String("kin") || table == QLatin1String("computers"))
        m_engine->followBooks();
    if (any || table == QLatin1String("computers"))
        if (auto *roster = qobject_cast<RosterWindow *>(m_window->openWindow(MenuEntry::Computers)))
            roster->getComputers();
    if (any || table == QLatin1String("users") || table == QLatin1String("credits"))
        if (auto *desk = qobject_cast<CustomerWindow *>(m_window->openWindow(MenuEntry::ShowUsers)))
            desk->followBooks();
}

void ConsoleController::startServices()
{
    // Either service failing leaves the console running without it.
    if (auto e = m_logon->listen(m_ports))
        m_problems << *e;
    if (auto e = m_broadcaster->bind(m_ports))
        m_problems << *e;
}

void ConsoleController::buildComputers()
{
    const auto rows = m_engineCafe.computers();
    if (!rows)
        return; // the window has told the operator already
    QList<ComputerRow> usable;
    for (const ComputerRow &r : *rows)
        if (m_window->map()->contains(int(r.aa)))
            usable << r;
    m_engine->loadRoster(usable);
    const SettingsFile settings = m_window->settings();
    m_poller->setIntervalMs(settings.intervalMs());
    for (const ComputerRow &r : usable)
        m_poller->addComputer(r.aa, r.ip);
}

void ConsoleController::showPicture(qint64 aa, Picture p)
{
    const QImage img = m_pictures.load(p);
    if (!img.isNull()) // a picture that cannot be read keeps the previous one
        m_window->map()->setPicture(int(aa), img);
}

void ConsoleController::popupCommand(MenuEntry entry, qint64 aa)
{
    Engine &e = *m_engine;
    e.setCurrentComputer(aa);
    const Slot *s = e.slot(aa);
    if (!s)
        return;
    const MenuEntries::Traits &traits = MenuEntries::info(entry).traits;
    if (traits.power) {
        e.power(aa, *traits.power);
    } else if (traits.minutes) {
        e.startPrepaid(aa, PopupRules::pretime(e.rateSettings().toltime, traits.minutes));
    } else if (entry == MenuEntry::CurrentStatus) {
        e.currentStatus(aa);
    } else if (entry == MenuEntry::Check) {
        m_poller->check(aa, s->name, s->address, s->state);
    } else if (entry == MenuEntry::Transfer) {
        auto *t = new TransferWindow(e, m_engineCafe, m_prompter, m_clock, m_ports, m_window.get());
        t->setAttribute(Qt::WA_DeleteOnClose);
        m_window->place(t, MenuEntries::kind(entry), int(aa));
        if (!t->openFor(aa))
            delete t;
    } else if (entry == MenuEntry::Message) {
        if (!m_message->isVisible())
            m_window->place(m_message, MenuEntries::kind(entry), int(aa));
        m_message->openForComputer(s->name, s->address);
    } else if (entry == MenuEntry::Extra) {
        openExtras(s->transaction, s->name, false);
    } else if (entry == MenuEntry::StopPrepaid) {
        e.stopPrepaid(aa);
    }
}

void ConsoleController::toAllComputers(const QString &question, const QByteArray &datagram)
{
    if (!m_prompter.ask(question))
        return;
    if (const auto sent = m_broadcaster->send(datagram); !sent)
        m_prompter.tell(QStringLiteral("Nothing was sent: ") + sent.error() + '.', Prompter::Icon::Critical);
}

void ConsoleController::wireCatalogue()
{
    MainWindow *w = m_window.get();
    w->provide(MenuEntry::Categories, [this, w] {
        w->showSingle(MenuEntry::Categories, [this, w] { return new CategoriesWindow(m_windowCafe, m_prompter, w); });
    });
    w->provide(MenuEntry::Products, [this, w] {
        w->showSingle(MenuEntry::Products, [this, w] { return new ProductsWindow(m_windowCafe, m_prompter, w); });
    });
    w->provide(MenuEntry::ShowPrices, [this, w] {
        w->showSingle(MenuEntry::ShowPrices, [this, w] { return new PriceListWindow(m_windowCafe, m_prompter, w); });
    });
    w->setPopupEntryBuilt(MenuEntry::Extra);
}

void ConsoleController::offerExtras(BillingWindow *bill)
{
    // A bill waiting its turn may have missed a sale: it is summed again.
    bill->refreshExtras();
    bill->setExtrasOpener([this](Bill &b) { openExtras(b.transaction(), b.computer(), true); });
}

void ConsoleController::openExtras(qint64 transaction, const QString &computer, bool fromBill)
{
    const auto caller = fromBill ? ExtraSale::Caller::Bill : ExtraSale::Caller::Console;
    m_window->showSingle(QStringLiteral("extra:%1").arg(transaction), [&]() -> QWidget * {
        auto *x = new ExtrasWindow(m_windowCafe, m_prompter, transaction, computer, caller, m_window.get());
        connect(&x->sale(), &ExtraSale::sold, this, &ConsoleController::extrasSold);
        return x;
    });
}

void ConsoleController::extrasSold(qint64 transaction)
{
    // Every bill of that charge shows the sale, whichever window made it, so
    // that a confirmed bill holds what the books hold.
    for (BillingWindow *b : m_window->findChildren<BillingWindow *>())
        if (b->transaction() == transaction)
            b->refreshExtras();
}
