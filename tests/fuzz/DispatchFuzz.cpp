// Arbitrary chunks for a port in every state of every run: the engine must
// stay within its buffers, and a port can end at most once.
#include "Engine.h"
#include "ParameterFile.h"
#include "Pty.h"
#include "RomImage.h"

#include <QCoreApplication>

#include <cstdlib>
#include <sstream>

namespace {

class Quiet : public veltra::Prompts {
public:
    void ShowMessage(const std::string&, const std::string&, bool) override {}
};

// Two ports on pseudo-terminals whose other ends take whatever is written.
struct Rig {
    Rig() : engine(image, table, prompts)
    {
        image.lastAddress = 0x0FFF;
        image.loaded = 1;
        std::istringstream rows(",0010,A,4,U,258\n,0010,B,4,U,258\n");
        std::string error;
        veltra::ReadParameterStream(rows, "fuzz.vtp", table, error);
        for (const veltra::testing::Pty& pty : ptys)
            engine.Ports().SetSelected(engine.Ports().AddPort(pty.Path()), true);
    }
    void Drain() const
    {
        for (const veltra::testing::Pty& pty : ptys)
            pty.ReadAvailable();
    }

    veltra::RomImage image;
    veltra::ParameterTable table;
    Quiet prompts;
    veltra::testing::Pty ptys[2];  // outlive the engine's ports on them
    veltra::Engine engine;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    static int argc = 1;
    static char name[] = "fuzz";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    static Rig rig;
    veltra::Engine& engine = rig.engine;
    for (veltra::ParameterEntry& row : rig.table.rows)
        row.checked = true;
    const uint8_t phases = data[0];
    engine.Rom().SetOptions([phases] {
        return veltra::RomOptions{(phases & 1) != 0, (phases & 2) != 0, (phases & 4) != 0, (phases & 8) != 0};
    });
    engine.Ports().OpenSelected(9600);
    switch (data[1] % 5) {
    case 0:
        engine.Rom().BeginRomRun();
        break;
    case 1:
        if (engine.Parameters().PrepareParamDownload())
            engine.Parameters().BeginParamDownload();
        break;
    case 2:
        engine.Test().StartModuleTest();
        break;
    case 3:
        engine.Records().PrepareRecordRead();
        engine.Records().ReadTestRecords();
        break;
    default:
        engine.Ports().SetSelected(1, false);
        if (engine.Parameters().PrepareUpload() >= 0)
            engine.Parameters().StartUpload();
        engine.Ports().SetSelected(1, true);
        break;
    }
    // The rest is cut into chunks whose lengths the input chooses.
    size_t at = 2;
    veltra::ReplyDispatcher& dispatcher = engine.Dispatcher();
    while (at < size) {
        const size_t length = std::min<size_t>(1 + data[at] % 64, size - at);
        const int port = data[at] & 0x80 ? 1 : 0;
        dispatcher.OnReceivedData(port, reinterpret_cast<const char*>(data + at), length);
        at += length;
        rig.Drain();
        if (dispatcher.DoneCount() + dispatcher.FailCount() > dispatcher.PortsToRun())
            std::abort();
    }
    engine.StopRun("end of input");
    return 0;
}
