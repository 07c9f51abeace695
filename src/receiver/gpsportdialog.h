#pragma once

#include <QDialog>
#include <QString>

class QSettings;

struct ReceiverInfo;
class GpsRxType;
class QButtonGroup;

namespace Ui {
class GpsPortDialog;
}

// How the receiver is reached: port, interface mode, 1PPS line and serial settings,
// kept under "GpsPortDialog/". The port object reads the same keys when it opens.
class GpsPortDialog : public QDialog
{
    Q_OBJECT

public:
    explicit GpsPortDialog(QWidget* parent = nullptr);
    ~GpsPortDialog() override;

    int exec() override;

    void LoadSettings();
    void SaveSettings();

    QString GetPortName() const { return portName; }
    int GetPpsInterface() const { return ppsInterface; }
    int GetDataRate() const { return dataRate; }
    int GetMode() const;
    bool IsDoNotInitialize() const;

    void SetBaud(int rate);
    void SetMode(int mode);

    // Hands the receive-only receiver record to the caller; true when it names a firmware.
    bool CopyReceiverInfo(ReceiverInfo& info) const;

    // Interface-mode text to value; "Motorola LORAN", "Search" and unknown texts give 11.
    static int ModeFromText(const QString& text);
    // The stored data rate; one that is not a positive number reads as 9600 and is
    // written back.
    static int StoredDataRate(QSettings& settings);
    // Value to text; empty for a value that is not a mode.
    static QString ModeText(int mode);

    // Empty, or four dotted decimal numbers with an optional ":port"; no range checks.
    static bool IsValidIpAddress(const QString& address);
    // Checks the address field and warns with "Illegal IP Address" when it is malformed.
    bool CheckIpAddress();
    // The warning for a typed port name that cannot name a device; both port dialogs use it.
    static void WarnIllegalPortName(QWidget* parent, const QString& name);

    QString portName = QStringLiteral("OFF");
    QString modeText = QStringLiteral("Motorola Binary");
    int ppsInterface = 1;
    bool bAutoRestart = false;
    bool bDoNotInitialize = false;
    int dataRate = 9600;
    int dataBits = 8;
    int handshake = 0;
    int parity = 0;
    int stopBits = 1;
    QString tcpIpAddress;

    // The receiver record of the receive-only mode, built from the stored receiver type
    // choice when the dialog is made and after each run of the type dialog.
    int rxModel = 24;
    double rxFirmwareVersion = 0.0;
    QString rxFirmwareVersionText;
    int rxChannelCount = -1;
    int rxChannelCountReported = -1;
    bool rxHasDgps = false;
    bool rxHasTraim = false;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void FillPortAndModeLists();
    void ShowFields();
    void EnableFieldsForPort();
    void OfferRatesForMode();
    void TakeReceiverChoice();
    void OnPortChanged();
    void OnModeChanged();
    void OnOk();
    void OnCancel();
    static void CheckById(QButtonGroup* group, int id);

    Ui::GpsPortDialog* ui;
    GpsRxType* gpsRxType = nullptr;
};
