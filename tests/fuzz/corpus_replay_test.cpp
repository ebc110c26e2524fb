// Replays the fuzz corpus, the seeds and every input that once found a fault, through the same
// case the fuzzer runs, so that a mended fault stays mended without libFuzzer at hand.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/fuzz/fuzz_case.h"
#include "tests/support/test_host.h"

namespace brumo::test {
namespace {

std::vector<std::filesystem::path> corpusFiles() {
    std::vector<std::filesystem::path> files;
    const std::filesystem::path folder = std::filesystem::path(BRUMO_SOURCE_DIR) / "tests/fuzz/corpus";
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        if (entry.is_regular_file()) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

TEST(FuzzCorpus, EveryInputRunsCleanlyAndGivesEverythingBack) {
    const std::vector<std::filesystem::path> files = corpusFiles();
    ASSERT_GE(files.size(), 10u) << "the seed corpus is missing";
    for (const auto& file : files) {
        std::ifstream stream(file, std::ios::binary);
        const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>());
        const std::string problems = fuzz::runCase(host(), bytes.data(), bytes.size());
        EXPECT_EQ(problems, "") << file.filename().string();
    }
}

}  // namespace
}  // namespace brumo::test
