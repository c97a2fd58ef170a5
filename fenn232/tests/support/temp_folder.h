// A new folder in the system's temporary folder for tests that use a real
// file layer, removed with all it holds; and whole files written and read.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace fenn {

class TempFolder {
public:
    TempFolder() {
        std::random_device random;
        do path_ = (std::filesystem::temp_directory_path() / ("fenn232-" + std::to_string(random()))).string();
        while (!std::filesystem::create_directory(path_));
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return (std::filesystem::path(path_) / name).string(); }

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
