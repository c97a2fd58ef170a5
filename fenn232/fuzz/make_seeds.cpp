// Writes a few small archives into a folder, as the fuzzer's seed corpus.
#include <fstream>
#include <string>

#include "corpus.h"
#include "memory_file_system.h"
#include "version_store.h"

int main(int argc, char** argv) {
    std::string folder = argc > 1 ? argv[1] : ".";
    fenn::Corpus c(9);
    for (int seed = 0; seed < 4; ++seed) {
        fenn::MemoryFileSystem fs;
        fenn::VersionStore store(fs);
        std::vector<uint8_t> doc = c.text(300 + 400 * size_t(seed));
        fs.put("/s", doc);
        store.create("/a.fy", "/s", fenn::VersionNote(), 3, seed != 2);
        for (int i = 0; i < seed + 1; ++i) {
            doc = i == 1 ? c.binary(500) : c.editLines(doc, 1);
            fs.put("/s", doc);
            store.add("/a.fy", "/s", fenn::VersionNote());
        }
        if (seed == 3) store.remove("/a.fy", 2);
        std::vector<uint8_t>& b = fs.bytes("/a.fy");
        b.push_back(0);  // last byte 0 mod 4: the fuzzer re-seals mutations
        std::ofstream(folder + "/seed" + std::to_string(seed), std::ios::binary)
            .write(reinterpret_cast<const char*>(b.data()), long(b.size()));
    }
    return 0;
}
