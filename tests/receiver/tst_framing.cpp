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

// The same messages must come out whole, wherever the stream is cut in two, and when
// it arrives one byte at a time.
template <class Framer>
bool SameAtEverySplit(const QByteArray& stream, const QList<QByteArray>& expected)
{
    QList<QByteArray> bytes;
    for (qsizetype cut = 0; cut <= stream.size(); ++cut) {
        bytes.append(stream.mid(cut, 1));
        if (FrameBlocks<Framer>({stream.left(cut), stream.mid(cut)}) != expected)
            return qWarning("messages differ when the stream is cut at %lld", static_cast<long long>(cut)), false;
    }
    return FrameBlocks<Framer>(bytes) == expected;
}

// A recorded capture kept in the repository; empty (and the row fails) when it is missing.
QByteArray Capture(const QString& name)
{
    QFile file(TestSupport::TestDataPath(QStringLiteral("receiver-captures/") + name));
    if (file.open(QIODevice::ReadOnly))
        return file.readAll();
    qWarning("missing capture %s", qPrintable(file.fileName()));
    return QByteArray();
}

QByteArray Hex(const char* hex) { return QByteArray::fromHex(hex); }

}  // namespace

class TestFraming : public QObject
{
    Q_OBJECT

private slots:
    // What the streams below cannot reach: frames shorter than any the framers build,
    // and the cut of the sentence check.
    void checksOfShortMessages()
    {
        QVERIFY(!GpsSerialPortThread::CheckMotorolaChecksum("\r\n"));
        QVERIFY(!GpsSerialPortThread::CheckUbxChecksum(Hex("b5620a04000e34")));
        QCOMPARE(GpsSerialPortThread::MotorolaMessageLength("@@H"), -1);
        QVERIFY(GpsSerialPortThread::NmeaSentenceValid("$*00"));
        QVERIFY(!GpsSerialPortThread::NmeaSentenceValid("$G"));
        QByteArray lower("$GPGGA,1*7a");
        QVERIFY(!GpsSerialPortThread::CheckNmeaChecksum(lower));
        QCOMPARE(lower, QByteArray("$GPGGA,1"));
    }

    void motorolaLengths()
    {
        const struct
        {
            const char* head;
            int length;
        } cases[] = {
            {"@@Ha", 154}, {"@@SP", 11}, {"@@Sz", 8}, {"@@Fd", 189}, {"@@Ws", 18},
            {"@@Wc", 0},   {"@@W\xff", 0},  // "W" letters without a message
            {"@@Fb", -1},  {"@@Da", -1}, {"@@A[", -1}, {"@@\xc1" "a", -1}, {"@@Te", -1},
        };
        for (const auto& c : cases)
            QVERIFY2(GpsSerialPortThread::MotorolaMessageLength(c.head) == c.length, c.head);
    }

