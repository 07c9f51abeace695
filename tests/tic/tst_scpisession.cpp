// The SCPI counter's polling, without a socket: what waits at the counter, what the
// session holds, what it hands on and what counts toward a new connection.

#include "scpisession.h"
#include "testsupport.h"

#include <QTest>

#include <algorithm>

class TestScpiSession : public QObject
{
    Q_OBJECT

private slots:
    // What the counter sends, ";" between: "a:" answers the "READ?" that waits at it, a
    // second after the line before (its next start edge), "b:" 0.1 s after it; "n:" is a
    // notice printed unasked 0.3 s after the line before, "d:" a line sent unasked 0.1 s
    // after it; "t" the reply wait runs out; "x" the link closes and a new one
    // is set up. | the replies handed on
    // ("/" between) | "READ?"s sent | the most that waited at the counter | replies in a
    // row that were no reading | the line held | "polling", or what the counter was said
    // to answer when polling stopped.
    void polling_data()
    {
        QTest::addColumn<QString>("row");
        QTest::newRow("overflows are asked on, never a reason to connect again")
            << "a:+9.91E+37;a:+9.91E+37;a:NaN;a:-INF;a:+9.91E+37;a:1.0E-06"
               "|+9.91E+37/+9.91E+37/NaN/-INF/+9.91E+37/1.0E-06|7|1|0||polling";
        QTest::newRow("an overflow ends a row of word answers")
            << "a:Error;t;a:Error;t;a:+9.91E+37;a:Error;t|Error/Error/+9.91E+37/Error|5|1|1||polling";
        QTest::newRow("three word answers in a row stop the polling")
            << "a:Error;t;a:Error;t;a:Error;t|Error/Error/Error|3|1|3||Error";
        QTest::newRow("numeric notice after every third reading")
            << "a:1e-6;a:2e-6;a:3e-6;n:+0,\"No error\";a:4e-6;a:5e-6;a:6e-6;n:+0,\"No error\";a:7e-6"
               "|1e-6/2e-6/3e-6/4e-6/5e-6/6e-6/7e-6|8|1|0||polling";
        QTest::newRow("a real Error answer, then a reading") << "a:Error;t;a:1.0E-06|Error/1.0E-06|3|1|0||polling";
        QTest::newRow("a notice before the reading") << "n:*** REF INPUT LOST ***;a:1.0E-06|1.0E-06|2|1|0||polling";
        QTest::newRow("a numeric notice before the reading") << "n:+0,\"No error\";a:1.0E-06|1.0E-06|2|1|0||polling";
        QTest::newRow("a notice after the reading")
            << "a:1.0E-06;n:+0,\"No error\";a:2.0E-06|1.0E-06/2.0E-06|3|1|0||polling";
        QTest::newRow("two notices in a row")
            << "n:+0,\"No error\";n:-113,\"Undefined header\";a:+9.91E+37|+9.91E+37|2|1|0||polling";
        QTest::newRow("a number with words after it is held")
            << "a:1.0E-06;a:+0,\"No error\"|1.0E-06|2|1|0|+0,\"No error\"|polling";
        QTest::newRow("a number with words after it and nothing after it answers")
            << "a:1.0E-06;a:+0,\"No error\";t|1.0E-06/+0,\"No error\"|3|1|1||polling";
        QTest::newRow("a notice just as the link closes")
            << "a:1.0E-06;n:+0,\"No error\";x;t;a:2.0E-06|1.0E-06/2.0E-06|4|1|0||polling";
        QTest::newRow("the second of two held lines is a notice")
            << "a:1.0E-06;a:Error;n:*** REF INPUT LOST ***;t|1.0E-06/Error|3|1|1||polling";
        QTest::newRow("every answer twice")
            << "a:1.0E-06;d:1.0E-06;a:2.0E-06;d:2.0E-06;a:3.0E-06;d:3.0E-06|1.0E-06/2.0E-06/3.0E-06|4|1|0||polling";
        QTest::newRow("a reading after each overflow")
            << "a:+9.91E+37;d:1.0E-06;a:+9.91E+37;d:2.0E-06;d:NaN|+9.91E+37/+9.91E+37|3|1|0||polling";
        QTest::newRow("a notice after the answer asks nothing")
            << "a:1.0E-06;d:*** REF INPUT LOST ***;t;a:2.0E-06|1.0E-06/2.0E-06|3|1|0||polling";
        QTest::newRow("a word answer said again") << "a:Error;t;d:Error;a:1.0E-06|Error/1.0E-06|3|1|0||polling";
        QTest::newRow("a notice soon after the answer, then silence")
            << "a:1.0E-06;d:*** REF INPUT LOST ***;t;t;a:2.0E-06|1.0E-06/2.0E-06|3|1|0||polling";
        QTest::newRow("the answer soon after a READ? sent past a reply wait")
            << "a:Error;t;b:1.0E-06;d:1.0E-06;a:2.0E-06|Error/1.0E-06/2.0E-06|4|1|0||polling";
        QTest::newRow("the first answer at once") << "b:1.0E-06;a:2.0E-06|1.0E-06/2.0E-06|3|1|0||polling";
    }
    void polling()
    {
        QFETCH(QString, row);
        const QStringList f = row.split('|');
        int reads = 0;
        int waiting = 0;  // at the counter
        int mostWaiting = 0;
        QStringList replies;
        int64_t now = 0;
        ScpiSession session(
            [&](const QByteArray& command) {
                if (command == "READ?")
                    ++reads, mostWaiting = std::max(mostWaiting, ++waiting);
            },
            [&](const QByteArray& reply) { replies << QString::fromLatin1(reply); });
        const auto connect = [&] {
            waiting = 0;  // a new connection clears what the counter was asked
            session.Begin({"CONF:TINT"});
            session.TakeLine("Keysight,53220A,1,A", now);
        };
        connect();
        const QStringList steps = f[0].split(';');
        for (qsizetype i = 0; i < steps.size(); ++i) {
            const QString& step = steps[i];
            if (step == "t")
                now += ScpiSession::kReplyWaitMs, session.ReplyTimedOut();
            else if (step == "x")
                session.End(), connect();
            else if ((step.startsWith("a:") || step.startsWith("b:")) && waiting > 0)
                --waiting, session.TakeLine(step.mid(2).toLatin1(), now += step[0] == 'a' ? 1000 : 100);
            else if (step.startsWith("n:") || step.startsWith("d:"))
                session.TakeLine(step.mid(2).toLatin1(), now += step[0] == 'n' ? 300 : 100);
            else
                QFAIL(qPrintable("nothing waits for " + step));
        }
        const bool bPolling = session.GetState() == ScpiSession::State::Polling;
        QCOMPARE(replies.join('/'), f[1]);
        QCOMPARE(QList<int>({reads, mostWaiting, session.NoReadings()}),
                 QList<int>({f[2].toInt(), f[3].toInt(), f[4].toInt()}));
        QCOMPARE(QString::fromLatin1(session.Held()), f[5]);
        QCOMPARE(bPolling ? QStringLiteral("polling") : QString::fromLatin1(session.NoReadingAnswer()), f[6]);
    }
};

HORALUX_TEST(TestScpiSession);
#include "tst_scpisession.moc"
