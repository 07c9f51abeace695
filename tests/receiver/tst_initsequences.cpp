#include "framebuilders.h"
#include "gpsrxdialog.h"
#include "initsequences.h"
#include "mainwindow.h"
#include "pctime.h"
#include "receiverinfo.h"
#include "socatpair.h"
#include "testsupport.h"

#include <QLabel>
#include <QSerialPort>
#include <QSettings>
#include <QTest>

Q_DECLARE_METATYPE(ReceiverSetup)

namespace {

using namespace InitSequences;

// A command as a test reads it: "Ax 0001" (Motorola id and payload) or "UBX 0631 ..."
// (class, id and payload), with " wait" when it waits for an answer.
QString Describe(const ReceiverCommand& command)
{
    const QByteArray& b = command.bytes;
    QString text;
    if (b.startsWith("@@")) {
        text = QString::fromLatin1(b.mid(2, 2) + ' ' + b.mid(4).toHex());
    } else {
        const int length = b.size() >= 6 ? uint8_t(b[4]) | uint8_t(b[5]) << 8 : -1;
        text = QString::fromLatin1("UBX " + b.mid(2, 2).toHex() + ' ' + b.mid(6).toHex());
        if (length != b.size() - 6)
            text += QStringLiteral(" (bad length)");
    }
    if (command.pauseBeforeMs || command.pauseAfterMs)
        text += QStringLiteral(" pause %1/%2").arg(command.pauseBeforeMs).arg(command.pauseAfterMs);
    return command.bWait ? text + QStringLiteral(" wait") : text;
}

QStringList Describe(const ReceiverCommandList& list)
{
    QStringList lines;
    std::transform(list.begin(), list.end(), std::back_inserter(lines), [](const auto& c) { return Describe(c); });
    return lines;
}

QString State(const ReceiverSetup& s)
{
    auto text = [](const auto& value) { return value ? QString::number(*value) : QStringLiteral("-"); };
    return QStringLiteral("offsets %1/%2/%3 traim %4 reply %5")
        .arg(text(s.epochOffsetMs), text(s.ppsOffsetNs), text(s.cableDelayNsSent))
        .arg(QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(s.traimParameters.data()), 5).toHex()))
        .arg(s.bConfigReplyPending);
}

ReceiverSetup Motorola(int model, int channels)
{
    ReceiverSetup s;
    s.receiverModel = model;
    s.channelCount = s.channelCountReported = channels;
    s.pcUtc = QDateTime(QDate(2023, 12, 31), QTime(23, 59, 58), Qt::UTC);
    return s;
}

ReceiverSetup Ublox(int mode = 9)
{
    ReceiverSetup s = Motorola(19, 16);
    s.portMode = mode;
    return s;
}

ReceiverSetup WithTiming(ReceiverSetup s, double offsetUs, double cableNs, bool bTraim = false,
                         double limitNs = 0.0, bool bConditioned = false, int duration = 0)
{
    s.ppsOffsetUs = offsetUs;
    s.cableDelayNs = cableNs;
    s.bHasTraim = bTraim;
    s.traimLimitNs = limitNs;
    s.bTraimConditioned = bConditioned;
    s.rx.ppsDuration = duration;
    return s;
}

// At 52.5 degrees north, 1.5 west and the given height above the ellipsoid.
ReceiverSetup At(ReceiverSetup s, double height)
{
    s.refLatitude = 52.5;
    s.refLongitude = -1.5;
    s.refHeight = height;
    return s;
}

enum Builder { Timing, DateTime, Position };

const QString kTraimTail = QStringLiteral("00000100000000000000");

}  // namespace

