#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

namespace dravik {

// A fresh folder per test, removed afterwards.
class TemporaryFolderTest : public ::testing::Test {
protected:
    TemporaryFolderTest()
        : root(std::filesystem::temp_directory_path() /
               ("dravik-settings-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name()))
    {
        std::filesystem::remove_all(root);
        std::filesystem::create_directories(root);
    }
    ~TemporaryFolderTest() override { std::filesystem::remove_all(root); }

    std::filesystem::path write(const std::string& name, const std::string& content) const
    {
        const std::filesystem::path file = root / name;
        std::ofstream(file, std::ios::binary) << content;
        return file;
    }

    static std::string contentOf(const std::filesystem::path& file)
    {
        std::ifstream in(file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    std::filesystem::path root;
};

} // namespace dravik
