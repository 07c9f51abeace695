// The binary field readers, the GPS calendar, and the Motorola decoder's frame: what it
// rejects, messages too short for their handler, the common tail, the text gates and
// the hold-offs between receiver generations.

#include "binaryfields.h"
#include "decodetests.h"
#include "gpslogtypedialog.h"

#include <QTemporaryDir>

namespace {

QString Calendar(unsigned week, int seconds)
{
    uint8_t s = 0, mi = 0, h = 0, d = 0, mo = 0;
    int y = 0;
    MainWindow::GpsWeekSecondsToCalendar(week, seconds, s, mi, h, d, mo, y);
    return QString::asprintf("%04d-%02d-%02d %02d:%02d:%02d", y, mo, d, h, mi, s);
}

}  // namespace

class TestMotorolaFrame : public QObject
{
    Q_OBJECT

private slots:
    void init() { w = NewDecodingWindow(); }
    void cleanup() { w.reset(); }

    void fieldReaders()
    {
        const QByteArray minusTwo("\xFF\xFF\xFF\xFE", 4);
        QCOMPARE(ReadBigEndianInt32AsDouble(minusTwo, 0), -2.0);
        QCOMPARE(MainWindow::GetMotorolaUInt32(minusTwo, 0), 4294967294u);
        QCOMPARE(MainWindow::GetMotorolaUInt24(QByteArray("\x01\x02\x03"), 0), 66051u);
        QCOMPARE(MainWindow::GetMotorolaSecondsNanoseconds(QByteArray("\x3B\x00\x00\x01\xF4", 5), 0), 59.0000005);
        QCOMPARE(MainWindow::GetMotorolaSecondsNanoseconds(QByteArray(5, '\xFF'), 0), -1.000000001);
        QCOMPARE(ReadLittleEndianUInt32(QByteArray("\x78\x56\x34\x12"), 0), 305419896u);
        // A field that does not lie wholly inside the message reads 0.
        const QByteArray three("\x11\x22\x33");
        QCOMPARE(MainWindow::GetMotorolaUInt32(three, 0), 0u);
        QCOMPARE(ReadBigEndianUInt16(three, 2), uint16_t(0));
        QCOMPARE(ReadUInt8(three, -1), uint8_t(0));
        QCOMPARE(ReadLittleEndianUInt32(three, 0), 0u);
        QCOMPARE(ReadBigEndianInt32AsDouble(three, 0x7FFFFFFF), 0.0);
        QCOMPARE(MainWindow::GetMotorolaSecondsNanoseconds(three, 2), 51.0);
    }

    void gpsCalendar()
    {
        QCOMPARE(Calendar(0, -1), QStringLiteral("1980-01-05 23:59:59"));
        // Four-year cycles agree with the Gregorian calendar until 2100.
        const QDateTime epoch(QDate(1980, 1, 6), QTime(0, 0), Qt::UTC);
        for (unsigned week = 0; week < 6000; week += 7) {
            for (int seconds : {0, 302399, 604799}) {
                const QDateTime expected = epoch.addSecs(qint64(week) * 604800 + seconds);
                if (expected.date().year() < 2100)
                    QCOMPARE(Calendar(week, seconds), expected.toString("yyyy-MM-dd hh:mm:ss"));
            }
        }
    }

    void messagesWithoutHandler()
    {
        const QString before = StateDigest(*w);
        for (const char* rejected : {"@@H", "", "$GPGGA,045000.00,5742.7698333,N*4E", "@#Ha0000"})
            QCOMPARE(w->DecodeMotorolaBinary(QByteArray(rejected)), QString());
        QCOMPARE(w->DecodeMotorolaBinary(QByteArray("@@Zz\x01\x02", 6)), BareHead("Zz"));
        QCOMPARE(w->DecodeMotorolaBinary(MotorolaMessage("Dq", 10)), BareHead("Dq"));
        QCOMPARE(w->DecodeMotorolaBinary(MotorolaMessage("Bc")), BareHead("Bc"));
        // The 8-channel DOPs share their id with messages of other lengths.
        for (int length : {69, 80})
            QCOMPARE(w->DecodeMotorolaBinary(MotorolaMessage("Ek", length).U16(6, 35)), BareHead("Ek"));
        QCOMPARE(StateDigest(*w), before);
    }

    // A message shorter than its handler needs is an id without a handler: nothing is
    // read past its end (the buffer ends there, for the address sanitizer).
    void messagesTooShortForTheirHandler()
    {
        for (const char* id : kHandledMotorolaIds) {
            w = NewDecodingWindow();
            w->bGpsRawDataVisible = true;
            const QString before = StateDigest(*w);
            MotorolaMessage m(id);
            if (m.bytes.size() >= 15)
                m.DateTime(2021, 6, 1, 12, 0, 0);
            for (int length = 4; length < m.bytes.size(); ++length)
                QCOMPARE(w->DecodeMotorolaBinary(ExactBuffer(m.bytes.left(length)).Bytes()), BareHead(id));
            QVERIFY2(StateDigest(*w) == before, id);
            QVERIFY2(w->DecodeMotorolaBinary(ExactBuffer(m).Bytes()) != BareHead(id), id);
        }
    }

