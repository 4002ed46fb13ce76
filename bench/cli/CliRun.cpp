#include "CliRun.h"

#include "CpuClock.h"
#include "FirmwareImage.h"
#include "ProgramFolder.h"
#include "SimProcess.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <iterator>

extern char** environ;

namespace veltra::bench {

namespace {

struct Exited {
    int status = -1;
    double cpuSeconds = -1;
};

// Starts the program with standard output to `outFile` and standard error
// to `errFile`, and waits for it. Its CPU time is read while it is a zombie,
// before it is reaped and its /proc entry goes.
Exited RunProgram(std::vector<std::string> args, const std::string& dataHome, const std::string& outFile,
                  const std::string& errFile)
{
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    std::vector<std::string> variables = {"XDG_DATA_HOME=" + dataHome};
    for (char** entry = environ; *entry != nullptr; ++entry) {
        if (std::string(*entry).rfind("XDG_DATA_HOME=", 0) != 0)
            variables.emplace_back(*entry);
    }
    std::vector<char*> envp;
    for (std::string& variable : variables)
        envp.push_back(variable.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ::posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = -1;
    const int spawned = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    ::posix_spawn_file_actions_destroy(&actions);
    Exited exited;
    if (spawned != 0)
        return exited;
    siginfo_t info{};
    ::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOWAIT);
    exited.cpuSeconds = ChildCpuSeconds(pid);
    int status = 0;
    ::waitpid(pid, &status, 0);
    exited.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return exited;
}

std::string ReadAll(const std::string& file)
{
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

CliRunResult RunCliRomDownload(const CliRunSetup& setup)
{
    CliRunResult result;
    ProgramFolder folder;
    const std::string dumpFolder = folder.File("dump");
    SimProcess sim({setup.ports, true, true, setup.eraseMs, {}, dumpFolder});
    if (static_cast<int>(sim.Paths().size()) != setup.ports || !folder.Ready()) {
        result.failure = "the virtual modules or the program folder did not start";
        return result;
    }
    const std::string hexFile = folder.Write("firmware.hex", HexFileText(setup.firmware));
    std::vector<std::string> args = {VELTRA_CLI_PROGRAM, "rom",  "--verify", "--json", "--hex",
                                     hexFile,            "--baud", std::to_string(setup.baud), "--root", folder.File("")};
    args.insert(args.end(), sim.Paths().begin(), sim.Paths().end());

    const double simBefore = sim.CpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    const Exited exited = RunProgram(args, folder.File("data"), folder.File("out.jsonl"), folder.File("err.txt"));
    result.wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    result.cliCpuSeconds = exited.cpuSeconds;
    result.simCpuSeconds = sim.CpuSeconds() - simBefore;

    const std::string out = ReadAll(folder.File("out.jsonl"));
    const std::string passed = "\"passed\":" + std::to_string(setup.ports) + ",";
    if (exited.status != 0)
        result.failure = "exit status " + std::to_string(exited.status) + ": " + ReadAll(folder.File("err.txt"));
    else if (out.find(passed) == std::string::npos)
        result.failure = "the summary does not say every port passed";
    result.failure = CheckAfterRun(result.failure, sim, dumpFolder, setup.ports, setup.firmware);
    result.ok = result.failure.empty();
    return result;
}

double CliStartUpCpuSeconds()
{
    ProgramFolder folder;
    return RunProgram({VELTRA_CLI_PROGRAM, "--help"}, folder.File("data"), "/dev/null", "/dev/null").cpuSeconds;
}

}  // namespace veltra::bench
