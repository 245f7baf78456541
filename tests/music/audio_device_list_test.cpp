#include "music/audio_device_list.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "music_test_support.h"
#include "support/process.h"
#include "support/temp_dir.h"

namespace {

// ---- A scripted OpenAL behind the function table ---------------------------

struct ScriptedDevice {
    std::string enumerated;  // the name in the enumeration
    bool opens = true;
    bool makesContext = true;
    std::string reported;  // the name the open device gives itself
    int sourceLimit = 256;
};

struct Script {
    bool enumeration = true;
    bool hasNames = true;
    std::vector<ScriptedDevice> devices;
    const char* defaultName = nullptr;
    // Filled while running.
    std::string names;
    int openDevices = 0;
    int openContexts = 0;
    int liveSources = 0;
    int sourceLimit = 0;
    ALenum error = AL_NO_ERROR;
    std::vector<std::string> opened;
};

Script script;

// Device and context handles are addresses inside the script.
ALCdevice* DeviceHandle(std::size_t i) { return reinterpret_cast<ALCdevice*>(&script.devices[i]); }
std::size_t DeviceIndex(ALCdevice* d) { return static_cast<std::size_t>(reinterpret_cast<ScriptedDevice*>(d) - &script.devices[0]); }

ALCboolean FakeAlcIsExtensionPresent(ALCdevice* device, const ALCchar* name) {
    if (device == nullptr) return std::strcmp(name, "ALC_ENUMERATION_EXT") == 0 && script.enumeration;
    return std::strcmp(name, "ALC_EXT_EFX") == 0;
}

const ALCchar* FakeAlcGetString(ALCdevice* device, ALCenum param) {
    if (device != nullptr) return param == ALC_DEVICE_SPECIFIER ? script.devices[DeviceIndex(device)].reported.c_str() : nullptr;
    if (param == ALC_DEFAULT_DEVICE_SPECIFIER) return script.defaultName;
    if (param != ALC_DEVICE_SPECIFIER || !script.hasNames) return nullptr;
    script.names.clear();
    for (const ScriptedDevice& d : script.devices) script.names += d.enumerated + '\0';
    script.names += '\0';
    return script.names.data();
}

ALCdevice* FakeAlcOpenDevice(const ALCchar* name) {
    for (std::size_t i = 0; i < script.devices.size(); ++i) {
        if (name != nullptr && script.devices[i].enumerated == name) {
            script.opened.push_back(name);
            if (!script.devices[i].opens) return nullptr;
            ++script.openDevices;
            return DeviceHandle(i);
        }
    }
    return nullptr;
}

ALCboolean FakeAlcCloseDevice(ALCdevice*) {
    --script.openDevices;
    return ALC_TRUE;
}

ALCcontext* FakeAlcCreateContext(ALCdevice* device, const ALCint*) {
    ScriptedDevice& d = script.devices[DeviceIndex(device)];
    if (!d.makesContext) return nullptr;
    ++script.openContexts;
    script.sourceLimit = d.sourceLimit;
    return reinterpret_cast<ALCcontext*>(&d);
}

ALCboolean FakeAlcMakeContextCurrent(ALCcontext*) { return ALC_TRUE; }
void FakeAlcDestroyContext(ALCcontext*) { --script.openContexts; }

void FakeAlcGetIntegerv(ALCdevice*, ALCenum param, ALCsizei size, ALCint* value) {
    if (size >= 1) *value = param == ALC_MAJOR_VERSION ? 1 : 1;
}

ALboolean FakeAlIsExtensionPresent(const ALchar* name) { return std::strcmp(name, "AL_EXT_OFFSET") == 0; }

ALenum FakeAlGetError() {
    ALenum e = script.error;
    script.error = AL_NO_ERROR;
    return e;
}

void FakeAlGenSources(ALsizei n, ALuint* sources) {
    if (script.liveSources + n > script.sourceLimit) {
        script.error = AL_OUT_OF_MEMORY;
        return;
    }
    for (ALsizei i = 0; i < n; ++i) sources[i] = static_cast<ALuint>(++script.liveSources);
}

void FakeAlDeleteSources(ALsizei n, const ALuint*) { script.liveSources -= n; }

OpenALFunctionTable ScriptedTable() {
    OpenALFunctionTable table;
    table.alcIsExtensionPresent = FakeAlcIsExtensionPresent;
    table.alcGetString = FakeAlcGetString;
    table.alcOpenDevice = FakeAlcOpenDevice;
    table.alcCloseDevice = FakeAlcCloseDevice;
    table.alcCreateContext = FakeAlcCreateContext;
    table.alcMakeContextCurrent = FakeAlcMakeContextCurrent;
    table.alcDestroyContext = FakeAlcDestroyContext;
    table.alcGetIntegerv = FakeAlcGetIntegerv;
    table.alIsExtensionPresent = FakeAlIsExtensionPresent;
    table.alGetError = FakeAlGetError;
    table.alGenSources = FakeAlGenSources;
    table.alDeleteSources = FakeAlDeleteSources;
    return table;
}

std::vector<std::string> Names(const AudioDeviceList& list) {
    std::vector<std::string> names;
    for (int i = 0; i < list.GetDeviceCount(); ++i) names.push_back(list.GetDeviceName(i));
    return names;
}

TEST(AudioDeviceList, DefaultChoiceFollowsTheDefaultDeviceItself) {
    struct Case {
        const char* what;
        std::vector<ScriptedDevice> devices;
        const char* defaultName;
        std::vector<std::string> records;
        const char* chosen;  // the name InitAudioDevice opens
    } cases[] = {
        {"default first", {{"A", true, true, "A"}, {"B", true, true, "B"}}, "A", {"A", "B"}, "A"},
        {"default second", {{"A", true, true, "A"}, {"B", true, true, "B"}}, "B", {"A", "B"}, "B"},
        {"default not enumerated", {{"A", true, true, "A"}, {"B", true, true, "B"}}, "Z", {"A", "B"}, "A"},
        {"no default name", {{"A", true, true, "A"}, {"B", true, true, "B"}}, nullptr, {"A", "B"}, "A"},
        // An earlier device that does not open must not shift the choice.
        {"earlier fails to open",
         {{"A", false, true, "A"}, {"B", true, true, "B"}, {"C", true, true, "C"}}, "C", {"B", "C"}, "C"},
        {"earlier has no context",
         {{"A", true, false, "A"}, {"B", true, true, "B"}, {"C", true, true, "C"}}, "B", {"B", "C"}, "B"},
        // Nor may an earlier one that repeats a name.
        {"earlier repeats a name",
         {{"A", true, true, "A"}, {"A2", true, true, "A"}, {"C", true, true, "C"}}, "C", {"A", "C"}, "C"},
        {"default repeats an earlier name",
         {{"A", true, true, "X"}, {"B", true, true, "X"}, {"C", true, true, "C"}}, "B", {"X", "C"}, "X"},
        // Once the default can't be used, the first usable device is.
        {"default fails to open", {{"A", true, true, "A"}, {"B", false, true, "B"}}, "B", {"A"}, "A"},
        {"default reports no name", {{"A", true, true, ""}, {"B", true, true, "B"}}, "A", {"B"}, "B"},
        {"opened name differs", {{"A", true, true, "A (hw)"}, {"B", true, true, "B (hw)"}}, "B",
         {"A (hw)", "B (hw)"}, "B (hw)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        script = Script{};
        script.devices = c.devices;
        script.defaultName = c.defaultName;
        {
            AudioDeviceList list(ScriptedTable());
            EXPECT_EQ(Names(list), c.records);
            ASSERT_NE(list.GetDeviceName(list.GetDefaultDeviceIndex()), nullptr);
            EXPECT_STREQ(list.GetDeviceName(list.GetDefaultDeviceIndex()), c.chosen);
        }
        // Every device was opened once, in order, and closed again.
        std::vector<std::string> enumerated;
        for (const ScriptedDevice& d : c.devices) enumerated.push_back(d.enumerated);
        EXPECT_EQ(script.opened, enumerated);
        EXPECT_EQ(script.openDevices, 0);
        EXPECT_EQ(script.openContexts, 0);
        EXPECT_EQ(script.liveSources, 0);
    }
}

TEST(AudioDeviceList, NothingIsListedWithoutEnumeration) {
    struct Case {
        const char* what;
        bool enumeration;
        bool hasNames;
        std::vector<ScriptedDevice> devices;
    } cases[] = {
        {"no enumeration extension", false, true, {{"A", true, true, "A"}}},
        {"no name sequence", true, false, {{"A", true, true, "A"}}},
        {"empty sequence", true, true, {}},
        {"nothing opens", true, true, {{"A", false, true, "A"}, {"B", true, false, "B"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        script = Script{};
        script.enumeration = c.enumeration;
        script.hasNames = c.hasNames;
        script.devices = c.devices;
        script.defaultName = "A";
        AudioDeviceList list(ScriptedTable());
        EXPECT_EQ(list.GetDeviceCount(), 0);
        EXPECT_EQ(list.GetDefaultDeviceIndex(), 0);
        EXPECT_EQ(list.GetDeviceName(0), nullptr);
    }
}

TEST(AudioDeviceList, RecordsCarryVersionExtensionsAndSourceCount) {
    script = Script{};
    script.devices = {{"A", true, true, "A", 256}, {"B", true, true, "B", 17}, {"C", true, true, "C", 300}};
    AudioDeviceList list(ScriptedTable());
    ASSERT_EQ(list.GetDeviceCount(), 3);
    const std::vector<std::uint32_t> sources = {256, 17, 256};
    for (int i = 0; i < 3; ++i) {
        const AudioDeviceRecord& record = list.Records()[static_cast<std::size_t>(i)];
        EXPECT_EQ(record.majorVersion, 1);
        EXPECT_EQ(record.minorVersion, 1);
        EXPECT_EQ(record.sourceCount, sources[static_cast<std::size_t>(i)]);
        EXPECT_EQ(record.extensions, (std::vector<std::string>{"ALC_EXT_EFX", "AL_EXT_OFFSET"}));
        EXPECT_TRUE(record.selected);
    }
    EXPECT_EQ(list.GetDeviceName(-1), nullptr);
    EXPECT_EQ(list.GetDeviceName(3), nullptr);
}

// ---- Real OpenAL Soft, each configuration in a process of its own ---------

struct ProbeRun {
    ProcessResult result;
};

ProcessResult RunProbe(const std::string& mode, const std::string& drivers) {
    TempDir folder;
    std::string config = WriteAlsoftConfig(folder.Path(), drivers, folder.Path() + "/out.wav");
    return RunProcess({ProbePath(), mode}, {"ALSOFT_CONF=" + config, "ALSOFT_LOGLEVEL=0"}, folder.Path());
}

TEST(AudioDeviceListOpenALSoft, ListsTheConfiguredBackendsDevice) {
    struct Case {
        const char* drivers;
        const char* device;
    } cases[] = {{"null", "OpenAL Soft"}, {"wave", "OpenAL Soft"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.drivers);
        ProcessResult list = RunProbe("list", c.drivers);
        ASSERT_EQ(list.exitCode, 0) << list.err;
        EXPECT_EQ(list.out, "count 1 default 0\ndevice '" + std::string(c.device) +
                                "' 1.1 sources 256 selected 1 extensions ALC_EXT_CAPTURE ALC_EXT_EFX "
                                "AL_EXT_OFFSET AL_EXT_LINEAR_DISTANCE AL_EXT_EXPONENT_DISTANCE\n");
        ProcessResult init = RunProbe("init", c.drivers);
        ASSERT_EQ(init.exitCode, 0) << init.err;
        EXPECT_EQ(init.out, "init 1 device '" + std::string(c.device) + "'\nafter shutdown context 0\n");
    }
}

TEST(AudioDeviceListOpenALSoft, NoWorkingBackendListsNothingAndInitFails) {
    ProcessResult list = RunProbe("list", "no-such-backend");
    ASSERT_EQ(list.exitCode, 0) << list.err;
    EXPECT_EQ(list.out, "count 0 default 0\n");
    ProcessResult init = RunProbe("init", "no-such-backend");
    EXPECT_EQ(init.out, "init 0 device ''\nafter shutdown context 0\n");
}

}  // namespace
