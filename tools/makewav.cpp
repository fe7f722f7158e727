// Writes the program's four short sound files: plain synthesised tones, so the
// program ships no recorded audio of anybody else's.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kRate = 22050;

void put16(std::vector<unsigned char>& b, uint16_t v)
{
    b.push_back(static_cast<unsigned char>(v & 0xFF));
    b.push_back(static_cast<unsigned char>(v >> 8));
}

void put32(std::vector<unsigned char>& b, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b.push_back(static_cast<unsigned char>((v >> (8 * i)) & 0xFF));
}

struct Tone
{
    double freq;
    double seconds;
};

bool writeWav(const std::string& path, const std::vector<Tone>& tones, bool clicks)
{
    std::vector<int16_t> samples;
    for (const Tone& t : tones) {
        const int n = static_cast<int>(t.seconds * kRate);
        for (int i = 0; i < n; ++i) {
            double env = std::min(1.0, std::min(i, n - i) / (0.01 * kRate));
            double s = std::sin(2.0 * M_PI * t.freq * i / kRate);
            if (clicks) // a hoof-beat rhythm: short bursts four times a second
                s *= (i % (kRate / 4)) < kRate / 20 ? 1.0 : 0.0;
            samples.push_back(static_cast<int16_t>(s * env * 9000));
        }
    }
    std::vector<unsigned char> b;
    const uint32_t dataBytes = static_cast<uint32_t>(samples.size() * 2);
    b.insert(b.end(), {'R', 'I', 'F', 'F'});
    put32(b, 36 + dataBytes);
    b.insert(b.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    put32(b, 16);
    put16(b, 1); // PCM
    put16(b, 1); // mono
    put32(b, kRate);
    put32(b, kRate * 2);
    put16(b, 2);
    put16(b, 16);
    b.insert(b.end(), {'d', 'a', 't', 'a'});
    put32(b, dataBytes);
    for (int16_t s : samples)
        put16(b, static_cast<uint16_t>(s));
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool ok = std::fwrite(b.data(), 1, b.size(), f) == b.size();
    return std::fclose(f) == 0 && ok;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: makewav <folder>\n");
        return 2;
    }
    const std::string dir = argv[1];
    bool ok = writeWav(dir + "/horse-gallop.wav", {{180, 1.2}}, true)
              && writeWav(dir + "/Utopia Open.wav", {{660, 0.08}, {990, 0.12}}, false)
              && writeWav(dir + "/Bubble.wav", {{880, 0.06}, {1320, 0.06}}, false)
              && writeWav(dir + "/Error.Wav", {{220, 0.25}}, false);
    return ok ? 0 : 1;
}
