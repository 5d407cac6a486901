#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Small offline synthesiser for the generated music and sound effects.
// Everything is computed from fixed numbers and a seeded LCG, so the same
// build writes byte-identical files on every run.
namespace qbgen {

constexpr double Pi = 3.14159265358979323846;

// Our own generator rather than <random>: its output is fixed by these few lines.
class Lcg final {
public:
    explicit Lcg(std::uint32_t seed) : state(seed) {}

    // Uniform in [-1, 1).
    double NextBipolar();
    // Uniform in [0, 1).
    double NextUnit();

private:
    std::uint32_t state;
};

// Attack-decay-sustain-release in seconds. Attack ramps up from silence and
// release ramps down to silence, so no note can start or stop on a click.
struct Envelope {
    double attack;
    double decay;   // time constant of the fall from 1 to sustain
    double sustain; // 0 gives a plucked note that dies away on its own
    double release;
};

// Gain of `envelope` at time t after note-on, for a key held `gate` seconds.
double EnvelopeGain(const Envelope& envelope, double t, double gate);

double NoteToHz(double note);

// "A4" (= 69), "C#5", "Bb3". Throws std::invalid_argument on a typo so a bad
// score fails the build instead of playing a wrong note.
int NoteNumber(const std::string& name);

enum class Waveform {
    Pulse,    // chip lead, band-limited so high notes do not alias
    Triangle, // chip bass and soft pads
    Sine,
    Bell // sine with a couple of quiet overtones, for soft arpeggios
};

struct Instrument {
    Waveform waveform = Waveform::Sine;
    double duty = 0.5; // pulse width, Pulse only
    Envelope envelope{0.005, 0.1, 0.8, 0.02};
    double detuneCents = 0.0;
    // Delayed vibrato: long notes start to wobble, short ones stay plain.
    double vibratoCents = 0.0;
    double vibratoRate = 5.5;
    double vibratoDelay = 0.2;
};

// A mono mix whose end is glued to its start: anything that sounds past the
// last sample carries on at the first, so the loop point is seamless.
class LoopBuffer final {
public:
    LoopBuffer(unsigned sampleRate, std::size_t sampleCount);

    void AddNote(const Instrument& instrument, double startSeconds, double gateSeconds, double note,
                 double gain);
    // Mixes a pre-rendered hit (a drum) starting at startSeconds.
    void AddSamples(double startSeconds, const std::vector<double>& samples, double gain);
    void Mix(const LoopBuffer& other, double gain);
    // Circular echo: repeats every delaySeconds, each repeat `feedback` times the last.
    [[nodiscard]] LoopBuffer WithEcho(double delaySeconds, double feedback, double wetGain) const;
    // One-pole low-pass run around the loop until it settles, so the filter
    // leaves no step at the seam either.
    void LowPass(double cutoffHz);

    [[nodiscard]] const std::vector<double>& GetSamples() const { return samples; }

private:
    std::size_t Wrap(long long index) const;

    unsigned sampleRate;
    std::vector<double> samples;
};

// One note of a parsed score line, in steps of the line's grid.
struct NoteEvent {
    int startStep;
    int lengthSteps;
    int note;
};

struct Score {
    std::vector<NoteEvent> events;
    int stepCount = 0;
};

// Score lines read like a tracker: one token per grid step, a note name starts
// a note, "." holds the previous note one more step, "-" is a rest, and "|"
// marks a bar line for the reader only.
Score ParseScore(const std::string& text);

// Number of samples in `bars` bars of 4/4 at `bpm`; the tempo must fit a whole
// number of samples into the loop, otherwise the loop would drift.
std::size_t LoopLength(unsigned sampleRate, unsigned bpm, unsigned bars);

// Scales to the given peak (in dB below full scale) and rounds to 16-bit.
std::vector<std::int16_t> ToPcm16(const std::vector<double>& samples, double peakDb);

// Linear ramps at both ends so a one-shot effect starts and ends on silence.
void FadeEdges(std::vector<double>& samples, unsigned sampleRate, double fadeInSeconds,
               double fadeOutSeconds);

} // namespace qbgen
