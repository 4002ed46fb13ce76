#include "TextOutput.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

namespace veltra::cli {

namespace {

constexpr int kRedrawMs = 100;
constexpr int kBarWidth = 20;

std::string Trimmed(const std::string& text)
{
    const auto first = text.find_first_not_of(' ');
    return first == std::string::npos ? std::string() : text.substr(first, text.find_last_not_of(' ') - first + 1);
}

size_t TerminalWidth()
{
    winsize size{};
    return ::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0 ? size.ws_col : 80;
}

}  // namespace

TextOutput::TextOutput(bool showProgress) : showProgress_(showProgress)
{
    redraw_.setSingleShot(true);
    redraw_.setInterval(kRedrawMs);
    QObject::connect(&redraw_, &QTimer::timeout, [this] { Draw(); });
}

TextOutput::~TextOutput()
{
    Erase();
}

void TextOutput::Changed(const PortView& view)
{
    if (!showProgress_)
        return;
    running_[view.port] = view;
    if (!redraw_.isActive())
        redraw_.start();
}

void TextOutput::PhaseStarted(const PortView& view)
{
    Changed(view);
}

void TextOutput::Progress(const PortView& view)
{
    Changed(view);
}

void TextOutput::Erase()
{
    if (linesShown_ == 0)
        return;
    std::fprintf(stderr, "\x1b[%dA\x1b[J", linesShown_);
    std::fflush(stderr);
    linesShown_ = 0;
}

// Each line is cut to the terminal's width: a wrapped line would make the
// next redraw climb one line too few.
void TextOutput::Draw()
{
    Erase();
    const size_t width = TerminalWidth() - 1;
    for (const auto& [port, view] : running_) {
        const int filled = view.total > 0 ? std::clamp(view.done * kBarWidth / view.total, 0, kBarWidth) : 0;
        std::string line = view.target->given + "  " + Trimmed(view.row) + "  [" + std::string(filled, '#') +
                           std::string(kBarWidth - filled, '.') + "]";
        if (view.attempt > 1)
            line += "  attempt " + std::to_string(view.attempt);
        line.resize(std::min(line.size(), width));
        std::fprintf(stderr, "%s\n", line.c_str());
        ++linesShown_;
    }
    std::fflush(stderr);
}

void TextOutput::Result(const PortView& view, const PortResult& result, int attempts)
{
    running_.erase(view.port);
    Erase();
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.2f s", std::chrono::duration<double>(result.end - result.start).count());
    std::string line =
        view.target->given + "  " + (result.ok ? "ok" : "FAIL") + "  " + Trimmed(view.row) + "  " + seconds;
    if (attempts > 1)
        line += "  (" + std::to_string(attempts) + " attempts)";
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
    if (showProgress_ && !running_.empty() && !redraw_.isActive())
        redraw_.start();
}

void TextOutput::Summary(const RunSummary& summary)
{
    redraw_.stop();
    running_.clear();
    Erase();
    std::printf("%s: %d port(s), %d passed, %d failed%s, %.2f s\n", summary.operation.c_str(), summary.ports,
                summary.passed, summary.failed, summary.interrupted ? ", interrupted" : "",
                static_cast<double>(summary.ms) / 1000.0);
    std::fflush(stdout);
}

}  // namespace veltra::cli
