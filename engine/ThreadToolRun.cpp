#include "ThreadToolRun.h"

#include "LogCallSite.h"

ThreadToolRun::ThreadToolRun()
    : QThread(nullptr)
{
}

void ThreadToolRun::EndRunningTool()
{
    TEXTLOG("Enter");
    if (isRunning())
        m_CToolEndRequest.Request();
    TEXTLOG("Exit");
}
