#include "gpsrawdatadialog.h"
#include "gpsrxiddialog.h"
#include "testsupport.h"

#include <QCheckBox>
#include <QPlainTextEdit>
#include <QSettings>
#include <QTest>

namespace {
QPlainTextEdit* TextBox(QDialog& dialog) { return dialog.findChild<QPlainTextEdit*>(); }
}  // namespace

// The raw data window and the receiver ID window.
class TestTextWindows : public QObject
{
    Q_OBJECT

private slots:
    void init() { TestSupport::ClearSettings(); }

    void rawDataTrimsUnlessWrappingAndOnlyWhileShown()
    {
        GpsRawDataDialog dialog;
        dialog.AppendText(QStringLiteral("-> lost"));
        dialog.ShowDialog();
        QPlainTextEdit* box = TextBox(dialog);
        QCOMPARE(box->lineWrapMode(), QPlainTextEdit::NoWrap);
        dialog.AppendText(QStringLiteral("   -> @@Ha  "));
        dialog.AppendText(QStringLiteral("    "));
        QCheckBox* wrap = dialog.findChild<QCheckBox*>(QStringLiteral("wrapCheckBox"));
        wrap->setChecked(true);
        QCOMPARE(box->lineWrapMode(), QPlainTextEdit::WidgetWidth);
        dialog.AppendText(QStringLiteral("   <- @@Cj"));
        wrap->setChecked(false);
        QCOMPARE(box->lineWrapMode(), QPlainTextEdit::NoWrap);
        dialog.hide();
        dialog.AppendText(QStringLiteral("-> lost too"));
        QCOMPARE(box->toPlainText(), QStringLiteral("-> @@Ha\n\n   <- @@Cj"));
        // It keeps the newest lines.
        dialog.ShowDialog();
        for (int i = 0; i < GpsRawDataDialog::kMaxLines + 100; ++i)
            dialog.AppendText(QString::number(i));
        const QStringList lines = box->toPlainText().split(QLatin1Char('\n'));
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
        {
            GpsRawDataDialog dialog;
            dialog.ShowDialog();
            dialog.setGeometry(120, 130, 420, 260);
            dialog.close();
        }
        GpsRawDataDialog again;
        again.ShowDialog();
        QCOMPARE(again.size(), QSize(420, 260));
    }

    void rxIdIdentificationAboveReportsBelow()
    {
        GpsRxIdDialog dialog;
        const QString separator = dialog.rxIdSeparator;
        QCOMPARE(separator, QString(33, QLatin1Char('-')) + QLatin1Char('\n'));
        // Before any identification: no separator. Nothing changes nothing; blanks make
        // an empty line.
        dialog.SetRxIdText(QStringLiteral("@@Ba OK - must be a 6-channel Rcvr"));
        dialog.SetRxIdText(QString());
        dialog.SetRxIdText(QStringLiteral("   "));
        QCOMPARE(dialog.rxIdText, QStringLiteral("@@Ba OK - must be a 6-channel Rcvr\n\n"));

        dialog.AppendRxIdText(QStringLiteral("  Model M12+\nSerial 1234\r\nVersion 2.0  \n"));
        dialog.SetRxIdText(QStringLiteral("Self test:\n  passed\nantenna OK"));
        QCOMPARE(dialog.rxIdText, QStringLiteral("Model M12+\nSerial 1234\r\nVersion 2.0\n")
                                      + separator + QStringLiteral("Self test:\n  passed\nantenna OK\n"));
        QCOMPARE(TextBox(dialog)->toPlainText(), QString(dialog.rxIdText).remove(QLatin1Char('\r')));
        dialog.AppendRxIdText(QString());
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
        QCOMPARE(lines.mid(0, 4), (QStringList{"Model", "Version", dialog.rxIdSeparator.trimmed(), "53"}));
        QCOMPARE(lines.last(), QString::number(GpsRxIdDialog::kMaxLines + 49));
    }
};

HORALUX_TEST(TestTextWindows);
#include "tst_textwindows.moc"
