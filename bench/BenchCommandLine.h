// The command line every benchmark shares: --help, and options that each take
// one value, checked strictly (an unknown option, a missing value, a value
// that is not a whole number or lies outside its range is refused).
//
// Exit statuses of the benchmarks: 0 when every target is met, 1 when one is
// missed or a run failed, 2 for a bad argument.
#ifndef CORVINA_BENCHCOMMANDLINE_H
#define CORVINA_BENCHCOMMANDLINE_H

#include <string>
#include <vector>

class BenchCommandLine
{
public:
    static constexpr int iMissed = 1;
    static constexpr int iBadArgument = 2;

    // szAbout: what the benchmark measures and its target, for --help.
    explicit BenchCommandLine(const char* szAbout);

    void AddInteger(const char* szName, long* pValue, long iMin, long iMax, const char* szHelp);
    void AddText(const char* szName, std::string* pValue, const char* szHelp);

    // -1 to go on; else the status to exit with at once (0 after --help).
    int Parse(int argc, char** argv) const;

private:
    struct Option
    {
        std::string strName;
        long* pInteger = nullptr;
        std::string* pText = nullptr;
        long iMin = 0;
        long iMax = 0;
        std::string strHelp;
    };

    void PrintHelp(const char* szProgram) const;
    bool Take(const Option& option, const char* szValue) const;

    std::string m_strAbout;
    std::vector<Option> m_listOptions;
};

#endif
