#include "FakeEnvironment.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

namespace fake {

namespace {

std::string g_strToolName = "fake";
volatile std::sig_atomic_t g_bTermReceived = 0;

std::vector<std::string> Split(const std::string& strText, char cSeparator)
{
    std::vector<std::string> listParts;
    std::string strPart;
    for (const char c : strText) {
        if (c == cSeparator) {
            if (!strPart.empty())
                listParts.push_back(strPart);
            strPart.clear();
        } else if (c != ' ') {
            strPart += c;
        }
    }
    if (!strPart.empty())
        listParts.push_back(strPart);
    return listParts;
}

extern "C" void HandleTerm(int)
{
    g_bTermReceived = 1;
}

} // namespace

void SetToolName(const char* szToolName)
{
    g_strToolName = szToolName;
}

void RecordArguments(int argc, char** argv)
{
    const std::string strPath = EnvText("CORVINA_FAKE_ARGS_FILE");
    if (strPath.empty())
        return;
    FILE* pFile = std::fopen(strPath.c_str(), "ab");
    if (pFile == nullptr)
        return;
    std::fprintf(pFile, "#%s\n", g_strToolName.c_str());
    for (int i = 1; i < argc; ++i)
        std::fprintf(pFile, "%s\n", argv[i]);
    std::fclose(pFile);
}

bool HasScenario(const char* szWord)
{
    const std::string strOwn = g_strToolName + ":" + szWord;
    for (const std::string& strWord : EnvList("CORVINA_FAKE_SCENARIO")) {
        if (strWord == szWord || strWord == strOwn)
            return true;
    }
    return false;
}

std::string EnvText(const char* szName, const std::string& strDefault)
{
    const char* szValue = std::getenv(szName);
    return szValue != nullptr ? std::string(szValue) : strDefault;
}

long EnvNumber(const char* szName, long iDefault)
{
    const std::string strValue = EnvText(szName);
    if (strValue.empty())
        return iDefault;
    return std::strtol(strValue.c_str(), nullptr, 10);
}

std::vector<std::string> EnvList(const char* szName)
{
    return Split(EnvText(szName), ',');
}

bool Contains(const std::vector<std::string>& listTexts, const std::string& strText)
{
    for (const std::string& strEntry : listTexts) {
        if (strEntry == strText)
            return true;
    }
    return false;
}

void SleepMs(long iMsecs)
{
    if (iMsecs <= 0)
        return;
    timespec delay{};
    delay.tv_sec = iMsecs / 1000;
    delay.tv_nsec = (iMsecs % 1000) * 1000000L;
    while (nanosleep(&delay, &delay) != 0) {
    }
}

void CrashBySignal(int iSignal)
{
    // Like a real crash, output still in the stdio buffer is lost.
    const rlimit noCore{0, 0};
    setrlimit(RLIMIT_CORE, &noCore);
    std::signal(iSignal, SIG_DFL);
    std::raise(iSignal);
    std::_Exit(127);
}

void SilentWait(bool bHonourTerm, const char* szAbortedLine)
{
    // Like the real tools, the handler only notes the signal; the waiting loop
    // then ends the run normally, so buffered output is flushed at exit.
    struct sigaction action {};
    action.sa_handler = bHonourTerm ? HandleTerm : SIG_IGN;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    const long iSliceMs = 20;
    for (long iWaited = 0; iWaited < EnvNumber("CORVINA_FAKE_WAIT_MS", 120000); iWaited += iSliceMs) {
        if (g_bTermReceived != 0) {
            std::fprintf(stderr, "Exiting...\n");
            std::printf("%s", szAbortedLine);
            std::exit(255);
        }
        SleepMs(iSliceMs);
    }
    action.sa_handler = SIG_DFL;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

} // namespace fake
