#include "platform/posix/settings_file.h"

#include <cstdlib>

namespace {
const char kHeader[] = "velmora-settings 1\n";

bool ValidName(const std::string& name) {
    if (name.empty()) return false;
    for (unsigned char c : name)
        if (c <= ' ' || c >= 127) return false;
    return true;
}
}  // namespace

std::string EncodeSettings(const SettingsValues& values) {
    std::string text = kHeader;
    for (const auto& [name, data] : values) {
        if (!ValidName(name)) continue;
        text += name + ' ' + std::to_string(data.size()) + '\n';
        text += data;
        text += '\n';
    }
    return text;
}

bool DecodeSettings(const std::string& text, SettingsValues* values) {
    values->clear();
    const std::string header = kHeader;
    if (text.compare(0, header.size(), header) != 0) return false;
    size_t pos = header.size();
    SettingsValues read;
    while (pos < text.size()) {
        size_t blank = text.find(' ', pos);
        size_t eol = text.find('\n', pos);
        if (blank == std::string::npos || eol == std::string::npos || blank > eol) return false;
        std::string name = text.substr(pos, blank - pos);
        std::string digits = text.substr(blank + 1, eol - blank - 1);
        if (!ValidName(name) || digits.empty() || digits.size() > 9 ||
            digits.find_first_not_of("0123456789") != std::string::npos)
            return false;
        size_t length = std::strtoul(digits.c_str(), nullptr, 10);
        size_t start = eol + 1;
        if (length > text.size() - start || start + length >= text.size() || text[start + length] != '\n') return false;
        read[name] = text.substr(start, length);
        pos = start + length + 1;
    }
    *values = std::move(read);
    return true;
}
