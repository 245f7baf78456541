#include "music/openal_table.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Fake(const std::string& missing) {
    return std::string(MUSIC_FAKES_DIR) + "/libfake_openal_no_" + missing + ".so";
}

// The fields in lookup order, as plain pointers.
std::vector<const void*> Fields(const OpenALFunctionTable& table) {
    std::vector<const void*> fields;
#define VELMORA_TEST_FIELD(name, type) fields.push_back(reinterpret_cast<const void*>(table.name));
    VELMORA_OPENAL_FUNCTIONS(VELMORA_TEST_FIELD)
#undef VELMORA_TEST_FIELD
    return fields;
}

void StaleEnable(ALenum) {}

int IndexOf(const std::string& name) {
    for (int i = 0; i < kOpenALFunctionCount; ++i)
        if (name == kOpenALFunctionNames[i]) return i;
    return -1;
}

TEST(OpenALFunctionTable, NamesTheSixtyFiveEntryPointsInOrder) {
    const std::string expected =
        "alEnable alDisable alIsEnabled alGetBoolean alGetInteger alGetFloat alGetDouble alGetBooleanv "
        "alGetIntegerv alGetFloatv alGetDoublev alGetString alGetError alIsExtensionPresent alGetProcAddress "
        "alGetEnumValue alListeneri alListenerf alListener3f alListenerfv alGetListeneri alGetListenerf "
        "alGetListener3f alGetListenerfv alGenSources alDeleteSources alIsSource alSourcei alSourcef alSource3f "
        "alSourcefv alGetSourcei alGetSourcef alGetSourcefv alSourcePlayv alSourceStopv alSourcePlay "
        "alSourcePause alSourceStop alGenBuffers alDeleteBuffers alIsBuffer alBufferData alGetBufferi "
        "alGetBufferf alSourceQueueBuffers alSourceUnqueueBuffers alDistanceModel alDopplerFactor "
        "alDopplerVelocity alcGetString alcGetIntegerv alcOpenDevice alcCloseDevice alcCreateContext "
        "alcMakeContextCurrent alcProcessContext alcGetCurrentContext alcGetContextsDevice alcSuspendContext "
        "alcDestroyContext alcGetError alcIsExtensionPresent alcGetProcAddress alcGetEnumValue";
    std::string joined;
    for (const char* name : kOpenALFunctionNames) joined += (joined.empty() ? "" : " ") + std::string(name);
    EXPECT_EQ(joined, expected);
    EXPECT_EQ(Fields(OpenALFunctionTable{}).size(), 65u);
}

TEST(OpenALFunctionTable, LoadsEveryEntryPointOfOpenALSoft) {
    EXPECT_STREQ(OpenALLibraryName(), "libopenal.so.1");
    OpenALFunctionTable table;
    testing::internal::CaptureStderr();
    ASSERT_TRUE(LoadOpenALFunctionTable(nullptr, &table));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    for (const void* field : Fields(table)) EXPECT_NE(field, nullptr);
    // The entries are the library's own functions.
    EXPECT_EQ(table.alcGetString(nullptr, 0xABCD), nullptr);
    EXPECT_EQ(table.alcGetError(nullptr), ALC_INVALID_ENUM);
    UnloadOpenALLibrary();
    UnloadOpenALLibrary();  // nothing loaded any more: no effect
}

TEST(OpenALFunctionTable, WithoutATableLoadsNothing) {
    testing::internal::CaptureStderr();
    EXPECT_FALSE(LoadOpenALFunctionTable(Fake("alEnable").c_str(), nullptr));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST(OpenALFunctionTable, AMissingLibraryFailsWithoutAMessage) {
    OpenALFunctionTable table;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(LoadOpenALFunctionTable("libopenal-not-installed.so.1", &table));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST(OpenALFunctionTable, TheFirstMissingNameIsReportedAndEndsTheLoad) {
    struct Case {
        const char* library;
        const char* reported;
    } cases[] = {
        {"alEnable", "alEnable"},
        {"alBufferData", "alBufferData"},
        {"alcGetEnumValue", "alcGetEnumValue"},
        {"alGetError_alcOpenDevice", "alGetError"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.library);
        OpenALFunctionTable table;
        table.alEnable = StaleEnable;  // the load clears stale fields
        testing::internal::CaptureStderr();
        EXPECT_FALSE(LoadOpenALFunctionTable(Fake(c.library).c_str(), &table));
        EXPECT_EQ(testing::internal::GetCapturedStderr(),
                  "Failed to retrieve '" + std::string(c.reported) + "' function address\n");
        std::vector<const void*> fields = Fields(table);
        int missing = IndexOf(c.reported);
        for (int i = 0; i < kOpenALFunctionCount; ++i)
            EXPECT_EQ(fields[i] != nullptr, i < missing) << kOpenALFunctionNames[i];
        UnloadOpenALLibrary();
    }
}

}  // namespace
