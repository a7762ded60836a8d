#pragma once

#include <QElapsedTimer>

#include <algorithm>
#include <functional>
#include <limits>

// The shortest of RUNS timings of work, in milliseconds; prepare runs before
// each, untimed. The shortest is the run the shared machine disturbed least.
inline double bestMilliseconds(int runs, const std::function<void()>& work,
                               const std::function<void()>& prepare = {})
{
    double best = std::numeric_limits<double>::max();
    for (int run = 0; run < runs; ++run) {
        if (prepare)
            prepare();
        QElapsedTimer timer;
        timer.start();
        work();
        best = std::min(best, double(timer.nsecsElapsed()) / 1e6);
    }
    return best;
}
