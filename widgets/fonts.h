#pragma once

#include <QFont>
#include <QStringList>

namespace pelmora {

// The windows' font: narrow enough that every caption fits the boxes it was laid out
// for at 96 dots per inch, at a comfortable size.
QFont WindowFont();

// The notice at the foot of the main window: Arial 8.25 point, or a face with its metrics.
QFont NoticeFont();

} // namespace pelmora
