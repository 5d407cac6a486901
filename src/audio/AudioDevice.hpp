#pragma once

// The machine's sound output as OpenAL sees it. A machine without one (no
// sound card, a sound server that is down) is an ordinary machine: the game
// asks once, at start-up, and then plays silently rather than create sound
// objects that fail on every call.
class AudioDevice final {
public:
    // Whether the default device opens; it is closed again at once, for SFML
    // to open its own.
    [[nodiscard]] static bool Opens();
    // False once OpenAL tells that the device the game plays on is gone (a
    // headset unplugged); true while it plays, or when nothing plays yet.
    [[nodiscard]] static bool IsConnected();
};
