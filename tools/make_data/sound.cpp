// The thirteen sound effects, 8-bit unsigned mono at 11025 Hz.  Voices come
// from espeak-ng at generation time; everything else is synthesised here.
#include "make_data.h"

#include <espeak-ng/speak_lib.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

constexpr int RATE = 11025;
constexpr float PI = 3.14159265f;

using Wave = std::vector<float>;

// Two-pole filters (RBJ biquads), run forwards over a whole wave.
struct Biquad {
    float b0, b1, b2, a1, a2;
    float x1 = 0, x2 = 0, y1 = 0, y2 = 0;
};

Biquad biquad_make(int type, float freq, float q)
{
    float w = 2 * PI * freq / (float)RATE;
    float cw = std::cos(w), sw = std::sin(w), alpha = sw / (2 * q);
    float b0, b1, b2;
    if (type == 0) {  // low-pass
        b0 = (1 - cw) / 2;
        b1 = 1 - cw;
        b2 = (1 - cw) / 2;
    } else if (type == 1) {  // high-pass
        b0 = (1 + cw) / 2;
        b1 = -(1 + cw);
        b2 = (1 + cw) / 2;
    } else {  // band-pass, peak gain 1
        b0 = alpha;
        b1 = 0;
        b2 = -alpha;
    }
    float a0 = 1 + alpha;
    return Biquad{b0 / a0, b1 / a0, b2 / a0, (-2 * cw) / a0, (1 - alpha) / a0};
}

float biquad_run(Biquad& f, float x)
{
    float y = f.b0 * x + f.b1 * f.x1 + f.b2 * f.x2 - f.a1 * f.y1 - f.a2 * f.y2;
    f.x2 = f.x1;
    f.x1 = x;
    f.y2 = f.y1;
    f.y1 = y;
    return y;
}

void filter(Wave& w, int type, float freq, float q)
{
    Biquad f = biquad_make(type, freq, q);
    for (float& s : w)
        s = biquad_run(f, s);
}

float noise(Rng& rng)
{
    return rng_float(rng) * 2.0f - 1.0f;
}

void normalise(Wave& w, float peak)
{
    float m = 1e-6f;
    for (float s : w)
        m = std::max(m, std::fabs(s));
    for (float& s : w)
        s *= peak / m;
}

// Short fades at both ends so no effect starts or stops with a click.
void fade_ends(Wave& w, float in_s, float out_s)
{
    int n = (int)w.size();
    int fi = std::min(n, (int)(in_s * RATE)), fo = std::min(n, (int)(out_s * RATE));
    for (int i = 0; i < fi; ++i)
        w[i] *= (float)i / (float)fi;
    for (int i = 0; i < fo; ++i)
        w[n - 1 - i] *= (float)i / (float)fo;
}

std::vector<uint8_t> to_u8(const Wave& w, uint32_t seed)
{
    Rng rng;
    rng_seed(rng, seed);
    std::vector<uint8_t> out(w.size());
    for (size_t i = 0; i < w.size(); ++i) {
        float d = (rng_float(rng) - rng_float(rng)) * 0.5f;  // triangular dither
        int v = (int)std::lround(128.0f + w[i] * 127.0f + d);
        out[i] = (uint8_t)std::clamp(v, 0, 255);
    }
    return out;
}

// Every effect is brought to the same loudness (the RMS of its loudest
// 0.4 s), so that a short beep and a long narration sit at one level in the
// game's mix; `peak` caps what that may ask of the quietest-sounding ones.
constexpr float EFFECT_LOUDNESS = 0.25f;  // -12 dBFS

void master(Wave& w, float peak)
{
    const size_t window = std::min(w.size(), (size_t)(0.4f * RATE));
    double loudest = 1e-9;
    for (size_t at = 0; window > 0 && at + window <= w.size(); at += std::max<size_t>(1, window / 4)) {
        double sum = 0.0;
        for (size_t i = at; i < at + window; ++i)
            sum += (double)w[i] * w[i];
        loudest = std::max(loudest, std::sqrt(sum / (double)window));
    }
    float m = 1e-6f;
    for (float s : w)
        m = std::max(m, std::fabs(s));
    const float scale = std::min(EFFECT_LOUDNESS / (float)loudest, peak / m);
    for (float& s : w)
        s *= scale;
}

