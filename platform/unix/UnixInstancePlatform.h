// Single-instance calls on Unix. The segment key, the instance lock and the
// local socket of the first instance all live in the user's runtime folder, so
// that starts from any folder meet and different users never do.
#ifndef CORVINA_UNIXINSTANCEPLATFORM_H
#define CORVINA_UNIXINSTANCEPLATFORM_H

#include "../InstancePlatform.h"

#include <QString>

#include <memory>

class QLocalServer;
class QLockFile;

class UnixInstancePlatform final : public InstancePlatform
{
public:
    UnixInstancePlatform();
    ~UnixInstancePlatform() override;

    std::string SegmentNativeKey(const std::string& name) override;
    bool SegmentCanOutliveOwner() const override { return true; }
    void ShowFirstInstance(std::uint32_t windowHandle, bool bringToFront) override;
    bool TerminateProcessById(std::uint32_t processId) override;
    MutexResult CreateInstanceMutex(const std::string& name) override;
    bool IsInstanceMutexHeldElsewhere(const std::string& name) override;
    bool ChangeCurrentDirectory(const std::string& path) override;
    void SleepMilliseconds(unsigned milliseconds) override;
    void ServeShowRequests(const std::string& name, std::function<void()> onShow) override;

private:
    QString RuntimePath(const std::string& name) const;
    QString ShowServerName() const;
    bool LockInstance(const std::string& name, bool* heldElsewhere);

    std::unique_ptr<QLockFile> m_lock;
    std::unique_ptr<QLocalServer> m_server;
    QString m_segmentName;
};

#endif
