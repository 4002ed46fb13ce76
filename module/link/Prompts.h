#pragma once

#include <string>

namespace veltra {

// How the engine speaks to the operator outside the operation window: the
// sheet with message boxes, a program without windows on its own terms.
class Prompts {
public:
    virtual ~Prompts() = default;
    virtual void ShowMessage(const std::string& caption, const std::string& text, bool warning = false) = 0;
    // The short sound that says a job went through.
    virtual void Beep() {}
};

}  // namespace veltra
