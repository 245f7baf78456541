// The dialog procedure against the real settings file, through a stand-in
// for the platform's dialog.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <string>

#include "settings/config_dialog.h"
#include "settings/music_setting.h"
#include "platform/posix/settings_file.h"
#include "support/temp_dir.h"

namespace {

using platform::DialogMessage;

class FakeDialog : public platform::DialogControls {
public:
    void CheckButton(int id, bool value) override { checked[id] = value; }
    bool IsButtonChecked(int id) const override {
        auto found = checked.find(id);
        return found != checked.end() && found->second;
    }
    void EndDialog(int value) override {
        ++ends;
        result = value;
    }
    std::map<int, bool> checked;
    int ends = 0;
    int result = -1;
};

class ConfigDialog : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("XDG_CONFIG_HOME", config.Path().c_str(), 1);
        musicSetting = 0;
    }
    void StoreMusic(const std::string& bytes) {
        config.Write("velmora/settings", EncodeSettings({{"ini", bytes}, {"install", "/opt/v/"}}));
    }
    SettingsValues Stored() const {
        SettingsValues values;
        DecodeSettings(ReadFileBytes(config.Path() + "/velmora/settings"), &values);
        return values;
    }
    TempDir config;
};

TEST_F(ConfigDialog, OpensCheckedOnlyForTheSingleByteOne) {
    struct Case {
        const char* name;
        bool stored;
        std::string bytes;
        bool checked;
        unsigned char setting;
    };
    const Case cases[] = {
        {"nothing stored", false, "", false, 0},
        {"one", true, "1", true, '1'},
        {"zero", true, "0", false, '0'},
        {"other byte", true, "x", false, 'x'},
        {"one with a terminating zero", true, std::string("1\0", 2), false, 0},
        {"two ones", true, "11", false, 0},
        {"empty value", true, "", false, 0},
        {"zero byte", true, std::string(1, '\0'), false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::remove((config.Path() + "/velmora/settings").c_str());
        if (c.stored) StoreMusic(c.bytes);
        FakeDialog dialog;
        dialog.checked[kMusicCheckBoxId] = !c.checked;  // must be set either way
        EXPECT_TRUE(ConfigDialogProc(dialog, DialogMessage::Init, 0));
        EXPECT_EQ(dialog.IsButtonChecked(kMusicCheckBoxId), c.checked);
        EXPECT_EQ(musicSetting, c.setting);
        EXPECT_EQ(dialog.ends, 0);
        // Opening changes nothing that is stored.
        if (c.stored) {
            EXPECT_EQ(Stored().at("ini"), c.bytes);
        } else {
            EXPECT_EQ(Stored().count("ini"), 0u);
        }
    }
}

TEST_F(ConfigDialog, OkStoresTheBoxAsOneByteAndEnds) {
    struct Case {
        const char* before;  // nullptr: nothing stored
        bool box;
        const char* after;
    };
    const Case cases[] = {
        {nullptr, false, "0"}, {nullptr, true, "1"}, {"1", false, "0"},
        {"1", true, "1"},      {"0", false, "0"},    {"x", true, "1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.before ? c.before : "(none)") + (c.box ? " checked" : " unchecked"));
        std::remove((config.Path() + "/velmora/settings").c_str());
        if (c.before != nullptr) StoreMusic(c.before);
        FakeDialog dialog;
        ConfigDialogProc(dialog, DialogMessage::Init, 0);
        dialog.checked[kMusicCheckBoxId] = c.box;
        ConfigDialogProc(dialog, DialogMessage::Command, kConfigOkId);
        EXPECT_EQ(dialog.ends, 1);
        EXPECT_EQ(dialog.result, 0);
        EXPECT_EQ(musicSetting, c.after[0]);
        SettingsValues stored = Stored();
        EXPECT_EQ(stored["ini"], c.after);
        // The other values of the key survive the write.
        if (c.before != nullptr) {
            EXPECT_EQ(stored["install"], "/opt/v/");
        }
    }
}

TEST_F(ConfigDialog, NoOtherCommandClosesOrStores) {
    StoreMusic("1");
    const int commands[] = {platform::kDialogCancelId, kMusicCheckBoxId, 0, -1, 3, 101, 138, 65535};
    for (int id : commands) {
        SCOPED_TRACE(id);
        FakeDialog dialog;
        ConfigDialogProc(dialog, DialogMessage::Init, 0);
        dialog.checked[kMusicCheckBoxId] = false;
        ConfigDialogProc(dialog, DialogMessage::Command, id);
        EXPECT_EQ(dialog.ends, 0);
        EXPECT_EQ(Stored().at("ini"), "1");
    }
}

TEST_F(ConfigDialog, TemplateHoldsTheFourControlsInTabOrder) {
    const platform::DialogTemplate& t = ConfigDialogTemplate();
    EXPECT_EQ(t.resourceId, 101);
    EXPECT_STREQ(t.caption, "Velmora! Configuration");
    EXPECT_EQ(t.width, 387);
    EXPECT_EQ(t.height, 210);
    ASSERT_EQ(t.controlCount, 4);
    int tabStops = 0;
    for (int i = 0; i < t.controlCount; ++i) tabStops += t.controls[i].tabStop;
    EXPECT_EQ(tabStops, 2);
    EXPECT_EQ(t.controls[0].id, kConfigOkId);
    EXPECT_TRUE(t.controls[0].tabStop);
    EXPECT_EQ(t.controls[3].id, kMusicCheckBoxId);
    EXPECT_TRUE(t.controls[3].tabStop);
    EXPECT_EQ(t.controls[1].bitmapId, kConfigBitmapId);
}

TEST_F(ConfigDialog, PictureIsLookedForBesideTheDataThenInTheCache) {
    TempDir cache;
    setenv("XDG_CACHE_HOME", cache.Path().c_str(), 1);
    platform::DialogPicture picture = ConfigDialogPicture();
    EXPECT_EQ(picture.bitmapId, kConfigBitmapId);
    ASSERT_EQ(picture.files.size(), 2u);
    EXPECT_EQ(picture.files[0], platform::ExecutableFolder() + "data/config.png");
    EXPECT_EQ(picture.files[1], cache.Path() + "/velmora/config.png");
    EXPECT_EQ(picture.renderFile, picture.files[1]);
    std::vector<std::string> args = {"--snapshot", "{output}", "--size", "256x256"};
    EXPECT_EQ(picture.renderArgs, args);
    // A relative cache folder is no folder: the default one is used instead.
    const char* home = std::getenv("HOME");
    std::string oldHome = home != nullptr ? home : "";
    setenv("XDG_CACHE_HOME", "relative", 1);
    setenv("HOME", cache.Path().c_str(), 1);
    EXPECT_EQ(ConfigDialogPicture().renderFile, cache.Path() + "/.cache/velmora/config.png");
    setenv("HOME", oldHome.c_str(), 1);
    unsetenv("XDG_CACHE_HOME");
}

}  // namespace
