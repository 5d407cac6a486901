#include "Synth.hpp"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <sstream>
#include <stdexcept>

namespace qbgen {

double Lcg::NextUnit()
{
    // Numerical Recipes constants; the top 24 bits are the well-mixed ones.
    state = state * 1664525u + 1013904223u;
    return static_cast<double>(state >> 8) / 16777216.0;
}

double Lcg::NextBipolar()
{
    return NextUnit() * 2.0 - 1.0;
}

namespace {

double HeldLevel(const Envelope& envelope, double t)
{
    if (t < envelope.attack)
        return t / envelope.attack;
    if (envelope.decay <= 0.0)
        return envelope.sustain;
    const double sinceAttack = t - envelope.attack;
    return envelope.sustain + (1.0 - envelope.sustain) * std::exp(-sinceAttack / envelope.decay);
}

// Removes the step of a naive pulse edge over the two samples around it, which
// keeps the top notes of the lead from folding back as inharmonic whistles.
double PolyBlep(double t, double dt)
{
    if (t < dt) {
        t /= dt;
        return t + t - t * t - 1.0;
    }
    if (t > 1.0 - dt) {
        t = (t - 1.0) / dt;
        return t * t + t + t + 1.0;
    }
    return 0.0;
}

double Oscillator(const Instrument& instrument, double phase, double dt)
{
    switch (instrument.waveform) {
    case Waveform::Pulse: {
        double value = phase < instrument.duty ? 1.0 : -1.0;
        value += PolyBlep(phase, dt);
        double sinceFall = phase - instrument.duty;
        if (sinceFall < 0.0)
            sinceFall += 1.0;
        value -= PolyBlep(sinceFall, dt);
        // A narrow pulse is mostly "low"; centre it so notes do not thump.
        return value - (2.0 * instrument.duty - 1.0);
    }
    case Waveform::Triangle:
        return 1.0 - 4.0 * std::fabs(phase - 0.5);
    case Waveform::Sine:
        return std::sin(2.0 * Pi * phase);
    case Waveform::Bell:
        return (std::sin(2.0 * Pi * phase) + 0.25 * std::sin(4.0 * Pi * phase) +
                0.06 * std::sin(6.0 * Pi * phase)) /
               1.2;
    }
    return 0.0;
}

// Every waveform starts at a zero crossing.
double StartPhase(Waveform waveform)
{
    return waveform == Waveform::Triangle ? 0.25 : 0.0;
}

} // namespace

double EnvelopeGain(const Envelope& envelope, double t, double gate)
{
    if (t < 0.0)
        return 0.0;
    if (t <= gate)
        return HeldLevel(envelope, t);
    const double sinceRelease = t - gate;
    if (sinceRelease >= envelope.release)
        return 0.0;
    return HeldLevel(envelope, gate) * (1.0 - sinceRelease / envelope.release);
}

double NoteToHz(double note)
{
    return 440.0 * std::pow(2.0, (note - 69.0) / 12.0);
}

int NoteNumber(const std::string& name)
{
    static const int semitoneOfLetter[7] = {9, 11, 0, 2, 4, 5, 7}; // A B C D E F G
    if (name.size() < 2 || name[0] < 'A' || name[0] > 'G')
        throw std::invalid_argument("not a note name: '" + name + "'");

    int semitone = semitoneOfLetter[name[0] - 'A'];
    std::size_t pos = 1;
    if (name[pos] == '#') {
        ++semitone;
        ++pos;
    } else if (name[pos] == 'b') {
        --semitone;
        ++pos;
    }
    if (pos + 1 != name.size() || !std::isdigit(static_cast<unsigned char>(name[pos])))
        throw std::invalid_argument("not a note name: '" + name + "'");

    const int octave = name[pos] - '0';
    return 12 * (octave + 1) + semitone;
}

LoopBuffer::LoopBuffer(unsigned rate, std::size_t sampleCount)
    : sampleRate(rate), samples(sampleCount, 0.0)
{
    if (sampleCount == 0)
        throw std::invalid_argument("empty loop");
}

std::size_t LoopBuffer::Wrap(long long index) const
{
    const long long count = static_cast<long long>(samples.size());
    long long wrapped = index % count;
    if (wrapped < 0)
        wrapped += count;
    return static_cast<std::size_t>(wrapped);
}

void LoopBuffer::AddNote(const Instrument& instrument, double startSeconds, double gateSeconds,
                         double note, double gain)
{
    const double rate = static_cast<double>(sampleRate);
    const double baseHz = NoteToHz(note) * std::pow(2.0, instrument.detuneCents / 1200.0);
    const double endSeconds = startSeconds + gateSeconds + instrument.envelope.release;
    const long long first = static_cast<long long>(std::ceil(startSeconds * rate));
    const long long last = static_cast<long long>(std::ceil(endSeconds * rate));

    double phase = StartPhase(instrument.waveform);
    for (long long i = first; i < last; ++i) {
        const double t = static_cast<double>(i) / rate - startSeconds;
        double hz = baseHz;
        if (instrument.vibratoCents > 0.0 && t > instrument.vibratoDelay) {
            const double sinceDelay = t - instrument.vibratoDelay;
            // Fade the wobble in over a tenth of a second rather than switching it on.
            const double depth = instrument.vibratoCents * std::min(1.0, sinceDelay / 0.1);
            hz *= std::pow(2.0, depth / 1200.0 *
                                    std::sin(2.0 * Pi * instrument.vibratoRate * sinceDelay));
        }
        const double dt = hz / rate;
        samples[Wrap(i)] += gain * EnvelopeGain(instrument.envelope, t, gateSeconds) *
                            Oscillator(instrument, phase, dt);
        phase += dt;
        if (phase >= 1.0)
            phase -= 1.0;
    }
}

void LoopBuffer::AddSamples(double startSeconds, const std::vector<double>& hit, double gain)
{
    const long long first = std::llround(startSeconds * static_cast<double>(sampleRate));
    for (std::size_t i = 0; i < hit.size(); ++i)
        samples[Wrap(first + static_cast<long long>(i))] += gain * hit[i];
}

void LoopBuffer::Mix(const LoopBuffer& other, double gain)
{
    if (other.samples.size() != samples.size() || other.sampleRate != sampleRate)
        throw std::invalid_argument("mixing loops of different shapes");
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] += gain * other.samples[i];
}

