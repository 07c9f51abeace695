// Which receiver times set the PC clock: the second that a ZDA gave, times that arrive
// anywhere within their second, creeping and jumping times, and leap seconds.

#include "../decode/decodetests.h"
#include "../rxconfig/widgetlookup.h"
#include "builddate.h"
#include "fakesystemclock.h"
#include "modalwatcher.h"
#include "pctime.h"
#include "setpcclockdialog.h"
#include "ui_mainwindow.h"

#include <QComboBox>
#include <QPushButton>

namespace {

QDateTime At(const QDate& day, int h, int m, int s) { return QDateTime(day, QTime(h, m, s), Qt::UTC); }

QByteArray Zda(const QDateTime& t, int second, const QString& date)
{
    return Sentence(QString::asprintf("$GPZDA,%02d%02d%02d.00,%s,00,00", t.time().hour(), t.time().minute(), second,
                                      qPrintable(date))
                        .toLatin1());
}

QByteArray Rmc(const QDateTime& t)
{
    return Sentence(("$GPRMC," + t.toString("hhmmss") + ",A,3238.9148,N,10822.4466,W,005.3,247.1," +
                     t.toString("ddMMyy") + ",009.3,E")
                        .toLatin1());
}

}  // namespace

class TestReceiverTime : public QObject
{
    Q_OBJECT

    std::unique_ptr<MainWindow> w;
    int64_t steadyMs = 0;

    // The mode set up as stored; with no 1PPS line only both overrides let a time
    // message alone set the clock.
    void Apply(int mode)
    {
        QSettings().setValue("SetPcClockDialog/Time Sync Mode", mode);
        w->ApplyPcClockSyncSettings();
        w->setPcClockDialog->bOverrideTraim = w->setPcClockDialog->bOverrideIntegrity = true;
    }

    QString Said() const { return w->clockGuardLabel->isHidden() ? QString() : w->clockGuardLabel->toolTip(); }

private slots:
    void init()
    {
        FakeSystemClock::Reset();
        BuildDate::SetDay(QDate(2024, 1, 1));
        w = NewDecodingWindow(GpsPortModeGenericNmea);
        w->bOutOfLock = false;
        std::fill(std::begin(w->bPpsAwaitingTime), std::end(w->bPpsAwaitingTime), false);
        steadyMs = 0;
        w->receiverTimeCheck.clockMs = [this] { return steadyMs; };
    }

    void cleanup() { w.reset(), PcTime::SetFixedUtc(QDateTime()), BuildDate::SetDay(QDate()); }

