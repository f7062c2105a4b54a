#pragma once

#include <QIcon>

// The program's icon, drawn at the sizes the desktop asks for: a blue tile with the
// bars of a level meter. The alert icon is the same tile in red with a white "!".
namespace ProgramIcon {

QIcon normal();
QIcon alert();

} // namespace ProgramIcon
