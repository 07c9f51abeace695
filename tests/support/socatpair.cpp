#include "socatpair.h"

#include "testsupport.h"

#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

SocatPair::SocatPair() = default;

SocatPair::~SocatPair()
{
    Kill();
}

bool SocatPair::Available()
{
    return !QStandardPaths::findExecutable(QStringLiteral("socat")).isEmpty();
}

bool SocatPair::Start()
{
    if (!dir.isValid())
        return false;
    // A killed socat leaves its links behind, pointing at terminals that are gone; a
    // restart on the same links (the adapter plugged in again) needs them away.
    QFile::remove(ProgramEnd());
    QFile::remove(ReceiverEnd());
    const QString a = QStringLiteral("pty,raw,echo=0,link=") + ProgramEnd();
    const QString b = QStringLiteral("pty,raw,echo=0,link=") + ReceiverEnd();
    socat.setStandardOutputFile(QProcess::nullDevice());
    socat.setStandardErrorFile(QProcess::nullDevice());
    socat.start(QStringLiteral("socat"), {QStringLiteral("-d"), QStringLiteral("-d"), a, b});
    if (!socat.waitForStarted(5000))
        return false;
    return TestSupport::WaitFor([this] {
        return QFileInfo::exists(ProgramEnd()) && QFileInfo::exists(ReceiverEnd());
    });
}

void SocatPair::Kill()
{
    if (socat.state() == QProcess::NotRunning)
        return;
    socat.kill();
    socat.waitForFinished(5000);
}
