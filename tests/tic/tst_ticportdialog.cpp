#include "../rxconfig/widgetlookup.h"
#include "modalwatcher.h"
#include "testsupport.h"
#include "ticportdialog.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTest>

// One port shown at a time; OK saves all eight, Cancel reloads them.
class TestTicPortDialog : public QObject
{
    Q_OBJECT

    static QVariant Stored(int port, const char* key)
    {
        return QSettings().value(QStringLiteral("TicPortDialog/TIC%1 %2").arg(port).arg(QLatin1String(key)));
    }

private slots:
    void init() { TestSupport::ClearSettings(); }

    void editSeveralPortsThenOkOrCancel()
    {
        TicPortDialog dialog;
        ModalWatcher watcher;
        auto* select = Child<QComboBox>(&dialog, "IDC_TIC_PORT_SELECT");
        auto* name = Child<QComboBox>(&dialog, "IDC_TIC_SERIAL_PORT");
        auto* address = Child<QLineEdit>(&dialog, "IDC_TIC_TCPIP_ADDRESS");
        QVERIFY(!address->isEnabled());
        select->setCurrentIndex(1);
        name->setCurrentText("/dev/ttyTIC2");
        Child<QComboBox>(&dialog, "IDC_TIC_UNITS")->setCurrentIndex(3);
        select->setCurrentIndex(4);
        name->setCurrentText("TCP/IP");
        QVERIFY(address->isEnabled());
        address->setText("10.0.0");  // malformed: OK warns and keeps the dialog
        select->setCurrentIndex(0);
        dialog.setResult(-1);
        Child<QPushButton>(&dialog, "OK")->click();
        QCOMPARE(watcher.boxes.value(0).title, QString("Illegal IP Address"));
        QCOMPARE(dialog.result(), -1);
        QCOMPARE(dialog.SelectedPort(), 5);
        QVERIFY(!Stored(5, "Serial Port").isValid());

        address->setText("10.0.0.5:5025");
        Child<QPushButton>(&dialog, "OK")->click();
        QCOMPARE(dialog.result(), 1);
        QCOMPARE(Stored(2, "Serial Port").toString() + Stored(2, "Units").toString(), "/dev/ttyTIC23");
        QCOMPARE(TicPortSettings::Load(5).TcpPort(), 5025);
        QCOMPARE(TicPortSettings::Load(4).TcpPort(), 5024);
        QCOMPARE(Stored(8, "Serial Port").toString(), QString("OFF"));

        select->setCurrentIndex(1);
        name->setCurrentText("OFF");
        Child<QPushButton>(&dialog, "CANCEL")->click();
        QCOMPARE(dialog.result(), 0);
        QCOMPARE(name->currentText(), QString("/dev/ttyTIC2"));
    }
};

HORALUX_TEST(TestTicPortDialog);
#include "tst_ticportdialog.moc"
