#include "SheetHarness.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace veltra;
using veltra::testing::MessageBoxes;
using veltra::testing::SheetHarness;
using veltra::testing::TempDir;

// [PORTS] EXTRA as typed by hand: what does not exist, is not absolute or is
// listed twice is left out; what exists but is no terminal is listed, so the
// technician sees the entry, and says at Connection why it will not open. It
// is never opened as a port, and the file behind it stays as it was.
TEST(SheetExtraPorts, PathsThatAreNoPortsSayWhyAtConnection)
{
    TempDir own;
    const std::string plain = own.Write("notes.txt", "keep me\n");
    const std::string folder = own.File("folder");
    std::filesystem::create_directory(folder);
    const std::string fifo = own.File("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    struct stat plainBefore {};
    ASSERT_EQ(::stat(plain.c_str(), &plainBefore), 0);

    SheetHarness harness(std::vector<sim::ModuleOptions>(1), RunTimeouts{}, {}, [&](SheetHarness& h) {
        const std::string module = h.bench->Module(0).Path();
        std::string error;
        ASSERT_TRUE(WriteProfileString(h.dir.File("config/VTDown.ini"), "PORTS", "EXTRA",
                                       module + "," + plain + ", " + folder + ",/dev/null," + own.File("missing") +
                                           ",relative/ttyS9," + fifo + "," + module,
                                       error));
    });
    PortList& ports = harness.Ports();
    const std::vector<std::string> listed = {PortNameFromPath(harness.bench->Module(0).Path()), plain, folder, "null",
                                             fifo};
    ASSERT_EQ(ports.PortCount(), static_cast<int>(listed.size()));
    for (int row = 0; row < ports.PortCount(); ++row)
        EXPECT_EQ(ports.PortName(row), listed[static_cast<size_t>(row)]);

    harness.TickAll();
    CFlashkitSheet& sheet = *harness.sheet;
    sheet.Controls().connect->click();
    EXPECT_TRUE(sheet.IsConnected());  // through the one real port
    EXPECT_EQ(ports.Image(0), port_image::kOpen);
    const char* const reasons[] = {"Inappropriate ioctl for device", "Is a directory",
                                   "Inappropriate ioctl for device", "Inappropriate ioctl for device"};
    for (int row = 1; row < ports.PortCount(); ++row) {
        EXPECT_EQ(ports.Image(row), port_image::kClosed) << listed[static_cast<size_t>(row)];
        EXPECT_EQ(ports.StatusText(row).toStdString(), reasons[row - 1]) << listed[static_cast<size_t>(row)];
        EXPECT_FALSE(sheet.Ports().IsOpen(row));
    }

    // With only those ticked, nothing connects and the user is told.
    sheet.Controls().disconnect->click();
    harness.Tick(0, false);
    {
        MessageBoxes boxes;
        sheet.Controls().connect->click();
        EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{"Veltra Downloader: Please, check a port and select a port..."}));
    }
    EXPECT_FALSE(sheet.IsConnected());
    EXPECT_EQ(ports.StatusText(2).toStdString(), "Is a directory");

    struct stat plainAfter {};
    ASSERT_EQ(::stat(plain.c_str(), &plainAfter), 0);
    EXPECT_EQ(TempDir::Read(plain), "keep me\n");
    EXPECT_EQ(plainAfter.st_mtim.tv_nsec, plainBefore.st_mtim.tv_nsec);
    EXPECT_EQ(plainAfter.st_mtim.tv_sec, plainBefore.st_mtim.tv_sec);
    EXPECT_TRUE(std::filesystem::is_empty(folder));
}
