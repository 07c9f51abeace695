// What the status bar says about the link to the receiver, and the badges while the
// link is quiet: a port that is not open, a receiver that fell silent, their return.

#include "mainwindow.h"

#include "gpsportdialog.h"
#include "pctime.h"
#include "statusnotes.h"

#include <QLabel>

void MainWindow::CheckReceiverLink()
{
    if (bShuttingDown)
        return;
    const bool bReceiverWork = bGpsSearchActive || receiverWorkDepth > 0;
    // The live mode: the one the framer follows.
    receiverLinkWatch.SetNamesForNote(gpsPortThread.GetPortName(), GpsPortDialog::ModeText(receiverInfo.gpsPortMode));
    if (receiverLinkWatch.Check(gpsPortThread.Port().isOpen(), bReceiverWork)) {
        HoldBadges();
        qInfo("%s", qPrintable(receiverLinkWatch.Text(PcTime::CurrentUtc())));
    }
    ShowReceiverLinkText();
}

void MainWindow::ShowReceiverLinkText()
{
    if (!receiverLinkLabel || !statusMessageLabel)
        return;
    const QString text = receiverLinkWatch.Text(PcTime::CurrentUtc());
    // The window is narrow: a long port name loses its middle rather than the reason at
    // the end, and the whole line is in the tool tip. The port's return gives way to
    // what is wrong elsewhere.
    ShowStatusNote(receiverLinkLabel, text, gpsPortThread.GetPortName(), receiverLinkWatch.SaysReturn());
    // The identity line keeps its text underneath, for when the link is well again.
    statusMessageLabel->setVisible(text.isEmpty());
}

void MainWindow::OnPpsLineNote(const QString& text)
{
    if (bShuttingDown)
        return;
    ShowStatusNote(ppsLineLabel, text, gpsPortThread.GetPortName());
}

void MainWindow::HoldBadges()
{
    // Nothing heard: no badge may go on claiming a live receiver. What they showed comes
    // back with the next message, since not every mode has a decoder that sets them.
    if (!bBadgesHeld) {
        heldNavigationState = navigationBadgeState;
        heldAntennaState = antennaBadgeState;
        bBadgesHeld = true;
    }
    // A badge already unknown keeps its text: the start-up one is spelt its own way.
    if (navigationBadgeState != -1)
        ShowNavigationStatus(-1);
    if (antennaBadgeState != -1)
        ShowAntennaStatus(-1);
}

void MainWindow::OnGpsBytesReceived()
{
    receiverLinkWatch.BytesHeard(PcTime::CurrentUtc());
}

void MainWindow::ReceiverHeard()
{
    if (receiverLinkWatch.MessageHeard(PcTime::CurrentUtc()))
        ShowReceiverLinkText();
    if (!bBadgesHeld)
        return;
    // Put back before the message is decoded, so that a status it carries wins.
    bBadgesHeld = false;
    ShowNavigationStatus(heldNavigationState);
    ShowAntennaStatus(heldAntennaState);
}

void MainWindow::OnGpsPortDown(const QString& text)
{
    if (bShuttingDown)
        return;
    receiverLinkWatch.PortDown(text);
    HoldBadges();
    ShowReceiverLinkText();
}

void MainWindow::OnGpsPortBack(const QString& note)
{
    if (bShuttingDown)
        return;
    receiverLinkWatch.PortBack(note);
    OnGpsPortOpened();
}

void MainWindow::OnGpsPortOpened()
{
    if (bShuttingDown)
        return;
    receiverLinkWatch.PortOpened();
    ShowReceiverLinkText();
    // A port that was not open when the receiver was to be set up: the set-up of its
    // mode runs now, as it would have at start-up. Queued, since the port object is
    // still inside its open, which the set-up repeats; a set-up started meanwhile by
    // other means has taken the wish.
    if (bInitializeWhenPortOpens) {
        QMetaObject::invokeMethod(this, [this] {
            if (bInitializeWhenPortOpens && !SearchMustEnd() && receiverWorkDepth == 0)
                InitializeGpsReceiverOrWarn();
        }, Qt::QueuedConnection);
    }
}
