#include "platform/canvas/ClassicPalette.h"

#include <QColor>

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
    auto sys = [](TColor c) { return Q(ClassicSystemColor(c & 0xFF)); };
    QPalette pal;
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        pal.setColor(group, QPalette::Window, sys(clBtnFace));
        pal.setColor(group, QPalette::WindowText, sys(clWindowText));
        pal.setColor(group, QPalette::Base, sys(clWindow));
        pal.setColor(group, QPalette::AlternateBase, sys(cl3DLight));
        pal.setColor(group, QPalette::Text, sys(clWindowText));
        pal.setColor(group, QPalette::Button, sys(clBtnFace));
        pal.setColor(group, QPalette::ButtonText, sys(clBtnText));
        pal.setColor(group, QPalette::BrightText, sys(clHighlightText));
        pal.setColor(group, QPalette::Light, sys(clBtnHighlight));
        pal.setColor(group, QPalette::Midlight, sys(cl3DLight));
        pal.setColor(group, QPalette::Mid, QColor(0xA0, 0xA0, 0xA0));
        pal.setColor(group, QPalette::Dark, sys(clBtnShadow));
        pal.setColor(group, QPalette::Shadow, sys(cl3DDkShadow));
        pal.setColor(group, QPalette::Highlight, sys(clHighlight));
        pal.setColor(group, QPalette::HighlightedText, sys(clHighlightText));
        pal.setColor(group, QPalette::ToolTipBase, sys(clInfoBk));
        pal.setColor(group, QPalette::ToolTipText, sys(clInfoText));
        pal.setColor(group, QPalette::Link, sys(clHotLight));
        pal.setColor(group, QPalette::PlaceholderText, sys(clGrayText));
    }
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        pal.setColor(QPalette::Disabled, role, sys(clGrayText));
    return pal;
}
