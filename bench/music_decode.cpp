// Decode throughput of DecodeMusicBlock on the generated music against
// oggdec (vorbis-tools) decoding the same file to raw PCM, in the same run.
//   music_decode [data/xt] [benchmark options]
// Both report "audio_s_per_s": seconds of music decoded per second.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "music/music_player.h"
#include "music/vorbis_binding.h"

namespace {

std::string musicPath = std::string(VELMORA_BUILD_DIR) + "/data/xt";
double musicSeconds = 0;

// The piece's length, from the decoder's own count of its samples.
bool MeasureMusic() {
    BindVorbisLibrary();
    std::FILE* file = std::fopen(musicPath.c_str(), "rb");
    OggVorbis_File stream;
    if (!vorbisBinding.bound || file == nullptr ||
        vorbisBinding.ov_open_callbacks(file, &stream, nullptr, 0, MusicFileCallbacks()) != 0)
        return false;
    musicSeconds =
        static_cast<double>(vorbisBinding.ov_pcm_total(&stream, -1)) / vorbisBinding.ov_info(&stream, -1)->rate;
    vorbisBinding.ov_clear(&stream);
    UnbindVorbisLibrary();
    return true;
}

void BM_DecodeMusicBlock(benchmark::State& state) {
    BindVorbisLibrary();
    if (!vorbisBinding.bound) {
        state.SkipWithError("libvorbisfile not bound");
        return;
    }
    double seconds = 0;
    std::vector<char> block(44100);
    for (auto _ : state) {
        std::FILE* file = std::fopen(musicPath.c_str(), "rb");
        OggVorbis_File stream;
        if (file == nullptr || vorbisBinding.ov_open_callbacks(file, &stream, nullptr, 0, MusicFileCallbacks()) != 0) {
            state.SkipWithError("cannot open the music");
            return;
        }
        std::size_t bytes = 0;
        while (unsigned got = DecodeMusicBlock(&stream, block.data(), 44100, 2)) bytes += got;
        vorbisBinding.ov_clear(&stream);
        seconds += static_cast<double>(bytes) / (44100.0 * 4);
        benchmark::DoNotOptimize(bytes);
    }
    state.counters["audio_s_per_s"] = benchmark::Counter(seconds, benchmark::Counter::kIsRate);
    UnbindVorbisLibrary();
}
BENCHMARK(BM_DecodeMusicBlock)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

void BM_Oggdec(benchmark::State& state) {
    const std::string command = "oggdec --quiet --raw -o /dev/null '" + musicPath + "'";
    double seconds = 0;
    for (auto _ : state) {
        if (std::system(command.c_str()) != 0) {
            state.SkipWithError("oggdec failed (scripts/setup --bench installs it)");
            return;
        }
        seconds += musicSeconds;
    }
    state.counters["audio_s_per_s"] = benchmark::Counter(seconds, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Oggdec)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && argv[1][0] != '-') {
        musicPath = argv[1];
        for (int i = 1; i < argc; ++i) argv[i] = argv[i + 1];
        --argc;
    }
    if (!MeasureMusic()) {
        std::fprintf(stderr, "music_decode: cannot decode %s\n", musicPath.c_str());
        return 1;
    }
    std::printf("%s: %.1f s of music\n", musicPath.c_str(), musicSeconds);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