int save(const std::string& dir, const char* name, Wave w, float peak, uint32_t seed)
{
    master(w, peak);
    fade_ends(w, 0.003f, 0.02f);
    return write_wav(dir + "/" + name, to_u8(w, seed));
}

// ---------------------------------------------------------------- effects

Wave make_horn()
{
    // Two-tone air horn: a minor third of buzzy reeds through a horn body.
    int n = (int)(1.1f * RATE);
    Wave w(n);
    const float f[3] = {233.0f, 277.0f, 349.0f};
    float ph[3] = {0, 0, 0};
    for (int i = 0; i < n; ++i) {
        float t = (float)i / RATE;
        float env = std::min(1.0f, t / 0.04f) * (t > 0.95f ? std::max(0.0f, 1.0f - (t - 0.95f) / 0.15f) : 1.0f);
        float s = 0;
        for (int k = 0; k < 3; ++k) {
            ph[k] += f[k] * (1.0f + 0.004f * std::sin(t * 31.0f + (float)k)) / RATE;
            float p = ph[k] - std::floor(ph[k]);
            s += (p < 0.3f ? 1.0f : -0.43f);  // narrow pulse: reedy
        }
        w[i] = s * env;
    }
    filter(w, 2, 700.0f, 0.9f);
    filter(w, 0, 2400.0f, 0.7f);
    for (float& s : w)
        s = std::tanh(s * 2.5f);
    return w;
}

Wave make_engine_start()
{
    // Starter motor grinding, a few coughs, then the V8 catches and settles.
    Rng rng;
    rng_seed(rng, 0xCA7);
    int n = (int)(2.2f * RATE);
    Wave w(n);
    float ph = 0, crank = 0;
    for (int i = 0; i < n; ++i) {
        float t = (float)i / RATE;
        float s = 0;
        if (t < 0.75f) {
            crank += 9.0f / RATE;  // compression strokes
            float c = crank - std::floor(crank);
            float whir = std::sin(2 * PI * 180.0f * t) * 0.25f + noise(rng) * 0.25f;
            s = whir * (0.45f + 0.55f * std::exp(-c * 5.0f));
        } else {
            float tt = t - 0.75f;
            // Firing rate: jumps to a rev, then falls back to idle.
            float rpm_hz = 28.0f + 42.0f * std::exp(-tt * 2.5f) * std::min(1.0f, tt / 0.12f);
            ph += rpm_hz / RATE;
            float p = ph - std::floor(ph);
            float pulse = std::exp(-p * 7.0f);
            s = pulse * (0.8f + noise(rng) * 0.35f) + std::sin(2 * PI * ph * 2.0f) * 0.3f;
            s *= std::min(1.0f, tt / 0.05f) * (t > 1.9f ? std::max(0.0f, 1.0f - (t - 1.9f) / 0.3f) : 1.0f);
        }
        w[i] = s;
    }
    filter(w, 0, 900.0f, 0.8f);
    filter(w, 1, 40.0f, 0.7f);
    return w;
}

Wave make_explosion(float seconds, uint32_t seed, float lowness)
{
    Rng rng;
    rng_seed(rng, seed);
    int n = (int)(seconds * RATE);
    Wave w(n);
    Biquad lp = biquad_make(0, 2500.0f, 0.7f);
    float rumble = 0;
    for (int i = 0; i < n; ++i) {
        float t = (float)i / RATE;
        float env = std::exp(-t * 3.2f / seconds * 1.6f) * std::min(1.0f, t / 0.004f);
        // The cut-off falls as the blast dies: bright crack, dark rumble.
        if (i % 64 == 0) {
            float fc = 150.0f + 2600.0f * std::exp(-t * 5.0f) * lowness;
            Biquad nb = biquad_make(0, fc, 0.8f);
            nb.x1 = lp.x1;
            nb.x2 = lp.x2;
            nb.y1 = lp.y1;
            nb.y2 = lp.y2;
            lp = nb;
        }
        float x = noise(rng);
        float crackle = rng_float(rng) > 0.997f - t * 0.001f ? noise(rng) * 2.5f * std::exp(-t * 2.0f) : 0.0f;
        rumble += (noise(rng) - rumble) * 0.02f;
        w[i] = (biquad_run(lp, x) * 1.6f + rumble * 3.0f + crackle) * env;
    }
    for (float& s : w)
        s = std::tanh(s * 1.8f);
    return w;
}

