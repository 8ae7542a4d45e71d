#include "platform/canvas/ClassicPalette.h"

#include <QColor>

#include <utility>

namespace {

// Indexed by the system colour index (clScrollBar 0 ... clMenuBar 30), in
// the 0x00BBGGRR layout of TColor.
constexpr TColor kClassic[31] = {
    0xC0C0C0, // 0 scroll bar
    0x808000, // 1 desktop background (teal)
    0x800000, // 2 active caption (navy)
    0x808080, // 3 inactive caption
    0xC0C0C0, // 4 menu
    0xFFFFFF, // 5 window
    0x000000, // 6 window frame
    0x000000, // 7 menu text
    0x000000, // 8 window text
    0xFFFFFF, // 9 caption text
    0xC0C0C0, // 10 active border
    0xC0C0C0, // 11 inactive border
    0x808080, // 12 application workspace
    0x800000, // 13 highlight (navy)
    0xFFFFFF, // 14 highlight text
    0xC0C0C0, // 15 button face
    0x808080, // 16 button shadow
    0x808080, // 17 grey text
    0x000000, // 18 button text
    0xC0C0C0, // 19 inactive caption text
    0xFFFFFF, // 20 button highlight
    0x000000, // 21 3D dark shadow
    0xDFDFDF, // 22 3D light
    0x000000, // 23 info text
    0xE1FFFF, // 24 info background (pale yellow)
    0xC0C0C0, // 25 (unused index)
    0x800000, // 26 hot light
    0xD08410, // 27 gradient active caption
    0xB5B5B5, // 28 gradient inactive caption
    0x800000, // 29 menu highlight
    0xC0C0C0, // 30 menu bar
};

QColor Q(TColor c)
{
    return QColor(GetRValue(c), GetGValue(c), GetBValue(c));
}

} // namespace

TColor TClassicPalette::ClassicSystemColor(int index)
{
    if (index < 0 || index > 30)
        return clBlack;
    return kClassic[index];
}

QPalette TClassicPalette::ClassicWidgetPalette()
{
    // Each role's colour: a system colour of the classic palette, or a plain one.
    static const std::pair<QPalette::ColorRole, TColor> roles[] = {
        {QPalette::Window, clBtnFace},
        {QPalette::WindowText, clWindowText},
        {QPalette::Base, clWindow},
        {QPalette::AlternateBase, cl3DLight},
        {QPalette::Text, clWindowText},
        {QPalette::Button, clBtnFace},
        {QPalette::ButtonText, clBtnText},
        {QPalette::BrightText, clHighlightText},
        {QPalette::Light, clBtnHighlight},
        {QPalette::Midlight, cl3DLight},
        {QPalette::Mid, RGB(0xA0, 0xA0, 0xA0)},
        {QPalette::Dark, clBtnShadow},
        {QPalette::Shadow, cl3DDkShadow},
        {QPalette::Highlight, clHighlight},
        {QPalette::HighlightedText, clHighlightText},
        {QPalette::ToolTipBase, clInfoBk},
        {QPalette::ToolTipText, clInfoText},
        {QPalette::Link, clHotLight},
        {QPalette::PlaceholderText, clGrayText},
    };
    auto color = [](TColor c) { return Q(IsSystemColor(c) ? ClassicSystemColor(c & 0xFF) : c); };
    QPalette pal;
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        for (const auto& [role, c] : roles)
            pal.setColor(group, role, color(c));
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        pal.setColor(QPalette::Disabled, role, color(clGrayText));
    return pal;
}
