// Keeps the whole text of a small fixed-size text box in view: when a text is wider than the box,
// its font is made smaller until every character shows; a text that fits gets the box's own font
// size back.
#pragma once

class QLineEdit;

void KeepWholeTextVisible(QLineEdit* box);
