#include "SimProcess.h"

#include "CpuClock.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

extern char** environ;

namespace veltra::bench {

SimProcess::SimProcess(const SimOptions& options)
{
    std::vector<std::string> args = {VELTRA_SIM_PROGRAM, "--modules", std::to_string(options.modules),
                                     options.bootLoader ? "--boot" : "--app", "--erase-ms",
                                     std::to_string(options.eraseMs)};
    if (options.lineRate)
        args.push_back("--line-rate");
    if (!options.eepromFile.empty())
        args.insert(args.end(), {"--eeprom", options.eepromFile});
    if (!options.dumpFolder.empty())
        args.insert(args.end(), {"--dump", options.dumpFolder});
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);

    int toChild[2];
    int fromChild[2];
    if (::pipe2(toChild, O_CLOEXEC) != 0)
        return;
    if (::pipe2(fromChild, O_CLOEXEC) != 0) {
        ::close(toChild[0]);
        ::close(toChild[1]);
        return;
    }
    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawn_file_actions_adddup2(&actions, toChild[0], STDIN_FILENO);
    ::posix_spawn_file_actions_adddup2(&actions, fromChild[1], STDOUT_FILENO);
    const int spawned = ::posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
    ::posix_spawn_file_actions_destroy(&actions);
    ::close(toChild[0]);
    ::close(fromChild[1]);
    input_ = toChild[1];
    if (spawned != 0) {
        pid_ = -1;
        ::close(fromChild[0]);
        return;
    }
    // It prints one path a line, then serves; nothing else comes before them.
    // Its output stays open for its whole life: what it answers to "quit"
    // must not meet a closed pipe.
    output_ = ::fdopen(fromChild[0], "r");
    char line[4096];
    while (static_cast<int>(paths_.size()) < options.modules && std::fgets(line, sizeof line, output_)) {
        std::string path(line);
        while (!path.empty() && (path.back() == '\n' || path.back() == '\r'))
            path.pop_back();
        paths_.push_back(path);
    }
}

SimProcess::~SimProcess()
{
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
    }
    if (input_ >= 0)
        ::close(input_);
    if (output_ != nullptr)
        std::fclose(output_);
}

double SimProcess::CpuSeconds() const
{
    return pid_ > 0 ? ChildCpuSeconds(pid_) : -1;
}

bool SimProcess::Quit()
{
    if (pid_ <= 0)
        return false;
    static constexpr char kQuit[] = "quit\n";
    const bool sent = ::write(input_, kQuit, sizeof kQuit - 1) == static_cast<ssize_t>(sizeof kQuit - 1);
    if (!sent)
        ::kill(pid_, SIGTERM);
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
    return sent && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace veltra::bench
