// What the operator sees of a bill: every rate tab fits in its frame.
#include "CafeFixture.h"
#include "engine/BillingWindow.h"

#include <QTabBar>
#include <QtTest>

class TestBillingLook : public QObject
{
    Q_OBJECT
private slots:
    void rateTabsAreVisible()
    {
        QLocale::setDefault(QLocale(QLocale::Greek, QLocale::Greece));
        Cafe c;
        QPointer<BillingWindow> window;
        QObject::connect(c.engine.get(), &Engine::billOpened, c.engine.get(), [&](Bill *b) {
            window = new BillingWindow(b);
            window->show();
        });
        c.prompter.answer(true);
        c.engine->startnormal(c.pc1);
        QTRY_VERIFY(c.slot(c.pc1).state == SlotState::Normal && c.idle());
        c.clock.advance(40 * 60);
        c.prompter.answer(true);
        c.engine->startnormal(c.pc1);
        QTRY_VERIFY(!window.isNull());
        QVERIFY(QTest::qWaitForWindowExposed(window));
        auto *tabs = window->findChild<QTabBar *>(QStringLiteral("rates"));
        QCOMPARE(tabs->count(), 6);
        QVERIFY(tabs->isVisible());
        for (int i = 0; i < tabs->count(); ++i) {
            const QRect r = tabs->tabRect(i);
            QVERIFY2(tabs->rect().contains(r), qPrintable(QStringLiteral("%1: tab %2,%3 %4x%5 in bar %6x%7").arg(i).arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height()).arg(tabs->width()).arg(tabs->height())));
            QVERIFY(r.width() > tabs->fontMetrics().horizontalAdvance(tabs->tabText(i)));
        }
        // The frame around the strip holds it whole.
        const QRect inWindow(tabs->mapTo(window, QPoint(0, 0)), tabs->size());
        QVERIFY(window->rect().contains(inWindow));
        QVERIFY(tabs->parentWidget()->rect().contains(tabs->geometry()));
        const QString dir = qEnvironmentVariable("KORVANE_SCREENSHOTS");
        if (!dir.isEmpty())
            window->grab().save(dir + QStringLiteral("/bill.png"));
        delete window;
    }
};

QTEST_MAIN(TestBillingLook)
#include "tst_billinglook.moc"
