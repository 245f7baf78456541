#include "shell/xscreensaver_list.h"

#include <algorithm>
#include <cctype>
#include <vector>

const char kXScreenSaverEntry[] = "  GL: \t\t    \"Velmora!\" \tvelmora --root";

namespace {

// One physical line: its text ends at contentEnd, its line break at end.
struct Line {
    size_t begin, contentEnd, end;
};

std::vector<Line> SplitLines(const std::string& text) {
    std::vector<Line> lines;
    for (size_t at = 0; at < text.size();) {
        size_t newline = text.find('\n', at);
        if (newline == std::string::npos) {
            lines.push_back({at, text.size(), text.size()});
            break;
        }
        size_t contentEnd = newline > at && text[newline - 1] == '\r' ? newline - 1 : newline;
        lines.push_back({at, contentEnd, newline + 1});
        at = newline + 1;
    }
    return lines;
}

// A backslash at the end joins the next line, as XScreenSaver reads its file
// (a CRLF file's lines too, which it would not join, so its list reads whole).
bool Continues(const std::string& text, const Line& line) {
    return line.contentEnd > line.begin && text[line.contentEnd - 1] == '\\';
}

bool Blank(char c) { return c == ' ' || c == '\t'; }

bool BlankBetween(const std::string& text, size_t from, size_t to) {
    for (size_t i = from; i < to; ++i)
        if (!Blank(text[i])) return false;
    return true;
}

// A resource: the physical lines first..last, its value from valueBegin.
struct Resource {
    size_t first = 0, last = 0;
    size_t valueBegin = 0;
};

// The last resource named `key` (as XScreenSaver, the last one counts); the
// name is compared without regard to case and must be followed by ':'.
bool FindResource(const std::string& text, const std::vector<Line>& lines, const std::string& key, Resource* found) {
    bool any = false;
    for (size_t i = 0; i < lines.size();) {
        size_t j = i;
        while (j + 1 < lines.size() && Continues(text, lines[j])) ++j;
        size_t at = lines[i].begin;
        while (at < lines[i].contentEnd && Blank(text[at])) ++at;
        bool match = at + key.size() < lines[i].contentEnd && text[at + key.size()] == ':';
        for (size_t k = 0; match && k < key.size(); ++k)
            match = std::tolower(static_cast<unsigned char>(text[at + k])) == key[k];
        if (match) {
            *found = {i, j, at + key.size() + 1};
            any = true;
        }
        i = j + 1;
    }
    return any;
}

// One entry of a list, with its place in the file's bytes.
struct Entry {
    bool on = true;
    bool velmora = false;
    size_t textBegin = 0, textEnd = 0;        // its first and after its last non-blank byte
    size_t separatorEnd = std::string::npos;  // after the "\n" that ends it, if one does
};

// The entry's program: [-][VISUAL:] ["NAME"] PROGRAM ARGUMENTS.
void ReadEntry(const std::string& decoded, Entry* entry) {
    size_t at = 0;
    auto skipSpace = [&] {
        while (at < decoded.size() && std::isspace(static_cast<unsigned char>(decoded[at]))) ++at;
    };
    skipSpace();
    if (at < decoded.size() && decoded[at] == '-') {
        entry->on = false;
        ++at;
        skipSpace();
    }
    size_t visual = at;
    while (visual < decoded.size() && decoded[visual] != ':' && decoded[visual] != '"' &&
           !std::isspace(static_cast<unsigned char>(decoded[visual])))
        ++visual;
    if (visual < decoded.size() && decoded[visual] == ':') {
        at = visual + 1;
        skipSpace();
    }
    if (at < decoded.size() && decoded[at] == '"') {
        size_t close = decoded.find('"', at + 1);
        at = close == std::string::npos ? decoded.size() : close + 1;
        skipSpace();
    }
    size_t end = at;
    while (end < decoded.size() && !std::isspace(static_cast<unsigned char>(decoded[end]))) ++end;
    const std::string program = decoded.substr(at, end - at);
    const std::string name = "velmora";
    entry->velmora =
        program == name || (program.size() > name.size() &&
                            program.compare(program.size() - name.size() - 1, std::string::npos, "/" + name) == 0);
}

// The entries of the resource's value, and whether the value ends with a
// separator (or holds nothing), so that an entry may follow at once.
std::vector<Entry> ReadEntries(const std::string& text, const std::vector<Line>& lines, const Resource& resource,
                               bool* endsOpen) {
    // The value's bytes without the joining backslashes and line breaks,
    // each with its offset in the file.
    std::vector<size_t> raw;
    for (size_t k = resource.first; k <= resource.last; ++k) {
        size_t from = k == resource.first ? resource.valueBegin : lines[k].begin;
        size_t to = lines[k].contentEnd - (Continues(text, lines[k]) ? 1 : 0);
        for (size_t i = from; i < to; ++i) raw.push_back(i);
    }
    std::vector<Entry> entries;
    std::string decoded;
    Entry entry;
    bool hasText = false;
    auto finish = [&](size_t separatorEnd) {
        if (hasText) {
            entry.separatorEnd = separatorEnd;
            ReadEntry(decoded, &entry);
            entries.push_back(entry);
        }
        entry = Entry{};
        decoded.clear();
        hasText = false;
    };
    for (size_t c = 0; c < raw.size(); ++c) {
        char ch = text[raw[c]];
        const size_t first = raw[c];
        size_t last = first;
        if (ch == '\\' && c + 1 < raw.size()) {
            last = raw[++c];
            char escaped = text[last];
            if (escaped == 'n') {
                finish(last + 1);
                continue;
            }
            ch = escaped == 't' ? '\t' : escaped == 'r' ? '\r' : escaped;
        }
        decoded += ch;
        if (!Blank(ch)) {
            if (!hasText) entry.textBegin = first;
            hasText = true;
            entry.textEnd = last + 1;
        }
    }
    *endsOpen = !hasText;
    finish(std::string::npos);
    return entries;
}

struct Splice {
    size_t begin, end;
    std::string bytes;
};

std::string Apply(std::string text, std::vector<Splice> splices) {
    std::sort(splices.begin(), splices.end(), [](const Splice& a, const Splice& b) { return a.begin > b.begin; });
    for (const Splice& s : splices) text.replace(s.begin, s.end - s.begin, s.bytes);
    return text;
}

std::string LineBreakOf(const std::string& text, const std::vector<Line>& lines, size_t preferred) {
    for (size_t k = preferred; k < lines.size(); ++k)
        if (lines[k].end > lines[k].contentEnd)
            return text.substr(lines[k].contentEnd, lines[k].end - lines[k].contentEnd);
    for (const Line& line : lines)
        if (line.end > line.contentEnd) return text.substr(line.contentEnd, line.end - line.contentEnd);
    return "\n";
}

// The entry's line, padded to XScreenSaver's columns as its settings write it.
std::string EntryLine(bool continues) {
    return std::string(kXScreenSaverEntry) + "\t\t\t\t    \\n" + (continues ? "\\" : "");
}

const char kProgramsKey[] = "programs";

// Appends the entry to the list of `text`, which has a programs resource.
ListEdit AppendEntry(const std::string& text, ListChange change) {
    const std::vector<Line> lines = SplitLines(text);
    Resource resource;
    FindResource(text, lines, kProgramsKey, &resource);
    bool endsOpen = false;
    const std::vector<Entry> entries = ReadEntries(text, lines, resource, &endsOpen);
    bool on = false, off = false;
    for (const Entry& e : entries)
        if (e.velmora) (e.on ? on : off) = true;
    if (on || off) return {on ? ListChange::AlreadyThere : ListChange::AlreadyOff, text, 0, false};

    const std::string eol = LineBreakOf(text, lines, resource.first);
    const Line& last = lines[resource.last];
    const std::string separator = endsOpen ? "" : "\\n";
    Splice splice{};
    if (resource.last > resource.first && BlankBetween(text, last.begin, last.contentEnd)) {
        // XScreenSaver's own layout: every entry ends "\n\", a blank line ends the list.
        splice = {last.begin, last.begin, separator + EntryLine(true) + eol};
    } else if (Continues(text, last)) {
        // The list runs to the end of the file.
        splice = {last.end, last.end, (last.end > last.contentEnd ? "" : eol) + separator + EntryLine(false) + eol};
    } else {
        splice = {last.contentEnd, last.contentEnd,
                  (endsOpen ? "" : " \\n") + std::string("\\") + eol + EntryLine(false)};
    }
    return {change, Apply(text, {splice}), 0, false};
}

// The system's list as a "programs" resource with the line breaks `eol`.
bool SystemList(const std::string& defaults, const std::string& eol, std::string* resource) {
    const std::vector<Line> lines = SplitLines(defaults);
    Resource found;
    if (!FindResource(defaults, lines, "*programs", &found)) return false;
    const std::string value = defaults.substr(found.valueBegin, lines[found.last].end - found.valueBegin);
    *resource = "programs:";
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\r' && i + 1 < value.size() && value[i + 1] == '\n') continue;
        *resource += value[i] == '\n' ? eol : std::string(1, value[i]);
    }
    if (lines[found.last].end == lines[found.last].contentEnd) *resource += eol;
    return true;
}

