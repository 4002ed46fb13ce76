#pragma once

#include <QApplication>

#include <memory>

namespace veltra::bench {

// The application for a benchmark of the real windows: on the offscreen
// platform unless the caller chose one, so that it runs on a machine without
// a display and the figures do not include drawing on a real screen.
std::unique_ptr<QApplication> StartApplication(int& argc, char** argv);

}  // namespace veltra::bench
