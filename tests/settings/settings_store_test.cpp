#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include <cstdlib>
#include <string>

#include "platform/platform.h"
#include "settings/music_setting.h"
#include "settings/registry.h"
#include "platform/posix/settings_file.h"
#include "support/temp_dir.h"

namespace {

class SettingsStore : public ::testing::Test {
protected:
    void SetUp() override { setenv("XDG_CONFIG_HOME", config.Path().c_str(), 1); }
    std::string FilePath() const { return config.Path() + "/velmora/settings"; }
    void Store(const SettingsValues& values) { config.Write("velmora/settings", EncodeSettings(values)); }
    SettingsValues Stored() const {
        SettingsValues values;
        EXPECT_TRUE(DecodeSettings(ReadFileBytes(FilePath()), &values));
        return values;
    }
    TempDir config;
};

TEST_F(SettingsStore, ReadWithoutKeyYieldsOffAndCreatesTheKey) {
    unsigned char setting = 'x';
    ReadMusicSetting(&setting);
    EXPECT_EQ(setting, 0);
    struct stat info;
    EXPECT_EQ(stat(FilePath().c_str(), &info), 0);
    EXPECT_TRUE(Stored().empty());
}

TEST_F(SettingsStore, OnlyASingleByteCounts) {
    const struct {
        std::string stored;
        unsigned char read;
    } cases[] = {
        {"1", '1'}, {"0", '0'}, {"x", 'x'}, {std::string("1\0", 2), 0}, {"", 0}, {"11", 0},
        {std::string(1, '\0'), 0}, {std::string(1024, '1'), 0},
    };
    for (const auto& c : cases) {
        Store({{"ini", c.stored}});
        unsigned char setting = 'z';
        ReadMusicSetting(&setting);
        EXPECT_EQ(setting, c.read) << c.stored.size();
    }
}

TEST_F(SettingsStore, WriteThenReadBackKeepsOtherValues) {
    Store({{"install", "/opt/velmora/"}});
    WriteMusicSetting('1');
    unsigned char setting = 0;
    ReadMusicSetting(&setting);
    EXPECT_EQ(setting, '1');
    SettingsValues values = Stored();
    EXPECT_EQ(values["ini"], "1");
    EXPECT_EQ(values["install"], "/opt/velmora/");
    WriteMusicSetting('0');
    ReadMusicSetting(&setting);
    EXPECT_EQ(setting, '0');
}

TEST_F(SettingsStore, CorruptOrForeignFilesReadAsNoValue) {
    const std::string texts[] = {
        "", "garbage", "velmora-settings 1\nini 5\n1\n", "velmora-settings 1\nini x\n1\n",
        "velmora-settings 1\nini 1\n1", "velmora-settings 2\nini 1\n1\n", std::string("\0\0\0", 3),
    };
    for (const std::string& text : texts) {
        config.Write("velmora/settings", text);
        unsigned char setting = 'z';
        ReadMusicSetting(&setting);
        EXPECT_EQ(setting, 0) << text;
        // A write over a corrupt file stores a clean one.
        WriteMusicSetting('1');
        ReadMusicSetting(&setting);
        EXPECT_EQ(setting, '1');
    }
}

TEST_F(SettingsStore, ValuesAreByteExact) {
    std::string bytes;
    for (int i = 0; i < 256; ++i) bytes += static_cast<char>(i);
    bytes += "\nini 1\n";
    {
        RegistryKey key;
        ASSERT_TRUE(key.Set("blob", bytes));
    }
    RegistryKey key;
    RegistryValue value = key.Value("blob");
    EXPECT_EQ(value.Load(), bytes);
    EXPECT_TRUE(value.IsLoaded());
    EXPECT_FALSE(value.IsDirty());
}

TEST_F(SettingsStore, ValueObjectLifecycle) {
    RegistryKey key;
    {
        RegistryValue value = key.Value("ini");
        EXPECT_FALSE(value.IsLoaded());
        EXPECT_FALSE(value.IsDirty());
        EXPECT_EQ(value.Data(), std::string(4, '\0'));
        value.Load();  // nothing stored: nothing changes
        EXPECT_FALSE(value.IsLoaded());
        EXPECT_EQ(value.Data(), std::string(4, '\0'));
        value.SetByte('1');
        EXPECT_TRUE(value.IsLoaded());
        EXPECT_TRUE(value.IsDirty());
        EXPECT_EQ(Stored().count("ini"), 0u);  // written only on destruction
    }
    EXPECT_EQ(Stored()["ini"], "1");
}

TEST_F(SettingsStore, LoadRefusesValuesOverTheLimit) {
    Store({{"big", std::string(1025, 'b')}, {"edge", std::string(1024, 'e')}});
    RegistryKey key;
    RegistryValue big = key.Value("big");
    big.Load();
    EXPECT_FALSE(big.IsLoaded());
    RegistryValue edge = key.Value("edge");
    EXPECT_EQ(edge.Load().size(), 1024u);
}

TEST_F(SettingsStore, UnwritableFolderLosesWritesSilently) {
    if (geteuid() == 0) GTEST_SKIP() << "root writes anywhere";
    chmod(config.Path().c_str(), 0500);
    WriteMusicSetting('1');
    unsigned char setting = 'z';
    ReadMusicSetting(&setting);
    EXPECT_EQ(setting, 0);
    chmod(config.Path().c_str(), 0700);
}

TEST_F(SettingsStore, NoConfigFolderAtAllMeansANullKey) {
    // XDG_CONFIG_HOME naming a plain file: the key can't be made.
    std::string file = config.Write("plain", "x");
    setenv("XDG_CONFIG_HOME", file.c_str(), 1);
    WriteMusicSetting('1');
    unsigned char setting = 'z';
    ReadMusicSetting(&setting);
    EXPECT_EQ(setting, 0);
    RegistryKey key;
    EXPECT_FALSE(key.IsOpen());
}

TEST_F(SettingsStore, WritesLeaveNoTemporaryFiles) {
    for (int i = 0; i < 5; ++i) WriteMusicSetting(i % 2 ? '1' : '0');
    std::string listing;
    for (const auto& entry : std::filesystem::directory_iterator(config.Path() + "/velmora"))
        listing += entry.path().filename().string() + " ";
    EXPECT_EQ(listing, "settings ");
}

}  // namespace
