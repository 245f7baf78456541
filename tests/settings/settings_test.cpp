// The settings key on its file, the music setting and the dialog procedure.
#include <gtest/gtest.h>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "platform/gtk/dialog_units.h"
#include "platform/posix/settings_file.h"
#include "settings/music_setting.h"
#include "settings/registry.h"
#include "shell/config_dialog.h"
#include "support/temp_dir.h"

namespace {

class Settings : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("XDG_CONFIG_HOME", config.Path().c_str(), 1);
        musicSetting = 0;
        descriptors = OpenDescriptors();
    }
    void TearDown() override { EXPECT_EQ(OpenDescriptors(), descriptors) << "a file left open"; }
    static long OpenDescriptors() {
        const std::filesystem::directory_iterator fds("/proc/self/fd");
        return std::distance(begin(fds), end(fds));
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
    long descriptors = 0;
};

// The dialog as the procedure sees it; the toolkit's side runs end to end.
struct FakeDialog : platform::DialogControls {
    void CheckButton(int id, bool value) override { checked[id] = value; }
    bool IsButtonChecked(int id) const override { return checked.count(id) != 0 && checked.at(id); }
    void EndDialog(int value) override { ends.push_back(value); }
    void ShowErrorMessage(const char*, const std::string& text) override { messages.push_back(text); }
    void SetText(int, const std::string&) override {}
    void SetSliderValue(int id, int value) override { sliders[id] = value; }
    int SliderValue(int id) const override { return sliders.count(id) != 0 ? sliders.at(id) : -1; }
    bool ChooseMusic(bool, const std::string&, std::string*) override { return false; }  // cancelled
    std::map<int, bool> checked;
    std::map<int, int> sliders;
    std::vector<int> ends;
    std::vector<std::string> messages;
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
            EXPECT_EQ(dialog.ends, std::vector<int>{kConfigSaved});
            EXPECT_TRUE(dialog.messages.empty());
            SettingsValues stored = Stored();
            EXPECT_EQ(stored["ini"], box ? "1" : "0");
            EXPECT_EQ(stored["install"], c.stored ? "/opt/v/" : "");  // other values survive
        }
}

// A file that exists but can't be used is another version's, a damaged
// disk's, or the user's to mend: reading it changes nothing and finds no
// values. The user's OK moves it aside whole (never over one set aside
// before), says where, and stores the box in a new file.
TEST_F(Settings, UnusableFilesReadAsNoValuesUntilOkMovesThemAside) {
    const std::string huge = "velmora-settings 1\ninstall 7\n/opt/v/\n";
    const struct {
        const char* what;
        std::string text;
        long long size;  // a sparse file of this size, starting with `text`, when not 0
    } cases[] = {
        {"empty", "", 0},
        {"garbage", "garbage", 0},
        {"a length past the end", "velmora-settings 1\nini 5\n1\n", 0},
        {"a length that is no number", "velmora-settings 1\nini x\n1\n", 0},
        {"no final line break", "velmora-settings 1\nini 1\n1", 0},
        {"another version", "velmora-settings 2\nini 1\n1\n", 0},
        {"zero bytes", std::string("\0\0\0", 3), 0},
        {"one byte over 1 MiB", huge, (1 << 20) + 1},
        {"100 MB", huge, 100000000},
    };
    int index = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        config.Write("velmora/settings", c.text);
        if (c.size != 0) std::filesystem::resize_file(FilePath(), c.size);
        const auto before = FileTree(config.Path(), 1 << 16);
        EXPECT_EQ(ReadMusic(), 0);
        std::string install;
        EXPECT_FALSE(RegistryKey().Query("install", &install));
        FakeDialog dialog;
        dialog.checked[kMusicCheckBoxId] = true;
        ConfigDialogProc(dialog, platform::DialogMessage::Init, 0);
        EXPECT_FALSE(dialog.IsButtonChecked(kMusicCheckBoxId));
        EXPECT_EQ(FileTree(config.Path(), 1 << 16), before) << "reading changed the file or its folder";
        dialog.checked[kMusicCheckBoxId] = true;
        ConfigDialogProc(dialog, platform::DialogMessage::Command, kConfigOkId);
        EXPECT_EQ(dialog.ends, std::vector<int>{kConfigSaved});
        const std::string aside = "velmora/settings.unusable" + (index++ > 0 ? "-" + std::to_string(index) : "");
        ASSERT_EQ(dialog.messages.size(), 1u);
        EXPECT_NE(dialog.messages[0].find(config.Path() + "/" + aside + "\n"), std::string::npos) << dialog.messages[0];
        auto expected = before;
        expected[aside] = before.at("velmora/settings");
        // OK stores the box, the built-in track and the full volume.
        const SettingsValues stored = {{"ini", "1"}, {"music", ""}, {"volume", std::string("d\0\0\0", 4)}};
        expected["velmora/settings"] = EncodeSettings(stored);
        EXPECT_EQ(FileTree(config.Path(), 1 << 16), expected);
        // The new file is an ordinary one: the next OK just stores.
        std::string error;
        EXPECT_TRUE(WriteMusicSetting('0', &error)) << error;
        EXPECT_EQ(platform::SettingsFileSetAside(), "");
        SettingsValues after = stored;
        after["ini"] = "0";
        EXPECT_EQ(Stored(), after);
    }
}

