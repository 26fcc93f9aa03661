#pragma once
// Window edges: gives a widget a drawn three-dimensional edge of a chosen
// kind in place of its own border, and takes it off again. The frame
// painting is taken over by an event filter (while it is attached the
// widget's own border is not painted at all); what it replaced and the
// widget's border styles are kept on the widget itself, as the dynamic
// properties "SED_OLDPROC", "SED_OLDGWLSTYLE", "SED_OLDGWLEXSTYLE" and
// "SED_BORDERS", so any number of widgets can carry an edge at once.
//
// Edge kinds: 0 no border; 1 sunken, 3 raised, 5 bump, 6 etched (two-pixel
// frame); 2 thin sunken, 4 thin raised (one-pixel frame); any other value
// no border and nothing drawn.
#include <cstdint>

class QWidget;

namespace coravel {

// Takes over the widget's frame painting with the edge `kind`. A widget that
// already carries an edge just changes kind: the state saved first is the one
// DetachEdge restores. True when the widget's own painting was replaced
// (false only for a null widget).
bool AttachEdge(QWidget* window, int32_t kind);
// Puts the widget's own painting and border styles back as they were before
// the first AttachEdge and removes the four properties. False, changing
// nothing, when the widget carries no edge.
bool DetachEdge(QWidget* window);

// The edge value drawn for `kind` (0 for kinds that draw nothing).
uint32_t edgeValueOf(int32_t kind);

}  // namespace coravel
