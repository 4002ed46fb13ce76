// The engine alone, without any window, against virtual modules: what each
// sequence asks of a module, and what it reports of each port.
#include "LinkTestSupport.h"

#include "BootLoader.h"
#include "Engine.h"
#include "HexText.h"
#include "ParameterFile.h"
#include "RomImage.h"
#include "TempDir.h"
#include "VirtualBench.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <sstream>
#include <vector>

using namespace veltra;
using veltra::testing::PumpUntil;

namespace {

struct Quiet : Prompts {
    void ShowMessage(const std::string&, const std::string&, bool) override {}
};

struct Watcher : RunObserver {
    void Notice(const StatusNotice& notice, int range, const std::string&) override
    {
        if (notice.code == notice::kPhaseStarts)
            ranges[notice.port].push_back(range);
    }
    std::map<int, std::vector<int>> ranges;
};

// The engine with its one port on a virtual module, by default in its boot loader.
struct Rig {
    explicit Rig(const sim::ModuleOptions& options = veltra::testing::BootLoader())
        : bench(1, options), engine(image, table, prompts)
    {
        veltra::testing::App();
        engine.Ports().AddPort(bench.Module(0).Path());
        engine.Ports().SetSelected(0, true);
        engine.Dispatcher().SetObserver(&watcher);
        engine.Dispatcher().AddResultListener([this](const PortResult&) { ended = true; });
    }

    sim::VirtualBench bench;
    RomImage image;
    ParameterTable table;
    Quiet prompts;
    Watcher watcher;
    Engine engine;
    bool ended = false;
};

// The records a module got of one kind, by their address field, as "AAAA-LL".
std::vector<std::string> Records(const sim::VirtualModule& module, const std::string& type)
{
    std::vector<std::string> out;
    for (const sim::Request& request : module.Requests()) {
        const std::string& b = request.bytes;
        if (b.size() >= 11 && b[0] == ':' && b.substr(7, 2) == type)
            out.push_back(b.substr(3, 4) + "-" + b.substr(1, 2));
    }
    return out;
}

}  // namespace

// Every image size is programmed in blocks of 128 bytes (the first always a
// full one) and read back in ranges of 1,024 bytes closed by a shorter or empty
// one; the bar of each phase has the image's length.
TEST(EngineRun, RomDownloadShapesItsRecordsByTheImage)
{
    const struct {
        uint32_t lastAddress;
        size_t blocks;
        std::vector<std::string> ranges;  // read-back "start end"
    } cases[] = {
        {0x0040, 1, {"0000 03FF", "0400 03FF"}},
        {0x0100, 3, {"0000 03FF", "0400 03FF"}},
        {0x05FF, 12, {"0000 03FF", "0400 05FF"}},
        {0x7FFF, 256, {}},
        {0xFFFF, 512, {}},
    };
    for (const auto& c : cases) {
        Rig rig;
        std::vector<uint8_t> firmware(c.lastAddress + 1);
        for (size_t i = 0; i < firmware.size(); ++i)
            firmware[i] = static_cast<uint8_t>(i * 31 + 7);
        veltra::testing::TempDir dir;
        ASSERT_TRUE(LoadRomFile(rig.image, dir.Write("f.hex", sim::HexFileText(firmware))).ok);
        rig.engine.Rom().SetOptions([] { return RomOptions{true, true, true, true}; });
        rig.engine.Rom().BeginRomRun();
        ASSERT_TRUE(PumpUntil([&] { return rig.ended; }, std::chrono::seconds(30))) << c.lastAddress;

        const sim::VirtualModule& module = rig.bench.Module(0);
        const std::vector<uint8_t> flash = module.Flash();
        EXPECT_TRUE(std::equal(firmware.begin(), firmware.end(), flash.begin())) << c.lastAddress;
        const std::vector<std::string> blocks = Records(module, "00");
        ASSERT_EQ(blocks.size(), c.blocks) << c.lastAddress;
        EXPECT_EQ(blocks.front(), "0000-80");
        EXPECT_EQ(blocks.back().substr(0, 4), QString::asprintf("%04X", (c.lastAddress / 128) * 128).toStdString());
        std::vector<std::string> ranges;
        for (const sim::Request& request : module.Requests()) {
            const std::string& b = request.bytes;
            if (b.size() == 21 && b.substr(7, 2) == "04" && b.substr(17, 2) == "00")
                ranges.push_back(b.substr(9, 4) + " " + b.substr(13, 4));
        }
        const size_t fullRanges = (c.lastAddress + 1) / 1024;
        if (c.ranges.empty()) {
            ASSERT_EQ(ranges.size(), fullRanges + 1);
            EXPECT_EQ(ranges.back(), c.lastAddress == 0xFFFF ? "FFFF FFFE" : "8000 7FFF");
        } else {
            EXPECT_EQ(ranges, c.ranges);
        }
        EXPECT_EQ(rig.watcher.ranges[0], (std::vector<int>{100, 100, 100, static_cast<int>(2 * c.lastAddress + 2),
                                                           static_cast<int>(2 * c.lastAddress + 2)}));
    }
}

// Parameter rows at the top of the address range count on without overflow.
TEST(EngineRun, ParameterWritesCountOnWithoutOverflow)
{
    Rig rig(sim::ModuleOptions{});
    std::istringstream file(",7FFFFFFF,[SYS] Top,2,H,0xabcd\n");
    std::string error;
    ASSERT_EQ(ReadParameterStream(file, "top.vtp", rig.table, error), ParameterLoadStatus::Loaded) << error;
    rig.table.rows[0].checked = true;
    ASSERT_TRUE(rig.engine.Parameters().PrepareParamDownload());
    rig.engine.Parameters().BeginParamDownload();
    ASSERT_TRUE(PumpUntil([&] { return rig.ended; }));
    std::vector<std::string> addresses;
    for (const sim::Request& request : rig.bench.Module(0).Requests())
        addresses.push_back(QByteArray::fromStdString(request.bytes.substr(3, 4)).toHex().toStdString());
    EXPECT_EQ(addresses, (std::vector<std::string>{"7fffffff", "80000000"}));
}
