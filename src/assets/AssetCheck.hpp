#pragma once

#include <istream>
#include <string>

// SFML 2.5 trusts what image and WAV headers declare: it decodes a picture of
// any announced size, allocates every sample a WAV header promises, and its WAV
// reader divides by a sample size it may never have read. The game reads the
// header itself first and hands SFML only what it can load safely; a refused
// file is reported like a missing one.

// The largest picture side the game accepts, in pixels.
constexpr int maxImageSide = 4096;

// A picture in a format SFML reads, whose header declares at most
// maxImageSide on a side, and, for a JPEG, whose Huffman tables are sound.
// Only the header is read (the whole file for a JPEG's tables); the pixels
// are left to SFML.
[[nodiscard]] bool IsSafeImage(std::istream& in);
[[nodiscard]] bool IsSafeImageFile(const std::string& path);

// A RIFF WAVE file of PCM samples, 1 to 8 channels of 8, 16, 24 or 32 bits,
// its format given before its data and its data no larger than the file.
[[nodiscard]] bool IsSafeSound(std::istream& in);
[[nodiscard]] bool IsSafeSoundFile(const std::string& path);