    // No 1PPS line, every second: Z a ZDA, 0 one of day 0, M of month 13, E with an
    // empty day, R an RMC, all of the second. The ZDA's second is its own: whether it
    // gave the time or not, the next second's RMC gives it when no ZDA does.
    void theSecondThatAZdaGave_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<int>("sets");
        const QString good = "ZR ZR ";
        QTest::newRow("ZDA and RMC each second") << good + QString("ZR ").repeated(10) << 11;
        QTest::newRow("ZDA day 0 with an RMC") << good + QString("0R ").repeated(10) << 11;
        QTest::newRow("ZDA month 13 with an RMC") << good + QString("MR ").repeated(10) << 11;
        QTest::newRow("ZDA empty day with an RMC") << good + QString("ER ").repeated(10) << 11;
        QTest::newRow("ZDA stops, RMC goes on") << good + QString("R ").repeated(18) << 19;
    }
    void theSecondThatAZdaGave()
    {
        QFETCH(QString, script);
        QFETCH(int, sets);
        Apply(2);
        const QStringList seconds = script.split(' ', Qt::SkipEmptyParts);
        for (int k = 0; k < seconds.size(); ++k) {
            const QDateTime t = At(QDate(2024, 3, 1), 12, 0, 0).addSecs(k);
            steadyMs = k * 1000 + 150;
            // The PC clock is 100 ms further ahead at each message: the error measured
            // tells which message drove the second.
            for (int m = 0; m < seconds[k].size(); ++m) {
                const QChar c = seconds[k][m];
                const QString date = c == '0' ? "00,03,2024" : c == 'M' ? "01,13,2024" : c == 'E' ? ",03,2024" : "01,03,2024";
                PcTime::SetFixedUtc(t.addMSecs(100 * (m + 1)));
                w->DecodeNmeaSentence(c == 'R' ? Rmc(t) : Zda(t, t.time().second(), date));
            }
            QCOMPARE(w->receiverTime.dateTime, t.addSecs(1));
            const qsizetype driver = seconds[k].contains('Z') ? seconds[k].indexOf('Z') : seconds[k].indexOf('R');
            QCOMPARE(qint64(w->pcClockOffsetMs.value_or(-1)), 100 * (driver + 1));
        }
        QCOMPARE(FakeSystemClock::Get().setTimes.size(), qsizetype(sets));
    }

    // ZDA times one a second in the given mode, after a tick only in the rows named so.
    // Each message is given as the ms after its second at which the steady clock sees
    // it, and the seconds that its time is off (x: second 60). Sets are listed as ISO
    // times; the note's head after the last message follows.
    void timesThatFollow_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QDateTime>("start");
        QTest::addColumn<QString>("messages");
        QTest::addColumn<int>("notice");  // the receiver's leap second notice
        QTest::addColumn<QString>("sets");
        QTest::addColumn<QString>("note");
        const QDateTime noon = At(QDate(2024, 3, 1), 12, 0, 0);
        const QDateTime year2000 = At(QDate(2000, 12, 31), 23, 59, 55);
        const QString jumped = "Receiver time out of step";
        QString alternating, drifting, dayAhead, creeping, everySecond, everyOther;
        for (int k = 0; k < 20; ++k) {
            alternating += k >= 15 ? "" : k % 2 ? "680 " : "150 ";
            drifting += k >= 15 ? "" : QString::number(k * 100) + ' ';
            dayAhead += k % 2 ? "0@86400 " : "0 ";
            everySecond += k && k < 15 ? noon.addSecs(k).toString("hh:mm:ss ") : QString();
            everyOther += k && k % 2 == 0 ? noon.addSecs(k).toString("hh:mm:ss ") : QString();
        }
        for (int k = 0; k < 12; ++k)
            creeping += QString::number(k * 400) + ' ';
        QTest::newRow("arrival at 0.15 and 0.68 s") << 2 << noon << alternating << -1 << everySecond << "";
        QTest::newRow("arrival drifting 0.1 s a message") << 2 << noon << drifting << -1 << everySecond << "";
        QTest::newRow("a day ahead every other second") << 2 << noon << dayAhead << -1 << everyOther << "Receiver time";
        QTest::newRow("a stale first time") << 2 << noon << "0@-1 0 0 0 0" << -1 << "12:00:02 12:00:03 12:00:04" << "";
        QTest::newRow("a creeping time") << 2 << noon << creeping << -1 << "12:00:01 12:00:02" << jumped;
        QTest::newRow("glitches of 1 h, 10 s and 2 s")
            << 2 << noon << "0 0 0 0 0@3600 0 0@10 0 0@2 0" << -1 << "12:00:01 12:00:02 12:00:03 12:00:05 12:00:07 12:00:09"
            << "";
        QString minute;
        for (int k = 0; k < 70; ++k)
            minute += k == 5 || k == 65 ? "600 " : "0 ";
        QTest::newRow("a late :00 in minute mode") << 3 << noon.addSecs(-5) << minute << -1 << "12:00:00 12:01:00" << "";
        QTest::newRow("a :00 over a second late") << 3 << noon.addSecs(-5) << QString(minute).replace("600", "1200") << -1
                                                 << "12:00:01 12:01:01" << "";
        const QString leap = "0 0 0 0 0 x 0 0 0 0 0 0 0 0 0 0 0";
        QTest::newRow("a leap second at the end of December")
            << 5 << year2000 << leap << -1 << "2001-01-01T00:00:00" << "";
        // Unannounced, a tick sets the clock from the time before it moved on: at second 60, one
        // early, which the next tick mends.
        QTest::newRow("a leap second, ticks")
            << 5 << year2000 << leap << -1 << "2001-01-01T00:00:00 2001-01-01T00:00:01" << "";
        QTest::newRow("an announced leap second, ticks")
            << 5 << year2000 << leap << 1 << "2001-01-01T00:00:01" << "";
        QTest::newRow("a leap second, clock setting off") << 0 << year2000 << leap << -1 << "" << "";
        QTest::newRow("leap second, the notice says none")
            << 5 << year2000 << leap << 0 << "2001-01-01T00:00:05" << "";
        QTest::newRow("one second short mid-month")
            << 5 << year2000.addDays(-15) << leap << 1 << "2000-12-17T00:00:05" << "";
        QTest::newRow("a second taken out, by notice") << 5 << year2000 << "0 0 0 0 0@1 0@1 0@1" << 2 << "2001-01-01T00:00:00" << "";
        QTest::newRow("jumps before the build date") << 2 << year2000 << "0 0 0 0@5" << -1 << "" << "GPS week rollover?";
    }
    void timesThatFollow()
    {
        QFETCH(int, mode);
        QFETCH(QDateTime, start);
        QFETCH(QString, messages);
        QFETCH(int, notice);
        QFETCH(QString, sets);
        QFETCH(QString, note);
        BuildDate::SetDay(note.startsWith("GPS") ? QDate(2024, 3, 1) : start.date().addDays(-30));
        Apply(mode);
        w->leapSecondPending = notice;
        const QStringList list = messages.split(' ', Qt::SkipEmptyParts);
        QStringList expected;
        for (const QString& set : sets.split(' ', Qt::SkipEmptyParts))
            expected << (set.contains('T') ? set : start.date().toString(Qt::ISODate) + 'T' + set) + 'Z';
        for (int k = 0; k < list.size(); ++k) {
            QDateTime t = start.addSecs(k);
            steadyMs = k * 1000 + list[k].section('@', 0, 0).remove('x').toInt();
            const bool bSecond60 = list[k] == "x";
            // After second 60 the receiver's count goes on one second short.
            if (list.mid(0, k).contains("x"))
                t = t.addSecs(-1);
            t = t.addSecs(list[k].section('@', 1).toInt());
            PcTime::SetFixedUtc(t);
            if (QString(QTest::currentDataTag()).endsWith("ticks"))
                w->OnClockTick();
            w->DecodeNmeaSentence(bSecond60 ? Zda(t.addSecs(-1), 60, t.addSecs(-1).toString("dd,MM,yyyy"))
                                            : Zda(t, t.time().second(), t.toString("dd,MM,yyyy")));
        }
        QStringList made;
        for (const QDateTime& set : FakeSystemClock::Get().setTimes)
            made << set.toString(Qt::ISODate);
        QCOMPARE(made, expected);
        QVERIFY2(note.isEmpty() ? Said().isEmpty() : Said().startsWith(note), qPrintable(Said()));
    }

    // Another mode forgets why the last receiver's time was refused: a tick after it
    // finds no note to keep.
    void aModeChangeClearsTheDateNote()
    {
        w = NewDecodingWindow(GpsPortModeMotorolaBinaryRxOnly);
        w->receiverTimeCheck.clockMs = [this] { return steadyMs; };
        Apply(2);
        QTest::ignoreMessage(QtDebugMsg, "WARNING: Illegal date or time decoding GPZDA.");
        for (int k = 0; k < 3; ++k) {
            steadyMs = k * 1000;
            w->OnClockTick();
            w->DecodeNmeaSentence(Zda(At(QDate(2024, 3, 1), 12, 0, k), k, "01,03,0089"));
        }
        QVERIFY(Said().startsWith("Receiver date out of range"));
        ModalWatcher watcher;
        watcher.SetDialogHandler([](QDialog* d) {
            Child<QComboBox>(d, "GpsModeList")->setCurrentText("Generic NMEA");
            Child<QPushButton>(d, "OK")->click();
        });
        w->ui->actionSet_GPS_Receiver_Interface->trigger();
        w->OnClockTick();
        QCOMPARE(Said(), QString());
    }
};

HORALUX_TEST(TestReceiverTime);
#include "tst_receivertime.moc"
