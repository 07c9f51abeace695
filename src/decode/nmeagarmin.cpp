// The Garmin sentences: what the receiver reports of its self test, its initialisation
// and its configuration, as readable text for the receiver-identification window and
// the configuration log. Each accepted one answers a pending "$PGRM" probe.

#include "mainwindow.h"

#include "gpsrxiddialog.h"
#include "logtexts.h"

#include <QDebug>

namespace {

struct LabelledField
{
    const char* label;
    const char* ending;
};

// "$PGRMT": the self test, fields 2 to 8 after the product name.
constexpr LabelledField kSelfTest[] = {
    {"ROM checksum test (P=pass, F=fail) = ", "\n"},
    {"Receiver failure? (P=pass, F=fail) = ", "\n"},
    {"Stored Data (L=lost, R=retained) = ", "\n"},
    {"Real time clock (L=lost, R=retained) = ", "\n"},
    {"Oscillator drift (P=pass, F=fail) = ", "\n"},
    {"Data collection (C = collecting) = ", "\n"},
    {"Board temperature (degrees C) = ", "\n"},
};

// "$PGRMC": the configuration, fields 1 to 12.
constexpr LabelledField kConfiguration[] = {
    {"  Fix Mode = ", "\n"},
    {"  Altitude (MSL) = ", " meters\n"},
    {"  Earth Datum Index = ", "\n"},
    {"  Semi-major axis = ", " meters\n"},
    {"  Inverse Flattening factor = ", "\n"},
    {"  Delta-X = ", "\n"},
    {"  Delta-Y = ", "\n"},
    {"  Delta-Z = ", "\n"},
    {"  Differential Mode = ", "\n"},
    {"  Baud Rate = ", "\n"},
    {"  Velocity Filter = ", "\n"},
    {"  Null field = ", "\n"},
};

QString Text(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes);
}

QString Line(const LabelledField& field, const QByteArray& value)
{
    return QLatin1String(field.label) + Text(value) + QLatin1String(field.ending);
}

}  // namespace

void MainWindow::DecodeNmeaGarmin(char letter, QByteArray body, QString* configurationText)
{
    QStringList lines;
    switch (letter) {
    case 'T': {
        QString text = Text(TakeFirstField(body, QByteArray())) + QLatin1Char('\n');
        for (const LabelledField& field : kSelfTest)
            text += Line(field, TakeFirstField(body, QByteArray()));
        // The self test goes to the window only, whole.
        if (gpsRxIdDialog)
            gpsRxIdDialog->AppendRxIdText(text);
        break;
    }
    case 'I': {
        // Cut from the field's text as it came: nothing is converted or checked.
        lines << QStringLiteral("$PRGMI Initialization Message:\n");
        const QByteArray latitude = TakeFirstField(body, "0000.0000");
        const QByteArray north = TakeFirstField(body, QByteArray());
        lines << QStringLiteral("  Latitude = ") + Text(latitude.left(2)) + QStringLiteral(" deg  ") +
                     Text(latitude.mid(2)) + QStringLiteral(" min ") + Text(north) + QLatin1Char('\n');
        const QByteArray longitude = TakeFirstField(body, "00000.0000");
        const QByteArray east = TakeFirstField(body, QByteArray());
        lines << QStringLiteral("  Longitude = ") + Text(longitude.left(3)) + QStringLiteral(" deg  ") +
                     Text(longitude.mid(3)) + QStringLiteral(" min ") + Text(east) + QLatin1Char('\n');
        const QByteArray date = TakeFirstField(body, "000000");
        lines << QStringLiteral("  Day = ") + Text(date.left(2)) + QStringLiteral(", Month = ") + Text(date.mid(2, 2)) +
                     QStringLiteral(", Year = ") + Text(date.right(2)) + QLatin1Char('\n');
        const QByteArray time = TakeFirstField(body, "000000");
        lines << QStringLiteral("  Hour = ") + Text(time.left(2)) + QStringLiteral(", Minute = ") + Text(time.mid(2, 2)) +
                     QStringLiteral(", Second = ") + Text(time.right(2)) + QLatin1Char('\n');
        lines << QStringLiteral("  Acq Reset = ") + Text(TakeFirstField(body, "000000")) + QLatin1Char('\n');
        break;
    }
    case 'C':
        lines << QStringLiteral("$PGRMC Configuration Message:\n");
        for (const LabelledField& field : kConfiguration)
            lines << Line(field, TakeFirstField(body, QByteArray()));
        break;
    case 'O': {
        const QByteArray target = TakeFirstField(body, "NONE");
        lines << QStringLiteral("$PGRMO: Target Sentence = ") + Text(target) + QStringLiteral(",   Mode = ") +
                     Text(TakeFirstField(body, QByteArray())) + QLatin1Char('\n');
        break;
    }
    default:
        return;
    }
    // Line by line: each replaces the configuration text, so the log gets the last.
    for (const QString& line : std::as_const(lines)) {
        *configurationText = line;
        qDebug("%s", LogTexts::Printable(line.trimmed().toLatin1()).constData());
        if (gpsRxIdDialog)
            gpsRxIdDialog->SetRxIdText(line);
    }
    bAnswerReceived[AnswerPgrm] = true;
}
