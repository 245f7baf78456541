#include "shell/config_dialog.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "settings/data_paths.h"
#include "settings/music_setting.h"

namespace {
using platform::DialogControl;
using platform::DialogControlKind;

const DialogControl kControls[] = {
    {DialogControlKind::DefaultPushButton, kConfigOkId, "OK", VELMORA_CONFIG_OK_PLACE, true, 0},
    {DialogControlKind::Picture, -1, nullptr, VELMORA_CONFIG_PICTURE_PLACE, false, kConfigBitmapId},
    {DialogControlKind::GroupBox, -1, VELMORA_CONFIG_GROUP_TEXT, VELMORA_CONFIG_GROUP_PLACE, false, 0},
    {DialogControlKind::AutoCheckBox, kMusicCheckBoxId, VELMORA_CONFIG_MUSIC_TEXT, VELMORA_CONFIG_MUSIC_PLACE, true, 0},
    {DialogControlKind::Label, -1, VELMORA_CONFIG_SOURCE_LABEL_TEXT, VELMORA_CONFIG_SOURCE_LABEL_PLACE, false, 0},
    {DialogControlKind::NameBox, kMusicSourceId, "", VELMORA_CONFIG_SOURCE_PLACE, false, 0},
    {DialogControlKind::PushButton, kMusicFileButtonId, VELMORA_CONFIG_FILE_TEXT, VELMORA_CONFIG_FILE_PLACE, true, 0},
    {DialogControlKind::PushButton, kMusicFolderButtonId, VELMORA_CONFIG_FOLDER_TEXT, VELMORA_CONFIG_FOLDER_PLACE, true,
     0},
    {DialogControlKind::PushButton, kMusicBuiltInButtonId, VELMORA_CONFIG_BUILT_IN_TEXT, VELMORA_CONFIG_BUILT_IN_PLACE,
     true, 0},
    {DialogControlKind::Label, -1, VELMORA_CONFIG_VOLUME_LABEL_TEXT, VELMORA_CONFIG_VOLUME_LABEL_PLACE, false, 0},
    {DialogControlKind::Slider, kVolumeSliderId, nullptr, VELMORA_CONFIG_VOLUME_PLACE, true, 0},
};

// The music chosen in the open dialog; stored only by OK. One dialog runs at
// a time.
std::string chosenMusic;

void ShowChosenMusic(platform::DialogControls& dialog) {
    dialog.SetText(kMusicSourceId, chosenMusic.empty() ? kBuiltInMusicName : chosenMusic);
}

const platform::DialogTemplate kTemplate = {
    kConfigDialogId,
    VELMORA_CONFIG_CAPTION,
    VELMORA_CONFIG_WIDTH,
    VELMORA_CONFIG_HEIGHT,
    VELMORA_CONFIG_FONT_NAME,
    VELMORA_CONFIG_FONT_POINTS,
    kControls,
    static_cast<int>(sizeof kControls / sizeof kControls[0]),
};

// $XDG_CACHE_HOME/velmora, else ~/.cache/velmora; empty without either.
std::string CacheFolder() {
    const char* cache = std::getenv("XDG_CACHE_HOME");
    if (cache != nullptr && cache[0] == '/') return std::string(cache) + "/velmora/";
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] == '\0') return "";
    return std::string(home) + "/.cache/velmora/";
}
}  // namespace

const platform::DialogTemplate& ConfigDialogTemplate() { return kTemplate; }

platform::DialogPicture ConfigDialogPicture() {
    platform::DialogPicture picture;
    picture.bitmapId = kConfigBitmapId;
    picture.files.push_back(ReadInstallFolder() + "data" + platform::PathSeparator() + "config.png");
    std::string cache = CacheFolder();
    if (!cache.empty()) {
        picture.renderFile = cache + "config.png";
        picture.files.push_back(picture.renderFile);
        picture.renderArgs = {"--snapshot", "{output}", "--size", "256x256"};
    }
    return picture;
}

bool ConfigDialogProc(platform::DialogControls& dialog, platform::DialogMessage message, int id) {
    switch (message) {
        case platform::DialogMessage::Init: {
            ReadMusicSetting(&musicSetting);
            dialog.CheckButton(kMusicCheckBoxId, musicSetting == '1');
            const MusicChoice choice = ReadMusicChoice();
            chosenMusic = choice.path;
            ShowChosenMusic(dialog);
            dialog.SetSliderValue(kVolumeSliderId, choice.volume);
            return true;
        }
        case platform::DialogMessage::Command:
            if (id == kMusicFileButtonId || id == kMusicFolderButtonId) {
                std::string picked;
                if (dialog.ChooseMusic(id == kMusicFolderButtonId, chosenMusic, &picked)) chosenMusic = picked;
                ShowChosenMusic(dialog);
            } else if (id == kMusicBuiltInButtonId) {
                chosenMusic.clear();
                ShowChosenMusic(dialog);
            }
            if (id == kConfigOkId) {
                musicSetting = dialog.IsButtonChecked(kMusicCheckBoxId) ? '1' : '0';
                MusicChoice choice{chosenMusic, dialog.SliderValue(kVolumeSliderId)};
                if (choice.volume < 0 || choice.volume > kFullVolume) choice.volume = kFullVolume;
                std::string error;
                // The first store is the one that may move an unusable file
                // aside; the next finds the new file.
                const bool stored = WriteMusicSetting(musicSetting, &error);
                const std::string setAside = stored ? platform::SettingsFileSetAside() : std::string();
                if (stored && WriteMusicChoice(choice, &error)) {
                    if (!setAside.empty()) {
                        // The user's old file is kept, and the user is told where.
                        std::fprintf(stderr,
                                     "velmora: the settings file could not be used, so it was moved to %s; the "
                                     "settings are stored in a new file\n",
                                     setAside.c_str());
                        dialog.ShowErrorMessage("Velmora!",
                                                "Velmora!'s settings file could not be used, so it was moved "
                                                "aside to\n\n" +
                                                    setAside + "\n\nand the settings are stored in a new file.");
                    }
                    dialog.EndDialog(kConfigSaved);
                    return false;
                }
                // A choice that silently did not stick would look like a fault of
                // the screensaver at its next start; the user learns it here.
                std::fprintf(stderr, "velmora: can't save the settings: %s\n", error.c_str());
                dialog.ShowErrorMessage("Velmora!", "Velmora! can't save its settings:\n\n" + error +
                                                        "\n\nThe stored settings are unchanged.");
                dialog.EndDialog(kConfigNotSaved);
            }
            return false;
    }
    return false;
}

bool RunConfigDialog(platform::WindowId owner) {
    return platform::RunModalDialog(ConfigDialogTemplate(), owner, ConfigDialogProc, {ConfigDialogPicture()}) !=
           kConfigNotSaved;
}
