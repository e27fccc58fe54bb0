#ifndef KY_TEST_INTERFACE_FILE_WRITER_H
#define KY_TEST_INTERFACE_FILE_WRITER_H

#include "core/KyTypes.h"

#include <string>

class TempDir;

// The test interface file of the XML interface loader tests, and the
// pictures, sounds and video it names: one screen using every element kind
// (dotted names, groups, the platform filter, scale and rotation, margins,
// values, movements, a sound, a music, a video with its exit button and a
// sound player). Everything is written under "Menus/" of a folder.
namespace InterfaceFiles {

// The flat colours of the pictures, as 0xRRGGBB.
enum Colour : u32 {
    Red = 0xFF0000,
    Green = 0x00FF00,
    Blue = 0x0000FF,
    Yellow = 0xFFFF00,
    Grey = 0x808080,
    White = 0xFFFFFF,
    Magenta = 0xFF00FF,
    Cyan = 0x00FFFF
};

// The XML text of the test interface.
std::string interfaceXml();

// Writes the interface file as "Menus/<name>" of dir, with every picture,
// sound and video it names. False when a file cannot be written.
bool writeInterface(const TempDir& dir, const std::string& name = "menu.xml");

// A flat RGBA PNG picture of the colour, opaque.
std::string flatPng(u32 width, u32 height, u32 colour);

} // namespace InterfaceFiles

#endif
