// Writes the image fuzzer's starting corpus: small files of each format read
// (as DevIL writes them, in every channel count, Targa also run-length coded)
// and the hostile files of the tests.
#include <IL/il.h>

#include <fstream>
#include <string>

#include "support/image_files.h"

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    ilInit();
    bool ok = true;
    auto write = [&](const std::string& name, const std::string& bytes) {
        ok = ok && std::ofstream(std::string(argv[1]) + "/" + name, std::ios::binary) << bytes;
    };
    const char* names[] = {"png", "jpg", "tga", "bmp"};
    for (int format = 0; format < 4; ++format) {
        for (int channels : {1, 3, 4}) {
            for (bool rle : {false, true}) {
                if (rle && format != 2) continue;
                const std::string bytes = DevilFile(static_cast<ImageFormat>(format), 7, 5, channels, rle);
                ok = ok && !bytes.empty();
                write("seed-" + std::to_string(channels) + (rle ? "-rle." : ".") + names[format], bytes);
            }
        }
    }
    for (const NamedFile& f : HostileImageFiles()) write("hostile-" + f.name, f.bytes);
    return ok ? 0 : 1;
}
