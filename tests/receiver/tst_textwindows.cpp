#include "gpsrawdatadialog.h"
#include "gpsrxiddialog.h"
#include "testsupport.h"

#include <QCheckBox>
#include <QPlainTextEdit>
#include <QSettings>
#include <QTest>

#include <memory>

namespace {

QPlainTextEdit* TextBox(QDialog& dialog)
{
    return dialog.findChild<QPlainTextEdit*>();
}

}  // namespace

// The raw data window and the receiver ID window.
class TestTextWindows : public QObject
{
    Q_OBJECT

private slots:
    void init() { TestSupport::ClearSettings(); }

    void rawDataTrimsUnlessWrapping()
    {
        GpsRawDataDialog dialog;
        dialog.ShowDialog();
        QPlainTextEdit* box = TextBox(dialog);
        QCOMPARE(box->lineWrapMode(), QPlainTextEdit::NoWrap);
        dialog.AppendText(QStringLiteral("   -> @@Ha  "));
        dialog.AppendText(QStringLiteral("    "));
        dialog.findChild<QCheckBox*>(QStringLiteral("wrapCheckBox"))->setChecked(true);
        QCOMPARE(dialog.wrapMode, 2);
        QCOMPARE(box->lineWrapMode(), QPlainTextEdit::WidgetWidth);
        dialog.AppendText(QStringLiteral("   <- @@Cj"));
        QCOMPARE(box->toPlainText(), QStringLiteral("-> @@Ha\n\n   <- @@Cj"));
        dialog.findChild<QCheckBox*>(QStringLiteral("wrapCheckBox"))->setChecked(false);
        QCOMPARE(box->lineWrapMode(), QPlainTextEdit::NoWrap);
    }

    void rawDataTakesNothingWhileHidden()
    {
        GpsRawDataDialog dialog;
        dialog.AppendText(QStringLiteral("-> lost"));
        dialog.ShowDialog();
        dialog.AppendText(QStringLiteral("-> kept"));
        dialog.hide();
        dialog.AppendText(QStringLiteral("-> lost too"));
        QCOMPARE(TextBox(dialog)->toPlainText(), QStringLiteral("-> kept"));
    }

    void rawDataKeepsTheNewestLines()
    {
        GpsRawDataDialog dialog;
        dialog.ShowDialog();
        for (int i = 0; i < GpsRawDataDialog::kMaxLines + 100; ++i)
            dialog.AppendText(QString::number(i));
        const QStringList lines = TextBox(dialog)->toPlainText().split(QLatin1Char('\n'));
        QCOMPARE(lines.size(), GpsRawDataDialog::kMaxLines);
        QCOMPARE(lines.last(), QString::number(GpsRawDataDialog::kMaxLines + 99));
    }

    void rawDataGeometry()
    {
        const QString key = QStringLiteral("GpsRawDataDialog/geometry");
        // Never shown: nothing is written over a stored place.
        QSettings().setValue(key, QByteArray("stored"));
        delete new GpsRawDataDialog;
        QCOMPARE(QSettings().value(key).toByteArray(), QByteArray("stored"));
        TestSupport::ClearSettings();

        QByteArray saved;
        {
            GpsRawDataDialog dialog;
            dialog.ShowDialog();
            dialog.setGeometry(120, 130, 420, 260);
            dialog.close();
            saved = QSettings().value(key).toByteArray();
            QVERIFY(!saved.isEmpty());
            dialog.ShowDialog();
            QCOMPARE(dialog.size(), QSize(420, 260));
        }
        GpsRawDataDialog again;
        again.ShowDialog();
        QCOMPARE(again.size(), QSize(420, 260));
    }

    void rxIdProbeResultsBeforeIdentification()
    {
        GpsRxIdDialog dialog;
        dialog.SetRxIdText(QStringLiteral("@@Ba OK - must be a 6-channel Rcvr"));
        QCOMPARE(dialog.rxIdText, QStringLiteral("@@Ba OK - must be a 6-channel Rcvr\n"));
        QCOMPARE(TextBox(dialog)->toPlainText(), dialog.rxIdText);
        dialog.SetRxIdText(QString());
        QCOMPARE(dialog.rxIdText, QStringLiteral("@@Ba OK - must be a 6-channel Rcvr\n"));
        dialog.SetRxIdText(QStringLiteral("   "));
        QCOMPARE(dialog.rxIdText, QStringLiteral("@@Ba OK - must be a 6-channel Rcvr\n\n"));
    }

    void rxIdIdentificationStartsAfresh()
    {
        GpsRxIdDialog dialog;
        const QString separator = dialog.rxIdSeparator;
        QCOMPARE(separator, QString(33, QLatin1Char('-')) + QLatin1Char('\n'));
        dialog.SetRxIdText(QStringLiteral("old"));
        dialog.AppendRxIdText(QStringLiteral("  Model M12+\nSerial 1234\r\nVersion 2.0  \n"));
        QCOMPARE(dialog.rxIdText,
                 QStringLiteral("Model M12+\nSerial 1234\r\nVersion 2.0\n") + separator);
        dialog.SetRxIdText(QStringLiteral("Self test:\n  passed\nantenna OK"));
        QCOMPARE(dialog.rxIdText, QStringLiteral("Model M12+\nSerial 1234\r\nVersion 2.0\n")
                                      + separator + QStringLiteral("Self test:\n  passed\nantenna OK\n"));
        QCOMPARE(TextBox(dialog)->toPlainText(), QString(dialog.rxIdText).remove(QLatin1Char('\r')));
        dialog.AppendRxIdText(QString());
        QCOMPARE(dialog.rxIdText, separator);
        QCOMPARE(TextBox(dialog)->toPlainText(), separator);
    }

    void rxIdKeepsItsIdentificationAndTheNewestReports()
    {
        GpsRxIdDialog dialog;
        dialog.AppendRxIdText(QStringLiteral("Model\nVersion"));
        for (int i = 0; i < GpsRxIdDialog::kMaxLines + 50; ++i)
            dialog.SetRxIdText(QString::number(i));
        const QStringList lines = dialog.rxIdText.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), GpsRxIdDialog::kMaxLines);
        QCOMPARE(lines.at(0), QStringLiteral("Model"));
        QCOMPARE(lines.at(2), dialog.rxIdSeparator.trimmed());
        QCOMPARE(lines.at(3), QString::number(53));
        QCOMPARE(lines.last(), QString::number(GpsRxIdDialog::kMaxLines + 49));
    }

    void rxIdWrapAndGeometry()
    {
        const QString key = QStringLiteral("GpsRxIdDialog/geometry");
        {
            GpsRxIdDialog dialog;
            QCOMPARE(TextBox(dialog)->lineWrapMode(), QPlainTextEdit::NoWrap);
            dialog.SetWrapMode(2);
            QCOMPARE(TextBox(dialog)->lineWrapMode(), QPlainTextEdit::WidgetWidth);
            dialog.SetWrapMode(0);
            QCOMPARE(TextBox(dialog)->lineWrapMode(), QPlainTextEdit::NoWrap);
            dialog.ShowDialog();
            dialog.close();
            QVERIFY(QSettings().contains(key));
            TestSupport::ClearSettings();
        }
        QVERIFY(!QSettings().contains(key));  // the destructor does not save it
    }
};

HORALUX_TEST(TestTextWindows);
#include "tst_textwindows.moc"
