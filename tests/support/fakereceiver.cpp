#include "fakereceiver.h"

#include "framebuilders.h"
#include "gpsserialportthread.h"

#include <QStringList>
#include <QtEndian>

namespace {

// Writes text into the identification block at an offset counted from the first "@".
void Put(QByteArray& msg, int offset, const char* text)
{
    msg.replace(offset, static_cast<qsizetype>(qstrlen(text)), text);
}

}  // namespace

FakeReceiver::FakeReceiver(Kind k, int r, Protocol p, QObject* parent)
    : QObject(parent), kind(k), rate(r), protocol(p)
{
    connect(&port, &QSerialPort::readyRead, this, &FakeReceiver::OnReadyRead);
}

bool FakeReceiver::Open(const QString& portName)
{
    port.setPortName(portName);
    if (!port.open(QIODevice::ReadWrite))
        return false;
    // What the program sent before this receiver was attached is not for it.
    while (port.waitForReadyRead(50))
        port.readAll();
    return true;
}

QStringList FakeReceiver::Heads() const
{
    QStringList heads;
    for (const QByteArray& c : heard) {
        if (c.startsWith("\xB5\x62") && c.size() >= 4)
            heads << QStringLiteral("UBX %1").arg(QString::fromLatin1(c.mid(2, 2).toHex().toUpper()));
        else if (c.startsWith('$'))
            heads << QString::fromLatin1(c.left(c.indexOf(',', 7) > 0 ? c.indexOf(',', 7) : c.size()));
        else
            heads << QString::fromLatin1(c.left(4));
    }
    return heads;
}

QByteArray FakeReceiver::MotorolaMessage(const char* id, const QByteArray& payload)
{
    QByteArray msg = QByteArray("@@") + id;
    const int total = GpsSerialPortThread::MotorolaMessageLength(msg);
    msg += payload;
    // The rest of the message as zeros: a receiver with nothing to report yet.
    if (total > 0 && msg.size() < total - 3)
        msg += QByteArray(total - 3 - msg.size(), '\0');
    GpsSerialPortThread::AppendMotorolaChecksum(msg);
    return msg + "\r\n";
}

QByteArray FakeReceiver::NmeaSentence(const QByteArray& body)
{
    return FrameBuilders::Nmea(body) + "\r\n";
}

QByteArray FakeReceiver::Identification(Kind kind)
{
    // The identification block: fixed-width lines of maker, software version and
    // revision, model and options, blank-padded to the message's length.
    QByteArray msg = "@@Cj" + QByteArray(GpsSerialPortThread::MotorolaMessageLength("@@Cj") - 7, ' ');
    const bool bSsr = kind == Kind::Ssr;
    Put(msg, 4, bSsr ? "\r\nCOPYRIGHT 2009 Synergy Systems LLC   " : "\r\nCOPYRIGHT 1991-2006 MOTOROLA INC.  ");
    Put(msg, 56, "\r\nSFTW P/N #  61-G10268A  ");
    Put(msg, 70, "SOFTWARE VER #");
    Put(msg, 84, kind == Kind::Motorola8 ? "2" : "1");
    Put(msg, 98, "SOFTWARE REV #");
    Put(msg, 112, "3");
    Put(msg, 140, "MODEL # ");
    // A 12-channel M12 timing model, an 8-channel UT+, or a name to look up further on.
    Put(msg, 148, kind == Kind::Motorola12 ? "P143T12NR1" : kind == Kind::Motorola8 ? "R5122U1152" : "XXXXXX");
    Put(msg, 170, "\r\nHWDR P/N # 2  ");
    if (bSsr)
        Put(msg, 200, "OPTIONS LIST    SSR-M8T+ ");
    Put(msg, 230, "\r\nSERIAL #     SSG0001  ");
    Put(msg, 260, "\r\nMANUFACTUR DATE 6B19 ");
    GpsSerialPortThread::AppendMotorolaChecksum(msg);
    return msg + "\r\n";
}

QByteArray FakeReceiver::PositionMessage(const QDateTime& utc)
{
    QByteArray payload(144, '\0');
    const QDate date = utc.date();
    const QTime time = utc.time();
    payload[0] = static_cast<char>(date.month());
    payload[1] = static_cast<char>(date.day());
    qToBigEndian<quint16>(static_cast<quint16>(date.year()), payload.data() + 2);
    payload[4] = static_cast<char>(time.hour());
    payload[5] = static_cast<char>(time.minute());
    payload[6] = static_cast<char>(time.second());
    // Latitude, longitude (mas) and the two heights (cm), from offset 15.
    qToBigEndian<qint32>(48 * 3600000 + 1234567, payload.data() + 11);
    qToBigEndian<qint32>(11 * 3600000 + 7654321, payload.data() + 15);
    qToBigEndian<qint32>(52000, payload.data() + 19);
    qToBigEndian<qint32>(50500, payload.data() + 23);
    payload[51] = payload[52] = 8;  // visible, tracked
    for (int k = 0; k < 8; ++k) {
        char* channel = payload.data() + 53 + 6 * k;
        channel[0] = static_cast<char>(3 + 4 * k);  // PRN
        channel[1] = 8;                             // tracking
        channel[2] = static_cast<char>(45 + 3 * k); // signal
        channel[5] = static_cast<char>(0x80);       // used in the fix
    }
    return MotorolaMessage("Ha", payload);
}