class TestInitSequences : public QObject
{
    Q_OBJECT

private slots:
    void sequences_data()
    {
        QTest::addColumn<int>("builder");
        QTest::addColumn<ReceiverSetup>("setup");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QString>("state");  // empty: not checked

        QTest::newRow("1PPS offset outside the timing group") << int(Timing) << WithTiming(Motorola(1, 8), 1234.5, 70.9)
            << QStringList{"Ax 0001", "Ay 00039404", "Az 00000046 wait"}
            << "offsets 1/234500/70 traim 00000a0001 reply 0";
        QTest::newRow("1PPS offset in the timing group, rounded") << int(Timing) << WithTiming(Motorola(8, 8), 1234.5007, 70.9)
            << QStringList{"Ay 0012d645", "Az 00000046"} << "offsets 0/1234501/70 traim 00000a0001 reply 0";
        QTest::newRow("a whole second of offset is none") << int(Timing) << WithTiming(Motorola(1, 6), 1000000.0, 0)
            << QStringList{"Ax 0000", "Ay 00000000", "Az 00000000 wait"} << "offsets 0/0/0 traim 00000a0001 reply 0";
        QTest::newRow("T-RAIM limit 0: off, limit 10") << int(Timing) << WithTiming(Motorola(8, 8), 0, 0, true)
            << QStringList{"Ay 00000000", "Az 00000000", "En 0000000a03" + kTraimTail}
            << "offsets 0/0/0 traim 00000a0003 reply 1";
        QTest::newRow("T-RAIM 250 ns, conditioned, short pulse")
            << int(Timing) << WithTiming(Motorola(2, 6), 0, 0, true, 250.0, true, 1)
            << QStringList{"Ax 0000", "Ay 00000000", "Az 00000000 wait", "Bn 0001000207" + kTraimTail}
            << "offsets 0/0/0 traim 0001020007 reply 1";
        QTest::newRow("T-RAIM 50 ns clamped on a 12-channel receiver")
            << int(Timing) << WithTiming(Motorola(5, 12), 0, 0, true, 50.0)
            << QStringList{"Ay 00000000", "Az 00000000", "Hn 00", "Gc 01", "Ge 01", "Gf 0003"}
            << "offsets 0/0/0 traim 0001030001 reply 1";
        QTest::newRow("no T-RAIM, 12-channel, conditioned short pulse")
            << int(Timing) << WithTiming(Motorola(24, 12), 0, 0, false, 500.0, true, 1)
            << QStringList{"Ay 00000000", "Az 00000000", "Gc 06"} << QString();
        ReceiverSetup pulse = WithTiming(Ublox(), 1234.5, 70.0, false, 0, false, 1);
        pulse.rx.ppsRate = 1;
        const QString tp5 = "UBX 0631 0101000000000000" "64000000" "64000000" "51f70100" "51f70100" "022aedff" "ef080000";
        QTest::newRow("u-blox time pulse") << int(Timing) << pulse << QStringList{tp5 + " pause 10/10"}
                                           << "offsets -/-/- traim 00000a0001 reply 0";
        pulse.receiverModel = 24;
        // Model 24 is never a u-blox receiver; its 1 Hz frame and 12-channel "@@Gc" stay.
        QTest::newRow("u-blox time pulse, model 24")
            << int(Timing) << pulse
            << QStringList{tp5 + " pause 10/10", QString(tp5).replace(25, 2, "01").replace(33, 2, "01"), "Gc 05"}
            << QString();
        QTest::newRow("NMEA mode: nothing") << int(Timing) << Ublox(6) << QStringList() << QString();

        ReceiverSetup local = Motorola(1, 8);
        local.rx.bRxOnLocalTime = true;
        local.localTimeOffsetMinutes = 90;
        QTest::newRow("31 Dec 2023, 12-channel") << int(DateTime) << Motorola(5, 12)
                                                  << QStringList{"Aw 01", "Gb 0c1f07e7173b3a000000"} << QString();
        QTest::newRow("local time +90 min") << int(DateTime) << local
            << QStringList{"Aw 01", "Aa 173b3a", "Ab ff011e", "Ac 0c1f07e7"} << QString();
        local.localTimeOffsetMinutes = -90;
        QTest::newRow("local time -90 min") << int(DateTime) << local
            << QStringList{"Aw 01", "Aa 173b3a", "Ab 00011e", "Ac 0c1f07e7"} << QString();
        ReceiverSetup aid = Ublox(10);
        aid.pcUtc = QDateTime(QDate(2024, 1, 1), QTime(0, 0), Qt::UTC);
        QTest::newRow("u-blox time aid at 2024-01-01") << int(DateTime) << aid
            << QStringList{"UBX 0b01 " + QString(36, '0') + "f708" "005c2605" + QString(16, '0') + "e8030000"
                           + QString(16, '0') + "82000000"} << QString();

        ReceiverSetup hold = At(Motorola(5, 12), 20000.0);
        hold.rx.gpsMode = 2;
        const QString latLon = QStringLiteral("0b43e940ffad9a40");
        QTest::newRow("12-channel position hold, 20000 m") << int(Position) << hold
            << QStringList{"Gd 00", "Ga " + latLon + "001b774000", "As " + latLon + "001b774000", "Au 001b774000", "Gd 01"}
            << QString();
        ReceiverSetup low = hold;
        low.receiverModel = 1;
        low.channelCount = 8;
        low.refHeight = -2000.0;
        QTest::newRow("8-channel, height below the clamp") << int(Position) << low
            << QStringList{"Ad 0b43e940", "Ae ffad9a40", "Af fffe796000", "As " + latLon + "fffe796000", "Au fffe796000"}
            << QString();
        QTest::newRow("u-blox position aid") << int(Position) << At(Ublox(), 100.5)
            << QStringList{"UBX 0b01 40dd4a1f401e1bff94880100" + QString(64, '0') + "04000000"} << QString();
    }

