#ifndef KY_TEST_DATA_OVERLAY_H
#define KY_TEST_DATA_OVERLAY_H

#include "tests/support/TempDir.h"

#include <string>

// A data folder made of another one (the sample data) with a test's own
// files laid over it: every file of the base is a symbolic link in a fresh
// temporary folder, and writeFile and removeFile replace or drop single
// files there without ever touching the base.
//
//   DataOverlay data(KY_GAME_DATA_DIR);
//   data.writeFile("Texts/en.xml", texts);      // the base keeps its own
//   data.removeFile("Sounds/Dialogs/en/silence5s.ogg");
class DataOverlay {
public:
    explicit DataOverlay(const std::string& base);
    DataOverlay(const DataOverlay&) = delete;
    DataOverlay& operator=(const DataOverlay&) = delete;

    const std::string& path() const { return m_dir.path(); }
    // Replaces the link (or file) at the relative path by a file of its own.
    bool writeFile(const std::string& relative, const std::string& bytes) const;
    // Drops the relative file from the overlay.
    bool removeFile(const std::string& relative) const;
    // The base's bytes of a relative file.
    std::string baseFile(const std::string& relative) const;
    // How many links were made.
    unsigned linkCount() const { return m_links; }

private:
    TempDir m_dir;
    std::string m_base;
    unsigned m_links;
};

#endif
