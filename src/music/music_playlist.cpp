#include "music/music_playlist.h"

#include <algorithm>
#include <cstdio>

#include "music/music_file.h"
#include "music/music_player.h"
#include "music/music_thread.h"
#include "platform/platform.h"

namespace {
void PrintLine(const std::string& line) { PrintMusicMessage("%s\n", line.c_str()); }
}  // namespace

MusicPlaylist::MusicPlaylist(const std::string& chosen) : choice(chosen) {
    if (choice.empty()) {
        builtIn = true;
        return;
    }
    switch (platform::ExamineChosenPath(choice)) {
        case platform::ChosenPathKind::Folder: {
            isFolder = true;
            std::vector<std::string> names;
            bool more = false;
            // Names beyond the limit are counted, never kept: a folder of a
            // million files costs no more memory than one of a thousand.
            if (!platform::ListChosenFolder(choice, 100 * kMaxFolderFiles, &names, &more)) {
                FallBack("Can't play " + choice + ": the folder can't be read");
                return;
            }
            std::sort(names.begin(), names.end());
            if (names.size() > kMaxFolderFiles || more) {
                PrintLine("Music folder " + choice + " holds more than " + std::to_string(kMaxFolderFiles) +
                          " files: the first " + std::to_string(kMaxFolderFiles) + " in name order play");
                names.resize(kMaxFolderFiles);
            }
            const char separator = platform::PathSeparator();
            const bool ends = choice.back() == '/' || choice.back() == separator;
            for (const std::string& name : names)
                files.push_back(choice + (ends ? "" : std::string(1, separator)) + name);
            break;
        }
        case platform::ChosenPathKind::Missing:
            FallBack("Can't play " + choice + ": no such file or folder");
            return;
        default:
            files.push_back(choice);
            break;
    }
    refused.assign(files.size(), false);
    current = files.size();  // the first OpenNext starts at the first file
}

void MusicPlaylist::FallBack(const std::string& line) {
    PrintLine(line + "; the built-in music plays");
    builtIn = true;
}

void MusicPlaylist::Refuse(const std::string& why) {
    if (builtInOpened || builtIn) return;
    refused[current] = true;
    if (!isFolder) {
        FallBack("Can't play " + files[current] + ": " + why);
        return;
    }
    if (namedFailures < kMaxNamedFailures)
        PrintLine("Can't play " + files[current] + ": " + why);
    else if (namedFailures == kMaxNamedFailures)
        PrintLine("Further files of " + choice + " that can't be played are left out without a line");
    ++namedFailures;
}

void MusicPlaylist::Unusable(int channels) {
    if (builtInOpened)
        PrintMusicMessage("Failed to find format information, or unsupported format\n");
    else
        Refuse(std::to_string(channels) + " channels, or a rate that can't be played");
}

void MusicPlaylist::Drop(const std::string& why) { Refuse(why); }

bool MusicPlaylist::OpenChosen(std::size_t index, MusicDecoder* decoder, std::string* why) {
    // A folder's own subfolders are not music, and no line is owed for them.
    if (isFolder && platform::ExamineChosenPath(files[index]) == platform::ChosenPathKind::Folder) return false;
    std::FILE* file = platform::OpenChosenFile(files[index], why);
    if (file == nullptr) return false;
    if (std::fseek(file, 0, SEEK_END) == 0 && std::ftell(file) == 0) {
        std::fclose(file);
        *why = "the file is empty";
        return false;
    }
    std::rewind(file);
    if (OpenMusicDecoder(file, true, decoder)) return true;
    *why = sndfileBinding.bound ? "not audio in a format that can be played"
                                : "not Ogg Vorbis, and libsndfile, which reads the other formats, is missing";
    return false;
}

bool MusicPlaylist::OpenBuiltIn(MusicDecoder* decoder) {
    if (builtInOpened) return false;  // it plays once
    builtInOpened = true;
    std::FILE* file = OpenMusicFile();
    if (file == nullptr) {
        PrintMusicMessage("Could not find %s\n", kMusicFileName);
        return false;
    }
    // A built-in track the decoder refuses ends the music without a line.
    return OpenMusicDecoder(file, false, decoder);
}

bool MusicPlaylist::OpenNextFile(MusicDecoder* decoder) {
    // One round over the files at most: after it every file was tried since
    // the last one that played, and none could be.
    for (std::size_t tried = 0; !builtIn && tried < files.size(); ++tried) {
        if (musicStopRequested.load()) return false;
        current = current + 1 < files.size() ? current + 1 : 0;
        if (refused[current]) continue;
        std::string why;
        if (OpenChosen(current, decoder, &why)) return true;
        if (!why.empty()) Refuse(why);
    }
    if (!builtIn) FallBack(isFolder ? "No file of " + choice + " can be played" : "Can't play " + choice);
    return OpenBuiltIn(decoder);
}
