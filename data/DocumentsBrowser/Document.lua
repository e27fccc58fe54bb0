-- The thumbnail of one found document, as large as its slot: the game
-- shows the document's picture in "upLayout" and its caption in "text"
-- (under the picture), and listens to the button "object".
KyButtonLayout{
    name = "object",
    sizeType = Percent, size = {1, 1},
    downLayout = KySpriteLayout{ image = "Inventory/Pressed.png", sizeType = Percent, size = {1, 1} },
    validationSound = "Sounds/SFX/ChoixMenu.wav",
    KySpriteLayout{ name = "upLayout", sizeType = Percent, size = {0.86, 0.86}, position = {0.5, 0.5, 0.5} },
    KyTextLayout{
        name = "text",
        sizeType = Percent, size = {1.4, 0.3},
        anchor = {0.5, 0, 0.5},
        position = {0.5, 1.02, 0.5},
    },
}
