#include "satelliteselect.h"

#include "numericfield.h"
#include "receiverinfo.h"
#include "storedvalues.h"
#include "ui_satelliteselect.h"
#include "windowgeometry.h"

#include <QCloseEvent>
#include <QLabel>
#include <QMessageBox>
#include <QSettings>

namespace {

// 0 leaves the channel to the receiver.
constexpr int kPrnLow = 0;
constexpr int kPrnHigh = 32;

}  // namespace

SatelliteSelect::SatelliteSelect(QWidget* parent) : QDialog(parent), ui(new Ui::SatelliteSelect)
{
    ui->setupUi(this);
    for (int k = 0; k < kMaxChannels; ++k) {
        channelFields[k] = findChild<QLineEdit*>(QStringLiteral("IDC_SATSEL_CHANNEL_%1").arg(k + 1));
        channelFields[k]->setText(QStringLiteral("0"));
        connect(channelFields[k], &QLineEdit::textEdited, this, &SatelliteSelect::IDC_SATSEL_CHANNEL_textEdited);
    }
    connect(ui->OK, &QPushButton::clicked, this, &SatelliteSelect::OK_clicked);
    connect(ui->CANCEL, &QPushButton::clicked, this, &SatelliteSelect::CANCEL_clicked);
}

SatelliteSelect::~SatelliteSelect()
{
    delete ui;
}

int SatelliteSelect::ChannelsToShow(int channelCount)
{
    return channelCount >= 1 && channelCount <= kMaxChannels ? channelCount : kMaxChannels;
}

QList<QByteArray> SatelliteSelect::SelectionCommands(const QList<int>& prns, int satelliteSelection)
{
    QList<QByteArray> commands;
    for (int k = 0; k < prns.size() && k < kMaxChannels; ++k) {
        if (prns.at(k) < 1 || prns.at(k) > kPrnHigh)
            continue;
        if (commands.isEmpty())
            commands.append(QByteArray("@@Ah") + char(1));
        commands.append(QByteArray("@@Ai") + char(k + 1) + char(prns.at(k)));
    }
    if (commands.isEmpty()) {
        // The same mode byte as the receiver set-up sends for this choice.
        commands.append(QByteArray("@@Ah") + char(satelliteSelection != 0 ? 2 : 0));
    }
    return commands;
}

int SatelliteSelect::exec()
{
    WindowGeometry::Restore(this, QStringLiteral("SatelliteSelect/geometry"));
    const int shown = ChannelsToShow(receiverInfo.channelCount);
    for (int k = 0; k < kMaxChannels; ++k) {
        channelFields[k]->setEnabled(k < shown);
        findChild<QLabel*>(QStringLiteral("IDC_SATSEL_CHANNEL_LABEL_%1").arg(k + 1))->setEnabled(k < shown);
        NumericField::ShowValidity(channelFields[k], kPrnLow, kPrnHigh);
    }
    return QDialog::exec();
}

void SatelliteSelect::closeEvent(QCloseEvent* event)
{
    WindowGeometry::Save(this, QStringLiteral("SatelliteSelect/geometry"));
    QDialog::closeEvent(event);
}

void SatelliteSelect::IDC_SATSEL_CHANNEL_textEdited()
{
    for (QLineEdit* field : channelFields)
        NumericField::ShowValidity(field, kPrnLow, kPrnHigh);
}

void SatelliteSelect::OK_clicked()
{
    if (receiverInfo.gpsPortMode != GpsPortModeMotorolaBinary) {
        QMessageBox::information(this, QStringLiteral("Manual Satellite Select"),
                                 QStringLiteral("Manual satellite selection needs a Motorola binary receiver."));
        CANCEL_clicked();
        return;
    }
    const int shown = ChannelsToShow(receiverInfo.channelCount);
    QList<int> prns;
    for (int k = 0; k < shown; ++k) {
        int prn = 0;
        if (!NumericField::Take(this, channelFields[k], kPrnLow, kPrnHigh, prn))
            return;
        prns.append(prn);
    }
    WindowGeometry::Save(this, QStringLiteral("SatelliteSelect/geometry"));
    const int satelliteSelection = StoredValues::Integer(QSettings(), "GpsRxDialog/Satellite Selection", 0);
    for (const QByteArray& command : SelectionCommands(prns, satelliteSelection))
        emit sendGpsMessage(command);
    done(1);
}

void SatelliteSelect::CANCEL_clicked()
{
    WindowGeometry::Save(this, QStringLiteral("SatelliteSelect/geometry"));
    done(0);
}
