// qv_animgen <output.anm> <animations.list> <file name>
// Writes one keyframed animation file from the keyframes the list gives for that file name. A list
// line is
//   <file> <track> <time> <x> <y> <z> <angle> [<scale x> [<scale y> [hidden]]]
// (time in seconds, angle in radians about z) or
//   <file> <track> none
// for a track without keys, which only names the node that carries the animation set. Between two
// keyframes of a track the pose eases in and out; the file gets one key every 1/30 s, since the
// player steps from key to key. The format is read from the end, little-endian: key records of 56
// bytes (nine f32 orientation row by row, three f32 position, f32 time, u16 flags, u16 unused),
// then 136-byte track records (128-byte node path, u32 first-key offset, u32 end offset), then the
// u32 magic 0x616E696D and the u32 track count.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace
{
constexpr double kStep = 1.0 / 30.0;
constexpr uint32_t kMagic = 0x616E696D;

struct Pose
{
    double time = 0.0;
    double x = 0.0, y = 0.0, z = 0.0, angle = 0.0, sx = 1.0, sy = 1.0;
    bool hidden = false;
};

struct Track
{
    std::string name;
    std::vector<Pose> keys;
};

void PutU32(std::string& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(char((v >> (8 * i)) & 0xFF));
}

void PutU16(std::string& out, uint16_t v)
{
    out.push_back(char(v & 0xFF));
    out.push_back(char(v >> 8));
}

void PutF32(std::string& out, double value)
{
    const float f = float(value);
    uint32_t bits = 0;
    std::memcpy(&bits, &f, 4);
    PutU32(out, bits);
}

void PutKey(std::string& out, const Pose& p)
{
    const double c = std::cos(p.angle), s = std::sin(p.angle);
    const double rows[9] = {c * p.sx, s * p.sx, 0.0, -s * p.sy, c * p.sy, 0.0, 0.0, 0.0, 1.0};
    for (double v : rows)
        PutF32(out, v);
    PutF32(out, p.x);
    PutF32(out, p.y);
    PutF32(out, p.z);
    PutF32(out, p.time);
    PutU16(out, p.hidden ? 1 : 0);
    PutU16(out, 0);
}

double Ease(double t)
{
    return t * t * (3.0 - 2.0 * t);
}

Pose Blend(const Pose& a, const Pose& b, double time)
{
    const double span = b.time - a.time;
    const double f = span > 0.0 ? Ease((time - a.time) / span) : 1.0;
    Pose p;
    p.time = time;
    p.x = a.x + (b.x - a.x) * f;
    p.y = a.y + (b.y - a.y) * f;
    p.z = a.z + (b.z - a.z) * f;
    p.angle = a.angle + (b.angle - a.angle) * f;
    p.sx = a.sx + (b.sx - a.sx) * f;
    p.sy = a.sy + (b.sy - a.sy) * f;
    p.hidden = a.hidden;
    return p;
}

// The keys of the file: every 1/30 s from the first step to the track's last keyframe; each key's
// time is the end of the step it shows.
std::vector<Pose> Sample(const std::vector<Pose>& frames)
{
    std::vector<Pose> keys;
    if (frames.empty())
        return keys;
    const double end = frames.back().time;
    size_t k = 0;
    for (int i = 1;; ++i)
    {
        const double t = std::min(double(i) * kStep, end);
        while (k + 1 < frames.size() && frames[k + 1].time < t)
            ++k;
        const Pose& a = frames[k];
        const Pose& b = k + 1 < frames.size() ? frames[k + 1] : frames[k];
        keys.push_back(t <= a.time ? Pose(a) : Blend(a, b, t));
        keys.back().time = t;
        if (t >= end)
            break;
    }
    return keys;
}
} // namespace

int main(int argc, char** argv)
{
    if (argc != 4)
    {
        std::fprintf(stderr, "usage: qv_animgen <output.anm> <animations.list> <file name>\n");
        return 2;
    }
    const std::string output = argv[1], wanted = argv[3];
    std::ifstream list(argv[2]);
    if (!list)
    {
        std::fprintf(stderr, "qv_animgen: cannot read %s\n", argv[2]);
        return 1;
    }
    std::vector<Track> tracks;
    std::map<std::string, size_t> byName;
    std::string line;
    int number = 0;
    while (std::getline(list, line))
    {
        ++number;
        std::istringstream words(line);
        std::string file, track, first;
        if (!(words >> file) || file[0] == '#' || file != wanted)
            continue;
        if (!(words >> track >> first) || track.size() > 127)
        {
            std::fprintf(stderr, "qv_animgen: %s:%i: a track name (at most 127 characters) and a time\n", argv[2],
                         number);
            return 1;
        }
        auto it = byName.find(track);
        if (it == byName.end())
        {
            it = byName.emplace(track, tracks.size()).first;
            tracks.push_back({track, {}});
        }
        if (first == "none")
            continue;
        Pose p;
        std::string hidden;
        char* end = nullptr;
        p.time = std::strtod(first.c_str(), &end);
        if (!end || *end || !(words >> p.x >> p.y >> p.z >> p.angle))
        {
            std::fprintf(stderr, "qv_animgen: %s:%i: time x y z angle expected\n", argv[2], number);
            return 1;
        }
        if (words >> p.sx)
        {
            p.sy = p.sx;
            if (words >> p.sy)
                words >> hidden;
        }
        p.hidden = hidden == "hidden";
        std::vector<Pose>& keys = tracks[it->second].keys;
        if (p.time <= 0.0 && !keys.empty())
        {
            std::fprintf(stderr, "qv_animgen: %s:%i: only the first keyframe may be at time 0\n", argv[2], number);
            return 1;
        }
        if (!keys.empty() && p.time <= keys.back().time)
        {
            std::fprintf(stderr, "qv_animgen: %s:%i: keyframe times must rise\n", argv[2], number);
            return 1;
        }
        keys.push_back(p);
    }
    if (tracks.empty())
    {
        std::fprintf(stderr, "qv_animgen: %s has no keyframes for %s\n", argv[2], wanted.c_str());
        return 1;
    }
    std::string out;
    std::vector<std::pair<uint32_t, uint32_t>> ranges;
    for (const Track& track : tracks)
    {
        const uint32_t begin = uint32_t(out.size());
        for (const Pose& key : Sample(track.keys))
            PutKey(out, key);
        ranges.emplace_back(begin, uint32_t(out.size()));
    }
    for (size_t i = 0; i < tracks.size(); ++i)
    {
        std::string name = tracks[i].name;
        name.resize(128, '\0');
        out += name;
        PutU32(out, ranges[i].first);
        PutU32(out, ranges[i].second);
    }
    PutU32(out, kMagic);
    PutU32(out, uint32_t(tracks.size()));
    std::ofstream file(output, std::ios::binary);
    file.write(out.data(), std::streamsize(out.size()));
    if (!file)
    {
        std::fprintf(stderr, "qv_animgen: cannot write %s\n", output.c_str());
        return 1;
    }
    return 0;
}
