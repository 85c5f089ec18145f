#pragma once

#include <QString>

class QIcon;
class QLabel;

namespace pelmora {

// Sets a label's text and puts it on the screen before returning, even while the
// caller's handler is still running.
void ShowTextNow(QLabel& label, const QString& text);

// The program's icon at every size the program carries.
QIcon ProgramIcon();

// The folder that holds the running program.
QString ProgramFolder();

} // namespace pelmora
