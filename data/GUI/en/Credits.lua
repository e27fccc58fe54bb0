-- The credits (en): the text starts below the screen and scrolls up;
-- the game moves it and closes the screen when its end has passed.
-- The text is in Windows-1252 bytes, the fonts' character table.

local function look(image)
    return KySpriteLayout{ image = image, sizeType = Percent, size = {1, 1} }
end

KyLayout{
    name = "menu",
    -- A thin screen: screens are drawn in the order of their depth.
    sizeType = Percent, size = {1, 1, 0.05},
    KySpriteLayout{
        name = "background", image = "2D/Menus/MainMenu/Background.jpg",
        sizeType = Percent, size = {1, 1},
    },
    KySpriteLayout{
        name = "shade", image = "2D/Menus/Confirm/Shade.png",
        sizeType = Percent, size = {1, 1},
    },
    KyTextLayout{
        name = "text",
        sizeType = Percent, size = {0.9, 0.1},
        anchor = {0.5, 0, 0.5},
        position = {0.5, 0.95, 0.5},
        interLine = 4,
        text = [[<section style="center" /><color r="255" g="224" b="112"/><font file="Common/Fonts/Colaborate-Regular_r_24.tef" />Orvalen<br/><color r="246" g="232" b="200"/><font file="Common/Fonts/Arial_r_16.tef" />The Wandrel, Part 3<br/><br/><color r="255" g="224" b="112"/><font file="Common/Fonts/Colaborate-Regular_r_24.tef" />Story and scenes<br/><color r="246" g="232" b="200"/><font file="Common/Fonts/Arial_r_16.tef" />The Orvalen team<br/><br/><color r="255" g="224" b="112"/><font file="Common/Fonts/Colaborate-Regular_r_24.tef" />Engine<br/><color r="246" g="232" b="200"/><font file="Common/Fonts/Arial_r_16.tef" />The Ky engine, written for this game<br/><br/><color r="255" g="224" b="112"/><font file="Common/Fonts/Colaborate-Regular_r_24.tef" />Pictures<br/><color r="246" g="232" b="200"/><font file="Common/Fonts/Arial_r_16.tef" />Drawn from descriptions by the game's own tools<br/><br/><color r="255" g="224" b="112"/><font file="Common/Fonts/Colaborate-Regular_r_24.tef" />Music and sounds<br/><color r="246" g="232" b="200"/><font file="Common/Fonts/Arial_r_16.tef" />Synthesised note by note at build time<br/><br/><color r="255" g="224" b="112"/><font file="Common/Fonts/Colaborate-Regular_r_24.tef" />Voices<br/><color r="246" g="232" b="200"/><font file="Common/Fonts/Arial_r_16.tef" />eSpeak NG<br/><br/><color r="255" g="224" b="112"/><font file="Common/Fonts/Colaborate-Regular_r_24.tef" />Fonts<br/><color r="246" g="232" b="200"/><font file="Common/Fonts/Arial_r_16.tef" />DejaVu Sans and DejaVu Serif<br/><br/><color r="255" g="224" b="112"/><font file="Common/Fonts/Colaborate-Regular_r_24.tef" />Libraries<br/><color r="246" g="232" b="200"/><font file="Common/Fonts/Arial_r_16.tef" />Lua, TinyXML, SDL, OpenAL Soft, Mesa,<br/><color r="246" g="232" b="200"/><font file="Common/Fonts/Arial_r_16.tef" />libpng, libjpeg, zlib, Ogg, Vorbis and Theora<br/><br/><br/><color r="246" g="232" b="200"/><font file="Common/Fonts/Arial_r_16.tef" />Thank you for walking with the Wandrel.<br/>]],
    },
    KyButtonLayout{
        name = "quitButton2",
        sizeType = Percent, size = {36 / 480, 36 / 320},
        position = {448 / 480, 32 / 320, 0.5},
        upLayout = look("2D/Menus/Options/Quit.png"),
        downLayout = look("2D/Menus/Options/Quit_over.png"),
        validationSound = "Sounds/SFX/ChoixMenu.wav",
    },
}
