// The satellite sentences: fix mode and DOPs, and the satellites in view.

#include "mainwindow.h"

#include "gpsnavdialog.h"
#include "nmeafields.h"
#include "ui_mainwindow.h"

#include <QLabel>

#include <algorithm>
#include <cstdint>
#include <iterator>

namespace {

// A group's satellite blocks fill the first slots of the table, four per sentence.
constexpr int kGroupSlots = 16;
// The tables and the sky chart index by satellite number.
constexpr int kHighestPrn = 255;

}  // namespace

bool MainWindow::DecodeNmeaGsa(const QByteArray& sentence)
{
    const QByteArray work = Nmea::FillEmptyFields(sentence);
    // The id matched, so the work copy has at least its six bytes.
    Nmea::Scanner scanner(QByteArrayView(work).sliced(6));
    char mode = 0;
    int fixType = 0;
    int satellite = 0;
    double pdop = 0.0;
    double hdop = 0.0;
    double vdop = 0.0;
    bool read = scanner.Literal(',') && scanner.Char(&mode) && scanner.Literal(',') && scanner.Int(&fixType);
    for (int k = 0; k < 12 && read; ++k)
        read = scanner.Literal(',') && scanner.Int(&satellite);  // the numbers are not used
    read = read && scanner.Literal(',') && scanner.Double(&pdop) && scanner.Literal(',') &&
           scanner.Double(&hdop) && scanner.Literal(',') && scanner.Double(&vdop);
    if (!read)
        return false;

    const QString how = mode == 'A' ? QStringLiteral(" (A)") : QStringLiteral(" (M)");
    QString status;
    int navMode = 1;
    if (fixType == 2) {
        status = QStringLiteral("2-D Fix") + how;
        navMode = 2;
    } else if (fixType == 3) {
        status = QStringLiteral("3-D Fix") + how;
        navMode = 3;
    } else {
        status = QStringLiteral("No Fix");
    }
    ui->IDC_SATS_STATUS_MESSAGE->setText(status);
    if (gpsNavDialog) {
        gpsNavDialog->SetNavMode(navMode);
        // The sentence has no geometric or time DOP: those keep their values.
        if (gpsNavDialog->GetNavMode() == 3)
            gpsNavDialog->SetDops(-1.0, pdop, hdop, vdop, -1.0);
    }
    return true;
}

bool MainWindow::DecodeNmeaGsv(const QByteArray& sentence)
{
    const QList<QByteArray> fields = Nmea::FillEmptyFields(sentence).split(',');

    // Up to four blocks of satellite number, elevation, azimuth and signal-to-noise
    // ratio follow the three header fields; only whole blocks count.
    int values[16] = {};
    int read = 0;
    while (read < 16 && 4 + read < fields.size() && Nmea::WholeInt(fields.at(4 + read), &values[read]))
        ++read;
    if (read % 4 != 0)
        return false;
    int messages = 0;
    int number = 0;
    int inView = 0;
    if (fields.size() < 4 || !Nmea::WholeInt(fields.at(1), &messages) ||
        !Nmea::WholeInt(fields.at(2), &number) || !Nmea::WholeInt(fields.at(3), &inView))
        return false;

    const int blockCount = read / 4;
    SatelliteRecord blocks[4];
    for (int b = 0; b < blockCount; ++b) {
        SatelliteRecord& record = blocks[b];
        record.prn = values[4 * b];
        record.elevation = values[4 * b + 1];
        record.azimuth = values[4 * b + 2];
        record.signalLevel = Nmea::SignalLevel(receiverInfo.receiverModel, values[4 * b + 3]);
        record.elevationTrend = 0;
        // A satellite heard counts as used in the fix: the sentence does not say.
        record.bTracked = record.signalLevel != 0;
        record.channelState = record.bTracked ? 8 : 9;
        record.statusFlags = record.bTracked ? static_cast<int8_t>(0x81) : int8_t(0);
    }

    if (number == 1) {
        std::fill(std::begin(satellites), std::end(satellites), emptySatelliteRecord);
        std::fill(std::begin(satelliteDisplayTable), std::end(satelliteDisplayTable), emptySatelliteRecord);
    }
    // Slots by position in the group; a sentence stores only the blocks it carries.
    const int64_t firstSlot = (int64_t(number) - 1) * 4;
    const int64_t count = std::min<int64_t>({int64_t(inView) - firstSlot, 4, blockCount});
    for (int k = 0; k < count; ++k) {
        const int64_t slot = firstSlot + k;
        if (slot < 0 || slot >= kGroupSlots || blocks[k].prn < 0 || blocks[k].prn > kHighestPrn)
            continue;
        satellites[slot] = blocks[k];
    }
    if (number == messages)
        UpdateSatelliteTable();
    return true;
}
