#include "tests/script/LuaGUIFixture.h"

#include "tests/script/LuaTestSupport.h"
#include "tools/content/ImageWriters.h"
#include "ui/KyDeferredDeletion.h"

namespace {

const char* const kEveryKey = R"(
-- The test screen: every builder and every key.
title = "Main menu"
volume = 0.75
fullScreen = false
count = 3
list = {}

function Unload()
    local f = assert(io.open("unloaded.txt", "a"))
    f:write("x")
    f:close()
end

KyLayout{ name = "quitButton" }
KyButtonLayout{ name = "quitButton" }
KyLayout{ name = 42 }

root = KyLayout{
    name = "root",
    sizeType = Pixel, size = {200},
    ratio = 2, ratioMode = LetterBox, safeAreaRatio = 1.5,
    anchor = {0, 1},
    positionType = Pixel, position = {0.25},
    visible = false,
    KySpriteLayout{ name = "background", image = "GUI/red.png", sizeType = Percent, size = {1, 1} },
    KyButtonLayout{
        name = "okButton",
        upLayout = KySpriteLayout{ name = "okUp", image = "GUI/green.png" },
        downLayout = KySpriteLayout{ name = "okDown", image = "GUI/blue.png" },
        disabledLayout = KySpriteLayout{ name = "okDisabled", image = "GUI/grey.png" },
        hitZone = KyLayout{ name = "okZone", size = {40, 20} },
        enable = false,
        clickPassThrough = true,
        validationSound = "Sounds/ok.wav",
    },
    KyCheckboxLayout{
        name = "soundBox",
        activeLayout = KySpriteLayout{ name = "soundOn", image = "GUI/green.png" },
        unactiveLayout = KySpriteLayout{ name = "soundOff", image = "GUI/red.png" },
        activeDisabledLayout = KySpriteLayout{ name = "soundOnGrey", image = "GUI/grey.png" },
        unactiveDisabledLayout = KySpriteLayout{ name = "soundOffGrey", image = "GUI/grey.png" },
        hitZone = KyLayout{ name = "soundZone" },
        clickPassThrough = true,
        activationSound = "Sounds/on.wav",
        unactivationSound = "Sounds/off.wav",
    },
    KyListLayout{
        name = "menu",
        direction = {1, 0},
        minimumMargin = {0.1},
        maximumMargin = {0.5, 0.5, 0.5},
        KyLayout{ name = "item1" },
        KyLayout{ name = "item2" },
        KyLayout{ name = "item3" },
    },
    KyTextLayout{ name = "caption", text = "<br/>Hello", interLine = 4 },
    KyVideoLayout{ name = "movie", image = "GUI/red.png" },
}

KyTextLayout{ name = "lowerCase", interline = 4 }
KyTextLayout{ name = "otherCase", InterLine = 4 }
holder = KyLayout{ name = "holder", KyLayout{}, KyLayout{ name = "" } }

KyLayoutPositionLinearAnimation{
    name = "slide", duration = 500, startValue = {0, 0}, endValue = {0.5}, curve = {0, 0.5, 1}, layout = "root",
}
KyLayoutAnchorLinearAnimation{ name = "slide", duration = 250, startValue = {1, 1, 1}, endValue = {0, 0, 0}, curve = {0, 1} }
KyColorLinearAnimation{
    name = "fadeOut", duration = 1000, startValue = {255, 255, 255, 255}, endValue = {255, 255, 255, 0}, curve = {0, 1},
}
KyColorLinearAnimation{ name = "keepAlpha", endValue = {0, 0, 0} }
KyRotationLinearAnimation{
    name = "turn", duration = 300, startValue = {0, 0, 1, 0}, endValue = {0, 0, 1, 90}, curve = {0, 1},
    KyLayout{ name = "notAChild" },
}
)";

} // namespace

LuaGUIFiles::LuaGUIFiles() {}

LuaGUIFiles::~LuaGUIFiles()
{
    LuaTest::logOf([&] { gui.unload(); });
    KyDeferredDeletion::deletePending();
}

void LuaGUIFiles::write(const std::string& path, const std::string& text)
{
    sandbox.work().writeFile(path, text);
}

void LuaGUIFiles::writePicture(const std::string& path, u32 width, u32 height, const KyColor& colour)
{
    ImageWriters::PngImage png;
    png.width = width;
    png.height = height;
    png.colorType = 6;
    for (u32 i = 0; i < width * height; ++i) {
        png.rows.push_back(colour.r);
        png.rows.push_back(colour.g);
        png.rows.push_back(colour.b);
        png.rows.push_back(colour.a);
    }
    const ImageWriters::Bytes bytes = ImageWriters::png(png);
    write(path, std::string(bytes.begin(), bytes.end()));
}

void LuaGUIFiles::writeTestPictures()
{
    writePicture("GUI/red.png", 16, 16, KyColor(255, 0, 0, 255));
    writePicture("GUI/green.png", 16, 8, KyColor(0, 255, 0, 255));
    writePicture("GUI/blue.png", 16, 8, KyColor(0, 0, 255, 255));
    writePicture("GUI/grey.png", 8, 8, KyColor(128, 128, 128, 255));
}

const char* LuaGUIFiles::everyKey()
{
    return kEveryKey;
}

bool LuaGUIFiles::load(const std::string& path, const std::string& text, std::string* log)
{
    write(path, text);
    bool loaded = false;
    const std::string written = LuaTest::logOf([&] { loaded = gui.load(path.c_str()); });
    if (log)
        *log = written;
    return loaded;
}

std::string LuaGUIFiles::read(const std::string& path)
{
    return sandbox.work().readFile(path);
}
