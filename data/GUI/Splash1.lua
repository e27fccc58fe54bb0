-- The second splash screen: the engine the game is made with.
KyLayout{
    name = "splash",
    sizeType = Percent, size = {1, 1, 0.05},
    KySpriteLayout{ name = "engine", image = "2D/Splash/Engine.jpg", sizeType = Percent, size = {1, 1} },
}
