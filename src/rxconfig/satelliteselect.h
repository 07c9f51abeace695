#pragma once

#include <QByteArray>
#include <QDialog>
#include <QList>

class QLineEdit;

namespace Ui {
class SatelliteSelect;
}

// Manual assignment of satellites to the channels of a Motorola binary receiver.
class SatelliteSelect : public QDialog
{
    Q_OBJECT

public:
    explicit SatelliteSelect(QWidget* parent = nullptr);
    ~SatelliteSelect() override;

    int exec() override;

    static constexpr int kMaxChannels = 12;

    // The commands for one assignment: prns[k] is the PRN for channel k + 1, 0 leaving
    // the channel to the receiver. With no channel assigned, the receiver goes back to
    // the automatic selection chosen in the receiver parameters ("Satellite Selection").
    static QList<QByteArray> SelectionCommands(const QList<int>& prns, int satelliteSelection);

    // Channels that can be assigned: the receiver's count, or all twelve while unknown.
    static int ChannelsToShow(int channelCount);

signals:
    void sendGpsMessage(QByteArray qbComand);

protected:
    void closeEvent(QCloseEvent* event) override;

private slots:
    void OK_clicked();
    void CANCEL_clicked();
    void IDC_SATSEL_CHANNEL_textEdited();

private:
    Ui::SatelliteSelect* ui;
    QLineEdit* channelFields[kMaxChannels] = {};
};
