#include "BenchCommandLine.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

BenchCommandLine::BenchCommandLine(const char* szAbout)
    : m_strAbout(szAbout)
{
}

void BenchCommandLine::AddInteger(const char* szName, long* pValue, long iMin, long iMax, const char* szHelp)
{
    Option option;
    option.strName = szName;
    option.pInteger = pValue;
    option.iMin = iMin;
    option.iMax = iMax;
    option.strHelp = szHelp;
    m_listOptions.push_back(option);
}

void BenchCommandLine::AddText(const char* szName, std::string* pValue, const char* szHelp)
{
    Option option;
    option.strName = szName;
    option.pText = pValue;
    option.strHelp = szHelp;
    m_listOptions.push_back(option);
}

void BenchCommandLine::PrintHelp(const char* szProgram) const
{
    std::printf("usage: %s", szProgram);
    for (const Option& option : m_listOptions)
        std::printf(" [%s %s]", option.strName.c_str(), option.pInteger != nullptr ? "N" : "TEXT");
    std::printf("\n\n%s\n\n", m_strAbout.c_str());
    for (const Option& option : m_listOptions) {
        if (option.pInteger != nullptr)
            std::printf("  %-14s %s (%ld to %ld, default %ld)\n", option.strName.c_str(), option.strHelp.c_str(),
                        option.iMin, option.iMax, *option.pInteger);
        else
            std::printf("  %-14s %s (default: %s)\n", option.strName.c_str(), option.strHelp.c_str(),
                        option.pText->empty() ? "none" : option.pText->c_str());
    }
    std::printf("  %-14s this text\n\nExit status: 0 every target met, 1 a target missed or a run failed, "
                "2 a bad argument.\n", "--help");
}

bool BenchCommandLine::Take(const Option& option, const char* szValue) const
{
    if (option.pText != nullptr) {
        *option.pText = szValue;
        return true;
    }
    errno = 0;
    char* pEnd = nullptr;
    const long iValue = std::strtol(szValue, &pEnd, 10);
    if (errno != 0 || pEnd == szValue || *pEnd != '\0' || iValue < option.iMin || iValue > option.iMax) {
        std::fprintf(stderr, "%s takes a whole number from %ld to %ld, not \"%s\"\n", option.strName.c_str(),
                     option.iMin, option.iMax, szValue);
        return false;
    }
    *option.pInteger = iValue;
    return true;
}

int BenchCommandLine::Parse(int argc, char** argv) const
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            PrintHelp(argv[0]);
            return 0;
        }
        const Option* pOption = nullptr;
        for (const Option& option : m_listOptions) {
            if (option.strName == argv[i])
                pOption = &option;
        }
        if (pOption == nullptr) {
            std::fprintf(stderr, "unknown argument \"%s\" (see --help)\n", argv[i]);
            return iBadArgument;
        }
        if (i + 1 >= argc) {
            std::fprintf(stderr, "%s needs a value (see --help)\n", argv[i]);
            return iBadArgument;
        }
        if (!Take(*pOption, argv[++i]))
            return iBadArgument;
    }
    return -1;
}
