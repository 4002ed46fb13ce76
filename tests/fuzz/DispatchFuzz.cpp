// Arbitrary chunks for a port in every state of every run: the dispatcher must
// stay within its buffers, and a port can finish at most once.
#include "ReplyDispatcher.h"

#include <QCoreApplication>

#include <cstdlib>

namespace {

class Ports : public veltra::PortLink {
public:
    int PortCount() const override { return 2; }
    std::string PortName(int port) const override { return "fuzz" + std::to_string(port); }
    bool IsChecked(int) const override { return true; }
    bool IsOpen(int) const override { return true; }
    uint32_t BaudRate(int) const override { return 9600; }
    void OpenCheckedPorts() override {}
    bool ReopenAt(int, uint32_t) override { return true; }
    void Send(int, const veltra::CommandRecord&, uint32_t) override {}
    void ReplyArrived(int) override {}
    void Close(int) override {}
    void SetPortStatus(int, int) override {}
};

class Observer : public veltra::RunObserver {
public:
    void Notice(const veltra::StatusNotice&, int, const std::string&) override {}
    void ShowPortError(const std::string&, const std::string&) override {}
    void ShowMessage(const std::string&, const std::string&) override {}
    void EnableDisconnect() override {}
    void SetRowResult(int, int, const std::string&) override {}
    void RunOver(const veltra::StatusNotice&, int) override {}
    void PortOver(int, int) override {}
    void RecordReadMovesTo(int, const std::string&) override {}
    void RecordComplete(int, const std::array<uint8_t, 4>&) override {}
    void ParameterRowChanged(int) override {}
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

    static veltra::RomImage image = [] {
        veltra::RomImage loaded;
        loaded.lastAddress = 0x0FFF;
        loaded.loaded = 1;
        return loaded;
    }();
    veltra::ParameterTable table;
    veltra::ParameterEntry row;
    row.hexAddress = "10";
    row.size = "4";
    row.type = "U";
    row.value = "258";
    row.checked = true;
    table.rows = {row, row};
    Ports ports;
    Observer observer;
    const uint8_t phases = data[0];
    veltra::ReplyDispatcher dispatcher(
        ports, observer, image, table,
        [phases] { return veltra::RomOptions{(phases & 1) != 0, (phases & 2) != 0, (phases & 4) != 0, (phases & 8) != 0}; },
        veltra::RunTexts{});
    switch (data[1] % 5) {
    case 0:
        dispatcher.BeginRomRun();
        break;
    case 1:
        dispatcher.PrepareParamDownload();
        dispatcher.BeginParamDownload();
        break;
    case 2:
        dispatcher.StartModuleTest();
        break;
    case 3:
        dispatcher.PrepareRecordRead();
        dispatcher.ReadTestRecords();
        break;
    default:
        if (dispatcher.PrepareUpload() >= 0)
            dispatcher.OnStatusRequest(0, 'P');
        break;
    }
    // The rest is cut into chunks whose lengths the input chooses.
    size_t at = 2;
    while (at < size) {
        const size_t length = std::min<size_t>(1 + data[at] % 64, size - at - 0);
        const int port = data[at] & 0x80 ? 1 : 0;
        dispatcher.OnReceivedData(port, reinterpret_cast<const char*>(data + at), length);
        at += length;
        if (dispatcher.DoneCount() > dispatcher.PortsToRun())
            std::abort();
    }
    return 0;
}
