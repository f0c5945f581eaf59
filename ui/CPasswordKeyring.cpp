#include "CPasswordKeyring.h"

#include "LogCallSite.h"

#include <qt6keychain/keychain.h>

#ifndef Q_OS_WIN
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusReply>
#endif

namespace {

// The service name the keyring files the passwords under; the key is the UDID.
const QString kService = QStringLiteral("Corvina backup password");

} // namespace

CPasswordKeyring::CPasswordKeyring(QObject* pParent) : QObject(pParent)
{
}

bool CPasswordKeyring::Available()
{
#ifdef Q_OS_WIN
    return true;
#else
    const QString qstrName = QStringLiteral("org.freedesktop.secrets");
    QDBusConnectionInterface* pBus = QDBusConnection::sessionBus().interface();
    if (pBus == nullptr) // no session bus
        return false;
    const QDBusReply<bool> replyRunning = pBus->isServiceRegistered(qstrName);
    if (replyRunning.isValid() && replyRunning.value())
        return true;
    const QDBusReply<QStringList> replyStartable = pBus->activatableServiceNames();
    return replyStartable.isValid() && replyStartable.value().contains(qstrName);
#endif
}

void CPasswordKeyring::Read(const QString& qstrUDID)
{
    auto* pJob = new QKeychain::ReadPasswordJob(kService, this);
    connect(pJob, &QKeychain::Job::finished, this, [this, pJob, qstrUDID]() {
        emit signal_Read(qstrUDID, pJob->error() == QKeychain::NoError ? pJob->textData() : QString());
    });
    Launch(pJob, qstrUDID);
}

void CPasswordKeyring::Write(const QString& qstrUDID, const QString& qstrPassword)
{
    auto* pJob = new QKeychain::WritePasswordJob(kService, this);
    pJob->setTextData(qstrPassword);
    Launch(pJob, qstrUDID);
}

void CPasswordKeyring::Forget(const QString& qstrUDID)
{
    Launch(new QKeychain::DeletePasswordJob(kService, this), qstrUDID);
}

void CPasswordKeyring::Launch(QKeychain::Job* pJob, const QString& qstrUDID)
{
    // No copy in a settings file where the keyring is missing.
    pJob->setInsecureFallback(false);
    pJob->setKey(qstrUDID);
    connect(pJob, &QKeychain::Job::finished, this, [pJob]() {
        // A missing entry is an ordinary answer; anything else is only logged.
        if (pJob->error() != QKeychain::NoError && pJob->error() != QKeychain::EntryNotFound)
            TEXTLOG("keyring %s: error %d, %s", pJob->metaObject()->className(), static_cast<int>(pJob->error()),
                    LOG8(pJob->errorString()));
    });
    pJob->start(); // the job deletes itself once finished
}
