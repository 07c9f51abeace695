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

    // The choice, 1 to 11 in the order of the columns, that a stored text stands for.
    // Texts found in two columns give the later button, as the exclusive group keeps the
    // last one checked; no match gives "1.0 and up".
    static int ChoiceOfText(const QString& text);
    // The choice stored under "GpsRxType/PPS Interface", read as the dialog reads it.
    static int StoredChoice();
    // The text of a choice's button; empty for a number that is none.
    static QString ChoiceText(int choice);
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
