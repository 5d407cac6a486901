#include "TestSupport.hpp"

#include <X11/Xlib.h>

#include <chrono>
#include <csignal>
#include <cstring>
#include <dlfcn.h>
#include <fstream>
#include <iterator>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

using namespace testsupport;

namespace {

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Loaded at run time from the library SFML uses, so the tests link nothing more.
struct Xlib {
    void* library = dlopen("libX11.so.6", RTLD_NOW | RTLD_LOCAL);
    template <class F>
    F* Get(const char* name) const
    {
        return library ? reinterpret_cast<F*>(dlsym(library, name)) : nullptr;
    }
    decltype(&XOpenDisplay) OpenDisplay = Get<decltype(XOpenDisplay)>("XOpenDisplay");
    decltype(&XCloseDisplay) CloseDisplay = Get<decltype(XCloseDisplay)>("XCloseDisplay");
    decltype(&XQueryTree) QueryTree = Get<decltype(XQueryTree)>("XQueryTree");
    decltype(&XFetchName) FetchName = Get<decltype(XFetchName)>("XFetchName");
    decltype(&XFree) Free = Get<decltype(XFree)>("XFree");
    decltype(&XInternAtom) InternAtom = Get<decltype(XInternAtom)>("XInternAtom");
    decltype(&XSendEvent) SendEvent = Get<decltype(XSendEvent)>("XSendEvent");
    decltype(&XFlush) Flush = Get<decltype(XFlush)>("XFlush");

    bool Loaded() const
    {
        return OpenDisplay && CloseDisplay && QueryTree && FetchName && Free && InternAtom &&
               SendEvent && Flush;
    }

    // Every game the other tests built is gone with its window by now, so the title is enough.
    Window FindGame(Display* display, Window root) const
    {
        Window unused = 0;
        Window* children = nullptr;
        unsigned int count = 0;
        if (!QueryTree(display, root, &unused, &unused, &children, &count))
            return 0;
        Window found = 0;
        for (unsigned int i = 0; i < count && !found; ++i) {
            char* name = nullptr;
            if (FetchName(display, children[i], &name) && name) {
                found = std::strcmp(name, "Quadrabash") == 0 ? children[i] : 0;
                Free(name);
            }
            found = found ? found : FindGame(display, children[i]);
        }
        if (children)
            Free(children);
        return found;
    }

    // What a window manager sends when the player clicks the close button.
    void AskToClose(Display* display, Window window) const
    {
        XEvent event;
        std::memset(&event, 0, sizeof(event));
        event.xclient.type = ClientMessage;
        event.xclient.window = window;
        event.xclient.message_type = InternAtom(display, "WM_PROTOCOLS", False);
        event.xclient.format = 32;
        event.xclient.data.l[0] = static_cast<long>(InternAtom(display, "WM_DELETE_WINDOW", False));
        event.xclient.data.l[1] = CurrentTime;
        SendEvent(display, window, False, NoEventMask, &event);
        Flush(display);
    }
};

} // namespace

TEST(ProgramTest, GameOpensItsWindowAndQuitsCleanlyWhenTheWindowIsClosed)
{
    const Xlib x;
    ASSERT_TRUE(x.Loaded()) << "cannot load libX11.so.6";
    Display* display = x.OpenDisplay(nullptr);
    ASSERT_NE(display, nullptr) << "no X display: run the tests under xvfb-run";

    TempDir logs;
    const std::string outPath = logs.Path() + "/stdout.txt";
    const std::string errPath = logs.Path() + "/stderr.txt";
    const std::string command = "cd '" + GameDir() + "' && exec ./quadrabash </dev/null >'" +
                                outPath + "' 2>'" + errPath + "'";
    const char* argv[] = {"/bin/sh", "-c", command.c_str(), nullptr};
    pid_t pid = 0;
    const int spawned =
        posix_spawn(&pid, "/bin/sh", nullptr, nullptr, const_cast<char* const*>(argv), environ);
    ASSERT_EQ(spawned, 0) << std::strerror(spawned);

    // Generous: the program starts under software rendering on a busy machine.
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    Window window = 0;
    int status = 0;
    bool exited = false;
    while (!exited && std::chrono::steady_clock::now() < deadline) {
        if (!window && (window = x.FindGame(display, DefaultRootWindow(display)))) {
            x.AskToClose(display, window);
            deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        }
        exited = waitpid(pid, &status, WNOHANG) == pid;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (!exited) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
    }
    x.CloseDisplay(display);

    const std::string out = ReadFile(outPath);
    const std::string err = ReadFile(errPath);
    ASSERT_NE(window, 0u) << "no window titled Quadrabash appeared\nstdout:\n" << out << err;
    ASSERT_TRUE(exited) << "the program did not quit after the window was closed";
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status) << "\n" << err;
    EXPECT_EQ(WEXITSTATUS(status), 0) << err;
    // With every asset in place there is nothing to report.
    EXPECT_EQ(out, "");
}
