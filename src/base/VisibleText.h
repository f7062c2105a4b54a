#pragma once

#include <QString>

// Control characters (below a blank, and DEL) in text that came from outside.
bool hasControlCharacter(const QString& text);

// The text with each control character written out ("<CR>", "<LF>", "<NUL>", "<TAB>",
// else "<0xHH>"), so that no outside text can break or forge a line where it is shown.
QString withVisibleControls(const QString& text);
