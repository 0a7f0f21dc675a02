#pragma once

class QWidget;

// Installs the real modal boxes behind ShowBilgi / AskSoru: QMessageBox with the titles,
// icons and buttons of the program ("Bilgi" with OK, "Soru" with Yes as default and No).
void installMessageBoxes();
