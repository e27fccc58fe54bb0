-- Asked before a new game deletes the saves.

dofile("GUI/Confirm.lua")("2D/Menus/Confirm/NewGameQuestion.png")
