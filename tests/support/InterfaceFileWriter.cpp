#include "tests/support/InterfaceFileWriter.h"

#include "tools/content/ImageWriters.h"
#include "tools/content/KyfWriter.h"
#include "tools/content/SoundWriters.h"
#include "tests/support/TempDir.h"
#include "tools/content/TheoraWriter.h"

#include <vector>

namespace InterfaceFiles {

std::string flatPng(u32 width, u32 height, u32 colour)
{
    ImageWriters::PngImage image;
    image.width = width;
    image.height = height;
    image.colorType = 6;
    for (u32 i = 0; i < width * height; ++i) {
        image.rows.push_back(static_cast<u8>(colour >> 16));
        image.rows.push_back(static_cast<u8>(colour >> 8));
        image.rows.push_back(static_cast<u8>(colour));
        image.rows.push_back(255);
    }
    return ImageWriters::toString(ImageWriters::png(image));
}

std::string interfaceXml()
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<!-- The test screen: every element kind of an interface file. -->\n"
           "<screen name=\"menu\">\n"
           "  <value name=\"title\" value=\"Main menu\"/>\n"
           "  <group name=\"back\">\n"
           "    <sprite name=\"bg\" file=\"./bg.png\">\n"
           "      <position x=\"8\" y=\"8\" z=\"1\"/>\n"
           "    </sprite>\n"
           "  </group>\n"
           "  <platform type=\"PC\">\n"
           "    <sprite name=\"pcOnly\" file=\"./white.png\"><position x=\"0\" y=\"0\" z=\"0.5\"/></sprite>\n"
           "  </platform>\n"
           "  <platform type=\"iPhone\">\n"
           "    <Sprite name=\"panel\" FILE=\"./panel.png\">\n"
           "      <scaleCenter x=\"0\" y=\"0\" z=\"0\"/>\n"
           "      <position x=\"40\" y=\"8\" z=\"1\"/>\n"
           "      <scale x=\"2\" y=\"2\" z=\"1\"/>\n"
           "    </Sprite>\n"
           "  </platform>\n"
           "  <sprite name=\"turned\" file=\"./turned.png\">\n"
           "    <position x=\"104\" y=\"8\" z=\"1\"/>\n"
           "    <rotate value=\"90\"/>\n"
           "    <opacity value=\"1\"/>\n"
           "  </sprite>\n"
           "  <button name=\"ok\" visible=\"1\">\n"
           "    <position x=\"0\" y=\"100\" z=\"2\"/>\n"
           "    <size x=\"20\" y=\"10\"/>\n"
           "  </button>\n"
           "  <sprite_button name=\"play\" up_file=\"./up.png\" down_file=\"./down.png\" "
           "disable_file=\"./off.png\" text=\"Play\">\n"
           "    <position x=\"8\" y=\"40\" z=\"1\"/>\n"
           "    <margin x=\"2\" y=\"1\"/>\n"
           "  </sprite_button>\n"
           "  <sprite_button2 name=\"quit\" up_file=\"./up.png\">\n"
           "    <position x=\"8\" y=\"60\" z=\"1\"/>\n"
           "  </sprite_button2>\n"
           "  <check_box name=\"sound\" active_file=\"Menus/on.png\" unactive_file=\"Menus/offbox.png\" "
           "mode=\"radio\" visible=\"1\">\n"
           "    <position x=\"40\" y=\"40\" z=\"1\"/>\n"
           "    <margin x=\"1\" y=\"2\"/>\n"
           "  </check_box>\n"
           "  <music name=\"theme\" file=\"Menus/theme.ogg\" repeat=\"0\"/>\n"
           "  <sfx name=\"click\" file=\"Menus/click.wav\"/>\n"
           "  <img name=\"logo\" file=\"Menus/logo.png\"/>\n"
           "  <kyvideoplayer name=\"intro\" video_file=\"Menus/intro.ogv\" audio_file=\"Menus/intro.ogg\" "
           "show_first_frame=\"1\">\n"
           "    <position x=\"64\" y=\"64\" z=\"3\"/>\n"
           "    <videoplayerbutton file=\"Menus/exit.png\" x=\"100\" y=\"100\"/>\n"
           "  </kyvideoplayer>\n"
           "  <movement2 name=\"slide\">\n"
           "    <Duration>1000</Duration>\n"
           "    <PositionX><StartValue>0</StartValue><EndValue>100</EndValue>"
           "<Interpolation>0,1</Interpolation></PositionX>\n"
           "  </movement2>\n"
           "  <movement3 name=\"nudge\">\n"
           "    <Duration>500</Duration>\n"
           "    <Opacity><EndValue>-0.5</EndValue><Interpolation>0,1</Interpolation></Opacity>\n"
           "  </movement3>\n"
           "  <kysoundplayer name=\"voice\" audio_file=\"Menus/voice.ogg\" x=\"70\" y=\"40\" z=\"1\">\n"
           "    <PlayButton up_file=\"Menus/up.png\"/>\n"
           "    <StopButton up_file=\"Menus/down.png\"/>\n"
           "  </kysoundplayer>\n"
           "  <text2 name=\"caption\" visible=\"1\" interline=\"2\">"
           "<font file=\"Menus/text.kyf\">Hello</font></text2>\n"
           "  <rect x=\"100\" y=\"50\"/>\n"
           "  <position x=\"70\" y=\"90\" z=\"1\"/>\n"
           "</screen>\n";
}

