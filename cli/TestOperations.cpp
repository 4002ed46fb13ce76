#include "Operation.h"

#include "ModuleFacts.h"
#include "Settings.h"

namespace veltra::cli {

namespace {

// The module test with the items of --items, or else of the settings file.
class TestOperation : public Operation {
public:
    explicit TestOperation(Session& session) : session_(session) {}

    ExitStatus Prepare() override
    {
        const std::optional<std::string>& items = session_.options.items;
        const std::array<bool, 8> setting = ReadItemSetting(session_.options.root);
        std::array<int, 8> flags{};
        for (size_t item = 0; item < flags.size(); ++item)
            flags[item] = items ? ((*items)[item] == '1' ? 1 : 0) : (setting[item] ? 1 : 0);
        ModuleTest& test = session_.engine.Test();
        test.SetTestItems(flags);
        if (test.TestItemCount() > 0)
            return ExitStatus::Passed;
        if (items) {
            Say("--items selects no test item");
            return ExitStatus::Usage;
        }
        Say("[TEST] ITEM_SETTING of the settings file selects no test item");
        return ExitStatus::Refused;
    }

    void Start(const Ended& /*ended*/) override
    {
        if (session_.engine.Test().HasPorts())
            session_.engine.Test().StartModuleTest();
    }

private:
    Session& session_;
};

// Each module's test record, read port by port.
class RecordsOperation : public Operation {
public:
    explicit RecordsOperation(Session& session) : session_(session) {}

    ExitStatus Prepare() override { return ExitStatus::Passed; }

    // The ports are opened at the application's rate first, as the sheet
    // does; the read itself deals with those that would not open.
    void Start(const Ended& /*ended*/) override
    {
        PortBank& bank = session_.engine.Ports();
        for (int port = 0; port < bank.PortCount(); ++port) {
            if (bank.Selected(port))
                bank.Open(port, module_facts::kApplicationBaud);
        }
        session_.engine.Records().PrepareRecordRead();
        session_.engine.Records().ReadTestRecords();
    }

private:
    Session& session_;
};

}  // namespace

std::unique_ptr<Operation> MakeTestOperation(Session& session)
{
    return std::make_unique<TestOperation>(session);
}

std::unique_ptr<Operation> MakeRecordsOperation(Session& session)
{
    return std::make_unique<RecordsOperation>(session);
}

}  // namespace veltra::cli
