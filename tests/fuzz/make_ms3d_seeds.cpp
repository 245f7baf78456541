// Writes the fuzzer's starting corpus: the model tests' sample file with each
// vertex-extras sub-version and each number of trailing sections.
#include <string>

#include "../model/sample_file.h"

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    bool ok = true;
    for (int variant = 0; variant < 7; ++variant) {
        ms3d_writer::File f = SampleFile();
        if (variant < 3)
            f.vertexExtrasSubVersion = variant + 1;
        else
            f.trailingSections = variant - 3;
        ok = ok && ms3d_writer::WriteFile(std::string(argv[1]) + "/seed-" + std::to_string(variant), Encode(f));
    }
    return ok ? 0 : 1;
}
