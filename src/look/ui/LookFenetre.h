#pragma once

#include <QColor>
#include <QPalette>

struct LookColour;
struct LookStyle;
class QWidget;

// The suite's window look on Qt widgets. The skins map onto the Fusion style with a
// palette per style (window C2, buttons C1); style 20, and a look without a skin,
// keep the platform's own style and palette. Each window then passes itself to
// LookFenetre, which sets its controls to the style's colours, frames and inputs.
namespace window_look {

// The dynamic properties a frame carries for LookProxyStyle: its header gradient
// and border.
inline constexpr const char* HeaderTop = "lookHeaderTop";
inline constexpr const char* HeaderBottom = "lookHeaderBottom";
inline constexpr const char* HeaderBorder = "lookHeaderBorder";
// And a tab bar drawn with gradients: each tab's, the active tab's, and its border.
inline constexpr const char* TabFrom = "lookTabFrom";
inline constexpr const char* TabTo = "lookTabTo";
inline constexpr const char* TabActiveFrom = "lookTabActiveFrom";
inline constexpr const char* TabActiveTo = "lookTabActiveTo";
inline constexpr const char* TabActive = "lookTabActive";

// A style colour; the platform's button face is read from the platform's palette.
QColor colour(const LookColour& colour, const QPalette& platform);

// The application palette of a skinned style, on the Fusion palette.
QPalette stylePalette(const LookStyle& style, const QPalette& platform, const QPalette& fusion);

// Sets the window's controls to the style, by their kind:
// - frames (QGroupBox): header gradient and border, background C2 (C1 in styles 15
//   and 17);
// - tab strips: the first tab selected; in style 15, tabs drawn with gradients and
//   the active one in bold;
// - check boxes and option buttons, "ShapeFond..." shapes, and containers drawn in
//   the platform's window-background colour: background C1;
// - text boxes, lists and combos: in styles 15 and 17 the input highlight, except
//   text boxes drawn in the platform's button-shadow colour;
// - labels: transparent; a caption of exactly "..." is emptied.
void LookFenetre(QWidget& window, const LookStyle& style, const QPalette& platform);

} // namespace window_look
