-- The seal on the second page of Ilsabet's letter: a button of the page,
-- which the scene script hears of ("button0") and which folds the letter.
KyLayout{
    name = "root",
    sizeType = Percent, size = {1, 1},
    KyButtonLayout{
        name = "button0",
        sizeType = Pixel, size = {48, 48},
        position = {0.84, 0.12},
        upLayout = KySpriteLayout{ image = "DocumentsBrowser/Documents/Seal.png", sizeType = Percent, size = {1, 1} },
        downLayout = KySpriteLayout{ image = "DocumentsBrowser/Documents/Seal_over.png", sizeType = Percent, size = {1, 1} },
    },
}
