#ifndef BENCH_TEMP_FOLDER_H
#define BENCH_TEMP_FOLDER_H

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

// A folder of its own under /tmp for the fixtures a benchmark writes; the
// files named through it and the folder are removed when it goes.
class BenchTempFolder {
public:
    BenchTempFolder()
    {
        char folder[] = "/tmp/kybenchXXXXXX";
        if (mkdtemp(folder))
            m_folder = folder;
    }
    ~BenchTempFolder()
    {
        for (const std::string& file : m_files)
            std::remove(file.c_str());
        if (!m_folder.empty())
            rmdir(m_folder.c_str());
    }
    BenchTempFolder(const BenchTempFolder&) = delete;
    BenchTempFolder& operator=(const BenchTempFolder&) = delete;

    // False when the folder could not be made.
    bool isReady() const { return !m_folder.empty(); }
    // The path of a file in the folder, removed with it.
    std::string file(const std::string& name)
    {
        m_files.push_back(m_folder + "/" + name);
        return m_files.back();
    }

private:
    std::string m_folder;
    std::vector<std::string> m_files;
};

#endif
