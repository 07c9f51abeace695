// Real receivers' recordings played through a pseudo-terminal with a PVT log open: one
// line per logged second, whose positions agree with another decoder's reading.

#include "../decode/decodetests.h"
#include "logtests.h"
#include "socatpair.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSerialPort>

class TestPvtReplay : public QObject
{
    Q_OBJECT

private slots:
    void replay_data()
    {
        QTest::addColumn<QString>("capture");
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("logName");  // the file of the capture's day
        QTest::addColumn<int>("lines");
        QTest::newRow("Motorola 8-channel") << "oncore-binary.log" << "Motorola Binary Rx Only" << "GPS2000238.csv" << 12;
        // Each second's fix after the first time sentence decided the second; the
        // column line first.
        QTest::newRow("u-blox NMEA") << "ublox-lea-5h.log" << "Generic NMEA" << "GPS2010233.csv" << 1 + 18;
    }
    void replay()
    {
        QFETCH(QString, capture);
        QFETCH(QString, mode);
        QFETCH(QString, logName);
        QFETCH(int, lines);
        QByteArray bytes;
        QByteArray check;
        READ_CAPTURE_OR_SKIP(capture, bytes);
        READ_CAPTURE_OR_SKIP(capture + ".chk", check);
        const bool bMotorola = capture.startsWith("oncore");
        if (bMotorola) {
            bytes = bytes.mid(bytes.indexOf("@@"));
        } else {  // without the comment lines, here also between the sentences
            QByteArrayList sentences = bytes.split('\n');
            sentences.removeIf([](const QByteArray& line) { return !line.startsWith('$'); });
            bytes = sentences.join('\n') + '\n';
        }
        QHash<QByteArray, QJsonObject> fixes;  // by time of day, hhmmss
        for (const QByteArray& line : check.split('\n')) {
            const QJsonObject o = QJsonDocument::fromJson(line).object();
            if (o.value("class").toString() == "TPV" && o.contains("lat"))
                fixes.insert(o.value("time").toString().mid(11, 8).remove(':').toLatin1(), o);
        }

        SocatPair pair;
        START_SOCAT_OR_SKIP(pair);
        LogWindow lw({{"GpsPortDialog/GPS Serial Port", pair.ProgramEnd()},
                      {"GpsPortDialog/GPS Serial Port Mode", mode},
                      {"GpsPortDialog/GPS Serial Port PPS Interface", 0},
                      {"LogFiles/GPSLogType", 2}});
        lw.w->InitializeGpsReceiver();  // receive-only: the search ends at once
        receiverInfo.receiverModel = bMotorola ? 9 : int(ReceiverModelGenericNmea);
        QVERIFY(lw.w->OpenGpsLog());
        int messages = 0;  // in the stream
        for (qsizetype pos = 0; pos < bytes.size(); ++messages) {
            const int length = bMotorola ? GpsSerialPortThread::MotorolaMessageLength(bytes.mid(pos, 4)) : 0;
            pos = bMotorola ? (length > 0 ? pos + length : bytes.size()) : bytes.indexOf('\n', pos) + 1;
            if (pos <= 0)
                break;
        }
        int received = 0;
        connect(&lw.w->gpsPortThread, &GpsSerialPortThread::newGpsText, lw.w.get(), [&] { ++received; });
        QSerialPort rx;
        rx.setPortName(pair.ReceiverEnd());
        QVERIFY(rx.open(QIODevice::ReadWrite));
        rx.write(bytes);
        QVERIFY2(TestSupport::WaitFor([&] { return received >= messages; }, 20000),
                 qPrintable(QStringLiteral("%1 of %2 messages").arg(received).arg(messages)));
        lw.w->CloseGpsLog(true);

        QList<QByteArray> data = DataLines(lw.Read(logName));
        QCOMPARE(data.size(), lines);
        if (!bMotorola)
            QVERIFY(data.takeFirst().startsWith("time,lat_deg,lat_min,lat_dir,long_deg,"));
        for (const QByteArray& line : data) {
            // Motorola: date, time, latitude and longitude in milliarcseconds. NMEA: hh,
            // mm, ss.ss, then degrees, minutes and hemisphere of latitude and longitude.
            const QList<QByteArray> f = line.split(',');
            QVERIFY2(f.size() > 8, line);
            const QByteArray time = bMotorola ? f[1].trimmed().left(8).replace(":", "") : f[0] + f[1] + f[2].left(2);
            const QJsonObject fix = fixes.value(time);
            const double lat = bMotorola ? f[2].toDouble() / 3.6e6 : (f[3].toDouble() + f[4].toDouble() / 60) * (f[5] == "S" ? -1 : 1);
            const double lon = bMotorola ? f[3].toDouble() / 3.6e6 : (f[6].toDouble() + f[7].toDouble() / 60) * (f[8] == "W" ? -1 : 1);
            QVERIFY2(!fix.isEmpty() && qAbs(lat - fix.value("lat").toDouble()) < 1e-7 &&
                         qAbs(lon - fix.value("lon").toDouble()) < 1e-7,
                     line);
        }
    }
};

HORALUX_TEST(TestPvtReplay);
#include "tst_pvtreplay.moc"
