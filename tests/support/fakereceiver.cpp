#include "fakereceiver.h"

#include "framebuilders.h"

#include <QDateTime>
#include <QtEndian>

namespace {

using Kind = FakeReceiver::Kind;

// The rest of the message as zeros: a receiver with nothing to report yet.
QByteArray MotorolaMessage(const char* id, const QByteArray& payload = QByteArray())
{
    QByteArray msg = QByteArray("@@") + id + payload;
    msg = msg.leftJustified(GpsSerialPortThread::MotorolaMessageLength(msg) - 3, '\0');
    GpsSerialPortThread::AppendMotorolaChecksum(msg);
    return msg + "\r\n";
}

// The identification block: fixed-width lines of maker, software version and revision,
// model (a 12-channel M12 timing model, an 8-channel UT+, or a name to look up further
// on) and options, blank-padded; each text at an offset counted from the first "@".
QByteArray Identification(Kind kind)
{
    QByteArray msg = "@@Cj" + QByteArray(GpsSerialPortThread::MotorolaMessageLength("@@Cj") - 7, ' ');
    const bool bSsr = kind == Kind::Ssr;
    const std::pair<int, const char*> texts[] = {
        {4, bSsr ? "\r\nCOPYRIGHT 2009 Synergy Systems LLC   " : "\r\nCOPYRIGHT 1991-2006 MOTOROLA INC.  "},
        {56, "\r\nSFTW P/N #  61-G10268A  "}, {70, "SOFTWARE VER #"}, {84, kind == Kind::Motorola8 ? "2" : "1"},
        {98, "SOFTWARE REV #"}, {112, "3"}, {140, "MODEL # "},
        {148, kind == Kind::Motorola12 ? "P143T12NR1" : kind == Kind::Motorola8 ? "R5122U1152" : "XXXXXX"},
        {170, "\r\nHWDR P/N # 2  "}, {200, bSsr ? "OPTIONS LIST    SSR-M8T+ " : ""},
        {230, "\r\nSERIAL #     SSG0001  "}, {260, "\r\nMANUFACTUR DATE 6B19 "}};
    for (const auto& [offset, text] : texts)
        msg.replace(offset, static_cast<qsizetype>(qstrlen(text)), text);
    GpsSerialPortThread::AppendMotorolaChecksum(msg);
    return msg + "\r\n";
}

// A 12-channel position message: a fixed site and eight satellites tracked and used.
QByteArray PositionMessage(const QDateTime& utc)
{
    QByteArray payload(144, '\0');
    const char head[] = {char(utc.date().month()), char(utc.date().day()), 0, 0,
                         char(utc.time().hour()), char(utc.time().minute()), char(utc.time().second())};
    payload.replace(0, 7, QByteArray(head, 7));
    qToBigEndian<quint16>(static_cast<quint16>(utc.date().year()), payload.data() + 2);
    // Latitude, longitude (mas) and the two heights (cm).
    const qint32 site[] = {48 * 3600000 + 1234567, 11 * 3600000 + 7654321, 52000, 50500};
    for (int i = 0; i < 4; ++i)
        qToBigEndian<qint32>(site[i], payload.data() + 11 + 4 * i);
    payload[51] = payload[52] = 8;  // visible, tracked
    for (int k = 0; k < 8; ++k) {   // PRN, tracking, signal, used in the fix
        const char channel[] = {char(3 + 4 * k), 8, char(45 + 3 * k), 0, 0, char(0x80)};
        payload.replace(53 + 6 * k, 6, QByteArray(channel, 6));
    }
    return MotorolaMessage("Ha", payload);
}

// The same site as a fix sentence: 48°07.038' N, 11°31.000' E, eight satellites used.
QByteArray FixSentence(const QDateTime& utc)
{
    return FrameBuilders::Nmea("$GPGGA," + utc.toString(QStringLiteral("HHmmss.00")).toLatin1() +
                               ",4807.0380,N,01131.0000,E,1,08,0.9,545.4,M,46.9,M,,") + "\r\n";
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
    while (port.waitForReadyRead(50))  // what was sent before it was attached is not for it
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
            heads << QString::fromLatin1(c.indexOf(',', 7) < 0 ? c : c.left(c.indexOf(',', 7)));
        else
            heads << QString::fromLatin1(c.left(4));
    }
    return heads;
}

