#include "core/default_drive.h"

#include "../support/temp_folder.h"
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <optional>
#include <string>

namespace lirafok {
namespace {

// The default-drive value follows the write-protect rule of every data file: a protected file
// or folder is not replaced (also for the superuser), the save says so and the old value stays.
TEST(DefaultDriveTest, WriteProtectedValueIsKept) {
    lirafok::testing::TempFolder tmp{"drive"};
    const char* old = std::getenv("XDG_CONFIG_HOME");
    const std::optional<std::string> saved = old ? std::optional<std::string>(old) : std::nullopt;
    ::setenv("XDG_CONFIG_HOME", tmp.path().c_str(), 1);

    const std::string first("\x01\0\0\x07", 4), second("\x02\0\0\x07", 4);
    ASSERT_TRUE(core::writeDefaultDriveData(first));
    const std::string path = core::defaultDrivePath();
    const std::string folder = tmp / "lirafok";

    ::chmod(path.c_str(), 0444);
    EXPECT_FALSE(core::writeDefaultDriveData(second));
    EXPECT_EQ(lirafok::testing::readRaw(path), first);
    ::chmod(path.c_str(), 0644);

    ::chmod(folder.c_str(), 0555);
    EXPECT_FALSE(core::writeDefaultDriveData(second));
    EXPECT_EQ(lirafok::testing::readRaw(path), first);
    ::chmod(folder.c_str(), 0755);

    EXPECT_TRUE(core::writeDefaultDriveData(second));
    EXPECT_EQ(core::readDefaultDriveData(), second);

    if (saved)
        ::setenv("XDG_CONFIG_HOME", saved->c_str(), 1);
    else
        ::unsetenv("XDG_CONFIG_HOME");
}

}  // namespace
}  // namespace lirafok
