// The eleven pieces of music, composed procedurally: a chord progression per
// section, a bass line and accompaniment in the style's own pattern, a drum
// groove with fills, and a melody built from repeated, re-harmonised motifs.
// Written as format-1 standard MIDI files with General MIDI instruments.
#include "make_data.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

namespace {

constexpr int TPQ = 480;         // ticks per quarter note
constexpr int BAR = TPQ * 4;     // everything is in 4/4
constexpr int DRUM_CHANNEL = 9;  // channel 10

// ---------------------------------------------------------------- events

struct Note {
    int tick;
    int dur;
    int channel;
    int key;
    int vel;
};

struct Part {
    int channel;
    int program;
    int volume;
    int pan;
    int reverb;
    std::string name;
    std::vector<Note> notes;
};

void add_note(Part& p, int tick, int dur, int key, int vel)
{
    if (key < 0 || key > 127 || dur <= 0)
        return;
    p.notes.push_back({tick, dur, p.channel, key, std::clamp(vel, 1, 127)});
}

void put_var(std::vector<uint8_t>& v, uint32_t x)
{
    uint8_t buf[5];
    int n = 0;
    buf[n++] = (uint8_t)(x & 0x7F);
    while (x >>= 7)
        buf[n++] = (uint8_t)((x & 0x7F) | 0x80);
    while (n)
        v.push_back(buf[--n]);
}

void put_be(std::vector<uint8_t>& v, uint32_t x, int bytes)
{
    for (int i = bytes - 1; i >= 0; --i)
        v.push_back((uint8_t)((x >> (8 * i)) & 0xFF));
}

void put_chunk(std::vector<uint8_t>& file, const char* id, const std::vector<uint8_t>& body)
{
    file.insert(file.end(), id, id + 4);
    put_be(file, (uint32_t)body.size(), 4);
    file.insert(file.end(), body.begin(), body.end());
}

void put_text_meta(std::vector<uint8_t>& t, int type, const std::string& s)
{
    put_var(t, 0);
    t.push_back(0xFF);
    t.push_back((uint8_t)type);
    put_var(t, (uint32_t)s.size());
    t.insert(t.end(), s.begin(), s.end());
}

std::vector<uint8_t> midi_file(const std::string& title, int bpm, const std::vector<Part>& parts, int end_tick)
{
    std::vector<uint8_t> file;
    std::vector<uint8_t> hdr;
    put_be(hdr, 1, 2);
    put_be(hdr, (uint32_t)parts.size() + 1, 2);
    put_be(hdr, TPQ, 2);
    put_chunk(file, "MThd", hdr);

    // Conductor track: name, tempo, metre, end.
    std::vector<uint8_t> t;
    put_text_meta(t, 0x03, title);
    put_var(t, 0);
    t.insert(t.end(), {0xFF, 0x51, 0x03});
    put_be(t, (uint32_t)(60000000 / bpm), 3);
    put_var(t, 0);
    t.insert(t.end(), {0xFF, 0x58, 0x04, 0x04, 0x02, 0x18, 0x08});
    put_var(t, (uint32_t)end_tick);
    t.insert(t.end(), {0xFF, 0x2F, 0x00});
    put_chunk(file, "MTrk", t);

    for (const Part& p : parts) {
        std::vector<uint8_t> tr;
        put_text_meta(tr, 0x03, p.name);
        uint8_t ch = (uint8_t)p.channel;
        auto cc = [&](int ctl, int val) {
            put_var(tr, 0);
            tr.push_back((uint8_t)(0xB0 | ch));
            tr.push_back((uint8_t)ctl);
            tr.push_back((uint8_t)val);
        };
        cc(0, 0);
        if (p.channel != DRUM_CHANNEL) {
            put_var(tr, 0);
            tr.push_back((uint8_t)(0xC0 | ch));
            tr.push_back((uint8_t)p.program);
        }
        cc(7, p.volume);
        cc(10, p.pan);
        cc(91, p.reverb);
        cc(93, p.reverb / 3);
        // Note on/off events, offs first at equal ticks so repeated keys re-strike.
        struct Ev {
            int tick, order, key, vel;
        };
        std::vector<Ev> ev;
        for (const Note& n : p.notes) {
            int on = std::min(n.tick, end_tick), off = std::min(n.tick + n.dur, end_tick);
            if (off <= on)
                continue;
            ev.push_back({on, 1, n.key, n.vel});
            ev.push_back({off, 0, n.key, 0});
        }
        std::stable_sort(ev.begin(), ev.end(), [](const Ev& a, const Ev& b) {
            return a.tick != b.tick ? a.tick < b.tick : a.order < b.order;
        });
        int now = 0;
        for (const Ev& e : ev) {
            put_var(tr, (uint32_t)(e.tick - now));
            now = e.tick;
            tr.push_back((uint8_t)((e.order ? 0x90 : 0x80) | ch));
            tr.push_back((uint8_t)e.key);
            tr.push_back((uint8_t)(e.order ? e.vel : 64));
        }
        put_var(tr, (uint32_t)(end_tick - now));
        tr.insert(tr.end(), {0xFF, 0x2F, 0x00});
        put_chunk(file, "MTrk", tr);
    }
    return file;
}

// ---------------------------------------------------------------- harmony

enum Quality {
    MAJ,
    MIN,
    DOM7,
    MIN7,
    POWER,
    DIM
};

struct Chord {
    int root;  // semitones above the key
    int quality;
};

// Parses "I IV V7 vi bVII i5": upper case major, lower minor, 7 a seventh,
// 5 a power chord, o diminished, b a flat root.
std::vector<Chord> parse_progression(const char* s)
{
    static constexpr int degree_semis[7] = {0, 2, 4, 5, 7, 9, 11};
    std::vector<Chord> out;
    const char* p = s;
    while (*p) {
        while (*p == ' ')
            ++p;
        if (!*p)
            break;
        int flat = 0;
        if (*p == 'b') {
            flat = 1;
            ++p;
        }
        int upper = (*p == 'I' || *p == 'V');
        int deg = 0;
        if (!std::strncmp(p, "VII", 3) || !std::strncmp(p, "vii", 3)) {
            deg = 6;
            p += 3;
        } else if (!std::strncmp(p, "III", 3) || !std::strncmp(p, "iii", 3)) {
            deg = 2;
            p += 3;
        } else if (!std::strncmp(p, "VI", 2) || !std::strncmp(p, "vi", 2)) {
            deg = 5;
            p += 2;
        } else if (!std::strncmp(p, "IV", 2) || !std::strncmp(p, "iv", 2)) {
            deg = 3;
            p += 2;
        } else if (!std::strncmp(p, "II", 2) || !std::strncmp(p, "ii", 2)) {
            deg = 1;
            p += 2;
        } else if (*p == 'V' || *p == 'v') {
            deg = 4;
            p += 1;
        } else if (*p == 'I' || *p == 'i') {
            deg = 0;
            p += 1;
        } else {
            ++p;
            continue;
        }
        int q = upper ? MAJ : MIN;
        if (*p == '7') {
            q = upper ? DOM7 : MIN7;
            ++p;
        } else if (*p == '5') {
            q = POWER;
            ++p;
        } else if (*p == 'o') {
            q = DIM;
            ++p;
        }
        out.push_back({degree_semis[deg] - flat, q});
    }
    return out;
}

std::vector<int> chord_tones(const Chord& c)
{
    switch (c.quality) {
    case MIN:
        return {0, 3, 7};
    case DOM7:
        return {0, 4, 7, 10};
    case MIN7:
        return {0, 3, 7, 10};
    case POWER:
        return {0, 7, 12};
    case DIM:
        return {0, 3, 6};
    default:
        return {0, 4, 7};
    }
}

int is_chord_tone(const Chord& c, int key_root, int pitch)
{
    int rel = ((pitch - key_root - c.root) % 12 + 12) % 12;
    for (int t : chord_tones(c))
        if (t % 12 == rel)
            return 1;
    return 0;
}

// Chord notes voiced close together around `centre`.
std::vector<int> voicing(const Chord& c, int key_root, int centre)
{
    std::vector<int> out;
    int root = key_root + c.root;
    for (int t : chord_tones(c)) {
        int p = root + t;
        while (p < centre - 6)
            p += 12;
        while (p > centre + 6)
            p -= 12;
        out.push_back(p);
    }
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
    return out;
}

int bass_note(int key_root, int semis, int lo)
{
    int p = key_root + semis;
    while (p < lo)
        p += 12;
    while (p >= lo + 12)
        p -= 12;
    return p;
}

// ---------------------------------------------------------------- styles

enum Comp {
    COMP_BOOM_CHICK,  // country: bass on 1 and 3, chord stabs on 2 and 4
    COMP_STRUM,       // strummed eighths
    COMP_POWER8,      // palm-muted power chords in eighths
    COMP_SHUFFLE,     // blues boogie figure
    COMP_BANJO,       // bluegrass forward rolls
    COMP_SURF,        // staccato surf rhythm guitar
    COMP_STRIDE,      // honky-tonk piano, oom-pah with right-hand chords
    COMP_ARPEGGIO,    // harp / nylon arpeggios
    COMP_PAD,         // held chords
    COMP_STABS,       // brass hits on 1 and the and of 2
    COMP_OSTINATO,    // driving sixteenth bass ostinato
    COMP_TREMOLO,     // string tremolo
    COMP_ORGAN,       // organ chords on the offbeats with a long hold
};

enum Bass {
    BASS_ROOT_FIFTH,
    BASS_EIGHTHS,
    BASS_WALK,
    BASS_SURF,
    BASS_WHOLE,
    BASS_SYNCOPATED,
    BASS_NONE,
};

enum Groove {
    GROOVE_TRAIN,
    GROOVE_ROCK,
    GROOVE_SHUFFLE,
    GROOVE_BRUSH,
    GROOVE_SURF,
    GROOVE_HONKY,
    GROOVE_BALLAD,
    GROOVE_ANTHEM,
    GROOVE_SOUTHERN,
    GROOVE_BATTLE,
    GROOVE_ORCH,
};

struct CompPart {
    int program;
    int comp;
    int centre;  // middle of the voicing
    int volume;
    int pan;
};

struct Style {
    const char* file;
    const char* title;
    int bpm;
    int key_root;  // MIDI note of the key's tonic in the melody octave
    int scale;     // 0 major, 1 minor, 2 mixolydian, 3 minor pentatonic/blues, 4 major pentatonic, 5 dorian
    const char* verse;
    const char* chorus;
    int swing;  // 1: shuffled eighths
    int bass_program;
    int bass_style;
    int lead_program;
    int lead2_program;  // answers the lead in the second chorus, -1 none
    int melody_lo, melody_hi;
    int density;       // 0 sparse .. 2 busy
    int tremolo_lead;  // surf: every lead note picked in sixteenths
    int groove;
    std::array<CompPart, 3> comps;  // program -1: unused
    int seconds;                    // target length
    uint32_t seed;
};

constexpr int scales[6][7] = {
    {0, 2, 4, 5, 7, 9, 11},   {0, 2, 3, 5, 7, 8, 10},  {0, 2, 4, 5, 7, 9, 10},
    {0, 3, 5, 7, 10, -1, -1}, {0, 2, 4, 7, 9, -1, -1}, {0, 2, 3, 5, 7, 9, 10},
};

int in_scale(int scale, int key_root, int pitch)
{
    int rel = ((pitch - key_root) % 12 + 12) % 12;
    for (int s : scales[scale])
        if (s == rel)
            return 1;
    return 0;
}

int snap_to_scale(int scale, int key_root, int pitch)
{
    for (int d = 0; d < 6; ++d) {
        if (in_scale(scale, key_root, pitch - d))
            return pitch - d;
        if (in_scale(scale, key_root, pitch + d))
            return pitch + d;
    }
    return pitch;
}

// Next scale tone up (dir 1) or down (dir -1).
int scale_step(int scale, int key_root, int pitch, int dir)
{
    int p = pitch + dir;
    for (int i = 0; i < 12 && !in_scale(scale, key_root, p); ++i)
        p += dir;
    return p;
}

// ---------------------------------------------------------------- composing

struct Song {
    const Style* st;
    Rng rng;
    std::vector<Part> parts;
    Part* lead = nullptr;
    Part* lead2 = nullptr;
    Part* bass = nullptr;
    Part* drums = nullptr;
    std::vector<Part*> comp_parts;
};

int swung(const Song& s, int tick)
{
    // Shuffle: the second eighth of each beat moves to the last triplet.
    if (!s.st->swing)
        return tick;
    int beat = tick / TPQ * TPQ, off = tick - beat;
    if (off == TPQ / 2)
        return beat + TPQ * 2 / 3;
    if (off == TPQ / 4)
        return beat + TPQ / 3;
    if (off == TPQ * 3 / 4)
        return beat + TPQ * 5 / 6;
    return tick;
}

int human(Song& s, int vel, int spread)
{
    return vel + rng_int(s.rng, spread * 2 + 1) - spread;
}

void comp_bar(Song& s, Part& p, const CompPart& cp, const Chord& ch, const Chord& next, int bar_tick, int energy)
{
    const int kr = s.st->key_root;
    std::vector<int> v = voicing(ch, kr, cp.centre);
    int e = energy;  // 0 intro/outro, 1 verse, 2 chorus
    auto chord_at = [&](int tick, int dur, int vel, int strum) {
        for (size_t i = 0; i < v.size(); ++i)
            add_note(p, swung(s, tick) + (int)i * strum, dur, v[i], human(s, vel, 5));
    };
    switch (cp.comp) {
    case COMP_BOOM_CHICK:
        chord_at(bar_tick + TPQ, TPQ / 2, 72 + e * 6, 8);
        chord_at(bar_tick + 3 * TPQ, TPQ / 2, 76 + e * 6, 8);
        if (e >= 1)
            chord_at(bar_tick + 3 * TPQ + TPQ / 2, TPQ / 3, 58, 6);
        break;
    case COMP_STRUM:
        for (int k = 0; k < 8; ++k) {
            if (e == 0 && k % 2)
                continue;
            int vel = (k % 2 == 0 ? 78 : 60) + (k == 0 || k == 4 ? 8 : 0);
            // Down strokes low to high, up strokes high to low.
            if (k % 2 == 0)
                chord_at(bar_tick + k * TPQ / 2, TPQ / 2 - 20, vel, 12);
            else
                for (size_t i = 0; i < v.size(); ++i)
                    add_note(p, swung(s, bar_tick + k * TPQ / 2) + (int)(v.size() - 1 - i) * 10, TPQ / 2 - 30, v[i],
                             human(s, vel, 5));
        }
        break;
    case COMP_POWER8: {
        int root = bass_note(kr, ch.root, cp.centre - 12);
        for (int k = 0; k < 8; ++k) {
            int accent = (k == 0 || k == 3 || k == 6) ? 18 : 0;
            int dur = accent ? TPQ / 2 - 10 : TPQ / 4;
            if (e == 0 && k > 0)
                break;
            int d = e == 0 ? BAR - 20 : dur;
            add_note(p, bar_tick + k * TPQ / 2, d, root, human(s, 80 + accent, 4));
            add_note(p, bar_tick + k * TPQ / 2, d, root + 7, human(s, 76 + accent, 4));
            add_note(p, bar_tick + k * TPQ / 2, d, root + 12, human(s, 70 + accent, 4));
        }
        break;
    }
    case COMP_SHUFFLE: {
        // Boogie: root-fifth, root-sixth (b7 on the top of the bar).
        int root = bass_note(kr, ch.root, cp.centre - 12);
        static constexpr int tops[8] = {7, 7, 9, 9, 10, 10, 9, 9};
        for (int k = 0; k < 8; ++k) {
            int t = swung(s, bar_tick + k * TPQ / 2);
            add_note(p, t, TPQ / 3, root, human(s, k % 2 ? 62 : 78, 4));
            add_note(p, t, TPQ / 3, root + tops[k], human(s, k % 2 ? 58 : 74, 4));
        }
        break;
    }
    case COMP_BANJO: {
        // Forward roll over the chord: thumb, index, middle.
        std::vector<int> tones = voicing(ch, kr, cp.centre);
        int top = tones.back() + 12 <= cp.centre + 14 ? tones.back() + 12 : tones.back();
        int roll[8] = {tones[0], tones[1 % tones.size()], top, tones[0], tones[1 % tones.size()], top, tones[0], top};
        if (s.st->bpm < 130)  // at slower tempi the roll runs in sixteenths of half the bar
            roll[7] = tones[2 % tones.size()];
        for (int k = 0; k < 8; ++k)
            add_note(p, bar_tick + k * TPQ / 2, TPQ / 2, roll[k], human(s, k % 3 == 0 ? 84 : 68, 6));
        break;
    }
    case COMP_SURF:
        chord_at(bar_tick, TPQ / 4, 84, 4);
        chord_at(bar_tick + TPQ + TPQ / 2, TPQ / 4, 76, 4);
        chord_at(bar_tick + 2 * TPQ, TPQ / 4, 80, 4);
        chord_at(bar_tick + 3 * TPQ + TPQ / 2, TPQ / 4, 74, 4);
        break;
    case COMP_STRIDE: {
        int root = bass_note(kr, ch.root, 36);
        add_note(p, bar_tick, TPQ / 2, root, human(s, 80, 4));
        add_note(p, bar_tick, TPQ / 2, root + 12, human(s, 70, 4));
        add_note(p, bar_tick + 2 * TPQ, TPQ / 2, root + 7 > 52 ? root - 5 : root + 7, human(s, 76, 4));
        chord_at(bar_tick + TPQ, TPQ / 2, 70, 0);
        chord_at(bar_tick + 3 * TPQ, TPQ / 2, 72, 0);
        if (e == 2)  // right-hand tremolo fills in the chorus
            for (int k = 0; k < 4; ++k)
                add_note(p, swung(s, bar_tick + 3 * TPQ + k * TPQ / 4), TPQ / 4, v.back() + 12 - (k % 2) * 3,
                         human(s, 60, 4));
        break;
    }
    case COMP_ARPEGGIO: {
        std::vector<int> up = v;
        for (int t : v)
            up.push_back(t + 12);
        static constexpr int order[8] = {0, 1, 2, 3, 4, 3, 2, 1};
        for (int k = 0; k < 8; ++k)
            add_note(p, bar_tick + k * TPQ / 2, TPQ, up[(size_t)order[k] % up.size()],
                     human(s, 62 + (k == 0 ? 10 : 0), 5));
        break;
    }
    case COMP_PAD:
        chord_at(bar_tick, BAR - 10, 52 + e * 8, 0);
        break;
    case COMP_STABS:
        if (e == 0) {
            chord_at(bar_tick, TPQ * 2, 84, 0);
            break;
        }
        chord_at(bar_tick, TPQ / 2, 92, 0);
        chord_at(bar_tick + TPQ + TPQ / 2, TPQ / 2, 84, 0);
        if (e == 2)
            chord_at(bar_tick + 3 * TPQ, TPQ, 88, 0);
        (void)next;
        break;
    case COMP_OSTINATO: {
        int root = bass_note(kr, ch.root, cp.centre - 6);
        static constexpr int pat[16] = {0, 0, 12, 0, 0, 12, 0, 10, 0, 0, 12, 0, 7, 0, 10, 12};
        for (int k = 0; k < 16; ++k)
            add_note(p, bar_tick + k * TPQ / 4, TPQ / 4 - 10, root + pat[k], human(s, k % 4 == 0 ? 96 : 76, 5));
        break;
    }
    case COMP_TREMOLO:
        for (int k = 0; k < 16; ++k)
            for (int t : v)
                add_note(p, bar_tick + k * TPQ / 4, TPQ / 4 - 8, t, human(s, 50 + e * 10 + (k % 4 == 0 ? 8 : 0), 4));
        break;
    case COMP_ORGAN:
        chord_at(bar_tick, TPQ * 2 - 20, 64 + e * 5, 0);
        chord_at(bar_tick + 2 * TPQ + TPQ / 2, TPQ + TPQ / 2 - 20, 66 + e * 5, 0);
        break;
    }
}

void bass_bar(Song& s, const Chord& ch, const Chord& next, int bar_tick, int energy)
{
    Part& p = *s.bass;
    const int kr = s.st->key_root;
    int root = bass_note(kr, ch.root, 33);
    int fifth = root + 7 > 47 ? root - 5 : root + 7;
    int third = root + (ch.quality == MIN || ch.quality == MIN7 ? 3 : 4);
    int nroot = bass_note(kr, next.root, 33);
    switch (s.st->bass_style) {
    case BASS_ROOT_FIFTH:
        add_note(p, bar_tick, TPQ - 40, root, human(s, 96, 4));
        add_note(p, bar_tick + 2 * TPQ, TPQ - 40, fifth, human(s, 88, 4));
        if (energy >= 1) {
            // Walk up into the next chord on the last beat.
            int lead_in = nroot > root ? nroot - 2 : nroot + 2;
            add_note(p, bar_tick + 3 * TPQ, TPQ / 2, fifth > root ? root + 12 - 1 : lead_in, human(s, 80, 4));
            add_note(p, bar_tick + 3 * TPQ + TPQ / 2, TPQ / 2, lead_in, human(s, 76, 4));
        }
        break;
    case BASS_EIGHTHS:
        for (int k = 0; k < 8; ++k) {
            int key = (k == 7 && energy >= 1) ? fifth : root;
            add_note(p, swung(s, bar_tick + k * TPQ / 2), TPQ / 2 - 30, key, human(s, k % 2 ? 84 : 96, 4));
        }
        break;
    case BASS_WALK: {
        int line[4] = {root, third, fifth, nroot + (nroot > fifth ? -1 : 1)};
        if (ch.quality == DOM7) {
            line[1] = third;
            line[2] = fifth;
        }
        for (int k = 0; k < 4; ++k)
            add_note(p, bar_tick + k * TPQ, TPQ - 30, line[k], human(s, k == 0 ? 96 : 84, 4));
        break;
    }
    case BASS_SURF:
        for (int k = 0; k < 8; ++k) {
            static constexpr int off[8] = {0, 0, 12, 0, 7, 7, 12, 10};
            add_note(p, bar_tick + k * TPQ / 2, TPQ / 2 - 40, root + off[k] - (off[k] >= 12 ? 0 : 0), human(s, 90, 5));
        }
        break;
    case BASS_WHOLE:
        add_note(p, bar_tick, BAR - 40, root, human(s, 84, 3));
        break;
    case BASS_SYNCOPATED:
        add_note(p, bar_tick, TPQ + TPQ / 2 - 30, root, human(s, 100, 4));
        add_note(p, bar_tick + TPQ + TPQ / 2, TPQ / 2, root, human(s, 86, 4));
        add_note(p, bar_tick + 2 * TPQ + TPQ / 2, TPQ / 2, root + 12, human(s, 90, 4));
        add_note(p, bar_tick + 3 * TPQ, TPQ / 2, fifth, human(s, 86, 4));
        add_note(p, bar_tick + 3 * TPQ + TPQ / 2, TPQ / 2, root + 10 > 52 ? root - 2 : root + 10, human(s, 84, 4));
        break;
    default:
        break;
    }
}

// 16-step drum grooves: per instrument a string, 'X' accent, 'x' hit, 'o' ghost.
struct DrumLine {
    int key;
    const char* steps;
};

struct GrooveDef {
    std::array<DrumLine, 5> lines;
};

constexpr GrooveDef grooves[] = {
    // train: brushes chugging with the backbeat
    {{{{36, "X.......x......."}, {38, "o.ooX.ooo.ooX.oo"}, {44, "..x...x...x...x."}, {0, ""}, {0, ""}}}},
    // rock
    {{{{36, "X.....x.X.x....."},
       {38, "....X.......X..."},
       {42, "x.x.x.x.x.x.x.x."},
       {46, "..............x."},
       {0, ""}}}},
    // shuffle (eighths are swung)
    {{{{36, "X.......x.....x."},
       {38, "....X.......X..."},
       {51, "x.x.x.x.x.x.x.x."},
       {44, "....x.......x..."},
       {0, ""}}}},
    // brush: light bluegrass time
    {{{{36, "x.......x......."}, {37, "....x.......x..."}, {44, "..x...x...x...x."}, {0, ""}, {0, ""}}}},
    // surf: floor-tom gallop
    {{{{36, "X..x..x.X..x..x."},
       {38, "....X.......X..."},
       {42, "x.x.x.x.x.x.x.x."},
       {41, "..x.........x..."},
       {0, ""}}}},
    // honky-tonk two-step
    {{{{36, "X.......X......."},
       {38, "....X.......X..."},
       {42, "x.x.x.x.x.x.x.x."},
       {54, "....x.......x..."},
       {0, ""}}}},
    // ballad
    {{{{36, "X.........x....."}, {37, "....x.......x..."}, {51, "x...x...x...x..."}, {0, ""}, {0, ""}}}},
    // anthem
    {{{{36, "X.....X.X.....x."},
       {38, "....X.......X..."},
       {42, "x.x.x.x.x.x.x.x."},
       {46, "......x.......x."},
       {0, ""}}}},
    // southern rock
    {{{{36, "X..x..X.X..x...."},
       {38, "....X.......X..o"},
       {42, "x.x.x.x.x.x.x..."},
       {46, "..............x."},
       {0, ""}}}},
    // battle: double kick and sixteenth hats
    {{{{36, "X.x.X.x.X.x.X.x."}, {38, "....X.......X..."}, {42, "xxxxxxxxxxxxxxxx"}, {0, ""}, {0, ""}}}},
    // orchestral: toms and snare march
    {{{{36, "X.......X.x....."},
       {38, "....X..o....X.oo"},
       {45, "..x.......x....."},
       {41, "x.....x.........."},
       {0, ""}}}},
};

void drum_bar(Song& s, int bar_tick, int fill, int crash, int energy)
{
    Part& p = *s.drums;
    const GrooveDef& g = grooves[s.st->groove];
    for (const DrumLine& l : g.lines) {
        if (!l.key)
            continue;
        for (int k = 0; k < 16; ++k) {
            char c = l.steps[k];
            if (c == '.' || c == '\0')
                continue;
            if (fill && k >= 8)
                continue;
            if (energy == 0 && (l.key == 42 || l.key == 51 || l.key == 44) && k % 4 != 0)
                continue;
            int vel = c == 'X' ? 108 : c == 'x' ? 86 : 52;
            add_note(p, swung(s, bar_tick + k * TPQ / 4), TPQ / 4, l.key, human(s, vel, 6));
        }
        if (!l.steps[0])
            continue;
    }
    if (fill) {
        static constexpr int toms[8] = {50, 50, 48, 48, 47, 45, 43, 41};
        for (int k = 0; k < 8; ++k) {
            int key = (s.st->groove == GROOVE_BRUSH || s.st->groove == GROOVE_BALLAD) ? (k % 2 ? 37 : 38) : toms[k];
            add_note(p, bar_tick + (8 + k) * TPQ / 4, TPQ / 4, key, human(s, 80 + k * 3, 4));
        }
    }
    if (crash) {
        add_note(p, bar_tick, TPQ * 2, 49, human(s, 110, 4));
        add_note(p, bar_tick, TPQ / 4, 36, 112);
    }
}

// One melody bar's rhythm, in eighths; negative values are rests.
constexpr int rhythm_cells[3][8][8] = {
    {{4, 4}, {6, 2}, {2, 2, 4}, {3, 1, 4}, {4, 2, 2}, {-2, 2, 4}, {8}, {2, 6}},
    {{2, 2, 2, 2}, {3, 1, 2, 2}, {2, 1, 1, 4}, {1, 1, 2, 4}, {-2, 2, 2, 2}, {2, 2, 4}, {3, 3, 2}, {4, 1, 1, 2}},
    {{1, 1, 1, 1, 2, 2},
     {2, 1, 1, 2, 2},
     {1, 1, 2, 1, 1, 2},
     {-1, 1, 1, 1, 2, 2},
     {2, 2, 1, 1, 2},
     {1, 1, 1, 1, 1, 1, 2},
     {3, 1, 1, 1, 2},
     {2, 1, 1, 1, 1, 2}},
};

struct MotifNote {
    int start;  // eighths from the motif start
    int len;    // eighths
    int pitch;
};

// Builds a two-bar motif over two chords.
std::vector<MotifNote> make_motif(Song& s, const Chord& c0, const Chord& c1, int& pitch, int cadence)
{
    const Style& st = *s.st;
    std::vector<MotifNote> m;
    for (int b = 0; b < 2; ++b) {
        const Chord& ch = b ? c1 : c0;
        int cell = rng_int(s.rng, 8);
        const int* r = rhythm_cells[st.density][cell];
        int pos = 0;
        for (int i = 0; i < 8 && pos < 8; ++i) {
            int len = r[i];
            if (len == 0)
                break;
            if (len < 0) {
                pos -= len;
                continue;
            }
            if (cadence && b == 1 && pos >= 4) {
                // Land on the chord's root for the phrase ending.
                int target = snap_to_scale(st.scale, st.key_root, st.key_root + ch.root);
                while (target < pitch - 6)
                    target += 12;
                while (target > pitch + 6)
                    target -= 12;
                m.push_back({b * 8 + pos, 8 - pos, std::clamp(target, st.melody_lo, st.melody_hi)});
                pos = 8;
                break;
            }
            int strong = (pos % 4 == 0);
            int step = rng_int(s.rng, 5) - 2;
            if (step == 0)
                step = rng_int(s.rng, 2) ? 1 : -1;
            int p = pitch;
            int dir = step > 0 ? 1 : -1;
            for (int k = 0; k < std::abs(step); ++k)
                p = scale_step(st.scale, st.key_root, p, dir);
            if (strong) {
                // Strong beats sit on chord tones.
                for (int d = 0; d < 6 && !is_chord_tone(ch, st.key_root, p); ++d)
                    p += (d % 2 ? -d : d);
                if (!is_chord_tone(ch, st.key_root, p))
                    p = snap_to_scale(st.scale, st.key_root, p);
            }
            if (p < st.melody_lo)
                p = scale_step(st.scale, st.key_root, st.melody_lo + 2, 1);
            if (p > st.melody_hi)
                p = scale_step(st.scale, st.key_root, st.melody_hi - 2, -1);
            m.push_back({b * 8 + pos, len, p});
            pitch = p;
            pos += len;
        }
    }
    return m;
}

// The same motif moved onto other chords: shift by the chord root change,
// then settle notes back into the scale (and strong beats onto chord tones).
std::vector<MotifNote> refit_motif(const Song& s, const std::vector<MotifNote>& m, const Chord& from, const Chord& c0,
                                   const Chord& c1)
{
    const Style& st = *s.st;
    int shift = ((c0.root - from.root) % 12 + 12) % 12;
    if (shift > 6)
        shift -= 12;
    std::vector<MotifNote> out;
    for (MotifNote n : m) {
        int p = snap_to_scale(st.scale, st.key_root, n.pitch + shift);
        const Chord& ch = n.start < 8 ? c0 : c1;
        if (n.start % 4 == 0 && !is_chord_tone(ch, st.key_root, p)) {
            if (is_chord_tone(ch, st.key_root, scale_step(st.scale, st.key_root, p, 1)))
                p = scale_step(st.scale, st.key_root, p, 1);
            else if (is_chord_tone(ch, st.key_root, scale_step(st.scale, st.key_root, p, -1)))
                p = scale_step(st.scale, st.key_root, p, -1);
        }
        while (p > st.melody_hi)
            p -= 12;
        while (p < st.melody_lo)
            p += 12;
        n.pitch = p;
        out.push_back(n);
    }
    return out;
}

struct SectionMelody {
    std::vector<MotifNote> notes;  // start in eighths from the section start
};

SectionMelody compose_section(Song& s, const std::vector<Chord>& prog)
{
    SectionMelody sm;
    int pitch = s.st->melody_lo + (s.st->melody_hi - s.st->melody_lo) / 2;
    pitch = snap_to_scale(s.st->scale, s.st->key_root, pitch);
    int groups = ((int)prog.size() + 1) / 2;
    std::vector<MotifNote> first;
    Chord first_chord = prog[0];
    for (int g = 0; g < groups; ++g) {
        const Chord& c0 = prog[(size_t)(2 * g) % prog.size()];
        const Chord& c1 = prog[(size_t)(2 * g + 1) % prog.size()];
        int last = g == groups - 1;
        std::vector<MotifNote> m;
        if (g % 2 == 1 && !last && !first.empty())
            m = refit_motif(s, first, first_chord, c0, c1);
        else {
            m = make_motif(s, c0, c1, pitch, last);
            if (g % 2 == 0) {
                first = m;
                first_chord = c0;
            }
        }
        for (MotifNote n : m) {
            n.start += g * 16;
            sm.notes.push_back(n);
        }
        if (!m.empty())
            pitch = m.back().pitch;
    }
    return sm;
}

void play_melody(Song& s, Part& p, const SectionMelody& sm, int section_tick, int vel, int octave, int bars)
{
    const int eighth = TPQ / 2;
    for (const MotifNote& n : sm.notes) {
        if (n.start >= bars * 8)
            continue;
        int t = swung(s, section_tick + n.start * eighth);
        int dur = n.len * eighth - 30;
        int key = n.pitch + octave;
        if (s.st->tremolo_lead) {
            // Surf picking: the note is re-struck in sixteenths.
            for (int k = 0; k < n.len * 2; ++k)
                add_note(p, section_tick + n.start * eighth + k * TPQ / 4, TPQ / 4 - 10, key,
                         human(s, vel - (k % 2) * 12, 4));
        } else
            add_note(p, t, dur, key, human(s, vel + (n.start % 8 == 0 ? 8 : 0), 5));
    }
}

Part make_part(int channel, int program, int volume, int pan, int reverb, const char* name)
{
    Part p;
    p.channel = channel;
    p.program = program;
    p.volume = volume;
    p.pan = pan;
    p.reverb = reverb;
    p.name = name;
    return p;
}

std::vector<uint8_t> compose(const Style& st)
{
    Song s;
    s.st = &st;
    rng_seed(s.rng, st.seed);
    const int reverb = st.tremolo_lead ? 110 : 50;
    s.parts.reserve(8);
    s.parts.push_back(make_part(0, st.lead_program, 104, 64, reverb, "Lead"));
    s.parts.push_back(
        make_part(1, st.lead2_program >= 0 ? st.lead2_program : st.lead_program, 96, 84, reverb, "Answer"));
    s.parts.push_back(make_part(2, st.bass_program, 108, 64, 20, "Bass"));
    s.parts.push_back(make_part(DRUM_CHANNEL, 0, 100, 64, 40, "Drums"));
    for (int i = 0; i < 3; ++i)
        if (st.comps[(size_t)i].program >= 0)
            s.parts.push_back(make_part(3 + i, st.comps[(size_t)i].program, st.comps[(size_t)i].volume,
                                        st.comps[(size_t)i].pan, reverb,
                                        i == 0   ? "Rhythm"
                                        : i == 1 ? "Keys"
                                                 : "Pad"));
    s.lead = &s.parts[0];
    s.lead2 = &s.parts[1];
    s.bass = &s.parts[2];
    s.drums = &s.parts[3];
    for (size_t i = 4; i < s.parts.size(); ++i)
        s.comp_parts.push_back(&s.parts[i]);
    std::vector<const CompPart*> comp_defs;
    for (const CompPart& cp : st.comps)
        if (cp.program >= 0)
            comp_defs.push_back(&cp);

    std::vector<Chord> verse = parse_progression(st.verse);
    std::vector<Chord> chorus = parse_progression(st.chorus);
    SectionMelody verse_mel = compose_section(s, verse);
    SectionMelody chorus_mel = compose_section(s, chorus);

    // Form: intro, then verse/chorus pairs (the second pair with the answer
    // voice), an instrumental break, until the target length; then an ending.
    const int bars_target = st.seconds * st.bpm / 240;
    struct Sec {
        int kind;  // 0 intro, 1 verse, 2 chorus, 3 break, 4 ending
    };
    std::vector<Sec> form = {{0}};
    int bars = 4;
    int cycle = 0;
    while (true) {
        static constexpr int order[4] = {1, 2, 1, 2};
        int kind = cycle == 4 ? 3 : order[cycle % 4];
        int len = kind == 2 ? (int)chorus.size() : (int)verse.size();
        if (bars + len + 2 > bars_target && form.size() >= 4)
            break;
        form.push_back({kind});
        bars += len;
        cycle = (cycle + 1) % 6;
    }
    form.push_back({4});

    int tick = 0;
    int pair = 0;
    for (size_t fi = 0; fi < form.size(); ++fi) {
        int kind = form[fi].kind;
        const std::vector<Chord>& prog = kind == 2 ? chorus : verse;
        int nbars = kind == 0 ? 4 : kind == 4 ? 2 : (int)prog.size();
        int energy = kind == 2 || kind == 3 ? 2 : kind == 1 ? 1 : 0;
        if (kind == 1)
            ++pair;
        for (int b = 0; b < nbars; ++b) {
            Chord ch = kind == 4 ? Chord{0, prog[0].quality == MIN || prog[0].quality == MIN7 ? MIN : MAJ}
                                 : prog[(size_t)b % prog.size()];
            if (kind == 0)
                ch = verse[(size_t)(b % 2 == 0 ? 0 : (verse.size() > 3 ? 3 : verse.size() - 1))];
            Chord next = prog[(size_t)(b + 1) % prog.size()];
            int bt = tick + b * BAR;
            if (kind == 4) {
                // Ending: one big held chord and a final hit.
                if (b == 0) {
                    for (size_t i = 0; i < comp_defs.size(); ++i)
                        for (int key : voicing(ch, st.key_root, comp_defs[i]->centre))
                            add_note(*s.comp_parts[i], bt, BAR * 2 - TPQ, key, 90);
                    add_note(*s.bass, bt, BAR * 2 - TPQ, bass_note(st.key_root, 0, 33), 100);
                    add_note(*s.lead, bt, BAR * 2 - TPQ,
                             snap_to_scale(st.scale, st.key_root,
                                           st.key_root + 12 > st.melody_hi ? st.key_root : st.key_root + 12),
                             96);
                    add_note(*s.drums, bt, BAR, 49, 118);
                    add_note(*s.drums, bt, TPQ, 36, 118);
                    add_note(*s.drums, bt + BAR + 2 * TPQ, BAR, 49, 100);
                    add_note(*s.drums, bt + BAR + 2 * TPQ, TPQ, 36, 100);
                }
                continue;
            }
            for (size_t i = 0; i < comp_defs.size(); ++i)
                comp_bar(s, *s.comp_parts[i], *comp_defs[i], ch, next, bt, energy);
            bass_bar(s, ch, next, bt, energy);
            int last_bar = b == nbars - 1;
            drum_bar(s, bt, last_bar && kind != 0, b == 0 && kind != 0, energy);
        }
        if (kind == 1 || kind == 2) {
            const SectionMelody& mel = kind == 2 ? chorus_mel : verse_mel;
            Part& voice = (pair >= 2 && kind == 1) ? *s.lead2 : *s.lead;
            play_melody(s, voice, mel, tick, kind == 2 ? 100 : 92, 0, nbars);
            if (kind == 2 && pair >= 2 && st.lead2_program >= 0)
                play_melody(s, *s.lead2, mel, tick, 70, -12, nbars);  // doubled an octave down
        } else if (kind == 3) {
            // Break: the answer voice plays the verse tune an octave up, sparser.
            play_melody(s, *s.lead2, verse_mel, tick, 88, st.melody_hi + 12 <= 96 ? 12 : 0, nbars);
        }
        tick += nbars * BAR;
    }
    int end_tick = tick + TPQ;
    std::vector<Part> used;
    for (Part& p : s.parts)
        if (!p.notes.empty())
            used.push_back(p);
    return midi_file(st.title, st.bpm, used, end_tick);
}

// ---------------------------------------------------------------- the set list

// GM programs used below (0-based): 0 piano, 3 honky-tonk, 16 drawbar organ,
// 17 percussive organ, 22 harmonica, 24 nylon guitar, 25 steel guitar,
// 26 jazz guitar, 27 clean guitar, 29 overdrive, 30 distortion, 32 acoustic
// bass, 33 finger bass, 34 pick bass, 38 synth bass, 40 violin, 44 tremolo
// strings, 46 harp, 47 timpani, 48 strings, 50 synth strings, 52 choir,
// 56 trumpet, 60 french horn, 61 brass, 65 alto sax, 73 flute, 81 saw lead,
// 105 banjo.
constexpr CompPart NONE = {-1, 0, 0, 0, 0};

const Style set_list[11] = {
    {DATA_MUSIC_A,
     "Truck Stop Sunrise",
     112,
     67,
     4,
     "I I IV IV V V I I",
     "IV IV I I V V7 I I",
     0,
     32,
     BASS_ROOT_FIFTH,
     40,
     25,
     62,
     86,
     1,
     0,
     GROOVE_TRAIN,
     {{{25, COMP_BOOM_CHICK, 60, 88, 44}, {0, COMP_STRUM, 64, 0, 0}, NONE}},
     90,
     0xA001},
    {DATA_MUSIC_B,
     "Interstate Thunder",
     132,
     64,
     1,
     "i5 i5 bVI5 bVII5 i5 i5 bVI5 bVII5",
     "bVI5 bVII5 i5 i5 bVI5 bVII5 V5 V5",
     0,
     34,
     BASS_EIGHTHS,
     29,
     30,
     64,
     88,
     1,
     0,
     GROOVE_ROCK,
     {{{30, COMP_POWER8, 52, 92, 40}, {30, COMP_POWER8, 52, 80, 88}, NONE}},
     95,
     0xB002},
    {DATA_MUSIC_C,
     "Southern Nights Ballad",
     76,
     62,
     1,
     "i bVI bIII bVII i bVI iv V",
     "bVI bVII i i bVI bVII V V",
     0,
     32,
     BASS_WHOLE,
     22,
     60,
     62,
     84,
     0,
     0,
     GROOVE_BALLAD,
     {{{24, COMP_ARPEGGIO, 60, 84, 40}, {48, COMP_PAD, 60, 72, 80}, NONE}},
     100,
     0xC003},
    {DATA_MUSIC_D,
     "Mudflap Blues",
     92,
     69,
     3,
     "I7 I7 I7 I7 IV7 IV7 I7 I7 V7 IV7 I7 V7",
     "IV7 IV7 I7 I7 IV7 IV7 I7 I7 V7 IV7 I7 V7",
     1,
     33,
     BASS_WALK,
     22,
     26,
     64,
     88,
     1,
     0,
     GROOVE_SHUFFLE,
     {{{26, COMP_SHUFFLE, 52, 84, 44}, {16, COMP_ORGAN, 62, 64, 84}, NONE}},
     92,
     0xD004},
    {DATA_MUSIC_E,
     "Possum Holler Breakdown",
     144,
     67,
     4,
     "I I IV I I I V V",
     "I I IV IV I V I I",
     0,
     32,
     BASS_ROOT_FIFTH,
     40,
     105,
     64,
     88,
     2,
     0,
     GROOVE_BRUSH,
     {{{105, COMP_BANJO, 66, 80, 80}, {25, COMP_BOOM_CHICK, 58, 78, 44}, NONE}},
     85,
     0xE005},
    {DATA_MUSIC_F,
     "Gulf Coast Wipeout",
     158,
     64,
     1,
     "i i iv iv i i V V",
     "bVI bVI bVII bVII i i V V",
     0,
     33,
     BASS_SURF,
     27,
     27,
     64,
     84,
     0,
     1,
     GROOVE_SURF,
     {{{27, COMP_SURF, 58, 84, 40}, {16, COMP_ORGAN, 64, 60, 88}, NONE}},
     80,
     0xF006},
    {DATA_MUSIC_G,
     "Neon Jukebox Two-Step",
     120,
     60,
     0,
     "I I IV IV V7 V7 I I",
     "IV IV I vi ii V7 I I",
     1,
     32,
     BASS_ROOT_FIFTH,
     25,
     40,
     64,
     86,
     1,
     0,
     GROOVE_HONKY,
     {{{3, COMP_STRIDE, 62, 92, 64}, {26, COMP_BOOM_CHICK, 60, 64, 40}, NONE}},
     90,
     0x6007},
    {DATA_MUSIC_H,
     "Tailgate Main Theme",
     120,
     62,
     0,
     "I I V V vi vi IV IV",
     "IV V iii vi IV V I I",
     0,
     33,
     BASS_SYNCOPATED,
     56,
     61,
     62,
     86,
     1,
     0,
     GROOVE_ANTHEM,
     {{{61, COMP_STABS, 62, 84, 60}, {50, COMP_PAD, 64, 72, 70}, {29, COMP_POWER8, 50, 70, 90}}},
     100,
     0x8008},
    {DATA_MUSIC_I,
     "Skynyrd Bypass",
     108,
     69,
     2,
     "I bVII IV I I bVII IV IV",
     "bVII IV I I bVII IV V V",
     0,
     34,
     BASS_EIGHTHS,
     29,
     22,
     64,
     88,
     1,
     0,
     GROOVE_SOUTHERN,
     {{{29, COMP_STRUM, 56, 84, 40}, {16, COMP_ORGAN, 62, 68, 88}, NONE}},
     95,
     0x9009},
    {DATA_BATTLE_MUSIC,
     "Ramming Speed",
     152,
     64,
     1,
     "i i bVI bVII i i bVI V",
     "iv iv i i bVI bVII V V",
     0,
     38,
     BASS_NONE,
     81,
     30,
     64,
     88,
     2,
     0,
     GROOVE_BATTLE,
     {{{38, COMP_OSTINATO, 46, 100, 64}, {30, COMP_POWER8, 52, 84, 40}, {48, COMP_STABS, 64, 84, 88}}},
     90,
     0xBA7},
    {DATA_FIGHT_MUSIC,
     "Queen of the Swarm",
     138,
     60,
     1,
     "i i bII i i i iv V",
     "bVI bVI bVII bVII i i V V",
     0,
     47,
     BASS_SYNCOPATED,
     61,
     52,
     60,
     84,
     1,
     0,
     GROOVE_ORCH,
     {{{44, COMP_TREMOLO, 62, 84, 50}, {61, COMP_STABS, 58, 88, 78}, NONE}},
     90,
     0x0F16},
};

}  // namespace

int make_music(const std::string& dir)
{
    int ok = 1;
    for (const Style& st : set_list)
        ok &= write_file(dir + "/" + st.file, compose(st));
    return ok;
}
