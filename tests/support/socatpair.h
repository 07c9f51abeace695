#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// A pair of linked pseudo-terminals made by socat: the program opens one end as its
// receiver port, the test plays the receiver on the other. Killing socat is an
// unplugged cable.
class SocatPair
{
public:
    SocatPair();
    ~SocatPair();

    // Starts socat and waits for both ends; false when it cannot. Under CI=true a
    // missing socat is a failure, elsewhere the test may skip.
    bool Start();
    void Kill();

    static bool Available();
    static bool Required() { return qEnvironmentVariable("CI") == QLatin1String("true"); }

    QString ProgramEnd() const { return dir.filePath(QStringLiteral("gps")); }
    QString ReceiverEnd() const { return dir.filePath(QStringLiteral("rx")); }

private:
    QTemporaryDir dir;
    QProcess socat;
};

// A fresh settings store whose receiver port is the program's end of the pair, with
// no 1PPS line (a pseudo-terminal has none).
void UseProgramEndAsReceiverPort(const SocatPair& pair);

// In a test slot: start the pair or fail / skip as the environment asks.
#define START_SOCAT_OR_SKIP(pair)                                                   \
    do {                                                                            \
        if (!SocatPair::Available()) {                                              \
            if (SocatPair::Required())                                              \
                QFAIL("socat is needed for this test and is not installed");        \
            QSKIP("socat is not installed");                                        \
        }                                                                           \
        QVERIFY2((pair).Start(), "socat did not make its pseudo-terminals");        \
    } while (false)
