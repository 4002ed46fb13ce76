#include "StderrPrompts.h"

#include <unistd.h>

#include <cstdio>

namespace veltra::cli {

void Say(const std::string& text)
{
    std::fprintf(stderr, "veltra-cli: %s\n", text.c_str());
    std::fflush(stderr);
}

void StderrPrompts::ShowMessage(const std::string& caption, const std::string& text, bool warning)
{
    last_ = caption + (warning ? " (warning): " : ": ") + text;
    while (!last_.empty() && last_.back() == '\n')
        last_.pop_back();
    if (!quiet_)
        Say(last_);
}

void StderrPrompts::RepeatIfQuiet() const
{
    if (quiet_ && !last_.empty())
        Say(last_);
}

void StderrPrompts::Beep()
{
    if (!quiet_ && ::isatty(STDERR_FILENO) == 1) {
        std::fputc('\a', stderr);
        std::fflush(stderr);
    }
}

}  // namespace veltra::cli
