#include "socatpair.h"

#include "testsupport.h"

#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

SocatPair::SocatPair() = default;
SocatPair::~SocatPair() { Kill(); }

bool SocatPair::Available() { return !QStandardPaths::findExecutable(QStringLiteral("socat")).isEmpty(); }

bool SocatPair::Start()
{
    const QString pty = QStringLiteral("pty,raw,echo=0,link=");
    socat.setStandardOutputFile(QProcess::nullDevice());
    socat.setStandardErrorFile(QProcess::nullDevice());
    socat.start(QStringLiteral("socat"), {"-d", "-d", pty + ProgramEnd(), pty + ReceiverEnd()});
    if (!dir.isValid() || !socat.waitForStarted(5000))
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
    // A killed socat leaves its links behind, pointing at terminal numbers that another
    // pair may be given next; an unplugged device is gone under its name.
    QFile::remove(ProgramEnd());
    QFile::remove(ReceiverEnd());
}

void UseProgramEndAsReceiverPort(const SocatPair& pair)
{
    TestSupport::ClearSettings();
    QSettings settings;
    settings.setValue("GpsPortDialog/GPS Serial Port", pair.ProgramEnd());
    settings.setValue("GpsPortDialog/GPS Serial Port PPS Interface", 0);
}
