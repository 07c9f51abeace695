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
        double firmwareVersion = 0.0;
        int channelCount = -1;
    };

    explicit GpsRxType(QWidget* parent = nullptr);
    ~GpsRxType() override;

    int exec() override;

    // Checks the button whose text was stored last; "1.0 and up" when none matches.
    void ShowStoredChoice();
    // True once a choice has been stored.
    static bool HasStoredChoice();
    // The checked choice, 1 to 11 in the order of the columns; 0 when none is checked.
    int CheckedChoice() const;
    // The receiver a choice stands for: the first model of its column with the lowest
    // firmware version of its row; an unidentified receiver for anything else.
    static Receiver ReceiverOfChoice(int choice);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void LoadRxType();
    void SavePpsInterface();
    void OnOk();

    Ui::GpsRxType* ui;
};