    // The last message of each stream ends with the stream: it must come out at once.
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
        QVERIFY(SameAtEverySplit<MotorolaFramer>(stream, expected));
    }

    void ubxAndNmeaStream()
    {
        const QByteArray posllh = Ubx(0x01, 0x02, QByteArray(28, '\x24'));  // "$" in the payload
        const QByteArray timeutc = Ubx(0x01, 0x21, QByteArray(20, '\xb5'));
        const QByteArray empty = Ubx(0x0A, 0x04, QByteArray());
        QByteArray badUbx = Ubx(0x01, 0x06, QByteArray(52, '\x01'));
        badUbx[10] = 2;
        const QByteArray gga = Nmea("$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,");
        const QByteArray lower("$PMOTG,FOR,0*2a");
        // Without a checksum only "$GP" and "$P" sentences with a comma pass.
        const QByteArray noSum("$GPZDA,201530.00,04,07,2002,00,00");
        const QByteArray garmin("$PGRME,15.0,M,45.0,M,25.0,M");
        const QByteArray dropped = "\r\n$GNZDA,1,2\r\n$GPZDA\r\n$GP*DA,1,2\r\n$GPGLL,1\x01" "2*00\r\n";
        const QByteArray stream = "noise" + posllh + gga + "\r\n" + timeutc + "\xb5\x61" + lower
                                + "\r\n" + empty + badUbx + noSum + dropped + garmin + "\n" + posllh;
        const QList<QByteArray> expected = {posllh, gga, timeutc, empty, noSum, garmin, posllh};
        QVERIFY(SameAtEverySplit<UbxNmeaFramer>(stream, expected));
    }

    void overlongLinesAreDropped()
    {
        const QByteArray gga = Nmea("$GPGGA,1,2,3");
        const QByteArray longOne = Nmea("$GPTXT," + QByteArray(1100, 'x'));
        const QByteArray fits = Nmea("$GPTXT," + QByteArray(UbxNmeaFramer::kMaxSentence - 10, 'y'));
        QCOMPARE(fits.size(), UbxNmeaFramer::kMaxSentence);
        QVERIFY(SameAtEverySplit<UbxNmeaFramer>(longOne + "\r\n" + gga + "\r\n" + fits + "\r\n",
                                                {gga, fits}));

        const QByteArray lines = "\r\nT1234\r\nABC\n\rOK\r" + QByteArray(1500, 'z') + "\r\nEND\r\n";
        QVERIFY(SameAtEverySplit<LineFramer>(lines, {"T1234", "ABC", "OK", "END"}));
    }

    // A damaged UBX header costs only its first byte: whatever it seemed to hold is
    // hunted again, and so are any whole messages inside it.
    void falseUbxHeaders_data()
    {
        QTest::addColumn<QByteArray>("stream");
        QTest::addColumn<QByteArrayList>("expected");
        const QByteArray inner = Ubx(0x01, 0x21, QByteArray(20, '\x07'));
        const QByteArray gga = Nmea("$GPGGA,123519,4807.038,N,01131.000,E,1,08");
        const QByteArray longest = Ubx(0x02, 0x10, QByteArray(4096, '\x11'));
        const QByteArray tooLong = Ubx(0x02, 0x10, QByteArray(4097, '\x11'));
        auto damaged = [](QByteArray frame) {
            frame[frame.size() - 1] = static_cast<char>(frame.at(frame.size() - 1) ^ 0x5A);
            return frame;
        };
        const QByteArray outer = damaged(Ubx(0x01, 0x07, "ab" + inner + gga + "\r\n" + "cd"));

        QTest::newRow("a frame and a sentence inside a bad checksum")
            << outer + inner << QByteArrayList{inner, gga, inner};
        QTest::newRow("bad checksums nested three deep")
            << damaged(Ubx(0x0D, 0x01, "x" + outer + "y")) << QByteArrayList{inner, gga};
        // The frame begun inside the false one ends after it.
        QTest::newRow("a frame straddling the end of a false one")
            << Hex("b56201070800") + inner + gga + "\r\n" << QByteArrayList{inner, gga};
        QTest::newRow("the longest payload taken")
            << longest + inner << QByteArrayList{longest, inner};
        QTest::newRow("one byte too long")
            << Hex("b56202100110") + inner << QByteArrayList{inner};
        QTest::newRow("a whole frame one byte too long")
            << tooLong + inner << QByteArrayList{inner};
        QTest::newRow("a frame on the byte after a nested false one")
            << damaged(Ubx(0x01, 0x07, "ab" + damaged(Ubx(0x0D, 0x01, "xyz")) + inner + "cd"))
            << QByteArrayList{inner};
    }

    void falseUbxHeaders()
    {
        QFETCH(QByteArray, stream);
        QFETCH(QByteArrayList, expected);
        QVERIFY(SameAtEverySplit<UbxNmeaFramer>(stream, expected));
    }

    // A header claiming 65,535 bytes once stalled a 9600-baud line for 68 s.
    void captureAfterFalseLength_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("header");
        for (const char* name : {"ublox-lea-4t.log", "ublox-lea-5h.log"}) {
            QTest::addRow("%s, 65535", name) << QString::fromLatin1(name) << Hex("b5620107ffff");
            QTest::addRow("%s, 600", name) << QString::fromLatin1(name) << Hex("b56201075802");
        }
    }

    void captureAfterFalseLength()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, header);
        const QByteArray capture = Capture(name);
        QVERIFY(!capture.isEmpty());
        const QByteArrayList messages = FrameBlocks<UbxNmeaFramer>({capture});
        QVERIFY(!messages.isEmpty());
        QCOMPARE(FrameBlocks<UbxNmeaFramer>({header + capture}), messages);
        QCOMPARE(FrameBlocks<UbxNmeaFramer>({header, capture}), messages);
    }

    // Recorded receivers: every message of the recording, wherever it is cut.
    void recordedStreams_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("count");
        QTest::newRow("Motorola") << "oncore-binary.log" << 82;
        QTest::newRow("UBX") << "ublox-lea-4t.log" << 31;
        QTest::newRow("u-blox NMEA") << "ublox-lea-5h.log" << 164;
        QTest::newRow("Garmin") << "garmin15x.log" << 57;
    }

    void recordedStreams()
    {
        QFETCH(QString, name);
        QFETCH(int, count);
        const QByteArray capture = Capture(name);
        const bool motorola = capture.startsWith('@');
        const auto messages = motorola ? FrameBlocks<MotorolaFramer>({capture}) : FrameBlocks<UbxNmeaFramer>({capture});
        QCOMPARE(messages.size(), count);
        // Each one is the recording's own bytes, in order.
        qsizetype pos = 0;
        for (const QByteArray& m : messages) {
            pos = capture.indexOf(m, pos);
            QVERIFY(pos >= 0);
            pos += m.size();
        }
        QVERIFY(motorola ? SameAtEverySplit<MotorolaFramer>(capture, messages)
                         : SameAtEverySplit<UbxNmeaFramer>(capture, messages));
    }
};

HORALUX_TEST(TestFraming);
#include "tst_framing.moc"