    void sequences()
    {
        QFETCH(int, builder);
        QFETCH(ReceiverSetup, setup);
        QFETCH(QStringList, expected);
        QFETCH(QString, state);
        const ReceiverCommandList list = builder == Timing ? BuildTimingParameters(setup)
                                       : builder == DateTime ? BuildDateTime(setup)
                                                             : BuildReceiverPosition(setup);
        QCOMPARE(Describe(list), expected);
        if (!state.isEmpty())
            QCOMPARE(State(setup), state);
    }

    void motorolaInitialize()
    {
        ReceiverSetup gt = Motorola(1, 8);
        gt.rx.elevationMask = -5;
        const QStringList expected{
            "Aw 01", "Aa 173b3a", "Ab 000000", "Ac 0c1f07e7", "AP 00", "Gc 01", "Ag fb", "At 00", "Av 00",
            "Aq 00", "Ar 01", "Ah 00", "Aj 01", "AB 04", "AE 00", "Bh 00", "Am 0000000000", "Hb 00",
            "Ea 01 wait", "Ek 01", "Bn 0000000a01" + kTraimTail, "En 0000000a01" + kTraimTail, "Hn 00",
            "En 0100000a01" + kTraimTail + " wait", "UBX 0609 00000000ffff00000000000003", "UBX 0604 00000000"};
        QCOMPARE(Describe(BuildInitializeReceiver(gt)), expected);
        QVERIFY(gt.bConfigReplyPending && gt.bLocalTimeNote == std::optional<bool>(false) && !gt.bPvt6Note);
    }

    // The lines of the Motorola set-up that depend on the model, the channel counts and
    // the parameters; "!" marks a line that must not be sent.
    void motorolaVariants_data()
    {
        QTest::addColumn<ReceiverSetup>("setup");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<int>("channels");
        ReceiverSetup ssr = Motorola(23, 12);
        ssr.rx.bSatGps = false;
        QTest::newRow("SSR, no constellation")
            << ssr << QStringList{"Sc 01", "Gd 00", "Ar 01", "Ha 01", "Hn 01 wait", "!At 00", "!Ea 01 wait"} << 12;
        ssr.receiverModel = 24;
        ssr.rx.bSatGps = ssr.rx.bSatSbas = true;
        ssr.rx.gpsMode = 1;
        QTest::newRow("SSR, GPS and SBAS") << ssr << QStringList{"Sc 81", "Gd 02"} << 12;
        ReceiverSetup m12 = Motorola(5, 12);
        m12.rx.bEmulatePvt6 = m12.rx.bDgpsActivate = true;
        m12.rx.ppsRate = m12.rx.ppsDuration = 1;
        m12.rx.gpsMode = 2;
        m12.rx.dgpsRate = 0x105;
        m12.rx.ionosphericDelay = 0;
        m12.rx.satelliteEnableMask = 0xFFFFFFFEu;
        QTest::newRow("12-channel driven as PVT6")
            << m12 << QStringList{"AP 01", "Gc 05", "At 01", "Av 00", "Aq 01", "Ar 01", "Bh 05", "Am 0000000001",
                                  "Ba 01", "Bk 01", "Bn 0100000a01" + kTraimTail + " wait", "!Ha 01", "!Gd 01"} << 6;
        ReceiverSetup back = Motorola(5, 12);
        back.channelCount = 6;
        QTest::newRow("PVT6 emulation ended") << back << QStringList{"Ha 01", "Gb 0c1f07e7173b3a000000", "!Ar 01"} << 12;
    }

