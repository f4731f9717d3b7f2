// Shows one of the program's windows modally and returns when it has been closed. Received
// characters and timers keep being served meanwhile by the modal loop.
#pragma once

class QWidget;

void ShowModal(QWidget* window);
