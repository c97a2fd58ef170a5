// A private folder under /tmp for tests that use the real file layer.
#pragma once

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace fenn {

class PosixTempDir {
public:
    PosixTempDir() {
        char pattern[] = "/tmp/fenn232-test-XXXXXX";
        path_ = mkdtemp(pattern);
    }
    ~PosixTempDir() { std::system(("rm -rf '" + path_ + "'").c_str()); }
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

    static void write(const std::string& path, const std::vector<uint8_t>& data) {
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(data.data()), long(data.size()));
    }
    static std::vector<uint8_t> read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
    }

private:
    std::string path_;
};

}  // namespace fenn
