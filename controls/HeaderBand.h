#pragma once

class QLabel;
class TImage;

// The band across the top of every window: the stretched background, the logo (the artwork
// named logoName) and the title in white bold 19-pixel Arial.
void setUpHeaderBand(TImage* background, TImage* logo, QLabel* title, const char* logoName = "icon");
