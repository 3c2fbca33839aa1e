#pragma once
// The program's artwork, painted in code: the icon (48, 32 and 16 pixels) and the picture
// down the left side of the main window. Dark teal gradient with a white badge card.

#include <QIcon>
#include <QImage>

// One icon image of the given size (square, 32-bit with alpha).
QImage ProgramIconImage(int size);
// The icon with its 48, 32 and 16 pixel images.
QIcon ProgramIcon();
// The 164 x 314 picture of the main window (24-bit, opaque).
QImage SidePicture();