Wave make_cannon()
{
    // A sharp report with a falling thump, all over in a third of a second.
    Rng rng;
    rng_seed(rng, 0xCA110);
    int n = (int)(0.34f * RATE);
    Wave w(n);
    float ph = 0;
    Biquad lp = biquad_make(0, 3000.0f, 0.7f);
    for (int i = 0; i < n; ++i) {
        float t = (float)i / RATE;
        float f = 55.0f + 140.0f * std::exp(-t * 30.0f);
        ph += f / RATE;
        float thump = std::sin(2 * PI * ph) * std::exp(-t * 12.0f);
        float crack = biquad_run(lp, noise(rng)) * std::exp(-t * 28.0f) * 1.5f;
        w[i] = std::tanh((thump * 1.4f + crack) * 2.0f) * std::min(1.0f, t / 0.001f);
    }
    return w;
}

Wave make_roar()
{
    // Growling roar: a rough low voice whose pitch swells and falls, through
    // two throat formants, with noise breath.
    Rng rng;
    rng_seed(rng, 0x0A2);
    int n = (int)(1.8f * RATE);
    Wave w(n), breath(n);
    float ph = 0;
    for (int i = 0; i < n; ++i) {
        float t = (float)i / RATE;
        float contour = std::sin(PI * std::min(1.0f, t / 1.6f));
        float f = 62.0f + 48.0f * contour + 6.0f * std::sin(t * 37.0f);
        ph += f / RATE;
        float p = ph - std::floor(ph);
        float saw = 2.0f * p - 1.0f;
        float rough = 1.0f + 0.6f * std::sin(2 * PI * 23.0f * t) * noise(rng);
        float env = std::min(1.0f, t / 0.15f) * (t > 1.4f ? std::max(0.0f, 1.0f - (t - 1.4f) / 0.4f) : 1.0f);
        w[i] = saw * rough * env;
        breath[i] = noise(rng) * env * 0.5f;
    }
    Wave a = w, b = w;
    filter(a, 2, 420.0f, 3.0f);
    filter(b, 2, 900.0f, 4.0f);
    filter(breath, 2, 1400.0f, 1.2f);
    for (int i = 0; i < n; ++i)
        w[i] = std::tanh((a[i] * 2.0f + b[i] * 1.2f + w[i] * 0.25f + breath[i]) * 2.2f);
    return w;
}

Wave make_brake()
{
    // Tyre squeal: narrow resonances that wander, over scrubbing noise.
    Rng rng;
    rng_seed(rng, 0xB2A);
    int n = (int)(1.2f * RATE);
    Wave w(n);
    float ph1 = 0, ph2 = 0;
    Biquad scrub = biquad_make(2, 1800.0f, 1.0f);
    for (int i = 0; i < n; ++i) {
        float t = (float)i / RATE;
        float wob = std::sin(t * 23.0f) * 0.5f + std::sin(t * 7.3f) * 0.5f;
        ph1 += (1550.0f + 90.0f * wob - 200.0f * t) / RATE;
        ph2 += (2330.0f + 140.0f * wob - 260.0f * t) / RATE;
        float tone = std::sin(2 * PI * ph1) * (0.7f + 0.3f * std::sin(t * 61.0f)) + 0.45f * std::sin(2 * PI * ph2);
        float env = std::min(1.0f, t / 0.05f) * std::max(0.0f, 1.0f - std::pow(t / 1.2f, 3.0f));
        w[i] = (tone * 0.8f + biquad_run(scrub, noise(rng)) * 0.9f) * env;
    }
    return w;
}

Wave make_beep()
{
    // Menu blip: two quick square-ish tones, 0.11 s in all.
    int n = (int)(0.11f * RATE);
    Wave w(n);
    for (int i = 0; i < n; ++i) {
        float t = (float)i / RATE;
        float f = t < 0.05f ? 988.0f : 1319.0f;
        float s = std::sin(2 * PI * f * t);
        s = std::tanh(s * 3.0f);
        w[i] = s * std::min(1.0f, t / 0.003f) * std::min(1.0f, (0.11f - t) / 0.015f);
    }
    filter(w, 0, 3500.0f, 0.7f);
    return w;
}

