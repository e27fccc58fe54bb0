-- The seal on the second page of Ilsabet's letter: a button of the page,
-- which the scene script hears of ("button0") and which folds the letter.
-- It sits at the page's lower right, under the text, beside the hint to
-- press it (places in the page are fractions, y down).
KyLayout{
    name = "root",
    sizeType = Percent, size = {1, 1},
    KyButtonLayout{
        name = "button0",
        sizeType = Pixel, size = {48, 48},
        position = {0.84, 0.86},
        upLayout = KySpriteLayout{ image = "DocumentsBrowser/Documents/Seal.png", sizeType = Percent, size = {1, 1} },
        downLayout = KySpriteLayout{ image = "DocumentsBrowser/Documents/Seal_over.png", sizeType = Percent, size = {1, 1} },
    },
}
