#include "music/audio_device_list.h"

#include <cstring>

namespace {

constexpr std::uint32_t kSourceLimit = 256;
constexpr std::size_t kReservedRecords = 10;

struct ExtensionProbe {
    const char* name;
    bool ofDevice;  // alcIsExtensionPresent on the device, else alIsExtensionPresent
};

constexpr ExtensionProbe kExtensionProbes[] = {
    {"ALC_EXT_CAPTURE", true},
    {"ALC_EXT_EFX", true},
    {"AL_EXT_OFFSET", false},
    {"AL_EXT_LINEAR_DISTANCE", false},
    {"AL_EXT_EXPONENT_DISTANCE", false},
    {"EAX2.0", false},
    {"EAX3.0", false},
    {"EAX4.0", false},
    {"EAX5.0", false},
    {"EAX-RAM", false},
};

}  // namespace

AudioDeviceList::AudioDeviceList(const OpenALFunctionTable& filled) : table(filled) {
    records.reserve(kReservedRecords);
    Enumerate();
    ResetDeviceFilter();
}

std::int32_t AudioDeviceList::GetDeviceCount() const { return static_cast<std::int32_t>(records.size()); }

const char* AudioDeviceList::GetDeviceName(std::int32_t index) const {
    if (index < 0 || index >= GetDeviceCount()) return nullptr;
    return records[static_cast<std::size_t>(index)].name.c_str();
}

std::int32_t AudioDeviceList::GetDefaultDeviceIndex() const { return defaultIndex; }

void AudioDeviceList::Enumerate() {
    if (table.alcIsExtensionPresent(nullptr, "ALC_ENUMERATION_EXT") != AL_TRUE) return;
    const ALCchar* names = table.alcGetString(nullptr, ALC_DEVICE_SPECIFIER);
    const ALCchar* defaultName = table.alcGetString(nullptr, ALC_DEFAULT_DEVICE_SPECIFIER);
    if (names == nullptr) return;
    // The default is remembered by the record it became, not by its place in
    // the enumeration: devices before it that fail to open or repeat a name
    // would otherwise shift the choice onto another device.
    std::int32_t defaultRecord = -1;
    for (const ALCchar* name = names; *name != '\0'; name += std::strlen(name) + 1) {
        bool isDefault = defaultName != nullptr && std::strcmp(name, defaultName) == 0;
        std::int32_t record = ProbeDevice(name);
        if (isDefault && record >= 0 && defaultRecord < 0) defaultRecord = record;
    }
    defaultIndex = defaultRecord >= 0 ? defaultRecord : 0;
}

std::int32_t AudioDeviceList::FindRecord(const char* name) const {
    for (std::size_t i = 0; i < records.size(); ++i)
        if (records[i].name == name) return static_cast<std::int32_t>(i);
    return -1;
}

std::int32_t AudioDeviceList::ProbeDevice(const char* enumeratedName) {
    ALCdevice* device = table.alcOpenDevice(enumeratedName);
    if (device == nullptr) return -1;
    ALCcontext* context = table.alcCreateContext(device, nullptr);
    if (context == nullptr) {
        table.alcCloseDevice(device);
        return -1;
    }
    table.alcMakeContextCurrent(context);
    const ALCchar* ownName = table.alcGetString(device, ALC_DEVICE_SPECIFIER);
    std::int32_t known = -1;
    if (ownName != nullptr && ownName[0] != '\0') {
        known = FindRecord(ownName);
        if (known < 0) {
            AudioDeviceRecord record;
            record.name = ownName;
            record.selected = true;
            table.alcGetIntegerv(device, ALC_MAJOR_VERSION, 4, &record.majorVersion);
            table.alcGetIntegerv(device, ALC_MINOR_VERSION, 4, &record.minorVersion);
            ProbeExtensions(device, &record);
            record.sourceCount = CountAvailableSources();
            records.push_back(std::move(record));
            known = GetDeviceCount() - 1;
        }
    }
    table.alcMakeContextCurrent(nullptr);
    table.alcDestroyContext(context);
    table.alcCloseDevice(device);
    return known;
}

void AudioDeviceList::ProbeExtensions(ALCdevice* device, AudioDeviceRecord* record) {
    for (const ExtensionProbe& probe : kExtensionProbes) {
        bool present = probe.ofDevice ? table.alcIsExtensionPresent(device, probe.name) == ALC_TRUE
                                      : table.alIsExtensionPresent(probe.name) == AL_TRUE;
        if (present) record->extensions.emplace_back(probe.name);
    }
}

std::uint32_t AudioDeviceList::CountAvailableSources() {
    ALuint sources[kSourceLimit] = {};
    table.alGetError();
    std::uint32_t count = 0;
    while (count < kSourceLimit) {
        table.alGenSources(1, &sources[count]);
        if (table.alGetError() != AL_NO_ERROR) break;
        ++count;
    }
    table.alDeleteSources(static_cast<ALsizei>(count), sources);
    if (table.alGetError() != AL_NO_ERROR) {
        for (std::uint32_t i = 0; i < count; ++i) table.alDeleteSources(1, &sources[i]);
    }
    return count;
}

void AudioDeviceList::ResetDeviceFilter() {
    for (AudioDeviceRecord& record : records) record.selected = true;
    filterIndex = 0;
}
