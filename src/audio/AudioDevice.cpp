#include "audio/AudioDevice.hpp"

#include <alc.h>
#include <alext.h>

bool AudioDevice::Opens()
{
    ALCdevice* device = alcOpenDevice(nullptr);
    if (!device)
        return false;
    alcCloseDevice(device);
    return true;
}

bool AudioDevice::IsConnected()
{
    // SFML makes its context current while any of its sounds exists.
    ALCcontext* context = alcGetCurrentContext();
    ALCdevice* device = context ? alcGetContextsDevice(context) : nullptr;
    if (!device || !alcIsExtensionPresent(device, "ALC_EXT_disconnect"))
        return true;
    ALCint connected = 1;
    alcGetIntegerv(device, ALC_CONNECTED, 1, &connected);
    return connected != 0;
}
