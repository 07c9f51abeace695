// The Motorola decoder's frame: what it rejects, its dispatch, the common tail, the
// hold-offs between receiver generations, and messages too short for their handler.

#include "gpslogtypedialog.h"
#include "gpsnavdialog.h"
#include "motorolamessages.h"
#include "testsupport.h"
#include "ui_mainwindow.h"

#include <QLabel>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Everything a handler may change, as one text.
QString StateDigest(const MainWindow& w)
{
    QString d;
    d += QString::asprintf("t=%lld h=%d,%d,%d,%d ", static_cast<long long>(w.receiverTime.ToMSecsSinceEpoch()),
                           w.messageHoldoff[0], w.messageHoldoff[1], w.messageHoldoff[2], w.messageHoldoff[3]);
    d += QString::asprintf("utc=%d leap=%d saw=%g/%d acc=%d ant=%d dgps=%d cfg=%d ", w.utcOffsetSecs,
                           w.leapSecondPending, w.sawtoothNs, w.bSawtoothValid, w.timeAccuracyNs,
                           w.antennaState, w.dgpsState, w.bConfigReplyPending);
    for (bool b : w.bAnswerReceived)
        d += b ? QLatin1Char('1') : QLatin1Char('0');
    for (bool b : w.bPpsAwaitingTime)
        d += b ? QLatin1Char('1') : QLatin1Char('0');
    for (const SatelliteRecord& s : w.satellites)
        d += QString::asprintf("|%d %d %d %d %d %d %d %d", s.prn, s.elevation, s.azimuth, s.signalLevel,
                               s.bTracked, s.channelState, s.statusFlags, s.elevationTrend);
    const GpsNavDialog& nav = *w.gpsNavDialog;
    d += QString::asprintf(" nav=%d %d %g %g %d %g %g %g %g %g %g %g", nav.GetNavMode(), nav.GetSatellitesUsed(),
                           nav.GetSpeed(), nav.GetHeading(), nav.GetFixStatus(), nav.gdop, nav.pdop, nav.hdop,
                           nav.vdop, nav.tdop, nav.currentLat, nav.currentAltGps);
    for (const QLabel* label : {w.ui->IDC_SATS_VISIBLE, w.ui->IDC_SATS_TRACKED, w.ui->IDC_SATS_STATUS_MESSAGE,
                                w.ui->IDC_SATS_DOPS_MESSAGE, w.ui->IDC_SATS_DGPS_MESSAGE, w.navigationBadge,
                                w.antennaBadge})
        d += QLatin1Char('|') + label->text();
    return d + w.configurationBuffer;
}

// A message of the id that its handler decodes: a valid time where it has one, a
// known leap-second state.
QByteArray DecodableMessage(const char* id)
{
    MotorolaMessage m(id);
    if (m.bytes.size() >= 15)
        m.DateTime(2021, 6, 1, 12, 0, 0);
    return m;
}

}  // namespace

class TestMotorolaFrame : public QObject
{
    Q_OBJECT

private slots:
    void init() { w = NewDecodingWindow(); }
    void cleanup() { w.reset(); }

    void rejectsWhatIsNoMotorolaMessage()
    {
        const QString before = StateDigest(*w);
        QCOMPARE(w->DecodeMotorolaBinary(QByteArray("@@H")), QString());
        QCOMPARE(w->DecodeMotorolaBinary(QByteArray()), QString());
        QCOMPARE(w->DecodeMotorolaBinary(QByteArray("$GPGGA,045000.00,5742.7698333,N*4E")), QString());
        QCOMPARE(w->DecodeMotorolaBinary(QByteArray("@#Ha0000")), QString());
        QCOMPARE(StateDigest(*w), before);
    }

    void idsWithoutHandlerShowTheirHead()
    {
        const QString before = StateDigest(*w);
        QCOMPARE(w->DecodeMotorolaBinary(QByteArray("@@Zz\x01\x02", 6)), BareHead("Zz"));
        QCOMPARE(w->DecodeMotorolaBinary(MotorolaMessage("Dq", 10)), BareHead("Dq"));
        QCOMPARE(w->DecodeMotorolaBinary(MotorolaMessage("Bc")), BareHead("Bc"));
        QCOMPARE(w->DecodeMotorolaBinary(MotorolaMessage("Ha", 4)), BareHead("Ha"));
        QCOMPARE(w->DecodeMotorolaBinary(QByteArray("@@\xF0\x80", 4)), QStringLiteral("@@\u00F0\u0080 ...\n"));
        QCOMPARE(StateDigest(*w), before);
    }

