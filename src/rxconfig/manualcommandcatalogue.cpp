// The command catalogue and the reading, completing and showing of one command; none of
// it needs a widget.

#include "manualcommanddialog.h"

#include "mainwindow.h"

#include "gpsserialportthread.h"
#include "receiverinfo.h"
#include "storedvalues.h"

#include <QRegularExpression>
#include <QSettings>

namespace {

using Entry = ManualCommandDialog::CatalogueEntry;

const QList<Entry> kMotorolaBinary = {
    {"Receiver ID", "@@Cj"},
    {"Position/status/data, 12 channels, once", "@@Ha 00"},
    {"Position/status/data, 12 channels, every second", "@@Ha 01"},
    {"Position/status/data, 8 channels, once", "@@Ea 00"},
    {"Position/status/data, 8 channels, every second", "@@Ea 01"},
    {"Position/status/data, 6 channels, once", "@@Ba 00"},
    {"Position/status/data, 6 channels, every second", "@@Ba 01"},
    {"Short position, 12 channels, once", "@@Hb 00"},
    {"Visible satellites, once", "@@Bb 00"},
    {"DOPs, 6 channels, once", "@@Bk 00"},
    {"DOPs, 8 channels, once", "@@Ek 00"},
    {"T-RAIM status, 12 channels, once", "@@Hn 00"},
    {"Leap second status, 12 channels", "@@Gj"},
    {"Leap second status, 6 and 8 channels", "@@Bj"},
    {"UTC offset", "@@Bo 01"},
    {"Time mode: UTC", "@@Aw 01"},
    {"Receiver mode: position fix", "@@Cg 01"},
    {"Position control: normal, 12 channels", "@@Gd 00"},
};

const QList<Entry> kMotorolaNmea = {
    {"Time and date (ZDA), every second", "$PMOTG,ZDA,0001"},
    {"Time and date (ZDA), off", "$PMOTG,ZDA,0000"},
    {"Fix data (GGA), every second", "$PMOTG,GGA,0001"},
    {"Fix data (GGA), off", "$PMOTG,GGA,0000"},
    {"DOPs and active satellites (GSA), every second", "$PMOTG,GSA,0001"},
    {"DOPs and active satellites (GSA), off", "$PMOTG,GSA,0000"},
    {"Satellites in view (GSV), every second", "$PMOTG,GSV,0001"},
    {"Satellites in view (GSV), off", "$PMOTG,GSV,0000"},
    {"Recommended minimum data (RMC), every second", "$PMOTG,RMC,0001"},
    {"Recommended minimum data (RMC), off", "$PMOTG,RMC,0000"},
    {"Geographic position (GLL), off", "$PMOTG,GLL,0000"},
    {"Course and speed (VTG), off", "$PMOTG,VTG,0000"},
    {"Switch to Motorola binary", "$PMOTG,FOR,0"},
};

const QList<Entry> kGarmin = {
    {"Sensor configuration ($PGRMC)", "$PGRMCE"},
    {"Sensor initialisation ($PGRMI)", "$PGRMIE"},
    {"Almanac ($GPALM)", "$PGRMO,GPALM,1"},
    {"Sensor status ($PGRMT), on", "$PGRMO,PGRMT,1"},
};

const QList<Entry> kUblox = {
    {"Receiver and software version (MON-VER)", "B5 62 0A 04 00 00"},
    {"Hardware and antenna status (MON-HW)", "B5 62 0A 09 00 00"},
    {"Navigation status (NAV-STATUS)", "B5 62 01 03 00 00"},
    {"UTC time (NAV-TIMEUTC)", "B5 62 01 21 00 00"},
    {"Position (NAV-POSLLH)", "B5 62 01 02 00 00"},
    {"DOPs (NAV-DOP)", "B5 62 01 04 00 00"},
    {"Satellites (NAV-SVINFO)", "B5 62 01 30 00 00"},
    {"Leap seconds and UTC offset (AID-HUI)", "B5 62 0B 02 00 00"},
    {"Time pulse (TIM-TP)", "B5 62 0D 01 00 00"},
    {"Survey-in status (TIM-SVIN)", "B5 62 0D 04 00 00"},
    {"Navigation settings (CFG-NAV5)", "B5 62 06 24 00 00"},
    {"Time pulse settings (CFG-TP5)", "B5 62 06 31 00 00"},
    {"Timing mode settings (CFG-TMODE2)", "B5 62 06 3D 00 00"},
};

// Bytes written as pairs of hex digits, in groups parted by blanks or commas.
bool ParseHexBytes(const QString& text, QByteArray& bytes)
{
    static const QRegularExpression separators(QStringLiteral("[\\s,]+"));
    static const QRegularExpression hexPairs(QStringLiteral("^([0-9A-Fa-f]{2})+$"));
    bytes.clear();
    for (const QString& group : text.split(separators, Qt::SkipEmptyParts)) {
        if (!hexPairs.match(group).hasMatch())
            return false;
        bytes.append(QByteArray::fromHex(group.toLatin1()));
    }
    return true;
}

bool IsPrintableAscii(const QString& text)
{
    for (QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() > 0x7E)
            return false;
    }
    return true;
}

