#include "../rxconfig/widgetlookup.h"
#include "modalwatcher.h"
#include "testsupport.h"
#include "ticportdialog.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTest>

namespace {

QVariant Stored(int port, const char* key)
{
    return QSettings().value(QStringLiteral("TicPortDialog/TIC%1 %2").arg(port).arg(QLatin1String(key)));
}

}  // namespace

// One port shown at a time; OK saves all eight, Cancel reloads them.
class TestTicPortDialog : public QObject
{
    Q_OBJECT

private slots:
    void init() { TestSupport::ClearSettings(); }

    void editSeveralPortsThenOkOrCancel()
    {
        TicPortDialog dialog;
        ModalWatcher watcher;
        auto* select = Child<QComboBox>(&dialog, "IDC_TIC_PORT_SELECT");
        auto* name = Child<QComboBox>(&dialog, "IDC_TIC_SERIAL_PORT");
        auto* address = Child<QLineEdit>(&dialog, "IDC_TIC_TCPIP_ADDRESS");
        QCOMPARE(name->itemText(0), QString("OFF"));
        QCOMPARE(name->itemText(1), QString("TCP/IP"));
        QVERIFY(name->isEditable());
        QVERIFY(!address->isEnabled());

        select->setCurrentIndex(1);
        name->setCurrentText("/dev/ttyTIC2");
        Child<QComboBox>(&dialog, "IDC_TIC_UNITS")->setCurrentIndex(3);
        Child<QComboBox>(&dialog, "IDC_TIC_DATA_RATE")->setCurrentText("115200");
        select->setCurrentIndex(4);
        name->setCurrentText("TCP/IP");
        QVERIFY(address->isEnabled());
        address->setText("10.0.0");  // malformed: OK warns and keeps the dialog
        select->setCurrentIndex(0);
        dialog.setResult(-1);
        Child<QPushButton>(&dialog, "OK")->click();
        QCOMPARE(watcher.boxes.size(), 1);
        QCOMPARE(watcher.boxes[0].title, QString("Illegal IP Address"));
        QCOMPARE(dialog.result(), -1);
        QCOMPARE(dialog.SelectedPort(), 5);
        QVERIFY(!Stored(5, "Serial Port").isValid());

        address->setText("10.0.0.5:5025");
        Child<QPushButton>(&dialog, "OK")->click();
        QCOMPARE(dialog.result(), 1);
        QCOMPARE(Stored(2, "Serial Port").toString(), QString("/dev/ttyTIC2"));
        QCOMPARE(Stored(2, "Units").toInt(), 3);
        QCOMPARE(Stored(2, "Serial Port DataRate").toInt(), 115200);
        QCOMPARE(Stored(5, "Serial Port").toString(), QString("TCP/IP"));
        QCOMPARE(TicPortSettings::Load(5).TcpPort(), 5025);
        QCOMPARE(TicPortSettings::Load(4).TcpPort(), 5024);
        QCOMPARE(Stored(8, "Serial Port").toString(), QString("OFF"));

        select->setCurrentIndex(1);
        name->setCurrentText("OFF");
        Child<QPushButton>(&dialog, "CANCEL")->click();
        QCOMPARE(dialog.result(), 0);
        QCOMPARE(name->currentText(), QString("/dev/ttyTIC2"));
        QCOMPARE(dialog.ports[1].portName, QString("/dev/ttyTIC2"));
    }
};

HORALUX_TEST(TestTicPortDialog);
#include "tst_ticportdialog.moc"
