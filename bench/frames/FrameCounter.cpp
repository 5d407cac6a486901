// Preloaded into a program (LD_PRELOAD) to measure its frames from outside,
// without changing it: every glXSwapBuffers call is one drawn frame, and every
// sf::Window::pollEvent that finds the queue empty one reading of the events,
// which the game does once a step while play runs.
//   QB_FRAMES_OUT      file the results are written to (required)
//   QB_LAUNCH_NS       CLOCK_REALTIME nanoseconds when the program was started;
//                      the start-up time runs from then to the first frame
//   QB_FRAMES_WARMUP   seconds after the first frame before counting (default 3)
//   QB_FRAMES_SECONDS  seconds of frames counted (default 5)
// Once counted, the results are written and the program ends at once
// (_exit(0)), so a run needs no one to close its window.

#include <dlfcn.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

using Clock = std::chrono::steady_clock;
using SwapBuffers = void (*)(void*, unsigned long);

double EnvSeconds(const char* name, double fallback)
{
    const char* text = std::getenv(name);
    return text ? std::atof(text) : fallback;
}

double RealtimeNs()
{
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<double>(now.tv_sec) * 1e9 + static_cast<double>(now.tv_nsec);
}

struct Counter {
    long steps = 0;
    long stepsAtCounting = 0;
    long frames = 0;
    Clock::time_point first;
    double startupSeconds = -1.0;
    long countedFrom = -1;
    Clock::time_point countingSince;

    void Frame()
    {
        ++frames;
        const Clock::time_point now = Clock::now();
        if (frames == 1) {
            first = now;
            if (const char* launch = std::getenv("QB_LAUNCH_NS"))
                startupSeconds = (RealtimeNs() - std::atof(launch)) / 1e9;
            return;
        }
        const double sinceFirst = std::chrono::duration<double>(now - first).count();
        if (countedFrom < 0) {
            if (sinceFirst >= EnvSeconds("QB_FRAMES_WARMUP", 3.0)) {
                countedFrom = frames;
                stepsAtCounting = steps;
                countingSince = now;
            }
            return;
        }
        const double counting = std::chrono::duration<double>(now - countingSince).count();
        if (counting < EnvSeconds("QB_FRAMES_SECONDS", 5.0))
            return;
        if (const char* path = std::getenv("QB_FRAMES_OUT")) {
            if (std::FILE* out = std::fopen(path, "w")) {
                std::fprintf(out, "startup_s %.6f\nfps %.3f\nsteps_per_s %.3f\nseconds %.6f\n",
                             startupSeconds, static_cast<double>(frames - countedFrom) / counting,
                             static_cast<double>(steps - stepsAtCounting) / counting, counting);
                std::fclose(out);
            }
        }
        _exit(0);
    }
};

Counter counter;

} // namespace

extern "C" void glXSwapBuffers(void* display, unsigned long drawable)
{
    static const auto real = reinterpret_cast<SwapBuffers>(dlsym(RTLD_NEXT, "glXSwapBuffers"));
    if (real)
        real(display, drawable);
    counter.Frame();
}

// sf::Window::pollEvent(sf::Event&), under its mangled name: the shim does not
// link SFML, and only needs to pass the call on.
extern "C" bool PollEvent(void* window, void* event) __asm__("_ZN2sf6Window9pollEventERNS_5EventE");
extern "C" bool PollEvent(void* window, void* event)
{
    using Real = bool (*)(void*, void*);
    static const auto real =
        reinterpret_cast<Real>(dlsym(RTLD_NEXT, "_ZN2sf6Window9pollEventERNS_5EventE"));
    const bool got = real && real(window, event);
    if (!got)
        ++counter.steps;
    return got;
}
