#include "AtomicFile.h"
#include "TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

using veltra::testing::TempDir;

TEST(AtomicFile, ReplacesTheWholeFileOrNothing)
{
    TempDir dir;
    const std::string file = dir.Write("a.txt", "old content that is longer");
    ::chmod(file.c_str(), 0640);
    std::string error;
    ASSERT_TRUE(veltra::WriteFileAtomically(file, "new", error)) << error;
    EXPECT_EQ(TempDir::Read(file), "new");
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);

    const std::string missingFolder = dir.File("no/such/folder/a.txt");
    EXPECT_FALSE(veltra::WriteFileAtomically(missingFolder, "x", error));
    EXPECT_EQ(error, missingFolder + ": No such file or directory");
    // A folder in the file's place cannot be replaced; what it holds stays.
    dir.Write("d/keep", "k");
    EXPECT_FALSE(veltra::WriteFileAtomically(dir.File("d"), "x", error));
    EXPECT_EQ(TempDir::Read(dir.File("d/keep")), "k");
    // No temporary file is left beside them.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 2);
}
