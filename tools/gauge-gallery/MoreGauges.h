// The gallery's second panel: the further gauge classes (sliders, gear
// dial, value indicator, meters, bars, thermometer, tank, colour bit
// buttons), live, with a few of them driven by the sliders and the gear dial.
#pragma once

class QWidget;

// Builds the panel as a child of parent at (left, top), PanelWidth wide;
// returns it (its height is the panel's).
QWidget* BuildMoreGaugesPanel(QWidget* parent, int left, int top, int width);
