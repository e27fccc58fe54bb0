#ifndef KY_DATAGEN_DATA_CONTEXT_H
#define KY_DATAGEN_DATA_CONTEXT_H

#include <set>
#include <string>
#include <vector>

// Where one generation run finds what descriptions name, and what it read.
//
// Paths in a description are relative to the folder of the file that names
// them; a path starting with '/' is relative to the data folder. Font files
// are looked for there first, then in the font folders (the system's DejaVu
// folder by default). Every file read is recorded, so the build can be told
// what a generated file depends on.
class DataContext {
public:
    explicit DataContext(const std::string& dataRoot = ".");

    const std::string& dataRoot() const { return m_dataRoot; }
    void addFontFolder(const std::string& folder) { m_fontFolders.push_back(folder); }
    const std::vector<std::string>& fontFolders() const { return m_fontFolders; }

    // The file a description path names, seen from the file `from`.
    std::string resolve(const std::string& from, const std::string& path) const;
    // The font file a description names: as resolve gives it when it exists,
    // else the first font folder holding it; empty when none does.
    std::string findFont(const std::string& from, const std::string& name) const;

    void noteRead(const std::string& path) { m_read.insert(path); }
    const std::set<std::string>& filesRead() const { return m_read; }

    // How deep pictures are being composed into one another (each "image"
    // of a description one level): bounded so that a loop of pictures
    // naming each other stops.
    int nesting = 0;

    static bool isRegularFile(const std::string& path);
    static std::string folderOf(const std::string& path);

private:
    std::string m_dataRoot;
    std::vector<std::string> m_fontFolders;
    std::set<std::string> m_read;
};

#endif
