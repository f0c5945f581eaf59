// ThreadSanitizer cannot look inside Debian's Qt, which is built without it,
// so what Qt's mutex (past its inline fast path) and semaphore order is lost
// to it. In the ThreadSanitizer build every test program links these
// wrappers of the calls the project's code makes (ld --wrap); they tell
// ThreadSanitizer what each call orders and then do the call.
#include <QMutex>
#include <QSemaphore>

extern "C" {

void __tsan_acquire(void* pAddress);
void __tsan_release(void* pAddress);

void __real__ZN11QBasicMutex12lockInternalEv(QBasicMutex* pMutex);
bool __real__ZN11QBasicMutex12lockInternalEi(QBasicMutex* pMutex, int iTimeout);
void __real__ZN11QBasicMutex14unlockInternalEv(QBasicMutex* pMutex);
bool __real__ZN10QSemaphore10tryAcquireEi(QSemaphore* pSemaphore, int n);
bool __real__ZN10QSemaphore10tryAcquireEii(QSemaphore* pSemaphore, int n, int iTimeout);
void __real__ZN10QSemaphore7acquireEi(QSemaphore* pSemaphore, int n);
void __real__ZN10QSemaphore7releaseEi(QSemaphore* pSemaphore, int n);

void __wrap__ZN11QBasicMutex12lockInternalEv(QBasicMutex* pMutex)
{
    __real__ZN11QBasicMutex12lockInternalEv(pMutex);
    __tsan_acquire(pMutex);
}

bool __wrap__ZN11QBasicMutex12lockInternalEi(QBasicMutex* pMutex, int iTimeout)
{
    const bool bLocked = __real__ZN11QBasicMutex12lockInternalEi(pMutex, iTimeout);
    if (bLocked)
        __tsan_acquire(pMutex);
    return bLocked;
}

void __wrap__ZN11QBasicMutex14unlockInternalEv(QBasicMutex* pMutex)
{
    __tsan_release(pMutex);
    __real__ZN11QBasicMutex14unlockInternalEv(pMutex);
}

bool __wrap__ZN10QSemaphore10tryAcquireEi(QSemaphore* pSemaphore, int n)
{
    const bool bAcquired = __real__ZN10QSemaphore10tryAcquireEi(pSemaphore, n);
    if (bAcquired)
        __tsan_acquire(pSemaphore);
    return bAcquired;
}

bool __wrap__ZN10QSemaphore10tryAcquireEii(QSemaphore* pSemaphore, int n, int iTimeout)
{
    const bool bAcquired = __real__ZN10QSemaphore10tryAcquireEii(pSemaphore, n, iTimeout);
    if (bAcquired)
        __tsan_acquire(pSemaphore);
    return bAcquired;
}

void __wrap__ZN10QSemaphore7acquireEi(QSemaphore* pSemaphore, int n)
{
    __real__ZN10QSemaphore7acquireEi(pSemaphore, n);
    __tsan_acquire(pSemaphore);
}

void __wrap__ZN10QSemaphore7releaseEi(QSemaphore* pSemaphore, int n)
{
    __tsan_release(pSemaphore);
    __real__ZN10QSemaphore7releaseEi(pSemaphore, n);
}

} // extern "C"
