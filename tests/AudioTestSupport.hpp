#pragma once

#include <dlfcn.h>

namespace testsupport {

// Holds OpenAL's mixer still while alive, so a playing source keeps its status
// and offset however busy the machine is. Build it after the sounds exist.
class FrozenMixer {
public:
    FrozenMixer()
    {
        using ContextFn = void* (*)();
        using DeviceFn = void* (*)(void*);
        const auto currentContext =
            reinterpret_cast<ContextFn>(dlsym(RTLD_DEFAULT, "alcGetCurrentContext"));
        const auto contextsDevice =
            reinterpret_cast<DeviceFn>(dlsym(RTLD_DEFAULT, "alcGetContextsDevice"));
        pause = reinterpret_cast<DeviceCall>(dlsym(RTLD_DEFAULT, "alcDevicePauseSOFT"));
        resume = reinterpret_cast<DeviceCall>(dlsym(RTLD_DEFAULT, "alcDeviceResumeSOFT"));
        if (!currentContext || !contextsDevice || !pause || !resume)
            return;
        if (void* context = currentContext())
            device = contextsDevice(context);
        if (device)
            pause(device);
    }
    ~FrozenMixer()
    {
        if (device)
            resume(device);
    }
    FrozenMixer(const FrozenMixer&) = delete;
    FrozenMixer& operator=(const FrozenMixer&) = delete;

    bool IsFrozen() const { return device != nullptr; }

private:
    using DeviceCall = void (*)(void*);
    DeviceCall pause = nullptr;
    DeviceCall resume = nullptr;
    void* device = nullptr;
};

} // namespace testsupport
