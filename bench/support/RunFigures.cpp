#include "RunFigures.h"

#include <algorithm>

namespace veltra::bench {

double RunFigures::Best() const
{
    return samples_.empty() ? 0 : *std::min_element(samples_.begin(), samples_.end());
}

double RunFigures::Median() const
{
    if (samples_.empty())
        return 0;
    std::vector<double> sorted = samples_;
    std::sort(sorted.begin(), sorted.end());
    const size_t middle = sorted.size() / 2;
    return sorted.size() % 2 ? sorted[middle] : (sorted[middle - 1] + sorted[middle]) / 2;
}

}  // namespace veltra::bench
