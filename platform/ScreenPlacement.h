#pragma once

class QWidget;

// Centres a window on the primary screen, in whole units: left = (screen
// width - window width) / 2, top likewise, after the window took its size.
void centreOnScreen(QWidget& window);