    // A newer receiver generation's position message holds the older ones off for five
    // ticks; without ticks, for ever.
    void newerGenerationsHoldTheOlderOff()
    {
        const QByteArray ha = MotorolaMessage("Ha").DateTime(2021, 6, 1, 12, 0, 0).U8(56, 7);
        const QByteArray ea = MotorolaMessage("Ea").DateTime(2021, 6, 1, 12, 0, 3).U8(39, 5);
        const QByteArray ba = MotorolaMessage("Ba").DateTime(2021, 6, 1, 12, 0, 3).U8(39, 4);
        w->DecodeMotorolaBinary(ha);
        for (int k = 0; k < 10; ++k)
            QCOMPARE(w->DecodeMotorolaBinary(ea) + w->DecodeMotorolaBinary(ba), BareHead("Ea") + BareHead("Ba"));
        for (int tick = 0; tick < 3; ++tick)
            w->OnClockTick();
        const QString before = StateDigest(*w);
        QCOMPARE(w->DecodeMotorolaBinary(ea), BareHead("Ea"));
        QCOMPARE(StateDigest(*w), before);

        for (int tick = 3; tick < 6; ++tick)
            w->OnClockTick();
        w->DecodeMotorolaBinary(ea);
        QCOMPARE(w->gpsNavDialog->GetSatellitesUsed(), 5);
        QVERIFY(w->bAnswerReceived[MainWindow::AnswerEa]);
        QCOMPARE(w->DecodeMotorolaBinary(ba), BareHead("Ba"));
        for (int tick = 0; tick < 5; ++tick)
            w->OnClockTick();
        w->DecodeMotorolaBinary(ba);
        QCOMPARE(w->gpsNavDialog->GetSatellitesUsed(), 4);
        QCOMPARE(w->messageHoldoff[2], 5);
        QVERIFY(w->bAnswerReceived[MainWindow::AnswerBa]);
    }

    // Lines are built only while the raw-data window is open or the second is logged;
    // the data model is updated all the same. A PVT log gets the position lines.
    void linesOnlyWhileSomeoneReadsThem()
    {
        QTemporaryDir dir;
        w->gpsLogFile.setFileName(dir.filePath("gps.csv"));
        QVERIFY(w->gpsLogFile.open(QIODevice::WriteOnly));
        w->gpsLogTypeDialog->gpsLogType = 2;
        for (const char* id : {"Ba", "Ea", "Hb", "Hr", "Bg", "Eg"})
            QCOMPARE(w->DecodeMotorolaBinary(MotorolaMessage(id)), BareHead(id));
        MotorolaMessage ha("Ha");
        ha.DateTime(2021, 6, 1, 12, 0, 0).S32(15, 3600000 * 45).S32(19, -3600000 * 2);
        ha.U8(56, 1).U8(57, 17).U8(58, 8).U8(59, 60).U16(61, 0x0080);
        // A 1PPS tick waits for each time message, so the log step ran with the tick.
        w->bPpsAwaitingTime[0] = true;
        QCOMPARE(w->DecodeMotorolaBinary(ha), BareHead("Ha"));
        QCOMPARE(w->receiverTime.ToUtcString("hh:mm:ss"), QStringLiteral("12:00:01"));
        QCOMPARE(w->gpsNavDialog->currentLon, -2.0);
        QCOMPARE(Sat(w->satellites[17]), QStringLiteral("17 0/0 L40 +8 0x80 T0"));
        w->gpsLogFile.flush();
        QCOMPARE(w->gpsLogFile.size(), 0);

        w->bLogThisSecond = w->bPpsAwaitingTime[0] = true;
        const QString text = w->DecodeMotorolaBinary(ha);
        QVERIFY(text.startsWith("@@Ha, 06/01/2021, 12:00:00.000000000, "));
        QVERIFY(w->DecodeMotorolaBinary(MotorolaMessage("Eg")).startsWith("@@Eg, "));  // shown only
        w->gpsLogTypeDialog->gpsLogType = 0;
        w->bPpsAwaitingTime[0] = true;
        w->DecodeMotorolaBinary(ha);  // not a PVT log
        w->gpsLogFile.close();
        QFile log(w->gpsLogFile.fileName());
        QVERIFY(log.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(log.readAll()), text.mid(6));  // the line with its LF
    }

private:
    std::unique_ptr<MainWindow> w;
};

HORALUX_TEST(TestMotorolaFrame);
#include "tst_motorolaframe.moc"
