#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <grp.h>
#include <iterator>
#include <string>
#include <sys/wait.h>
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

    // Runs body as a user whom file modes bind: as itself when that is not
    // root, else in a child process as "nobody", with the folder handed to
    // that user. True when body ran and returned true.
    template <typename Body>
    bool asUnprivilegedUser(Body body) const
    {
        if (::geteuid() != 0)
            return body();
        constexpr uid_t nobody = 65534;
        if (::chown(root.c_str(), nobody, nobody) != 0)
            return false;
        const pid_t child = ::fork();
        if (child == 0) {
            const bool dropped = ::setgroups(0, nullptr) == 0 && ::setresgid(nobody, nobody, nobody) == 0 &&
                                 ::setresuid(nobody, nobody, nobody) == 0;
            ::_exit(dropped && body() ? 0 : 1);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }

    std::filesystem::path root;
};

} // namespace dravik
