#pragma once

// A fresh temporary folder made the current directory for one test, with a
// "cardimages" folder in it; the old current directory comes back after.

#include <QTemporaryDir>

#include <filesystem>
#include <fstream>
#include <string>

class ScopedWorkDir
{
public:
    ScopedWorkDir() : m_previous(std::filesystem::current_path())
    {
        std::filesystem::current_path(m_dir.path().toStdString());
        std::filesystem::create_directory("cardimages");
    }
    ~ScopedWorkDir() { std::filesystem::current_path(m_previous); }
    ScopedWorkDir(const ScopedWorkDir &) = delete;
    ScopedWorkDir &operator=(const ScopedWorkDir &) = delete;

    std::string path() const { return m_dir.path().toStdString(); }

    // Writes bytes to a file under the work folder.
    static void write(const std::string &relative, const std::string &bytes)
    {
        std::ofstream out(relative, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }

private:
    std::filesystem::path m_previous;
    QTemporaryDir m_dir;
};
