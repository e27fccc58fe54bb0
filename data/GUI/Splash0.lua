-- The first splash screen: the studio's mark, for a second and a half.
KyLayout{
    name = "splash",
    -- A thin screen: screens are drawn in the order of their depth.
    sizeType = Percent, size = {1, 1, 0.05},
    KySpriteLayout{ name = "studio", image = "2D/Splash/Studio.jpg", sizeType = Percent, size = {1, 1} },
}
