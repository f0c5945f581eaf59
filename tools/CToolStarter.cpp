#include "CToolStarter.h"

#include "AppGlobals.h"
#include "CToolEndRequest.h"
#include "LogCallSite.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>

#if defined(Q_OS_LINUX)
#include <fcntl.h>
#include <unistd.h>
#endif

QString CToolStarter::BackupToolName()
{
    return QStringLiteral("idevicebackup2");
}

QString CToolStarter::InstallerToolName()
{
    return QStringLiteral("ideviceinstaller");
}

QString CToolStarter::ProgramPath(const QString& qstrToolName)
{
#if defined(Q_OS_WIN)
    return QStringLiteral("./") + qstrToolName + QStringLiteral(".exe");
#else
    const QString qstrInProgramFolder = QDir(g_qstrAppDirPath).filePath(qstrToolName);
    const QFileInfo fileInfo(qstrInProgramFolder);
    if (fileInfo.isFile() && fileInfo.isExecutable())
        return qstrInProgramFolder;
    const QString qstrOnPath = QStandardPaths::findExecutable(qstrToolName);
    if (!qstrOnPath.isEmpty())
        return qstrOnPath;
    TEXTLOG("%s found neither in the program folder nor on the search path", LOG8(qstrToolName));
    return qstrInProgramFolder;
#endif
}

QString CToolStarter::LineBufferLibrary()
{
#if defined(Q_OS_LINUX)
    static const char* const aszCandidates[] = {
        "/usr/libexec/coreutils/libstdbuf.so",
        "/usr/lib/x86_64-linux-gnu/coreutils/libstdbuf.so",
    };
    for (const char* szCandidate : aszCandidates) {
        const QString qstrCandidate = QString::fromLatin1(szCandidate);
        if (QFileInfo(qstrCandidate).isFile())
            return qstrCandidate;
    }
#endif
    return QString();
}

QProcessEnvironment CToolStarter::WithLineBuffering(QProcessEnvironment environment, const QString& qstrLibrary)
{
    if (qstrLibrary.isEmpty())
        return environment;
    const QString qstrPreloadKey = QStringLiteral("LD_PRELOAD");
    // The dynamic loader separates preloaded libraries by colons or blanks;
    // those already named stay first (a sanitizer runtime must come first).
    QString qstrPreload = environment.value(qstrPreloadKey).trimmed();
    const QStringList listPreloaded = qstrPreload.split(QRegularExpression(QStringLiteral("[: ]")), Qt::SkipEmptyParts);
    if (!listPreloaded.contains(qstrLibrary))
        qstrPreload = qstrPreload.isEmpty() ? qstrLibrary : qstrPreload + QLatin1Char(':') + qstrLibrary;
    environment.insert(qstrPreloadKey, qstrPreload);
    environment.insert(QStringLiteral("_STDBUF_O"), QStringLiteral("L"));
    return environment;
}

QProcessEnvironment CToolStarter::ToolEnvironment()
{
    return WithLineBuffering(QProcessEnvironment::systemEnvironment(), LineBufferLibrary());
}

bool CToolStarter::Start(QProcess& QProcessThis, const QString& qstrProgram, const QStringList& listArguments,
                         const CToolEndRequest* pEndRequest)
{
    TEXTLOG("Enter : qstrProgram : %s", LOG8(qstrProgram));
    if (pEndRequest != nullptr && pEndRequest->IsRequested()) {
        TEXTLOG("Exit : ending was requested, the tool is not started");
        return false;
    }
    QProcessThis.setProcessChannelMode(QProcess::SeparateChannels);
    QProcessThis.setProcessEnvironment(ToolEnvironment());
#if defined(Q_OS_LINUX)
    // A roomy pipe lets the tool write on while the reader gathers its output
    // in a few large reads instead of waking for every progress line.
    QProcessThis.setChildProcessModifier([]() { ::fcntl(STDOUT_FILENO, F_SETPIPE_SZ, iPipeBytes); });
#endif
    QProcessThis.start(qstrProgram, listArguments, QIODevice::ReadWrite);
    if (!QProcessThis.waitForStarted(-1)) {
        TEXTLOG("Exit : %s", LOG8(QProcessThis.errorString()));
        return false;
    }
    TEXTLOG("Exit");
    return true;
}

void CToolStarter::End(QProcess& QProcessThis)
{
    if (QProcessThis.state() == QProcess::NotRunning)
        return;
    TEXTLOG("Enter");
    QProcessThis.terminate();
    if (!QProcessThis.waitForFinished(iEndGraceMsecs)) {
        TEXTLOG("the tool is still running, kill");
        QProcessThis.kill();
        QProcessThis.waitForFinished(iEndGraceMsecs);
    }
    TEXTLOG("Exit");
}
