#include "Session.h"

#include "CaptionSet.h"
#include "Settings.h"

namespace veltra::cli {

namespace {

RunTimeouts Timeouts(const CliOptions& options)
{
    RunTimeouts timeouts;
    if (options.timeoutMs)
        timeouts = {*options.timeoutMs, *options.timeoutMs, *options.timeoutMs};
    return timeouts;
}

}  // namespace

Session::Session(const CliOptions& cliOptions, std::vector<PortTarget> portTargets)
    : options(cliOptions), targets(std::move(portTargets)), country(ReadCountry(options.root)),
      prompts(options.quiet),
      engine(image, table, prompts,
             RunTextsFrom(CaptionSet::ForCountry(options.root, country, CaptionReader::Sheet)), Timeouts(options))
{
    engine.Ports().SetRetryLimit(ReadRetryLimit(options.root));
    for (const PortTarget& target : targets)
        engine.Ports().AddPort(target.name);
}

PortResult Session::NotOpened(int port, const std::string& operation)
{
    const PortBank& bank = engine.Ports();
    PortResult result;
    result.port = port;
    result.portName = bank.PortName(port);
    result.operation = operation;
    result.failure = CannotOpen(port);
    result.start = result.end = std::chrono::system_clock::now();
    return result;
}

std::string Session::CannotOpen(int port)
{
    const std::string reason = engine.Ports().OpenError(port);
    return engine.Texts().cannotOpen + (reason.empty() ? "" : " " + reason);
}

}  // namespace veltra::cli
