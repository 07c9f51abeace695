#include "gpsportdialog.h"
#include "gpsrxtype.h"
#include "modalwatcher.h"
#include "nmeafields.h"
#include "receiverinfo.h"
#include "receivermodels.h"
#include "socatpair.h"
#include "testsupport.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTest>
#include <QTimer>

namespace {

template <typename T>
T* Child(QWidget* dialog, const char* name)
{
    T* widget = dialog->findChild<T*>(QString::fromLatin1(name));
    if (!widget)
        qFatal("no widget %s", name);
    return widget;
}

QVariant Stored(const char* key) { return QSettings().value(QStringLiteral("GpsPortDialog/") + key); }
void Store(const char* key, const QVariant& value) { QSettings().setValue(QStringLiteral("GpsPortDialog/") + key, value); }

}  // namespace

// The port settings dialog and the receiver type dialog it runs in the receive-only mode.
class TestPortDialog : public QObject
{
    Q_OBJECT

private slots:
    void init() { TestSupport::ClearSettings(); }

    // Empty, plain, with a port, numbers not range-checked: valid; the rest are not.
    void ipAddressForms()
    {
        for (const char* good : {"", "192.168.10.123", "192.168.10.123:9761", "999.1.1.1"})
            QVERIFY2(GpsPortDialog::IsValidIpAddress(good), good);
        for (const char* bad : {"192.168.10", "1.2.3.4.5", "192.168.10.123;9761", "192.168.10.123:9761x",
                                "192.168.10.123:", "192.168.10.123\n", "gps.local"})
            QVERIFY2(!GpsPortDialog::IsValidIpAddress(bad), bad);
    }

    // A malformed address blocks OK with the warning; Cancel drops it and stores nothing.
    void badAddressBlocksOkAndIsDroppedOnCancel()
    {
        Store("GPS Serial Port TcpIp Address", "10.0.0.1");
        GpsPortDialog dialog;
        ModalWatcher watcher;
        auto* address = Child<QLineEdit>(&dialog, "TcpIpAddress");
        address->setText("10.0.0");
        dialog.setResult(-1);
        Child<QPushButton>(&dialog, "OK")->click();
        QCOMPARE(watcher.boxes.size(), 1);
        QCOMPARE(watcher.boxes[0].title + '|' + watcher.boxes[0].text,
                 QString("Illegal IP Address|IP Address error:\n  10.0.0\n\nThe format must be like this\n  "
                         "192.168.10.123\n\nor, if you want to also define the port:\n  192.168.10.123:9761"));
        QCOMPARE(watcher.boxes[0].icon, QMessageBox::Warning);
        QCOMPARE(dialog.result(), -1);
        QCOMPARE(Stored("GPS Serial Port TcpIp Address").toString(), QString("10.0.0.1"));

        Child<QPushButton>(&dialog, "CANCEL")->click();
        QCOMPARE(dialog.result(), 0);
        QCOMPARE(address->text() + ' ' + dialog.tcpIpAddress, QString("10.0.0.1 10.0.0.1"));
    }

