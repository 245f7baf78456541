// What plays, file after file: the built-in track, or the file or folder a
// user chose. A chosen file plays over and over, a folder its files in name
// order and then from the first again; the built-in track plays once. What
// can't be played is named in one line on standard output and left out; when
// nothing of the choice can be played, the built-in track plays instead.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "music/music_decoder.h"

// A folder's first this many files in name order are played; the rest are
// named in one line.
constexpr std::size_t kMaxFolderFiles = 1000;
// Unplayable files of a folder named one line each, up to this many; then
// one line says that further ones are left out without a word.
constexpr int kMaxNamedFailures = 10;

class MusicPlaylist {
public:
    // `choice` empty: the built-in track. A folder is listed here.
    explicit MusicPlaylist(const std::string& choice);

    // Opens the next file that decodes into `decoder`: the next one of the
    // choice, else the built-in track once. `usable` tells whether the player
    // can play a decoder's channel count and rate; one that it can't is named
    // and left out as well. False when nothing more plays.
    template <typename Usable>
    bool OpenNext(MusicDecoder* decoder, Usable usable) {
        while (OpenNextFile(decoder)) {
            if (usable(*decoder)) return true;
            const int channels = decoder->channels;
            CloseMusicDecoder(decoder);
            Unusable(channels);
        }
        return false;
    }

    // The file last opened can't be played after all (it stopped short of
    // its end, or held no sound): it is named with `why` and left out.
    void Drop(const std::string& why);

private:
    bool OpenNextFile(MusicDecoder* decoder);
    bool OpenChosen(std::size_t index, MusicDecoder* decoder, std::string* why);
    bool OpenBuiltIn(MusicDecoder* decoder);
    // Names the current file (or the choice) and why; it won't be tried again.
    void Refuse(const std::string& why);
    void FallBack(const std::string& line);
    void Unusable(int channels);

    std::string choice;
    std::vector<std::string> files;  // full paths, in play order
    std::vector<bool> refused;
    std::size_t current = 0;
    bool isFolder = false;
    bool builtIn = false;  // the choice has nothing left: the built-in track
    bool builtInOpened = false;
    int namedFailures = 0;
};
