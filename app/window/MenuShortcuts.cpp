#include "app/window/MenuShortcuts.h"

const QList<MenuShortcut>& MenuShortcuts()
{
    static const QList<MenuShortcut> table {
        { "OpenWave1", QKeySequence(Qt::CTRL | Qt::Key_O) },
        { "SaveWave1", QKeySequence(Qt::CTRL | Qt::Key_S) },
        { "SaveForm1", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S) },
        { "SaveBitmap1", QKeySequence(Qt::CTRL | Qt::Key_B) },
        { "CopyForm1", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C) },
        { "CopyBitmap1", QKeySequence(Qt::CTRL | Qt::Key_C) },
        { "PrintForm1", QKeySequence(Qt::CTRL | Qt::Key_P) },
        { "Exit1", QKeySequence(Qt::CTRL | Qt::Key_Q) },
        { "ChannelSetup1", QKeySequence(Qt::CTRL | Qt::Key_K) },
        { "Spectrum1", QKeySequence(Qt::Key_F2) },
        { "Phase1", QKeySequence(Qt::Key_F3) },
        { "Waterfall1", QKeySequence(Qt::Key_F4) },
        { "HelpMenu1", QKeySequence(Qt::Key_F1) },
    };
    return table;
}
