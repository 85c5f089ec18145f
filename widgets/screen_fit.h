#pragma once

#include "widgets/twips.h"

#include <QRect>
#include <QSize>

class QWidget;

namespace pelmora {

// Room a window frame takes round its contents on most desktops: the title bar and borders.
constexpr int kFrameAllowance = 40;

// The scale that lays a window of twips out at natural's size where it fits room, and
// otherwise smaller, as one, until it does: the twips keep their proportions.
TwipsScale ScaleToFit(TwipsScale natural, QSize twips, QSize room);

// frame moved the least it takes to lie wholly inside available; a frame larger than
// available keeps its top-left corner (and so its title bar) on the screen.
QRect PlaceInside(QRect frame, QRect available);

// Moves a shown window, with its frame, inside the available area of its screen.
void KeepOnScreen(QWidget& window);

} // namespace pelmora
