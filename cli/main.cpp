// veltra-cli: every operation of the Veltra downloader without a window, for
// test executives, line automation and scripts. It drives the same engine as
// the sheet, so the same bytes go down the line with the same time-outs.
#include "CliOptions.h"
#include "ExitStatus.h"
#include "JsonOutput.h"
#include "Operation.h"
#include "PortListing.h"
#include "RunController.h"
#include "TextOutput.h"

#include <QCoreApplication>

#include <signal.h>
#include <unistd.h>

#include <cstdio>

using namespace veltra::cli;

namespace {

int Exit(ExitStatus status)
{
    return static_cast<int>(status);
}

std::unique_ptr<Operation> MakeOperation(Session& session)
{
    const std::string& command = session.options.command;
    if (command == "rom")
        return MakeRomOperation(session);
    if (command == "params-down")
        return MakeParamsDownOperation(session);
    if (command == "params-up")
        return MakeParamsUpOperation(session);
    if (command == "test")
        return MakeTestOperation(session);
    return MakeRecordsOperation(session);
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    // A reader that goes away (a pipe into `head`) must not end the program
    // with its ports open in the middle of a run.
    ::signal(SIGPIPE, SIG_IGN);

    CliOptions options;
    std::string message;
    switch (ParseCommandLine(QCoreApplication::arguments(), QCoreApplication::applicationDirPath().toStdString(),
                             options, message)) {
    case ParseOutcome::Help:
    case ParseOutcome::Version:
        std::fputs(message.c_str(), stdout);
        return Exit(ExitStatus::Passed);
    case ParseOutcome::Wrong:
        Say(message);
        std::fputs("Try 'veltra-cli --help'.\n", stderr);
        return Exit(ExitStatus::Usage);
    case ParseOutcome::Run:
        break;
    }
    if (options.command == "ports") {
        ListPorts(options.root, options.json);
        return Exit(ExitStatus::Passed);
    }

    std::vector<PortTarget> targets;
    if (!ResolvePorts(options.ports, targets, message)) {
        Say(message);
        return Exit(ExitStatus::Usage);
    }
    Session session(options, std::move(targets));
    const std::unique_ptr<Operation> operation = MakeOperation(session);
    if (const ExitStatus refused = operation->Prepare(); refused != ExitStatus::Passed)
        return Exit(refused);

    JsonOutput json;
    TextOutput text(!options.quiet && ::isatty(STDERR_FILENO) == 1);
    RunOutput& output = options.json ? static_cast<RunOutput&>(json) : text;
    RunController controller(session, *operation, output);
    return Exit(controller.Run());
}