void FakeReceiver::StartLiveData()
{
    connect(&liveTimer, &QTimer::timeout, this, [this] {
        if (protocol == Protocol::MotorolaBinary)
            Send(PositionMessage(QDateTime::currentDateTimeUtc()));
        else if (protocol == Protocol::Nmea || protocol == Protocol::Ubx)
            Send(FixSentence(QDateTime::currentDateTimeUtc()));
    });
    liveTimer.start(1000);
}

QByteArray FakeReceiver::SendLast(int mode)
{
    // LORAN lines, Motorola binary, and the NMEA sentences of the other modes.
    const QByteArray last = mode == 0                ? QByteArray("LAST\r\n")
                            : mode == 2 || mode == 3 ? MotorolaMessage("Bb")
                                                     : FrameBuilders::Nmea("$GPTXT,01,01,02,LAST") + "\r\n";
    Send(last);
    return last.left(4);
}

void FakeReceiver::OnReadyRead()
{
    const QByteArray bytes = port.readAll();
    if (programRate && programRate() != rate)
        return;  // bytes at another rate are noise to the receiver
    buffer += bytes;
    for (;;) {
        // A UBX frame knows its length (its bytes may hold a CR LF); the rest end in one.
        qsizetype end = buffer.indexOf("\r\n");
        if (buffer.startsWith("\xB5\x62"))
            end = buffer.size() < 6 ? -1 : 8 + (uchar(buffer.at(4)) | uchar(buffer.at(5)) << 8);
        if (end < 0 || buffer.size() < end + 2)
            return;
        QByteArray command = buffer.left(end);
        buffer.remove(0, end + 2);
        // The checksum is the program's business; the receiver reads what precedes it.
        if ((command.startsWith("@@") && command.size() > 4) || command.startsWith("\xB5\x62"))
            command.chop(command.startsWith('@') ? 1 : 2);
        else if (command.startsWith('$') && command.indexOf('*') > 0)
            command.truncate(command.indexOf('*'));
        heard.append(command);
        Answer(command);
    }
}

void FakeReceiver::Answer(const QByteArray& command)
{
    const QByteArray head = command.left(4);
    const bool bTwelve = kind != Kind::Motorola8;
    switch (protocol) {
    case Protocol::MotorolaBinary:
        if (head == "@@Cj") {
            Send(Identification(kind));
        } else if (QByteArrayList{"@@Ha", "@@Hn", "@@Ea", "@@En"}.contains(head) && (head.at(2) == 'H') == bTwelve) {
            Send(MotorolaMessage(head.mid(2).constData()));
        } else if (head == "@@Wb" && command.size() >= 6) {
            Send(MotorolaMessage("Wb", command.mid(4, 2)));
            // Four decimal digits of hundreds of bit/s, under the binary mode's 0x40.
            const int high = command.at(4) & 0x3F, low = uchar(command.at(5));
            if (const int r = ((high >> 4) * 1000 + (high & 15) * 100 + (low >> 4) * 10 + (low & 15)) * 100)
                rate = r;
        } else if (head == "@@Ci" && command.size() >= 5 && (command.at(4) == 1 || command.at(4) == 2)) {
            protocol = command.at(4) == 1 ? Protocol::MotorolaNmea : Protocol::Loran;
        }
        break;
    case Protocol::MotorolaNmea:
        if (command == "$PMOTG,FOR,0")
            protocol = Protocol::MotorolaBinary;
        else if (command.startsWith("$PMOTG,"))
            Send(FrameBuilders::Nmea(command) + "\r\n");  // acknowledged with the sentence
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
            version.replace(0, 12, "7.03 (45969)").replace(30, 8, "00040007");
            Send(FrameBuilders::Ubx(0x0A, 0x04, version));
        } else if (command.startsWith(QByteArray("\xB5\x62\x06\x00", 4)) && command.size() >= 6 + 12) {
            rate = static_cast<int>(qFromLittleEndian<quint32>(command.constData() + 6 + 8));
        }
        break;
    case Protocol::Nmea:
        break;  // a generic receiver only talks
    }
}
