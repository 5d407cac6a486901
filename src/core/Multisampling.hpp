#pragma once

#include <string>
#include <vector>

// How many samples a pixel of the game's frames gets: eight where the machine
// draws them within a step, none where it does not, so that play keeps its 60
// steps a second. Without a graphics card (a virtual machine, a remote desktop,
// a broken driver) Mesa's llvmpipe spends 30 ms on a multisampled frame of the
// game and 5 ms on a plain one.
class Multisampling final {
public:
    static constexpr unsigned int full = 8;

    // The display's OpenGL renderer, from a context of its own, asked before
    // the game's window opens.
    [[nodiscard]] static std::string RendererName();
    // Whether that renderer draws in software: its frames are known to be slow
    // before one is drawn, and the window is made without samples at once.
    [[nodiscard]] static bool IsSoftwareRenderer(const std::string& renderer);
    // Whether frames drawn with samples take longer than a step: the middle
    // one of them, so that the first frames, which load the textures, and a
    // stray slow one do not decide.
    [[nodiscard]] static bool TooSlow(std::vector<double> frameSeconds, double stepSeconds);
};
