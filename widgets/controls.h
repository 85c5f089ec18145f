#pragma once

#include <QString>

class QAbstractButton;
class QIcon;
class QLabel;

namespace pelmora {

// Sets a label's text and puts it on the screen before returning, even while the
// caller's handler is still running.
void ShowTextNow(QLabel& label, const QString& text);

// Makes Enter and Return press the button while it has the focus, as Space does, for a
// button that is no dialog's default.
void ClickOnEnter(QAbstractButton& button);

// The program's icon at every size the program carries.
QIcon ProgramIcon();

// The folder that holds the running program.
QString ProgramFolder();

// Where the window's browser starts: the program's own folder, as a bundled build keeps
// its pictures beside it, unless the program is installed in a system folder such as
// /usr/bin, where there are no pictures to convert and no right to write; then home.
QString StartFolder(const QString& programFolder, const QString& homeFolder);

} // namespace pelmora
