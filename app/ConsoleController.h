#pragma once

#include "admin/Login.h"
#include "console/MenuEntries.h"
#include "link/Ports.h"
#include "store/CafeStore.h"
#include "store/ConsoleLock.h"
#include "store/CustomerStore.h"
#include "store/Paths.h"
#include "store/PictureLoader.h"
#include "base/Prompter.h"

#include <QHash>
#include <QObject>
#include <QStringList>
#include <memory>
#include <optional>

class BillingWindow;
class Broadcaster;
class Clock;
class CustomerAccounts;
class Desktop;
class Engine;
class FileChooser;
class CustomerLogon;
class LogonPort;
class MainWindow;
class MessageWindow;
class NewUserDialog;
class Picker;
class PresencePoller;
class PrintTargetDialog;
class QTimer;
class ReportOutlet;
class Shifts;
class TcpChannel;

// Puts the console together: the books, the engine, the client link and the
// main window, and runs the start-up in its order once an operator has
// logged in. Everything the windows trigger reaches the logic here.
class ConsoleController : public QObject
{
    Q_OBJECT
public:
    ConsoleController(const Paths &paths, const Ports &ports, Prompter &prompter, const Clock &clock, Picker &picker,
                      QObject *parent = nullptr);
    ~ConsoleController() override;

    // Takes the folder's lock, held for the console's life: one console per
    // application folder. Refused, naming the folder, while another holds it.
    std::optional<QString> holdFolder();
    // Opens the three connections (the window's, the engine's, the customers'),
    // once the folder is held; an error text names the file and the cause.
    std::optional<QString> openBooks();

    // After a successful login: services, map, rate settings, role menus and
    // the restored time charges; then the window is shown.
    void start(Login::Role role);

    CafeStore &cafe() { return m_windowCafe; }
    MainWindow &window() { return *m_window; }
    Engine &engine() { return *m_engine; }
    PresencePoller &poller() { return *m_poller; }
    LogonPort &logon() { return *m_logon; }
    Broadcaster &broadcaster() { return *m_broadcaster; }
    // What could not be started (logon port, broadcast port), told once.
    QStringList serviceProblems() const { return m_problems; }
    MessageWindow &messageWindow() { return *m_message; }
    CustomerAccounts &accounts() { return *m_accounts; }
    // Where printed cards go; the system's printers unless a test sets one.
    void setPrintTarget(std::unique_ptr<PrintTargetDialog> target);

    // The browser, other programs and the file dialogs; tests give doubles.
    void setDesktop(Desktop &desktop) { m_desktop = &desktop; }
    void setFileChooser(FileChooser &files) { m_files = &files; }
    // Whether this console holds the folder's lock (the maintenance tool waits for it).
    bool holdsLock() const { return m_lock.held(); }

private:
    void wire();
    void wireCustomers();
    NewUserDialog *openNewUser();
    void wireReports();
    void wireLogonReports();
    void startServices();
    void buildComputers();
    void followOtherCounter(const QString &table);
    void showPicture(qint64 aa, Picture p);
    void popupCommand(MenuEntry entry, qint64 aa);
    void toAllComputers(const QString &question, const QByteArray &datagram);
    // The price list's menu entries and the sale of extras onto a charge.
    void wireCatalogue();
    void offerExtras(BillingWindow *bill);
    void openExtras(qint64 transaction, const QString &computer, bool fromBill);
    void extrasSold(qint64 transaction);
    void provideAdministration();
    void maintenance();

    Paths m_paths;
    Ports m_ports;
    Prompter &m_prompter;
    const Clock &m_clock;
    Picker &m_picker;
    NoticeQueue m_guessingNotices;

    CafeStore m_windowCafe;
    CafeStore m_engineCafe;
    CustomerStore m_customers;
    PictureLoader m_pictures;

    std::unique_ptr<TcpChannel> m_command;
    std::unique_ptr<Engine> m_engine;
    std::unique_ptr<PresencePoller> m_poller;
    std::unique_ptr<CustomerLogon> m_customerLogon; // before the port that asks it
    std::unique_ptr<LogonPort> m_logon;
    std::unique_ptr<Broadcaster> m_broadcaster;
    std::unique_ptr<MainWindow> m_window;
    MessageWindow *m_message = nullptr; // one, as the window is reused
    std::unique_ptr<CustomerAccounts> m_accounts;
    std::unique_ptr<Shifts> m_shifts;
    std::unique_ptr<PrintTargetDialog> m_printTarget;
    std::unique_ptr<ReportOutlet> m_reportOutlet;

    ConsoleLock m_lock;
    std::unique_ptr<Desktop> m_systemDesktop;
    std::unique_ptr<FileChooser> m_fileDialogs;
    Desktop *m_desktop = nullptr;
    FileChooser *m_files = nullptr;

    QStringList m_problems;
};
