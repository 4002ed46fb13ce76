#include "ProgramFolder.h"

#include "Profile.h"

#include <cstdlib>
#include <fstream>

namespace veltra::bench {

ProgramFolder::ProgramFolder()
{
    namespace fs = std::filesystem;
    std::string pattern = (fs::temp_directory_path() / "veltra-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
        return;
    path_ = pattern;
    std::error_code code;
    fs::copy(VELTRA_SOURCE_DIR "/config", path_ / "config", fs::copy_options::recursive, code);
    fs::copy(VELTRA_SOURCE_DIR "/Data", path_ / "Data", fs::copy_options::recursive, code);
    fs::create_directories(path_ / "sys/class/tty", code);
    ready_ = !code;
}

bool ProgramFolder::ListPorts(const std::vector<std::string>& ports) const
{
    std::string extra;
    for (const std::string& port : ports)
        extra += (extra.empty() ? "" : ",") + port;
    std::string error;
    return WriteProfileString(File("config/VTDown.ini"), "PORTS", "EXTRA", extra, error);
}

ProgramFolder::~ProgramFolder()
{
    std::error_code code;
    if (!path_.empty())
        std::filesystem::remove_all(path_, code);
}

std::string ProgramFolder::Write(const std::string& name, const std::string& content) const
{
    const std::string file = File(name);
    std::ofstream(file, std::ios::binary) << content;
    return file;
}

}  // namespace veltra::bench
