#pragma once

#include <vector>

namespace veltra::bench {

// The samples of one figure over repeated runs. The machine is shared, so a
// single run says little: the best shows what the tool can do, the median
// what it did most of the time.
class RunFigures {
public:
    void Add(double sample) { samples_.push_back(sample); }
    bool Empty() const { return samples_.empty(); }
    double Best() const;
    double Median() const;

private:
    std::vector<double> samples_;
};

}  // namespace veltra::bench
