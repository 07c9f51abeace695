#include "manualcommanddialog.h"
#include "modalwatcher.h"
#include "receiverinfo.h"
#include "testsupport.h"
#include "widgetlookup.h"

#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>
#include <QTreeWidget>

namespace {

const QByteArray kMonVer = QByteArray::fromHex("b5620a040000");

// Picks the catalogue row whose command is the given text.
bool SelectCommand(ManualCommandDialog& dialog, const QString& command)
{
    auto* list = Child<QTreeWidget>(&dialog, "IDC_MANCMD_LIST");
    const auto rows = list->findItems(command, Qt::MatchExactly, 0);
    if (!rows.isEmpty())
        list->setCurrentItem(rows[0]);
    return !rows.isEmpty();
}

// Types the text as a new hand-made command and returns the preview it gives.
QString Type(ManualCommandDialog& dialog, const QString& text)
{
    auto* edit = Child<QLineEdit>(&dialog, "IDC_MANCMD_COMMAND");
    edit->clear();
    QTest::keyClicks(edit, text);
    return Child<QLineEdit>(&dialog, "IDC_MANCMD_PREVIEW")->text();
}

}  // namespace

class TestManualCommands : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        TestSupport::ClearSettings();
        receiverInfo = ReceiverInfo();
        QSettings().setValue("GpsPortDialog/GPS Serial Port", "/dev/ttyS0");
    }
    void cleanupTestCase() { receiverInfo = ReceiverInfo(); }

    // An empty result stands for a refused text: nothing is left in the command.
    void parseCommand_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("sentence with its checksum") << " $PMOTG,FOR,0*2A " << QByteArray("$PMOTG,FOR,0");
        QTest::newRow("motorola, one byte") << "@@Ha 00" << QByteArray("@@Ha", 4) + '\0';
        QTest::newRow("motorola, grouped and spaced hex") << "@@Ai0305 0C" << QByteArray("@@Ai\x03\x05\x0C");
        QTest::newRow("ubx lower case, one group") << "b5620a040000" << kMonVer;
        QTest::newRow("ubx with payload") << "B5 62 06 01 03 00 0D 04 01" << QByteArray::fromHex("b562060103000d0401");
        QTest::newRow("empty") << "   " << QByteArray();
        QTest::newRow("plain text") << "hello" << QByteArray();
        QTest::newRow("bad hex digit") << "@@Ha 0G" << QByteArray();
        QTest::newRow("id not letters") << "@@1a" << QByteArray();
        QTest::newRow("id too short") << "@@H" << QByteArray();
        QTest::newRow("not ubx") << "01 02 03" << QByteArray();
        QTest::newRow("ubx without length") << "B5 62 0A" << QByteArray();
        QTest::newRow("ubx length too big") << "B5 62 0A 04 01 00" << QByteArray();
        QTest::newRow("sentence too short") << "$GPGG" << QByteArray();
        QTest::newRow("sentence not ascii") << QStringLiteral("$PMOTG,ZDA,000\u00e9") << QByteArray();
    }
    void parseCommand()
    {
        QFETCH(QString, typed);
        QFETCH(QByteArray, bytes);
        QByteArray command = "left over";
        QString error;
        QCOMPARE(ManualCommandDialog::ParseCommand(typed, command, error), !bytes.isEmpty());
        QCOMPARE(error.isEmpty(), !bytes.isEmpty());
        QCOMPARE(command, bytes);
    }

    void everyCatalogueEntryIsAValidCommand()
    {
        QStringList all[12];
        for (int mode : {0, 1, 2, 3, 6, 9, 10, 11}) {
            for (const auto& entry : ManualCommandDialog::Catalogue(mode)) {
                QByteArray command;
                QString error;
                QVERIFY2(ManualCommandDialog::ParseCommand(entry.command, command, error), entry.command);
                QVERIFY(qstrlen(entry.label) > 0);
                all[mode] << QLatin1String(entry.command);
            }
        }
        QVERIFY(all[2].contains("@@Cj") && all[2].contains("@@Bo 01"));
        QCOMPARE(all[3], all[2]);
        // MON-VER, NAV-STATUS and AID-HUI polls.
        for (const char* poll : {"B5 62 0A 04 00 00", "B5 62 01 03 00 00", "B5 62 0B 02 00 00"})
            QVERIFY(all[9].contains(poll));
        QCOMPARE(all[10], all[9]);
        QCOMPARE(all[1].filter(QRegularExpression("^\\$PMOTG,")), all[1]);
        QCOMPARE(all[6].filter(QRegularExpression("^\\$PGRM")), all[6]);
    }

    void sendEmitsCatalogueAndHandMadeCommands()
    {
        receiverInfo.gpsPortMode = GpsPortModeMotorolaBinary;
        ManualCommandDialog dialog;
        QSignalSpy spy(&dialog, &ManualCommandDialog::sendGpsMessage);
        auto* send = Child<QPushButton>(&dialog, "IDC_MANCMD_SEND");
        dialog.ShowDialog();
        QVERIFY(dialog.isVisible() && !dialog.isModal() && send->isEnabled());
        QVERIFY(SelectCommand(dialog, "@@Cj"));
        QCOMPARE(Child<QLineEdit>(&dialog, "IDC_MANCMD_PREVIEW")->text(), "@@Cj<29>");
        send->click();
        QVERIFY(SelectCommand(dialog, "@@Ha 00"));
        QCOMPARE(Child<QLineEdit>(&dialog, "IDC_MANCMD_PREVIEW")->text(), "@@Ha<00><29>");
        send->click();
        QCOMPARE(Type(dialog, "$PGRMCE"), "$PGRMCE*0E");
        send->click();
        // The list follows the interface mode each time the window is shown.
        receiverInfo.gpsPortMode = GpsPortModeUbloxUbx;
        dialog.ShowDialog();
        QVERIFY(!SelectCommand(dialog, "@@Cj"));
        QVERIFY(SelectCommand(dialog, "B5 62 0A 04 00 00"));
        QCOMPARE(Child<QLineEdit>(&dialog, "IDC_MANCMD_PREVIEW")->text(), "<B5><62><0A><04><00><00><0E><34>");
        send->click();
        QCOMPARE(spy.size(), 4);
        QCOMPARE(spy[0][0].toByteArray(), QByteArray("@@Cj"));
        QCOMPARE(spy[1][0].toByteArray(), QByteArray("@@Ha", 4) + '\0');
        QCOMPARE(spy[2][0].toByteArray(), QByteArray("$PGRMCE"));
        QCOMPARE(spy[3][0].toByteArray(), kMonVer);
    }

    void badHandMadeCommandsAreRefused()
    {
        receiverInfo.gpsPortMode = GpsPortModeUbloxUbx;
        ModalWatcher watcher;
        ManualCommandDialog dialog;
        QSignalSpy spy(&dialog, &ManualCommandDialog::sendGpsMessage);
        auto* send = Child<QPushButton>(&dialog, "IDC_MANCMD_SEND");
        dialog.ShowDialog();
        QVERIFY(Type(dialog, "@@Ha 0G").isEmpty());
        QVERIFY(Child<QLineEdit>(&dialog, "IDC_MANCMD_COMMAND")->styleSheet().contains("color:red"));
        send->click();
        Type(dialog, "B5 62 0A 04 01 00");
        send->click();
        QTRY_COMPARE(watcher.boxes.size(), 2);
        QCOMPARE(watcher.boxes[0].title + '|' + watcher.boxes[0].text, "Error|Extraineous characters in the field.");
        QVERIFY(watcher.boxes[1].text.contains("length"));
        QCOMPARE(spy.size(), 0);
    }

    void sendIsDisabledWhereNothingCanGoOut()
    {
        ManualCommandDialog dialog;
        QSignalSpy spy(&dialog, &ManualCommandDialog::sendGpsMessage);
        auto* send = Child<QPushButton>(&dialog, "IDC_MANCMD_SEND");
        receiverInfo.gpsPortMode = GpsPortModeMotorolaBinaryRxOnly;
        dialog.ShowDialog();
        QVERIFY(!send->isEnabled());
        QVERIFY(SelectCommand(dialog, "@@Cj"));  // the list is still there to look at
        send->click();
        receiverInfo.gpsPortMode = GpsPortModeMotorolaBinary;
        QSettings().setValue("GpsPortDialog/GPS Serial Port", "OFF");
        dialog.ShowDialog();
        QVERIFY(!send->isEnabled());
        send->click();
        QCOMPARE(spy.size(), 0);
        QSettings().setValue("GpsPortDialog/GPS Serial Port", "/dev/ttyUSB0");
        dialog.ShowDialog();
        QVERIFY(send->isEnabled());
    }
};

HORALUX_TEST(TestManualCommands);
#include "tst_manualcommands.moc"
