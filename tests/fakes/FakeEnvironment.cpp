#include "FakeEnvironment.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <sys/resource.h>
#include <thread>

namespace fake {

namespace {

std::string g_strToolName = "fake";
volatile std::sig_atomic_t g_bTermReceived = 0;

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
    FILE* pFile = strPath.empty() ? nullptr : std::fopen(strPath.c_str(), "ab");
    if (pFile == nullptr)
        return;
    std::fprintf(pFile, "#%s\n", g_strToolName.c_str());
    for (int i = 1; i < argc; ++i)
        std::fprintf(pFile, "%s\n", argv[i]);
    std::fclose(pFile);
}

bool HasScenario(const char* szWord)
{
    const std::vector<std::string> listWords = EnvList("CORVINA_FAKE_SCENARIO");
    return Contains(listWords, szWord) || Contains(listWords, g_strToolName + ":" + szWord);
}

std::string EnvText(const char* szName, const std::string& strDefault)
{
    const char* szValue = std::getenv(szName);
    return szValue != nullptr ? std::string(szValue) : strDefault;
}

long EnvNumber(const char* szName, long iDefault)
{
    const std::string strValue = EnvText(szName);
    return strValue.empty() ? iDefault : std::strtol(strValue.c_str(), nullptr, 10);
}

std::vector<std::string> EnvList(const char* szName)
{
    // Comma-separated words; blanks are dropped, empty words left out.
    std::string strText = EnvText(szName);
    strText.erase(std::remove(strText.begin(), strText.end(), ' '), strText.end());
    std::vector<std::string> listWords;
    std::istringstream stream(strText);
    for (std::string strWord; std::getline(stream, strWord, ',');) {
        if (!strWord.empty())
            listWords.push_back(strWord);
    }
    return listWords;
}

bool Contains(const std::vector<std::string>& listTexts, const std::string& strText)
{
    return std::find(listTexts.begin(), listTexts.end(), strText) != listTexts.end();
}

void SleepMs(long iMsecs)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(iMsecs > 0 ? iMsecs : 0));
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
