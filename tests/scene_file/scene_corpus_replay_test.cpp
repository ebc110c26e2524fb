// Replays the scene-file fuzz corpus (the seeds and every input that once found a fault) through
// the case the fuzzer runs, so that a mended fault stays mended without libFuzzer at hand.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/fuzz/scene_file/scene_file_case.h"

TEST(SceneFileCorpus, EveryInputReadsOrIsRefusedWithAMessage) {
    const std::filesystem::path folder = std::filesystem::path(BRUMO_SOURCE_DIR) / "tests/fuzz/scene_corpus";
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        if (entry.is_regular_file()) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    ASSERT_GE(files.size(), 10u) << "the seed corpus is missing";
    for (const auto& file : files) {
        std::ifstream stream(file, std::ios::binary);
        const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>());
        EXPECT_EQ(brumo::fuzz::runSceneFileCase(bytes.data(), bytes.size()), "") << file.filename().string();
    }
}
