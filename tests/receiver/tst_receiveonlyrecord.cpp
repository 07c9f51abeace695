#include "gpsportdialog.h"
#include "gpsrxtype.h"
#include "modalwatcher.h"
#include "motorolahandlers.h"
#include "nmeafields.h"
#include "receiverinfo.h"
#include "receivermodels.h"
#include "testsupport.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QSettings>
#include <QTest>

namespace {

// An identification answer that carries the version text in its two version fields.
QByteArray IdentificationWithVersion(const QString& versionText)
{
    QByteArray msg = "@@Cj" + QByteArray(290, ' ');
    const QStringList parts = versionText.split('.');
    const std::pair<int, QByteArray> texts[] = {
        {4, "COPYRIGHT 1991-1997 MOTOROLA INC."}, {84, parts.value(0).toLatin1()},
        {112, parts.value(1).toLatin1()}, {140, "MODEL # B3121P1115"}};
    for (const auto& [offset, text] : texts)
        msg.replace(offset, text.size(), text);
    return msg;
}

// Which of the three readings of a fix data sentence's altitude A and separation S the
// firmware version selects: heights above the ellipsoid and above sea level.
QString HeightLayout(const ReceiverInfo& info)
{
    double altGps = 0.0, altMsl = 0.0;
    Nmea::FixHeights(info.receiverModel, info.firmwareVersion, 100.0, 40.0, &altGps, &altMsl);
    const auto term = [](double h) { return h == 100.0 ? "A" : h == 60.0 ? "A-S" : h == 140.0 ? "A+S" : "?"; };
    return QStringLiteral("%1, %2").arg(term(altGps), term(altMsl));
}

}  // namespace

// The receiver record of the receive-only mode, made from the stored receiver type choice.
class TestReceiveOnlyRecord : public QObject
{
    Q_OBJECT

private slots:
    void init() { TestSupport::ClearSettings(); }

    void recordOfStoredChoice_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<QString>("record");  // model, version, both channel counts, T-RAIM
        QTest::addColumn<QString>("layout");
        QTest::addColumn<QString>("identity");
        const QString m12 = "3 V1.0 12/12 no T-RAIM";
        const QString m12Line = "Motorola M12, Rx Only, Bin, 12 ch, V1.0";
        QTest::newRow("nothing stored") << QVariant() << m12 << "A+S, A" << m12Line;
        QTest::newRow("hand-edited") << QVariant("8.8 and UP") << m12 << "A+S, A" << m12Line;
        QTest::newRow("M12 column") << QVariant("1.0 and up") << m12 << "A+S, A" << m12Line;
        QTest::newRow("VP up to 6.9") << QVariant("up to 6.9") << "10 V6.0 8/8 no T-RAIM" << "A, A-S"
                                      << "Motorola VP, Rx Only, Bin, 8 ch, V6.0";
        QTest::newRow("VP 7.0 - 7.9") << QVariant("7.0 - 7.9") << "10 V7.0 8/8 no T-RAIM" << "A-S, A"
                                      << "Motorola VP, Rx Only, Bin, 8 ch, V7.0";
        QTest::newRow("VP 8.0 - 8.7") << QVariant("8.0 - 8.7") << "10 V8.0 8/8 no T-RAIM" << "A-S, A"
                                      << "Motorola VP, Rx Only, Bin, 8 ch, V8.0";
        QTest::newRow("VP 8.8 and up") << QVariant("8.8 and up") << "10 V8.8 8/8 no T-RAIM" << "A+S, A"
                                       << "Motorola VP, Rx Only, Bin, 8 ch, V8.8";
        // The UT texts stand in the GT column too, and read as the later column.
        QTest::newRow("UT/GT up to 1.5") << QVariant("up to 1.5") << "1 V1.0 8/8 no T-RAIM" << "A+S, A"
                                         << "Motorola GT, Rx Only, Bin, 8 ch, V1.0";
        QTest::newRow("UT/GT 1.6 - 1.9") << QVariant("1.6 - 1.9") << "1 V1.6 8/8 no T-RAIM" << "A+S, A"
                                         << "Motorola GT, Rx Only, Bin, 8 ch, V1.6";
        QTest::newRow("UT/GT 2.0 and up") << QVariant("2.0 and up") << "1 V2.0 8/8 no T-RAIM" << "A+S, A"
                                          << "Motorola GT, Rx Only, Bin, 8 ch, V2.0";
    }

    void recordOfStoredChoice()
    {
        QFETCH(QVariant, stored);
        QFETCH(QString, record);
        QFETCH(QString, layout);
        QFETCH(QString, identity);
        if (stored.isValid())
            QSettings().setValue("GpsRxType/PPS Interface", stored);

        ReceiverInfo info;
        QVERIFY(GpsPortDialog().CopyReceiverInfo(info));
        QCOMPARE(QStringLiteral("%1 V%2 %3/%4 %5")
                     .arg(info.receiverModel)
                     .arg(info.firmwareVersionText)
                     .arg(info.channelCount)
                     .arg(info.channelCountReported)
                     .arg(info.bHasTraim ? "T-RAIM" : "no T-RAIM"),
                 record);
        QVERIFY(!info.bHasDgps);
        // The number is what identifying a receiver with that version text would give.
        const MotorolaDecoder::ReceiverIdentity id =
            MotorolaDecoder::IdentifyFromText(IdentificationWithVersion(info.firmwareVersionText));
        QCOMPARE(id.firmwareVersionText, info.firmwareVersionText);
        QCOMPARE(id.firmwareVersion, info.firmwareVersion);
        QCOMPARE(HeightLayout(info), layout);
        QCOMPARE(ReceiverModels::BinaryIdentityLine(info, true, false, false), identity);

        // The type dialog shows the button the record was made from.
        GpsRxType rxType;
        int shown = 0;
        ModalWatcher watcher;
        watcher.SetDialogHandler([&](QDialog*) {
            const QButtonGroup* group = rxType.findChild<QButtonGroup*>("GpsRxTypeButtonGroup");
            shown = group->checkedId();
            QCOMPARE(group->checkedButton()->text(), GpsRxType::ChoiceText(shown));
            rxType.close();
        });
        rxType.exec();
        QCOMPARE(GpsRxType::ReceiverOfChoice(shown).model, info.receiverModel);
        QCOMPARE(GpsRxType::ReceiverOfChoice(shown).firmwareVersionText, info.firmwareVersionText);
    }

    // Every button of the form has the text the record's table reads it by.
    void choiceTextsAreTheButtons()
    {
        GpsRxType rxType;
        const QButtonGroup* group = rxType.findChild<QButtonGroup*>("GpsRxTypeButtonGroup");
        QCOMPARE(group->buttons().size(), 11);
        for (int id = 1; id <= 11; ++id)
            QCOMPARE(group->button(id)->text(), GpsRxType::ChoiceText(id));
    }
};

HORALUX_TEST(TestReceiveOnlyRecord);
#include "tst_receiveonlyrecord.moc"
