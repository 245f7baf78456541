/* An OpenAL stand-in that exports the 65 entry points of the function table
 * except those named by OMIT_<name> at build time. Nothing here is ever
 * called: a table that misses a name is not used. */

#ifndef OMIT_alEnable
void alEnable(void) {}
#endif
#ifndef OMIT_alDisable
void alDisable(void) {}
#endif
#ifndef OMIT_alIsEnabled
void alIsEnabled(void) {}
#endif
#ifndef OMIT_alGetBoolean
void alGetBoolean(void) {}
#endif
#ifndef OMIT_alGetInteger
void alGetInteger(void) {}
#endif
#ifndef OMIT_alGetFloat
void alGetFloat(void) {}
#endif
#ifndef OMIT_alGetDouble
void alGetDouble(void) {}
#endif
#ifndef OMIT_alGetBooleanv
void alGetBooleanv(void) {}
#endif
#ifndef OMIT_alGetIntegerv
void alGetIntegerv(void) {}
#endif
#ifndef OMIT_alGetFloatv
void alGetFloatv(void) {}
#endif
#ifndef OMIT_alGetDoublev
void alGetDoublev(void) {}
#endif
#ifndef OMIT_alGetString
void alGetString(void) {}
#endif
#ifndef OMIT_alGetError
void alGetError(void) {}
#endif
#ifndef OMIT_alIsExtensionPresent
void alIsExtensionPresent(void) {}
#endif
#ifndef OMIT_alGetProcAddress
void alGetProcAddress(void) {}
#endif
#ifndef OMIT_alGetEnumValue
void alGetEnumValue(void) {}
#endif
#ifndef OMIT_alListeneri
void alListeneri(void) {}
#endif
#ifndef OMIT_alListenerf
void alListenerf(void) {}
#endif
#ifndef OMIT_alListener3f
void alListener3f(void) {}
#endif
#ifndef OMIT_alListenerfv
void alListenerfv(void) {}
#endif
#ifndef OMIT_alGetListeneri
void alGetListeneri(void) {}
#endif
#ifndef OMIT_alGetListenerf
void alGetListenerf(void) {}
#endif
#ifndef OMIT_alGetListener3f
void alGetListener3f(void) {}
#endif
#ifndef OMIT_alGetListenerfv
void alGetListenerfv(void) {}
#endif
#ifndef OMIT_alGenSources
void alGenSources(void) {}
#endif
#ifndef OMIT_alDeleteSources
void alDeleteSources(void) {}
#endif
#ifndef OMIT_alIsSource
void alIsSource(void) {}
#endif
#ifndef OMIT_alSourcei
void alSourcei(void) {}
#endif
#ifndef OMIT_alSourcef
void alSourcef(void) {}
#endif
#ifndef OMIT_alSource3f
void alSource3f(void) {}
#endif
#ifndef OMIT_alSourcefv
void alSourcefv(void) {}
#endif
#ifndef OMIT_alGetSourcei
void alGetSourcei(void) {}
#endif
#ifndef OMIT_alGetSourcef
void alGetSourcef(void) {}
#endif
#ifndef OMIT_alGetSourcefv
void alGetSourcefv(void) {}
#endif
#ifndef OMIT_alSourcePlayv
void alSourcePlayv(void) {}
#endif
#ifndef OMIT_alSourceStopv
void alSourceStopv(void) {}
#endif
#ifndef OMIT_alSourcePlay
void alSourcePlay(void) {}
#endif
#ifndef OMIT_alSourcePause
void alSourcePause(void) {}
#endif
#ifndef OMIT_alSourceStop
void alSourceStop(void) {}
#endif
#ifndef OMIT_alGenBuffers
void alGenBuffers(void) {}
#endif
#ifndef OMIT_alDeleteBuffers
void alDeleteBuffers(void) {}
#endif
#ifndef OMIT_alIsBuffer
void alIsBuffer(void) {}
#endif
#ifndef OMIT_alBufferData
void alBufferData(void) {}
#endif
#ifndef OMIT_alGetBufferi
void alGetBufferi(void) {}
#endif
#ifndef OMIT_alGetBufferf
void alGetBufferf(void) {}
#endif
#ifndef OMIT_alSourceQueueBuffers
void alSourceQueueBuffers(void) {}
#endif
#ifndef OMIT_alSourceUnqueueBuffers
void alSourceUnqueueBuffers(void) {}
#endif
#ifndef OMIT_alDistanceModel
void alDistanceModel(void) {}
#endif
#ifndef OMIT_alDopplerFactor
void alDopplerFactor(void) {}
#endif
#ifndef OMIT_alDopplerVelocity
void alDopplerVelocity(void) {}
#endif
#ifndef OMIT_alcGetString
void alcGetString(void) {}
#endif
#ifndef OMIT_alcGetIntegerv
void alcGetIntegerv(void) {}
#endif
#ifndef OMIT_alcOpenDevice
void alcOpenDevice(void) {}
#endif
#ifndef OMIT_alcCloseDevice
void alcCloseDevice(void) {}
#endif
#ifndef OMIT_alcCreateContext
void alcCreateContext(void) {}
#endif
#ifndef OMIT_alcMakeContextCurrent
void alcMakeContextCurrent(void) {}
#endif
#ifndef OMIT_alcProcessContext
void alcProcessContext(void) {}
#endif
#ifndef OMIT_alcGetCurrentContext
void alcGetCurrentContext(void) {}
#endif
#ifndef OMIT_alcGetContextsDevice
void alcGetContextsDevice(void) {}
#endif
#ifndef OMIT_alcSuspendContext
void alcSuspendContext(void) {}
#endif
#ifndef OMIT_alcDestroyContext
void alcDestroyContext(void) {}
#endif
#ifndef OMIT_alcGetError
void alcGetError(void) {}
#endif
#ifndef OMIT_alcIsExtensionPresent
void alcIsExtensionPresent(void) {}
#endif
#ifndef OMIT_alcGetProcAddress
void alcGetProcAddress(void) {}
#endif
#ifndef OMIT_alcGetEnumValue
void alcGetEnumValue(void) {}
#endif
