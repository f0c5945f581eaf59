#include "BenchFigures.h"

#include <algorithm>

double BenchFigures::Median(std::vector<double> listValues)
{
    std::nth_element(listValues.begin(), listValues.begin() + listValues.size() / 2, listValues.end());
    return listValues[listValues.size() / 2];
}