// Dotfile managers make the settings file a link to the user's copy
// elsewhere. A save writes through the link into that copy, which keeps its
// owner, group and mode; a link to anything but a regular file of the owner
// of the link's folder is neither read nor written, and OK says why.
TEST_F(Settings, ALinkLeadsOnlyToAFileOfTheFoldersOwner) {
    const uid_t uid = getpwnam("nobody")->pw_uid;
    const gid_t users = 100;
    TempDir elsewhere;
    ASSERT_EQ(chmod(elsewhere.Path().c_str(), 0755), 0);
    const std::string folder = config.Path() + "/velmora", copy = elsewhere.Path() + "/copy";
    std::filesystem::create_directory(folder);
    ASSERT_EQ(chown(folder.c_str(), uid, getpwnam("nobody")->pw_gid), 0);
    const std::string stored = EncodeSettings({{"ini", "1"}, {"install", "/opt/v/"}});
    const struct {
        const char* what;
        std::string target;  // what the settings file links to
        bool hop;            // through a second link beside the copy
        const char* bytes;   // the copy's bytes (null: no copy)
        uid_t owner;
        const char* refusal;  // why the link is not followed, null when it is
    } cases[] = {
        {"the user's copy", copy, false, stored.c_str(), uid, nullptr},
        {"two links to the user's copy", copy, true, stored.c_str(), uid, nullptr},
        {"the user's damaged copy", copy, false, "garbage", uid, nullptr},
        {"root's file", copy, false, stored.c_str(), 0, "which belongs to root, not to nobody"},
        {"a device", "/dev/null", false, nullptr, 0, "/dev/null, which is not a regular file"},
        {"a folder", elsewhere.Path(), false, nullptr, 0, "which is not a regular file"},
        {"nothing", copy, false, nullptr, 0, "which does not exist"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        for (const std::string& made : {FilePath(), copy, copy + ".unusable", elsewhere.Path() + "/hop"})
            std::filesystem::remove(made);
        std::string link = c.target;
        if (c.hop) {
            link = elsewhere.Path() + "/hop";
            std::filesystem::create_symlink(c.target, link);
        }
        std::filesystem::create_symlink(link, FilePath());
        if (c.bytes != nullptr) {
            elsewhere.Write("copy", c.bytes);
            ASSERT_EQ(chown(copy.c_str(), c.owner, users), 0);
            ASSERT_EQ(chmod(copy.c_str(), 0640), 0);
        }
        const auto before = FileTree(elsewhere.Path());
        const auto linkBefore = FileTree(folder);
        const auto copyOwner = Owner(copy);
        // Root's file says music on: a refused link reads as no values.
        EXPECT_EQ(ReadMusic(), c.refusal == nullptr && c.bytes == stored ? '1' : 0);
        FakeDialog dialog;
        dialog.checked[kMusicCheckBoxId] = false;
        ConfigDialogProc(dialog, platform::DialogMessage::Command, kConfigOkId);
        EXPECT_EQ(FileTree(folder), linkBefore) << "the link must stay";
        EXPECT_EQ(dialog.ends, std::vector<int>{c.refusal != nullptr ? kConfigNotSaved : kConfigSaved});
        EXPECT_EQ(Owner(copy), copyOwner);
        if (c.refusal != nullptr) {
            ASSERT_EQ(dialog.messages.size(), 1u);
            EXPECT_NE(dialog.messages[0].find(FilePath() + " is a link to "), std::string::npos) << dialog.messages[0];
            EXPECT_NE(dialog.messages[0].find(c.refusal), std::string::npos) << dialog.messages[0];
            EXPECT_EQ(FileTree(elsewhere.Path()), before);
            continue;
        }
        SettingsValues values;
        EXPECT_TRUE(DecodeSettings(ReadFileBytes(copy), &values));
        EXPECT_EQ(values["ini"], "0");
        if (c.bytes == stored) {
            EXPECT_EQ(values["install"], "/opt/v/");
            EXPECT_TRUE(dialog.messages.empty());
        } else {
            // Set aside beside the copy, with the copy's owner and mode.
            EXPECT_EQ(FileState(copy + ".unusable"), std::tuple_cat(copyOwner, std::make_tuple(std::string(c.bytes))));
            ASSERT_EQ(dialog.messages.size(), 1u);
            EXPECT_NE(dialog.messages[0].find(copy + ".unusable"), std::string::npos) << dialog.messages[0];
        }
    }
}

// The file is replaced through a fresh temporary file of a name no one can
// know beforehand: nothing planted in the folder under the names a simpler
// writer would use redirects the write, and nothing outside it changes.
TEST_F(Settings, PlantedTemporaryFilesAndLinksRedirectNoWrite) {
    TempDir outside;
    const std::string target = outside.Write("target", "precious");
    const std::string planted = "velmora/settings.tmp." + std::to_string(getpid());
    const std::string predictable = config.Path() + "/" + planted;
    const struct {
        const char* what;
        std::string link;  // a symbolic link at `predictable` to this, when not empty
    } cases[] = {
        {"a link to a file outside", target},
        {"a link to a new file outside", outside.Path() + "/created"},
        {"a file", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Store({{"install", "/opt/v/"}});
        std::filesystem::remove(predictable);
        if (c.link.empty())
            config.Write(planted, "planted");
        else
            std::filesystem::create_symlink(c.link, predictable);
        const auto outsideBefore = FileTree(outside.Path());
        std::string error;
        EXPECT_TRUE(WriteMusicSetting('1', &error)) << error;
        EXPECT_EQ(Stored(), (SettingsValues{{"ini", "1"}, {"install", "/opt/v/"}}));
        EXPECT_FALSE(std::filesystem::is_symlink(FilePath()));
        EXPECT_EQ(FileTree(outside.Path()), outsideBefore);
        // What was planted is left alone, and nothing else is left behind.
        const auto tree = FileTree(config.Path());
        EXPECT_EQ(tree.size(), 3u);  // the folder, the file and what was planted
        EXPECT_EQ(tree.count(planted) ? tree.at(planted) : "(gone)", c.link.empty() ? "planted" : "-> " + c.link);
    }
}

TEST_F(Settings, ValuesAreByteExactUpTo1024BytesAndWrittenWhenTheObjectEnds) {
    std::string bytes;
    for (int i = 0; i < 256; ++i) bytes += static_cast<char>(i);
    bytes += "\nini 1\n";
    {
        RegistryKey key;
        std::string error;
        ASSERT_TRUE(key.Set("blob", bytes, &error)) << error;
        RegistryValue value = key.Value("ini");
        EXPECT_FALSE(value.IsLoaded());
        value.Load();  // nothing stored: nothing changes
        EXPECT_EQ(value.Data(), std::string(4, '\0'));
        value.SetByte('1');
        EXPECT_TRUE(value.IsDirty());
        EXPECT_TRUE(value.IsLoaded());  // the byte set is the value: no Load reads the old one over it
        EXPECT_EQ(Stored().count("ini"), 0u);
    }
    EXPECT_EQ(Stored(), (SettingsValues{{"blob", bytes}, {"ini", "1"}}));
    Store({{"big", std::string(1025, 'b')}, {"edge", std::string(1024, 'e')}});
    RegistryKey key;
    RegistryValue big = key.Value("big"), edge = key.Value("edge");
    big.Load();
    EXPECT_EQ(edge.Load().size(), 1024u);
    EXPECT_EQ(std::make_pair(big.IsLoaded(), edge.IsLoaded()), std::make_pair(false, true));
}

TEST_F(Settings, NoSettingsFolderMeansNoKeyAndMusicOff) {
    const std::string file = config.Write("plain", "x");
    setenv("XDG_CONFIG_HOME", file.c_str(), 1);  // a plain file: the key can't be made
    std::string error;
    EXPECT_FALSE(WriteMusicSetting('1', &error));
    EXPECT_EQ(error, file + "/velmora/settings: Not a directory");
    EXPECT_EQ(ReadMusic(), 0);
    RegistryKey key;
    EXPECT_FALSE(key.IsOpen());
    // A change that can't be written is dropped, not tried again at the end.
    RegistryValue value = key.Value("ini");
    value.SetByte('1');
    EXPECT_FALSE(value.Store(&error));
    EXPECT_FALSE(value.IsDirty());
}

TEST(ConfigDialogUnits, TemplatePlacesScaleWithTheDesktopButNeverShrink) {
    const struct {
        double scale;
        int units, pixelsX, pixelsY;
    } cases[] = {
        {1.0, 387, 581, 629}, {1.0, 173, 260, 281}, {1.0, -4, -6, -7},    {1.0, 0, 0, 0},      {0.5, 387, 581, 629},
        {0.0, 50, 75, 81},    {2.0, 50, 150, 163},  {1.5, 203, 457, 508}, {100.0, 10, 60, 65},
    };
    for (const auto& c : cases) {
        const platform::DialogUnits units = platform::DialogUnitsForScale(c.scale);
        EXPECT_EQ(platform::DialogUnitsToPixelsX(units, c.units), c.pixelsX) << c.scale << " " << c.units;
        EXPECT_EQ(platform::DialogUnitsToPixelsY(units, c.units), c.pixelsY) << c.scale << " " << c.units;
    }
}

}  // namespace
