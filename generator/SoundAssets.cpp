#include "SoundAssets.hpp"

#include "Synth.hpp"

#include <array>
#include <cmath>
#include <initializer_list>
#include <stdexcept>
#include <string>

namespace qbgen {

namespace {

constexpr unsigned MusicRate = 22050;
constexpr unsigned EffectRate = 44100;
// Leaves room for the mixer and for resampling overshoot in the player.
constexpr double PeakDb = -3.5;

double Seconds(std::size_t index, unsigned rate)
{
    return static_cast<double>(index) / static_cast<double>(rate);
}

std::size_t SampleCount(double seconds, unsigned rate)
{
    return static_cast<std::size_t>(std::llround(seconds * static_cast<double>(rate)));
}

// ---- Drum kit, rendered once and reused for every hit --------------------

std::vector<double> RenderKick(unsigned rate)
{
    std::vector<double> hit(SampleCount(0.22, rate));
    double phase = 0.0;
    for (std::size_t i = 0; i < hit.size(); ++i) {
        const double t = Seconds(i, rate);
        // The fast pitch drop is what makes a sine read as a kick.
        const double hz = 48.0 + 120.0 * std::exp(-t / 0.025);
        hit[i] = std::sin(2.0 * Pi * phase) * std::exp(-t / 0.09);
        phase += hz / static_cast<double>(rate);
    }
    FadeEdges(hit, rate, 0.001, 0.03);
    return hit;
}

std::vector<double> RenderSnare(unsigned rate, Lcg& noise)
{
    std::vector<double> hit(SampleCount(0.17, rate));
    double phase = 0.0;
    double smoothed = 0.0;
    for (std::size_t i = 0; i < hit.size(); ++i) {
        const double t = Seconds(i, rate);
        smoothed += 0.6 * (noise.NextBipolar() - smoothed);
        const double hz = 175.0 + 60.0 * std::exp(-t / 0.01);
        const double body = std::sin(2.0 * Pi * phase) * std::exp(-t / 0.03);
        hit[i] = 0.8 * smoothed * std::exp(-t / 0.045) + 0.5 * body;
        phase += hz / static_cast<double>(rate);
    }
    FadeEdges(hit, rate, 0.001, 0.04);
    return hit;
}

// High-passed noise: the difference of two neighbours keeps only the hiss.
std::vector<double> RenderHiss(unsigned rate, Lcg& noise, double seconds, double decay,
                               double fadeOut)
{
    std::vector<double> hit(SampleCount(seconds, rate));
    double previous = 0.0;
    for (std::size_t i = 0; i < hit.size(); ++i) {
        const double current = noise.NextBipolar();
        hit[i] = 0.5 * (current - previous) * std::exp(-Seconds(i, rate) / decay);
        previous = current;
    }
    FadeEdges(hit, rate, 0.001, fadeOut);
    return hit;
}

bool Contains(std::initializer_list<int> slots, int slot)
{
    for (int candidate : slots)
        if (candidate == slot)
            return true;
    return false;
}

// ---- Battle theme: A minor, 140 bpm, 16 bars ------------------------------

struct BattleBar {
    const char* bassLow;
    const char* bassHigh;
    std::array<const char*, 4> arpeggio;
};

// i-VI-VII-i with a harmonic-minor E major to pull back into A at each phrase end.
const std::array<BattleBar, 16> BattleHarmony = {{
    {"A2", "A3", {"A4", "C5", "E5", "A5"}},
    {"A2", "A3", {"A4", "C5", "E5", "A5"}},
    {"F2", "F3", {"F4", "A4", "C5", "F5"}},
    {"G2", "G3", {"G4", "B4", "D5", "G5"}},
    {"A2", "A3", {"A4", "C5", "E5", "A5"}},
    {"A2", "A3", {"A4", "C5", "E5", "A5"}},
    {"F2", "F3", {"F4", "A4", "C5", "F5"}},
    {"E2", "E3", {"E4", "G#4", "B4", "E5"}},
    {"D2", "D3", {"D4", "F4", "A4", "D5"}},
    {"D2", "D3", {"D4", "F4", "A4", "D5"}},
    {"A2", "A3", {"A4", "C5", "E5", "A5"}},
    {"A2", "A3", {"A4", "C5", "E5", "A5"}},
    {"F2", "F3", {"F4", "A4", "C5", "F5"}},
    {"G2", "G3", {"G4", "B4", "D5", "G5"}},
    {"E2", "E3", {"E4", "G#4", "B4", "E5"}},
    {"E2", "E3", {"E4", "G#4", "B4", "E5"}},
}};

// One token per eighth note. The last bar rests on its final beat so the
// lead has died away before the loop starts over.
const char* const BattleLead =
    "A4 . E4 A4 C5 . B4 A4 | G4 A4 E4 . - - E4 G4 | A4 . F4 A4 C5 . D5 C5 | B4 . . G4 D4 . B4 D5 |"
    "E5 . D5 C5 B4 . C5 B4 | A4 . . . - E4 A4 B4 | C5 . B4 A4 F4 . A4 C5 | B4 . . G#4 E4 . - - |"
    "D4 F4 A4 D5 C5 . A4 . | F4 . E4 D4 E4 F4 A4 . | E4 A4 C5 E5 D5 . C5 . | B4 . A4 G4 A4 . . . |"
    "C5 A4 F4 A4 C5 . F5 . | D5 . B4 G4 B4 D5 G5 . | B4 . G#4 E4 G#4 B4 E5 . | D5 C5 B4 A4 G#4 . - "
    "- |";

} // namespace

PcmSound MakeMainMusic()
{
    constexpr unsigned bpm = 140;
    constexpr unsigned bars = 16;
    const double beat = 60.0 / bpm;
    const double bar = 4.0 * beat;
    const double eighth = beat / 2.0;
    const double sixteenth = beat / 4.0;

    LoopBuffer mix(MusicRate, LoopLength(MusicRate, bpm, bars));

    Instrument lead;
    lead.waveform = Waveform::Pulse;
    lead.duty = 0.25;
    lead.envelope = {0.004, 0.15, 0.7, 0.03};
    lead.vibratoCents = 18.0;
    lead.vibratoRate = 5.8;
    lead.vibratoDelay = 0.18;
    const Score leadScore = ParseScore(BattleLead);
    if (leadScore.stepCount != static_cast<int>(bars) * 8)
        throw std::invalid_argument("battle lead does not fill the loop exactly");
    for (const NoteEvent& event : leadScore.events) {
        // Release a little before the next step so repeated notes stay separate.
        const double gate = event.lengthSteps * eighth - 0.04;
        mix.AddNote(lead, event.startStep * eighth, gate, event.note, 0.26);
    }

    Instrument bass;
    bass.waveform = Waveform::Triangle;
    bass.envelope = {0.003, 0.08, 0.85, 0.015};

    Instrument arpeggio;
    arpeggio.waveform = Waveform::Pulse;
    arpeggio.duty = 0.125;
    arpeggio.envelope = {0.002, 0.05, 0.5, 0.01};

    for (unsigned b = 0; b < bars; ++b) {
        const BattleBar& harmony = BattleHarmony[b];
        const double barStart = b * bar;

        // Octave-jumping eighths: the engine of the track.
        for (int step = 0; step < 8; ++step) {
            const char* name = step % 2 == 0 ? harmony.bassLow : harmony.bassHigh;
            mix.AddNote(bass, barStart + step * eighth, 0.7 * eighth, NoteNumber(name), 0.45);
        }

        // The first four bars leave the arpeggio out so the loop has a lift.
        if (b >= 4) {
            for (int step = 0; step < 16; ++step) {
                const int note = NoteNumber(harmony.arpeggio[static_cast<std::size_t>(step % 4)]);
                mix.AddNote(arpeggio, barStart + step * sixteenth, 0.6 * sixteenth, note, 0.08);
            }
        }
    }

    Lcg noise(0x51A7E5u);
    const std::vector<double> kick = RenderKick(MusicRate);
    const std::vector<double> snare = RenderSnare(MusicRate, noise);
    const std::vector<double> hat = RenderHiss(MusicRate, noise, 0.06, 0.015, 0.02);
    const std::vector<double> crash = RenderHiss(MusicRate, noise, 1.5, 0.4, 0.3);

    for (unsigned b = 0; b < bars; ++b) {
        const double barStart = b * bar;
        // Bars 8 and 16 end their phrase with a snare roll; it stops a beat
        // early so nothing is still ringing across the loop point.
        const bool fill = b % 8 == 7;
        for (int slot = 0; slot < 16; ++slot) {
            const double at = barStart + slot * sixteenth;
            if (fill ? Contains({0, 8}, slot) : Contains({0, 8, 10}, slot))
                mix.AddSamples(at, kick, 0.6);
            if (fill ? Contains({4, 10, 12, 13, 14}, slot) : Contains({4, 12}, slot))
                mix.AddSamples(at, snare, 0.35);
            if (slot % 2 == 0 && (!fill || slot <= 8))
                mix.AddSamples(at, hat, slot % 4 == 2 ? 0.12 : 0.07);
        }
        if (b % 8 == 0)
            mix.AddSamples(barStart, crash, 0.14);
    }

    // Takes the fizz off the pulse edges without dulling the lead.
    mix.LowPass(7500.0);
    return {ToPcm16(mix.GetSamples(), PeakDb), MusicRate};
}

namespace {

// ---- Menu theme: 75 bpm, 8 bars -------------------------------------------

struct CalmBar {
    std::array<const char*, 5> pad;
    const char* bass;
    std::array<const char*, 5> arpeggio;
};

// Am9, Fmaj7, Cmaj7, G6, Am9, Fmaj7, Dm9, E7sus4: nothing resolves hard, so
// the menu can sit in a loop for minutes without the seam standing out.
const std::array<CalmBar, 8> CalmHarmony = {{
    {{"A3", "C4", "E4", "G4", "B4"}, "A2", {"A4", "C5", "E5", "G5", "B5"}},
    {{"F3", "A3", "C4", "E4", "G4"}, "F2", {"F4", "A4", "C5", "E5", "G5"}},
    {{"G3", "B3", "C4", "E4", "G4"}, "C3", {"E4", "G4", "B4", "C5", "E5"}},
    {{"G3", "B3", "D4", "E4", "A4"}, "G2", {"D4", "G4", "B4", "D5", "E5"}},
    {{"A3", "C4", "E4", "G4", "B4"}, "A2", {"A4", "C5", "E5", "G5", "B5"}},
    {{"F3", "A3", "C4", "E4", "G4"}, "F2", {"F4", "A4", "C5", "E5", "G5"}},
    {{"F3", "A3", "C4", "D4", "E4"}, "D3", {"D4", "F4", "A4", "C5", "E5"}},
    {{"E3", "A3", "B3", "D4", "E4"}, "E2", {"E4", "A4", "B4", "D5", "E5"}},
}};

// Up-and-down in the first half, a wider zigzag in the second.
constexpr std::array<int, 8> CalmRising = {0, 1, 2, 3, 4, 3, 2, 1};
constexpr std::array<int, 8> CalmWeaving = {0, 2, 1, 3, 2, 4, 3, 1};

} // namespace

PcmSound MakeMenuMusic()
{
    constexpr unsigned bpm = 75;
    constexpr unsigned bars = 8;
    const double beat = 60.0 / bpm;
    const double bar = 4.0 * beat;
    const double eighth = beat / 2.0;

    LoopBuffer mix(MusicRate, LoopLength(MusicRate, bpm, bars));
    LoopBuffer bells(MusicRate, mix.GetSamples().size());

    // Slow swell and long release: each chord melts into the next, and the
    // last one melts into the first across the loop point.
    Instrument pad;
    pad.waveform = Waveform::Triangle;
    pad.envelope = {0.9, 1.2, 0.75, 1.6};

    Instrument bass;
    bass.waveform = Waveform::Triangle;
    bass.envelope = {0.04, 0.6, 0.7, 0.4};

    Instrument bell;
    bell.waveform = Waveform::Bell;
    bell.envelope = {0.006, 0.45, 0.0, 0.12};

    for (unsigned b = 0; b < bars; ++b) {
        const CalmBar& harmony = CalmHarmony[b];
        const double barStart = b * bar;

        for (const char* name : harmony.pad) {
            // Two voices a few cents apart give the pad its slow shimmer.
            for (double cents : {-6.0, 6.0}) {
                pad.detuneCents = cents;
                mix.AddNote(pad, barStart, bar - 0.25, NoteNumber(name), 0.07);
            }
        }

        for (int half = 0; half < 2; ++half)
            mix.AddNote(bass, barStart + half * 2.0 * beat, 2.0 * beat - 0.1,
                        NoteNumber(harmony.bass), 0.32);

        const std::array<int, 8>& order = b < bars / 2 ? CalmRising : CalmWeaving;
        for (std::size_t step = 0; step < order.size(); ++step) {
            const int note = NoteNumber(harmony.arpeggio[static_cast<std::size_t>(order[step])]);
            bells.AddNote(bell, barStart + static_cast<double>(step) * eighth, 0.95 * eighth, note,
                          0.2);
        }
    }

    // Dotted-eighth echo on the bells only, so the pad stays clear.
    mix.Mix(bells.WithEcho(1.5 * eighth, 0.38, 0.32), 1.0);
    mix.LowPass(3200.0);
    return {ToPcm16(mix.GetSamples(), PeakDb), MusicRate};
}

PcmSound MakeBallTapPad()
{
    std::vector<double> sound(SampleCount(0.11, EffectRate));
    Lcg noise(0x9AD7A9u);
    double phase = 0.0;
    double overtonePhase = 0.0;
    double thud = 0.0;
    for (std::size_t i = 0; i < sound.size(); ++i) {
        const double t = Seconds(i, EffectRate);
        const double hz = 95.0 + 130.0 * std::exp(-t / 0.012);
        const double body = std::sin(2.0 * Pi * phase) * std::exp(-t / 0.028);
        // An inharmonic partial, like the second mode of a wooden bar, makes it a knock rather than
        // a tone.
        const double overtone = std::sin(2.0 * Pi * overtonePhase) * std::exp(-t / 0.008);
        thud += 0.08 * (noise.NextBipolar() - thud);
        sound[i] = body + 0.35 * overtone + 0.6 * thud * std::exp(-t / 0.004);
        phase += hz / EffectRate;
        overtonePhase += 2.6 * hz / EffectRate;
    }
    FadeEdges(sound, EffectRate, 0.0015, 0.03);
    return {ToPcm16(sound, PeakDb), EffectRate};
}

PcmSound MakeBallTapBrick()
{
    struct Partial {
        double hz;
        double decay;
        double gain;
    };
    // Widely spaced, fast-dying partials: a ceramic tick, not a pitched ping.
    constexpr std::array<Partial, 4> partials = {{
        {1870.0, 0.018, 0.5},
        {3130.0, 0.011, 0.35},
        {4790.0, 0.007, 0.25},
        {7100.0, 0.004, 0.15},
    }};

    std::vector<double> sound(SampleCount(0.075, EffectRate));
    Lcg noise(0xB41C4u);
    double previous = 0.0;
    for (std::size_t i = 0; i < sound.size(); ++i) {
        const double t = Seconds(i, EffectRate);
        const double current = noise.NextBipolar();
        double value = 0.6 * (current - previous) * std::exp(-t / 0.006);
        previous = current;
        for (const Partial& partial : partials)
            value +=
                partial.gain * std::sin(2.0 * Pi * partial.hz * t) * std::exp(-t / partial.decay);
        sound[i] = value;
    }
    FadeEdges(sound, EffectRate, 0.0007, 0.02);
    return {ToPcm16(sound, PeakDb), EffectRate};
}

} // namespace qbgen
