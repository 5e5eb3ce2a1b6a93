// What a test makes with the work on lines split over all processors,
// compared with what the same test makes in a copy of this test program bound
// to one processor, where that work is done in one piece. The copy is the
// running test case, started with a variable naming the file for its record.
#pragma once

#include "tests/support/BoundToOneProcessor.h"
#include "tests/support/EnvironmentSetting.h"
#include "tests/support/SpawnProgram.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

namespace kestrune::testing {

inline constexpr char OneProcessorRecordVariable[] = "KESTRUNE_ONE_PROCESSOR_RECORD";

// In the copy: writes the record for the test that started it and returns
// true; in the test itself false.
inline bool HandedOverAsCopy(const std::string& record) {
    const char* file = std::getenv(OneProcessorRecordVariable);
    if (file == nullptr) return false;
    std::ofstream(file, std::ios::binary) << record;
    return true;
}

// The record the copy of the running test made; empty when it made none.
inline std::string RecordOfOneProcessorCopy() {
    const ::testing::TestInfo& test = *::testing::UnitTest::GetInstance()->current_test_info();
    std::string folder = (std::filesystem::temp_directory_path() / "kestrune-copy-XXXXXX").string();
    if (mkdtemp(folder.data()) == nullptr) return {};
    const std::string recordFile = folder + "/record";
    {
        const TEnvironmentSetting handOver(OneProcessorRecordVariable, recordFile.c_str());
        const TBoundToOneProcessor bound;
        const pid_t copy = test::SpawnProgram({std::filesystem::read_symlink("/proc/self/exe").string(),
                                               std::string("--gtest_filter=") + test.test_suite_name() + "." + test.name()},
                                              folder + "/log");
        int status = 0;
        if (copy > 0) waitpid(copy, &status, 0);
    }
    std::ifstream in(recordFile, std::ios::binary);
    std::string record((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::filesystem::remove_all(folder);
    return record;
}

// The first line at which two records of text lines part, with both lines;
// empty when they are the same.
inline std::string FirstDifference(const std::string& here, const std::string& copy) {
    std::istringstream a(here), b(copy);
    std::string lineA, lineB;
    for (int line = 1;; ++line) {
        const bool moreA = static_cast<bool>(std::getline(a, lineA));
        const bool moreB = static_cast<bool>(std::getline(b, lineB));
        if (!moreA && !moreB) return {};
        if (moreA != moreB || lineA != lineB)
            return "line " + std::to_string(line) + ":\n  all processors: " + (moreA ? lineA : "(end)") +
                   "\n  one processor:  " + (moreB ? lineB : "(end)");
    }
}

// Expects the record made here to be the copy's; in the copy, hands it over.
inline void ExpectSameOnOneProcessor(const std::string& record) {
    if (HandedOverAsCopy(record)) return;
    const std::string copy = RecordOfOneProcessorCopy();
    ASSERT_FALSE(copy.empty()) << "the copy bound to one processor left no record";
    EXPECT_EQ(FirstDifference(record, copy), "");
}

}  // namespace kestrune::testing
