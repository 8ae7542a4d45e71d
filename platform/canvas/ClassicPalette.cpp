#include "platform/canvas/ClassicPalette.h"

#include <QColor>

QPalette ClassicWidgetPalette()
{
    const QColor face(0xC0, 0xC0, 0xC0);
    const QColor highlight(0xFF, 0xFF, 0xFF);
    const QColor light3d(0xDF, 0xDF, 0xDF);
    const QColor shadow(0x80, 0x80, 0x80);
    const QColor darkShadow(0x00, 0x00, 0x00);
    const QColor text(0x00, 0x00, 0x00);
    const QColor selection(0x00, 0x00, 0x80);

    QPalette p;
    for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        const bool disabled = g == QPalette::Disabled;
        p.setColor(g, QPalette::Window, face);
        p.setColor(g, QPalette::Button, face);
        p.setColor(g, QPalette::Base, disabled ? face : highlight);
        p.setColor(g, QPalette::AlternateBase, light3d);
        p.setColor(g, QPalette::Light, highlight);
        p.setColor(g, QPalette::Midlight, light3d);
        p.setColor(g, QPalette::Mid, QColor(0xA0, 0xA0, 0xA0));
        p.setColor(g, QPalette::Dark, shadow);
        p.setColor(g, QPalette::Shadow, darkShadow);
        p.setColor(g, QPalette::WindowText, disabled ? shadow : text);
        p.setColor(g, QPalette::Text, disabled ? shadow : text);
        p.setColor(g, QPalette::ButtonText, disabled ? shadow : text);
        p.setColor(g, QPalette::BrightText, highlight);
        p.setColor(g, QPalette::Highlight, selection);
        p.setColor(g, QPalette::HighlightedText, highlight);
        p.setColor(g, QPalette::ToolTipBase, QColor(0xFF, 0xFF, 0xE1));
        p.setColor(g, QPalette::ToolTipText, text);
        p.setColor(g, QPalette::Link, selection);
        p.setColor(g, QPalette::PlaceholderText, shadow);
    }
    return p;
}
