#include "mainwindow.h"
#include "modalwatcher.h"
#include "receiverinfo.h"
#include "satelliteselect.h"
#include "testsupport.h"
#include "widgetlookup.h"

#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

namespace {

QLineEdit* Channel(QDialog& dialog, int channel)
{
    return Child<QLineEdit>(&dialog, qPrintable(QStringLiteral("IDC_SATSEL_CHANNEL_%1").arg(channel)));
}

QByteArray Bytes(std::initializer_list<int> values, const char* head)
{
    QByteArray bytes(head);
    for (int v : values)
        bytes.append(static_cast<char>(v));
    return bytes;
}

}  // namespace

class TestSatelliteSelect : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        TestSupport::ClearSettings();
        receiverInfo = ReceiverInfo();
    }
    void cleanupTestCase() { receiverInfo = ReceiverInfo(); }

    void commandsForAnAssignment()
    {
        QCOMPARE(SatelliteSelect::SelectionCommands({0, 0, 5, 0}, 0),
                 (QList<QByteArray>{Bytes({1}, "@@Ah"), Bytes({3, 5}, "@@Ai")}));
        QCOMPARE(SatelliteSelect::SelectionCommands({32, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}, 1),
                 (QList<QByteArray>{Bytes({1}, "@@Ah"), Bytes({1, 32}, "@@Ai"), Bytes({12, 1}, "@@Ai")}));
        // All channels automatic: back to the automatic mode of the receiver parameters.
        QCOMPARE(SatelliteSelect::SelectionCommands({0, 0, 0}, 0), QList<QByteArray>{Bytes({0}, "@@Ah")});
        QCOMPARE(SatelliteSelect::SelectionCommands({0, 0, 0}, 1), QList<QByteArray>{Bytes({2}, "@@Ah")});
        // At most twelve channels, also while the count is unknown or a u-blox one.
        QCOMPARE(SatelliteSelect::ChannelsToShow(-1), 12);
        QCOMPARE(SatelliteSelect::ChannelsToShow(16), 12);
    }

    void okSendsToAMotorolaBinaryReceiver()
    {
        receiverInfo.gpsPortMode = GpsPortModeMotorolaBinary;
        receiverInfo.channelCount = 8;
        SatelliteSelect dialog;
        QSignalSpy spy(&dialog, &SatelliteSelect::sendGpsMessage);
        bool ninthDisabled = false;
        QTimer::singleShot(0, &dialog, [&] {
            ninthDisabled = !Channel(dialog, 9)->isEnabled() && Channel(dialog, 8)->isEnabled();
            Channel(dialog, 9)->setText("abc");  // not a channel of this receiver: not read
            Channel(dialog, 3)->setText("5");
            Child<QPushButton>(&dialog, "OK")->click();
        });
        QCOMPARE(dialog.exec(), 1);
        QVERIFY(ninthDisabled);
        QCOMPARE(spy.size(), 2);
        QCOMPARE(spy[0][0].toByteArray(), Bytes({1}, "@@Ah"));
        QCOMPARE(spy[1][0].toByteArray(), Bytes({3, 5}, "@@Ai"));
        // The main window sends what the dialog asks for.
        MainWindow window;
        QSignalSpy sent(&window, &MainWindow::sendGpsMessage);
        emit window.satelliteSelect->sendGpsMessage(Bytes({0}, "@@Ah"));
        QCOMPARE(sent.size(), 1);
        QVERIFY(sent[0][0].toByteArray().startsWith(Bytes({0}, "@@Ah")));
    }

    void otherReceiversAndBadPrnsGetNothing()
    {
        ModalWatcher watcher;
        SatelliteSelect dialog;
        QSignalSpy spy(&dialog, &SatelliteSelect::sendGpsMessage);
        receiverInfo.gpsPortMode = GpsPortModeUbloxUbx;
        dialog.show();
        Channel(dialog, 1)->setText("7");
        Child<QPushButton>(&dialog, "OK")->click();
        QTRY_COMPARE(watcher.boxes.size(), 1);
        QVERIFY(watcher.boxes[0].text.contains("Motorola binary receiver"));
        QVERIFY(!dialog.isVisible());
        receiverInfo.gpsPortMode = GpsPortModeMotorolaBinary;
        receiverInfo.channelCount = 12;
        dialog.show();
        Channel(dialog, 12)->setText("33");
        Child<QPushButton>(&dialog, "OK")->click();
        QTRY_COMPARE(watcher.boxes.size(), 2);
        QCOMPARE(watcher.boxes[1].title + '|' + watcher.boxes[1].text,
                 "Numeric Error|Field is out of range.\nMust be between 0 and 32");
        QVERIFY(dialog.isVisible());
        QCOMPARE(spy.size(), 0);
    }
};

HORALUX_TEST(TestSatelliteSelect);
#include "tst_satelliteselect.moc"