    // Choosing a mode picks its usual rate and offers only the rates it can use; OK
    // stores them, and filling the lists on opening never resets a stored rate.
    void modeChoiceSetsRateAndOffersRates()
    {
        Store("GPS Serial Port", "/dev/ttyV0");
        Store("GPS Serial Port Mode", "Motorola NMEA");
        Store("GPS Serial Port DataRate", 19200);
        GpsPortDialog dialog;
        ModalWatcher watcher;
        watcher.SetDialogHandler([&](QDialog*) {
            QCOMPARE(Child<QComboBox>(&dialog, "GpsModeList")->currentText(),
                     QString("Motorola NMEA"));
            QVERIFY(Child<QRadioButton>(&dialog, "BAUD_19200")->isChecked());
            Child<QComboBox>(&dialog, "GpsModeList")->setCurrentText("u-blox UBX");
            QVERIFY(Child<QRadioButton>(&dialog, "BAUD_57600")->isChecked());
            for (const char* off : {"BAUD_300", "BAUD_1200", "BAUD_2400", "BAUD_14400", "BAUD_115K"})
                QVERIFY2(!Child<QRadioButton>(&dialog, off)->isEnabled(), off);
            for (const char* on : {"BAUD_4800", "BAUD_9600", "BAUD_19200", "BAUD_38400"})
                QVERIFY2(Child<QRadioButton>(&dialog, on)->isEnabled(), on);
            Child<QPushButton>(&dialog, "OK")->click();
        });
        QCOMPARE(dialog.exec(), 1);
        QCOMPARE(Stored("GPS Serial Port Mode").toString(), QString("u-blox UBX"));
        QCOMPARE(Stored("GPS Serial Port DataRate").toInt(), 57600);
        QCOMPARE(dialog.GetMode(), 9);
        QCOMPARE(watcher.dialogs, QStringList{"GpsPortDialog"});

        // The receive-only mode offers the slow rates too, but still not 115k.
        Child<QComboBox>(&dialog, "GpsModeList")->setCurrentText("Motorola Binary Rx Only");
        QCOMPARE(dialog.GetDataRate(), 9600);
        QVERIFY(Child<QRadioButton>(&dialog, "BAUD_300")->isEnabled());
        QVERIFY(!Child<QRadioButton>(&dialog, "BAUD_115K")->isEnabled());
    }

    // Every button group stores its button's id; 115k is stored as 115000.
    void buttonIdsAreStored()
    {
        Store("GPS Serial Port", "/dev/ttyV0");
        GpsPortDialog dialog;
        for (const char* name : {"BAUD_115K", "PPS_DSR", "STOP_BITS_2", "PARITY_MARK",
                                 "DATA_BITS_7", "HANDSHAKE_DTRDSR", "NoGpsInitCheckBox",
                                 "GpsAutoRestartCheckBox"})
            Child<QAbstractButton>(&dialog, name)->click();
        QVERIFY(dialog.IsDoNotInitialize());
        Child<QPushButton>(&dialog, "OK")->click();
        QStringList stored;
        for (const char* key : {"DataRate", "PPS Interface", "StopBits", "Parity", "DataBits", "Handshake"})
            stored << Stored(qPrintable(QStringLiteral("GPS Serial Port ") + key)).toString();
        stored << Stored("GPS Do Not Initialize").toString() << Stored("GPS AutoRestart").toString();
        QCOMPARE(stored.join(' '), "115000 3 2 3 7 3 true true");
    }

    // Cancel and the close button put every member and widget back to the stored values.
    void cancelAndCloseRestoreStoredValues()
    {
        Store("GPS Serial Port", "TCP/IP");
        Store("GPS Serial Port DataRate", 4800);
        for (bool viaClose : {false, true}) {
            GpsPortDialog dialog;
            ModalWatcher watcher;
            watcher.SetDialogHandler([&](QDialog*) {
                Child<QComboBox>(&dialog, "GpsSerialPortNameList")->setCurrentText("OFF");
                Child<QComboBox>(&dialog, "GpsModeList")->setCurrentText("Generic NMEA");
                Child<QRadioButton>(&dialog, "PPS_CTS")->click();
                Child<QCheckBox>(&dialog, "NoGpsInitCheckBox")->click();
                Child<QLineEdit>(&dialog, "TcpIpAddress")->setText("1.2.3.4");
                if (viaClose)
                    dialog.close();
                else
                    Child<QPushButton>(&dialog, "CANCEL")->click();
            });
            QCOMPARE(dialog.exec(), 0);
            QCOMPARE(QStringLiteral("%1 %2 %3 %4 %5 %6 [%7] %8 %9")
                         .arg(dialog.GetPortName()).arg(dialog.GetMode()).arg(dialog.GetPpsInterface())
                         .arg(dialog.GetDataRate()).arg(dialog.IsDoNotInitialize())
                         .arg(Child<QRadioButton>(&dialog, "PPS_DCD")->isChecked())
                         .arg(Child<QLineEdit>(&dialog, "TcpIpAddress")->text(),
                              Child<QComboBox>(&dialog, "GpsSerialPortNameList")->currentText())
                         .arg(Child<QGroupBox>(&dialog, "TcpIpAddressGroupBox")->isEnabled()),
                     "TCP/IP 2 1 4800 0 1 [] TCP/IP 1");
            QVERIFY(!Stored("GPS Serial Port Mode").isValid() && watcher.boxes.isEmpty());
        }
    }

