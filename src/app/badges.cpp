// The status-bar badges, the hand-off of each decoded position to the averaging, and
// the comma-field splitter of the sentence decoders.

#include "mainwindow.h"

#include "gpsnavdialog.h"
#include "gpsrxdialog.h"
#include "ui_mainwindow.h"

#include <QLabel>

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
    // The decoders report the same state every second; a new style sheet, even the same
    // one, has the label polished and laid out again.
    const QString text = QString::fromLatin1(badge.text);
    const QString style = QString::fromLatin1(badge.style);
    if (label->text() != text)
        label->setText(text);
    if (label->styleSheet() != style)
        label->setStyleSheet(style);
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
    antennaBadgeState = state;
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
    navigationBadgeState = status;
    ShowBadge(navigationBadge, status >= 0 && status < 3 ? badges[status] : unknown);
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
