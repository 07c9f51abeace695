#pragma once

#include <QDialog>
#include <QString>

namespace Ui {
class GpsRxType;
}

// The Motorola receiver family and firmware generation attached in the receive-only
// mode, where the program cannot ask the receiver who it is.
class GpsRxType : public QDialog
{
    Q_OBJECT

public:
    // What a choice tells of the receiver: enough to stand in for its identification.
    struct Receiver
    {
        int model = 24;
        QString firmwareVersionText;
        double firmwareVersion = 0.0;  // as the identification reads the text
        int channelCount = -1;         // both channel counts
    };

    explicit GpsRxType(QWidget* parent = nullptr);
    ~GpsRxType() override;

    int exec() override;

    // The stored choice, 1 to 11 in the order of the columns: the button with the text
    // stored under "GpsRxType/PPS Interface" in the column stored under "GpsRxType/Receiver
    // Column". Without a column that has such a button, as in files written before the
    // column was kept, the text alone decides: a text found in two columns gives the later
    // button, as the exclusive group keeps the last one checked; no match gives "1.0 and up".
    static int StoredChoice();
    // The receiver a choice stands for: the first model of its column, a firmware version
    // inside the button's range, the model's channels. An unidentified receiver for a
    // number that is no choice.
    static Receiver ReceiverOfChoice(int choice);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void LoadRxType();
    void SavePpsInterface();
    void OnOk();

    Ui::GpsRxType* ui;
};
