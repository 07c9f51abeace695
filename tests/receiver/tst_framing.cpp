#include "framebuilders.h"
#include "gpsserialportthread.h"
#include "messageframer.h"
#include "testsupport.h"

#include <QFile>
#include <QTest>

using namespace FrameBuilders;

namespace {

template <class Framer>
QList<QByteArray> FrameBlocks(const QList<QByteArray>& blocks)
{
    Framer framer;
    QList<QByteArray> out;
    for (const QByteArray& block : blocks)
        framer.Frame(block, [&out](const QByteArray& m) { out.append(m); });
    return out;
}

template <class Framer>
QList<QByteArray> FrameWhole(const QByteArray& stream)
{
    return FrameBlocks<Framer>({stream});
}

// The same messages must come out wherever the stream is cut in two, and when it
// arrives one byte at a time.
template <class Framer>
bool SameAtEverySplit(const QByteArray& stream, const QList<QByteArray>& expected)
{
    for (qsizetype cut = 0; cut <= stream.size(); ++cut) {
        if (FrameBlocks<Framer>({stream.left(cut), stream.mid(cut)}) != expected) {
            qWarning("messages differ when the stream is cut at %lld", static_cast<long long>(cut));
            return false;
        }
    }
    QList<QByteArray> bytes;
    for (char c : stream)
        bytes.append(QByteArray(1, c));
    if (FrameBlocks<Framer>(bytes) != expected) {
        qWarning("messages differ when the stream comes byte by byte");
        return false;
    }
    return true;
}

// A recorded capture without the comment lines at its top.
QByteArray Capture(const QString& name)
{
    QFile file(TestSupport::TestDataPath(QStringLiteral("receiver-captures/") + name));
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    QByteArray data = file.readAll();
    qsizetype pos = 0;
    while (pos < data.size() && data.at(pos) == '#')
        pos = data.indexOf('\n', pos) + 1;
    return data.mid(pos);
}

QByteArray Hex(const char* hex)
{
    return QByteArray::fromHex(hex);
}

}  // namespace

class TestFraming : public QObject
{
    Q_OBJECT

private slots:
    void appenders()
    {
        QByteArray cj("@@Cj");
        QVERIFY(GpsSerialPortThread::AppendMotorolaChecksum(cj));
        QCOMPARE(cj, QByteArray("@@Cj\x29"));

        // A payload byte that happens to be "*" is summed like any other.
        QByteArray star("@@Ab\x01\x02*\x07", 8);
        QVERIFY(GpsSerialPortThread::AppendMotorolaChecksum(star));
        QCOMPARE(star.back(), char('A' ^ 'b' ^ 0x01 ^ 0x02 ^ '*' ^ 0x07));

        QByteArray poll = Hex("b5620a040000");
        QVERIFY(GpsSerialPortThread::AppendUbxChecksum(poll));
        QCOMPARE(poll, Hex("b5620a0400000e34"));

        QByteArray pmotg("$PMOTG,FOR,0");
        QVERIFY(GpsSerialPortThread::AppendNmeaChecksum(pmotg));
        QCOMPARE(pmotg, QByteArray("$PMOTG,FOR,0*2A"));
        QByteArray stale("$PMOTG,FOR,0*00");
        QVERIFY(GpsSerialPortThread::AppendNmeaChecksum(stale));
        QCOMPARE(stale, QByteArray("$PMOTG,FOR,0*2A"));

        // Messages without the protocol's form are left alone.
        for (QByteArray bad : {QByteArray("@@C"), QByteArray("X@@Cj")}) {
            const QByteArray before = bad;
            QVERIFY(!GpsSerialPortThread::AppendMotorolaChecksum(bad));
            QCOMPARE(bad, before);
        }
        for (QByteArray bad : {Hex("b562"), Hex("b5610a04"), Hex("00620a04")}) {
            const QByteArray before = bad;
            QVERIFY(!GpsSerialPortThread::AppendUbxChecksum(bad));
            QCOMPARE(bad, before);
        }
        for (QByteArray bad : {QByteArray("$GPG"), QByteArray("GPGGA,1,2")}) {
            const QByteArray before = bad;
            QVERIFY(!GpsSerialPortThread::AppendNmeaChecksum(bad));
            QCOMPARE(bad, before);
        }
    }