const char kNewFileHeader[] =
    "# XScreenSaver's list of screensavers: the system's list and Velmora!,\n"
    "# made by velmora --xscreensaver-add. XScreenSaver's settings keep their\n"
    "# choices here too, rewriting the file in their own layout.\n"
    "\n";

}  // namespace

ListEdit AddToXScreenSaverList(const std::string* userFile, const std::string* systemDefaults) {
    const std::string text = userFile != nullptr ? *userFile : std::string();
    const std::vector<Line> lines = SplitLines(text);
    Resource resource;
    if (userFile != nullptr && FindResource(text, lines, kProgramsKey, &resource))
        return AppendEntry(text, ListChange::Added);

    const std::string eol = LineBreakOf(text, lines, 0);
    std::string list;
    if (systemDefaults == nullptr || !SystemList(*systemDefaults, eol, &list))
        return {ListChange::NoSystemList, text, 0, false};
    std::string base;
    if (userFile == nullptr) {
        base = kNewFileHeader + list;
    } else {
        base = text;
        if (!base.empty() && base.back() != '\n') base += eol;
        base += eol + list;
    }
    ListEdit edit = AppendEntry(base, ListChange::Created);
    if (edit.change != ListChange::Created) edit.text = text;  // the system's list has it already
    return edit;
}

