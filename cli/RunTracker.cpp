#include "RunTracker.h"

#include "CommandRecord.h"

#include <cstdio>

namespace veltra::cli {

namespace {

constexpr int kCompleted = 7;

// The phase a step letter starts, by the name the port's result gives it,
// and the status window's text for it.
struct Step {
    char letter;
    const char* phase;
    int message;
};
constexpr Step kSteps[] = {
    {code::kHandshake, "handshake", 0}, {code::kErase, "erase", 1},  {code::kBlankCheck, "blank check", 2},
    {code::kProgram, "program", 3},     {code::kReadBack, "verify", 4}, {code::kParamWrite, "write", 5},
    {code::kTest, "test", 6},
};

}  // namespace

RunTracker::RunTracker(const PortBank& bank, const std::vector<PortTarget>& targets, CaptionSet statusCaptions,
                       RunOutput& output)
    : bank_(bank), targets_(targets), captions_(std::move(statusCaptions)), output_(output)
{
}

void RunTracker::BeginAttempt(int attempt, int readRows)
{
    readRows_ = readRows;
    rows_.assign(targets_.size(), Row{});
    for (size_t port = 0; port < rows_.size(); ++port) {
        rows_[port].view.port = static_cast<int>(port);
        rows_[port].view.target = &targets_[port];
        rows_[port].view.attempt = attempt;
    }
}

std::string RunTracker::Caption(int message) const
{
    return captions_.Text("COMM_STATUS", "STATUS_MSG" + std::to_string(message));
}

RunTracker::Row* RunTracker::At(int port)
{
    return port >= 0 && static_cast<size_t>(port) < rows_.size() ? &rows_[static_cast<size_t>(port)] : nullptr;
}

int RunTracker::PortNamed(const std::string& name) const
{
    for (int port = 0; port < bank_.PortCount(); ++port) {
        if (bank_.PortName(port) == name)
            return port;
    }
    return -1;
}

void RunTracker::StartPhase(int port, const std::string& phase, const std::string& row, int total)
{
    Row* entry = At(port);
    if (entry == nullptr)
        return;
    entry->view.phase = phase;
    entry->view.row = row;
    entry->view.done = 0;
    entry->view.total = total;
    output_.PhaseStarted(entry->view);
}

PortView RunTracker::Final(const PortResult& result) const
{
    const Row& entry = rows_.at(static_cast<size_t>(result.port));
    PortView view = entry.view;
    if (result.ok)
        view.row = entry.doneText.empty() ? Caption(kCompleted) : entry.doneText;
    else
        view.row = entry.errorText.empty() ? " - " + result.failure + " " : entry.errorText;
    return view;
}

void RunTracker::Notice(const StatusNotice& notice, int range, const std::string& /*portName*/)
{
    Row* entry = At(notice.port);
    if (notice.active != 1 || entry == nullptr)
        return;
    switch (notice.code) {
    case notice::kPhaseStarts:
        for (const Step& step : kSteps) {
            if (step.letter == notice.value)
                StartPhase(notice.port, step.phase, Caption(step.message), range);
        }
        break;
    case notice::kProgress:
        entry->view.done += notice.value;
        output_.Progress(entry->view);
        break;
    case notice::kPhaseDone:
        entry->view.done = notice.value;
        entry->view.row = Caption(kCompleted);
        output_.Progress(entry->view);
        break;
    default:
        break;
    }
}

void RunTracker::ShowPortError(const std::string& portName, const std::string& text)
{
    if (Row* entry = At(PortNamed(portName)))
        entry->errorText = " - " + text + " ";
}

void RunTracker::SetRowResult(int row, int kind, const std::string& text)
{
    constexpr int kRed = 2;
    if (Row* entry = At(row)) {
        entry->view.row = text;
        if (kind == kRed)
            entry->errorText = text;
    }
}

// The upload tells of each row it starts to read through the shared notice.
void RunTracker::RunOver(const StatusNotice& notice, int /*value*/)
{
    Row* entry = At(notice.port);
    if (notice.active != 0 || notice.code != notice::kProgress || entry == nullptr)
        return;
    if (entry->view.phase.empty()) {
        StartPhase(notice.port, "read", Caption(0), readRows_);
        return;
    }
    ++entry->view.done;
    output_.Progress(entry->view);
}

void RunTracker::PortOver(int port, int value)
{
    if (Row* entry = At(port)) {
        if (value == kRecordTimedOut)
            entry->errorText = "Timeout!";
        else if (value == kRecordWrongReply)
            entry->errorText = "Wrong reply!";
    }
}

void RunTracker::RecordReadMovesTo(int port, const std::string& /*portName*/)
{
    StartPhase(port, "read", Caption(0), 0);
}

// As the module test window's row shows it: date, then the result byte.
void RunTracker::RecordComplete(int port, const std::array<uint8_t, 4>& record)
{
    char text[48];
    std::snprintf(text, sizeof text, "20%02d-%02d-%02d 0x%02X", record[0], record[1], record[2], record[3]);
    if (Row* entry = At(port))
        entry->doneText = text;
}

}  // namespace veltra::cli
