#pragma once
// The pictures of the window's buttons, drawn as vector paths at whatever size and device
// pixel ratio they are asked for, so they stay crisp when the window is maximised or scaled.

#include <QIcon>

enum class TIconKind
{
    Settings, // sliders: the parameter dialog
    Save,     // a disk
    Open,     // an open folder
    Print,    // a printer with its sheet
    Maximise, // title bar: a window outline with a thick top edge
    Close,    // title bar: a diagonal cross
    Minimise, // title bar: a bar along the bottom
};

// The title-bar pictures are white for the navy bar; the others use dark ink.
QIcon PaintedIcon(TIconKind kind);
