-- Asked before a save slot is loaded in place of the game.

dofile("GUI/Confirm.lua")("2D/Menus/Confirm/LoadGameQuestion.png")
