// Fuzzes the XML interface loader with whole interface files. Besides what
// the sanitizers catch: the nesting and attribute bounds measured before
// parsing match what TinyXML builds from the same text, a file beyond them
// never loads, a failed load leaves the interface empty, and a text that
// reads writes back as text that reads the same.

#include "fuzz/XmlCheck.h"
#include "ui/KyDeferredDeletion.h"
#include "ui/KyXMLGUI.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

// The interface file of each input, in a folder of its own.
std::string g_file;

// The file's text as every file load reads it: up to the first NUL byte,
// CR LF and lone CR made LF.
std::string fileText(const uint8_t* data, size_t size)
{
    std::string text;
    for (size_t i = 0; i < size && data[i] != 0; ++i) {
        if (data[i] != '\r') {
            text += char(data[i]);
            continue;
        }
        text += '\n';
        if (i + 1 < size && data[i + 1] == '\n')
            ++i;
    }
    return text;
}

bool isEmpty(const KyXMLGUI& gui)
{
    return gui.groupNames().count() == 0 && gui.spriteMap().isEmpty() && gui.buttonMap().isEmpty() &&
           gui.spriteButtonMap().isEmpty() && gui.spriteButton2Map().isEmpty() && gui.checkBoxMap().isEmpty() &&
           gui.musicMap().isEmpty() && gui.sfxMap().isEmpty() && gui.valueMap().isEmpty() &&
           gui.imageMap().isEmpty() && gui.movement2Map().isEmpty() && gui.movement3Map().isEmpty() &&
           gui.videoPlayerMap().isEmpty() && gui.soundPlayerMap().isEmpty() && gui.textMap().isEmpty();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("ALSOFT_DRIVERS", "null", 0);
    setenv("KY_HEADLESS", "1", 0);
    // The loader logs every refused file; the fuzzer reports on stderr.
    if (!std::freopen("/dev/null", "w", stdout))
        return 0;
    char folder[] = "/tmp/kyfuzzxmlXXXXXX";
    if (!mkdtemp(folder))
        std::abort();
    g_file = std::string(folder) + "/case.xml";
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (1u << 20))
        return 0;
    std::FILE* file = std::fopen(g_file.c_str(), "wb");
    if (!file)
        std::abort();
    std::fwrite(data, 1, size, file);
    std::fclose(file);

    const std::string text = fileText(data, size);
    const KyXmlDocument::Extent extent = XmlCheck::measureAndCompare(text.c_str(), TIXML_DEFAULT_ENCODING);
    XmlCheck::roundTrip(text.c_str(), TIXML_DEFAULT_ENCODING);

    KyXMLGUI gui;
    const bool loaded = gui.Load(KyString(g_file.c_str()));
    XmlCheck::require(loaded == gui.isLoaded());
    XmlCheck::require(!(loaded && extent.refused));
    XmlCheck::require(loaded || isEmpty(gui));
    gui.unload();
    KyDeferredDeletion::deletePending();
    return 0;
}