LoopBuffer LoopBuffer::WithEcho(double delaySeconds, double feedback, double wetGain) const
{
    LoopBuffer result(*this);
    const long long delay = std::llround(delaySeconds * static_cast<double>(sampleRate));
    double tapGain = wetGain;
    for (long long tap = 1; tap <= 32 && tapGain > 1e-4; ++tap) {
        for (std::size_t i = 0; i < samples.size(); ++i)
            result.samples[i] += tapGain * samples[Wrap(static_cast<long long>(i) - tap * delay)];
        tapGain *= feedback;
    }
    return result;
}

void LoopBuffer::LowPass(double cutoffHz)
{
    const double alpha = 1.0 - std::exp(-2.0 * Pi * cutoffHz / static_cast<double>(sampleRate));
    double state = 0.0;
    // First lap only warms the filter up to the state it has when the loop wraps.
    for (double sample : samples)
        state += alpha * (sample - state);
    for (double& sample : samples) {
        state += alpha * (sample - state);
        sample = state;
    }
}

Score ParseScore(const std::string& text)
{
    std::string spaced = text;
    std::replace(spaced.begin(), spaced.end(), '|', ' ');
    std::istringstream tokens(spaced);
    std::string token;
    std::vector<NoteEvent> events;
    int step = 0;
    bool sounding = false;
    while (tokens >> token) {
        if (token == ".") {
            if (sounding)
                ++events.back().lengthSteps;
        } else if (token == "-") {
            sounding = false;
        } else {
            events.push_back({step, 1, NoteNumber(token)});
            sounding = true;
        }
        ++step;
    }
    return {events, step};
}

std::size_t LoopLength(unsigned sampleRate, unsigned bpm, unsigned bars)
{
    const std::size_t beatTicks = static_cast<std::size_t>(bars) * 4u * 60u * sampleRate;
    if (bpm == 0 || beatTicks % bpm != 0)
        throw std::invalid_argument("tempo does not fit a whole number of samples into the loop");
    return beatTicks / bpm;
}

std::vector<std::int16_t> ToPcm16(const std::vector<double>& samples, double peakDb)
{
    double peak = 0.0;
    for (double sample : samples)
        peak = std::max(peak, std::fabs(sample));

    std::vector<std::int16_t> pcm(samples.size(), 0);
    if (peak <= 0.0)
        return pcm;

    const double scale = std::pow(10.0, peakDb / 20.0) * 32767.0 / peak;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const long value = std::lround(samples[i] * scale);
        pcm[i] = static_cast<std::int16_t>(std::clamp(value, -32767L, 32767L));
    }
    return pcm;
}

void FadeEdges(std::vector<double>& samples, unsigned sampleRate, double fadeInSeconds,
               double fadeOutSeconds)
{
    const std::size_t count = samples.size();
    const auto toSamples = [&](double seconds) {
        return std::min(count, static_cast<std::size_t>(
                                   std::llround(seconds * static_cast<double>(sampleRate))));
    };
    const std::size_t fadeIn = toSamples(fadeInSeconds);
    const std::size_t fadeOut = toSamples(fadeOutSeconds);
    for (std::size_t i = 0; i < fadeIn; ++i)
        samples[i] *= static_cast<double>(i) / static_cast<double>(fadeIn);
    // Reaches exactly zero on the last sample.
    for (std::size_t i = count - fadeOut; i < count; ++i)
        samples[i] *= static_cast<double>(count - 1 - i) / static_cast<double>(fadeOut);
}

} // namespace qbgen