    void checks()
    {
        const QByteArray ha = Motorola("Ha");
        QVERIFY(GpsSerialPortThread::CheckMotorolaChecksum(ha));
        QByteArray wrong = ha;
        wrong[ha.size() - 3] = static_cast<char>(wrong.at(ha.size() - 3) ^ 0x40);
        QVERIFY(!GpsSerialPortThread::CheckMotorolaChecksum(wrong));
        QVERIFY(!GpsSerialPortThread::CheckMotorolaChecksum(ha.left(ha.size() - 1)));
        QByteArray eq = Motorola("Eq");
        eq[eq.size() - 3] = static_cast<char>(eq.at(eq.size() - 3) ^ 0x55);
        QVERIFY(GpsSerialPortThread::CheckMotorolaChecksum(eq));
        QVERIFY(!GpsSerialPortThread::CheckMotorolaChecksum("\r\n"));

        const QByteArray ubx = Ubx(0x01, 0x02, QByteArray(28, '\x11'));
        QVERIFY(GpsSerialPortThread::CheckUbxChecksum(ubx));
        QVERIFY(!GpsSerialPortThread::CheckUbxChecksum(ubx.left(ubx.size() - 1) + 'x'));
        QVERIFY(!GpsSerialPortThread::CheckUbxChecksum(Hex("b5620a04000e34")));
        QVERIFY(GpsSerialPortThread::CheckUbxChecksum(Hex("b5620a0400000e34")));

        QByteArray good("$PMOTG,FOR,0*2A");
        QVERIFY(GpsSerialPortThread::CheckNmeaChecksum(good));
        QCOMPARE(good, QByteArray("$PMOTG,FOR,0"));
        QByteArray lower("$GPGGA,1*7a");
        QVERIFY(!GpsSerialPortThread::CheckNmeaChecksum(lower));
        QCOMPARE(lower, QByteArray("$GPGGA,1"));
        const struct
        {
            const char* sentence;
            bool valid;
        } cases[] = {
            {"$GPGGA,1,2", true},      // no checksum, "$GP" with a comma
            {"$PGRME,1,M", true},      // no checksum, "$P" with a comma
            {"$GNGGA,1,2", false},     // no checksum, other talker
            {"$GPGGA", false},         // no comma
            {"$GP*GA,1,2", false},     // "*" not third from the end
            {"$G", false},
            {"$*00", true},            // nothing summed, 00
        };
        for (const auto& c : cases) {
            QByteArray s(c.sentence);
            QVERIFY2(GpsSerialPortThread::CheckNmeaChecksum(s) == c.valid, c.sentence);
            QCOMPARE(GpsSerialPortThread::NmeaSentenceValid(c.sentence), c.valid);
        }
    }

    void motorolaLengths()
    {
        const struct
        {
            const char* head;
            int length;
        } cases[] = {
            {"@@Ha", 154}, {"@@Bb", 92},  {"@@Cj", 294}, {"@@Tr", 597}, {"@@SP", 11},
            {"@@Sz", 8},   {"@@AA", 8},   {"@@Az", 11},  {"@@Fa", 9},   {"@@Fd", 189},
            {"@@Ws", 18},  {"@@Wb", 9},   {"@@Eq", 96},  {"@@Ir", 7},
            {"@@Wc", 0},   {"@@Wz", 0},   {"@@W\xff", 0},                   // W without a message
            {"@@Fb", -1},  {"@@Bp", -1},  {"@@Da", -1},  {"@@Ja", -1},  {"@@A[", -1},
            {"@@\xc1" "a", -1}, {"@@@H", -1}, {"@@H", -1}, {"@@Hz", -1}, {"@@Te", -1},
        };
        for (const auto& c : cases)
            QVERIFY2(GpsSerialPortThread::MotorolaMessageLength(c.head) == c.length, c.head);
    }

    void motorolaStream()
    {
        const QByteArray ha = Motorola("Ha");
        const QByteArray bb = Motorola("Bb", 0x90);
        QByteArray badSum = Motorola("Bo");
        badSum[4] = static_cast<char>(badSum.at(4) + 1);
        QByteArray eq = Motorola("Eq");
        eq[eq.size() - 3] = 0;  // not checked for "@@Eq"
        // A stray "@" just before a message makes three in a row: that message is lost.
        const QByteArray lost = Motorola("Ha", 0x42);
        QVERIFY(!lost.mid(2).contains('@'));
        const QByteArray ea = Motorola("Ea");
        const QByteArray stream = "garbage\r\n@x" + ha + "@@Zz12" + bb + badSum + "@@Wc" + eq
                                + "@" + lost + ea;
        const QList<QByteArray> expected = {ha.left(151), bb.left(89), eq.left(93), ea.left(73)};
        const QList<QByteArray> got = FrameWhole<MotorolaFramer>(stream);
        QCOMPARE(got, expected);
        QCOMPARE(got.at(0).size(), 151);
        QVERIFY(SameAtEverySplit<MotorolaFramer>(stream, expected));
    }

    void motorolaMessageGoesOutWithItsLastByte()
    {
        MotorolaFramer framer;
        int count = 0;
        framer.Frame(Motorola("Ha"), [&count](const QByteArray&) { ++count; });
        QCOMPARE(count, 1);
    }