    void motorolaVariants()
    {
        QFETCH(ReceiverSetup, setup);
        QFETCH(QStringList, lines);
        QFETCH(int, channels);
        const int before = setup.channelCount;
        const QStringList sent = Describe(BuildInitializeReceiver(setup));
        for (const QString& line : lines)
            QVERIFY2(sent.contains(QString(line).remove(QLatin1Char('!'))) != line.startsWith('!'), qPrintable(line));
        QCOMPARE(setup.channelCount, channels);
        QCOMPARE(setup.bPvt6Note, before == channels ? std::nullopt : std::optional<bool>(channels == 6));
        QCOMPARE(setup.ppsRateSent, uint8_t(setup.rx.ppsRate));
    }

    void ubloxInitialize()
    {
        ReceiverSetup s = Ublox();
        s.rx.applicationType = 2;
        s.rx.elevationMask = -5;
        s.rx.gpsMode = 1;
        s.rx.bSatGalileo = true;
        QStringList lines = Describe(BuildInitializeReceiver(s));
        QCOMPARE(lines.size(), 7);  // no time pulse while rate and duration are as sent
        QCOMPARE(lines.at(0), "UBX 0624 0700" "00" "03" + QString(64, '0'));
        QVERIFY(lines.at(1).startsWith("UBX 0b01"));
        const QString twoD = "02" + QString(54, '0');
        QCOMPARE(lines.mid(2, 2), (QStringList{"UBX 061d " + twoD, "UBX 063d " + twoD}));
        QCOMPARE(lines.at(4), "UBX 063e 00002007" "0008100001000101" "0101030000000101" "0200100001000101"
                              "0308100000000101" "0400100000000101" "0500030000000101" "06080e0000000101");
        QCOMPARE(lines.at(6), "UBX 0604 00000000");

        // A changed pulse rate sends the time pulse once; surveying ends in position
        // hold at the reference position.
        s.rx.ppsRate = 1;
        s.rx.navigationStatus = 2;
        lines = Describe(BuildInitializeReceiver(s));
        QCOMPARE(lines.size(), 8);
        QVERIFY(lines.at(2).startsWith("UBX 0631"));
        const QString hold = "02000000c4430426" + QString(16, '0') + "02000000" + QString(16, '0');
        QCOMPARE(lines.mid(3, 2), (QStringList{"UBX 061d " + hold, "UBX 063d " + hold}));
        QVERIFY(s.bPositionHoldChosen && s.rx.gpsMode == 2 && s.ppsRateSent == 1);
        s.rx.navigationStatus = 1;
        s.rx.gpsMode = 3;  // no timing-mode message for any other mode
        QCOMPARE(BuildInitializeReceiver(s).size(), 5);
        QCOMPARE(EarthCentredCm(90.0, 0.0, 100.0)[2], 635685231);
        QCOMPARE(EarthCentredCm(qQNaN(), 0.0, 0.0)[0], 0);
    }

    void statusNotes()
    {
        QCOMPARE(WithStatusNote("Motorola M12, Bin", kPvt6ModeNote, true), "Motorola M12, Bin, PVT6 Mode");
        QCOMPARE(WithStatusNote("M12, PVT6 Mode", kPvt6ModeNote, true), "M12, PVT6 Mode");
        QCOMPARE(WithStatusNote("M12, Local Time Mode, PVT6 Mode", kLocalTimeModeNote, false), "M12, PVT6 Mode");
        QCOMPARE(WithStatusNote("M12", kLocalTimeModeNote, false), "M12");
    }
};

HORALUX_TEST(TestInitSequences);

