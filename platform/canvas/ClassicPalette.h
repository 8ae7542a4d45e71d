// The one fixed palette every gauge and window of ours draws with: the
// classic instrument look (grey button faces, white highlights, mid-grey
// shadows), the same on every desktop and theme. The desktop's system
// colours (clBtnFace, clBtnHighlight, ...) resolve through it, so the
// colours of the controls relate as designed: a button face darker than its
// highlight and lighter than its shadow.
#pragma once

#include "platform/canvas/Canvas.h"
#include "platform/canvas/PlatformExport.h"

#include <QPalette>

// The palette's routines; ClassicSystemColor and ClassicWidgetPalette forward here.
class VELQUOR_PLATFORM_EXPORT TClassicPalette {
public:
    static TColor ClassicSystemColor(int index);
    static QPalette ClassicWidgetPalette();
};

// The classic RGB value of system colour index 0..30 (SystemColor(index));
// clBlack for other indices.
inline TColor ClassicSystemColor(int index)
{
    return TClassicPalette::ClassicSystemColor(index);
}

// A QPalette for ordinary Qt widgets (menus, track bars, group boxes, panels)
// built from the same classic colours, with greyed text in the disabled group.
inline QPalette ClassicWidgetPalette()
{
    return TClassicPalette::ClassicWidgetPalette();
}
