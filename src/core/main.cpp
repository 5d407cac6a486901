#include "AssetFiles.hpp"
#include "core/Game.hpp"
#include "core/MainLoop.hpp"
#include "core/Resources.hpp"
#include "core/Timer.hpp"
#include "state/GameState.hpp"

#include <X11/Xlib.h>

#include <chrono>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>
#include <thread>

namespace {
std::string Usage()
{
    std::string files;
    for (const char* file :
         {assetFile::whiteImage, assetFile::brickImage, assetFile::font, assetFile::mainMusic,
          assetFile::menuMusic, assetFile::ballTapPad, assetFile::ballTapBrick})
        files += std::string("  ") + file + "\n";
    return "Usage: quadrabash [--help | --version]\n"
           "\n"
           "A paddle-and-ball arcade game: steer the pad, launch the ball and smash\n"
           "the wall of bricks. Without an option it opens its window and plays.\n"
           "\n"
           "Controls:\n"
           "  Left, Right          steer the pad\n"
           "  left mouse button    launch the balls; press the menu and shop buttons\n"
           "  Escape               pause and resume\n"
           "  A                    clear the level at once (a test key: coins become 10000)\n"
           "\n"
           "Files, read from the working directory (the quadrabash command changes\n"
           "into its data folder):\n" +
           files +
           "\n"
           "Options:\n"
           "  --help               print this text and exit\n"
           "  --version            print the version and exit\n";
}
} // namespace

int main(int argc, char* argv[])
{
    if (argc > 1) {
        const std::string option = argv[1];
        if (argc == 2 && option == "--help") {
            std::cout << Usage();
            return 0;
        }
        if (argc == 2 && option == "--version") {
            std::cout << "quadrabash " QB_VERSION "\n";
            return 0;
        }
        std::cerr << "quadrabash: unknown argument '" << option << "'\n\n" << Usage();
        return 2;
    }
    // SFML aborts with a core dump when it cannot reach a display: find out
    // first, before the window or the audio device is touched. The connection
    // stays open to the end: a bare X server such as Xvfb resets when its last
    // client leaves, and SFML's own connection would then find it gone.
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        const char* name = std::getenv("DISPLAY");
        if (name && *name)
            std::cerr << "quadrabash: cannot open the display '" << name
                      << "'; run it from a graphical session\n";
        else
            std::cerr << "quadrabash: cannot open a display; run it from a graphical session"
                         " (DISPLAY is not set)\n";
        return 1;
    }

    auto game = std::make_unique<Game>(windowSize, sf::String("Quadrabash"));
    Timer frameTimer;
    game->Init();
    frameTimer.StartTimer();
    frameTimer.SetTimerPoint();
    MainLoop loop(*game, frameTimer, [](double seconds) {
        std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    });
    loop.Run();
    // Take the game down before returning: the music streams run on threads
    // of their own and must stop while the audio device still exists.
    game.reset();
    XCloseDisplay(display);
    return 0;
}
