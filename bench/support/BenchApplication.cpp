#include "BenchApplication.h"

#include <cstdlib>

namespace veltra::bench {

std::unique_ptr<QApplication> StartApplication(int& argc, char** argv)
{
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    return std::make_unique<QApplication>(argc, argv);
}

}  // namespace veltra::bench
