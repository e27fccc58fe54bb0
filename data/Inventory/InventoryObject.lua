-- One carried object, made as large as the slot it is put in: the game
-- shows the object's picture in "upLayout" and listens to the button
-- "object". The picture stays while the button is pressed, lit from
-- behind.
KyButtonLayout{
    name = "object",
    sizeType = Percent, size = {1, 1},
    downLayout = KySpriteLayout{ image = "Inventory/Pressed.png", sizeType = Percent, size = {1, 1} },
    validationSound = "Sounds/SFX/ChoixMenu.wav",
    KySpriteLayout{ name = "upLayout", sizeType = Percent, size = {0.86, 0.86}, position = {0.5, 0.5, 0.5} },
}
