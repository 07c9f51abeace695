// The one-second beat, driven by the receiver's 1PPS edge.

#include "mainwindow.h"

#include "gpslogtypedialog.h"
#include "gpsrawdatadialog.h"

#include <QLabel>
#include <QTimer>

namespace {

// How long the heartbeat LED stays lit after a tick.
constexpr int kHeartbeatMs = 300;

// The receivers that take the 12-channel leap-second query.
bool TakesGjQuery(int model)
{
    switch (model) {
    case 3: case 4: case 5: case 18: case 20: case 21: case 22: case 23: case 24:
        return true;
    default:
        return false;
    }
}

}  // namespace

void MainWindow::OnClockTick()
{
    if (bShuttingDown || bGpsSearchActive)
        return;

    for (int k = 0; k < 8; ++k) {
        if (bTicPortStale[k])
            continue;
        if (++ticDataAge[k] > 2)
            bTicPortStale[k] = true;
    }
    for (int& holdoff : messageHoldoff) {
        if (holdoff > 0)
            --holdoff;
    }

    const auto lightHeartbeat = [this] {
        if (heartbeatIndicator)
            heartbeatIndicator->setPixmap(ledOnPixmap);
        QTimer::singleShot(kHeartbeatMs, this, &MainWindow::ResetHeartbeat);
    };

    // The flag is still up from the last tick: that second's time message never came.
    if (bPpsAwaitingTime[0]) {
        // The tick proves a second passed all the same: what shows and logs the receiver's
        // time stands in with the second after the one it holds, never the same again.
        if (receiverTime.mjd != 0)
            ++secondsStoodIn;
        bLogThisSecond = gpsLogTypeDialog && gpsLogTypeDialog->gpsLogPeriod == 1;
        lightHeartbeat();
        if (bTickSound)
            playTickSound(minuteTickSound);
    }

    for (bool& awaiting : bPpsAwaitingTime)
        awaiting = true;
    bZdaTimeThisSecond = false;
    bTimeMessageSeen = false;

    LogStatusRecord();
    if (gpsRawDataDialog && gpsRawDataDialog->isVisible())
        gpsRawDataDialog->AppendText(QStringLiteral("-- PPS --"));
    UpdateClockDisplay();

    const int second = receiverTime.Second();
    if (receiverInfo.gpsPortMode == GpsPortModeMotorolaBinary) {
        if (second == 20)
            SendGpsMessage(TakesGjQuery(receiverInfo.receiverModel) ? QByteArray("@@Gj") : QByteArray("@@Bj"));
        else if (second == 21)
            SendGpsMessage(QByteArray("@@Bo\x01", 5));
    } else if (receiverInfo.gpsPortMode == GpsPortModeUbloxUbx && second == 11) {
        SendGpsMessage(QByteArray("\xB5\x62\x0B\x02\x00\x00", 6));
    }

    lightHeartbeat();

    // The logs need no flush of their own here: each line reaches the system as it is
    // written.
    if (second == 0) {
        if (bTickSound)
            playTickSound(minuteTickSound);
    } else if (bOutOfLock) {
        if (bOutOfLockSound)
            playTickSound(warnTickSound);
    } else if (bTickSound) {
        playTickSound(secondTickSound);
    }
}
