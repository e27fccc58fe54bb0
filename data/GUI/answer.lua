-- One answer of the list: a band of parchment with the answer's text on it.
-- The list sizes itself after its entries, so an entry takes the list's
-- width and keeps the band's shape (letter box) rather than a share of the
-- list's height.

KyButtonLayout{
    name = "answer",
    sizeType = Percent, size = {1, 1},
    ratioMode = LetterBox, ratio = 400 / 34,
    validationSound = "Sounds/SFX/ChoixMenu.wav",
    KySpriteLayout{ name = "answerBand", image = "2D/Questions/Answer.png", sizeType = Percent, size = {1, 1} },
    KyTextLayout{
        name = "text",
        sizeType = Percent, size = {380 / 400, 26 / 34},
        position = {0.5, 0.5, 0.5},
    },
}