    // The framer hands every id over at one length; anything shorter is never read.
    void messagesTooShortForTheirHandler()
    {
        for (const char* id : kHandledMotorolaIds) {
            auto fresh = NewDecodingWindow();
            fresh->bGpsRawDataVisible = true;
            const QString before = StateDigest(*fresh);
            const QByteArray full = DecodableMessage(id);
            for (int length = 4; length < full.size(); ++length) {
                const ExactBuffer cut(full.left(length));
                QCOMPARE(fresh->DecodeMotorolaBinary(cut.Bytes()), BareHead(id));
            }
            QVERIFY2(StateDigest(*fresh) == before, id);
            const ExactBuffer whole(full);
            const QString text = fresh->DecodeMotorolaBinary(whole.Bytes());
            QVERIFY2(text != BareHead(id) && text.endsWith(QLatin1Char('\n')), id);
        }
    }

    void theEightChannelDopsOnlyAtTheirOwnLength()
    {
        for (int length : {67, 69, 80}) {
            const ExactBuffer ek(MotorolaMessage("Ek", length).U16(6, 35));
            QCOMPARE(w->DecodeMotorolaBinary(ek.Bytes()), BareHead("Ek"));
        }
        QCOMPARE(w->gpsNavDialog->pdop, 0.0);
        const ExactBuffer ek(MotorolaMessage("Ek", 68).U16(6, 35));
        QVERIFY(w->DecodeMotorolaBinary(ek.Bytes()).startsWith("@@Ek GDOP"));
        QCOMPARE(w->gpsNavDialog->pdop, 3.5);
    }

    // Whatever the payload, a handled id yields its line and stays inside its bytes.
    void randomPayloadsOfEveryHandledId()
    {
        QRandomGenerator random(20240501);
        const int models[] = {24, 3, 6, 9, 11};
        for (const char* id : kHandledMotorolaIds) {
            for (int round = 0; round < 60; ++round) {
                receiverInfo.receiverModel = models[round % 5];
                w->bGpsRawDataVisible = round % 2 == 0;
                w->bPpsAwaitingTime[0] = round % 3 == 0;
                w->dgpsState = round % 4 == 0 ? 1 : 0;
                for (int& holdoff : w->messageHoldoff)
                    holdoff = 0;
                MotorolaMessage m(id);
                for (int i = 4; i < m.bytes.size(); ++i)
                    m.U8(i, random.bounded(256));
                const ExactBuffer message(m);
                const QString text = w->DecodeMotorolaBinary(message.Bytes());
                QVERIFY2(text.startsWith(QStringLiteral("@@") + QLatin1String(id)) &&
                             text.endsWith(QLatin1Char('\n')),
                         qPrintable(text));
            }
        }
    }

    void newerGenerationsHoldTheOlderOff()
    {
        const QByteArray ha = MotorolaMessage("Ha").DateTime(2021, 6, 1, 12, 0, 0).U8(56, 7);
        const QByteArray ea = MotorolaMessage("Ea").DateTime(2021, 6, 1, 12, 0, 3).U8(39, 5);
        const QByteArray ba = MotorolaMessage("Ba").DateTime(2021, 6, 1, 12, 0, 3).U8(39, 4);
        w->DecodeMotorolaBinary(ha);
        QCOMPARE(w->messageHoldoff[0], 5);
        QVERIFY(w->bAnswerReceived[MainWindow::AnswerHa]);

        for (int tick = 0; tick < 3; ++tick)
            w->OnClockTick();
        const QString before = StateDigest(*w);
        QCOMPARE(w->DecodeMotorolaBinary(ea), BareHead("Ea"));
        QCOMPARE(w->DecodeMotorolaBinary(ba), BareHead("Ba"));
        QCOMPARE(StateDigest(*w), before);

        for (int tick = 3; tick < 6; ++tick)
            w->OnClockTick();
        QCOMPARE(w->messageHoldoff[0], 0);
        w->DecodeMotorolaBinary(ea);
        QCOMPARE(w->gpsNavDialog->GetSatellitesUsed(), 5);
        QCOMPARE(w->messageHoldoff[1], 5);
        QVERIFY(w->bAnswerReceived[MainWindow::AnswerEa]);
        // The 8-channel message now holds the 6-channel one off.
        QCOMPARE(w->DecodeMotorolaBinary(ba), BareHead("Ba"));
        for (int tick = 0; tick < 5; ++tick)
            w->OnClockTick();
        w->DecodeMotorolaBinary(ba);
        QCOMPARE(w->gpsNavDialog->GetSatellitesUsed(), 4);
        QCOMPARE(w->messageHoldoff[2], 5);
        QVERIFY(w->bAnswerReceived[MainWindow::AnswerBa]);
    }

