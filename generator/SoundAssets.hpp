#pragma once

#include <cstdint>
#include <vector>

namespace qbgen {

struct PcmSound {
    std::vector<std::int16_t> samples; // mono
    unsigned sampleRate = 0;
};

// Driving A minor chiptune loop played during play.
PcmSound MakeMainMusic();
// Slow, soft loop for the start and pause menus.
PcmSound MakeMenuMusic();
// Low, soft knock of the ball on the pad.
PcmSound MakeBallTapPad();
// Short bright crack of the ball on a brick.
PcmSound MakeBallTapBrick();

} // namespace qbgen
