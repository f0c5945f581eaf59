#include "CToolStarter.h"

#include "CToolEndRequest.h"
#include "CToolSettings.h"
#include "LogCallSite.h"
#include "ToolProcessPlatform.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>

namespace {

ToolProcessPlatform& Platform()
{
    static const std::unique_ptr<ToolProcessPlatform> platform = ToolProcessPlatform::Create();
    return *platform;
}

} // namespace

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
    const QString qstrProgramFolder = CToolSettings::ProgramFolder();
    const QString qstrInProgramFolder = QDir(qstrProgramFolder).filePath(qstrToolName);
    const QFileInfo fileInfo(qstrInProgramFolder);
    if (!qstrProgramFolder.isEmpty() && fileInfo.isFile() && fileInfo.isExecutable())
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
    ToolProcessPlatform& platform = Platform();
#if defined(Q_OS_UNIX)
    // A roomy pipe lets the tool write on while the reader gathers its output
    // in a few large reads instead of waking for every progress line; and the
    // tool ends with this thread, so it never goes on with nobody watching.
    const std::int64_t iParentId = platform.CurrentProcessId();
    QProcessThis.setChildProcessModifier([&platform, iParentId]() { platform.PrepareChild(iParentId, iPipeBytes); });
#endif
    QProcessThis.start(qstrProgram, listArguments, QIODevice::ReadWrite);
    if (!QProcessThis.waitForStarted(-1)) {
        TEXTLOG("Exit : %s", LOG8(QProcessThis.errorString()));
        return false;
    }
    if (!platform.AdoptChild(QProcessThis.processId()))
        TEXTLOG("the tool could not be tied to this program's life");
    TEXTLOG("Exit");
    return true;
}

structFailureCause CToolStarter::StartFailureCause(const QString& qstrToolName, const CToolEndRequest* pEndRequest)
{
    if (pEndRequest != nullptr && pEndRequest->IsRequested())
        return {pEndRequest->Reason(), QString()};
    return {eiFailureCause_ToolMissing, qstrToolName};
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
