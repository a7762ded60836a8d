#pragma once

#include <QList>

#include <algorithm>
#include <cmath>

// The median of a benchmark's runs; a run that gave no figure (NaN) does not
// count, and no figure at all gives NaN.
inline double benchMedian(QList<double> values)
{
    values.removeIf([](double v) { return std::isnan(v); });
    if (values.isEmpty())
        return NAN;
    std::sort(values.begin(), values.end());
    return values.at(values.size() / 2);
}
