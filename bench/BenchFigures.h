// Figures the benchmarks report over their repeated runs.
#ifndef CORVINA_BENCHFIGURES_H
#define CORVINA_BENCHFIGURES_H

#include <vector>

class BenchFigures
{
public:
    // The middle value (the upper one of an even count); listValues must not be empty.
    static double Median(std::vector<double> listValues);
};

#endif
