// A private temporary folder and whole-file byte helpers for tests and fuzz targets (no GoogleTest).
#pragma once

#include <atomic>
#include <cstddef>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <system_error>

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDir {
public:
    explicit TempDir(const std::string& prefix = "pelorane-test") {
        static std::atomic<int> counter{0};
        // Random part against other processes, counter against other folders of this one.
        const std::string leaf = prefix + "-" + std::to_string(std::random_device{}()) + "-" + std::to_string(counter++);
        dir_ = std::filesystem::temp_directory_path() / leaf;
        std::filesystem::create_directories(dir_);
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return dir_; }
    // The UTF-8 path of a file in the folder.
    std::string file(const std::string& utf8Name) const { return (dir_ / std::filesystem::u8path(utf8Name)).u8string(); }

private:
    std::filesystem::path dir_;
};

// Replaces the file at the UTF-8 path with exactly these bytes; false when that failed.
inline bool writeBytes(const std::string& utf8Path, const std::string& bytes) {
    std::ofstream out(std::filesystem::u8path(utf8Path), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    return !out.fail();
}

// The file's bytes, empty when it cannot be read. At most `limit` bytes (16 MiB by default), so that
// a file replaced by a device by mistake cannot stall the caller.
inline std::string readBytes(const std::string& utf8Path, size_t limit = size_t{1} << 24) {
    std::ifstream in(std::filesystem::u8path(utf8Path), std::ios::binary);
    std::string bytes;
    char buffer[65536];
    while (in && bytes.size() < limit) {
        const size_t want = limit - bytes.size() < sizeof buffer ? limit - bytes.size() : sizeof buffer;
        in.read(buffer, static_cast<std::streamsize>(want));
        bytes.append(buffer, static_cast<size_t>(in.gcount()));
    }
    return bytes;
}