ListEdit RemoveFromXScreenSaverList(const std::string& userFile, const std::string* before,
                                    const std::string* systemDefaults) {
    // What the last addition changed is given back byte for byte, when the
    // file is still just what that addition made of it.
    auto madeFrom = [&](const std::string* text) {
        const ListEdit added = AddToXScreenSaverList(text, systemDefaults);
        return (added.change == ListChange::Added || added.change == ListChange::Created) && added.text == userFile;
    };
    if (before != nullptr && madeFrom(before)) return {ListChange::Removed, *before, 1, false};
    if (systemDefaults != nullptr && madeFrom(nullptr)) return {ListChange::Removed, "", 1, true};
    const std::vector<Line> lines = SplitLines(userFile);
    Resource resource;
    if (!FindResource(userFile, lines, kProgramsKey, &resource)) return {ListChange::NotThere, userFile, 0, false};
    bool endsOpen = false;
    const std::vector<Entry> entries = ReadEntries(userFile, lines, resource, &endsOpen);

    std::vector<Splice> splices;
    std::vector<int> removed;
    for (size_t index = 0; index < entries.size(); ++index) {
        const Entry& e = entries[index];
        if (!e.velmora) continue;
        removed.push_back(static_cast<int>(index));
        // Whole lines go when the entry has its lines to itself: from its
        // line's start, through its separator and the joining backslash.
        const size_t at = std::find_if(lines.begin(), lines.end(), [&](const Line& l) { return e.textBegin < l.end; }) -
                          lines.begin();
        const Line& line = lines[at];
        size_t begin = BlankBetween(userFile, line.begin, e.textBegin) ? line.begin : e.textBegin;
        size_t end = e.separatorEnd != std::string::npos ? e.separatorEnd : e.textEnd;
        while (end < userFile.size() && Blank(userFile[end])) ++end;
        if (begin == line.begin && at == resource.last && at > resource.first && end == line.contentEnd) {
            // The list's last line: the line before it ends the list again,
            // without the backslash that joined this one, and nothing of the
            // entry's line is left but its line break.
            const size_t joint = lines[at - 1].contentEnd - 1;
            if (splices.empty() || splices.back().end <= joint) {
                splices.push_back({joint, line.contentEnd, ""});
                continue;
            }
        }
        auto endLine = std::find_if(lines.begin(), lines.end(), [&](const Line& l) { return end < l.end; });
        if (e.separatorEnd != std::string::npos && endLine != lines.end() && end + 1 == endLine->contentEnd &&
            userFile[end] == '\\')
            end = endLine->end;
        splices.push_back({begin, end, ""});
    }
    if (removed.empty()) return {ListChange::NotThere, userFile, 0, false};

    // Keep the selected screensaver selected.
    Resource selected;
    if (FindResource(userFile, lines, "selected", &selected)) {
        size_t at = selected.valueBegin;
        while (at < lines[selected.first].contentEnd && Blank(userFile[at])) ++at;
        size_t end = at;
        long index = 0;
        while (end < lines[selected.first].contentEnd && std::isdigit(static_cast<unsigned char>(userFile[end])) &&
               index < 1000000)
            index = index * 10 + (userFile[end++] - '0');
        long before = std::count_if(removed.begin(), removed.end(), [&](int r) { return r < index; });
        if (end > at && before > 0) splices.push_back({at, end, std::to_string(index - before)});
    }
    return {ListChange::Removed, Apply(userFile, splices), static_cast<int>(removed.size()), false};
}
