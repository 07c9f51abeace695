// Received receiver messages, handed to the decoder of the interface mode.

#include "mainwindow.h"

#include "gpsrawdatadialog.h"

void MainWindow::OnNewGpsText(QByteArray s)
{
    if (bShuttingDown)
        return;
    // Any message at all shows the receiver alive.
    ReceiverHeard();
    if (bGpsSearchActive)
        return;

    // Decided before any text is built: a hidden window costs no string work.
    const bool bEcho = gpsRawDataDialog && gpsRawDataDialog->isVisible();
    const QString arrow = QStringLiteral("-> ");
    const QString arrowWide = QStringLiteral("->  ");
    const QString unknown = QStringLiteral("?  ");
    QString line;

    switch (receiverInfo.gpsPortMode) {
    case GpsPortModeMotorolaLoran: {
        const bool ok = CheckLoranAnswer(s);
        if (bEcho)
            line = (ok ? arrowWide : unknown) + QString::fromUtf8(s);
        break;
    }
    case GpsPortModeMotorolaNmea:
    case 4:
    case GpsPortModeGenericNmea: {
        const bool ok = s.startsWith('$') && DecodeNmeaSentence(s);
        if (bEcho)
            line = (ok ? arrow : unknown) + QString::fromUtf8(s);
        break;
    }
    case GpsPortModeMotorolaBinary:
    case GpsPortModeMotorolaBinaryRxOnly: {
        const QString text = DecodeMotorolaBinary(s);
        if (bEcho)
            line = arrow + text;
        break;
    }
    case GpsPortModeUbloxUbx:
    case GpsPortModeUbloxNmea: {
        // A sentence the NMEA decoder does not take may still be a UBX message.
        if (s.startsWith('$') && DecodeNmeaSentence(s)) {
            if (bEcho)
                line = arrowWide + QString::fromUtf8(s);
            break;
        }
        const QString text = DecodeUbxMessage(s);
        if (bEcho)
            line = text.isEmpty() ? unknown + QString::fromUtf8(s) : arrowWide + text;
        break;
    }
    default:
        return;  // no decoder for this mode: dropped without echo
    }
    if (bEcho)
        gpsRawDataDialog->AppendText(line);
}
