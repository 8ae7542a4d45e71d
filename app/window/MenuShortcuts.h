#pragma once
// Keyboard shortcuts of the main menu commands. Standard keys where the
// desktop has a convention (open, save, copy, print, quit, help); function
// keys for the display types, as on instruments with soft keys.

#include <QAction>
#include <QKeySequence>
#include <QList>
#include <QString>

struct MenuShortcut {
    const char* Item;   // the menu item's component name
    QKeySequence Keys;
};

// The table, in menu order.
const QList<MenuShortcut>& MenuShortcuts();

// Gives each named item its keys; items the lookup does not know are skipped.
template <class Lookup>
void ApplyMenuShortcuts(Lookup&& action)
{
    for (const MenuShortcut& s : MenuShortcuts())
        if (QAction* a = action(QString::fromLatin1(s.Item)))
            a->setShortcut(s.Keys);
}
