// The settings key on its file, the music setting and the dialog procedure.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

#include "platform/gtk/dialog_units.h"
#include "settings/config_dialog.h"
#include "settings/music_setting.h"
#include "settings/registry.h"
#include "platform/posix/settings_file.h"
#include "support/temp_dir.h"

namespace {

class Settings : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("XDG_CONFIG_HOME", config.Path().c_str(), 1);
        musicSetting = 0;
    }
    std::string FilePath() const { return config.Path() + "/velmora/settings"; }
    void Store(const SettingsValues& values) { config.Write("velmora/settings", EncodeSettings(values)); }
    SettingsValues Stored() const {
        SettingsValues values;
        EXPECT_TRUE(DecodeSettings(ReadFileBytes(FilePath()), &values));
        return values;
    }
    unsigned char ReadMusic() {
        unsigned char setting = 'z';
        ReadMusicSetting(&setting);
        return setting;
    }
    TempDir config;
};

// The dialog as the procedure sees it; the toolkit's side runs end to end.
struct FakeDialog : platform::DialogControls {
    void CheckButton(int id, bool value) override { checked[id] = value; }
    bool IsButtonChecked(int id) const override { return checked.count(id) != 0 && checked.at(id); }
    void EndDialog(int value) override { ends.push_back(value); }
    std::map<int, bool> checked;
    std::vector<int> ends;
};

TEST_F(Settings, OnlyTheSingleByteOneIsOnAndOkStoresTheBox) {
    const struct {
        const char* what;
        bool stored;
        std::string bytes;
        unsigned char read;  // what ReadMusicSetting gives
    } cases[] = {
        {"nothing stored", false, "", 0},
        {"one", true, "1", '1'},
        {"zero", true, "0", '0'},
        {"another byte", true, "x", 'x'},
        {"one with its zero", true, std::string("1\0", 2), 0},
        {"two ones", true, "11", 0},
        {"empty", true, "", 0},
        {"a zero byte", true, std::string(1, '\0'), 0},
        {"1024 ones", true, std::string(1024, '1'), 0},
    };
    for (const auto& c : cases)
        for (bool box : {false, true}) {
            SCOPED_TRACE(std::string(c.what) + (box ? ", box checked" : ", box cleared"));
            std::remove(FilePath().c_str());
            if (c.stored) Store({{"ini", c.bytes}, {"install", "/opt/v/"}});
            EXPECT_EQ(ReadMusic(), c.read);
            FakeDialog dialog;
            dialog.checked[kMusicCheckBoxId] = c.read != '1';  // set either way
            EXPECT_TRUE(ConfigDialogProc(dialog, platform::DialogMessage::Init, 0));
            EXPECT_EQ(dialog.IsButtonChecked(kMusicCheckBoxId), c.read == '1');
            EXPECT_EQ(musicSetting, c.read);
            // Nothing but OK ends the dialog or stores anything.
            dialog.checked[kMusicCheckBoxId] = box;
            for (int id : {platform::kDialogCancelId, kMusicCheckBoxId, 0, -1, 3, 101, 138, 65535})
                ConfigDialogProc(dialog, platform::DialogMessage::Command, id);
            EXPECT_TRUE(dialog.ends.empty());
            EXPECT_EQ(Stored().count("ini"), c.stored ? 1u : 0u);
            ConfigDialogProc(dialog, platform::DialogMessage::Command, kConfigOkId);
            EXPECT_EQ(dialog.ends, std::vector<int>{0});
            SettingsValues stored = Stored();
            EXPECT_EQ(stored["ini"], box ? "1" : "0");
            EXPECT_EQ(stored["install"], c.stored ? "/opt/v/" : "");  // other values survive
        }
}

TEST_F(Settings, CorruptFilesReadAsNoValueAndAWriteMendsThem) {
    const std::string texts[] = {
        "", "garbage", "velmora-settings 1\nini 5\n1\n", "velmora-settings 1\nini x\n1\n",
        "velmora-settings 1\nini 1\n1", "velmora-settings 2\nini 1\n1\n", std::string("\0\0\0", 3),
    };
    for (const std::string& text : texts) {
        config.Write("velmora/settings", text);
        EXPECT_EQ(ReadMusic(), 0) << text;
        WriteMusicSetting('1');
        EXPECT_EQ(ReadMusic(), '1') << text;
    }
    // Writes replace the file whole and leave no temporary file behind.
    std::string listing;
    for (const auto& entry : std::filesystem::directory_iterator(config.Path() + "/velmora"))
        listing += entry.path().filename().string() + " ";
    EXPECT_EQ(listing, "settings ");
}

TEST_F(Settings, ValuesAreByteExactUpTo1024BytesAndWrittenWhenTheObjectEnds) {
    std::string bytes;
    for (int i = 0; i < 256; ++i) bytes += static_cast<char>(i);
    bytes += "\nini 1\n";
    {
        RegistryKey key;
        ASSERT_TRUE(key.Set("blob", bytes));
        RegistryValue value = key.Value("ini");
        EXPECT_FALSE(value.IsLoaded());
        value.Load();  // nothing stored: nothing changes
        EXPECT_EQ(value.Data(), std::string(4, '\0'));
        value.SetByte('1');
        EXPECT_TRUE(value.IsDirty());
        EXPECT_EQ(Stored().count("ini"), 0u);
    }
    EXPECT_EQ(Stored()["ini"], "1");
    EXPECT_EQ(Stored()["blob"], bytes);
    Store({{"big", std::string(1025, 'b')}, {"edge", std::string(1024, 'e')}});
    RegistryKey key;
    RegistryValue big = key.Value("big");
    big.Load();
    EXPECT_FALSE(big.IsLoaded());
    EXPECT_EQ(key.Value("edge").Load().size(), 1024u);
}

TEST_F(Settings, NoSettingsFolderMeansNoKeyAndMusicOff) {
    const std::string file = config.Write("plain", "x");
    setenv("XDG_CONFIG_HOME", file.c_str(), 1);  // a plain file: the key can't be made
    WriteMusicSetting('1');
    EXPECT_EQ(ReadMusic(), 0);
    EXPECT_FALSE(RegistryKey().IsOpen());
}

TEST(ConfigDialogUnits, TemplatePlacesScaleWithTheDesktopButNeverShrink) {
    const struct {
        double scale;
        int units, pixelsX, pixelsY;
    } cases[] = {
        {1.0, 387, 581, 629}, {1.0, 173, 260, 281}, {1.0, -4, -6, -7},  {1.0, 0, 0, 0},
        {0.5, 387, 581, 629}, {0.0, 50, 75, 81},    {2.0, 50, 150, 163}, {1.5, 203, 457, 508},
        {100.0, 10, 60, 65},
    };
    for (const auto& c : cases) {
        const platform::DialogUnits units = platform::DialogUnitsForScale(c.scale);
        EXPECT_EQ(platform::DialogUnitsToPixelsX(units, c.units), c.pixelsX) << c.scale << " " << c.units;
        EXPECT_EQ(platform::DialogUnitsToPixelsY(units, c.units), c.pixelsY) << c.scale << " " << c.units;
    }
}

}  // namespace