    // The address field serves only TCP/IP, the serial groups only a serial port.
    void portChoiceEnablesItsFields()
    {
        Store("GPS Serial Port", "/dev/ttyV0");
        GpsPortDialog dialog;
        const char* serialGroups[] = {"DataBitsGroupBox", "DataRateGroupBox", "HandshakeGroupBox",
                                      "ParityGroupBox", "StopBitsGroupBox"};
        auto expect = [&](bool address, bool serial) {
            QCOMPARE(Child<QGroupBox>(&dialog, "TcpIpAddressGroupBox")->isEnabled(), address);
            for (const char* name : serialGroups)
                QVERIFY2(Child<QGroupBox>(&dialog, name)->isEnabled() == serial, name);
        };
        expect(false, true);
        ModalWatcher watcher;
        watcher.SetDialogHandler([&](QDialog*) {
            auto* ports = Child<QComboBox>(&dialog, "GpsSerialPortNameList");
            QCOMPARE(ports->itemText(0), QString("OFF"));
            QCOMPARE(ports->itemText(1), QString("TCP/IP"));
            ports->setCurrentText("TCP/IP");
            expect(true, false);
            ports->setCurrentText("OFF");
            expect(false, false);
            if (ports->count() > 2) {
                ports->setCurrentIndex(2);
                expect(false, true);
            }
            Child<QPushButton>(&dialog, "OK")->click();
        });
        dialog.exec();
        QCOMPARE(Stored("GPS Serial Port").toString(),
                 Child<QComboBox>(&dialog, "GpsSerialPortNameList")->currentText());
    }

    // A port the system does not list, here a live pseudo-terminal, is listed, chosen and
    // kept by OK. A typed path is taken trimmed; a control character names no device, so
    // OK warns and keeps the dialog and the store.
    void portBoxKeepsStoredAndTakesTypedPaths()
    {
        SocatPair pair;
        START_SOCAT_OR_SKIP(pair);
        UseProgramEndAsReceiverPort(pair);
        GpsPortDialog dialog;
        ModalWatcher watcher;
        auto* ports = Child<QComboBox>(&dialog, "GpsSerialPortNameList");
        auto* ok = Child<QPushButton>(&dialog, "OK");
        QCOMPARE(ports->itemText(ports->currentIndex()), pair.ProgramEnd());
        ok->click();
        QCOMPARE(Stored("GPS Serial Port").toString(), pair.ProgramEnd());

        ports->setEditText("/dev/tty\x01S0");
        dialog.setResult(-1);
        ok->click();
        QCOMPARE(dialog.result(), -1);
        QCOMPARE(Stored("GPS Serial Port").toString(), pair.ProgramEnd());
        QCOMPARE(watcher.boxes.size(), 1);
        QCOMPARE(watcher.boxes[0].title + watcher.boxes[0].text.section('\n', 0, 1),
                 "Illegal Port NamePort name error:\n  /dev/tty<01>S0");

        ports->setEditText("  /tmp/gps  ");
        ok->click();
        QCOMPARE(Stored("GPS Serial Port").toString(), "/tmp/gps");
    }

    // Modes that are not in the list read back as a search and survive OK untouched;
    // the search's own rate and mode show in the dialog without one resetting the other.
    void unlistedModesAndSearchSetters()
    {
        for (const char* text : {"Motorola LORAN", "Search", "Motorola Binary "}) {
            Store("GPS Serial Port Mode", text);
            GpsPortDialog dialog;
            QCOMPARE(dialog.GetMode(), 11);
            ModalWatcher watcher;
            watcher.SetDialogHandler([&](QDialog*) {
                QCOMPARE(Child<QComboBox>(&dialog, "GpsModeList")->currentIndex(), -1);
                Child<QPushButton>(&dialog, "OK")->click();
            });
            QCOMPARE(dialog.exec(), 1);
            QCOMPARE(Stored("GPS Serial Port Mode").toString(), QString(text));
        }

        GpsPortDialog dialog;
        ModalWatcher watcher;
        dialog.exec();  // fills the lists; the watcher rejects it
        dialog.SetBaud(38400);
        dialog.SetMode(6);
        QCOMPARE(dialog.GetDataRate(), 38400);
        QVERIFY(Child<QRadioButton>(&dialog, "BAUD_38400")->isChecked());
        QCOMPARE(Child<QComboBox>(&dialog, "GpsModeList")->currentText(), QString("Generic NMEA"));
        QCOMPARE(Stored("GPS Serial Port DataRate").toInt(), 38400);
    }

