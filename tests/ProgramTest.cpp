#include "TestSupport.hpp"

#include <X11/Xlib.h>

#include <chrono>
#include <csignal>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

using namespace testsupport;
namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;
// Generous: the program starts under software rendering on a busy machine.
constexpr std::chrono::seconds kDeadline(60);

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The few Xlib calls the test makes, loaded at run time from the library
// SFML itself uses, so the test program links nothing beyond the game's.
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
};

bool HasName(const Xlib& x, Display* display, Window window, const char* wanted)
{
    char* name = nullptr;
    bool match = false;
    if (x.FetchName(display, window, &name) && name) {
        match = std::strcmp(name, wanted) == 0;
        x.Free(name);
    }
    return match;
}

// Looks through the whole window tree for the game's window. The tests run
// one at a time and every game they build is gone with its window by now, so
// the title is enough (the library puts no process id on its windows).
Window FindWindow(const Xlib& x, Display* display, Window root)
{
    Window rootReturn = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!x.QueryTree(display, root, &rootReturn, &parent, &children, &count))
        return 0;
    Window found = 0;
    for (unsigned int i = 0; i < count && !found; ++i) {
        if (HasName(x, display, children[i], "Quadrabash"))
            found = children[i];
        else
            found = FindWindow(x, display, children[i]);
    }
    if (children)
        x.Free(children);
    return found;
}

// What a window manager sends when the player clicks the close button.
void AskToClose(const Xlib& x, Display* display, Window window)
{
    XEvent event;
    std::memset(&event, 0, sizeof(event));
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = x.InternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(x.InternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    x.SendEvent(display, window, False, NoEventMask, &event);
    x.Flush(display);
}

// Waits for the child until the deadline; false if it is still running.
bool WaitForExit(pid_t pid, Clock::time_point deadline, int& status)
{
    while (Clock::now() < deadline) {
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid)
            return true;
        if (done < 0)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

} // namespace

TEST(ProgramTest, GameOpensItsWindowAndQuitsCleanlyWhenTheWindowIsClosed)
{
    const std::string program = GameDir() + "/quadrabash";
    ASSERT_TRUE(fs::exists(program)) << program;
    for (const std::string& asset : AllAssetNames())
        ASSERT_TRUE(fs::exists(fs::path(GameDir()) / asset)) << "missing asset " << asset;

    const Xlib x;
    if (!x.Loaded()) {
        const char* reason = dlerror();
        FAIL() << "cannot load libX11.so.6: " << (reason ? reason : "a function is missing");
    }
    Display* display = x.OpenDisplay(nullptr);
    ASSERT_NE(display, nullptr) << "no X display: run the tests under xvfb-run";

    TempDir logs;
    const std::string outPath = logs.Path() + "/stdout.txt";
    const std::string errPath = logs.Path() + "/stderr.txt";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, GameDir().c_str());
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outPath.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errPath.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    ASSERT_EQ(spawned, 0) << std::strerror(spawned);

    const Clock::time_point deadline = Clock::now() + kDeadline;
    Window window = 0;
    int status = 0;
    bool exited = false;
    while (!window && Clock::now() < deadline) {
        window = FindWindow(x, display, DefaultRootWindow(display));
        if (window)
            break;
        if (waitpid(pid, &status, WNOHANG) == pid) {
            exited = true;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    if (!exited && window) {
        AskToClose(x, display, window);
        exited = WaitForExit(pid, Clock::now() + kDeadline, status);
    }
    if (!exited) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
    }
    x.CloseDisplay(display);

    const std::string out = ReadFile(outPath);
    const std::string err = ReadFile(errPath);
    ASSERT_NE(window, 0u) << "no window titled Quadrabash appeared\nstdout:\n"
                          << out << "stderr:\n"
                          << err;
    ASSERT_TRUE(exited) << "the program did not quit after the window was closed";
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status) << "\nstderr:\n"
                                   << err;
    EXPECT_EQ(WEXITSTATUS(status), 0) << "stderr:\n" << err;
    // With every asset in place there is nothing to report.
    EXPECT_EQ(out, "");
}