// ---------------------------------------------------------------- voices

std::vector<short> speech_samples;

int speech_callback(short* wav, int count, espeak_EVENT*)
{
    if (wav && count > 0)
        speech_samples.insert(speech_samples.end(), wav, wav + count);
    return 0;
}

int speech_rate = 0;

int speech_start()
{
    speech_rate = espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 500, nullptr, espeakINITIALIZE_DONT_EXIT);
    if (speech_rate <= 0) {
        std::fprintf(stderr, "make_data: espeak-ng could not start\n");
        return 0;
    }
    espeak_SetSynthCallback(speech_callback);
    return 1;
}

// Speaks `text` and returns it resampled to 11025 Hz (windowed-sinc low-pass).
Wave speak(const char* voice, const char* text, int rate_wpm, int pitch, int range)
{
    speech_samples.clear();
    if (espeak_SetVoiceByName(voice) != EE_OK)
        espeak_SetVoiceByName("en");
    espeak_SetParameter(espeakRATE, rate_wpm, 0);
    espeak_SetParameter(espeakPITCH, pitch, 0);
    espeak_SetParameter(espeakRANGE, range, 0);
    espeak_SetParameter(espeakVOLUME, 100, 0);
    espeak_SetParameter(espeakWORDGAP, 0, 0);
    espeak_Synth(text, std::strlen(text) + 1, 0, POS_CHARACTER, 0, espeakCHARS_AUTO, nullptr, nullptr);
    espeak_Synchronize();
    Wave out;
    if (speech_samples.empty() || speech_rate <= 0)
        return out;
    double step = (double)speech_rate / RATE;
    size_t n = (size_t)((double)speech_samples.size() / step);
    out.resize(n);
    const int taps = 16;
    const double cutoff = 0.45 / step;  // of the source rate
    for (size_t i = 0; i < n; ++i) {
        double centre = (double)i * step;
        long c0 = (long)centre;
        double acc = 0, norm = 0;
        for (long k = c0 - taps; k <= c0 + taps; ++k) {
            if (k < 0 || k >= (long)speech_samples.size())
                continue;
            double x = (double)k - centre;
            double sinc = x == 0 ? 1.0 : std::sin(2 * M_PI * cutoff * x) / (2 * M_PI * cutoff * x);
            double win = 0.5 + 0.5 * std::cos(M_PI * x / (taps + 1));
            acc += speech_samples[(size_t)k] * sinc * win;
            norm += sinc * win;
        }
        out[i] = (float)(acc / (norm != 0 ? norm : 1.0) / 32768.0);
    }
    return out;
}

// Citizens-band radio: narrow band, overdriven, static and squelch bursts.
Wave cb_radio(const Wave& voice, uint32_t seed)
{
    Rng rng;
    rng_seed(rng, seed);
    Wave v = voice;
    normalise(v, 1.0f);
    filter(v, 1, 380.0f, 0.8f);
    filter(v, 1, 380.0f, 0.8f);
    filter(v, 0, 2600.0f, 0.8f);
    filter(v, 0, 2600.0f, 0.8f);
    for (float& s : v)
        s = std::tanh(s * 4.0f) * 0.8f;
    int pre = (int)(0.12f * RATE), post = (int)(0.3f * RATE);
    Wave w(pre + v.size() + post, 0.0f);
    for (size_t i = 0; i < w.size(); ++i) {
        float t = (float)i / RATE;
        float stat = noise(rng);
        // Squelch opening and closing, light hiss under the voice.
        if ((int)i < pre)
            w[i] = stat * 0.55f * std::min(1.0f, t / 0.01f);
        else if (i < pre + v.size())
            w[i] = v[i - pre] + stat * 0.06f;
        else {
            float tt = (float)(i - pre - v.size()) / RATE;
            float beep = tt < 0.09f ? std::sin(2 * PI * 1200.0f * tt) * 0.5f : 0.0f;  // roger beep
            float tail = tt >= 0.09f ? stat * 0.5f * std::max(0.0f, 1.0f - (tt - 0.09f) / 0.2f) : 0.0f;
            w[i] = beep + tail + stat * 0.05f;
        }
    }
    filter(w, 0, 3200.0f, 0.7f);
    return w;
}

