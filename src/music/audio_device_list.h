// The OpenAL output devices that can be opened, probed once each.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "music/openal_table.h"

struct AudioDeviceRecord {
    std::string name;  // as the opened device reports it
    std::int32_t majorVersion = 0;
    std::int32_t minorVersion = 0;
    std::uint32_t sourceCount = 0;
    std::vector<std::string> extensions;  // the probed ones present, in probing order
    bool selected = true;
};

class AudioDeviceList {
public:
    // Enumerates and probes every device through a table the caller filled
    // and keeps loaded. Never fails: an empty list means no usable device.
    explicit AudioDeviceList(const OpenALFunctionTable& table);
    AudioDeviceList(const AudioDeviceList&) = delete;
    AudioDeviceList& operator=(const AudioDeviceList&) = delete;

    std::int32_t GetDeviceCount() const;
    // Null when `index` is not a record position.
    const char* GetDeviceName(std::int32_t index) const;
    // The record of the device that OpenAL names as its default when that
    // device could be opened, else 0 (the first usable device).
    std::int32_t GetDefaultDeviceIndex() const;
    const std::vector<AudioDeviceRecord>& Records() const { return records; }

    // Up to 256: how many sources the current context lets be created.
    std::uint32_t CountAvailableSources();
    void ResetDeviceFilter();

private:
    void Enumerate();
    // Position of the record named `name`, or -1.
    std::int32_t FindRecord(const char* name) const;
    // Opens the enumerated device `name` and records it when it is usable and
    // new. Returns the record it is known by, or -1 when it is not usable.
    std::int32_t ProbeDevice(const char* name);
    void ProbeExtensions(ALCdevice* device, AudioDeviceRecord* record);

    OpenALFunctionTable table;
    std::vector<AudioDeviceRecord> records;
    std::int32_t defaultIndex = 0;
    std::int32_t filterIndex = 0;
};
