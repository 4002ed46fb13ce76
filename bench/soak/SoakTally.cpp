#include "SoakTally.h"

#include <cstdio>

namespace veltra::soak {

void SoakTally::CountOperation(Operation operation)
{
    ++operations_;
    ++byKind_[static_cast<size_t>(operation)];
}

void SoakTally::Fail(int operation, int port, const std::string& what)
{
    ++failures_;
    const std::string when = operation > 0 ? "operation " + std::to_string(operation) : std::string("warm-up");
    const std::string where = port < 0 ? std::string() : ", port " + std::to_string(port);
    std::printf("FAILED %s%s (seed %llu): %s\n", when.c_str(), where.c_str(), static_cast<unsigned long long>(seed_),
                what.c_str());
}

}  // namespace veltra::soak