// Narrator: a little warmth and room, no radio.
Wave narrator(const Wave& voice)
{
    Wave w = voice;
    filter(w, 1, 70.0f, 0.7f);
    // Gentle compression keeps the words above the 8-bit noise floor.
    normalise(w, 1.0f);
    for (float& s : w)
        s = std::tanh(s * 2.2f);
    Wave out(w.size() + (size_t)(0.4f * RATE), 0.0f);
    for (size_t i = 0; i < w.size(); ++i)
        out[i] += w[i];
    // Two soft early reflections.
    const size_t d1 = (size_t)(0.031f * RATE), d2 = (size_t)(0.057f * RATE);
    for (size_t i = 0; i < w.size(); ++i) {
        out[i + d1] += w[i] * 0.18f;
        out[i + d2] += w[i] * 0.1f;
    }
    return out;
}

// The four story pages, read from their opening sentences.
constexpr const char* story_texts[4] = {
    "The Devil Went Down to Georgia. "
    "The year is 2049. Trouble once again hits the deep south, and you are called back into the fray. "
    "The aliens have been gathering together their resources in the good ole south. What could be their purpose? "
    "Hopefully, time will unveil the truth. "
    "You are currently in Tuscaloosa, Alabama, watching the Bama Mississippi game, when suddenly you get a call "
    "on your portable C B 2000 radio. Aliens are in Atlanta, blocking traffic to the city. We need assistance!",

    "Momma, Don't Let Your Babies Grow Up To Be Aliens. "
    "Whew, that sure was an ugly alien. All that ramming damaged your chrome pretty good. "
    "Looks like you'll be calling Uncle Sam soon for a reimbursement. "
    "After sifting through the slimy entrails of your defeated foe, you find a piece of a note: "
    "We have secured Atlanta. Bring in the Queen when she is done with Little Rock. "
    "Looks like Nashville is next on your schedule!",

    "All My Aliens Live in Arkansas. "
    "Ha! Daia-Aoakeas, what a joke! That 20 millimeter cannon sure did the trick. "
    "Now your task is to move on to Little Rock and destroy the Queen. "
    "Hopefully, you'll get back to good ole Bama in time for the Auburn game. "
    "You stop and ponder why the aliens have decided to take over the south. "
    "Then you decide to stop pondering, and get your butt in gear. It's time to kick some alien tail!",

    "The End. "
    "Whew! Time and time again you are called into duty, and you always seem to succeed. Why is that? "
    "Anyway, you have defeated the aliens and brought the south back to its former glory. "
    "Is there enough time to get back to Tuscaloosa for the Auburn game? But, that my friends, is another story. "
    "You don't have time to answer. You must hit the road.",
};

}  // namespace

int make_sounds(const std::string& dir)
{
    int ok = 1;
    ok &= save(dir, DATA_HORN, make_horn(), 0.85f, 1);
    ok &= save(dir, DATA_CAR, make_engine_start(), 0.85f, 2);
    ok &= save(dir, DATA_EXPLOSION, make_explosion(1.6f, 0xE4B, 1.0f), 0.95f, 3);
    ok &= save(dir, DATA_MONSTER_ROAR, make_roar(), 0.9f, 6);
    ok &= save(dir, DATA_CANNON, make_cannon(), 0.95f, 8);
    ok &= save(dir, DATA_BRAKE, make_brake(), 0.8f, 9);
    ok &= save(dir, DATA_BEEP, make_beep(), 0.7f, 10);
    if (!speech_start())
        return 0;
    ok &= save(dir, DATA_TENFOUR,
               cb_radio(speak("en-us+m3", "Ten four, good buddy. Help is on the way!", 165, 40, 60), 0x104), 0.9f, 4);
    ok &= save(dir, DATA_YEEHAW, cb_radio(speak("en-us+m7", "Yeeee haw!", 150, 80, 99), 0x1EE), 0.9f, 7);
    static constexpr const char* story_files[4] = {DATA_STORY1, DATA_STORY2, DATA_STORY3, DATA_STORY4};
    for (int p = 0; p < 4; ++p)
        ok &= save(dir, story_files[p], narrator(speak("en-us+m1", story_texts[p], 150, 38, 45)), 0.9f,
                   20u + (uint32_t)p);
    espeak_Terminate();
    return ok;
}
