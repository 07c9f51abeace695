// The receiver chosen for the receive-only mode, as the operator picks it in the type
// dialog and as the set-up's record and the identity line read it back. The UT and GT
// columns share their button texts, so the column is kept beside the text.

#include "gpsportdialog.h"
#include "gpsrxtype.h"
#include "receiverinfo.h"
#include "receivermodels.h"
#include "testsupport.h"

#include <QButtonGroup>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <QTimer>

namespace {

const char* const kColumns[] = {"VP", "VP", "VP", "VP", "UT", "UT", "UT", "GT", "GT", "GT", "M12"};

// Opens the dialog as its owner does; pick > 0 checks that button and confirms with OK,
// otherwise the dialog is left. Gives the button checked when it opened.
int Run(int pick)
{
    GpsRxType dialog;
    auto* group = dialog.findChild<QButtonGroup*>(QStringLiteral("GpsRxTypeButtonGroup"));
    int shown = 0;
    QTimer::singleShot(0, &dialog, [&] {
        shown = group->checkedId();
        if (pick > 0) {
            group->button(pick)->click();
            dialog.findChild<QPushButton*>(QStringLiteral("OK"))->click();
        } else {
            dialog.reject();
        }
    });
    dialog.exec();
    return shown;
}

QString IdentityLine()
{
    ReceiverInfo info;
    GpsPortDialog().CopyReceiverInfo(info);
    return ReceiverModels::BinaryIdentityLine(info, true, false, false);
}

}  // namespace

class TestReceiverColumn : public QObject
{
    Q_OBJECT

private slots:
    void init() { TestSupport::ClearSettings(); }

    // Every button confirmed is the one checked at the next opening, and the record names
    // its column: a UT choice once came back as GT.
    void choiceComesBackInItsColumn_data()
    {
        QTest::addColumn<int>("button");
        for (int button = 1; button <= 11; ++button)
            QTest::addRow("%d %s", button, kColumns[button - 1]) << button;
    }
    void choiceComesBackInItsColumn()
    {
        QFETCH(int, button);
        const QString column = QString::fromLatin1(kColumns[button - 1]);
        Run(button);
        QCOMPARE(QSettings().value("GpsRxType/Receiver Column").toString(), column);
        QCOMPARE(Run(0), button);
        QVERIFY2(IdentityLine().startsWith("Motorola " + column + ", Rx Only, Bin, "), qPrintable(IdentityLine()));
    }

    // Text and column as a settings file holds them. Without the column, as in files written
    // before it was kept, or with a column that has no button of that text, the text alone
    // decides as it always did: the later of two equal texts, "1.0 and up" for none.
    void storedChoiceReadsAs_data()
    {
        QTest::addColumn<QString>("text");    // null: no key
        QTest::addColumn<QString>("column");  // null: no key
        QTest::addColumn<int>("button");
        QTest::addColumn<QString>("identity");
        const QString none;
        QTest::newRow("UT") << "up to 1.5" << "UT" << 5 << "Motorola UT, Rx Only, Bin, 8 ch, V1.0";
        QTest::newRow("old file") << "up to 1.5" << none << 8 << "Motorola GT, Rx Only, Bin, 8 ch, V1.0";
        QTest::newRow("text of another column") << "8.8 and up" << "UT" << 4 << "Motorola VP, Rx Only, Bin, 8 ch, V8.8";
        QTest::newRow("unknown column") << "1.6 - 1.9" << "ut" << 9 << "Motorola GT, Rx Only, Bin, 8 ch, V1.6";
        QTest::newRow("column alone") << none << "UT" << 11 << "Motorola M12, Rx Only, Bin, 12 ch, V1.0";
    }
    void storedChoiceReadsAs()
    {
        QFETCH(QString, text);
        QFETCH(QString, column);
        QFETCH(int, button);
        QFETCH(QString, identity);
        if (!text.isNull())
            QSettings().setValue("GpsRxType/PPS Interface", text);
        if (!column.isNull())
            QSettings().setValue("GpsRxType/Receiver Column", column);
        QCOMPARE(IdentityLine(), identity);
        QCOMPARE(Run(0), button);
    }
};

HORALUX_TEST(TestReceiverColumn);
#include "tst_receivercolumn.moc"