    // The type dialog checks the stored choice by its text; an unknown or missing one
    // gives "1.0 and up". Closing it keeps the stored choice but saves the geometry.
    void receiverTypeChoiceByText_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<QString>("checked");
        QTest::newRow("nothing stored") << QVariant() << "RadioButton_IDC_ONCORE_VP_11";
        QTest::newRow("VP column") << QVariant("8.8 and up") << "RadioButton_IDC_ONCORE_VP_4";
        QTest::newRow("shared text") << QVariant("1.6 - 1.9") << "RadioButton_IDC_ONCORE_VP_9";
        QTest::newRow("hand-edited") << QVariant("8.8 and UP") << "RadioButton_IDC_ONCORE_VP_11";
    }
    void receiverTypeChoiceByText()
    {
        QFETCH(QVariant, stored);
        QFETCH(QString, checked);
        if (stored.isValid())
            QSettings().setValue("GpsRxType/PPS Interface", stored);
        GpsRxType rxType;
        QCOMPARE(rxType.size(), QSize(490, 144));
        ModalWatcher watcher;
        watcher.SetDialogHandler([&](QDialog*) {
            QVERIFY(rxType.findChild<QRadioButton*>(checked)->isChecked());
            Child<QRadioButton>(&rxType, "RadioButton_IDC_ONCORE_VP_2")->click();
            rxType.close();
        });
        QCOMPARE(rxType.exec(), 0);
        QCOMPARE(QSettings().value("GpsRxType/PPS Interface"), stored);
        QVERIFY(QSettings().contains("GpsRxType/geometry"));
    }

    // In the receive-only mode OK runs the type dialog, and the receiver record handed to
    // the set-up follows the confirmed choice, also in the next program run.
    void receiveOnlyRecordFollowsTypeChoice()
    {
        // Nothing chosen yet: the dialog's "1.0 and up", an M12.
        ReceiverInfo info;
        QVERIFY(GpsPortDialog().CopyReceiverInfo(info));
        QCOMPARE(info.receiverModel * 100 + info.channelCount, 312);

        GpsPortDialog dialog;
        ModalWatcher watcher;
        const char* choice = "RadioButton_IDC_ONCORE_VP_3";
        bool confirm = true;
        QStringList nested;
        watcher.SetDialogHandler([&](QDialog*) {
            // A watcher does not fire again while its own handler runs.
            ModalWatcher inner;
            inner.SetDialogHandler([&](QDialog* rxType) {
                Child<QRadioButton>(rxType, choice)->click();
                if (confirm)
                    Child<QPushButton>(rxType, "OK")->click();
            });
            Child<QComboBox>(&dialog, "GpsModeList")->setCurrentText("Motorola Binary Rx Only");
            Child<QPushButton>(&dialog, "OK")->click();
            nested = inner.dialogs;
        });
        QCOMPARE(dialog.exec(), 1);
        QCOMPARE(nested, QStringList{"GpsRxType"});
        QCOMPARE(QSettings().value("GpsRxType/PPS Interface").toString(), QString("8.0 - 8.7"));
        const auto record = [](const ReceiverInfo& i) {
            return QStringLiteral("%1 %2 %3 %4/%5").arg(i.receiverModel).arg(i.firmwareVersion)
                .arg(i.firmwareVersionText).arg(i.channelCount).arg(i.channelCountReported);
        };
        QVERIFY(dialog.CopyReceiverInfo(info));
        QCOMPARE(record(info), "10 8 8.0 8/8");

        // Closed without OK: the confirmed choice stands.
        choice = "RadioButton_IDC_ONCORE_VP_11";
        confirm = false;
        QCOMPARE(dialog.exec(), 1);
        QVERIFY(dialog.CopyReceiverInfo(info));
        QCOMPARE(record(info), "10 8 8.0 8/8");
        ReceiverInfo next;
        QVERIFY(GpsPortDialog().CopyReceiverInfo(next));
        QCOMPARE(record(next), "10 8 8.0 8/8");
    }

    // The record from the stored choice: the first model of its column, both channel
    // counts, and a version inside its range that picks that range's heights from a fix
    // sentence's altitude A and geoid separation S (above the ellipsoid, above sea level).
    // Texts found in two columns read as the later one; no match as "1.0 and up".
    void receiveOnlyRecordOfStoredChoice_data()
    {
        QTest::addColumn<QString>("stored");  // empty: nothing stored
        QTest::addColumn<QString>("record");
        QTest::newRow("nothing stored") << "" << "3 V1.0 12/12 A+S, A";
        QTest::newRow("hand-edited") << "8.8 and UP" << "3 V1.0 12/12 A+S, A";
        QTest::newRow("VP up to 6.9") << "up to 6.9" << "10 V6.0 8/8 A, A-S";
        QTest::newRow("VP 7.0 - 7.9") << "7.0 - 7.9" << "10 V7.0 8/8 A-S, A";
        QTest::newRow("VP 8.8 and up") << "8.8 and up" << "10 V8.8 8/8 A+S, A";
        QTest::newRow("UT/GT up to 1.5") << "up to 1.5" << "1 V1.0 8/8 A+S, A";
    }
    void receiveOnlyRecordOfStoredChoice()
    {
        QFETCH(QString, stored);
        QFETCH(QString, record);
        if (!stored.isEmpty())
            QSettings().setValue("GpsRxType/PPS Interface", stored);
        ReceiverInfo info;
        QVERIFY(GpsPortDialog().CopyReceiverInfo(info));
        double altGps = 0.0, altMsl = 0.0;
        Nmea::FixHeights(info.receiverModel, info.firmwareVersion, 100.0, 40.0, &altGps, &altMsl);
        const auto term = [](double h) {
            return h == 100.0 ? "A" : h == 60.0 ? "A-S" : h == 140.0 ? "A+S" : "?";
        };
        const QString got = QStringLiteral("%1 V%2 %3/%4 ").arg(info.receiverModel).arg(info.firmwareVersionText)
                                .arg(info.channelCount).arg(info.channelCountReported);
        QCOMPARE(got + term(altGps) + ", " + term(altMsl), record);
    }

    // Each button confirmed is the one checked at the next opening, and the identity line
    // names its column: the UT buttons share their texts with the GT ones, and a UT choice
    // once came back as GT.
    void typeChoiceComesBackInItsColumn_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<QString>("column");
        for (int b = 1; b <= 11; ++b)
            QTest::addRow("%d", b) << b << (b <= 4 ? "VP" : b <= 7 ? "UT" : b <= 10 ? "GT" : "M12");
    }
    void typeChoiceComesBackInItsColumn()
    {
        QFETCH(int, button);
        QFETCH(QString, column);
        int shown = 0;
        for (int pick : {button, 0}) {
            GpsRxType rxType;
            auto* group = Child<QButtonGroup>(&rxType, "GpsRxTypeButtonGroup");
            QTimer::singleShot(0, &rxType, [&] {
                shown = group->checkedId();
                if (pick)
                    group->button(pick)->click();
                pick ? Child<QPushButton>(&rxType, "OK")->click() : rxType.reject();
            });
            rxType.exec();
        }
        QCOMPARE(shown, button);
        ReceiverInfo info;
        QVERIFY(GpsPortDialog().CopyReceiverInfo(info));
        const QString line = ReceiverModels::BinaryIdentityLine(info, true, false, false);
        QVERIFY2(line.startsWith("Motorola " + column + ", Rx Only, Bin, "), qPrintable(line));
    }
};

HORALUX_TEST(TestPortDialog);
#include "tst_portdialog.moc"
