#include "look/LookStyles.h"

namespace {

constexpr LookColour rgb(quint8 r, quint8 g, quint8 b) {
    return LookColour::rgb(r, g, b);
}
constexpr LookColour ButtonFace = LookColour::platformButtonFace();

constexpr FrameHeader PlainHeader{rgb(252, 252, 254), rgb(80, 80, 80), rgb(80, 80, 80)};
constexpr FrameHeader BlueHeader{rgb(242, 247, 255), rgb(190, 210, 234), rgb(80, 80, 80)};
constexpr FrameHeader RoyaleHeader{rgb(242, 247, 255), rgb(190, 210, 234), rgb(190, 210, 234)};
constexpr FrameHeader ThallosHeader{rgb(197, 206, 217), rgb(154, 170, 187), rgb(154, 170, 187)};

// A style whose frames share the check boxes' colour.
constexpr LookStyle same(qint32 number, const char* skin, const char* scheme, qint32 family,
                         LookColour colour, FrameHeader header = PlainHeader,
                         bool inputHighlight = false) {
    return LookStyle{number, skin, scheme, family, colour, colour, header, inputHighlight};
}

constexpr LookColour VistaFrames = rgb(240, 240, 240);
constexpr LookColour LunaBeige = rgb(236, 233, 216);

const std::array<LookStyle, look::StyleCount> Styles{{
    {0, "\\Vista.cjstyles", "NormalBlack.ini", 0, ButtonFace, VistaFrames, PlainHeader, false},
    {1, "\\Vista.cjstyles", "NormalBlack2.ini", 0, ButtonFace, VistaFrames, PlainHeader, false},
    {2, "\\Vista.cjstyles", "NormalBlue.ini", 0, ButtonFace, VistaFrames, PlainHeader, false},
    {3, "\\Vista.cjstyles", "NormalSilver.ini", 0, ButtonFace, VistaFrames, PlainHeader, false},
    same(4, "\\WinXP.Royale.cjstyles", "NormalRoyale.ini", 1, rgb(240, 240, 240), RoyaleHeader),
    same(5, "\\WinXP.Luna.cjstyles", "NormalBlue.ini", 1, LunaBeige),
    same(6, "\\WinXP.Luna.cjstyles", "NormalHomeStead.ini", 1, LunaBeige),
    same(7, "\\WinXP.Luna.cjstyles", "NormalMetallic.ini", 1, rgb(224, 223, 227)),
    same(8, "\\Codejock.cjstyles", "NormalBlue.ini", 1, rgb(235, 235, 228)),
    same(9, "\\Codejock.cjstyles", "NormalBlack.ini", 1, rgb(232, 232, 232)),
    same(10, "\\Office2007.cjstyles", "NormalVistaBlue.ini", 1, rgb(191, 219, 255), BlueHeader),
    same(11, "\\Office2007.cjstyles", "LightBlue.ini", 1, rgb(227, 239, 255), BlueHeader),
    same(12, "\\Office2007.cjstyles", "NormalAqua.ini", 1, rgb(237, 237, 237)),
    same(13, "\\Office2007.cjstyles", "NormalVistaSilver.ini", 1, rgb(238, 238, 244)),
    same(14, "\\Office2007.cjstyles", "NormalBlack.ini", 1, rgb(235, 235, 235)),
    same(15, "\\iTunes", "Normalitunes.ini", 0, rgb(182, 182, 182), PlainHeader, true),
    same(16, "\\Le5", "NormalBlue.ini", 1, LunaBeige),
    same(17, "\\Thallos.cjstyles", "NormalThallos.ini", 1, rgb(238, 242, 245), ThallosHeader, true),
    same(18, "\\Tiger.cjstyles", "NormalAppleB.ini", 0, rgb(240, 240, 240)),
    same(19, "\\Tiger.cjstyles", "NormalAppleG.ini", 0, rgb(240, 240, 240)),
    same(20, "", "", 1, ButtonFace),
}};

} // namespace

TabStripLook LookStyle::tabStrip() const {
    return TabStripLook{rgb(225, 225, 225), c1, rgb(195, 221, 245), rgb(119, 190, 242),
                        rgb(119, 190, 242)};
}

namespace look {

const std::array<LookStyle, StyleCount>& styles() {
    return Styles;
}

const LookStyle* find(qint32 number) {
    if (number < 0 || number >= StyleCount) {
        return nullptr;
    }
    return &Styles[size_t(number)];
}

} // namespace look
