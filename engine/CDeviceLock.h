// One operation per device across every process of the user: whoever starts a
// backup or restore takes the device's lock, a file named after its UDID in a
// folder the caller names (the user's runtime folder), and holds it until the
// operation has ended. The lock is QLockFile's: the file records the holder's
// process, so a holder that was killed leaves a stale file that the next
// TryLock() removes (on this host) instead of finding the device busy for ever.
// The same holds on Windows, where QLockFile checks the holder's process the
// same way; no code of this class is specific to either system.
//
// Threads: one object is used by one thread at a time. Two objects, in this
// process or another, for the same UDID and folder exclude each other.
// Failures: TryLock() tells a lock held by another holder (Busy) apart from a
// folder or file that cannot be made or written (Unavailable); the log says
// more. What to do without a lock is the caller's choice.
#ifndef CORVINA_CDEVICELOCK_H
#define CORVINA_CDEVICELOCK_H

#include <QLockFile>
#include <QString>

#include <memory>

class CDeviceLock
{
public:
    CDeviceLock() = default;
    // Releases the lock if held.
    ~CDeviceLock();
    CDeviceLock(const CDeviceLock&) = delete;
    CDeviceLock& operator=(const CDeviceLock&) = delete;

    enum enumLockResult {
        eiLockResult_Taken,       // held now (also when this object already held it)
        eiLockResult_Busy,        // another holder, in this process or another, has it
        eiLockResult_Unavailable, // no folder, a UDID that is no plain file name, or no writable file
    };

    // Takes the lock of the device qstrUDID in qstrFolder (made, private to
    // the user, when missing) without waiting. A UDID that is not a plain
    // file name is refused: it must not name a file outside the folder.
    enumLockResult TryLock(const QString& qstrFolder, const QString& qstrUDID);

    // Releases the lock; nothing when none is held.
    void Unlock();

    bool IsLocked() const { return m_pLockFile != nullptr; }

    // The lock file of a device: "<UDID>.lock" in the folder.
    static QString LockFilePath(const QString& qstrFolder, const QString& qstrUDID);

private:
    std::unique_ptr<QLockFile> m_pLockFile;
};

#endif
