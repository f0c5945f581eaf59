#include "CDeviceLock.h"

#include "CStaticPubFunc.h"
#include "LogCallSite.h"

#include <QDir>
#include <QFile>

CDeviceLock::~CDeviceLock()
{
    Unlock();
}

QString CDeviceLock::LockFilePath(const QString& qstrFolder, const QString& qstrUDID)
{
    return QDir(qstrFolder).filePath(qstrUDID + QStringLiteral(".lock"));
}

CDeviceLock::enumLockResult CDeviceLock::TryLock(const QString& qstrFolder, const QString& qstrUDID)
{
    if (m_pLockFile != nullptr)
        return eiLockResult_Taken;
    if (qstrFolder.isEmpty() || !CStaticPubFunc::IsPlainFileName(qstrUDID + QStringLiteral(".lock"))) {
        TEXTLOG("Exit : no lock folder or not a plain UDID : %s", LOG8(qstrUDID));
        return eiLockResult_Unavailable;
    }
    if (!QDir().mkpath(qstrFolder)) {
        TEXTLOG("Exit : the lock folder cannot be made : %s", LOG8(qstrFolder));
        return eiLockResult_Unavailable;
    }
    // Only the user looks at whose devices are busy.
    QFile::setPermissions(qstrFolder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    auto pLockFile = std::make_unique<QLockFile>(LockFilePath(qstrFolder, qstrUDID));
    // Staleness is decided by the holder's process alone, never by age: an
    // operation may rightly hold its device for hours.
    pLockFile->setStaleLockTime(0);
    if (!pLockFile->tryLock(0)) {
        const bool bBusy = pLockFile->error() == QLockFile::LockFailedError;
        TEXTLOG("Exit : not taken (%d) : %s", static_cast<int>(pLockFile->error()), LOG8(pLockFile->fileName()));
        return bBusy ? eiLockResult_Busy : eiLockResult_Unavailable;
    }
    m_pLockFile = std::move(pLockFile);
    TEXTLOG("taken : %s", LOG8(m_pLockFile->fileName()));
    return eiLockResult_Taken;
}

void CDeviceLock::Unlock()
{
    if (m_pLockFile == nullptr)
        return;
    TEXTLOG("released : %s", LOG8(m_pLockFile->fileName()));
    m_pLockFile->unlock();
    m_pLockFile.reset();
}
