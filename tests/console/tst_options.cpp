#include "ConsoleFixture.h"
#include "Files.h"
#include "console/OptionsWindow.h"

#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QRadioButton>
#include <QSignalSpy>
#include <QToolBar>

class TestOptions : public QObject
{
    Q_OBJECT
    TempHome *m_home = nullptr;
    ScriptedPrompter m_prompter;
    ScriptedPicker m_picker;

    QString path() const { return m_home->paths().settingsFile(); }

private slots:
    void initTestCase() { QVERIFY(isolateUserSettings()); }
    void init()
    {
        m_home = new TempHome;
        QVERIFY(m_home->ok());
        m_prompter.clear();
        // Two blocks, as an older program left them: a save writes one.
        const QStringList block{"yes", "10000", "yes", "2", "255", "DejaVu Sans", "10", "True", "False", "small"};
        QFile f(path());
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(((block + block).join("\r\n") + "\r\n").toLatin1());
    }
    void cleanup() { delete m_home; }

    void opensWithTheFile()
    {
        OptionsWindow w(path(), m_prompter, m_picker);
        QVERIFY(w.pollCheck()->isChecked() && w.toolbarCheck()->isChecked() && w.sideButton(2)->isChecked());
        QCOMPARE(w.secondsField()->text(), QString("10"));
        QCOMPARE(w.values(), QStringList({"255", "DejaVu Sans", "10", "True", "False", "small"}));
        // The preview is one map element in the file's look.
        QCOMPARE(w.preview()->label(1)->text(), QString("Computer"));
        QVERIFY(w.preview()->label(1)->styleSheet().contains("#ff0000"));
    }

    void saveChecks_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("message"); // empty: accepted
        QTest::addColumn<int>("icon");
        QTest::addColumn<int>("line2"); // milliseconds written
        const int critical = int(Prompter::Icon::Critical), numbers = int(Prompter::Icon::None);
        QTest::newRow("empty") << "" << QString("Check Time Was Not Entered") << critical << 0;
        QTest::newRow("letters") << "abc" << QString(" Only Numbers In This Field") << numbers << 0;
        QTest::newRow("not finite") << "inf" << QString(" Only Numbers In This Field") << numbers << 0;
        QTest::newRow("6.5") << "6.5" << QString("The Time You Entered Is To Small") << critical << 0;
        QTest::newRow("7 itself") << "7" << QString() << 0 << 7000;
        QTest::newRow("7.5") << "7.5" << QString() << 0 << 7500;
        QTest::newRow("7,5 with a comma") << "7,5" << QString() << 0 << 7500;
    }
    void saveChecks()
    {
        QFETCH(QString, typed);
        QFETCH(QString, message);
        QFETCH(int, icon);
        QFETCH(int, line2);
        const QByteArray before = fileBytes(path());
        OptionsWindow w(path(), m_prompter, m_picker);
        QSignalSpy saved(&w, &OptionsWindow::saved);
        w.show();
        w.secondsField()->clear();
        QTest::keyClicks(w.secondsField(), typed);
        QTest::mouseClick(w.saveButton(), Qt::LeftButton);
        if (!message.isEmpty()) {
            QCOMPARE(m_prompter.texts(), QStringList({message}));
            QCOMPARE(int(m_prompter.said().first().icon), icon);
            QCOMPARE(fileBytes(path()), before);
            QVERIFY(w.isVisible() && saved.isEmpty());
        } else {
            QVERIFY(m_prompter.said().isEmpty());
            QCOMPARE(fileBytes(path()), "yes\r\n" + QByteArray::number(line2)
                                            + "\r\nyes\r\n2\r\n255\r\nDejaVu Sans\r\n10\r\nTrue\r\nFalse\r\nsmall\r\n");
            QVERIFY(!w.isVisible() && saved.count() == 1);
        }
    }

    void choicesAreWritten()
    {
        OptionsWindow w(path(), m_prompter, m_picker);
        w.show();
        m_picker.m_colors.enqueue(QColor(0x10, 0x20, 0x30));
        QTest::mouseClick(w.colorButton(), Qt::LeftButton);
        QCOMPARE(w.values().at(0), QString::number(0x30 * 65536 + 0x20 * 256 + 0x10));
        QFont f("DejaVu Serif");
        f.setPointSize(20); // beyond what the names allow
        f.setItalic(true);
        m_picker.m_fonts.enqueue(f);
        QTest::mouseClick(w.fontButton(), Qt::LeftButton);
        QLabel *name = w.preview()->label(1);
        QCOMPARE(name->font().family(), QString("DejaVu Serif"));
        QVERIFY(name->font().italic());
        QVERIFY(name->styleSheet().contains("#102030"));
        QTest::mouseClick(w.bigButton(), Qt::LeftButton);
        QCOMPARE(w.preview()->icon(1)->width(), w.preview()->toPixelsX(930));
        QTest::mouseClick(w.fontButton(), Qt::LeftButton); // cancelled: nothing changes
        w.pollCheck()->click();
        w.toolbarCheck()->click();
        w.sideButton(4)->click();
        QTest::mouseClick(w.saveButton(), Qt::LeftButton);
        const SettingsFile s = SettingsFile::read(path());
        QCOMPARE(s.lines(),
                 QStringList({"no", "10000", "no", "4", "3153936", "DejaVu Serif", "13", "False", "True", "big"}));
    }

    void consoleFollowsAtOnce()
    {
        Desk d;
        QVERIFY(d.setSetting(SettingsFile::Key::ToolbarSide, "2"));
        MainWindow &main = d.open();
        QCOMPARE(int(main.toolBarArea(main.toolbar())), int(Qt::BottomToolBarArea));
        QSignalSpy polling(&main, &MainWindow::pollingChanged);

        main.action(MenuEntry::Misc)->trigger();
        OptionsWindow *w = main.findChild<OptionsWindow *>();
        QVERIFY(w);
        w->sideButton(4)->click(); // docked before any Save
        QCOMPARE(int(main.toolBarArea(main.toolbar())), int(Qt::RightToolBarArea));
        w->pollCheck()->click();
        w->toolbarCheck()->click();
        QTest::mouseClick(w->saveButton(), Qt::LeftButton);
        QVERIFY(!main.pollingOn());
        QCOMPARE(polling, (QList<QVariantList>{{false}}));
        // Line 2 waits for the next start.
        QVERIFY(!main.toolbar()->isVisible() && main.settings().text(SettingsFile::Key::Interval) == "10000");
    }
};

QTEST_MAIN(TestOptions)
#include "tst_options.moc"
