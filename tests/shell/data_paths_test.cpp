#include "settings/data_paths.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/platform.h"
#include "platform/posix/settings_file.h"
#include "support/temp_dir.h"

namespace {

// Each case gets its own settings folder.
class DataPaths : public ::testing::Test {
protected:
    void SetUp() override { setenv("XDG_CONFIG_HOME", config.Path().c_str(), 1); }
    void StoreInstall(const std::string& bytes) {
        config.Write("velmora/settings", EncodeSettings({{"install", bytes}}));
    }
    TempDir config;
};

TEST_F(DataPaths, InstallRecordOrTheExecutablesFolder) {
    const std::string exeFolder = platform::ExecutableFolder();
    const std::string longest(254, 'a');
    const struct {
        bool stored;
        std::string install;
        std::string folder;
    } cases[] = {
        {false, "", exeFolder},
        {true, "/opt/velmora/", "/opt/velmora/"},
        {true, std::string("/opt/velmora/\0", 14), "/opt/velmora/"},  // stored with its zero
        {true, "/opt/velmora", "/opt/velmora"},                       // used unchanged
        {true, longest, longest},
        {true, longest + '\0', longest},
        {true, longest + 'b', exeFolder},          // 255 bytes leave no room for the zero
        {true, std::string(300, 'c'), exeFolder},  // too long: not read
    };
    for (const auto& c : cases) {
        if (c.stored) StoreInstall(c.install);
        EXPECT_EQ(ReadInstallFolder(), c.folder) << c.install.size();
    }
}

TEST_F(DataPaths, ResolveReadsSystemRootAndTheFolder) {
    StoreInstall("/srv/saver/");
    setenv("SYSTEMROOT", "C:\\WINDOWS", 1);
    ResolveProgramFolder();
    EXPECT_EQ(systemRoot, "C:\\WINDOWS");
    EXPECT_EQ(programFolder, "/srv/saver/");
    unsetenv("SYSTEMROOT");
    ResolveProgramFolder();
    EXPECT_EQ(systemRoot, "");
}

TEST_F(DataPaths, DataPathsAreFormedOrRefusedNeverCut) {
    char path[kDataPathSize];
    programFolder = "/srv/saver/";
    ASSERT_TRUE(FormDataPath("6", path));
    EXPECT_STREQ(path, "/srv/saver/data/6");
    programFolder = "/srv/saver";  // no trailing separator: appended as is
    ASSERT_TRUE(FormDataPath("p", path));
    EXPECT_STREQ(path, "/srv/saverdata/p");
    // 313 + "data/" + 1 = 319 characters, the longest that fits with its zero.
    programFolder = std::string(313, 'x');
    ASSERT_TRUE(FormDataPath("6", path));
    EXPECT_EQ(std::string(path).size(), 319u);
    programFolder = std::string(314, 'x');
    EXPECT_FALSE(FormDataPath("6", path));
    EXPECT_STREQ(path, "");
}

}  // namespace
