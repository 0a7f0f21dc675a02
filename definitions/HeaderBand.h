#pragma once

class QLabel;
class TImage;

// The band across the top of the definitions and import windows: the stretched background,
// the logo and the title in white bold 19-pixel Arial.
void setUpHeaderBand(TImage* background, TImage* logo, QLabel* title);
