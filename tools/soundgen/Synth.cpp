#include "tools/soundgen/Synth.h"

#include <algorithm>
#include <cmath>
#include <functional>

#include "tools/common/Canvas.h"

namespace qvtool
{

namespace
{

const double kTwoPi = 6.283185307179586;

double Midi(double note)
{
    return 440.0 * std::pow(2.0, (note - 69.0) / 12.0);
}

// One-pole low-pass filter.
struct LowPass
{
    double state = 0;
    double Run(double x, double cutoff, double rate)
    {
        double k = 1.0 - std::exp(-kTwoPi * std::min(cutoff, rate * 0.45) / rate);
        state += (x - state) * k;
        return state;
    }
};

// State-variable band-pass, for swept noise.
struct BandPass
{
    double low = 0, band = 0;
    double Run(double x, double centre, double q, double rate)
    {
        double f = 2.0 * std::sin(3.14159265358979 * std::min(centre, rate * 0.2) / rate);
        low += f * band;
        double high = x - low - band / q;
        band += f * high;
        return band;
    }
};

// Schroeder reverb: four combs into two all-passes, per channel with spread delays.
class Reverb
{
public:
    Reverb(int rate, double size, double damping, int channel)
    {
        static const int combs[4] = {1557, 1617, 1491, 1422};
        static const int passes[2] = {225, 556};
        for (int i = 0; i < 4; ++i)
            comb_[i].assign(static_cast<size_t>((combs[i] + channel * 23) * rate / 44100.0 * size), 0.0);
        for (int i = 0; i < 2; ++i)
            pass_[i].assign(static_cast<size_t>((passes[i] + channel * 23) * rate / 44100.0), 0.0);
        damping_ = damping;
    }
    double Run(double x)
    {
        double out = 0;
        for (int i = 0; i < 4; ++i)
        {
            std::vector<double>& line = comb_[i];
            double y = line[pos_[i]];
            filter_[i] = y * (1 - damping_) + filter_[i] * damping_;
            line[pos_[i]] = x + filter_[i] * 0.84;
            pos_[i] = (pos_[i] + 1) % line.size();
            out += y;
        }
        for (int i = 0; i < 2; ++i)
        {
            std::vector<double>& line = pass_[i];
            double buffered = line[ppos_[i]];
            double y = -out + buffered;
            line[ppos_[i]] = out + buffered * 0.5;
            ppos_[i] = (ppos_[i] + 1) % line.size();
            out = y;
        }
        return out * 0.25;
    }

private:
    std::vector<double> comb_[4], pass_[2];
    size_t pos_[4] = {0, 0, 0, 0}, ppos_[2] = {0, 0};
    double filter_[4] = {0, 0, 0, 0};
    double damping_;
};

// Writes a mono render function into the sound.
void RenderMono(Sound& sound, double seconds, const std::function<double(double)>& f)
{
    size_t n = static_cast<size_t>(seconds * sound.rate);
    sound.channels = 1;
    sound.samples.resize(n);
    for (size_t i = 0; i < n; ++i)
        sound.samples[i] = static_cast<float>(f(static_cast<double>(i) / sound.rate));
}

double Envelope(double t, double attack, double decay)
{
    if (t < 0)
        return 0;
    if (t < attack)
        return t / attack;
    return std::exp(-(t - attack) / decay);
}

// Short attack/release fades so no effect starts or ends with a click.
void Fade(Sound& sound, double in, double out)
{
    size_t frames = sound.samples.size() / sound.channels;
    size_t a = std::min(frames, static_cast<size_t>(in * sound.rate));
    size_t b = std::min(frames, static_cast<size_t>(out * sound.rate));
    for (size_t i = 0; i < frames; ++i)
    {
        double g = 1;
        if (i < a)
            g = static_cast<double>(i) / a;
        if (frames - i <= b)
            g = std::min(g, static_cast<double>(frames - i - 1) / b);
        for (int c = 0; c < sound.channels; ++c)
            sound.samples[i * sound.channels + c] *= static_cast<float>(g);
    }
}

// Makes a seamless loop: the tail beyond the loop length is folded over the head with
// an equal-power crossfade, then cut off.
void FoldLoop(Sound& sound, double overlapSeconds)
{
    size_t frames = sound.samples.size() / sound.channels;
    size_t overlap = std::min(frames / 3, static_cast<size_t>(overlapSeconds * sound.rate));
    size_t length = frames - overlap;
    for (size_t i = 0; i < overlap; ++i)
    {
        double t = static_cast<double>(i) / overlap;
        double gIn = std::sin(t * kTwoPi / 4), gOut = std::cos(t * kTwoPi / 4);
        for (int c = 0; c < sound.channels; ++c)
        {
            float& head = sound.samples[i * sound.channels + c];
            float tail = sound.samples[(length + i) * sound.channels + c];
            head = static_cast<float>(head * gIn + tail * gOut);
        }
    }
    sound.samples.resize(length * sound.channels);
}

void Normalize(Sound& sound, double peak)
{
    float biggest = 0;
    for (float s : sound.samples)
        biggest = std::max(biggest, std::fabs(s));
    if (biggest <= 1e-9f)
        return;
    float k = static_cast<float>(peak / biggest);
    for (float& s : sound.samples)
        s *= k;
}

double Noise(Random& rng)
{
    return rng.Uniform() * 2.0 - 1.0;
}

// A bubbly pop: a sine whose pitch starts high and falls quickly to its base.
double PopVoice(double t, double pitch, double length)
{
    if (t < 0 || t > length)
        return 0;
    // Instantaneous pitch starts 2.8 x higher and falls to the base pitch.
    double phase = kTwoPi * (pitch * t + pitch * 1.8 * (1 - std::exp(-t * 60.0)) / 60.0);
    return std::sin(phase) * Envelope(t, 0.002, length * 0.3);
}

double Bell(double t, double freq, double decay)
{
    if (t < 0)
        return 0;
    static const double ratios[4] = {1.0, 2.76, 5.4, 8.93};
    static const double gains[4] = {1.0, 0.45, 0.22, 0.1};
    double v = 0;
    for (int i = 0; i < 4; ++i)
        v += std::sin(kTwoPi * freq * ratios[i] * t) * gains[i] * std::exp(-t / (decay / (1 + i * 0.8)));
    return v * std::min(1.0, t / 0.003);
}

// A rising bubble blip (the classic resonance of a forming bubble).
double Blip(double t, double freq, double length)
{
    if (t < 0 || t > length)
        return 0;
    double phase = kTwoPi * freq * (t + t * t / length * 1.2);
    return std::sin(phase) * Envelope(t, 0.004, length * 0.35);
}

std::vector<double> ParseNotes(const std::string& text)
{
    std::vector<double> notes;
    size_t start = 0;
    while (start <= text.size())
    {
        size_t end = text.find(',', start);
        if (end == std::string::npos)
            end = text.size();
        double v;
        if (ParseDouble(text.substr(start, end - start), v))
            notes.push_back(v);
        start = end + 1;
    }
    return notes;
}

// ---------------------------------------------------------------- music

struct Style
{
    double tempo;                         // beats per minute
    std::vector<int> scale;               // semitones from the key
    std::vector<std::vector<int>> chords; // scale-degree triads per two bars
    int key;                              // MIDI note of the key's root (octave 3)
    double padLevel, arpLevel, bassLevel, bellLevel, bubbleLevel;
    double cutoff;   // pad brightness
    int arpDivision; // notes per beat
};

bool StyleFor(const std::string& name, Style& s)
{
    const std::vector<int> major = {0, 2, 4, 5, 7, 9, 11};
    const std::vector<int> minor = {0, 2, 3, 5, 7, 8, 10};
    const std::vector<int> dorian = {0, 2, 3, 5, 7, 9, 10};
    if (name == "menu")
        s = {96, major, {{0, 2, 4}, {5, 0, 2}, {3, 5, 0}, {4, 6, 1}}, 50, 0.5, 0.5, 0.5, 0.55, 0.25, 2200, 2};
    else if (name == "underwater")
        s = {72, major, {{0, 2, 4}, {3, 5, 0}, {5, 0, 2}, {3, 5, 0}}, 48, 0.6, 0.35, 0.4, 0.35, 0.4, 1400, 2};
    else if (name == "deep")
        s = {64,   minor, {{0, 2, 4}, {5, 0, 2}, {3, 5, 0}, {4, 6, 1}}, 45, 0.65, 0.3, 0.5, 0.25, 0.45,
             1000, 2};
    else if (name == "reef")
        s = {108,  dorian, {{0, 2, 4}, {3, 5, 0}, {1, 3, 5}, {4, 6, 1}}, 52, 0.45, 0.55, 0.5, 0.45, 0.3,
             2600, 2};
    else if (name == "shop")
        s = {116,  major, {{0, 2, 4}, {3, 5, 0}, {4, 6, 1}, {0, 2, 4}}, 53, 0.4, 0.55, 0.55, 0.5, 0.15,
             3000, 2};
    else if (name == "story")
        s = {60, minor, {{0, 2, 4}, {3, 5, 0}, {5, 0, 2}, {4, 6, 1}}, 43, 0.7, 0.2, 0.35, 0.3, 0.3, 900, 1};
    else
        return false;
    return true;
}

int Degree(const Style& s, int degree)
{
    int octave = degree >= 0 ? degree / 7 : -((-degree + 6) / 7);
    int index = degree - octave * 7;
    return s.key + s.scale[index] + 12 * octave;
}

bool Music(const ToolOptions& o, Sound& sound, std::string& error)
{
    Style style;
    std::string name = o.Text("style", "underwater");
    if (!StyleFor(name, style))
    {
        error = "unknown music style '" + name + "'";
        return false;
    }
    Random rng(static_cast<unsigned>(o.Integer("seed", 1)));
    const int bars = std::max(4, o.Integer("bars", 16));
    const double beat = 60.0 / style.tempo;
    const double barLength = beat * 4;
    const double length = bars * barLength;
    const double tail = 3.0; // rendered past the end and folded over the start
    const int rate = sound.rate;
    const size_t frames = static_cast<size_t>((length + tail) * rate);
    std::vector<double> left(frames, 0.0), right(frames, 0.0);

    auto addNote = [&](double start, double duration, double gainL, double gainR,
                       const std::function<double(double)>& voice)
    {
        size_t a = static_cast<size_t>(std::max(0.0, start) * rate);
        size_t b = std::min(frames, static_cast<size_t>((start + duration) * rate));
        for (size_t i = a; i < b; ++i)
        {
            double v = voice(static_cast<double>(i) / rate - start);
            left[i] += v * gainL;
            right[i] += v * gainR;
        }
    };

    // Pads: each chord held two bars, three detuned sines per note, slow swell.
    for (int bar = 0; bar < bars; bar += 2)
    {
        const std::vector<int>& chord = style.chords[(bar / 2) % style.chords.size()];
        double start = bar * barLength;
        double duration = 2 * barLength + 1.5;
        for (size_t n = 0; n < chord.size(); ++n)
        {
            double freq = Midi(Degree(style, chord[n] + 7));
            double pan = (static_cast<double>(n) - 1.0) * 0.35;
            LowPass lp;
            double detune[3] = {0.997, 1.0, 1.004};
            addNote(start, duration, style.padLevel * 0.12 * (1 - pan), style.padLevel * 0.12 * (1 + pan),
                    [=](double t) mutable
                    {
                        double env =
                            std::min(1.0, t / 1.2) * std::min(1.0, std::max(0.0, (duration - t) / 1.5));
                        double v = 0;
                        for (double d : detune)
                        {
                            double ph = kTwoPi * freq * d * t;
                            v += std::sin(ph) + 0.3 * std::sin(2 * ph) + 0.12 * std::sin(3 * ph);
                        }
                        double wobble = 1.0 + 0.15 * std::sin(kTwoPi * 0.2 * t);
                        return lp.Run(v * env, style.cutoff * wobble, rate);
                    });
        }
        // Bass on the root, two notes per chord.
        double root = Midi(Degree(style, chord[0] - 7));
        for (int k = 0; k < 2; ++k)
            addNote(start + k * barLength, barLength, style.bassLevel * 0.28, style.bassLevel * 0.28,
                    [=](double t)
                    {
                        double env =
                            Envelope(t, 0.02, 0.9) * std::min(1.0, std::max(0.0, (barLength - t) / 0.1));
                        return (std::sin(kTwoPi * root * t) + 0.25 * std::sin(kTwoPi * root * 2 * t)) * env;
                    });
        // Arpeggio over the chord, plucked.
        int steps = 8 * style.arpDivision;
        for (int i = 0; i < steps; ++i)
        {
            if (rng.Uniform() < 0.18)
                continue;
            int tone = chord[(i * 2 + (i / 4)) % chord.size()] + 7 * (1 + (i % 3 == 2));
            double freq = Midi(Degree(style, tone));
            double t0 = start + i * beat / style.arpDivision;
            double pan = (i % 2 == 0) ? -0.5 : 0.5;
            addNote(t0, 1.2, style.arpLevel * 0.1 * (1 - pan), style.arpLevel * 0.1 * (1 + pan),
                    [=](double t)
                    {
                        double ph = kTwoPi * freq * t;
                        return (std::sin(ph) + 0.35 * std::sin(2 * ph) * std::exp(-t * 8)) *
                               Envelope(t, 0.004, 0.25);
                    });
        }
        // A sparse bell melody from the scale.
        int degree = chord[0] + 14;
        for (int i = 0; i < 4; ++i)
        {
            if (rng.Uniform() < 0.35)
                continue;
            degree += static_cast<int>(rng.Range(-2.99f, 3.0f));
            degree = std::clamp(degree, 11, 20);
            double freq = Midi(Degree(style, degree));
            double t0 = start + i * 2 * beat + (rng.Uniform() < 0.3 ? beat : 0.0);
            double pan = rng.Range(-0.4f, 0.4f);
            addNote(t0, 3.0, style.bellLevel * 0.12 * (1 - pan), style.bellLevel * 0.12 * (1 + pan),
                    [=](double t) { return Bell(t, freq, 1.2); });
        }
    }
    // Bubbles drifting past.
    int bubbles = static_cast<int>(length * style.bubbleLevel * 1.5);
    for (int i = 0; i < bubbles; ++i)
    {
        double t0 = rng.Range(0, static_cast<float>(length));
        double freq = rng.Range(500, 1400);
        double pan = rng.Range(-0.8f, 0.8f);
        double gain = style.bubbleLevel * 0.05 * rng.Range(0.4f, 1.0f);
        addNote(t0, 0.12, gain * (1 - pan), gain * (1 + pan), [=](double t) { return Blip(t, freq, 0.1); });
    }

    // Reverb wash, then the loop fold.
    Reverb verbL(rate, 1.3, 0.4, 0), verbR(rate, 1.3, 0.4, 1);
    sound.channels = 2;
    sound.samples.resize(frames * 2);
    for (size_t i = 0; i < frames; ++i)
    {
        double l = left[i], r = right[i];
        double wetL = verbL.Run((l + r) * 0.5), wetR = verbR.Run((l + r) * 0.5);
        sound.samples[i * 2] = static_cast<float>(l * 0.75 + wetL * 0.9);
        sound.samples[i * 2 + 1] = static_cast<float>(r * 0.75 + wetR * 0.9);
    }
    FoldLoop(sound, tail);
    Normalize(sound, 0.8);
    return true;
}

} // namespace

bool Synthesize(const std::string& recipe, const ToolOptions& o, Sound& sound, std::string& error)
{
    sound.rate = o.Integer("rate", 44100);
    Random rng(HashText(recipe) ^ static_cast<unsigned>(o.Integer("seed", 1) * 2654435761u));
    const double pitch = o.Number("pitch", 1.0);
    const bool loop = o.Has("loop");
    const int variant = o.Integer("variant", 0);

    if (recipe == "music")
    {
        sound.rate = 44100;
        return Music(o, sound, error);
    }
    if (recipe == "pop")
    {
        // Bigger groups pop with more, lower voices; variants shift pitch and timing.
        int size = std::clamp(o.Integer("size", 3), 1, 8);
        std::vector<double> starts, pitches;
        for (int i = 0; i < size; ++i)
        {
            starts.push_back(i * rng.Range(0.012f, 0.03f));
            pitches.push_back(pitch * rng.Range(520, 900) * (1.0 - 0.05 * (size - 3)) *
                              (1.0 + 0.06 * variant));
        }
        double length = 0.12 + 0.02 * size;
        RenderMono(sound, length + 0.1,
                   [&](double t)
                   {
                       double v = 0;
                       for (int i = 0; i < size; ++i)
                           v += PopVoice(t - starts[i], pitches[i], length);
                       return v;
                   });
        Normalize(sound, 0.7);
    }
    else if (recipe == "chimepop")
    {
        // Pop with a bright metallic ring: treasure tokens.
        int size = std::clamp(o.Integer("size", 3), 1, 8);
        double base = Midi(84 + variant * 2) * pitch;
        RenderMono(sound, 0.6 + 0.05 * size,
                   [&](double t)
                   {
                       double v = PopVoice(t, 700 * pitch, 0.12) * 0.6;
                       for (int i = 0; i < std::min(size, 5); ++i)
                           v += Bell(t - i * 0.045, base * std::pow(2.0, (i * 4 % 12) / 12.0), 0.25) * 0.4;
                       return v;
                   });
        Normalize(sound, 0.7);
    }
    else if (recipe == "click" || recipe == "tick")
    {
        double freq = (recipe == "click" ? 1800 : 3200) * pitch;
        RenderMono(sound, 0.06,
                   [&](double t)
                   {
                       double n = Noise(rng) * std::exp(-t * 400);
                       return std::sin(kTwoPi * freq * t) * std::exp(-t * 90) * 0.7 + n * 0.3;
                   });
        Normalize(sound, recipe == "click" ? 0.6 : 0.35);
    }
    else if (recipe == "swap" || recipe == "whoosh")
    {
        double seconds = o.Number("seconds", 0.28);
        BandPass bp;
        RenderMono(sound, seconds,
                   [&](double t)
                   {
                       double x = t / seconds;
                       double centre = (400 + 2600 * x) * pitch;
                       double env = std::sin(3.14159265 * x);
                       return bp.Run(Noise(rng), centre, 3.0, sound.rate) * env;
                   });
        Normalize(sound, 0.6);
    }
    else if (recipe == "falsemove")
    {
        RenderMono(sound, 0.42,
                   [&](double t)
                   {
                       double f = (t < 0.16 ? 330 : 247) * pitch;
                       double local = t < 0.16 ? t : t - 0.16;
                       double env = Envelope(local, 0.005, 0.09);
                       double ph = kTwoPi * f * local;
                       return (std::sin(ph) + 0.4 * std::sin(3 * ph) * std::exp(-local * 20)) * env;
                   });
        Normalize(sound, 0.6);
    }
    else if (recipe == "splash")
    {
        double seconds = o.Number("seconds", 0.9);
        LowPass lp;
        std::vector<double> blipStart, blipFreq;
        for (int i = 0; i < 10; ++i)
        {
            blipStart.push_back(rng.Range(0.05f, static_cast<float>(seconds * 0.7)));
            blipFreq.push_back(rng.Range(400, 1200) * pitch);
        }
        RenderMono(sound, seconds,
                   [&](double t)
                   {
                       double burst = lp.Run(Noise(rng), 2500 * std::exp(-t * 3) + 300, sound.rate) *
                                      Envelope(t, 0.01, 0.18);
                       double b = 0;
                       for (size_t i = 0; i < blipStart.size(); ++i)
                           b += Blip(t - blipStart[i], blipFreq[i], 0.08) * 0.25;
                       return burst * 1.5 + b;
                   });
        Normalize(sound, 0.7);
    }
    else if (recipe == "bubbles")
    {
        double seconds = o.Number("seconds", 1.0);
        int count = o.Integer("count", 8);
        std::vector<double> starts, freqs;
        for (int i = 0; i < count; ++i)
        {
            starts.push_back(rng.Range(0, static_cast<float>(seconds - 0.12)));
            freqs.push_back(rng.Range(350, 1100) * pitch);
        }
        RenderMono(sound, seconds,
                   [&](double t)
                   {
                       double v = 0;
                       for (int i = 0; i < count; ++i)
                           v += Blip(t - starts[i], freqs[i], 0.08);
                       return v;
                   });
        Normalize(sound, 0.6);
    }
    else if (recipe == "chime")
    {
        // Arpeggiated bells: notes as MIDI numbers, spaced by "gap" seconds.
        std::vector<double> notes = ParseNotes(o.Text("notes", "72,76,79,84"));
        double gap = o.Number("gap", 0.09), decay = o.Number("decay", 0.8);
        if (notes.empty())
        {
            error = "chime needs notes";
            return false;
        }
        RenderMono(sound, gap * notes.size() + decay * 2.5,
                   [&](double t)
                   {
                       double v = 0;
                       for (size_t i = 0; i < notes.size(); ++i)
                           v += Bell(t - i * gap, Midi(notes[i]) * pitch, decay);
                       return v;
                   });
        Normalize(sound, 0.65);
    }
    else if (recipe == "tone")
    {
        // A soft sine sweep: alerts, warnings and the level start swell.
        double from = o.Number("from", 440) * pitch, to = o.Number("to", 440) * pitch;
        double seconds = o.Number("seconds", 0.4);
        double tremolo = o.Number("tremolo", 0);
        double phase = 0;
        RenderMono(sound, seconds,
                   [&](double t)
                   {
                       double x = t / seconds;
                       double f = from * std::pow(to / from, x);
                       phase += kTwoPi * f / sound.rate;
                       double env = loop ? 1.0 : std::sin(3.14159265 * std::min(1.0, x * 1.0));
                       double trem = tremolo > 0 ? 0.75 + 0.25 * std::sin(kTwoPi * tremolo * t) : 1.0;
                       return (std::sin(phase) + 0.2 * std::sin(2 * phase)) * env * trem;
                   });
        Normalize(sound, 0.35);
    }
    else if (recipe == "surf" || recipe == "rumble" || recipe == "hiss")
    {
        // Filtered noise beds: ocean surf, engine rumble, escaping air.
        double seconds = o.Number("seconds", 4.0);
        LowPass lp, lp2;
        BandPass bp;
        double rate = sound.rate;
        RenderMono(sound, seconds + (loop ? 0.5 : 0.0),
                   [&](double t)
                   {
                       double n = Noise(rng);
                       if (recipe == "surf")
                       {
                           double swell = 0.55 + 0.45 * std::sin(kTwoPi * t / seconds * 2 - 1.2);
                           return lp.Run(n, 500 + 900 * swell, rate) * swell;
                       }
                       if (recipe == "rumble")
                       {
                           double chug = 0.7 + 0.3 * std::sin(kTwoPi * 9 * pitch * t);
                           return (lp2.Run(lp.Run(n, 180 * pitch, rate), 180 * pitch, rate) * 4 +
                                   std::sin(kTwoPi * 55 * pitch * t) * 0.3) *
                                  chug;
                       }
                       return bp.Run(n, 4200 * pitch, 1.2, rate) * (0.8 + 0.2 * std::sin(kTwoPi * 3 * t));
                   });
        Normalize(sound, recipe == "hiss" ? 0.4 : 0.55);
    }
    else if (recipe == "shimmer")
    {
        // Rising glassy shimmer: charging and rotation loops.
        double seconds = o.Number("seconds", 1.5);
        double base = o.Number("from", 600) * pitch;
        RenderMono(sound, seconds + (loop ? 0.4 : 0.0),
                   [&](double t)
                   {
                       double v = 0;
                       for (int i = 1; i <= 5; ++i)
                           v += std::sin(kTwoPi * base * i * 1.01 * t + std::sin(kTwoPi * (3 + i) * t) * 2) /
                                i;
                       return v * (0.7 + 0.3 * std::sin(kTwoPi * 4 * t));
                   });
        Normalize(sound, 0.4);
    }
    else if (recipe == "scratch")
    {
        // Pen scratch (hidden-object ticks): band-passed noise strokes.
        BandPass bp;
        RenderMono(sound, 0.25,
                   [&](double t)
                   {
                       double strokes = std::max(0.0, std::sin(kTwoPi * (14 + variant * 3) * t));
                       return bp.Run(Noise(rng), 3000 * pitch, 2.0, sound.rate) * strokes *
                              Envelope(t, 0.01, 0.12);
                   });
        Normalize(sound, 0.35);
    }
    else if (recipe == "thud")
    {
        RenderMono(sound, 0.35,
                   [&](double t)
                   {
                       double f = 90 * pitch * (1 + std::exp(-t * 30));
                       return std::sin(kTwoPi * f * t) * Envelope(t, 0.003, 0.08) +
                              Noise(rng) * std::exp(-t * 60) * 0.3;
                   });
        Normalize(sound, 0.7);
    }
    else
    {
        error = "unknown recipe '" + recipe + "'";
        return false;
    }

    if (loop)
        FoldLoop(sound, std::min(0.4, sound.samples.size() / static_cast<double>(sound.rate) / 4));
    else
        Fade(sound, 0.002, 0.01);
    // The loop crossfade can add up above the recipe's level: keep clear of clipping.
    float peak = 0;
    for (float v : sound.samples)
        peak = std::max(peak, std::fabs(v));
    if (peak > 0.9f)
        Normalize(sound, 0.9);
    return true;
}

} // namespace qvtool
