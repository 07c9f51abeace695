// The status-bar badges and the receiver-link line beside them, the hand-off of each
// decoded position to the averaging, and the comma-field splitter of the sentence
// decoders.

#include "mainwindow.h"

#include "gpsnavdialog.h"
#include "gpsrxdialog.h"
#include "pctime.h"
#include "ui_mainwindow.h"

#include <QLabel>
#include <QStatusBar>

namespace {

const char* const kGoodStyle = "padding: 2px 5px; color:white; background-color:green";
const char* const kFaultStyle = "padding: 2px 5px; color:white; background-color:red";
const char* const kDegradedStyle = "padding: 2px 5px; color:black; background-color:yellow";
const char* const kUnknownStyle = "padding: 2px 5px; color:black; background-color:white";

struct Badge
{
    const char* text;
    const char* style;
};

void ShowBadge(QLabel* label, const Badge& badge)
{
    if (!label)
        return;
    label->setText(QString::fromLatin1(badge.text));
    label->setStyleSheet(QString::fromLatin1(badge.style));
}

}  // namespace

void MainWindow::ShowAntennaStatus(int state)
{
    static const Badge badges[4] = {
        {"Ant OK", kGoodStyle},
        {"Ant OC Short", kFaultStyle},
        {"Ant Open", kDegradedStyle},
        {"Ant No Pwr", kDegradedStyle},
    };
    static const Badge unknown = {"Ant Unknown", kUnknownStyle};
    ShowBadge(antennaBadge, state >= 0 && state < 4 ? badges[state] : unknown);
}

void MainWindow::ShowNavigationStatus(int status)
{
    static const Badge badges[3] = {
        {"Navigating", kGoodStyle},
        {"Position Hold", kGoodStyle},
        {"Surveying", kDegradedStyle},
    };
    static const Badge unknown = {"Nav Unknown", kUnknownStyle};
    if (gpsRxDialog)
        gpsRxDialog->navigationStatus = status;
    ShowBadge(navigationBadge, status >= 0 && status < 3 ? badges[status] : unknown);
}

void MainWindow::CheckReceiverLink()
{
    if (bShuttingDown)
        return;
    const bool bReceiverWork = bGpsSearchActive || receiverWorkDepth > 0;
    if (receiverLinkWatch.Check(gpsPortThread.Port().isOpen(), bReceiverWork)) {
        // Nothing heard: no badge may go on claiming a live receiver. The next decoded
        // status puts them back.
        ShowNavigationStatus(-1);
        ShowAntennaStatus(-1);
    }
    ShowReceiverLinkText();
}

void MainWindow::ShowReceiverLinkText()
{
    if (!receiverLinkLabel || !statusMessageLabel)
        return;
    const QString text = receiverLinkWatch.Text(PcTime::CurrentUtc());
    // The window is narrow: a long port name loses its middle rather than the reason at
    // the end, and the whole line is in the tool tip.
    int room = statusBar()->width() - 80;  // spacing and the size grip
    for (const QLabel* other : {navigationBadge, antennaBadge, heartbeatIndicator, ntpIndicator})
        room -= other->width();
    receiverLinkLabel->setText(receiverLinkLabel->fontMetrics().elidedText(text, Qt::ElideMiddle, room));
    receiverLinkLabel->setToolTip(text);
    // The identity line keeps its text underneath, for when the link is well again.
    receiverLinkLabel->setVisible(!text.isEmpty());
    statusMessageLabel->setVisible(text.isEmpty());
}

void MainWindow::OnGpsPortLost(const QString& text)
{
    if (bShuttingDown)
        return;
    receiverLinkWatch.PortLost(text);
    ShowNavigationStatus(-1);
    ShowAntennaStatus(-1);
    ShowReceiverLinkText();
}

void MainWindow::OnGpsPortBack(const QString& text)
{
    if (bShuttingDown)
        return;
    receiverLinkWatch.PortBack(text);
    ShowReceiverLinkText();
}

void MainWindow::AddPositionSample(double latitude, double longitude, double altGps, double altMsl)
{
    if (!gpsNavDialog)
        return;
    const int gpsMode = gpsRxDialog ? gpsRxDialog->gpsMode : 0;
    ui->IDC_GRIDSQUARE->setText(gpsNavDialog->AddNavSample(latitude, longitude, altGps, altMsl, gpsMode));
}

QByteArray MainWindow::TakeFirstField(QByteArray& text, QByteArray defaultValue)
{
    QByteArray field;
    const qsizetype comma = text.indexOf(',');
    if (comma >= 0) {
        field = text.left(comma);
        text = text.mid(comma + 1);
    } else {
        field = text;
        text.clear();
    }
    // Empty is judged before trimming: a lone blank is a field, not a missing one.
    if (field.isEmpty())
        field = defaultValue;
    return field.trimmed();
}
