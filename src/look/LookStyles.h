#pragma once

#include <QtGlobal>

#include <array>

// A colour of the suite's window styles: red, green and blue, or the platform's own
// button-face colour, which only the windows know.
struct LookColour {
    quint8 red = 0;
    quint8 green = 0;
    quint8 blue = 0;
    bool buttonFace = false;

    static constexpr LookColour rgb(quint8 r, quint8 g, quint8 b) { return {r, g, b, false}; }
    static constexpr LookColour platformButtonFace() { return {0, 0, 0, true}; }

    friend constexpr bool operator==(const LookColour&, const LookColour&) = default;
};

// The header band of a frame: a gradient from top to bottom, and the frame's border.
struct FrameHeader {
    LookColour top;
    LookColour bottom;
    LookColour border;

    friend constexpr bool operator==(const FrameHeader&, const FrameHeader&) = default;
};

// The tab strip drawn with gradients (style 15): each tab from `from` to `to`, the
// active one from `activeFrom` to `activeTo` with its caption in bold.
struct TabStripLook {
    LookColour from;
    LookColour to;
    LookColour activeFrom;
    LookColour activeTo;
    LookColour active;
};

// One of the suite's 21 window styles: the skin and colour scheme it stands for,
// its frame family (the windows' margins follow it), C1 (the background of check
// boxes, option buttons and the like) and C2 (the background of frames), its frame
// header, and whether input controls take the input highlight.
struct LookStyle {
    qint32 number = 0;
    const char* skin = "";   // under the styles folder; "" for the plain platform look
    const char* scheme = ""; // the skin's colour scheme
    qint32 family = 0;
    LookColour c1;
    LookColour c2;
    FrameHeader header;
    bool inputHighlight = false;

    // Style 20: no skin, the platform's own look.
    bool platformLook() const { return *skin == '\0'; }
    // The tab strip's gradients, in the style that has them.
    bool tabGradients() const { return number == 15; }
    TabStripLook tabStrip() const;
};

namespace look {

constexpr qint32 StyleCount = 21;
constexpr qint32 PlainStyle = 20;
// The background of list boxes, combo boxes, list views and text boxes in the
// styles that highlight input controls.
constexpr LookColour InputHighlight = LookColour::rgb(255, 239, 178);

// The styles 0 to 20, in order.
const std::array<LookStyle, StyleCount>& styles();
// The style of that number; null outside 0 to 20.
const LookStyle* find(qint32 number);

} // namespace look