void FakeReceiver::StartLiveData()
{
    connect(&liveTimer, &QTimer::timeout, this, [this] {
        if (protocol == Protocol::MotorolaBinary)
            Send(PositionMessage(QDateTime::currentDateTimeUtc()));
    });
    liveTimer.start(1000);
}

int FakeReceiver::RateOfDataRateCommand(unsigned char high, unsigned char low)
{
    high &= 0x3F;  // the binary mode's 0x40
    const int digits = (high >> 4) * 1000 + (high & 0x0F) * 100 + (low >> 4) * 10 + (low & 0x0F);
    return digits * 100;
}

void FakeReceiver::OnReadyRead()
{
    const QByteArray bytes = port.readAll();
    // Bytes at another rate are noise to the receiver.
    if (programRate && programRate() != rate)
        return;
    buffer += bytes;
    QByteArray command;
    while (TakeCommand(command)) {
        heard.append(command);
        Answer(command);
    }
}

bool FakeReceiver::TakeCommand(QByteArray& command)
{
    qsizetype end = -1;
    if (buffer.startsWith("\xB5\x62")) {
        // A UBX frame knows its length; its bytes may hold a CR LF.
        if (buffer.size() < 6)
            return false;
        const int length = static_cast<unsigned char>(buffer.at(4)) | (static_cast<unsigned char>(buffer.at(5)) << 8);
        end = 6 + length + 2;
        if (buffer.size() < end + 2)
            return false;
    } else {
        end = buffer.indexOf("\r\n");
        if (end < 0)
            return false;
    }
    command = buffer.left(end);
    buffer.remove(0, end + 2);
    // The checksum is the program's business; the receiver reads what precedes it.
    if (command.startsWith("@@") && command.size() > 4)
        command.chop(1);
    else if (command.startsWith('$') && command.indexOf('*') > 0)
        command.truncate(command.indexOf('*'));
    else if (command.startsWith("\xB5\x62"))
        command.chop(2);
    return true;
}

void FakeReceiver::Answer(const QByteArray& command)
{
    switch (protocol) {
    case Protocol::MotorolaBinary:
        AnswerMotorola(command);
        break;
    case Protocol::MotorolaNmea:
        if (command == "$PMOTG,FOR,0")
            protocol = Protocol::MotorolaBinary;
        else if (command.startsWith("$PMOTG,"))
            Send(NmeaSentence(command));  // the receiver acknowledges with the sentence
        break;
    case Protocol::Loran:
        if (command == "BIN")
            protocol = Protocol::MotorolaBinary;
        else if (command.startsWith('T') || command == "Z")
            Send(command + "OK\r\n");
        break;
    case Protocol::Ubx:
        if (command.startsWith(QByteArray("\xB5\x62\x0A\x04", 4))) {
            QByteArray version(40, '\0');
            version.replace(0, 12, "7.03 (45969)");
            version.replace(30, 8, "00040007");
            Send(FrameBuilders::Ubx(0x0A, 0x04, version));
        } else if (command.startsWith(QByteArray("\xB5\x62\x06\x00", 4)) && command.size() >= 6 + 12) {
            rate = static_cast<int>(qFromLittleEndian<quint32>(command.constData() + 6 + 8));
        }
        break;
    case Protocol::Nmea:
        break;  // a generic receiver only talks
    }
}

void FakeReceiver::AnswerMotorola(const QByteArray& command)
{
    const QByteArray head = command.left(4);
    const bool bTwelve = kind != Kind::Motorola8;
    if (head == "@@Cj") {
        Send(Identification(kind));
    } else if (head == "@@Ha" && bTwelve) {
        Send(MotorolaMessage("Ha"));
    } else if (head == "@@Ea" && !bTwelve) {
        Send(MotorolaMessage("Ea"));
    } else if ((head == "@@Hn" && bTwelve) || (head == "@@En" && !bTwelve)) {
        Send(MotorolaMessage(head.mid(2).constData()));
    } else if (head == "@@Wb" && command.size() >= 6) {
        Send(MotorolaMessage("Wb", command.mid(4, 2)));
        if (const int newRate = RateOfDataRateCommand(command.at(4), command.at(5)); newRate > 0)
            rate = newRate;
    } else if (head == "@@Ci" && command.size() >= 5) {
        if (command.at(4) == 1)
            protocol = Protocol::MotorolaNmea;
        else if (command.at(4) == 2)
            protocol = Protocol::Loran;
    }
}

void FakeReceiver::Send(const QByteArray& bytes)
{
    port.write(bytes);
    port.flush();
}
