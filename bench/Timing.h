#pragma once

#include <QElapsedTimer>
#include <algorithm>
#include <functional>
#include <vector>

namespace portiva::bench
{

// The median, not the mean: one run disturbed by the rest of a shared machine moves it least.
inline double medianMs(int runs, const std::function<void()> &setup,
                       const std::function<void()> &work)
{
    std::vector<double> times;
    for (int r = 0; r < runs; ++r) {
        if (setup)
            setup();
        QElapsedTimer t;
        t.start();
        work();
        times.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace portiva::bench
