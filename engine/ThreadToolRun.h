// What the backup and restore threads share: a worker thread that runs the
// tools one after another and can be asked, from the GUI thread, to end the
// tool it is running (for a device that was unplugged mid-way).
#ifndef CORVINA_THREADTOOLRUN_H
#define CORVINA_THREADTOOLRUN_H

#include "CToolEndRequest.h"

#include <QThread>

class ThreadToolRun : public QThread
{
public:
    ThreadToolRun();

    // Terminates the running tool and kills it after a short grace. The step
    // whose tool was ended fails, no further tool is started, and the result
    // signal still comes, last.
    void EndRunningTool();

protected:
    CToolEndRequest m_CToolEndRequest;
};

#endif
