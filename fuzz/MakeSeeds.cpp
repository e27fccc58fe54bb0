// Writes a small starting corpus for each fuzz target into <folder>/<target>.

#include "core/KyString.h"
#include "platform/KyImg.h"
#include "platform/KyPalette.h"
#include "tools/content/ImageWriters.h"
#include "tools/content/SoundWriters.h"
#include "tools/content/TheoraWriter.h"
#include "tools/content/WarpWriter.h"

#include <cstdio>
#include <string>
#include <sys/stat.h>

using ImageWriters::Bytes;

namespace {

void save(const std::string& folder, const std::string& name, const Bytes& bytes)
{
    mkdir(folder.c_str(), 0755);
    std::string path = folder + "/" + name;
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f) {
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
}

Bytes streamBytes(KyString& s)
{
    const u8* p = reinterpret_cast<const u8*>(s.c_str());
    return Bytes(p, p + s.length());
}

} // namespace

int main(int argc, char** argv)
{
    std::string root = argc > 1 ? argv[1] : "seeds";
    mkdir(root.c_str(), 0755);

    const int kinds[][3] = {{2, 8, 0}, {6, 8, 1}, {3, 8, 0}, {0, 8, 0}, {4, 8, 1}, {2, 16, 0}, {3, 2, 1}};
    int n = 0;
    for (const auto& k : kinds) {
        ImageWriters::PngImage p;
        p.width = 7;
        p.height = 5;
        p.colorType = k[0];
        p.bitDepth = k[1];
        p.interlaced = k[2] != 0;
        int channels = k[0] == 2 ? 3 : k[0] == 6 ? 4 : k[0] == 4 ? 2 : 1;
        p.rows = ImageWriters::pattern((7 * channels * k[1] + 7) / 8 * 5, n + 1);
        if (k[0] == 3) {
            p.palette = ImageWriters::pattern(3 * (1 << (k[1] < 8 ? k[1] : 8)), n);
            p.transparency = {0, 50, 100};
        }
        save(root + "/png", "seed" + std::to_string(n++), ImageWriters::png(p));
    }

    Bytes rgb = ImageWriters::photo(24, 16, 3);
    Bytes jpeg = ImageWriters::jpeg(24, 16, 3, rgb, 75);
    Bytes grey = ImageWriters::jpeg(17, 9, 1, ImageWriters::photo(17, 9, 1), 75, true);
    save(root + "/jpg", "colour", jpeg);
    save(root + "/jpg", "grey_progressive", grey);
    save(root + "/jpg_zlib", "colour", ImageWriters::zlibWrapped(jpeg));
    save(root + "/jpg_zlib", "grey", ImageWriters::zlibWrapped(grey));

    for (u32 type : {0x18u, 0x19u}) {
        ImageWriters::PvrImage p;
        p.width = 16;
        p.height = 8;
        p.flags = type | 0x800;
        p.bitsPerPixel = type == 0x18 ? 2 : 4;
        p.alphaMask = 1;
        p.surface = ImageWriters::pattern(96, type);
        save(root + "/pvr", "pvr" + std::to_string(type), ImageWriters::pvr(p));
    }

    for (u16 bits : {8, 16, 24, 32, 4}) {
        ImageWriters::BmpImage b;
        b.width = 5;
        b.height = bits == 24 ? -3 : 3;
        b.bitCount = bits;
        b.rows = ImageWriters::pattern(ImageWriters::bmpRowBytes(5, bits) * 3, bits);
        if (bits <= 8)
            b.palette = ImageWriters::pattern(4u << bits, bits);
        save(root + "/bmp", "bmp" + std::to_string(bits), ImageWriters::bmp(b));
    }
    ImageWriters::BmpImage core;
    core.width = 3;
    core.height = 2;
    core.bitCount = 8;
    core.headerSize = 12;
    core.palette = ImageWriters::pattern(768, 3);
    core.rows = ImageWriters::pattern(6, 4);
    save(root + "/bmp", "core", ImageWriters::bmp(core));

    for (u8 entry : {15, 16, 24, 32}) {
        ImageWriters::TgaImage t;
        t.width = 4;
        t.height = 3;
        t.depth = 8;
        t.imageType = 1;
        t.colorMapType = 1;
        t.colorMapLength = 20;
        t.colorMapEntrySize = entry;
        t.colorMap = ImageWriters::pattern(20 * ((entry + 7) / 8), entry);
        t.pixels = ImageWriters::pattern(12, entry + 1);
        save(root + "/tga", "map" + std::to_string(entry), ImageWriters::tga(t));
    }
    for (u8 depth : {16, 24, 32}) {
        ImageWriters::TgaImage t;
        t.width = 3;
        t.height = 3;
        t.depth = depth;
        t.pixels = ImageWriters::pattern(9u * depth / 8, depth);
        save(root + "/tga", "true" + std::to_string(depth), ImageWriters::tga(t));
    }

    for (s32 format : {0, 3, 5, 6, 12}) {
        KyImg img;
        img.create(format, 4, 3, KyIntrusivePtr<KyPalette>());
        img.fill(1, 2, 3, 4);
        KyString s(static_cast<const char*>(nullptr));
        img.serialize(s);
        save(root + "/image", "format" + std::to_string(format), streamBytes(s));
    }
    for (s32 format : {1, 2, 3}) {
        KyPalette p;
        p.allocate(format);
        KyString s(static_cast<const char*>(nullptr));
        p.serialize(s);
        save(root + "/palette", "format" + std::to_string(format), streamBytes(s));
    }

    // Short tones from several encoder settings, and a chained file.
    SoundWriters::VorbisSettings low, managed, other;
    low.quality = -0.1f;
    managed.managed = true;
    managed.nominalBitrate = 64000;
    other.serial = 0x77;
    auto tone = [](u32 channels, u32 rate, u32 frames) {
        return SoundWriters::sineFloat(channels, rate, frames, std::vector<double>(channels, 440.0),
                                       std::vector<double>(channels, 0.4));
    };
    save(root + "/ogg", "mono8000", SoundWriters::encodeVorbis(1, 8000, tone(1, 8000, 400), low));
    save(root + "/ogg", "stereo44100", SoundWriters::encodeVorbis(2, 44100, tone(2, 44100, 2000), managed));
    save(root + "/ogg", "surround22050", SoundWriters::encodeVorbis(6, 22050, tone(6, 22050, 800), 0.2f));
    Bytes chained = SoundWriters::encodeVorbis(1, 11025, tone(1, 11025, 500), low);
    Bytes link = SoundWriters::encodeVorbis(1, 11025, tone(1, 11025, 700), other);
    chained.insert(chained.end(), link.begin(), link.end());
    save(root + "/ogg", "chained", chained);
    const std::string muxed = writeVorbisOgg(0.1);
    save(root + "/ogg", "mono22050", Bytes(muxed.begin(), muxed.end()));

    const char* responses[] = {
        "HTTP/1.1 200 OK\r\nServer: x\r\nContent-Length: 10\r\n\r\n0123456789",
        "HTTP/1.0 404 Not Found\r\nContent-Length: 0\r\n\r\n",
        "HTTP/1.0 200 OK\nContent-Type: a/b\n\nbody without length",
        "HTTP/2 200\r\n\r\n",
        "HTTP/1.0 200 OK\r\nContent-Length: 20\r\n\r\nshort",
        "HTTP/1.0 200 OK\r\nContent-Length: 1\r\nContent-Length: 2\r\n\r\nab",
    };
    int r = 0;
    for (const char* response : responses) {
        std::string text(response);
        save(root + "/http", "response" + std::to_string(r++), Bytes(text.begin(), text.end()));
    }
    const char* indexes[] = {
        "<?xml version=\"1.0\"?>\n<advert>\n  <img name=\"p\" file=\"Backup/Ads/pictures/a.png\"/>\n"
        "  <value name=\"duration\" value=\"5000000\"/>\n  <value name=\"nextPath\" value=\"Backup/Ads/page2.xml\"/>\n"
        "  <button name=\"skip\"><size x=\"10\" y=\"10\" z=\"0\"/></button>\n</advert>\n",
        "<a x=\"Backup/Ads/../up.png\" y=\"Backup/Ads//abs\" z=\"Backup/AdsTmp/a\"><b c=\"Backup/Ads/a\\..\\b\"/></a>",
        "<a><b><c><d x=\"Backup/Ads/deep.png\"/></c></b></a><!-- c --><![CDATA[Backup/Ads/x]]>",
    };
    int x = 0;
    for (const char* index : indexes) {
        std::string text(index);
        save(root + "/ads_index", "index" + std::to_string(x++), Bytes(text.begin(), text.end()));
    }
    // Lua interface files: every builder and key, odd values, errors.
    const char* interfaces[] = {
        "title = 'Menu'\n"
        "function Unload() unloaded = true end\n"
        "root = KyLayout{ name = 'root', sizeType = Pixel, size = {480, 320}, ratio = 1.5, ratioMode = LetterBox,\n"
        "  safeAreaRatio = 1.25, anchor = {0.5, 0.5}, positionType = Percent, position = {0.5, 0.5}, visible = true,\n"
        "  KySpriteLayout{ name = 'sprite', image = 'GUI/red.png', sizeType = Percent, size = {1, 1} },\n"
        "  KyButtonLayout{ name = 'button', upLayout = KySpriteLayout{ image = 'GUI/green.png' },\n"
        "    downLayout = KySpriteLayout{ image = 'GUI/blue.png' }, disabledLayout = KyLayout{},\n"
        "    hitZone = KyLayout{ size = {20, 10} }, enable = true, clickPassThrough = false,\n"
        "    validationSound = 'Sounds/click.wav' },\n"
        "  KyCheckboxLayout{ name = 'box', activeLayout = KyLayout{}, unactiveLayout = KyLayout{},\n"
        "    activeDisabledLayout = KyLayout{}, unactiveDisabledLayout = KyLayout{}, hitZone = KyLayout{},\n"
        "    clickPassThrough = true, activationSound = 'on.wav', unactivationSound = 'off.wav' },\n"
        "  KyListLayout{ name = 'list', direction = {0, 1}, minimumMargin = {0.1}, maximumMargin = {0.5, 0.5},\n"
        "    KyLayout{ size = {10, 10} }, KyLayout{ size = {10, 10} } },\n"
        "  KyTextLayout{ name = 'caption', text = '<section style=\"center\">Hi<br/></section>', interLine = 2,\n"
        "    interline = 3 },\n"
        "  KyVideoLayout{ name = 'movie' },\n"
        "}\n"
        "KyLayoutPositionLinearAnimation{ name = 'slide', duration = 500, startValue = {0, 0}, endValue = {0.5},\n"
        "  curve = {0, 0.5, 1}, layout = 'root' }\n"
        "KyLayoutAnchorLinearAnimation{ name = 'slide', duration = 250, startValue = {1, 1, 1}, endValue = {0, 0, 0},\n"
        "  curve = {0, 1} }\n"
        "KyColorLinearAnimation{ name = 'fade', duration = 1000, startValue = {255, 255, 255, 255},\n"
        "  endValue = {255, 255, 255, 0}, curve = {0, 1} }\n"
        "KyRotationLinearAnimation{ name = 'turn', duration = 300, startValue = {0, 0, 1, 0},\n"
        "  endValue = {0, 0, 1, 90}, curve = {0, 1} }\n",
        "KyLayout{ name = 'panel' } KyLayout{ name = 'panel' } KyButtonLayout{ name = 'panel' }\n"
        "KyLayout('text') KyLayout({}, {name = 'root', 5, 'x', {}})\n"
        "KySpriteLayout{ name = 42, visible = 1, size = 'wide', image = 'GUI/missing.png' }\n",
        "local t = {} for i = 1, 50 do t[i] = KyLayout{ size = {i, i} } end\n"
        "root = KyListLayout(t) KyColorLinearAnimation{ name = 'fade', curve = t }\n",
        "local v = setmetatable({}, {__index = function(t, k) return k * 2 end})\n"
        "KyLayout{ name = 'root', position = v, size = v, anchor = v }\n"
        "error('stopped')\n",
        "co = coroutine.wrap(function() local l = KyLayout{} coroutine.yield() KyLayout{ name = 'root', l } end)\n"
        "co() co() while true do end\n",
    };
    int l = 0;
    for (const char* text : interfaces)
        save(root + "/lua_gui", "interface" + std::to_string(l++), Bytes(text, text + std::string(text).size()));

    // Panoramas: small cubes in every tile format, one with animations (a
    // two-frame layer with pick cells, a frame of two faces), one with an
    // animation of empty frames.
    for (const std::string& format : WarpWriter::tileFormats()) {
        WarpWriter::Source source;
        for (u32 f = 0; f < 6; ++f)
            source.faces[f] = WarpWriter::Picture::filled(16, 16, static_cast<u8>(40 * f), 90, 200, 255);
        source.format = format;
        source.tileSize = 8;
        source.pickGrid = 4;
        std::string name = format;
        for (char& c : name)
            c = c == '.' ? '_' : c;
        Bytes out;
        std::string error;
        if (WarpWriter::write(source, out, error))
            save(root + "/warp", "cube_" + name, out);

        WarpWriter::Picture layer = WarpWriter::Picture::filled(16, 16, 0, 0, 0, 0);
        for (size_t i = 0; i < 16 * 4; ++i)
            layer.rgba[i] = 255;
        WarpWriter::AnimationSource animation;
        animation.name = "ANIM";
        animation.frames.resize(2);
        animation.frames[0].layers = {{3, layer}, {0, layer}};
        WarpWriter::PickCells cells;
        cells.face = 3;
        cells.opaque = true;
        cells.cells = {WarpWriter::Cell(3, 3)};
        animation.frames[0].picks = {cells};
        animation.frames[1].layers = {{2, layer}};
        source.animations = {animation};
        if (WarpWriter::write(source, out, error))
            save(root + "/warp", "animated_" + name, out);
    }
    WarpWriter::Source still;
    for (u32 f = 0; f < 6; ++f)
        still.faces[f] = WarpWriter::Picture::filled(8, 8, 1, 2, 3, 255);
    WarpWriter::File file;
    std::string error;
    if (WarpWriter::build(still, file, error)) {
        WarpWriter::Animation wait;
        wait.name = "WAIT";
        wait.groupCount = 1;
        wait.frames.resize(3);
        file.animations.push_back(wait);
        save(root + "/warp", "empty_frames", WarpWriter::serialize(file));
    }

    const char* xmlInterfaces[] = {
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!-- menu -->\n<menu name=\"m\">\n"
        "  <group name=\"g\"><sprite name=\"bg\" file=\"./bg.png\" visible=\"1\"><scaleCenter x=\"1\" y=\"2\"/>"
        "<position x=\"1\" y=\"2\" z=\"3\"/><size x=\"4\" y=\"5\"/><rotate value=\"9\"/><opacity value=\"0.5\"/>"
        "</sprite></group>\n"
        "  <button name=\"b\" enable=\"1\" visible=\"1\"><scale x=\"2\"/></button>\n"
        "  <sprite_button name=\"sb\" up_file=\"u.png\" text=\"t\"><leftMargin value=\"3\"/><margin x=\"1\"/>"
        "</sprite_button>\n"
        "  <sprite_button2 name=\"sb2\" text=\"&lt;b&gt;\"/><check_box name=\"c\" mode=\"radio\"/>\n"
        "  <music name=\"mu\" file=\"a.ogg\" repeat=\"0\"/><sfx name=\"s\" file=\"a.wav\"/>"
        "<value name=\"v\" value=\"text\"/><img name=\"i\" file=\"i.png\"/>\n"
        "  <kyvideoplayer name=\"vp\" video_file=\"v.ogv\"/><videoplayerbutton file=\"x.png\" x=\"1\" y=\"2\"/>\n"
        "  <movement2 name=\"mv\"><Duration>1000</Duration><PositionX><StartValue>0</StartValue>"
        "<EndValue>1</EndValue><Interpolation>0 1</Interpolation></PositionX></movement2>\n"
        "  <kysoundplayer name=\"sp\" audio_file=\"a.ogg\"><PlayButton up_file=\"p.png\"/></kysoundplayer>\n"
        "  <text2 name=\"t\" visible=\"1\" interline=\"2\"><rect x=\"100\" y=\"20\"/><color r=\"9\"/>ab<br/>"
        "</text2>\n  <platform type=\"PC\"><value name=\"no\"/></platform><platform type=\"iPhone\"/>\n"
        "  <![CDATA[<sprite/>]]>\n</menu>\n",
        "\xEF\xBB\xBF<a><b name='x'>\xC3\xA9<c/></b></a>",
        "<?xml encoding='latin1'?><a b=\"&#x41;&amp;\">\xE9</a>\r\n<!DOCTYPE x><?pi x?>",
    };
    int u = 0;
    for (const char* text : xmlInterfaces) {
        std::string bytes(text);
        save(root + "/xmlgui", "interface" + std::to_string(u++), Bytes(bytes.begin(), bytes.end()));
    }
    // Nests on both sides of the depth limit (1,000 levels), the deeper one
    // behind a declaration that ends at its first ">".
    std::string atLimit;
    std::string beyond = "<?xml>";
    for (int i = 0; i < 1000; ++i) {
        atLimit = "<value name=\"v\">" + atLimit + "</value>";
        beyond += "<a>";
    }
    beyond += "<a>";
    save(root + "/xmlgui", "atLimit", Bytes(atLimit.begin(), atLimit.end()));
    save(root + "/xmlgui", "beyond", Bytes(beyond.begin(), beyond.end()));
    // Box width, interline, then the markup.
    const std::string markups[] = {
        std::string("\x3b\x00") + "<section style=\"justify\"/>aa bb  cc dd\teee f g<br/>hh ii",
        std::string("\x80\x02") + "<color r=\"255\" g=\"9\">ab</color><section style=\"center\"/>c d<b>e<i>f</i></b>",
        std::string("\x10\x01") + "<section style=\"right\"/>ab ty<br/><br/>  x<![CDATA[<y>]]><!-- z -->&amp;",
    };
    int t = 0;
    std::string deepMarkup = "\x40\x00";
    for (int i = 0; i < 999; ++i)
        deepMarkup += "<b>a ";
    save(root + "/text_markup", "deep", Bytes(deepMarkup.begin(), deepMarkup.end()));
    for (const std::string& markup : markups)
        save(root + "/text_markup", "markup" + std::to_string(t++), Bytes(markup.begin(), markup.end()));

    // Scene descriptions: every element kind with its children, and a few
    // damaged ones.
    const char* const scenes[] = {
        "<?xml version=\"1.0\"?>\n<object name=\"LAMP\"><marker x=\"500\" y=\"250\" z=\"-250\"/></object>\n"
        "<animation name=\"DOOR\" fps=\"15\"><marker x=\"-250\" y=\"-250\" z=\"-500\"/>"
        "<marker x=\"1\" y=\"2\" z=\"3\"/></animation>\n"
        "<exit linkedWarp=\"Isis/Warp_0002.wp\" nbWarpBlock=\"2\"><marker x=\"100\" y=\"0\" z=\"-500\"/>"
        "<camera angleX=\"90\" angleY=\"-10\"/><block face=\"3\" offsetX=\"1\" offsetY=\"0\"/>"
        "<block face=\"4\" offsetX=\"0\" offsetY=\"1\"/></exit>\n",
        "<exit linkedWarp=\"A.wp\" nbWarpBlock=\"1\"><block face=\"3\" offsetX=\"0\" offsetY=\"0\"/></exit>"
        "<exit linkedWarp=\"B.wp\" nbWarpBlock=\"4\"><block face=\"3\" offsetX=\"3\" offsetY=\"3\"/></exit>",
        "<exit linkedWarp=\"A.wp\" nbWarpBlock=\"0\"><block face=\"6\" offsetX=\"-1\" offsetY=\"9\"/>"
        "<marker x=\"nan\" y=\"1e40\"/><camera angleX=\"x\"/><door/></exit><door/>",
        "<object name=\"DOOR\"/><animation name=\"DOOR\" fps=\"0\"><marker x=\"0\" y=\"0\" z=\"-1\"/>"
        "</animation><object/><exit/><exit linkedWarp=\"\"/>",
    };
    int sc = 0;
    for (const char* text : scenes) {
        std::string bytes(text);
        save(root + "/scene", "scene" + std::to_string(sc++), Bytes(bytes.begin(), bytes.end()));
    }

    // Save files: one of every section as the game writes it, an old one
    // and damaged ones.
    const char* const saves[] = {
        "<?xml version=\"1.0\" ?>\n<GameVersion major=\"1\" minor=\"1\" />\n"
        "<Inventory>\n    <Page number=\"0\">\n        <Slot object=\"KEYS\" />\n    </Page>\n</Inventory>\n"
        "<Dialog>\n    <Played name=\"Intro_01\" />\n</Dialog>\n<WarpName name=\"3D/Isis/Warp_0003.wp\" />\n"
        "<Orientation x=\"-123.500000\" y=\"12.250000\" />\n<Music path=\"Sounds/Musiques/M_interface.ogg\" />\n"
        "<MayaHealthValue value=\"-20\" />\n<TuyaHealthValue value=\"100\" />\n"
        "<Boolean name=\"KEYS\" value=\"1\" />\n<Number name=\"visits\" value=\"3.000000\" />\n"
        "<String name=\"said\" value='&lt;caf\xe9 &amp; &quot;tea&quot;&gt;' />\n",
        "<?xml version=\"1.0\" ?>\n<WarpName name=\"3D/Isis/Warp_0002.wp\" />\n"
        "<Orientation x=\"400\" y=\"nan\" />\n<MayaHealthValue value=\"99999999999\" />\n",
        "<GameVersion major=\"1\" /><Inventory><Page/></Inventory><WarpName name=\"\"/>"
        "<Boolean name=\"b\" value=\"x\"/><Number value=\"1\"/><String name=\"s\"/>",
        "<WarpName name=\"a.wp\"><WarpName name=\"b.wp\"/></WarpName><Number name=\"n\" value=\"1e999\"/>",
    };
    int sv = 0;
    for (const char* text : saves) {
        std::string bytes(text);
        save(root + "/save", "save" + std::to_string(sv++), Bytes(bytes.begin(), bytes.end()));
    }
    return 0;
}
