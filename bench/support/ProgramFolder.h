#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace veltra::bench {

// A program folder of its own for one run: the shipped settings, captions and
// default parameter file, and an empty system tree so that the machine's own
// serial ports stay out; removed with everything in it at the end.
class ProgramFolder {
public:
    ProgramFolder();
    ~ProgramFolder();
    ProgramFolder(const ProgramFolder&) = delete;
    ProgramFolder& operator=(const ProgramFolder&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    std::string File(const std::string& name) const { return (path_ / name).string(); }
    std::string Write(const std::string& name, const std::string& content) const;
    bool Ready() const { return ready_; }
    // The only serial ports the sheet will find, as extra ports in the settings.
    bool ListPorts(const std::vector<std::string>& ports) const;

private:
    std::filesystem::path path_;
    bool ready_ = false;
};

}  // namespace veltra::bench
