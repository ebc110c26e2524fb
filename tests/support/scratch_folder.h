// A fresh, empty folder in the temporary directory for one test, removed again with everything
// in it. Its name holds the running test's name and the process id, so neither suites run in
// parallel nor two checkouts tested at once share one.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

namespace brumo::test {

class ScratchFolder {
public:
    explicit ScratchFolder(const std::string& name = std::string()) : path_(folderPath(name)) {
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~ScratchFolder() { std::filesystem::remove_all(path_); }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }
    // Writes the text into a file of the folder; answers its path.
    std::string write(const std::string& name, const std::string& text) const {
        std::ofstream(file(name)) << text;
        return file(name);
    }
    int entries() const {
        int count = 0;
        for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(path_)) ++count;
        return count;
    }
    bool empty() const { return entries() == 0; }

private:
    static std::filesystem::path folderPath(const std::string& name) {
        const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string folder = "brumo-" + std::to_string(getpid());
        if (test != nullptr) folder += std::string("-") + test->test_suite_name() + "-" + test->name();
        if (!name.empty()) folder += "-" + name;
        return std::filesystem::temp_directory_path() / folder;
    }

    std::filesystem::path path_;
};

}  // namespace brumo::test
