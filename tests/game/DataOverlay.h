#ifndef KY_TESTS_DATA_OVERLAY_H
#define KY_TESTS_DATA_OVERLAY_H

#include "tests/support/TempDir.h"

#include <string>

// A data folder for a game session: the sample data beside the game
// executable seen through symbolic links, with files the test writes or
// removes on top. Only the folders on the way to a changed file become real
// folders (their other entries stay links), so the sample data itself is
// never written.
//
//   DataOverlay data;
//   data.write("Inventory/Objects/Objects_en.xml", "<Object id=\"Key\" />");
//   GameSession::Setup setup;
//   setup.dataFolder = data.path();
class DataOverlay {
public:
    DataOverlay();

    const std::string& path() const { return m_dir.path(); }
    bool write(const std::string& relative, const std::string& bytes);
    bool remove(const std::string& relative);

private:
    // Makes the folder (and every folder above it) real.
    bool materialise(const std::string& folder);

    TempDir m_dir;
};

#endif
