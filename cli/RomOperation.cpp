#include "Operation.h"

#include "Settings.h"

namespace veltra::cli {

namespace {

// The ROM download, or the initial erase in its place.
class RomOperation : public Operation {
public:
    explicit RomOperation(Session& session) : session_(session) {}

    ExitStatus Prepare() override
    {
        const CliOptions& options = session_.options;
        if (!options.hexFile.empty()) {
            const RomLoadResult loaded = LoadRomFile(session_.image, options.hexFile);
            if (!loaded.ok) {
                Say(loaded.message);
                return ExitStatus::Refused;
            }
            session_.image.filePath = options.hexFile;
        }
        RomDownload& rom = session_.engine.Rom();
        rom.SetOptions([&options] { return RomOptions{options.erase, options.blankCheck, options.program, options.verify}; });
        rom.SetRunRate([&options] { return options.baud; });
        if (!options.initErase && !rom.RomImageReady()) {
            session_.prompts.RepeatIfQuiet();
            return ExitStatus::Refused;
        }
        return ExitStatus::Passed;
    }

    void Start(const Ended& /*ended*/) override
    {
        if (session_.options.initErase)
            session_.engine.Rom().RunInitialErase(ReadModeMarkOption(session_.options.root, false));
        else
            session_.engine.Rom().BeginRomRun();
    }

private:
    Session& session_;
};

}  // namespace

std::unique_ptr<Operation> MakeRomOperation(Session& session)
{
    return std::make_unique<RomOperation>(session);
}

}  // namespace veltra::cli
