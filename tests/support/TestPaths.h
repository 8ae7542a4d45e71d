#pragma once
// Temporary files of a test: one name per process, test and purpose, removed before use, and
// whole-file reads and writes.

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace velquor_test {

// A fresh path in the test's temporary folder; tests of one program may run at once.
inline std::string TempPath(const std::string& name)
{
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string path = ::testing::TempDir() + "velquor_" + std::to_string(::getpid()) + "_" +
                       (info ? std::string(info->test_suite_name()) + "." + info->name() : "x") + "_" + name;
    std::remove(path.c_str());
    return path;
}

inline std::vector<uint8_t> ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline std::string ReadText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr) << path;
    if (!bytes.empty()) {
        ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), f), bytes.size()) << path;
    }
    ASSERT_EQ(std::fclose(f), 0) << path;
}

}  // namespace velquor_test