bool writeInterface(const TempDir& dir, const std::string& name)
{
    struct Picture {
        const char* file;
        u32 width;
        u32 height;
        u32 colour;
    };
    const Picture pictures[] = {
        {"bg.png", 16, 16, Red},      {"panel.png", 8, 8, Green},  {"turned.png", 16, 8, Cyan},
        {"white.png", 8, 8, White},   {"up.png", 16, 8, Blue},     {"down.png", 16, 8, Yellow},
        {"off.png", 16, 8, Grey},     {"on.png", 8, 8, Yellow},    {"offbox.png", 8, 8, Magenta},
        {"logo.png", 4, 4, White},    {"exit.png", 8, 8, White},
    };
    bool ok = dir.writeFile("Menus/" + name, interfaceXml());
    for (const Picture& p : pictures)
        ok = dir.writeFile(std::string("Menus/") + p.file, flatPng(p.width, p.height, p.colour)) && ok;

    std::vector<double> frequency(1, 440.0), amplitude(1, 8000.0);
    SoundWriters::Bytes click =
        SoundWriters::makeWav(1, 22050, 16, SoundWriters::sineS16(1, 22050, 2205, frequency, amplitude));
    ok = SoundWriters::writeFile(dir.file("Menus/click.wav"), click) && ok;
    ok = dir.writeFile("Menus/theme.ogg", writeVorbisOgg(0.5)) && ok;
    ok = dir.writeFile("Menus/voice.ogg", writeVorbisOgg(0.5)) && ok;
    ok = dir.writeFile("Menus/intro.ogg", writeVorbisOgg(0.5)) && ok;

    TheoraVideoSpec video;
    video.frameWidth = 32;
    video.frameHeight = 16;
    video.pictureWidth = 32;
    video.pictureHeight = 16;
    video.frames = 5;
    ok = dir.writeFile("Menus/intro.ogv", writeTheoraOgv(video)) && ok;

    KyfWriter::GridOptions glyphs;
    glyphs.cellWidth = 8;
    glyphs.cellHeight = 8;
    glyphs.glyphCount = 128;
    ok = dir.writeFile("Menus/text.kyf", KyfWriter::toString(KyfWriter::kyf(KyfWriter::gridFont(glyphs)))) && ok;
    return ok;
}

} // namespace InterfaceFiles
