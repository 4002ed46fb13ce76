#pragma once

#include "Prompts.h"

#include <string>

namespace veltra::cli {

// The engine's messages to the operator, on standard error. Quiet, they are
// only kept: the last one is what a refusal prints.
class StderrPrompts : public Prompts {
public:
    explicit StderrPrompts(bool quiet) : quiet_(quiet) {}

    void ShowMessage(const std::string& caption, const std::string& text, bool warning) override;
    // The sheet's beep, as the terminal's bell, when standard error is one.
    void Beep() override;

    // A refusal is always said: quiet, the message kept back is said now.
    void RepeatIfQuiet() const;

private:
    bool quiet_;
    std::string last_;
};

// A line for people on standard error: "veltra-cli: <text>".
void Say(const std::string& text);

}  // namespace veltra::cli
