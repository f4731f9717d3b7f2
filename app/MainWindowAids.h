// Two small buttons of the main window beside the specified controls: one that opens the port setup
// dialog again while disconnected (after a port failed to open, another can be chosen without
// restarting), and one that shows that a confirmed clock setting waits to be sent and cancels it
// when clicked (the setting empties the logger's memory at the next connection).
#pragma once

class ColorButton;
class QWidget;

// "PUERTO", right of the connect switch; shown while disconnected.
ColorButton* CreatePortSetupButton(QWidget* parent);

// "HORA PENDIENTE", right of the set-clock button; shown while a clock setting waits.
ColorButton* CreateClockPendingButton(QWidget* parent);

// Orders the Tab key's stops among `window`'s direct children as the panel reads: the column left
// of `columnSplitX` first, then the one right of it, each from top to bottom and left to right.
void OrderTabStopsByLayout(QWidget* window, int columnSplitX);