// The whole set-up of each receiver family through a pseudo-terminal: what arrives is
// the built list with checksums and line ends, in order, and the awaited answers count.
class TestInitializeReceiver : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        START_SOCAT_OR_SKIP(pair);
        UseProgramEndAsReceiverPort(pair);
        PcTime::SetFixedUtc(QDateTime(QDate(2023, 12, 31), QTime(23, 59, 58), Qt::UTC));
        window = new MainWindow;
        QVERIFY(window->gpsPortThread.Port().isOpen());
        window->answerWaitStepMs = 250;  // room for the answers on a loaded machine
        window->commandPauseMs = 2;
    }

    void cleanupTestCase()
    {
        delete window;
        PcTime::SetFixedUtc(QDateTime());
        receiverInfo = ReceiverInfo();
        ppsRateSent = ppsDurationSent = 0;
    }

    void wholeSequence_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("model");
        QTest::addColumn<int>("channels");
        QTest::addColumn<bool>("pvt6");
        QTest::newRow("Motorola 6-channel") << 2 << 11 << 6 << false;
        QTest::newRow("Motorola 8-channel") << 2 << 1 << 8 << false;
        QTest::newRow("Motorola 12-channel") << 2 << 5 << 12 << false;
        QTest::newRow("Motorola 12-channel as PVT6") << 2 << 5 << 12 << true;
        QTest::newRow("SSR") << 2 << 24 << 12 << false;
        QTest::newRow("u-blox") << 9 << 19 << 16 << false;
    }

    void wholeSequence()
    {
        QFETCH(int, mode);
        QFETCH(int, model);
        QFETCH(int, channels);
        QFETCH(bool, pvt6);
        receiverInfo.ResetIdentity();
        receiverInfo.gpsPortMode = mode;
        receiverInfo.receiverModel = model;
        receiverInfo.channelCount = receiverInfo.channelCountReported = channels;
        window->gpsRxDialog->ppsRate = mode == 9 ? 1 : 0;  // the u-blox time pulse too
        window->gpsRxDialog->bEmulatePvt6 = pvt6;
        window->statusMessageLabel->setText("Motorola M12");
        ReceiverSetup setup = window->GatherReceiverSetup();
        QByteArray expected;
        for (const ReceiverCommand& command : InitSequences::BuildInitializeReceiver(setup)) {
            QByteArray bytes = command.bytes;
            GpsSerialPortThread::AppendProtocolChecksum(bytes);
            expected += bytes + "\r\n";
        }

        // The far end records every byte and answers the two commands the Motorola
        // set-up waits for: the 8-channel output rate and the last T-RAIM command.
        QSerialPort rx;
        rx.setPortName(pair.ReceiverEnd());
        QVERIFY(rx.open(QIODevice::ReadWrite));
        QByteArray heard;
        qsizetype scanned = 0;
        connect(&rx, &QSerialPort::readyRead, &rx, [&] {
            heard += rx.readAll();
            for (const char* awaited : {"@@Ea\x01", "@@Bn\x01", "@@En\x01", "@@Hn\x01"}) {
                const qsizetype at = heard.indexOf(awaited, scanned);
                if (at >= 0) {
                    rx.write(FrameBuilders::Motorola(QByteArray(awaited).mid(2, 2).constData()));
                    scanned = at + 4;
                }
            }
        });
        window->InitializeReceiver();
        TestSupport::WaitFor([&] { return heard.size() >= expected.size(); }, 3000);
        QCOMPARE(heard.toHex(' '), expected.toHex(' '));
        // The T-RAIM query was answered while the set-up waited for it.
        QCOMPARE(receiverInfo.bHasTraim, mode == 2);
        QCOMPARE(receiverInfo.channelCount, pvt6 ? 6 : channels);
        QCOMPARE(window->statusMessageLabel->text(), QString(pvt6 ? "Motorola M12, PVT6 Mode" : "Motorola M12"));
        QCOMPARE(ppsRateSent, uint8_t(mode == 9 ? 1 : 0));
    }

private:
    SocatPair pair;
    MainWindow* window = nullptr;
};

HORALUX_TEST(TestInitializeReceiver);

#include "tst_initsequences.moc"
