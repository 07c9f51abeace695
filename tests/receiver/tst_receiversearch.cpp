#include "fakereceiver.h"
#include "gpsportdialog.h"
#include "gpsrxiddialog.h"
#include "manualcommanddialog.h"
#include "mainwindow.h"
#include "modalwatcher.h"
#include "receiverinfo.h"
#include "receivermodels.h"
#include "socatpair.h"
#include "testsupport.h"
#include "ui_mainwindow.h"

#include <QAbstractButton>
#include <QElapsedTimer>
#include <QLabel>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

namespace {

using Kind = FakeReceiver::Kind;
using Protocol = FakeReceiver::Protocol;

// Long enough that a loaded machine answers within one step.
constexpr int kStepMs = 250;

struct Attached
{
    Kind kind;
    int rate;
    Protocol protocol;
};

}  // namespace

Q_DECLARE_METATYPE(Attached)

// The receiver search and set-up against a scripted receiver on a pseudo-terminal:
// what each kind of receiver is sent, what the program then shows, and the mode and
// rate it is left in.
class TestReceiverSearch : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        START_SOCAT_OR_SKIP(pair);
        UseProgramEndAsReceiverPort(pair);
        QSettings().setValue("GpsRxType/PPS Interface", "8.8 and up");
        window = new MainWindow;
        QVERIFY(window->gpsPortThread.Port().isOpen());
        window->answerWaitStepMs = kStepMs;
        window->commandPauseMs = 2;
    }

    void cleanupTestCase()
    {
        delete window;
        receiverInfo = ReceiverInfo();
    }

    void search_data()
    {
        QTest::addColumn<Attached>("attached");
        QTest::addColumn<int>("startMode");
        QTest::addColumn<int>("startRate");
        QTest::addColumn<bool>("doNotInitialize");
        QTest::addColumn<bool>("result");
        QTest::addColumn<int>("endMode");
        QTest::addColumn<QString>("status");
        // Command heads in the order heard; "!" marks one that must not be heard, and
        // a "@@" finding that must not reach the receiver ID window.
        QTest::addColumn<QStringList>("heads");

        const Attached m12{Kind::Motorola12, 9600, Protocol::MotorolaBinary};
        QTest::newRow("nothing attached") << Attached{Kind::GenericNmea, 9600, Protocol::Nmea} << 11 << 9600
                                          << false << false << 2 << "ERROR: Motorola GPS Receiver Not Found"
                                          << QStringList{"@@Cj", "UBX 0A04", "@@Cj", "!@@Cg"};
        QTest::newRow("12-channel found at 9600")
            << m12 << 11 << 9600 << false << true << 2 << "Motorola M12, Bin, 12 ch, V1.3, TRAIM"
            << QStringList{"@@Cj", "@@Cj", "@@Cg", "@@Ha", "@@Hb", "@@Gj", "@@AQ", "@@Gk", "!@@Bj", "!UBX 0A04"};
        QTest::newRow("8-channel after the binary probe")
            << Attached{Kind::Motorola8, 9600, Protocol::MotorolaBinary} << 2 << 9600 << false << true << 2
            << "Motorola UT+, Bin, 8 ch, V2.3, TRAIM"
            << QStringList{"@@Cj", "@@Ha", "@@Ea", "@@Bj", "@@Bb", "!@@Gj", "!@@AQ"};
        QTest::newRow("SSR without waiting for a position")
            << Attached{Kind::Ssr, 9600, Protocol::MotorolaBinary} << 2 << 9600 << false << true << 2
            << "SSR-M8T+, Bin, 12 ch, V1.3, TRAIM" << QStringList{"@@Cj", "@@Ha", "@@Gj", "!@@Ha OK"};
        QTest::newRow("Do Not Initialize, Motorola")
            << m12 << 2 << 9600 << true << true << 2 << "Motorola M12, Bin, 12 ch, V1.3, TRAIM"
            << QStringList{"@@Cj", "@@Hb", "!@@Cg", "!@@Ha"};
        QTest::newRow("u-blox found at 9600")
            << Attached{Kind::Ublox, 9600, Protocol::Ubx} << 11 << 9600 << false << true << 9
            << "u-blox with DGPS, WAAS, EGNOS, MSAS"
            << QStringList{"UBX 0A04", "UBX 0600", "UBX 0A04", "UBX 0601", "UBX 0613", "UBX 0609"};
        // Only listened to: nothing asked, nothing missing, and the mode said.
        QTest::newRow("Do Not Initialize, u-blox")
            << Attached{Kind::Ublox, 57600, Protocol::Ubx} << 9 << 57600 << true << true << 9
            << "u-blox with DGPS, WAAS, EGNOS, MSAS" << QStringList{"!UBX 0A04", "!UBX 0600"};
        QTest::newRow("Do Not Initialize, u-blox NMEA")
            << Attached{Kind::Ublox, 9600, Protocol::Ubx} << 10 << 9600 << true << true << 10
            << "u-blox NMEA Mode" << QStringList{"!UBX 0A04", "!UBX 0600"};
        QTest::newRow("Motorola NMEA")
            << Attached{Kind::Motorola12, 4800, Protocol::MotorolaNmea} << 1 << 4800 << false << true << 1
            << "Motorola M12, NMEA Mode, 12 ch, V1.3, TRAIM"
            << QStringList{"$PMOTG,ZDA", "$PMOTG,FOR", "@@Cj", "@@Ci", "$PMOTG,ZDA", "$PMOTG,RMC"};
        QTest::newRow("Motorola LORAN")
            << Attached{Kind::Motorola12, 1200, Protocol::Loran} << 11 << 1200 << false << true << 0
            << "Ready - Loran Mode" << QStringList{"T0", "BIN", "@@Cj", "@@Ci", "T1"};
        QTest::newRow("receive-only takes the receiver type")
            << m12 << 3 << 9600 << false << true << 3 << "Motorola VP, Rx Only, Bin, 8 ch, V8.8"
            << QStringList{"!@@Cj"};
        QTest::newRow("generic NMEA") << m12 << 6 << 9600 << false << true << 6 << "Generic NMEA GPS Receiver"
                                      << QStringList{"!@@Cj", "!$PMOTG,ZDA"};
    }

    void search()
    {
        QFETCH(Attached, attached);
        QFETCH(int, startMode);
        QFETCH(int, startRate);
        QFETCH(bool, doNotInitialize);
        QFETCH(bool, result);
        QFETCH(int, endMode);
        QFETCH(QString, status);
        QFETCH(QStringList, heads);
        FakeReceiver rx(attached.kind, attached.rate, attached.protocol);
        rx.programRate = [this] { return int(window->gpsPortThread.Port().baudRate()); };
        QVERIFY(rx.Open(pair.ReceiverEnd()));
        const Protocol startProtocol = rx.protocol;
        StartIn(startMode, startRate, doNotInitialize);
        QSettings().remove("MainWindow/Mode");

        QCOMPARE(window->InitializeGpsReceiver(), result);
        // The last commands may still be on their way (a LORAN receiver is sent its way back
        // and "T1" with no answer awaited): the receiver has heard them once it has heard
        // the row's heads in order, however loaded the machine.
        const auto heardInOrder = [&] {
            const QStringList heard = rx.Heads();
            qsizetype at = 0;
            for (const QString& head : heads)
                if (!head.startsWith('!') && (at = heard.indexOf(head, at) + 1) == 0)
                    return false;
            return true;
        };
        QVERIFY2(TestSupport::WaitFor(heardInOrder, 5000), qPrintable("not heard in order: " + rx.Heads().join(' ')));
        QCOMPARE(window->statusMessageLabel->text(), status);
        QCOMPARE(receiverInfo.gpsPortMode, endMode);
        QCOMPARE(QSettings().value("MainWindow/Mode").toInt(), startMode == 9 && !result ? 9 : endMode);
        QVERIFY(!window->bGpsSearchActive);
        // The receiver is left in the protocol and at the rate it was found in.
        QCOMPARE(window->gpsPortDialog->GetDataRate(), status.startsWith("ERROR") ? 9600 : startRate);
        if (result)
            QCOMPARE(rx.protocol, startProtocol);

        const QStringList heard = rx.Heads();
        qsizetype at = 0;
        for (const QString& head : heads) {
            if (head.startsWith('!')) {
                const QString absent = head.mid(1);
                QVERIFY2(!heard.contains(absent) && !window->gpsRxIdDialog->rxIdText.contains(absent),
                         qPrintable(absent));
                continue;
            }
            at = heard.indexOf(head, at);
            QVERIFY2(at >= 0, qPrintable(head + " not heard in order: " + heard.join(' ')));
            ++at;
        }
        window->gpsPortDialog->bDoNotInitialize = false;

        // What this receiver said reaches the program before the next row's receiver is
        // asked anything: an answer late on a loaded machine would be taken for its own.
        QSignalSpy handedOn(&window->gpsPortThread, &GpsSerialPortThread::newGpsText);
        const QByteArray last = rx.SendLast(receiverInfo.gpsPortMode);
        QVERIFY(TestSupport::WaitFor([&] {
            return std::any_of(handedOn.begin(), handedOn.end(), [&](const QList<QVariant>& s) {
                return s.at(0).toByteArray().startsWith(last);
            });
        }));
    }

    // The start-up warning is for a receiver that was asked for and did not answer (mode 2
    // searches); the listen-only modes ask nothing.
    void startUpWarning()
    {
        QStringList seen;
        for (const int mode : {3, 6, 2}) {
            FakeReceiver rx(Kind::GenericNmea, 9600, Protocol::Nmea);  // answers no binary command
            QVERIFY(rx.Open(pair.ReceiverEnd()));
            StartIn(mode, 9600, true);
            ModalWatcher watcher(QMessageBox::Ok);
            window->ShowAndInitialize();
            window->gpsPortDialog->bDoNotInitialize = false;
            seen << QString::number(mode);
            for (const ModalWatcher::Box& box : watcher.boxes)
                seen << box.title;
        }
        QCOMPARE(seen, (QStringList{"3", "6", "2", "GPS Receiver not found"}));
    }

    // The channel counts the set-up gives, the names of the identity lines, the rate commands.
    void receiverModels()
    {
        ReceiverInfo info;
        info.receiverModel = 5;
        info.channelCountReported = 12;
        info.firmwareVersionText = "1.3";
        info.bHasDgps = true;
        QCOMPARE(ReceiverModels::BinaryIdentityLine(info, false, true, true),
                 "i-Lotus M12M, Bin, 12 ch, V1.3, has DGPS, PVT6 Mode, Local Time Mode");
        // With ", Rx Only" appended only the prefix tests of the SSR names still match.
        QCOMPARE(ReceiverModels::BinaryIdentityLine(info, true, false, false),
                 "Motorola M12M, Rx Only, Bin, 12 ch, V1.3, has DGPS");
        info.receiverModel = 22;
        info.bPlusVariant = true;
        info.channelCountReported = -1;
        QCOMPARE(ReceiverModels::BinaryIdentityLine(info, true, false, false),
                 "SSR-6Tr+, Rx Only, Bin, 0 ch, V1.3, has DGPS");
        QCOMPARE(ReceiverModels::NmeaIdentityLine(info), "SSR-6Tr+, NMEA Mode, 0 ch, V1.3, has DGPS");
        QCOMPARE(ReceiverModels::ModelName(19, false), "UNKNOWN");
        QCOMPARE(ReceiverModels::ModelChannels(20), 8);
        QVERIFY(ReceiverModels::IsTwelveChannelFamily(20));
        QCOMPARE(ReceiverModels::ModelErrorTerm(7), 500.0);
        QCOMPARE(ReceiverModels::ModelChannels(14), 0);
        QCOMPARE(ReceiverModels::UbxPortSetup(115000).mid(14, 4).toHex(), QByteArray("38c10100"));
        // u-blox and binary payloads of "@@Wb"; an unknown rate gives none in binary.
        QStringList commands;
        for (int rate : {300, 14400, 115000, 115200})
            commands << ReceiverModels::DataRateCommand(rate, 9).mid(4).toHex() + '/'
                            + ReceiverModels::DataRateCommand(rate, 2).mid(4).toHex();
        QCOMPARE(commands, (QStringList{"0003/4003", "0144/4144", "1150/5150", "0134/0000"}));
    }

    // Self test and self survey: the box, and what is sent on OK, by mode and model.
    void selfTestAndSurvey_data()
    {
        QTest::addColumn<bool>("survey");
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("model");
        QTest::addColumn<int>("channels");
        QTest::addColumn<QString>("box");
        QTest::addColumn<QStringList>("sent");
        const QString test = QStringLiteral("<b>GPS Receiver Self Test</b>");
        const QString survey = QStringLiteral("<b>GPS Receiver Self Survey</b>");
        QTest::newRow("test, 12-channel family") << false << 2 << 20 << 8 << test << QStringList{"40404961"};
        QTest::newRow("test, 8-channel") << false << 2 << 9 << 8 << test << QStringList{"40404661"};
        QTest::newRow("test, u-blox") << false << 9 << 19 << 16 << test << QStringList{};
        QTest::newRow("test, receive-only") << false << 3 << 5 << 12 << QString() << QStringList{};
        QTest::newRow("survey, 12 channels") << true << 2 << 5 << 12 << survey << QStringList{"4040476403"};
        QTest::newRow("survey, 8 channels") << true << 2 << 9 << 8 << survey << QStringList{"4040417402"};
        QTest::newRow("survey, u-blox")
            << true << 10 << 19 << 16 << survey
            << QStringList{"b5620601", "b562061d1c0001000000", "b562063d1c0001000000"};
        QTest::newRow("survey, generic NMEA") << true << 6 << 14 << -1 << QString() << QStringList{};
    }

    void selfTestAndSurvey()
    {
        QFETCH(bool, survey);
        QFETCH(int, mode);
        QFETCH(int, model);
        QFETCH(int, channels);
        QFETCH(QString, box);
        QFETCH(QStringList, sent);
        receiverInfo.gpsPortMode = mode;
        receiverInfo.receiverModel = model;
        receiverInfo.channelCount = channels;
        QSignalSpy out(window, &MainWindow::sendGpsMessage);
        ModalWatcher watcher(QMessageBox::Ok);
        (survey ? window->ui->actionInitiate_GPS_Receiver_Self_Survey
                : window->ui->actionInitiate_GPS_Receiver_Self_Test)->trigger();
        QCOMPARE(watcher.boxes.size(), box.isEmpty() ? 0 : 1);
        if (!box.isEmpty()) {
            QCOMPARE(watcher.boxes.at(0).text, box);
            QVERIFY(watcher.boxes.at(0).informativeText.contains(
                mode == 9 ? "not supported on u-blox" : "Do you really want to do this?"));
            QCOMPARE(watcher.boxes.at(0).informativeText.contains("activates TRAIM"), survey && mode == 2);
        }
        QCOMPARE(out.count(), sent.size());
        for (int k = 0; k < sent.size(); ++k)
            QVERIFY(out.at(k).at(0).toByteArray().toHex().startsWith(sent.at(k).toLatin1()));
    }

    // The follow-up of the timing and receiver-parameter commands by mode: the
    // parameters alone, a new search, or nothing.
    void menuFollowUps_data()
    {
        QTest::addColumn<bool>("timing");
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("searched");
        QTest::addColumn<bool>("sends");
        QTest::newRow("timing, binary") << true << 2 << false << true;
        QTest::newRow("timing, generic NMEA") << true << 6 << false << false;
        QTest::newRow("timing, receive-only") << true << 3 << false << false;
        QTest::newRow("timing, Motorola NMEA") << true << 1 << true << true;
        QTest::newRow("receiver parameters, u-blox") << false << 9 << false << true;
        QTest::newRow("receiver parameters, receive-only") << false << 3 << true << false;
    }

    void menuFollowUps()
    {
        QFETCH(bool, timing);
        QFETCH(int, mode);
        QFETCH(bool, searched);
        QFETCH(bool, sends);
        StartIn(mode, mode == 1 ? 4800 : 9600, false);
        receiverInfo.gpsPortMode = mode;
        receiverInfo.receiverModel = mode == 9 ? 19 : 3;
        QSettings().remove("MainWindow/Mode");
        QSignalSpy out(window, &MainWindow::sendGpsMessage);
        ModalWatcher watcher(QMessageBox::Ok);
        watcher.SetDialogHandler([](QDialog* dialog) { dialog->accept(); });
        (timing ? window->ui->actionSet_Timing_Parameters : window->ui->actionSet_GPS_Receiver_Parameters)->trigger();
        QCOMPARE(QSettings().contains("MainWindow/Mode"), searched);
        QCOMPARE(!out.isEmpty(), sends);
        QVERIFY(window->ui->actionSet_Timing_Parameters->isEnabled());
    }

    // A confirmed rate change is told to the receiver on the old rate, then the port
    // reopens at the new one and the receiver is searched for there.
    void portSettingsChangeTheRate()
    {
        FakeReceiver rx(Kind::Motorola12, 9600, Protocol::MotorolaBinary);
        rx.programRate = [this] { return int(window->gpsPortThread.Port().baudRate()); };
        QVERIFY(rx.Open(pair.ReceiverEnd()));
        StartIn(2, 9600, false);
        window->clockTexts[1] = "GPS clock";
        window->ticClockText = "TIC clock";
        ModalWatcher watcher(QMessageBox::Ok);
        watcher.SetDialogHandler([](QDialog* dialog) {
            dialog->findChild<QAbstractButton*>("BAUD_19200")->click();
            dialog->findChild<QAbstractButton*>("OK")->click();
        });
        window->ui->actionSet_GPS_Receiver_Interface->trigger();
        const qsizetype told = rx.Heads().indexOf("@@Wb");
        QVERIFY(told >= 0);
        QCOMPARE(rx.Heads().mid(told, 2), (QStringList{"@@Wb", "@@Cj"}));
        QCOMPARE(rx.heard.at(told).toHex(), QByteArray("404057624192"));
        QCOMPARE(rx.rate, 19200);
        QCOMPARE(window->gpsPortThread.Port().baudRate(), 19200);
        QCOMPARE(window->statusMessageLabel->text(), "Motorola M12, Bin, 12 ch, V1.3, TRAIM");
        QVERIFY(watcher.boxes.isEmpty());
        QCOMPARE(window->clockTexts[1], QString());
        QCOMPARE(window->ticClockText, "TIC clock");
        // Manual commands reach the receiver through the new catalogue dialog.
        QSignalSpy out(window, &MainWindow::sendGpsMessage);
        emit window->manualCommandDialog->sendGpsMessage("@@Cj");
        QCOMPARE(out.count(), 1);
    }

    // While a search runs, the receiver commands are off; Exit ends it at once and
    // no warning follows.
    void exitDuringSearch()
    {
        StartIn(11, 9600, false);
        bool bMenusOffDuringSearch = false;
        QElapsedTimer sinceExit;
        QTimer::singleShot(3 * kStepMs, window, [this, &bMenusOffDuringSearch, &sinceExit] {
            bMenusOffDuringSearch = !window->ui->actionSet_GPS_Receiver_Interface->isEnabled() &&
                                    !window->ui->actionInitiate_GPS_Receiver_Self_Survey->isEnabled();
            sinceExit.start();
            window->ui->actionExit->trigger();
        });
        ModalWatcher watcher(QMessageBox::Ok);
        window->InitializeGpsReceiverOrWarn();
        // The rest of a whole search is more than 7 steps; a loaded machine may hold the
        // end of the one under way a few steps more.
        QVERIFY(sinceExit.isValid());
        QVERIFY(sinceExit.elapsed() < 10 * kStepMs);
        QVERIFY(bMenusOffDuringSearch);
        QVERIFY(window->bExitRequested);
        QVERIFY(watcher.boxes.isEmpty());
        QVERIFY(window->ui->actionSet_GPS_Receiver_Interface->isEnabled());
        window->bExitRequested = false;
    }

private:
    void StartIn(int mode, int rate, bool doNotInitialize)
    {
        window->gpsPortDialog->SetMode(mode == 0 ? 11 : mode);
        window->gpsPortDialog->SetBaud(rate);
        window->gpsPortDialog->bDoNotInitialize = doNotInitialize;
        QSettings().setValue("GpsPortDialog/GPS Do Not Initialize", doNotInitialize);
        window->gpsPortDialog->LoadSettings();
        receiverInfo.ResetIdentity();
        receiverInfo.gpsPortMode = mode;
        emit window->startGpsSerialPort(false);
    }

    SocatPair pair;
    MainWindow* window = nullptr;
};

HORALUX_TEST(TestReceiverSearch);

#include "tst_receiversearch.moc"