    void ubxAndNmeaStream()
    {
        const QByteArray posllh = Ubx(0x01, 0x02, QByteArray(28, '\x24'));  // "$" in the payload
        const QByteArray timeutc = Ubx(0x01, 0x21, QByteArray(20, '\xb5'));
        const QByteArray empty = Ubx(0x0A, 0x04, QByteArray());
        QByteArray badUbx = Ubx(0x01, 0x06, QByteArray(52, '\x01'));
        badUbx[10] = 2;
        const QByteArray gga = Nmea("$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,");
        const QByteArray rmc = Nmea("$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W");
        const QByteArray lower("$PMOTG,FOR,0*2a");
        const QByteArray noSum("$GPZDA,201530.00,04,07,2002,00,00");
        const QByteArray garmin = Nmea("$PGRMT,GPS 15x-W software ver. 4.20,,,,,,,,");
        const QByteArray stream = "noise" + posllh + gga + "\r\n" + timeutc + "\xb5\x61" + rmc
                                + "\r\n" + empty + lower + "\r\n" + badUbx + noSum + "\n"
                                + "$GPGLL,1\x01" + "2*00\r\n" + garmin + "\r\n";
        const QList<QByteArray> expected = {posllh, gga, timeutc, rmc, empty, noSum, garmin};
        QCOMPARE(FrameWhole<UbxNmeaFramer>(stream), expected);
        QVERIFY(SameAtEverySplit<UbxNmeaFramer>(stream, expected));
    }

    void sentenceFollowedByUbxFrameInOneBlock()
    {
        const QByteArray gga = Nmea("$GPGGA,1,2,3");
        const QByteArray ubx = Ubx(0x01, 0x02, QByteArray(28, '\x00'));
        QCOMPARE(FrameWhole<UbxNmeaFramer>(gga + "\r\n" + ubx), (QList<QByteArray>{gga, ubx}));
        // A UBX frame is handed on with its last checksum byte.
        UbxNmeaFramer framer;
        int count = 0;
        framer.Frame(ubx, [&count](const QByteArray&) { ++count; });
        QCOMPARE(count, 1);
    }

    void overlongSentenceIsDropped()
    {
        const QByteArray gga = Nmea("$GPGGA,1,2,3");
        const QByteArray longOne = Nmea("$GPTXT," + QByteArray(1100, 'x'));
        const QByteArray fits = Nmea("$GPTXT," + QByteArray(UbxNmeaFramer::kMaxSentence - 10, 'y'));
        QCOMPARE(fits.size(), UbxNmeaFramer::kMaxSentence);
        const QByteArray stream = longOne + "\r\n" + gga + "\r\n" + fits + "\r\n";
        QCOMPARE(FrameWhole<UbxNmeaFramer>(stream), (QList<QByteArray>{gga, fits}));
        QCOMPARE(FrameBlocks<UbxNmeaFramer>({longOne.left(700), longOne.mid(700) + "\r\n" + gga + "\r\n"}),
                 QList<QByteArray>{gga});
    }

    void plainTextLines()
    {
        const QByteArray stream = "\r\nT1234\r\nABC\n\rOK\r" + QByteArray(1500, 'z') + "\r\nEND\r\n";
        const QList<QByteArray> expected = {"T1234", "ABC", "OK", "END"};
        QCOMPARE(FrameWhole<LineFramer>(stream), expected);
        QVERIFY(SameAtEverySplit<LineFramer>(stream, expected));
    }

    void recordedMotorolaStream()
    {
        const QByteArray capture = Capture(QStringLiteral("oncore-binary.log"));
        QVERIFY(!capture.isEmpty());
        // The capture is whole messages back to back; walk them by their lengths.
        QList<QByteArray> expected;
        for (qsizetype pos = 0; pos < capture.size();) {
            const int length = GpsSerialPortThread::MotorolaMessageLength(capture.mid(pos, 4));
            QVERIFY(length > 0);
            expected.append(capture.mid(pos, length - 3));
            pos += length;
        }
        QCOMPARE(expected.size(), 82);
        QCOMPARE(FrameWhole<MotorolaFramer>(capture), expected);
        QVERIFY(SameAtEverySplit<MotorolaFramer>(capture, expected));
    }

    void recordedUbxStream()
    {
        const QByteArray capture = Capture(QStringLiteral("ublox-lea-4t.log"));
        QVERIFY(!capture.isEmpty());
        QList<QByteArray> expected;
        for (qsizetype pos = 0; pos + 8 <= capture.size();) {
            const int length = static_cast<unsigned char>(capture.at(pos + 4))
                             + 256 * static_cast<unsigned char>(capture.at(pos + 5));
            expected.append(capture.mid(pos, length + 8));
            pos += length + 8;
        }
        QCOMPARE(expected.size(), 31);
        QCOMPARE(FrameWhole<UbxNmeaFramer>(capture), expected);
        QVERIFY(SameAtEverySplit<UbxNmeaFramer>(capture, expected));
    }

    void recordedNmeaStreams_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("u-blox NMEA") << QStringLiteral("ublox-lea-5h.log");
        QTest::newRow("Garmin") << QStringLiteral("garmin15x.log");
    }

    void recordedNmeaStreams()
    {
        QFETCH(QString, name);
        const QByteArray capture = Capture(name);
        QVERIFY(!capture.isEmpty());
        QList<QByteArray> expected;
        for (const QByteArray& line : capture.split('\n')) {
            if (line.startsWith('$'))
                expected.append(line.trimmed());
        }
        QVERIFY(expected.size() > 50);
        QCOMPARE(FrameWhole<UbxNmeaFramer>(capture), expected);
        QVERIFY(SameAtEverySplit<UbxNmeaFramer>(capture, expected));
    }
};

HORALUX_TEST(TestFraming);
#include "tst_framing.moc"
