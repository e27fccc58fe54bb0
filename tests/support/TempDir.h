#ifndef KY_TEST_TEMP_DIR_H
#define KY_TEST_TEMP_DIR_H

#include <string>

// A fresh, empty folder for one test, removed with everything in it when the
// object is destroyed. Symbolic links inside are removed, never followed.
//
//   TempDir dir;
//   dir.writeFile("Data/en/a.png", "bytes");
//   std::string disk = dir.file("Data/en/a.png");
class TempDir {
public:
    // Creates <$TMPDIR or /tmp>/<prefix>XXXXXX.
    explicit TempDir(const std::string& prefix = "kytest");
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // Absolute path of the folder, without a trailing '/'.
    const std::string& path() const { return m_path; }
    // path() + "/" + relative.
    std::string file(const std::string& relative) const;

    // Writes the bytes to the relative file, creating missing folders.
    // Returns false when the file cannot be written.
    bool writeFile(const std::string& relative, const std::string& bytes) const;
    // The whole content of the relative file; empty when it cannot be read.
    std::string readFile(const std::string& relative) const;
    // Creates the relative folder and any missing parent.
    bool makeDir(const std::string& relative) const;
    // True when anything (file, folder, link) exists at the relative path.
    bool exists(const std::string& relative) const;

    // Removes a folder tree by absolute path, without following links.
    static bool removeTree(const std::string& absolute);

private:
    std::string m_path;
};

#endif