    void withoutTicksTheHoldOffNeverEnds()
    {
        w->DecodeMotorolaBinary(MotorolaMessage("Ha").DateTime(2021, 6, 1, 12, 0, 0));
        for (int k = 0; k < 20; ++k) {
            QCOMPARE(w->DecodeMotorolaBinary(MotorolaMessage("Ea").DateTime(2021, 6, 1, 12, 0, k)), BareHead("Ea"));
            QCOMPARE(w->DecodeMotorolaBinary(MotorolaMessage("Ba").DateTime(2021, 6, 1, 12, 0, k)), BareHead("Ba"));
        }
    }

    void unreadPositionsStillUpdateTheModel()
    {
        MotorolaMessage ha("Ha");
        ha.DateTime(2021, 6, 1, 12, 0, 0).S32(15, 3600000 * 45).S32(19, -3600000 * 2).S32(23, 10000);
        ha.U8(56, 1).U8(57, 17).U8(58, 8).U8(59, 60).U16(61, 0x0080);
        QCOMPARE(w->DecodeMotorolaBinary(ha), BareHead("Ha"));
        QCOMPARE(w->receiverTime.ToUtcString("hh:mm:ss"), QStringLiteral("12:00:01"));
        QCOMPARE(w->gpsNavDialog->currentLat, 45.0);
        QCOMPARE(w->gpsNavDialog->currentLon, -2.0);
        QVERIFY(w->satellites[17].bTracked);
        QCOMPARE(w->satellites[17].signalLevel, 40);
        // "@@Hr" only prints.
        QCOMPARE(w->DecodeMotorolaBinary(MotorolaMessage("Hr")), BareHead("Hr"));
    }

    void pvtLinesGoToAPvtLog()
    {
        QTemporaryDir dir;
        w->gpsLogFile.setFileName(dir.filePath("gps.csv"));
        QVERIFY(w->gpsLogFile.open(QIODevice::WriteOnly));
        w->bGpsRawDataVisible = true;
        const QByteArray ha = MotorolaMessage("Ha").DateTime(2021, 6, 1, 12, 0, 0).Text(145, "ABCDEF");

        w->gpsLogTypeDialog->gpsLogType = 0;
        w->DecodeMotorolaBinary(ha);
        w->gpsLogFile.flush();
        QCOMPARE(w->gpsLogFile.size(), 0);

        w->gpsLogTypeDialog->gpsLogType = 2;
        const QString text = w->DecodeMotorolaBinary(ha);
        w->gpsLogFile.close();
        QVERIFY(text.startsWith("@@Ha, 06/01/2021, 12:00:00.000000000, "));
        QFile log(w->gpsLogFile.fileName());
        QVERIFY(log.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(log.readAll()), text.mid(6).chopped(1));

        // The channel lines are only shown.
        QVERIFY(w->gpsLogFile.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QVERIFY(w->DecodeMotorolaBinary(MotorolaMessage("Eg")).startsWith("@@Eg, "));
        w->gpsLogFile.flush();
        QCOMPARE(w->gpsLogFile.size(), 0);
    }

private:
    std::unique_ptr<MainWindow> w;
};

HORALUX_TEST(TestMotorolaFrame);
#include "tst_motorolaframe.moc"
