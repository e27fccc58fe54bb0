-- The credits (fr): the text starts below the screen and scrolls up;
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
        text = [[<section style="center" /><color r="255" g="224" b="112"/><font file="Common/Fonts/Colaborate-Regular_r_24.tef" />Orvalen<br/><color r="246" g="232" b="200"/><font file="Common/Fonts/Arial_r_16.tef" />Le Wandrel, troisième partie<br/><br/><color r="255" g="224" b="112"/><font file="Common/Fonts/Colaborate-Regular_r_24.tef" />Histoire et décors<br/><color r="246" g="232" b="200"/><font file="Common/Fonts/Arial_r_16.tef" />L'équipe d'Orvalen<br/><br/><color r="255" g="224" b="112"/><font file="Common/Fonts/Colaborate-Regular_r_24.tef" />Moteur<br/><color r="246" g="232" b="200"/><font file="Common/Fonts/Arial_r_16.tef" />Le moteur Ky, écrit pour ce jeu<br/><br/><color r="255" g="224" b="112"/><font file="Common/Fonts/Colaborate-Regular_r_24.tef" />Images<br/><color r="246" g="232" b="200"/><font file="Common/Fonts/Arial_r_16.tef" />Dessinées d'après leurs descriptions par les outils du jeu<br/><br/><color r="255" g="224" b="112"/><font file="Common/Fonts/Colaborate-Regular_r_24.tef" />Musique et sons<br/><color r="246" g="232" b="200"/><font file="Common/Fonts/Arial_r_16.tef" />Synthétisés note à note à la construction<br/><br/><color r="255" g="224" b="112"/><font file="Common/Fonts/Colaborate-Regular_r_24.tef" />Voix<br/><color r="246" g="232" b="200"/><font file="Common/Fonts/Arial_r_16.tef" />eSpeak NG<br/><br/><color r="255" g="224" b="112"/><font file="Common/Fonts/Colaborate-Regular_r_24.tef" />Polices<br/><color r="246" g="232" b="200"/><font file="Common/Fonts/Arial_r_16.tef" />DejaVu Sans et DejaVu Serif<br/><br/><color r="255" g="224" b="112"/><font file="Common/Fonts/Colaborate-Regular_r_24.tef" />Bibliothèques<br/><color r="246" g="232" b="200"/><font file="Common/Fonts/Arial_r_16.tef" />Lua, TinyXML, SDL, OpenAL Soft, Mesa,<br/><color r="246" g="232" b="200"/><font file="Common/Fonts/Arial_r_16.tef" />libpng, libjpeg, zlib, Ogg, Vorbis et Theora<br/><br/><br/><color r="246" g="232" b="200"/><font file="Common/Fonts/Arial_r_16.tef" />Merci d'avoir marché avec le Wandrel.<br/>]],
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