bool IsAsciiLetter(QChar c)
{
    return (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) || (c >= QLatin1Char('a') && c <= QLatin1Char('z'));
}

const QString kBadCharacters = QStringLiteral("Extraineous characters in the field.");

}  // namespace

QList<ManualCommandDialog::CatalogueEntry> ManualCommandDialog::Catalogue(int gpsPortMode)
{
    switch (gpsPortMode) {
    case GpsPortModeMotorolaBinary:
    case GpsPortModeMotorolaBinaryRxOnly:
        return kMotorolaBinary;
    case GpsPortModeMotorolaNmea:
        return kMotorolaNmea;
    case GpsPortModeGenericNmea:
        return kGarmin;
    case GpsPortModeUbloxUbx:
    case GpsPortModeUbloxNmea:
        return kUblox;
    default:
        return {};
    }
}

bool ManualCommandDialog::ParseCommand(const QString& text, QByteArray& command, QString& error)
{
    command.clear();
    const QString typed = text.trimmed();
    if (typed.isEmpty()) {
        error = QStringLiteral("There is no command to send.");
        return false;
    }

    if (typed.startsWith(QLatin1Char('$'))) {
        // A checksum typed with the sentence is replaced by the one the sender computes.
        const QString sentence = typed.section(QLatin1Char('*'), 0, 0);
        if (!IsPrintableAscii(sentence)) {
            error = kBadCharacters;
            return false;
        }
        QByteArray probe = sentence.toLatin1();
        if (!GpsSerialPortThread::AppendNmeaChecksum(probe)) {
            error = QStringLiteral("The sentence is too short.");
            return false;
        }
        command = sentence.toLatin1();
        return true;
    }

    if (typed.startsWith(QLatin1String("@@"))) {
        if (typed.size() < 4 || !IsAsciiLetter(typed.at(2)) || !IsAsciiLetter(typed.at(3))) {
            error = QStringLiteral("\"@@\" must be followed by two id letters.");
            return false;
        }
        QByteArray payload;
        if (!ParseHexBytes(typed.mid(4), payload)) {
            error = kBadCharacters;
            return false;
        }
        command = typed.left(4).toLatin1() + payload;
        return true;
    }

    QByteArray frame;
    if (!ParseHexBytes(typed, frame)) {
        error = kBadCharacters;
        return false;
    }
    if (frame.size() < 2 || static_cast<unsigned char>(frame.at(0)) != 0xB5 || frame.at(1) != 0x62) {
        error = QStringLiteral("A command is a \"$\" sentence, \"@@\" and two id letters with hex bytes, "
                               "or a UBX frame in hex bytes starting B5 62.");
        return false;
    }
    if (frame.size() < 6) {
        error = QStringLiteral("A UBX frame needs its class, id and two length bytes.");
        return false;
    }
    const int length = static_cast<unsigned char>(frame.at(4)) | (static_cast<unsigned char>(frame.at(5)) << 8);
    const int payload = static_cast<int>(frame.size()) - 6;
    if (length != payload) {
        error = QStringLiteral("The UBX length field says %1 bytes, but the payload has %2.")
                    .arg(length)
                    .arg(payload);
        return false;
    }
    command = frame;
    return true;
}

QString ManualCommandDialog::FramePreview(QByteArray command)
{
    // Exactly what the raw data window will echo when the main window sends it.
    GpsSerialPortThread::AppendProtocolChecksum(command);
    return MainWindow::CommandEcho(command, true).mid(3);
}

bool ManualCommandDialog::IsSendAllowed()
{
    if (receiverInfo.gpsPortMode == GpsPortModeMotorolaBinaryRxOnly)
        return false;
    QSettings settings;
    return StoredValues::Name(settings, "GpsPortDialog/GPS Serial Port", "OFF") != QLatin1String("OFF");
}
